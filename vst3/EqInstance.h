// One equaliser as a VST 3 host sees it: a single object that is its component,
// its audio processor and its edit controller (the interface allows one
// object to be all three; the host finds the controller by asking the
// component for it). It adapts the equaliser's effect, the same object the
// VST 2 module hands its hosts, through that effect's public operations only.
#pragma once

#include <atomic>

#include "eq/Parameters.h"
#include "host/EffectBase.h"
#include "vst3/HostCallback.h"
#include "vst3/interface/Controller.h"
#include "vst3/interface/Processor.h"

namespace korvo_vst3 {

class EditorView;

// IComponent and IEditController both have setState and getState: these two
// give each its own name, so the component's state and the controller's stay
// apart.
class ComponentSide : public vst3::IComponent {
public:
    vst3::tresult KORVO_VST3_API setState(vst3::IBStream* state) final { return setComponentStream(state); }
    vst3::tresult KORVO_VST3_API getState(vst3::IBStream* state) final { return getComponentStream(state); }
    virtual vst3::tresult setComponentStream(vst3::IBStream* state) = 0;
    virtual vst3::tresult getComponentStream(vst3::IBStream* state) = 0;
};

class ControllerSide : public vst3::IEditController {
public:
    vst3::tresult KORVO_VST3_API setState(vst3::IBStream* state) final { return setControllerStream(state); }
    vst3::tresult KORVO_VST3_API getState(vst3::IBStream* state) final { return getControllerStream(state); }
    virtual vst3::tresult setControllerStream(vst3::IBStream* state) = 0;
    virtual vst3::tresult getControllerStream(vst3::IBStream* state) = 0;
};

class EqInstance final : public ComponentSide,
                         public vst3::IAudioProcessor,
                         public vst3::IProcessContextRequirements,
                         public ControllerSide {
public:
    // A new instance holding one reference, or null when the effect cannot be
    // made. The host's main thread.
    static EqInstance* create();

    // The instance.
    vst3::tresult KORVO_VST3_API queryInterface(const vst3::TUID wanted, void** object) override;  // any thread
    vst3::uint32 KORVO_VST3_API addRef() override;                                            // any thread
    vst3::uint32 KORVO_VST3_API release() override;                                           // any thread
    vst3::tresult KORVO_VST3_API initialize(vst3::FUnknown* context) override;                // main thread
    vst3::tresult KORVO_VST3_API terminate() override;                                        // main thread

    // The component: buses and activation. The host's main thread.
    vst3::tresult KORVO_VST3_API getControllerClassId(vst3::TUID classId) override;
    vst3::tresult KORVO_VST3_API setIoMode(vst3::IoMode mode) override;
    vst3::int32 KORVO_VST3_API getBusCount(vst3::MediaType type, vst3::BusDirection dir) override;
    vst3::tresult KORVO_VST3_API getBusInfo(vst3::MediaType type, vst3::BusDirection dir, vst3::int32 index,
                                            vst3::BusInfo& bus) override;
    vst3::tresult KORVO_VST3_API getRoutingInfo(vst3::RoutingInfo& inInfo, vst3::RoutingInfo& outInfo) override;
    vst3::tresult KORVO_VST3_API activateBus(vst3::MediaType type, vst3::BusDirection dir, vst3::int32 index,
                                             vst3::TBool state) override;
    vst3::tresult KORVO_VST3_API setActive(vst3::TBool state) override;

    // The parameters: the controller's side. The host's UI thread, except
    // where a line says otherwise.
    vst3::int32 KORVO_VST3_API getParameterCount() override;  // any thread
    vst3::tresult KORVO_VST3_API getParameterInfo(vst3::int32 paramIndex, vst3::ParameterInfo& info) override;  // any thread
    vst3::tresult KORVO_VST3_API getParamStringByValue(vst3::ParamID id, vst3::ParamValue valueNormalized,
                                                       vst3::String128 string) override;
    vst3::tresult KORVO_VST3_API getParamValueByString(vst3::ParamID id, vst3::char16* string,
                                                       vst3::ParamValue& valueNormalized) override;
    vst3::ParamValue KORVO_VST3_API normalizedParamToPlain(vst3::ParamID id, vst3::ParamValue value) override;  // any thread
    vst3::ParamValue KORVO_VST3_API plainParamToNormalized(vst3::ParamID id, vst3::ParamValue plain) override;  // any thread
    vst3::ParamValue KORVO_VST3_API getParamNormalized(vst3::ParamID id) override;  // any thread
    vst3::tresult KORVO_VST3_API setParamNormalized(vst3::ParamID id, vst3::ParamValue value) override;
    vst3::tresult KORVO_VST3_API setComponentHandler(vst3::IComponentHandler* handler) override;

    // The state. The host's main thread.
    vst3::tresult setComponentStream(vst3::IBStream* state) override;
    vst3::tresult getComponentStream(vst3::IBStream* state) override;
    vst3::tresult KORVO_VST3_API setComponentState(vst3::IBStream* state) override;
    vst3::tresult setControllerStream(vst3::IBStream* state) override;
    vst3::tresult getControllerStream(vst3::IBStream* state) override;

    // Processing. The host's main thread, but process(): the audio thread.
    vst3::tresult KORVO_VST3_API setBusArrangements(vst3::SpeakerArrangement* inputs, vst3::int32 numIns,
                                                    vst3::SpeakerArrangement* outputs, vst3::int32 numOuts) override;
    vst3::tresult KORVO_VST3_API getBusArrangement(vst3::BusDirection dir, vst3::int32 index,
                                                   vst3::SpeakerArrangement& arr) override;
    vst3::tresult KORVO_VST3_API canProcessSampleSize(vst3::int32 symbolicSampleSize) override;
    vst3::uint32 KORVO_VST3_API getLatencySamples() override;
    vst3::tresult KORVO_VST3_API setupProcessing(vst3::ProcessSetup& setup) override;
    vst3::tresult KORVO_VST3_API setProcessing(vst3::TBool state) override;
    VST_ENTRY_ALIGN vst3::tresult KORVO_VST3_API process(vst3::ProcessData& data) override;  // audio thread
    vst3::uint32 KORVO_VST3_API getTailSamples() override;
    vst3::uint32 KORVO_VST3_API getProcessContextRequirements() override;  // main thread: none needed

    // The editor. The host's UI thread.
    vst3::IPlugView* KORVO_VST3_API createView(vst3::FIDString name) override;

    // For the view: the effect, whose editor it shows, and the gestures it
    // closes. The host's UI thread.
    EffectBase& getEffect() { return *effect; }
    HostCallback& getHostCallback() { return host; }
    void viewGone(EditorView* view);

    EqInstance(const EqInstance&) = delete;
    EqInstance& operator=(const EqInstance&) = delete;

private:
    EqInstance() = default;
    ~EqInstance();

    std::atomic<vst3::uint32> references{1};
    HostCallback host;
    EffectBase* effect = nullptr;
    float defaults[kNumParameters] = {};  // the effect's values as made: the initial program
    EditorView* view = nullptr;           // the open view, not owned (the host holds it)
};

}  // namespace korvo_vst3
