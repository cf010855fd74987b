// The VST 2 module loaded as a host loads it and driven through its effect
// record: the reference every other face is held to, bit for bit.
#pragma once

#include <string>
#include <vector>

#include "host/VstAbi.h"
#include "tools/PluginLoader.h"

class Vst2Effect {
public:
    // Opened, at the rate, and resumed; `effect` is null when the module
    // could not be loaded (loader.error() says why).
    Vst2Effect(const std::string& modulePath, float rate);
    ~Vst2Effect();

    VstIntPtr dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                       float opt = 0.0f);
    std::string text(VstInt32 opcode, VstInt32 index = 0);
    std::vector<unsigned char> chunk();

    // A value a host sets at a frame of a block.
    struct Change {
        int offset;
        VstInt32 index;
        float value;
    };
    // One block as a VST 2 host runs it for sample-accurate automation: the
    // changes (in time order) set at their frames, the stretches between
    // processed one by one.
    void processCut(float* const* inputs, float* const* outputs, int frames, const std::vector<Change>& changes);

    PluginLoader loader;
    AEffect* effect = nullptr;

    Vst2Effect(const Vst2Effect&) = delete;
    Vst2Effect& operator=(const Vst2Effect&) = delete;
};
