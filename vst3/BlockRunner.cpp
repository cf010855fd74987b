#include "vst3/BlockRunner.h"

#include "eq/Parameters.h"
#include "eq/StereoBuffers.h"
#include "vst3/ParameterMap.h"

namespace korvo_vst3 {

using namespace vst3;

namespace {

// Where one queue has got to: its next point, and that point's offset clamped
// to the block.
struct Cursor {
    IParamValueQueue* queue;
    VstInt32 index;
    int32 count;
    int32 offset;
    ParamValue value;
};

// Loads the cursor's next point; false when the queue has no more.
bool loadPoint(Cursor& cursor, int32 numSamples)
{
    while (cursor.index < cursor.count) {
        int32 offset = 0;
        ParamValue value = 0.0;
        if (cursor.queue->getPoint(cursor.index, offset, value) == kResultOk) {
            cursor.offset = offset < 0 ? 0 : (offset > numSamples ? numSamples : offset);
            cursor.value = value;
            return true;
        }
        ++cursor.index;
    }
    return false;
}

// Whether the bus brings two channels of 32-bit samples, neither missing.
bool isStereo(const AudioBusBuffers& bus)
{
    return bus.numChannels >= 2 && bus.channelBuffers32 && bus.channelBuffers32[0] && bus.channelBuffers32[1];
}

}  // namespace

void BlockRunner::run(EffectBase& effect, ProcessData& data)
{
    const int32 numSamples = data.numSamples > 0 ? data.numSamples : 0;

    Cursor cursors[kMaxQueues];
    int used = 0;
    IParameterChanges* changes = data.inputParameterChanges;
    const int32 queues = changes ? changes->getParameterCount() : 0;
    for (int32 q = 0; q < queues; ++q) {
        IParamValueQueue* queue = changes->getParameterData(q);
        if (!queue || !(isValidParameter(static_cast<std::int32_t>(queue->getParameterId())) ||
                        queue->getParameterId() == ParameterMap::kBypassId)) {
            continue;
        }
        Cursor cursor{queue, 0, queue->getPointCount(), 0, 0.0};
        if (used < kMaxQueues) {
            if (loadPoint(cursor, numSamples)) {
                cursors[used++] = cursor;
            }
            continue;
        }
        // Past the cursors' room: the queue's last value, at the start.
        int32 offset = 0;
        ParamValue value = 0.0;
        if (cursor.count > 0 && queue->getPoint(cursor.count - 1, offset, value) == kResultOk) {
            ParameterMap::set(effect, queue->getParameterId(), value);
        }
    }

    // Audio only where both main buses bring both channels: a missing channel
    // (a null pointer among them) skips the block's audio, which is neither
    // read nor written; the changes are set all the same.
    const bool hasAudio = numSamples > 0 && data.numInputs > 0 && data.numOutputs > 0 && data.inputs &&
                          data.outputs && isStereo(data.inputs[0]) && isStereo(data.outputs[0]);
    float* inputs[2] = {nullptr, nullptr};
    float* outputs[2] = {nullptr, nullptr};
    if (hasAudio) {
        inputs[0] = data.inputs[0].channelBuffers32[0];
        inputs[1] = data.inputs[0].channelBuffers32[1];
        outputs[0] = data.outputs[0].channelBuffers32[0];
        outputs[1] = data.outputs[0].channelBuffers32[1];
    }

    int32 position = 0;
    if (used == 0 && hasAudio) {
        // Nothing changes inside the block: one stretch, as most blocks are,
        // on the host's own channel lists (written long before, so reading
        // them costs nothing; a copy made just now can stall the read).
        effect.processReplacing(data.inputs[0].channelBuffers32, data.outputs[0].channelBuffers32, numSamples);
        position = numSamples;
    }
    for (;;) {
        // The changes due here, then the next cut.
        int32 next = numSamples;
        for (int c = 0; c < used; ++c) {
            Cursor& cursor = cursors[c];
            while (cursor.index < cursor.count && cursor.offset <= position) {
                ParameterMap::set(effect, cursor.queue->getParameterId(), cursor.value);
                ++cursor.index;
                if (!loadPoint(cursor, numSamples)) {
                    break;
                }
            }
            if (cursor.index < cursor.count && cursor.offset < next) {
                next = cursor.offset;
            }
        }
        if (position >= numSamples) {
            break;
        }
        if (hasAudio) {
            float* in[2] = {inputs[0] + position, inputs[1] + position};
            float* out[2] = {outputs[0] + position, outputs[1] + position};
            effect.processReplacing(in, out, next - position);
        }
        position = next;
    }

    if (hasAudio) {
        std::uint64_t silent = 0;
        for (int channel = 0; channel < 2; ++channel) {
            if (StereoBuffers::isPositiveZero(outputs[channel], numSamples)) {
                silent |= std::uint64_t{1} << channel;
            }
        }
        data.outputs[0].silenceFlags = silent;
    }
}

}  // namespace korvo_vst3
