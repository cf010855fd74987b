#include "eq/EqEffect.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <new>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#define KORVO_SSE2 1
#endif

#include "eq/FlushDenormals.h"
#include "eq/Parameters.h"
#include "gui/EqEditor.h"
#include "gui/SoftwareCanvas.h"
#include "host/TextHelpers.h"

namespace {

// How a tail ends once the input is digital silence. Every kTailCheck frames
// of silence the bands are looked at, and a tail that has decayed below
// kTailFloor (about -300 dB) ends there: the bands start again from zero and
// the output is exact zero. A tail still ringing after kTailHold (a band with
// a pole close to 0 Hz rings for minutes, far below hearing) fades out over
// kTailFade and ends. These frames count from the start of the silence, so
// the output is the same however the host divides it into blocks.
constexpr std::int64_t kTailCheck = 4096;  // frames (fewer at rates below 2731 Hz)
constexpr float kTailFloor = 1.0e-15f;
constexpr double kTailHold = 1.5;   // seconds
constexpr double kTailFade = 0.05;  // seconds

std::uint32_t bitsOf(float value)
{
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

// The host's samples, copied with any subnormal value flushed to a zero of
// the same sign; every other value is copied bit for bit. In place is fine.
void copyFlushed(float* to, const float* from, VstInt32 frames)
{
    const std::size_t bytes = sizeof(float) * static_cast<std::size_t>(frames);
    if (to != from && reinterpret_cast<std::uintptr_t>(to) < reinterpret_cast<std::uintptr_t>(from) + bytes &&
        reinterpret_cast<std::uintptr_t>(from) < reinterpret_cast<std::uintptr_t>(to) + bytes) {
        std::memmove(to, from, bytes);
        from = to;
    }
    VstInt32 i = 0;
#if defined(KORVO_SSE2)
    // Where the exponent is zero, everything but the sign goes.
    const __m128i exponent = _mm_set1_epi32(0x7F800000);
    const __m128i magnitude = _mm_set1_epi32(0x7FFFFFFF);
    const __m128i zero = _mm_setzero_si128();
    for (; i + 4 <= frames; i += 4) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + i));
        const __m128i tiny = _mm_cmpeq_epi32(_mm_and_si128(v, exponent), zero);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(to + i), _mm_andnot_si128(_mm_and_si128(tiny, magnitude), v));
    }
#endif
    for (; i < frames; ++i) {
        std::uint32_t bits = bitsOf(from[i]);
        if ((bits & 0x7F800000u) == 0) {
            bits &= 0x80000000u;
        }
        std::memcpy(&to[i], &bits, sizeof bits);
    }
}

// The bits of every sample of both channels ORed together, in runs so that a
// signal stops the scan early: zero when every sample is +0, at most the sign
// bit when every sample is a zero.
std::uint32_t orOfSamples(const float* left, const float* right, VstInt32 frames)
{
    std::uint32_t all = 0;
    for (VstInt32 start = 0; start < frames && (all & 0x7FFFFFFFu) == 0; start += 64) {
        const VstInt32 end = frames - start < 64 ? frames : start + 64;
        VstInt32 i = start;
#if defined(KORVO_SSE2)
        __m128i a = _mm_setzero_si128(), b = _mm_setzero_si128();
        for (; i + 8 <= end; i += 8) {
            a = _mm_or_si128(a, _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(left + i)),
                                             _mm_loadu_si128(reinterpret_cast<const __m128i*>(right + i))));
            b = _mm_or_si128(b, _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(left + i + 4)),
                                             _mm_loadu_si128(reinterpret_cast<const __m128i*>(right + i + 4))));
        }
        a = _mm_or_si128(a, b);
        a = _mm_or_si128(a, _mm_shuffle_epi32(a, 0x4E));
        a = _mm_or_si128(a, _mm_shuffle_epi32(a, 0xB1));
        all |= static_cast<std::uint32_t>(_mm_cvtsi128_si32(a));
#endif
        for (; i < end; ++i) {
            all |= bitsOf(left[i]) | bitsOf(right[i]);
        }
    }
    return all;
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

bool sameBits(const float* a, const float* b, int index) { return bitsOf(a[index]) == bitsOf(b[index]); }

bool isBelow(const BandHistory& h, float floor)
{
    return std::fabs(h.y1) < floor && std::fabs(h.y2) < floor && std::fabs(h.x1) < floor && std::fabs(h.x2) < floor;
}

bool isZero(const BandHistory& h)
{
    return (bitsOf(h.y1) | bitsOf(h.y2) | bitsOf(h.x1) | bitsOf(h.x2)) == 0;
}

bool isSilent(float left, float right) { return ((bitsOf(left) | bitsOf(right)) & 0x7FFFFFFFu) == 0; }

