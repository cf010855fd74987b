// The component's state: the VST 2 module's bank chunk (64 bytes: the
// program's name and its ten values), byte for byte, so that a session moves
// between the two faces unchanged.
#pragma once

#include "host/EffectBase.h"
#include "vst3/interface/Stream.h"

namespace korvo_vst3 {

class StateStream {
public:
    // The host's main thread. Writes the chunk whole, in as many writes as the
    // stream takes; false when the stream stops taking bytes.
    static bool write(EffectBase& effect, vst3::IBStream* stream);
    // The host's main thread. Reads the chunk, in as many reads as the stream
    // delivers, and loads it only when the stream held exactly the chunk: a
    // stream shorter or longer changes nothing.
    static bool read(EffectBase& effect, vst3::IBStream* stream);
};

}  // namespace korvo_vst3
