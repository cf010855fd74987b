#include "clap/HostCallback.h"

#include "clap/interface/PluginExtensions.h"

namespace korvo_clap {

void HostCallback::setHost(const clap_host_t* clapHost)
{
    host = clapHost;
    const void* found = host && host->get_extension ? host->get_extension(host, CLAP_EXT_PARAMS) : nullptr;
    params = static_cast<const clap_host_params_t*>(found);
}

VstIntPtr HostCallback::answer(VstInt32 opcode, VstInt32 index, float opt)
{
    if (!isValidParameter(index)) {
        return 0;
    }
    const std::uint32_t id = static_cast<std::uint32_t>(index);
    switch (opcode) {
    case audioMasterBeginEdit:
        begin(index);
        return 1;
    case audioMasterAutomate:
        begin(index);
        if (editing[index]) {
            send({Gesture::Value, id, static_cast<double>(opt)});
        }
        return 1;
    case audioMasterEndEdit:
        if (editing[index]) {
            editing[index] = false;
            send({Gesture::End, id, 0.0});
        }
        return 1;
    default:
        return 0;
    }
}

// A gesture is open only once its begin is queued: a full queue drops the
// begin and the gesture's values and end with it, never an end alone.
void HostCallback::begin(int index)
{
    if (!editing[index]) {
        editing[index] = send({Gesture::Begin, static_cast<std::uint32_t>(index), 0.0});
    }
}

bool HostCallback::send(const Gesture& gesture)
{
    if (!gestures.push(gesture)) {
        return false;
    }
    if (params && params->request_flush) {
        params->request_flush(host);
    }
    return true;
}

void HostCallback::deliver(const clap_output_events_t* out)
{
    if (!out || !out->try_push) {
        return;
    }
    for (const Gesture* gesture = gestures.front(); gesture; gesture = gestures.front()) {
        bool taken = false;
        if (gesture->kind == Gesture::Value) {
            clap_event_param_value_t event{};
            event.header = {sizeof event, 0, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_PARAM_VALUE, CLAP_EVENT_IS_LIVE};
            event.param_id = gesture->parameter;
            event.note_id = -1;
            event.port_index = -1;
            event.channel = -1;
            event.key = -1;
            event.value = gesture->value;
            taken = out->try_push(out, &event.header);
        } else {
            clap_event_param_gesture_t event{};
            const std::uint16_t type = gesture->kind == Gesture::Begin ? CLAP_EVENT_PARAM_GESTURE_BEGIN
                                                                       : CLAP_EVENT_PARAM_GESTURE_END;
            event.header = {sizeof event, 0, CLAP_CORE_EVENT_SPACE_ID, type, CLAP_EVENT_IS_LIVE};
            event.param_id = gesture->parameter;
            taken = out->try_push(out, &event.header);
        }
        if (!taken) {
            return;
        }
        gestures.pop();
    }
}

}  // namespace korvo_clap
