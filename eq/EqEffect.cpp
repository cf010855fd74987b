#include "eq/EqEffect.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <new>

#include "eq/Parameters.h"
#include "gui/EqEditor.h"
#include "host/TextHelpers.h"

namespace {

constexpr double kDefaultRate = 44100.0;

EqDesign emptyDesign()
{
    EqDesign design{};
    design.rate = kDefaultRate;
    return design;
}

void copyAudio(float* to, const float* from, VstInt32 frames)
{
    if (to != from) {
        std::memmove(to, from, sizeof(float) * static_cast<std::size_t>(frames));
    }
}

// Whether two buffers of `frames` samples share any sample.
bool overlap(const float* a, const float* b, VstInt32 frames)
{
    const std::uintptr_t x = reinterpret_cast<std::uintptr_t>(a);
    const std::uintptr_t y = reinterpret_cast<std::uintptr_t>(b);
    const std::uintptr_t bytes = sizeof(float) * static_cast<std::uintptr_t>(frames);
    return x < y + bytes && y < x + bytes;
}

bool sameOrApart(const float* a, const float* b, VstInt32 frames) { return a == b || !overlap(a, b, frames); }

bool sameDesign(const BandDesign& a, const BandDesign& b)
{
    return a.active == b.active && std::memcmp(&a.coefficients, &b.coefficients, sizeof(BandCoefficients)) == 0;
}

}  // namespace

EffectBase* createEffect(audioMasterCallback hostCallback)
{
    EqEffect* effect = new (std::nothrow) EqEffect(hostCallback);
    if (effect && !effect->isReady()) {
        delete effect;
        return nullptr;
    }
    return effect;
}

EqEffect::EqEffect(audioMasterCallback callback)
    : EffectBaseX(callback, 1, kNumParameters),
      bank(1, kNumParameters),
      designs(emptyDesign())
{
    setNumInputs(2);
    setNumOutputs(2);
    setUniqueID(fourCharacters('V', 'X', 'K', 'E'));
    canProcessReplacing(true);
    programsAreChunks(true);
    curProgram = 0;

    if (!bank.isValid()) {
        return;
    }
    bank.initialise();

    designs.update([&](EqDesign& design) {
        design = designAll(kDefaultRate);
        return true;
    });

    // Where the module has no window system, or memory runs out, the effect runs
    // without an editor and tells the host so.
    eqEditor = guiPlatform() ? new (std::nothrow) EqEditor(this) : nullptr;
    setEditor(eqEditor);
    editorSyncControls();
}

EqEffect::~EqEffect() = default;

BandDesign EqEffect::designBand(int band, const float* values, double rate)
{
    const BandInfo& info = kBands[band];
    const float frequency = effectivePlain(info.frequencyIndex, values[info.frequencyIndex], rate);
    const float q = info.qIndex >= 0 ? effectivePlain(info.qIndex, values[info.qIndex], rate) : kShelfQ;
    const float gain = effectivePlain(info.gainIndex, values[info.gainIndex], rate);
    BandDesign design;
    design.coefficients = BandFilter::makeDesign(info.type, rate, frequency, q, gain);
    design.active = gainIsActive(values[info.gainIndex]);
    return design;
}

EqDesign EqEffect::designAll(double rate)
{
    EqDesign design;
    design.rate = rate;
    const float* values = currentValues();
    for (int b = 0; b < kNumBands; ++b) {
        design.bands[b] = designBand(b, values, rate);
    }
    return design;
}

void EqEffect::processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames)
{
    if (sampleFrames <= 0 || !inputs || !outputs || !inputs[0] || !inputs[1] || !outputs[0] || !outputs[1]) {
        return;
    }
    const float* inLeft = inputs[0];
    const float* inRight = inputs[1];
    float* left = outputs[0];
    float* right = outputs[1];

    // Each active band gets its coefficients, laid out for the lanes, whenever
    // the design changes. The mailbox never writes the slot the audio thread
    // holds, so the same slot as last time means the same design, and only a
    // new slot needs looking into.
    const EqDesign& design = designs.acquire();
    bool changed = !laidOutValid;
    if (&design != laidOutFrom) {
        for (int b = 0; b < kNumBands && !changed; ++b) {
            changed = !sameDesign(laidOut[b], design.bands[b]);
        }
        laidOutFrom = &design;
    }
    if (changed) {
        BandCoefficients coefficients[kNumBands];
        unsigned active = 0;
        for (int b = 0; b < kNumBands; ++b) {
            laidOut[b] = design.bands[b];
            coefficients[b] = design.bands[b].coefficients;
            if (design.bands[b].active) {
                active |= 1u << b;
            }
        }
        cascadeLayout(cascadeCoefficients, coefficients, active);
        laidOutValid = true;
    }

    if (cascadeCoefficients.activeBands == 0) {
        copyAudio(left, inLeft, sampleFrames);
        copyAudio(right, inRight, sampleFrames);
        return;
    }

    // The cascade reads the inputs as it goes and writes the outputs behind
    // them. Where the buffers are arranged so that it could read something other
    // than what copying the inputs to the outputs leaves there, the inputs are
    // copied first and the cascade filters the outputs in place; outputs that
    // share samples take the band loop, which filters each active band in turn.
    const bool outputsApart = !overlap(left, right, sampleFrames);
    const bool direct = sameOrApart(left, inLeft, sampleFrames) && sameOrApart(right, inRight, sampleFrames) &&
                        sameOrApart(right, inLeft, sampleFrames) &&
                        (left == inLeft || !overlap(left, inRight, sampleFrames));
    if (outputsApart && !direct) {
        copyAudio(left, inLeft, sampleFrames);
        copyAudio(right, inRight, sampleFrames);
        inLeft = left;
        inRight = right;
    }
    const CascadeKernel run = outputsApart ? cascade : cascadeRunBandLoop;
    const unsigned notFinite =
        run(cascadeCoefficients, cascadeHistory, inLeft, inRight, left, right, sampleFrames);

    // A non-finite input would otherwise keep a band silent or NaN for ever.
    for (int b = 0; notFinite != 0 && b < kNumBands; ++b) {
        if ((notFinite >> b) & 1u) {
            cascadeHistory.left[b] = BandHistory{0.0f, 0.0f, 0.0f, 0.0f};
            cascadeHistory.right[b] = BandHistory{0.0f, 0.0f, 0.0f, 0.0f};
        }
    }
}

