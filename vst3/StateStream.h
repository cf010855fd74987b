// The component's state: the VST 2 module's bank chunk (64 bytes: the
// program's name and its ten values), byte for byte, so that a session moves
// between the faces unchanged, then the effect's records, the bypass among
// them (EqEffect::saveState).
#pragma once

#include "host/EffectBase.h"
#include "vst3/interface/Stream.h"

namespace korvo_vst3 {

class StateStream {
public:
    // The host's main thread. Writes the state whole, in as many writes as
    // the stream takes; false when the stream stops taking bytes. Allocates.
    static bool write(EffectBase& effect, vst3::IBStream* stream);
    // The host's main thread. Reads to the stream's end, in as many reads as
    // it delivers, and loads what it held only when the effect takes it whole
    // (EqEffect::loadState): a stream cut short, or longer than any state,
    // changes nothing. Allocates.
    static bool read(EffectBase& effect, vst3::IBStream* stream);
};

}  // namespace korvo_vst3
