// The plug-in's state under CLAP: the VST 2 module's bank chunk (64 bytes: the
// program's name and its ten values), byte for byte, then the effect's
// records, the bypass among them (EqEffect::saveState), as the VST 3 face
// saves it, so that a session or preset moves between the faces unchanged.
#pragma once

#include "clap/interface/Stream.h"
#include "host/EffectBase.h"

namespace korvo_clap {

class StateStream {
public:
    // [main-thread] Writes the state whole, in as many writes as the stream
    // takes; false when the stream stops taking bytes. Allocates.
    static bool write(EffectBase& effect, const clap_ostream_t* stream);
    // [main-thread] Reads until the stream ends (it may deliver a byte at a
    // time), and loads what it held only when the effect takes it whole
    // (EqEffect::loadState): anything else changes nothing. Allocates.
    static bool read(EffectBase& effect, const clap_istream_t* stream);
};

}  // namespace korvo_clap