void EqEffect::setSampleRate(float rate)
{
    if (!std::isfinite(rate) || rate <= 0.0f) {
        return;
    }
    EffectBaseX::setSampleRate(rate);
    designs.update([&](EqDesign& design) {
        if (design.rate == static_cast<double>(rate)) {
            return false;
        }
        design = designAll(rate);
        return true;
    });
}

void EqEffect::setParameter(VstInt32 index, float value)
{
    if (!isValidParameter(index)) {
        return;
    }
    const bool changed = designs.update([&](EqDesign& design) {
        float* values = currentValues();
        if (values[index] == value) {
            return false;
        }
        values[index] = value;
        const int band = kParameters[index].band;
        design.bands[band] = designBand(band, values, design.rate);
        return true;
    });
    if (changed) {
        editorParameterChanged(index, value);
        editorRedraw();
    }
}

float EqEffect::getParameter(VstInt32 index)
{
    if (!isValidParameter(index)) {
        return 0.0f;
    }
    return currentValues()[index];
}

void EqEffect::setProgram(VstInt32 program)
{
    if (program < 0 || program >= bank.getCount()) {
        return;
    }
    curProgram = program;
    editorSyncControls();
    editorRedraw();
}

void EqEffect::setProgramName(char* name)
{
    if (!name) {
        return;
    }
    char* field = bank.record(curProgram).name;
    std::memset(field, 0, kProgramNameLength);
    for (int i = 0; i < kProgramNameLength && name[i] != 0; ++i) {
        field[i] = name[i];
    }
}

void EqEffect::getProgramName(char* name) { copyText(name, bank.record(curProgram).name, kVstMaxProgNameLen); }

void EqEffect::getParameterLabel(VstInt32 index, char* label)
{
    if (isValidParameter(index)) {
        copyText(label, kParameters[index].label, kVstMaxParamStrLen);
    }
}

void EqEffect::getParameterDisplay(VstInt32 index, char* text)
{
    if (!isValidParameter(index) || !text) {
        return;
    }
    const float plain = effectivePlain(index, currentValues()[index], getSampleRate());
    formatPlain(index, plain, text, kVstMaxParamStrLen);
}

void EqEffect::getParameterName(VstInt32 index, char* text)
{
    if (isValidParameter(index)) {
        copyText(text, kParameters[index].name, kVstMaxParamStrLen);
    }
}

VstInt32 EqEffect::getChunk(void** data, bool isPreset)
{
    if (!data) {
        return 0;
    }
    if (isPreset) {
        *data = currentValues();
        return bank.getParamCount() * static_cast<VstInt32>(sizeof(float));
    }
    *data = bank.storage();
    return bank.storageBytes();
}

VstInt32 EqEffect::setChunk(void* data, VstInt32 byteSize, bool isPreset)
{
    const VstInt32 programBytes = bank.getParamCount() * static_cast<VstInt32>(sizeof(float));
    const bool asProgram = data && isPreset && byteSize == programBytes;
    const bool asBank = data && !asProgram && byteSize == bank.storageBytes();
    if (!asProgram && !asBank) {
        updateDisplay();
        return 0;
    }
    designs.update([&](EqDesign& design) {
        if (asProgram) {
            std::memcpy(currentValues(), data, static_cast<std::size_t>(programBytes));
        } else {
            std::memcpy(bank.storage(), data, static_cast<std::size_t>(byteSize));
        }
        design = designAll(design.rate);
        return true;
    });
    editorSyncControls();
    return byteSize;
}

bool EqEffect::canBeAutomated(VstInt32) { return true; }

bool EqEffect::getProgramNameIndexed(VstInt32, VstInt32 index, char* text)
{
    if (index < 0 || index >= bank.getCount()) {
        copyText(text, "", kVstMaxProgNameLen);
        return false;
    }
    copyText(text, bank.record(index).name, kVstMaxProgNameLen);
    return text != nullptr;
}

bool EqEffect::getEffectName(char* name)
{
    copyText(name, "Korvo-EQ", kVstMaxEffectNameLen);
    return name != nullptr;
}

bool EqEffect::getVendorString(char* text)
{
    copyText(text, "Vardle", kVstMaxVendorStrLen);
    return text != nullptr;
}

bool EqEffect::getProductString(char* text)
{
    copyText(text, "Korvo-EQ", kVstMaxProductStrLen);
    return text != nullptr;
}

VstInt32 EqEffect::getVendorVersion() { return 1000; }

VstInt32 EqEffect::canDo(char* text)
{
    if (!text) {
        return -1;
    }
    if (std::strcmp(text, "receiveVstEvents") == 0 || std::strcmp(text, "receiveVstTimeInfo") == 0) {
        return 1;
    }
    return -1;
}

void EqEffect::editorParameterChanged(VstInt32 index, float value)
{
    if (eqEditor) {
        eqEditor->parameterChanged(index, value);
    }
}

void EqEffect::editorSyncControls()
{
    if (eqEditor) {
        eqEditor->syncControls();
    }
}

void EqEffect::editorRedraw()
{
    if (eqEditor) {
        eqEditor->redraw();
    }
}
