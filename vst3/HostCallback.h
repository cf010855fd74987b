// The host the equaliser's effect sees: the effect was written for the VST 2
// interface and calls its host through a callback. This one answers the few
// questions the effect asks and turns the editor's edits into the VST 3
// host's edit gestures: the editor begins an edit at a knob's press (beginEdit),
// each value follows (performEdit), and the edit ends at the release
// (endEdit). A value that comes without a begin opens the gesture itself, and
// the view's ticks end any gesture whose control is no longer held, so an
// edit never stays open.
#pragma once

#include "eq/Parameters.h"
#include "host/FaceHost.h"
#include "vst3/interface/Controller.h"

namespace korvo_vst3 {

class HostCallback : public FaceHost {
public:
    // The host's UI thread. Holds a reference to the handler until replaced;
    // null ends every open gesture first and lets go.
    void setHandler(vst3::IComponentHandler* newHandler);
    // The host's UI thread: ends the gestures of every parameter but `held`
    // (-1 for none), the one whose control the editor still holds.
    void endGesturesExcept(int held);

    ~HostCallback();

private:
    VstIntPtr answer(VstInt32 opcode, VstInt32 index, float opt) override;  // the editor's thread
    void begin(int index);
    void end(int index);

    vst3::IComponentHandler* handler = nullptr;
    bool editing[kNumParameters] = {};
};

}  // namespace korvo_vst3
