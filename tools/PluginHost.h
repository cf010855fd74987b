// Hosts one plug-in module through the published interface only, as a DAW does:
// loads it by path, creates the effect through its exported entry, answers its
// callbacks, and drives it through the effect record.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "host/VstAbi.h"
#include "tools/PluginLoader.h"

struct AutomationEvent {
    VstInt32 index;
    float value;
};

class PluginHost {
public:
    PluginHost();
    ~PluginHost();

    // Loads the module and creates its effect; false with a one-line reason.
    bool load(const std::string& modulePath, std::string& error);

    AEffect* effect() { return record; }

    // Identity.
    std::string effectName();
    std::string vendorString();
    std::string productString();
    VstInt32 vendorVersion();
    VstInt32 vstVersion();
    VstInt32 uniqueId() const { return record->uniqueID; }
    VstInt32 pluginVersion() const { return record->version; }
    VstInt32 flags() const { return record->flags; }
    VstInt32 numParams() const { return record->numParams; }
    VstInt32 numPrograms() const { return record->numPrograms; }
    VstInt32 numInputs() const { return record->numInputs; }
    VstInt32 numOutputs() const { return record->numOutputs; }
    bool editorSize(int& width, int& height);
    // A request whose meaning the plug-in defines (effVendorSpecific), and its answer.
    VstIntPtr vendorSpecific(VstInt32 index, VstIntPtr value, void* ptr, float opt = 0.0f);

    // Parameters.
    std::string parameterName(VstInt32 index);
    std::string parameterLabel(VstInt32 index);
    std::string parameterDisplay(VstInt32 index);
    float getParameter(VstInt32 index);
    void setParameter(VstInt32 index, float value);
    // The index of the parameter the plug-in calls by this name, or -1.
    VstInt32 findParameter(const std::string& name);

    // Programs and state.
    std::string programName();
    void setProgramName(const std::string& name);
    bool programsAreChunks() const { return (record->flags & effFlagsProgramChunks) != 0; }
    std::vector<unsigned char> getChunk(bool program);
    bool setChunk(const std::vector<unsigned char>& chunk, bool program);

    // Audio. start() announces the rate and the largest block, then switches the
    // effect on; process() runs one block from the inputs to the outputs.
    void start(double sampleRate, VstInt32 maxBlock);
    void process(float* const inputs[2], float* const outputs[2], VstInt32 frames);
    void stop();

    double sampleRate() const { return rate; }
    const std::vector<AutomationEvent>& automation() const { return automated; }

    PluginHost(const PluginHost&) = delete;
    PluginHost& operator=(const PluginHost&) = delete;

private:
    static VstIntPtr VSTCALLBACK callback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                          float opt);
    VstIntPtr answer(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);
    VstIntPtr dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                       float opt = 0.0f);
    std::string text(VstInt32 opcode, VstInt32 index, std::size_t capacity);
    void close();

    std::unique_ptr<PluginLoader> module;
    AEffect* record = nullptr;
    double rate = 44100.0;
    VstInt32 blockSize = 512;
    bool running = false;
    std::vector<AutomationEvent> automated;
};
