// A host callback that records every call the plug-in makes and answers as a
// simple host would. One recorder serves the whole test program.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "host/VstAbi.h"

struct HostCall {
    AEffect* effect;
    VstInt32 opcode;
    VstInt32 index;
    VstIntPtr value;
    void* ptr;
    float opt;
};

class RecordingHost {
public:
    static RecordingHost& instance();

    // The callback to hand to a plug-in.
    static VstIntPtr VSTCALLBACK callback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                          void* ptr, float opt);

    // Forget the calls so far and go back to the default answers.
    void reset();
    std::vector<HostCall> calls();
    std::vector<HostCall> callsOf(VstInt32 opcode);
    // The edit calls so far, in order: "B3" a begin of parameter 3, "A3" an
    // automated value, "E3" an end, separated by spaces.
    std::string editCalls();

    VstIntPtr versionAnswer = 2400;
    VstIntPtr sampleRateAnswer = 44100;
    VstIntPtr blockSizeAnswer = 512;
    VstIntPtr sizeWindowAnswer = 0;  // audioMasterSizeWindow: refused

private:
    std::mutex lock;
    std::vector<HostCall> recorded;
};
