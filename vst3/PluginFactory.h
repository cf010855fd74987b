// The module's factory: one class, the equaliser, whose instances are at once
// its component, its processor and its edit controller.
#pragma once

#include "vst3/interface/Factory.h"

namespace korvo_vst3 {

class PluginFactory : public vst3::IPluginFactory2 {
public:
    // The module's one factory, which lives as long as the module is loaded.
    static PluginFactory& instance();

    vst3::tresult KORVO_VST3_API queryInterface(const vst3::TUID wanted, void** object) override;  // any thread
    vst3::uint32 KORVO_VST3_API addRef() override;                                            // any thread
    vst3::uint32 KORVO_VST3_API release() override;                                           // any thread
    vst3::tresult KORVO_VST3_API getFactoryInfo(vst3::PFactoryInfo* info) override;           // any thread
    vst3::int32 KORVO_VST3_API countClasses() override;                                       // any thread
    vst3::tresult KORVO_VST3_API getClassInfo(vst3::int32 index, vst3::PClassInfo* info) override;    // any thread
    vst3::tresult KORVO_VST3_API getClassInfo2(vst3::int32 index, vst3::PClassInfo2* info) override;  // any thread
    // The host's main thread.
    vst3::tresult KORVO_VST3_API createInstance(vst3::FIDString cid, vst3::FIDString wanted, void** object) override;
};

}  // namespace korvo_vst3
