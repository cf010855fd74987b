// The four-band stereo equaliser: a low shelf, two peaking bands and a high shelf
// in series, set by ten automatable parameters and saved by the host as a chunk.
#pragma once

#include <cstddef>
#include <mutex>
#include <vector>

#include "eq/BandFilter.h"
#include "eq/BypassFade.h"
#include "eq/Cascade.h"
#include "eq/ParameterState.h"
#include "eq/ProgramBank.h"
#include "eq/SilenceTail.h"
#include "eq/StereoBuffers.h"
#include "host/EffectBaseX.h"

class EqEditor;
class FlushDenormals;

class EqEffect : public EffectBaseX {
public:
    explicit EqEffect(audioMasterCallback hostCallback);
    ~EqEffect() override;

    // False when the program store could not be allocated; the effect is then unusable.
    bool isReady() const { return bank.isValid() && chunkImage.isValid(); }

    // Neither the audio routine nor the parameter and rate writes ever wait,
    // lock, allocate or call the system: the host may call them from its
    // audio thread while other threads call anything else.
    void processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames) override;  // audio thread
    void setSampleRate(float rate) override;                          // any thread, the audio thread included
    float getSampleRate() override;                                   // any thread
    void setParameter(VstInt32 index, float value) override;          // any thread, the audio thread included
    float getParameter(VstInt32 index) override;                      // any thread
    void getParameterLabel(VstInt32 index, char* label) override;     // any thread
    void getParameterDisplay(VstInt32 index, char* text) override;    // any thread
    void getParameterName(VstInt32 index, char* text) override;       // any thread
    // Program, name and chunk operations take turns with one another; never
    // call them from the audio thread.
    void setProgram(VstInt32 program) override;                       // host's request threads
    void setProgramName(char* name) override;                         // host's request threads
    void getProgramName(char* name) override;                         // host's request threads
    VstInt32 getChunk(void** data, bool isPreset) override;           // host's request threads
    VstInt32 setChunk(void* data, VstInt32 byteSize, bool isPreset) override;  // host's request threads
    bool getProgramNameIndexed(VstInt32 category, VstInt32 index, char* text) override;  // host's request threads
    bool canBeAutomated(VstInt32 index) override;                     // any thread
    bool getEffectName(char* name) override;                          // any thread
    bool getVendorString(char* text) override;                        // any thread
    bool getProductString(char* text) override;                       // any thread
    VstInt32 getVendorVersion() override;                             // any thread
    VstInt32 canDo(char* text) override;                              // any thread
    // lArg kSnapshotRequest: draws the editor with the current values on a
    // software canvas of its own at the scale floatArg (1 to 3; 0 is 1), into
    // ptrArg (lArg2 bytes, at least snapshotBytes(scale)) as rows top to
    // bottom of blue, green, red bytes; answers the bytes written, 0 for a
    // null or short buffer or a scale out of range. It allocates, and takes
    // turns with the program and chunk operations. Other indices answer as the
    // base does. The host's request threads only, never the audio thread.
    VstIntPtr vendorSpecific(VstInt32 lArg, VstIntPtr lArg2, void* ptrArg, float floatArg) override;

    // The effVendorSpecific index of the editor snapshot, and the size of its
    // picture (the editor's), in pixels and in bytes.
    // The names the effect gives itself, on every face.
    static constexpr const char* kEffectName = "Korvo-EQ";
    static constexpr const char* kVendorName = "Vardle";

    static constexpr VstInt32 kSnapshotRequest = fourCharacters('K', 'S', 'N', 'P');
    static constexpr VstInt32 kSnapshotWidth = 785;
    static constexpr VstInt32 kSnapshotHeight = 82;
    static constexpr VstInt32 kSnapshotBytes = kSnapshotWidth * kSnapshotHeight * 3;
    // The snapshot's sides and bytes at a scale (the editor's size at it); 0
    // for a scale the editor does not take.
    static VstInt32 snapshotWidth(float scale);
    static VstInt32 snapshotHeight(float scale);
    static VstInt32 snapshotBytes(float scale);

    // The bypass the VST 3, CLAP and LV2 faces offer (the VST 2 module has
    // none): on, the output crossfades to the input (eq/BypassFade.h) while
    // the bands run on unheard. Any thread, the audio thread included.
    void setBypassed(bool on) { bypass.set(on); }
    bool isBypassed() const { return bypass.isOn(); }
    // The audio thread, before a face's first block: the mix starts where the
    // bypass points, without a fade.
    void settleBypass() { bypass.arrive(bypass.isOn()); }
    // The VST 3 and CLAP faces' values: ids 0 to 9 the parameters (their
    // normalised values as floats), kBypassId the bypass (on from 0.5). Any
    // thread, the audio thread included; false for another id.
    static constexpr std::uint32_t kBypassId = kNumParameters;
    bool setFaceValue(std::uint32_t id, double value);
    // The bypass's value as every face shows it, "On" or "Off"; and the
    // value of such a text (false, nothing written, for any other). Any thread.
    static const char* bypassText(double value) { return value >= 0.5 ? "On" : "Off"; }
    static bool bypassValue(const char* text, double& value);
    bool getFaceValue(std::uint32_t id, double& value);
    // Every effect a face makes (createEffect) is an EqEffect.
    static EqEffect& of(EffectBase& effect) { return static_cast<EqEffect&>(effect); }

    // The state of the VST 3 and CLAP faces: the bank chunk (getChunk), then
    // records (eq/StateRecords.h), the bypass among them. The host's request
    // threads; they allocate and may throw. loadState takes a state whole or
    // refuses it with nothing changed: shorter than the chunk, records cut
    // short, a bypass neither 0 nor 1. A state without the bypass record (the
    // chunk alone, as versions before the bypass saved it, and every factory
    // preset) leaves the bypass as it is.
    void saveState(std::vector<unsigned char>& out);
    bool loadState(const unsigned char* data, std::size_t size);
    static constexpr std::size_t kLargestState = 65536;

    // The coefficients of one band from a program's values at a design rate:
    // values clamped to 0..1 (NaN as 0.5), frequency kept below 0.46 of the rate.
    static BandCoefficients designBand(int band, const float* values, double rate);