// Frames of silence in both channels at the start of a block.
VstInt32 leadingSilence(const float* left, const float* right, VstInt32 frames)
{
    VstInt32 n = 0;
    while (n < frames && isSilent(left[n], right[n])) {
        ++n;
    }
    return n;
}

// Frames of silence in both channels at the end of a block.
VstInt32 trailingSilence(const float* left, const float* right, VstInt32 frames)
{
    VstInt32 n = 0;
    while (n < frames && isSilent(left[frames - 1 - n], right[frames - 1 - n])) {
        ++n;
    }
    return n;
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
      chunkImage(1, kNumParameters)
{
    setNumInputs(2);
    setNumOutputs(2);
    setUniqueID(fourCharacters('V', 'X', 'K', 'E'));
    canProcessReplacing(true);
    programsAreChunks(true);
    curProgram = 0;

    if (!isReady()) {
        return;
    }
    bank.initialise();
    chunkImage.initialise();
    settings.load(bank.record(curProgram).values);
    refreshDesigns();

    // Where the module has no window system, or memory runs out, the effect runs
    // without an editor and tells the host so. The editor reads the settings on
    // its own window's thread; nothing here calls into it after this.
    eqEditor = guiPlatform() ? new (std::nothrow) EqEditor(this) : nullptr;
    setEditor(eqEditor);
    if (eqEditor) {
        eqEditor->syncControls();
    }
}

EqEffect::~EqEffect()
{
    // The window goes before the settings it shows (the base deletes the
    // editor only after this object's members are gone).
    if (eqEditor) {
        eqEditor->close();
    }
}

BandCoefficients EqEffect::designBand(int band, const float* values, double rate)
{
    const BandInfo& info = kBands[band];
    const float frequency = effectivePlain(info.frequencyIndex, values[info.frequencyIndex], rate);
    const float q = info.qIndex >= 0 ? effectivePlain(info.qIndex, values[info.qIndex], rate) : kShelfQ;
    const float gain = effectivePlain(info.gainIndex, values[info.gainIndex], rate);
    return BandFilter::makeDesign(info.type, rate, frequency, q, gain);
}

void EqEffect::refreshDesigns()
{
    const std::uint32_t generation = settings.generation();
    if (designed && generation == designedGeneration) {
        return;
    }
    float values[kNumParameters];
    float rate = 0.0f;
    if (!settings.snapshot(values, rate)) {
        return;  // a chunk is being loaded right now: the next block takes it whole
    }
    unsigned active = 0;
    bool changed = false;
    for (int b = 0; b < kNumBands; ++b) {
        const BandInfo& info = kBands[b];
        const bool same = designed && rate == designedRate && sameBits(values, designedValues, info.frequencyIndex) &&
                          sameBits(values, designedValues, info.gainIndex) &&
                          (info.qIndex < 0 || sameBits(values, designedValues, info.qIndex));
        if (gainIsActive(values[info.gainIndex])) {
            active |= 1u << b;
        }
        if (!same) {
            // Designed on the audio thread (well under a microsecond), and only
            // for a band whose settings changed.
            designedCoefficients[b] = designBand(b, values, rate);
            changed = true;
        }
    }
    std::memcpy(designedValues, values, sizeof values);
    if (rate != designedRate) {
        tailHold = std::max<std::int64_t>(1, static_cast<std::int64_t>(kTailHold * static_cast<double>(rate)));
        tailEnd = tailHold + std::max<std::int64_t>(1, static_cast<std::int64_t>(kTailFade * static_cast<double>(rate)));
        tailCheck = std::min(kTailCheck, tailHold);
    }
    designedRate = rate;
    designedGeneration = generation;
    designed = true;
    if (changed) {
        cascadeLayout(cascadeCoefficients, designedCoefficients, active);
    }
}

bool EqEffect::activeHistoriesAreZero() const
{
    for (int b = 0; b < kNumBands; ++b) {
        if (((cascadeCoefficients.activeBands >> b) & 1u) &&
            !(isZero(cascadeHistory.left[b]) && isZero(cascadeHistory.right[b]))) {
            return false;
        }
    }
    return true;
}

bool EqEffect::activeHistoriesAreBelow(float floor) const
{
    for (int b = 0; b < kNumBands; ++b) {
        if (((cascadeCoefficients.activeBands >> b) & 1u) &&
            !(isBelow(cascadeHistory.left[b], floor) && isBelow(cascadeHistory.right[b], floor))) {
            return false;
        }
    }
    return true;
}

void EqEffect::clearActiveHistories()
{
    for (int b = 0; b < kNumBands; ++b) {
        if ((cascadeCoefficients.activeBands >> b) & 1u) {
            cascadeHistory.left[b] = BandHistory{0.0f, 0.0f, 0.0f, 0.0f};
            cascadeHistory.right[b] = BandHistory{0.0f, 0.0f, 0.0f, 0.0f};
        }
    }
}

void EqEffect::processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames)
{
    if (sampleFrames <= 0 || !inputs || !outputs || !inputs[0] || !inputs[1] || !outputs[0] || !outputs[1]) {
        return;
    }
    refreshDesigns();

    const float* inLeft = inputs[0];
    const float* inRight = inputs[1];
    float* left = outputs[0];
    float* right = outputs[1];
    // Where each output is its input or apart from both inputs, the block is
    // run in stretches that end on the frames where a tail may end (and where
    // a fading tail meets signal), so those fall on the same frames whatever
    // the blocks: the bands give the same output however their input is
    // divided. Stretches of at most tailCheck frames reach such a frame only
    // in their leading silence.
    const bool divisible = sameOrApart(left, inLeft, sampleFrames) && sameOrApart(left, inRight, sampleFrames) &&
                           sameOrApart(right, inLeft, sampleFrames) && sameOrApart(right, inRight, sampleFrames);
    VstInt32 done = 0;
    while (done < sampleFrames) {
        VstInt32 count = sampleFrames - done;
        if (divisible) {
            count = static_cast<VstInt32>(std::min<std::int64_t>(count, tailCheck));
        }
        if (divisible && silentRun < tailEnd) {
            const float* l = inLeft + done;
            const float* r = inRight + done;
            const std::int64_t toPoint = std::min(tailEnd, (silentRun / tailCheck + 1) * tailCheck) - silentRun;
            if (toPoint < count && (orOfSamples(l, r, static_cast<VstInt32>(toPoint)) & 0x7FFFFFFFu) == 0) {
                count = static_cast<VstInt32>(toPoint);
            } else if (silentRun + count > tailHold && (orOfSamples(l, r, count) & 0x7FFFFFFFu) != 0) {
                const VstInt32 lead = leadingSilence(l, r, count);
                if (lead > 0 && silentRun + lead > tailHold) {
                    count = lead;
                }
            }
        }
        processFrames(inLeft + done, inRight + done, left + done, right + done, count);
        done += count;
    }
}

