// The host the equaliser's effect sees under the CLAP face. The effect was
// written for the VST 2 interface and calls its host through a callback; this
// one answers the version and turns the editor's edits into CLAP gesture
// events: a knob's press (audioMasterBeginEdit) a gesture begin, each value
// (audioMasterAutomate) a param value, the release (audioMasterEndEdit) a
// gesture end. They wait in a GestureQueue until the host takes them from
// process or params.flush, which it is asked for (request_flush). A value that
// comes without a begin opens the gesture itself.
#pragma once

#include "clap/GestureQueue.h"
#include "clap/interface/HostExtensions.h"
#include "eq/Parameters.h"
#include "host/FaceHost.h"

namespace korvo_clap {

class HostCallback : public FaceHost {
public:
    // [main-thread] The host and its parameter requests (null when it has
    // none), from the plug-in's init on.
    void setHost(const clap_host_t* clapHost);

    // The consumer's side, [audio-thread] while active, else [main-thread]:
    // hands the queued events to the host's list at frame 0, in order, until
    // the list refuses one, which stays queued for the next call.
    void deliver(const clap_output_events_t* out);

    // The host's parameter requests, or null.
    const clap_host_params_t* hostParams() const { return params; }

private:
    VstIntPtr answer(VstInt32 opcode, VstInt32 index, float opt) override;  // the editor's thread
    void begin(int index);
    bool send(const Gesture& gesture);  // false when the queue had no room

    GestureQueue gestures;
    const clap_host_t* host = nullptr;
    const clap_host_params_t* params = nullptr;
    bool editing[kNumParameters] = {};  // the editor's thread
};

}  // namespace korvo_clap
