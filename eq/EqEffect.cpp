#include "eq/EqEffect.h"

#include <cstdint>
#include <cstring>
#include <new>
#include <vector>

#include "eq/FlushDenormals.h"
#include "eq/Parameters.h"
#include "eq/StateRecords.h"
#include "eq/StereoBuffers.h"
#include "gui/EqEditor.h"
#include "gui/SoftwareCanvas.h"
#include "host/TextHelpers.h"

namespace {

std::uint32_t bitsOf(float value)
{
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

bool sameBits(const float* a, const float* b, int index) { return bitsOf(a[index]) == bitsOf(b[index]); }

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

BandCoefficients EqEffect::redesignBand(int band, const float* values, float rate, bool newAmplitude, bool newAngle)
{
    // The power, and the sine and cosine, are most of a design's cost; a
    // change of one setting needs at most one of them.
    const BandInfo& info = kBands[band];
    BandParts& parts = designedParts[band];
    if (newAmplitude) {
        parts.amplitude = BandFilter::amplitudeOf(effectivePlain(info.gainIndex, values[info.gainIndex], rate));
    }
    if (newAngle) {
        parts.angle = BandFilter::angleOf(rate, effectivePlain(info.frequencyIndex, values[info.frequencyIndex], rate));
    }
    const float q = info.qIndex >= 0 ? effectivePlain(info.qIndex, values[info.qIndex], rate) : kShelfQ;
    return BandFilter::designFrom(info.type, parts.amplitude, parts.angle, q);
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
    // Whether a band runs depends on its gain value alone; a band whose
    // values and rate are those of its last design keeps it.
    const bool sameRate = designed && rate == designedRate;
    unsigned active = sameRate ? cascadeCoefficients.activeBands : 0u;
    unsigned changed = 0;
    for (int b = 0; b < kNumBands; ++b) {
        const BandInfo& info = kBands[b];
        const bool newGain = !sameRate || !sameBits(values, designedValues, info.gainIndex);
        const bool newFrequency = !sameRate || !sameBits(values, designedValues, info.frequencyIndex);
        const bool newQ = info.qIndex >= 0 && !sameBits(values, designedValues, info.qIndex);
        if (newGain) {
            active = (active & ~(1u << b)) | (gainIsActive(values[info.gainIndex]) ? 1u << b : 0u);
        }
        if (newGain || newFrequency || newQ) {
            // Designed on the audio thread (well under a microsecond), and only
            // for a band whose settings changed.
            designedCoefficients[b] = redesignBand(b, values, rate, newGain, newFrequency);
            changed |= 1u << b;
        }
    }
    std::memcpy(designedValues, values, sizeof values);
    if (rate != designedRate) {
        tail.setRate(rate);
    }
    designedRate = rate;
    designedGeneration = generation;
    const bool laidOut = designed;
    designed = true;
    if (changed == 0) {
        return;
    }
    // The same bands active: only the lanes of the bands redesigned change.
    if (laidOut && active == cascadeCoefficients.activeBands) {
        for (int b = 0; b < kNumBands; ++b) {
            if ((changed & active) >> b & 1u) {
                cascadeReplaceBand(cascadeCoefficients, b, designedCoefficients[b]);
            }
        }
    } else {
        cascadeLayout(cascadeCoefficients, designedCoefficients, active);
    }
}

// Bypassed, or on the way in or out: the block in pieces, each equalised from
// a copy of its input into a buffer apart, then mixed with that copy.
void EqEffect::processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames)
{
    const bool on = bypass.isOn();
    if (!bypass.engaged(on) || sampleFrames <= 0 || !inputs || !inputs[0] || !inputs[1] || !outputs || !outputs[0] ||
        !outputs[1]) {
        processEqualised(inputs, outputs, sampleFrames);
        return;
    }
    bypass.setRate(settings.rate());
    float* dry[2] = {bypass.dryBuffer(0), bypass.dryBuffer(1)};
    float* wet[2] = {bypass.wetBuffer(0), bypass.wetBuffer(1)};
    for (VstInt32 done = 0; done < sampleFrames;) {
        const VstInt32 count = sampleFrames - done < BypassFade::kPiece ? sampleFrames - done : BypassFade::kPiece;
        bypass.keepDry(inputs[0] + done, inputs[1] + done, count);
        processEqualised(dry, wet, count);
        bypass.mix(on, outputs[0] + done, outputs[1] + done, count);
        done += count;
    }
}

void EqEffect::processEqualised(float** inputs, float** outputs, VstInt32 sampleFrames)
{
    if (sampleFrames <= 0 || !inputs || !outputs || !inputs[0] || !inputs[1] || !outputs[0] || !outputs[1]) {
        return;
    }
    if (!designed || settings.generation() != designedGeneration) {
        refreshDesigns();
    }
    // Subnormal numbers read and written as zero while the bands run. Where
    // the block ends in signal they will run: the modes are set now, and the
    // look at the buffers overlaps the switch.
    const VstInt32 last = sampleFrames - 1;
    FlushDenormals flush(cascadeCoefficients.activeBands != 0 &&
                         !StereoBuffers::isSilent(inputs[0][last], inputs[1][last]));

    // Where each output is its input or apart from both inputs, the block is
    // run in stretches that end on the frames where a tail may end (and where
    // a fading tail meets signal), so those fall on the same frames whatever
    // the blocks: the bands give the same output however their input is
    // divided.
    StereoBuffers rest(inputs[0], inputs[1], outputs[0], outputs[1], sampleFrames);
    const bool divisible = rest.divisible();
    for (VstInt32 count = tail.nextStretch(rest, divisible); count < rest.frames;
         count = tail.nextStretch(rest, divisible)) {
        processStretch(rest.stretch(0, count), flush);
        rest = rest.stretch(count, rest.frames - count);
    }
    processStretch(rest, flush);
}

void EqEffect::processStretch(const StereoBuffers& stretch, FlushDenormals& flush)
{
    const SilenceTail::Input input = tail.takeInput(stretch);
    const unsigned active = cascadeCoefficients.activeBands;
    if (active == 0) {
        stretch.copyFlushed();
        return;
    }
    // Silence in and nothing left in the bands: the output is exact zero, as
    // filtering +0 through zero histories gives, at the cost of filling it.
    if (input.positiveZero && cascadeHistoriesAreZero(cascadeHistory, active)) {
        stretch.clearOutputs();
        return;
    }

    flush.engage();

    // The cascade reads the inputs as it goes and writes the outputs behind
    // them. Where the buffers are arranged so that it could read something other
    // than what copying the inputs to the outputs leaves there, the inputs are
    // copied first and the cascade filters the outputs in place; outputs that
    // share samples take the band loop, which filters each active band in turn.
    const bool outputsApart = stretch.outputsApart();
    StereoBuffers buffers = stretch;
    if (outputsApart && !stretch.cascadeCanReadInputs()) {
        buffers.moveInputsToOutputs();
    }
    const CascadeKernel run = outputsApart ? cascade : cascadeRunBandLoop;
    const unsigned notFinite = run(cascadeCoefficients, cascadeHistory, buffers.inLeft, buffers.inRight,
                                   buffers.left, buffers.right, buffers.frames);
    // An infinity or a NaN in the input enters the bands as +0; finite
    // samples beyond the range a band can boost overflow, and a band whose
    // history has would otherwise stay NaN for ever.
    if (notFinite != 0) {
        cascadeClearHistories(cascadeHistory, notFinite);
    }

    tail.finish(buffers, input, cascadeHistory, active);
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
    formatStored(index, settings.get(index), settings.rate(), text, kVstMaxParamStrLen);
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

bool EqEffect::setFaceValue(std::uint32_t id, double value)
{
    if (id == kBypassId) {
        setBypassed(value >= 0.5);
        return true;
    }
    if (!isValidParameter(static_cast<std::int32_t>(id))) {
        return false;
    }
    setParameter(static_cast<VstInt32>(id), static_cast<float>(value));
    return true;
}

bool EqEffect::bypassValue(const char* text, double& value)
{
    const bool on = text && std::strcmp(text, bypassText(1.0)) == 0;
    const bool off = text && std::strcmp(text, bypassText(0.0)) == 0;
    if (on || off) {
        value = on ? 1.0 : 0.0;
    }
    return on || off;
}

bool EqEffect::getFaceValue(std::uint32_t id, double& value)
{
    if (id == kBypassId) {
        value = isBypassed() ? 1.0 : 0.0;
        return true;
    }
    if (!isValidParameter(static_cast<std::int32_t>(id))) {
        return false;
    }
    value = getParameter(static_cast<VstInt32>(id));
    return true;
}

void EqEffect::saveState(std::vector<unsigned char>& out)
{
    void* chunk = nullptr;
    const VstInt32 size = getChunk(&chunk, false);
    const auto* bytes = static_cast<const unsigned char*>(chunk);
    out.assign(bytes, bytes + size);
    unsigned char flag[StateRecords::kBypassBytes];
    StateRecords::putWord(flag, isBypassed() ? 1u : 0u);
    StateRecords::append(out, StateRecords::kBypassId, flag, sizeof flag);
}

bool EqEffect::loadState(const unsigned char* data, std::size_t size)
{
    const auto chunkBytes = static_cast<std::size_t>(bank.storageBytes());
    if (!data || size < chunkBytes || size > kLargestState) {
        return false;
    }
    const unsigned char* flag = nullptr;
    std::uint32_t flagBytes = 0;
    if (!StateRecords::find(data + chunkBytes, size - chunkBytes, StateRecords::kBypassId, &flag, &flagBytes)) {
        return false;
    }
    const bool hasBypass = flag != nullptr;
    if (hasBypass && (flagBytes < StateRecords::kBypassBytes || StateRecords::word(flag) > 1u)) {
        return false;
    }
    if (setChunk(const_cast<unsigned char*>(data), static_cast<VstInt32>(chunkBytes), false) !=
        static_cast<VstInt32>(chunkBytes)) {
        return false;
    }
    if (hasBypass) {
        setBypassed(StateRecords::word(flag) == 1u);
    }
    return true;
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
    copyText(name, kEffectName, kVstMaxEffectNameLen);
    return name != nullptr;
}

bool EqEffect::getVendorString(char* text)
{
    copyText(text, kVendorName, kVstMaxVendorStrLen);
    return text != nullptr;
}

bool EqEffect::getProductString(char* text)
{
    copyText(text, kEffectName, kVstMaxProductStrLen);
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
    const float scale = floatArg == 0.0f ? 1.0f : floatArg;
    const VstInt32 bytes = snapshotBytes(scale);
    if (!ptrArg || bytes == 0 || lArg2 < bytes) {
        return 0;
    }
    return drawSnapshot(static_cast<unsigned char*>(ptrArg), scale);
}

namespace {

bool snapshotScale(float scale) { return scale >= EqEditor::kMinimumScale && scale <= EqEditor::kMaximumScale; }

// As the editor rounds its sides.
VstInt32 scaledSide(VstInt32 side, float scale)
{
    return snapshotScale(scale) ? static_cast<VstInt32>(static_cast<float>(side) * scale + 0.5f) : 0;
}

}  // namespace

VstInt32 EqEffect::snapshotWidth(float scale) { return scaledSide(kSnapshotWidth, scale); }
VstInt32 EqEffect::snapshotHeight(float scale) { return scaledSide(kSnapshotHeight, scale); }
VstInt32 EqEffect::snapshotBytes(float scale) { return snapshotWidth(scale) * snapshotHeight(scale) * 3; }

VstIntPtr EqEffect::drawSnapshot(unsigned char* pixels, float scale)
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
        view.chooseScale(scale);
        view.syncControls();
        WindowHandle host = canvas.createTopLevelWindow(view.getWidth(), view.getHeight(), 0, 0);
        if (!host || !view.open(host)) {
            return 0;
        }
        canvas.sendMessage(view.getWindow(), kMessagePaint, 0, 0);
        shown = canvas.windowPixels(view.getWindow());
        view.close();
        canvas.destroyWindow(host);
    }
    const VstInt32 bytes = snapshotBytes(scale);
    if (shown.size() != static_cast<std::size_t>(bytes)) {
        return 0;
    }
    std::memcpy(pixels, shown.data(), shown.size());
    return bytes;
}
