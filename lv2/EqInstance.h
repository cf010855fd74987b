// One equaliser as an LV2 host sees it: the descriptor's entries over the
// equaliser's effect, the object the VST 2 module hands its hosts, made the
// same way (createEffect, through FaceHost) and reached through its public
// operations only. The control ports carry the whole state: each run() reads
// them as `korvo --set` reads a number (storedFromPlain) and sets the values
// that changed. No feature is required and none is used. Each entry's line
// names its LV2 threading class: a class's functions never run at once, and an
// instantiation-class function never runs at once with any other for the
// same instance.
#pragma once

#include <lv2/core/lv2.h>

#include "eq/Parameters.h"
#include "host/EffectBase.h"
#include "host/FaceHost.h"

namespace korvo_lv2 {

class EqInstance final : public FaceHost {
public:
    // Discovery class: the plug-in's one descriptor.
    static const LV2_Descriptor* descriptor();

private:
    EqInstance() = default;
    ~EqInstance();
    static EqInstance& of(LV2_Handle handle) { return *static_cast<EqInstance*>(handle); }

    static LV2_Handle instantiate(const LV2_Descriptor* descriptor, double rate, const char* bundlePath,
                                  const LV2_Feature* const* features);  // instantiation class
    static void connectPort(LV2_Handle handle, std::uint32_t port, void* data);  // audio class
    static void activate(LV2_Handle handle);                                    // instantiation class
    static void run(LV2_Handle handle, std::uint32_t frames);                   // audio class
    static void deactivate(LV2_Handle handle);                                  // instantiation class
    static void cleanup(LV2_Handle handle);                                     // instantiation class
    static const void* extensionData(const char* uri);                          // discovery class

    // The effect's requests (only its editor makes any, and the DSP binary
    // opens none): nothing to answer.
    VstIntPtr answer(VstInt32 opcode, VstInt32 index, float opt) override;

    // A new effect at the instance's rate, in place of the current one; false
    // (and the current one kept) when it cannot be made. Instantiation class.
    bool renew();
    // Audio class: the control ports' values that changed since the last run,
    // set on the effect.
    void readControls();

    EffectBase* effect = nullptr;
    float rate = 0.0f;
    bool hasRun = false;  // whether the effect has processed since it was made
    const float* controls[kNumParameters] = {};
    float applied[kNumParameters] = {};  // the port values last set on the effect
    bool known[kNumParameters] = {};     // whether applied[] holds one
    const float* enabled = nullptr;      // the bypass port: 0 or less bypassed, else processing
    const float* inputs[2] = {};
    float* outputs[2] = {};
};

}  // namespace korvo_lv2
