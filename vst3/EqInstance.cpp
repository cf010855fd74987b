#include "vst3/EqInstance.h"

#include <cstring>
#include <new>

#include "eq/SilenceTail.h"
#include "vst3/BlockRunner.h"
#include "vst3/EditorView.h"
#include "vst3/ParameterMap.h"
#include "vst3/StateStream.h"

namespace korvo_vst3 {

using namespace vst3;

// ---- The instance -------------------------------------------------------------

EqInstance* EqInstance::create()
{
    EqInstance* instance = new (std::nothrow) EqInstance;
    if (!instance) {
        return nullptr;
    }
    instance->effect = instance->host.makeEffect(instance->defaults);
    if (!instance->effect) {
        delete instance;
        return nullptr;
    }
    return instance;
}

EqInstance::~EqInstance()
{
    host.setHandler(nullptr);
    delete effect;
}

tresult EqInstance::queryInterface(const TUID wanted, void** object)
{
    if (!object) {
        return kInvalidArgument;
    }
    void* found = nullptr;
    if (sameUid(wanted, FUnknown::iid) || sameUid(wanted, IPluginBase::iid) || sameUid(wanted, IComponent::iid)) {
        found = static_cast<IComponent*>(this);
    } else if (sameUid(wanted, IAudioProcessor::iid)) {
        found = static_cast<IAudioProcessor*>(this);
    } else if (sameUid(wanted, IProcessContextRequirements::iid)) {
        found = static_cast<IProcessContextRequirements*>(this);
    } else if (sameUid(wanted, IEditController::iid)) {
        found = static_cast<IEditController*>(this);
    }
    *object = found;
    if (!found) {
        return kNoInterface;
    }
    addRef();
    return kResultOk;
}

uint32 EqInstance::addRef() { return references.fetch_add(1, std::memory_order_relaxed) + 1; }

uint32 EqInstance::release()
{
    const uint32 left = references.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (left == 0) {
        delete this;
    }
    return left;
}

// The component and the controller are one object, so the host may initialise
// it through either face, or both.
tresult EqInstance::initialize(FUnknown*) { return kResultOk; }

tresult EqInstance::terminate()
{
    host.setHandler(nullptr);
    return kResultOk;
}

// ---- The component: buses and activation ----------------------------------------

// No separate controller class: the host asks this object for IEditController.
tresult EqInstance::getControllerClassId(TUID) { return kNotImplemented; }

tresult EqInstance::setIoMode(IoMode) { return kResultOk; }

int32 EqInstance::getBusCount(MediaType type, BusDirection) { return type == kAudio ? 1 : 0; }

tresult EqInstance::getBusInfo(MediaType type, BusDirection dir, int32 index, BusInfo& bus)
{
    if (type != kAudio || index != 0 || (dir != kInput && dir != kOutput)) {
        return kInvalidArgument;
    }
    std::memset(&bus, 0, sizeof bus);
    bus.mediaType = kAudio;
    bus.direction = dir;
    bus.channelCount = 2;
    ParameterMap::copyUtf16(bus.name, dir == kInput ? "Stereo In" : "Stereo Out");
    bus.busType = kMain;
    bus.flags = BusInfo::kDefaultActive;
    return kResultOk;
}

tresult EqInstance::getRoutingInfo(RoutingInfo&, RoutingInfo&) { return kNotImplemented; }

tresult EqInstance::activateBus(MediaType type, BusDirection dir, int32 index, TBool)
{
    return type == kAudio && index == 0 && (dir == kInput || dir == kOutput) ? kResultOk : kInvalidArgument;
}

tresult EqInstance::setActive(TBool) { return kResultOk; }

// ---- Parameters ------------------------------------------------------------------

// The ten parameters, then the bypass.
int32 EqInstance::getParameterCount() { return kNumParameters + 1; }

tresult EqInstance::getParameterInfo(int32 paramIndex, vst3::ParameterInfo& info)
{
    if (paramIndex == kNumParameters) {
        ParameterMap::describeBypass(info);
        return kResultOk;
    }
    if (paramIndex < 0 || paramIndex >= kNumParameters) {
        return kInvalidArgument;
    }
    return ParameterMap::describe(paramIndex, defaults[paramIndex], info) ? kResultOk : kInvalidArgument;
}

tresult EqInstance::getParamStringByValue(ParamID id, ParamValue valueNormalized, String128 string)
{
    return ParameterMap::text(id, valueNormalized, effect->getSampleRate(), string) ? kResultOk : kInvalidArgument;
}

tresult EqInstance::getParamValueByString(ParamID id, char16* string, ParamValue& valueNormalized)
{
    try {
        return ParameterMap::value(id, string, effect->getSampleRate(), valueNormalized) ? kResultOk : kResultFalse;
    } catch (...) {
        return kOutOfMemory;
    }
}

ParamValue EqInstance::normalizedParamToPlain(ParamID id, ParamValue value) { return ParameterMap::toPlain(id, value); }

ParamValue EqInstance::plainParamToNormalized(ParamID id, ParamValue plain)
{
    return ParameterMap::toNormalised(id, plain);
}

ParamValue EqInstance::getParamNormalized(ParamID id) { return ParameterMap::get(*effect, id); }

// The controller's value is the effect's: the editor shows it at its next
// tick. The host sends the same value to the processor in its blocks too.
tresult EqInstance::setParamNormalized(ParamID id, ParamValue value)
{
    return ParameterMap::set(*effect, id, value) ? kResultOk : kInvalidArgument;
}

tresult EqInstance::setComponentHandler(IComponentHandler* handler)
{
    host.setHandler(handler);
    return kResultOk;
}

// ---- State ----------------------------------------------------------------------

tresult EqInstance::setComponentStream(IBStream* state)
{
    try {
        return StateStream::read(*effect, state) ? kResultOk : kResultFalse;
    } catch (...) {
        return kInternalError;
    }
}

tresult EqInstance::getComponentStream(IBStream* state)
{
    try {
        return StateStream::write(*effect, state) ? kResultOk : kResultFalse;
    } catch (...) {
        return kInternalError;
    }
}

// The controller shows the component's own values, so its state is the same.
tresult EqInstance::setComponentState(IBStream* state) { return setComponentStream(state); }

// The controller keeps nothing of its own: everything is in the component's state.
tresult EqInstance::setControllerStream(IBStream*) { return kResultOk; }
tresult EqInstance::getControllerStream(IBStream*) { return kResultOk; }

// ---- Processing -----------------------------------------------------------------

tresult EqInstance::setBusArrangements(SpeakerArrangement* inputs, int32 numIns, SpeakerArrangement* outputs,
                                       int32 numOuts)
{
    const bool stereo = numIns == 1 && numOuts == 1 && inputs && outputs && inputs[0] == kStereo &&
                        outputs[0] == kStereo;
    return stereo ? kResultTrue : kResultFalse;
}

tresult EqInstance::getBusArrangement(BusDirection dir, int32 index, SpeakerArrangement& arr)
{
    if (index != 0 || (dir != kInput && dir != kOutput)) {
        return kInvalidArgument;
    }
    arr = kStereo;
    return kResultOk;
}

tresult EqInstance::canProcessSampleSize(int32 symbolicSampleSize)
{
    return symbolicSampleSize == kSample32 ? kResultTrue : kResultFalse;
}

uint32 EqInstance::getLatencySamples() { return 0; }

// A rate the bands cannot be designed for is refused, and the setup before
// stays in force.
tresult EqInstance::setupProcessing(ProcessSetup& setup)
{
    if (!isUsableRate(setup.sampleRate)) {
        return kInvalidArgument;
    }
    if (setup.symbolicSampleSize != kSample32) {
        return kResultFalse;
    }
    effect->setSampleRate(static_cast<float>(setup.sampleRate));
    return kResultOk;
}

tresult EqInstance::setProcessing(TBool) { return kResultOk; }

tresult EqInstance::process(ProcessData& data)
{
    if (data.symbolicSampleSize != kSample32) {
        return kResultFalse;
    }
    BlockRunner::run(*effect, data);
    return kResultOk;
}

// The silence handling's own answer at the effect's rate, as the CLAP face
// gives it: once the input is silent, a tail ends in exact zeros within these
// frames (eq/SilenceTail.h), after which the host may stop calling.
uint32 EqInstance::getTailSamples() { return SilenceTail::reportedFrames(effect->getSampleRate()); }

// The equaliser reads nothing of the transport, tempo or time.
uint32 EqInstance::getProcessContextRequirements() { return 0; }

// ---- The editor -------------------------------------------------------------------

// The effect's one editor, in one view at a time.
IPlugView* EqInstance::createView(FIDString name)
{
    if (!name || std::strcmp(name, kViewTypeEditor) != 0 || view || !effect->getEditor()) {
        return nullptr;
    }
    view = new (std::nothrow) EditorView(*this);
    return view;
}

void EqInstance::viewGone(EditorView* gone)
{
    if (view == gone) {
        view = nullptr;
    }
}

}  // namespace korvo_vst3