void EqEffect::processFrames(const float* inLeft, const float* inRight, float* left, float* right,
                             VstInt32 sampleFrames)
{
    // How long the input has been silent: before these frames, and after them.
    const std::uint32_t inputBits = orOfSamples(inLeft, inRight, sampleFrames);
    const bool silent = (inputBits & 0x7FFFFFFFu) == 0;
    const std::int64_t runBefore = silentRun;
    silentRun = silent ? std::min<std::int64_t>(runBefore + sampleFrames, tailEnd + 1)
                       : static_cast<std::int64_t>(trailingSilence(inLeft, inRight, sampleFrames));

    if (cascadeCoefficients.activeBands == 0) {
        copyFlushed(left, inLeft, sampleFrames);
        copyFlushed(right, inRight, sampleFrames);
        return;
    }
    // Silence in and nothing left in the bands: the output is exact zero, as
    // filtering +0 through zero histories gives, at the cost of filling it.
    if (inputBits == 0 && activeHistoriesAreZero()) {
        std::memset(left, 0, sizeof(float) * static_cast<std::size_t>(sampleFrames));
        std::memset(right, 0, sizeof(float) * static_cast<std::size_t>(sampleFrames));
        return;
    }

    // Subnormal numbers read and written as zero while the bands run.
    const FlushDenormals flush;

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
        std::memmove(left, inLeft, sizeof(float) * static_cast<std::size_t>(sampleFrames));
        std::memmove(right, inRight, sizeof(float) * static_cast<std::size_t>(sampleFrames));
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

    // A tail past the hold fades out, frame by frame, and then ends.
    if (silentRun > tailHold) {
        const VstInt32 firstSilent = silent ? 0 : sampleFrames - static_cast<VstInt32>(silentRun);
        const std::int64_t runAtFirst = silent ? runBefore + 1 : 1;
        const float fadeFrames = static_cast<float>(tailEnd - tailHold);
        for (VstInt32 i = firstSilent; i < sampleFrames; ++i) {
            const std::int64_t frameRun = runAtFirst + (i - firstSilent);
            if (frameRun <= tailHold) {
                continue;
            }
            const float gain = frameRun >= tailEnd ? 0.0f : static_cast<float>(tailEnd - frameRun) / fadeFrames;
            left[i] = left[i] * gain;
            right[i] = right[i] * gain;
        }
        if (silentRun >= tailEnd) {
            clearActiveHistories();
        }
    } else if (silentRun > 0 && silentRun % tailCheck == 0 && activeHistoriesAreBelow(kTailFloor)) {
        clearActiveHistories();
    }
}

void EqEffect::setSampleRate(float rate) { settings.setRate(rate); }

float EqEffect::getSampleRate() { return settings.rate(); }

