// The effect base: owns the effect record the host sees, turns the host's
// requests 0 to 24 into virtual operations with harmless defaults, and wraps the
// host services of the core interface. A concrete effect overrides operations;
// it never edits the dispatcher.
#pragma once

#include "host/VstAbi.h"

class EditorBase;

class EffectBase {
public:
    EffectBase(audioMasterCallback hostCallback, VstInt32 numPrograms, VstInt32 numParams);
    virtual ~EffectBase();

    // Requests 0 to 24; host's request thread (normally its UI thread).
    virtual VstIntPtr dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);

    virtual void open();                                        // host's request thread
    virtual void close();                                       // host's request thread
    virtual void suspend();                                     // host's request thread
    virtual void resume();                                      // host's request thread
    virtual void setSampleRate(float rate);                     // host's request thread
    virtual void setBlockSize(VstInt32 size);                   // host's request thread
    virtual void processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames) = 0;         // audio thread
    virtual void processDoubleReplacing(double** inputs, double** outputs, VstInt32 sampleFrames);      // audio thread
    virtual void setParameter(VstInt32 index, float value);     // any thread: host automation or the editor
    virtual float getParameter(VstInt32 index);                 // any thread
    virtual void setParameterAutomated(VstInt32 index, float value);  // the editor's UI thread
    virtual VstInt32 getProgram();                              // host's request thread
    virtual void setProgram(VstInt32 program);                  // host's request thread
    virtual void setProgramName(char* name);                    // host's request thread
    virtual void getProgramName(char* name);                    // host's request thread
    virtual void getParameterLabel(VstInt32 index, char* label);      // host's request thread
    virtual void getParameterDisplay(VstInt32 index, char* text);     // host's request thread
    virtual void getParameterName(VstInt32 index, char* text);        // host's request thread
    virtual VstInt32 getChunk(void** data, bool isPreset);            // host's request thread
    virtual VstInt32 setChunk(void* data, VstInt32 byteSize, bool isPreset);  // host's request thread
    virtual void setUniqueID(VstInt32 id);                      // construction
    virtual void setNumInputs(VstInt32 inputs);                 // construction
    virtual void setNumOutputs(VstInt32 outputs);               // construction
    virtual void canProcessReplacing(bool state);               // construction
    virtual void canDoubleReplacing(bool state);                // construction
    virtual void programsAreChunks(bool state);                 // construction
    virtual void setInitialDelay(VstInt32 delay);               // construction
    virtual EditorBase* getEditor();                            // any thread
    virtual AEffect* getEffectRecord();                         // any thread
    virtual float getSampleRate();                              // any thread
    virtual VstInt32 getBlockSize();                            // any thread
    virtual VstInt32 getMasterVersion();                        // host's request thread
    virtual VstInt32 getCurrentUniqueId();                      // host's request thread
    virtual void masterIdle();                                  // host's UI thread
    virtual void dbToString(float value, char* text, VstInt32 maxLen);     // any thread
    virtual void hzToString(float samples, char* text, VstInt32 maxLen);   // any thread
    virtual void msToString(float samples, char* text, VstInt32 maxLen);   // any thread
    virtual void floatToString(float value, char* text, VstInt32 maxLen);  // any thread
    virtual void intToString(VstInt32 value, char* text, VstInt32 maxLen); // any thread
    virtual void process(float** inputs, float** outputs, VstInt32 sampleFrames);  // audio thread
    virtual float getVu();                                      // host's request thread
    virtual void hasVu(bool state);                             // construction
    virtual void hasClip(bool state);                           // construction
    virtual void canMono(bool state);                           // construction
    virtual void setRealtimeQualities(VstInt32 qualities);      // construction
    virtual void setOfflineQualities(VstInt32 qualities);       // construction
    virtual bool isInputConnected(VstInt32 input);              // host's request thread
    virtual bool isOutputConnected(VstInt32 output);            // host's request thread

    // Takes ownership of the editor and tells the host whether there is one.
    void setEditor(EditorBase* newEditor);

    EffectBase(const EffectBase&) = delete;
    EffectBase& operator=(const EffectBase&) = delete;

protected:
    // Calls the host, or answers `fallback` when there is no host callback.
    VstIntPtr callHost(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt,
                       VstIntPtr fallback);
    void setFlag(VstInt32 flag, bool state);

    audioMasterCallback hostCallback;
    EditorBase* editor;
    float sampleRate;
    VstInt32 blockSize;
    VstInt32 numPrograms;
    VstInt32 numParams;
    VstInt32 curProgram;
    AEffect effectRecord;
};

// Builds the plug-in's one concrete effect, or answers null when it cannot be allocated.
EffectBase* createEffect(audioMasterCallback hostCallback);
