// The four-band stereo equaliser: a low shelf, two peaking bands and a high shelf
// in series, set by ten automatable parameters and saved by the host as a chunk.
#pragma once

#include "eq/BandFilter.h"
#include "eq/Cascade.h"
#include "eq/DesignMailbox.h"
#include "eq/ProgramBank.h"
#include "host/EffectBaseX.h"

class EqEditor;

class EqEffect : public EffectBaseX {
public:
    explicit EqEffect(audioMasterCallback hostCallback);
    ~EqEffect() override;

    // False when the program store could not be allocated; the effect is then unusable.
    bool isReady() const { return bank.isValid(); }

    void processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames) override;  // audio thread
    void setSampleRate(float rate) override;                          // host's request thread
    void setParameter(VstInt32 index, float value) override;          // any thread: host automation or the editor
    float getParameter(VstInt32 index) override;                      // any thread
    void setProgram(VstInt32 program) override;                       // host's request thread
    void setProgramName(char* name) override;                         // host's request thread
    void getProgramName(char* name) override;                         // host's request thread
    void getParameterLabel(VstInt32 index, char* label) override;     // host's request thread
    void getParameterDisplay(VstInt32 index, char* text) override;    // host's request thread
    void getParameterName(VstInt32 index, char* text) override;       // host's request thread
    VstInt32 getChunk(void** data, bool isPreset) override;           // host's request thread
    VstInt32 setChunk(void* data, VstInt32 byteSize, bool isPreset) override;  // host's request thread
    bool canBeAutomated(VstInt32 index) override;                     // host's request thread
    bool getProgramNameIndexed(VstInt32 category, VstInt32 index, char* text) override;  // host's request thread
    bool getEffectName(char* name) override;                          // host's request thread
    bool getVendorString(char* text) override;                        // host's request thread
    bool getProductString(char* text) override;                       // host's request thread
    VstInt32 getVendorVersion() override;                             // host's request thread
    VstInt32 canDo(char* text) override;                              // host's request thread

    // The design of one band from a program's values at a design rate: values
    // clamped to 0..1 (NaN as 0.5), frequency kept below 0.46 of the rate.
    static BandDesign designBand(int band, const float* values, double rate);

private:
    float* currentValues() { return bank.record(curProgram).values; }
    EqDesign designAll(double rate);

    // Notifications to the editor; skipped while there is none.
    void editorParameterChanged(VstInt32 index, float value);
    void editorSyncControls();
    void editorRedraw();

    ProgramBank bank;
    DesignMailbox designs;
    EqEditor* eqEditor = nullptr;  // the base owns it; this is its full type

    // The audio thread's four bands (low shelf, A, B, high shelf), which run
    // together (eq/Cascade.h): their designs as last laid out, the coefficients
    // laid out for the lanes, and their histories.
    CascadeKernel cascade = cascadeKernel();  // chosen for this processor
    CascadeCoefficients cascadeCoefficients{};
    CascadeHistory cascadeHistory{};
    BandDesign laidOut[kNumBands]{};
    const EqDesign* laidOutFrom = nullptr;  // the mailbox slot laidOut was last compared with
    bool laidOutValid = false;
};