void EqEffect::setParameter(VstInt32 index, float value)
{
    if (isValidParameter(index)) {
        settings.set(index, value);
    }
}

float EqEffect::getParameter(VstInt32 index)
{
    if (!isValidParameter(index)) {
        return 0.0f;
    }
    return settings.get(index);
}

void EqEffect::setProgram(VstInt32 program)
{
    // With a single program there is nothing to switch to, and no lock is
    // taken: some hosts send program changes from their audio thread.
    if (program < 0 || program >= bank.getCount() || bank.getCount() == 1) {
        return;
    }
    const std::lock_guard<std::mutex> hold(requestLock);
    if (program == curProgram) {
        return;
    }
    // The program left keeps its values; the one chosen becomes the live settings.
    float* leaving = bank.record(curProgram).values;
    for (int k = 0; k < kNumParameters; ++k) {
        leaving[k] = settings.get(k);
    }
    curProgram = program;
    settings.load(bank.record(curProgram).values);
}

void EqEffect::setProgramName(char* name)
{
    if (!name) {
        return;
    }
    const std::lock_guard<std::mutex> hold(requestLock);
    char* field = bank.record(curProgram).name;
    std::memset(field, 0, kProgramNameLength);
    for (int i = 0; i < kProgramNameLength && name[i] != 0; ++i) {
        field[i] = name[i];
    }
}

void EqEffect::getProgramName(char* name)
{
    const std::lock_guard<std::mutex> hold(requestLock);
    copyText(name, bank.record(curProgram).name, kVstMaxProgNameLen);
}

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
    const float plain = effectivePlain(index, settings.get(index), settings.rate());
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
    // A copy of this moment's state: the host reads it after the call returns,
    // while automation may go on changing the live values.
    const std::lock_guard<std::mutex> hold(requestLock);
    std::memcpy(chunkImage.storage(), bank.storage(), static_cast<std::size_t>(bank.storageBytes()));
    float* values = chunkImage.record(curProgram).values;
    float current[kNumParameters];
    settings.consistentCopy(current);
    std::memcpy(values, current, sizeof current);
    if (isPreset) {
        *data = values;
        return bank.getParamCount() * static_cast<VstInt32>(sizeof(float));
    }
    *data = chunkImage.storage();
    return chunkImage.storageBytes();
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
    // Loaded whole: the audio thread and the editor take all of it or none of
    // it, and the editor shows it at its next look at the settings.
    const std::lock_guard<std::mutex> hold(requestLock);
    float values[kNumParameters];
    if (asProgram) {
        std::memcpy(values, data, sizeof values);
    } else {
        std::memcpy(bank.storage(), data, static_cast<std::size_t>(byteSize));
        std::memcpy(values, bank.record(curProgram).values, sizeof values);
    }
    settings.load(values);
    return byteSize;
}

bool EqEffect::canBeAutomated(VstInt32) { return true; }

bool EqEffect::getProgramNameIndexed(VstInt32, VstInt32 index, char* text)
{
    if (index < 0 || index >= bank.getCount()) {
        copyText(text, "", kVstMaxProgNameLen);
        return false;
    }
    const std::lock_guard<std::mutex> hold(requestLock);
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

VstIntPtr EqEffect::vendorSpecific(VstInt32 lArg, VstIntPtr lArg2, void* ptrArg, float floatArg)
{
    if (lArg != kSnapshotRequest) {
        return EffectBaseX::vendorSpecific(lArg, lArg2, ptrArg, floatArg);
    }
    if (!ptrArg || lArg2 < kSnapshotBytes) {
        return 0;
    }
    return drawSnapshot(static_cast<unsigned char*>(ptrArg));
}

VstIntPtr EqEffect::drawSnapshot(unsigned char* pixels)
{
    static_assert(kSnapshotWidth == EqEditor::kWidth && kSnapshotHeight == EqEditor::kHeight,
                  "the snapshot is the editor's size");
    // A canvas and an editor of the snapshot's own, whatever the module's
    // editor is doing; the editor goes before its canvas. A chunk or program
    // being loaded is shown whole or not at all.
    SoftwareCanvas canvas;
    std::vector<unsigned char> shown;
    {
        const std::lock_guard<std::mutex> hold(requestLock);
        EqEditor view(this, canvas);
        view.syncControls();
        WindowHandle host = canvas.createTopLevelWindow(kSnapshotWidth, kSnapshotHeight, 0, 0);
        if (!host || !view.open(host)) {
            return 0;
        }
        canvas.sendMessage(view.getWindow(), kMessagePaint, 0, 0);
        shown = canvas.windowPixels(view.getWindow());
        view.close();
        canvas.destroyWindow(host);
    }
    if (shown.size() != static_cast<std::size_t>(kSnapshotBytes)) {
        return 0;
    }
    std::memcpy(pixels, shown.data(), shown.size());
    return kSnapshotBytes;
}
