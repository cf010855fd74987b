#include "host/FaceHost.h"

EffectBase* FaceHost::makeEffect(float (&initialValues)[kNumParameters])
{
    // Null, as from the VST 2 entry, when its program store cannot be had.
    EffectBase* effect = createEffect(&FaceHost::callback);
    if (!effect) {
        return nullptr;
    }
    effect->getEffectRecord()->user = this;
    for (int index = 0; index < kNumParameters; ++index) {
        initialValues[index] = effect->getParameter(index);
    }
    return effect;
}

VstIntPtr VSTCALLBACK FaceHost::callback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr, void*,
                                         float opt)
{
    if (opcode == audioMasterVersion) {
        return kVstVersion;
    }
    FaceHost* host = effect ? static_cast<FaceHost*>(effect->user) : nullptr;
    return host ? host->answer(opcode, index, opt) : 0;
}
