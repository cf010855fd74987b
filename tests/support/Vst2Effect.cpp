#include "tests/support/Vst2Effect.h"

#include "tests/support/RecordingHost.h"

Vst2Effect::Vst2Effect(const std::string& modulePath, float rate) : loader(modulePath)
{
    auto entry = loader.entry("VSTPluginMain");
    effect = entry ? entry(&RecordingHost::callback) : nullptr;
    if (effect) {
        dispatch(effOpen);
        dispatch(effSetSampleRate, 0, 0, nullptr, rate);
        dispatch(effMainsChanged, 0, 1);
    }
}

Vst2Effect::~Vst2Effect()
{
    if (effect) {
        dispatch(effClose);
    }
}

VstIntPtr Vst2Effect::dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt)
{
    return effect->dispatcher(effect, opcode, index, value, ptr, opt);
}

std::string Vst2Effect::text(VstInt32 opcode, VstInt32 index)
{
    char buffer[256] = {};
    dispatch(opcode, index, 0, buffer);
    return buffer;
}

std::vector<unsigned char> Vst2Effect::chunk()
{
    void* data = nullptr;
    const VstIntPtr size = dispatch(effGetChunk, 0, 0, &data);
    const auto* bytes = static_cast<const unsigned char*>(data);
    return std::vector<unsigned char>(bytes, bytes + size);
}

void Vst2Effect::processCut(float* const* inputs, float* const* outputs, int frames, const std::vector<Change>& changes)
{
    std::size_t next = 0;
    int position = 0;
    while (position < frames) {
        while (next < changes.size() && changes[next].offset <= position) {
            effect->setParameter(effect, changes[next].index, changes[next].value);
            ++next;
        }
        const int end = next < changes.size() && changes[next].offset < frames ? changes[next].offset : frames;
        float* in[2] = {inputs[0] + position, inputs[1] + position};
        float* out[2] = {outputs[0] + position, outputs[1] + position};
        effect->processReplacing(effect, in, out, end - position);
        position = end;
    }
    for (; next < changes.size(); ++next) {
        effect->setParameter(effect, changes[next].index, changes[next].value);
    }
}
