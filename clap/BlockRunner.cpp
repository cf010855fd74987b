#include "clap/BlockRunner.h"

#include "eq/Parameters.h"
#include "clap/ParameterMap.h"
#include "eq/StereoBuffers.h"

namespace korvo_clap {

namespace {

std::uint32_t eventCount(const clap_input_events_t* events)
{
    return events && events->size && events->get ? events->size(events) : 0;
}

// The list's event at `index` when it sets one of the ten parameters or the bypass, else null.
const clap_event_param_value_t* parameterValue(const clap_input_events_t* events, std::uint32_t index)
{
    const clap_event_header_t* header = events->get(events, index);
    if (!header || header->space_id != CLAP_CORE_EVENT_SPACE_ID || header->type != CLAP_EVENT_PARAM_VALUE ||
        header->size < sizeof(clap_event_param_value_t)) {
        return nullptr;
    }
    const auto* change = reinterpret_cast<const clap_event_param_value_t*>(header);
    return change->param_id < static_cast<clap_id>(kNumParameters) || change->param_id == ParameterMap::kBypassId
               ? change
               : nullptr;
}

void set(EffectBase& effect, const clap_event_param_value_t& change)
{
    ParameterMap::set(effect, change.param_id, change.value);
}

bool isStereo32(const clap_audio_buffer_t* buffers, std::uint32_t count)
{
    return count >= 1 && buffers && buffers[0].channel_count >= 2 && buffers[0].data32 && buffers[0].data32[0] &&
           buffers[0].data32[1];
}

// Frames `from` to `to` of the block.
void runStretch(EffectBase& effect, float** inputs, float** outputs, std::int32_t from, std::int32_t to)
{
    float* in[2] = {inputs[0] + from, inputs[1] + from};
    float* out[2] = {outputs[0] + from, outputs[1] + from};
    effect.processReplacing(in, out, to - from);
}

}  // namespace

void BlockRunner::apply(EffectBase& effect, const clap_input_events_t* events)
{
    const std::uint32_t count = eventCount(events);
    for (std::uint32_t i = 0; i < count; ++i) {
        if (const clap_event_param_value_t* change = parameterValue(events, i)) {
            set(effect, *change);
        }
    }
}

clap_process_status BlockRunner::run(EffectBase& effect, const clap_process_t& process)
{
    const std::int32_t frames = process.frames_count > 0x7FFFFFFFu ? 0x7FFFFFFF
                                                                   : static_cast<std::int32_t>(process.frames_count);
    const bool hasAudio = frames > 0 && isStereo32(process.audio_inputs, process.audio_inputs_count) &&
                          isStereo32(process.audio_outputs, process.audio_outputs_count);
    float** inputs = hasAudio ? process.audio_inputs[0].data32 : nullptr;
    float** outputs = hasAudio ? process.audio_outputs[0].data32 : nullptr;

    std::int32_t position = 0;
    const std::uint32_t count = eventCount(process.in_events);
    for (std::uint32_t i = 0; i < count; ++i) {
        const clap_event_param_value_t* change = parameterValue(process.in_events, i);
        if (!change) {
            continue;
        }
        // The stretch up to the change's frame (one past the block: set at its end).
        const std::uint32_t time = change->header.time;
        const std::int32_t at = time < static_cast<std::uint32_t>(frames) ? static_cast<std::int32_t>(time) : frames;
        if (at > position) {
            if (hasAudio) {
                runStretch(effect, inputs, outputs, position, at);
            }
            position = at;
        }
        set(effect, *change);
    }
    if (!hasAudio) {
        return frames > 0 ? CLAP_PROCESS_ERROR : CLAP_PROCESS_CONTINUE;
    }
    if (position == 0) {
        // Nothing changed inside the block: one stretch, as most blocks are,
        // on the host's own channel lists (a copy made just now can stall the read).
        effect.processReplacing(inputs, outputs, frames);
    } else if (position < frames) {
        runStretch(effect, inputs, outputs, position, frames);
    }

    std::uint64_t constant = 0;
    for (int channel = 0; channel < 2; ++channel) {
        if (StereoBuffers::isPositiveZero(outputs[channel], frames)) {
            constant |= std::uint64_t{1} << channel;
        }
    }
    process.audio_outputs[0].constant_mask = constant;
    // The tail extension tells the host how long the output may ring once the
    // input is silent; after that it is exact zero, and the host may stop calling.
    return CLAP_PROCESS_TAIL;
}

}  // namespace korvo_clap
