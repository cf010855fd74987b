// The extended effect base: serves the host's requests 25 to 79 itself, hands all
// others to the core dispatcher, and wraps the host services of the later
// interface versions. Adds no data.
#pragma once

#include "host/EffectBase.h"

struct VstPatchChunkInfo;

class EffectBaseX : public EffectBase {
public:
    EffectBaseX(audioMasterCallback hostCallback, VstInt32 numPrograms, VstInt32 numParams);

    // Requests 25 to 79, else the core dispatcher; host's request thread.
    VstIntPtr dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) override;

    virtual bool canBeAutomated(VstInt32 index);                                   // host's request thread
    virtual bool string2Parameter(VstInt32 index, char* text);                     // host's request thread
    virtual bool getParameterProperties(VstInt32 index, VstParameterProperties* p);  // host's request thread
    virtual bool beginEdit(VstInt32 index);                                        // host service, UI thread
    virtual bool endEdit(VstInt32 index);                                          // host service, UI thread
    virtual bool getProgramNameIndexed(VstInt32 category, VstInt32 index, char* text);  // host's request thread
    virtual bool beginSetProgram();                                                // host's request thread
    virtual bool endSetProgram();                                                  // host's request thread
    virtual VstInt32 beginLoadBank(VstPatchChunkInfo* info);                       // host's request thread
    virtual VstInt32 beginLoadProgram(VstPatchChunkInfo* info);                    // host's request thread
    virtual bool ioChanged();                                                      // host service
    virtual float updateSampleRate();                                              // host service
    virtual VstInt32 updateBlockSize();                                            // host service
    virtual VstInt32 getInputLatency();                                            // host service
    virtual VstInt32 getOutputLatency();                                           // host service
    virtual bool getInputProperties(VstInt32 index, VstPinProperties* properties);   // host's request thread
    virtual bool getOutputProperties(VstInt32 index, VstPinProperties* properties);  // host's request thread
    virtual bool setSpeakerArrangement(VstSpeakerArrangement* input, VstSpeakerArrangement* output);  // request thread
    virtual bool getSpeakerArrangement(VstSpeakerArrangement** input, VstSpeakerArrangement** output);  // request thread
    virtual bool setBypass(bool onOff);                                            // host's request thread
    virtual bool setPanLaw(VstInt32 type, float value);                            // host's request thread
    virtual bool setProcessPrecision(VstInt32 precision);                          // host's request thread
    virtual VstInt32 getNumMidiInputChannels();                                    // host's request thread
    virtual VstInt32 getNumMidiOutputChannels();                                   // host's request thread
    virtual VstTimeInfo* getTimeInfo(VstInt32 filter);                             // host service
    virtual VstInt32 getCurrentProcessLevel();                                     // host service
    virtual VstInt32 getAutomationState();                                         // host service
    virtual VstInt32 processEvents(VstEvents* events);                             // host's audio thread
    virtual VstInt32 startProcess();                                               // host's request thread
    virtual VstInt32 stopProcess();                                                // host's request thread
    virtual bool processVarIo(VstVariableIo* varIo);                               // host's audio thread
    virtual VstInt32 setTotalSampleToProcess(VstInt32 value);                      // host's request thread
    virtual bool getHostVendorString(char* text);                                  // host service
    virtual bool getHostProductString(char* text);                                 // host service
    virtual VstInt32 getHostVendorVersion();                                       // host service
    virtual VstIntPtr hostVendorSpecific(VstInt32 arg1, VstIntPtr arg2, void* ptr, float arg3);  // host service
    virtual VstInt32 canHostDo(char* text);                                        // host service
    virtual VstInt32 getHostLanguage();                                            // host service
    virtual void isSynth(bool state);                                              // construction
    virtual void noSoundInStop(bool state);                                        // construction
    virtual VstInt32 getTailSize();                                                // host's request thread
    virtual void* getDirectory();                                                  // host service
    virtual bool getEffectName(char* name);                                        // host's request thread
    virtual bool getVendorString(char* text);                                      // host's request thread
    virtual bool getProductString(char* text);                                     // host's request thread
    virtual VstInt32 getVendorVersion();                                           // host's request thread
    virtual VstIntPtr vendorSpecific(VstInt32 lArg, VstIntPtr lArg2, void* ptrArg, float floatArg);  // request thread
    virtual VstInt32 canDo(char* text);                                            // host's request thread
    virtual VstInt32 getVstVersion();                                              // host's request thread
    virtual VstInt32 getPlugCategory();                                            // host's request thread
    virtual VstInt32 getMidiProgramName(VstInt32 channel, MidiProgramName* name);  // host's request thread
    virtual VstInt32 getCurrentMidiProgram(VstInt32 channel, MidiProgramName* name);  // host's request thread
    virtual VstInt32 getMidiProgramCategory(VstInt32 channel, MidiProgramCategory* category);  // request thread
    virtual bool hasMidiProgramsChanged(VstInt32 channel);                         // host's request thread
    virtual bool getMidiKeyName(VstInt32 channel, MidiKeyName* keyName);           // host's request thread
    virtual bool updateDisplay();                                                  // host service
    virtual bool sizeWindow(VstInt32 width, VstInt32 height);                      // host service, UI thread
    virtual bool openFileSelector(VstFileSelect* selector);                        // host service, UI thread
    virtual bool closeFileSelector(VstFileSelect* selector);                       // host service, UI thread
    virtual VstInt32 shellGetNextPlugin(char* name);                               // host's request thread
    virtual bool allocateSpeakerArrangement(VstSpeakerArrangement** arrangement, VstInt32 channels);  // any thread
    virtual bool freeSpeakerArrangement(VstSpeakerArrangement** arrangement);      // any thread
    virtual bool copySpeakerProperties(VstSpeakerProperties* to, VstSpeakerProperties* from);  // any thread
    virtual bool matchSpeakerArrangement(VstSpeakerArrangement** to, VstSpeakerArrangement* from);  // any thread
    virtual bool offlineRead(VstOfflineTask* offline, VstInt32 option, bool readSource);  // host service
    virtual bool offlineWrite(VstOfflineTask* offline, VstInt32 option);           // host service
    virtual bool offlineStart(VstAudioFile* files, VstInt32 fileCount, VstInt32 newFileCount);  // host service
    virtual VstInt32 offlineGetCurrentPass();                                      // host service
    virtual VstInt32 offlineGetCurrentMetaPass();                                  // host service
    virtual bool offlineNotify(VstAudioFile* files, VstInt32 fileCount, bool start);  // host's request thread
    virtual bool offlinePrepare(VstOfflineTask* offline, VstInt32 count);          // host's request thread
    virtual bool offlineRun(VstOfflineTask* offline, VstInt32 count);              // host's request thread
    virtual VstInt32 getOfflinePassCount();                                        // never reached by the host
    virtual VstInt32 getOfflineMetaPassCount();                                    // never reached by the host
    virtual void wantMidi(VstInt32 filter);                                        // host service
    virtual VstInt32 tempoAt(VstInt32 position);                                   // host service
    virtual VstInt32 getNumAutomatableParameters();                                // host service
    virtual VstInt32 getParameterQuantization();                                   // host service
    virtual VstInt32 getNumProgramCategories();                                    // never reached by the host
    virtual bool copyProgram(VstInt32 destination);                                // never reached by the host
    virtual bool needIdle();                                                       // host service
    virtual AEffect* getPreviousPlug(VstInt32 input);                              // host service
    virtual AEffect* getNextPlug(VstInt32 output);                                 // host service
    virtual void connectInput(VstInt32 index, bool state);                         // never reached by the host
    virtual void connectOutput(VstInt32 index, bool state);                        // never reached by the host
    virtual VstInt32 willReplaceOrAccumulate();                                    // host service
    virtual void extIsAsync(bool state);                                           // construction
    virtual void extHasBuffer(bool state);                                         // construction
    virtual VstInt32 getCurrentPosition();                                         // never reached by the host
    virtual float* getDestinationBuffer();                                         // never reached by the host
    virtual void setOutputSampleRate(float rate);                                  // host service
    virtual VstSpeakerArrangement* getInputSpeakerArrangement();                   // host service
    virtual VstSpeakerArrangement* getOutputSpeakerArrangement();                  // host service
    virtual void* openWindow(VstWindow* window);                                   // host service, UI thread
    virtual bool closeWindow(VstWindow* window);                                   // host service, UI thread
    virtual void setBlockSizeAndSampleRate(VstInt32 size, float rate);             // never reached by the host
    virtual bool getErrorText(char* text);                                         // never reached by the host
    virtual void* getIcon();                                                       // never reached by the host
    virtual bool setViewPosition(VstInt32 x, VstInt32 y);                          // never reached by the host
    virtual VstInt32 effectIdle();                                                 // never reached by the host
    virtual bool keysRequired();                                                   // never reached by the host
    virtual bool getChunkFile(void* nativePath);                                   // host service

protected:
    // A host service whose answer counts as true when non-zero; false without a host.
    bool askHost(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr, float opt = 0.0f);
};
