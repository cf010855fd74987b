// The host the equaliser's effect sees under a face of another format (VST 3,
// CLAP). The effect was written for the VST 2 interface and calls its host
// through a callback; this base makes the effect as the VST 2 entry makes it,
// answers the version itself and hands every other request to the face's own
// answer(), which finds its object through the effect record's user field.
#pragma once

#include "eq/Parameters.h"
#include "host/EffectBase.h"

class FaceHost {
public:
    // The effect, calling this object back, and its values as made (the
    // initial program) in `initialValues`; null when it cannot be made. The
    // caller owns it. The thread that builds the face's instance.
    EffectBase* makeEffect(float (&initialValues)[kNumParameters]);

protected:
    FaceHost() = default;
    ~FaceHost() = default;
    FaceHost(const FaceHost&) = delete;
    FaceHost& operator=(const FaceHost&) = delete;

    // The effect's requests but audioMasterVersion, on the thread that makes
    // them (the editor's, for its edits).
    virtual VstIntPtr answer(VstInt32 opcode, VstInt32 index, float opt) = 0;

private:
    static VstIntPtr VSTCALLBACK callback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                          void* ptr, float opt);
};