private:
    // The audio thread, at the start of a block: redesigns the bands whose
    // settings changed since the last block.
    void refreshDesigns();
    // The audio thread, in refreshDesigns: a band designed anew from
    // `values`, its amplitude and angle computed anew where asked and kept
    // from its last design otherwise (where its gain value, or its frequency
    // value and the rate, are those it was designed from, designBand's
    // coefficients bit for bit).
    BandCoefficients redesignBand(int band, const float* values, float rate, bool newAmplitude, bool newAngle);
    // The audio thread: a block with the bypass left out of it.
    void processEqualised(float** inputs, float** outputs, VstInt32 sampleFrames);
    // The audio thread: one stretch of a block (SilenceTail::nextStretch),
    // with the floating-point modes set for the bands where they run.
    void processStretch(const StereoBuffers& stretch, FlushDenormals& flush);
    // The editor drawn at a scale on a canvas of its own into pixels
    // (snapshotBytes(scale)); the bytes written, or 0.
    VstIntPtr drawSnapshot(unsigned char* pixels, float scale);

    ParameterState settings;  // the current program's live values and the design rate
    std::mutex requestLock;   // program, name and chunk operations; never the audio thread
    ProgramBank bank;         // the programs' names, and the values of programs not current
    ProgramBank chunkImage;   // what getChunk hands to the host, a copy taken at the call
    EqEditor* eqEditor = nullptr;  // the base owns it; this is its full type

    // The audio thread's four bands (low shelf, A, B, high shelf), which run
    // together (eq/Cascade.h): the settings they were designed from, the
    // coefficients laid out for the lanes, and their histories.
    CascadeKernel cascade = cascadeKernel();  // chosen for this processor
    float designedValues[kNumParameters]{};
    BandCoefficients designedCoefficients[kNumBands]{};
    float designedRate = 0.0f;
    std::uint32_t designedGeneration = 0;
    bool designed = false;
    // Each on a cache line of its own: the routines load and store them whole
    // at every call, and a line split (or a store split across two lines read
    // back by the next call) costs more than the rest of a short block's checks.
    alignas(64) CascadeCoefficients cascadeCoefficients{};
    alignas(64) CascadeHistory cascadeHistory{};
    SilenceTail tail;  // how a tail ends in silence, at the design rate
    // The parts of each band's last design that depend on its gain alone
    // and on its frequency and the rate alone.
    struct BandParts {
        float amplitude;
        BandAngle angle;
    };
    BandParts designedParts[kNumBands]{};
    BypassFade bypass;
};
