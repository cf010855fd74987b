#include "lv2/EqInstance.h"

#include <cmath>
#include <new>

#include "eq/EqEffect.h"
#include "lv2/PortLayout.h"

namespace korvo_lv2 {

const LV2_Descriptor* EqInstance::descriptor()
{
    static const LV2_Descriptor theDescriptor = {kPluginUri, &instantiate, &connectPort, &activate,
                                                 &run,       &deactivate,  &cleanup,     &extensionData};
    return &theDescriptor;
}

EqInstance::~EqInstance() { delete effect; }

// The bundle's files are the host's to read; the features are not needed. A
// rate the bands cannot be designed for gives no instance.
LV2_Handle EqInstance::instantiate(const LV2_Descriptor*, double rate, const char*, const LV2_Feature* const*)
{
    if (!isUsableRate(rate)) {
        return nullptr;
    }
    const float designRate = static_cast<float>(rate);
    try {
        EqInstance* instance = new (std::nothrow) EqInstance;
        if (!instance) {
            return nullptr;
        }
        instance->rate = designRate;
        if (!instance->renew()) {
            delete instance;
            return nullptr;
        }
        return instance;
    } catch (...) {
        return nullptr;
    }
}

bool EqInstance::renew()
{
    float initial[kNumParameters];
    EffectBase* fresh = makeEffect(initial);
    if (!fresh) {
        return false;
    }
    fresh->setSampleRate(rate);
    delete effect;
    effect = fresh;
    hasRun = false;
    for (bool& k : known) {
        k = false;  // the next run sets every port's value on the new effect
    }
    return true;
}

void EqInstance::connectPort(LV2_Handle handle, std::uint32_t port, void* data)
{
    EqInstance& self = of(handle);
    if (port < static_cast<std::uint32_t>(kNumParameters)) {
        self.controls[port] = static_cast<const float*>(data);
    } else if (port == kLeftInput || port == kRightInput) {
        self.inputs[port - kLeftInput] = static_cast<const float*>(data);
    } else if (port == kLeftOutput || port == kRightOutput) {
        self.outputs[port - kLeftOutput] = static_cast<float*>(data);
    } else if (port == kEnabled) {
        self.enabled = static_cast<const float*>(data);
    }
}

// A reactivated instance starts from rest, as LV2 asks: its effect is made
// anew (the effect has no reset of its bands' histories), unless that fails.
void EqInstance::activate(LV2_Handle handle)
{
    EqInstance& self = of(handle);
    if (self.hasRun) {
        try {
            self.renew();
        } catch (...) {
        }
    }
}

void EqInstance::readControls()
{
    for (int index = 0; index < kNumParameters; ++index) {
        if (!controls[index]) {
            continue;
        }
        const float value = *controls[index];
        if (known[index] && value == applied[index]) {
            continue;
        }
        applied[index] = value;
        known[index] = true;
        if (std::isfinite(value)) {
            effect->setParameter(index, storedFromPlain(index, value));
        }
    }
    // The bypass, at the block's start; an effect yet to run starts where it
    // points, without a fade.
    EqEffect& equaliser = EqEffect::of(*effect);
    equaliser.setBypassed(enabled && *enabled <= 0.0f);
    if (!hasRun) {
        equaliser.settleBypass();
    }
}

// Never waits, locks, allocates or calls the system: the effect's processing
// does none of these. Inputs and outputs may be the same buffers.
void EqInstance::run(LV2_Handle handle, std::uint32_t frames)
{
    EqInstance& self = of(handle);
    self.readControls();
    if (frames == 0 || !self.inputs[0] || !self.inputs[1] || !self.outputs[0] || !self.outputs[1]) {
        return;
    }
    self.hasRun = true;
    float* inputs[2] = {const_cast<float*>(self.inputs[0]), const_cast<float*>(self.inputs[1])};
    float* outputs[2] = {self.outputs[0], self.outputs[1]};
    // The effect takes a signed count: a longer block goes in pieces.
    constexpr std::uint32_t kMostFrames = 0x40000000u;
    while (frames > 0) {
        const std::uint32_t count = frames < kMostFrames ? frames : kMostFrames;
        self.effect->processReplacing(inputs, outputs, static_cast<VstInt32>(count));
        for (int c = 0; c < 2; ++c) {
            inputs[c] += count;
            outputs[c] += count;
        }
        frames -= count;
    }
}

void EqInstance::deactivate(LV2_Handle) {}

void EqInstance::cleanup(LV2_Handle handle) { delete &of(handle); }

// No extension: the control ports are the whole state.
const void* EqInstance::extensionData(const char*) { return nullptr; }

VstIntPtr EqInstance::answer(VstInt32, VstInt32, float) { return 0; }

}  // namespace korvo_lv2
