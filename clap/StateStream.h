// The plug-in's state under CLAP: the VST 2 module's bank chunk (64 bytes: the
// program's name and its ten values), byte for byte, as the VST 3 face saves
// it, so that a session or preset moves between the faces unchanged.
#pragma once

#include "clap/interface/Stream.h"
#include "host/EffectBase.h"

namespace korvo_clap {

class StateStream {
public:
    // [main-thread] Writes the chunk whole, in as many writes as the stream
    // takes; false when the stream stops taking bytes.
    static bool write(EffectBase& effect, const clap_ostream_t* stream);
    // [main-thread] Reads until the chunk has come or the stream ends (it may
    // deliver a byte at a time), and loads it only when the stream held
    // exactly the chunk and the effect takes it: anything else changes nothing.
    static bool read(EffectBase& effect, const clap_istream_t* stream);
};

}  // namespace korvo_clap
