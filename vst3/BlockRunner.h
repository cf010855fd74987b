// One VST 3 block through the effect, sample-accurately: the block is cut at
// every point where a parameter changes (over all the queues, in time order);
// at each cut the changes due there are set on the effect, then the stretch up
// to the next cut is processed. The output is bit for bit what the VST 2
// module gives when its host sets the same values between the same stretches.
#pragma once

#include "host/EffectBase.h"
#include "vst3/interface/Processor.h"

namespace korvo_vst3 {

class BlockRunner {
public:
    // The audio thread. Never waits, locks, allocates or calls the system. A
    // block of 0 samples, or one without both channels of both main buses
    // (a null channel pointer), only sets the changes. Each output channel of
    // exact +0 samples only is flagged silent.
    static void run(EffectBase& effect, vst3::ProcessData& data);

    // The most queues one block may bring; queues past these (a host sends
    // one per parameter changed, at most ten) are set at the block's start.
    static constexpr int kMaxQueues = 32;
};

}  // namespace korvo_vst3
