// One CLAP block through the effect, sample-accurately: the host's events come
// in time order, and the block is cut at each parameter value's frame: the
// stretch before it is processed, then the value is set on the effect. The
// output is bit for bit what the VST 2 module gives when its host sets the
// same values between the same stretches.
#pragma once

#include "clap/interface/Process.h"
#include "host/EffectBase.h"

namespace korvo_clap {

class BlockRunner {
public:
    // [audio-thread] Never waits, locks, allocates or calls the system. Each
    // output channel of exact +0 samples only is marked constant. An error
    // when there are frames but no stereo 32-bit buffers (the values are set
    // all the same).
    static clap_process_status run(EffectBase& effect, const clap_process_t& process);

    // [active ? audio-thread : main-thread] Sets every parameter value of the
    // list on the effect, in order, with no audio (params.flush).
    static void apply(EffectBase& effect, const clap_input_events_t* events);
};

}  // namespace korvo_clap
