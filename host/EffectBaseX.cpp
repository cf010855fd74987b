#include "host/EffectBaseX.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "host/EditorBase.h"
#include "host/TextHelpers.h"

namespace {

// The low byte of a float truncated toward zero, without undefined conversions
// for values a host should never send.
unsigned char truncatedLowByte(float value)
{
    if (!(std::fabs(value) < 2147483648.0f)) {
        return 0;
    }
    return static_cast<unsigned char>(static_cast<VstInt32>(value) & 0xFF);
}

}  // namespace

EffectBaseX::EffectBaseX(audioMasterCallback callback, VstInt32 programs, VstInt32 params)
    : EffectBase(callback, programs, params)
{
}

bool EffectBaseX::askHost(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt)
{
    return callHost(opcode, index, value, ptr, opt, 0) != 0;
}

VstIntPtr EffectBaseX::dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt)
{
    switch (opcode) {
    case effProcessEvents:
        return processEvents(static_cast<VstEvents*>(ptr));
    case effCanBeAutomated:
        return canBeAutomated(index) ? 1 : 0;
    case effString2Parameter:
        return string2Parameter(index, static_cast<char*>(ptr)) ? 1 : 0;
    case effGetProgramNameIndexed:
        return getProgramNameIndexed(static_cast<VstInt32>(value), index, static_cast<char*>(ptr)) ? 1 : 0;
    case effGetInputProperties:
        return getInputProperties(index, static_cast<VstPinProperties*>(ptr)) ? 1 : 0;
    case effGetOutputProperties:
        return getOutputProperties(index, static_cast<VstPinProperties*>(ptr)) ? 1 : 0;
    case effGetPlugCategory:
        return getPlugCategory();
    case effOfflineNotify:
        return offlineNotify(static_cast<VstAudioFile*>(ptr), static_cast<VstInt32>(value), index != 0) ? 1 : 0;
    case effOfflinePrepare:
        return offlinePrepare(static_cast<VstOfflineTask*>(ptr), static_cast<VstInt32>(value)) ? 1 : 0;
    case effOfflineRun:
        return offlineRun(static_cast<VstOfflineTask*>(ptr), static_cast<VstInt32>(value)) ? 1 : 0;
    case effProcessVarIo:
        return processVarIo(static_cast<VstVariableIo*>(ptr)) ? 1 : 0;
    case effSetSpeakerArrangement:
        return setSpeakerArrangement(reinterpret_cast<VstSpeakerArrangement*>(value),
                                     static_cast<VstSpeakerArrangement*>(ptr))
                   ? 1
                   : 0;
    case effSetBypass:
        return setBypass(value != 0) ? 1 : 0;
    case effGetEffectName:
        return getEffectName(static_cast<char*>(ptr)) ? 1 : 0;
    case effGetVendorString:
        return getVendorString(static_cast<char*>(ptr)) ? 1 : 0;
    case effGetProductString:
        return getProductString(static_cast<char*>(ptr)) ? 1 : 0;
    case effGetVendorVersion:
        return getVendorVersion();
    case effVendorSpecific:
        return vendorSpecific(index, value, ptr, opt);
    case effCanDo:
        return canDo(static_cast<char*>(ptr));
    case effGetTailSize:
        return getTailSize();
    case effGetParameterProperties:
        return getParameterProperties(index, static_cast<VstParameterProperties*>(ptr)) ? 1 : 0;
    case effGetVstVersion:
        return getVstVersion();
    case effEditKeyDown:
    case effEditKeyUp:
        if (!editor) {
            return 0;
        } else {
            VstKeyCode key;
            key.character = index;
            key.virt = static_cast<unsigned char>(value & 0xFF);
            key.modifier = truncatedLowByte(opt);
            const bool used = opcode == effEditKeyDown ? editor->onKeyDown(key) : editor->onKeyUp(key);
            return used ? 1 : 0;
        }
    case effSetEditKnobMode:
        return editor && editor->setKnobMode(static_cast<VstInt32>(value)) ? 1 : 0;
    case effGetMidiProgramName:
        return getMidiProgramName(index, static_cast<MidiProgramName*>(ptr));
    case effGetCurrentMidiProgram:
        return getCurrentMidiProgram(index, static_cast<MidiProgramName*>(ptr));
    case effGetMidiProgramCategory:
        return getMidiProgramCategory(index, static_cast<MidiProgramCategory*>(ptr));
    case effHasMidiProgramsChanged:
        return hasMidiProgramsChanged(index) ? 1 : 0;
    case effGetMidiKeyName:
        return getMidiKeyName(index, static_cast<MidiKeyName*>(ptr)) ? 1 : 0;
    case effBeginSetProgram:
        return beginSetProgram() ? 1 : 0;
    case effEndSetProgram:
        return endSetProgram() ? 1 : 0;
    case effGetSpeakerArrangement:
        return getSpeakerArrangement(reinterpret_cast<VstSpeakerArrangement**>(value),
                                     static_cast<VstSpeakerArrangement**>(ptr))
                   ? 1
                   : 0;
    case effShellGetNextPlugin:
        return shellGetNextPlugin(static_cast<char*>(ptr));
    case effStartProcess:
        return startProcess();
    case effStopProcess:
        return stopProcess();
    case effSetTotalSampleToProcess:
        return setTotalSampleToProcess(static_cast<VstInt32>(value));
    case effSetPanLaw:
        return setPanLaw(static_cast<VstInt32>(value), opt) ? 1 : 0;
    case effBeginLoadBank:
        return beginLoadBank(static_cast<VstPatchChunkInfo*>(ptr));
    case effBeginLoadProgram:
        return beginLoadProgram(static_cast<VstPatchChunkInfo*>(ptr));
    case effSetProcessPrecision:
        return setProcessPrecision(static_cast<VstInt32>(value)) ? 1 : 0;
    case effGetNumMidiInputChannels:
        return getNumMidiInputChannels();
    case effGetNumMidiOutputChannels:
        return getNumMidiOutputChannels();
    default:
        return EffectBase::dispatcher(opcode, index, value, ptr, opt);
    }
}

// Answers to host requests.
bool EffectBaseX::canBeAutomated(VstInt32) { return false; }
bool EffectBaseX::string2Parameter(VstInt32, char*) { return false; }
bool EffectBaseX::getParameterProperties(VstInt32, VstParameterProperties*) { return false; }
bool EffectBaseX::getProgramNameIndexed(VstInt32, VstInt32, char*) { return false; }
bool EffectBaseX::beginSetProgram() { return false; }
bool EffectBaseX::endSetProgram() { return false; }
VstInt32 EffectBaseX::beginLoadBank(VstPatchChunkInfo*) { return 0; }
VstInt32 EffectBaseX::beginLoadProgram(VstPatchChunkInfo*) { return 0; }
bool EffectBaseX::getInputProperties(VstInt32, VstPinProperties*) { return false; }
bool EffectBaseX::getOutputProperties(VstInt32, VstPinProperties*) { return false; }
bool EffectBaseX::setSpeakerArrangement(VstSpeakerArrangement*, VstSpeakerArrangement*) { return false; }

bool EffectBaseX::getSpeakerArrangement(VstSpeakerArrangement** input, VstSpeakerArrangement** output)
{
    if (input) {
        *input = nullptr;
    }
    if (output) {
        *output = nullptr;
    }
    return false;
}

bool EffectBaseX::setBypass(bool) { return false; }
bool EffectBaseX::setPanLaw(VstInt32, float) { return false; }
bool EffectBaseX::setProcessPrecision(VstInt32) { return false; }
VstInt32 EffectBaseX::getNumMidiInputChannels() { return 0; }
VstInt32 EffectBaseX::getNumMidiOutputChannels() { return 0; }
VstInt32 EffectBaseX::processEvents(VstEvents*) { return 0; }
VstInt32 EffectBaseX::startProcess() { return 0; }
VstInt32 EffectBaseX::stopProcess() { return 0; }
bool EffectBaseX::processVarIo(VstVariableIo*) { return false; }
VstInt32 EffectBaseX::setTotalSampleToProcess(VstInt32 value) { return value; }
VstInt32 EffectBaseX::getTailSize() { return 0; }
bool EffectBaseX::getEffectName(char*) { return false; }
bool EffectBaseX::getVendorString(char*) { return false; }
bool EffectBaseX::getProductString(char*) { return false; }
VstInt32 EffectBaseX::getVendorVersion() { return 0; }
VstIntPtr EffectBaseX::vendorSpecific(VstInt32, VstIntPtr, void*, float) { return 0; }
VstInt32 EffectBaseX::canDo(char*) { return 0; }
VstInt32 EffectBaseX::getVstVersion() { return kVstVersion; }

VstInt32 EffectBaseX::getPlugCategory()
{
    return (effectRecord.flags & effFlagsIsSynth) != 0 ? kPlugCategSynth : kPlugCategUnknown;
}

VstInt32 EffectBaseX::getMidiProgramName(VstInt32, MidiProgramName*) { return 0; }
VstInt32 EffectBaseX::getCurrentMidiProgram(VstInt32, MidiProgramName*) { return -1; }
VstInt32 EffectBaseX::getMidiProgramCategory(VstInt32, MidiProgramCategory*) { return 0; }
bool EffectBaseX::hasMidiProgramsChanged(VstInt32) { return false; }
bool EffectBaseX::getMidiKeyName(VstInt32, MidiKeyName*) { return false; }
VstInt32 EffectBaseX::shellGetNextPlugin(char*) { return 0; }
bool EffectBaseX::offlineNotify(VstAudioFile*, VstInt32, bool) { return false; }
bool EffectBaseX::offlinePrepare(VstOfflineTask*, VstInt32) { return false; }
bool EffectBaseX::offlineRun(VstOfflineTask*, VstInt32) { return false; }
VstInt32 EffectBaseX::getOfflinePassCount() { return 0; }
VstInt32 EffectBaseX::getOfflineMetaPassCount() { return 0; }

// Host services.
bool EffectBaseX::beginEdit(VstInt32 index) { return askHost(audioMasterBeginEdit, index); }
bool EffectBaseX::endEdit(VstInt32 index) { return askHost(audioMasterEndEdit, index); }
bool EffectBaseX::ioChanged() { return askHost(audioMasterIOChanged); }

float EffectBaseX::updateSampleRate()
{
    const VstIntPtr answer = callHost(audioMasterGetSampleRate, 0, 0, nullptr, 0.0f, 0);
    if (answer > 0) {
        sampleRate = static_cast<float>(answer);
    }
    return sampleRate;
}

VstInt32 EffectBaseX::updateBlockSize()
{
    const VstIntPtr answer = callHost(audioMasterGetBlockSize, 0, 0, nullptr, 0.0f, 0);
    if (answer > 0) {
        blockSize = static_cast<VstInt32>(answer);
    }
    return blockSize;
}

VstInt32 EffectBaseX::getInputLatency()
{
    return static_cast<VstInt32>(callHost(audioMasterGetInputLatency, 0, 0, nullptr, 0.0f, 0));
}

VstInt32 EffectBaseX::getOutputLatency()
{
    return static_cast<VstInt32>(callHost(audioMasterGetOutputLatency, 0, 0, nullptr, 0.0f, 0));
}

VstTimeInfo* EffectBaseX::getTimeInfo(VstInt32 filter)
{
    return reinterpret_cast<VstTimeInfo*>(callHost(audioMasterGetTime, 0, filter, nullptr, 0.0f, 0));
}

VstInt32 EffectBaseX::getCurrentProcessLevel()
{
    return static_cast<VstInt32>(callHost(audioMasterGetCurrentProcessLevel, 0, 0, nullptr, 0.0f, 0));
}

VstInt32 EffectBaseX::getAutomationState()
{
    return static_cast<VstInt32>(callHost(audioMasterGetAutomationState, 0, 0, nullptr, 0.0f, 0));
}

bool EffectBaseX::getHostVendorString(char* text) { return askHost(audioMasterGetVendorString, 0, 0, text); }
bool EffectBaseX::getHostProductString(char* text) { return askHost(audioMasterGetProductString, 0, 0, text); }

VstInt32 EffectBaseX::getHostVendorVersion()
{
    return static_cast<VstInt32>(callHost(audioMasterGetVendorVersion, 0, 0, nullptr, 0.0f, 0));
}

VstIntPtr EffectBaseX::hostVendorSpecific(VstInt32 arg1, VstIntPtr arg2, void* ptr, float arg3)
{
    return callHost(audioMasterVendorSpecific, arg1, arg2, ptr, arg3, 0);
}

VstInt32 EffectBaseX::canHostDo(char* text) { return askHost(audioMasterCanDo, 0, 0, text) ? 1 : 0; }

VstInt32 EffectBaseX::getHostLanguage()
{
    return static_cast<VstInt32>(callHost(audioMasterGetLanguage, 0, 0, nullptr, 0.0f, 0));
}

void* EffectBaseX::getDirectory()
{
    return reinterpret_cast<void*>(callHost(audioMasterGetDirectory, 0, 0, nullptr, 0.0f, 0));
}

bool EffectBaseX::updateDisplay() { return askHost(audioMasterUpdateDisplay); }
bool EffectBaseX::sizeWindow(VstInt32 width, VstInt32 height) { return askHost(audioMasterSizeWindow, width, height); }

bool EffectBaseX::openFileSelector(VstFileSelect* selector)
{
    return selector && askHost(audioMasterOpenFileSelector, 0, 0, selector);
}

bool EffectBaseX::closeFileSelector(VstFileSelect* selector)
{
    return selector && askHost(audioMasterCloseFileSelector, 0, 0, selector);
}

bool EffectBaseX::offlineRead(VstOfflineTask* offline, VstInt32 option, bool readSource)
{
    return askHost(audioMasterOfflineRead, readSource ? 1 : 0, option, offline);
}

bool EffectBaseX::offlineWrite(VstOfflineTask* offline, VstInt32 option)
{
    return askHost(audioMasterOfflineWrite, 0, option, offline);
}

bool EffectBaseX::offlineStart(VstAudioFile* files, VstInt32 fileCount, VstInt32 newFileCount)
{
    return askHost(audioMasterOfflineStart, newFileCount, fileCount, files);
}

VstInt32 EffectBaseX::offlineGetCurrentPass() { return askHost(audioMasterOfflineGetCurrentPass) ? 1 : 0; }
VstInt32 EffectBaseX::offlineGetCurrentMetaPass() { return askHost(audioMasterOfflineGetCurrentMetaPass) ? 1 : 0; }
void EffectBaseX::wantMidi(VstInt32 filter) { callHost(audioMasterWantMidi, 0, filter, nullptr, 0.0f, 0); }

VstInt32 EffectBaseX::tempoAt(VstInt32 position)
{
    return static_cast<VstInt32>(callHost(audioMasterTempoAt, 0, position, nullptr, 0.0f, 0));
}

VstInt32 EffectBaseX::getNumAutomatableParameters()
{
    return static_cast<VstInt32>(callHost(audioMasterGetNumAutomatableParameters, 0, 0, nullptr, 0.0f, 0));
}

VstInt32 EffectBaseX::getParameterQuantization()
{
    return static_cast<VstInt32>(callHost(audioMasterGetParameterQuantization, 0, 0, nullptr, 0.0f, 0));
}

bool EffectBaseX::needIdle() { return askHost(audioMasterNeedIdle); }

AEffect* EffectBaseX::getPreviousPlug(VstInt32)
{
    return reinterpret_cast<AEffect*>(callHost(audioMasterGetPreviousPlug, 0, 0, nullptr, 0.0f, 0));
}

AEffect* EffectBaseX::getNextPlug(VstInt32)
{
    return reinterpret_cast<AEffect*>(callHost(audioMasterGetNextPlug, 0, 0, nullptr, 0.0f, 0));
}

VstInt32 EffectBaseX::willReplaceOrAccumulate()
{
    return static_cast<VstInt32>(callHost(audioMasterWillReplaceOrAccumulate, 0, 0, nullptr, 0.0f, 0));
}

void EffectBaseX::setOutputSampleRate(float rate) { callHost(audioMasterSetOutputSampleRate, 0, 0, nullptr, rate, 0); }

VstSpeakerArrangement* EffectBaseX::getInputSpeakerArrangement()
{
    return reinterpret_cast<VstSpeakerArrangement*>(
        callHost(audioMasterGetInputSpeakerArrangement, 0, 0, nullptr, 0.0f, 0));
}

VstSpeakerArrangement* EffectBaseX::getOutputSpeakerArrangement()
{
    return reinterpret_cast<VstSpeakerArrangement*>(
        callHost(audioMasterGetOutputSpeakerArrangement, 0, 0, nullptr, 0.0f, 0));
}

void* EffectBaseX::openWindow(VstWindow* window)
{
    return reinterpret_cast<void*>(callHost(audioMasterOpenWindow, 0, 0, window, 0.0f, 0));
}

bool EffectBaseX::closeWindow(VstWindow* window) { return askHost(audioMasterCloseWindow, 0, 0, window); }

bool EffectBaseX::getChunkFile(void* nativePath)
{
    return nativePath && askHost(audioMasterGetChunkFile, 0, 0, nativePath);
}

// Flag setters.
void EffectBaseX::isSynth(bool state) { setFlag(effFlagsIsSynth, state); }
void EffectBaseX::noSoundInStop(bool state) { setFlag(effFlagsNoSoundInStop, state); }
void EffectBaseX::extIsAsync(bool state) { setFlag(effFlagsExtIsAsync, state); }
void EffectBaseX::extHasBuffer(bool state) { setFlag(effFlagsExtHasBuffer, state); }

// Speaker-arrangement tools.
bool EffectBaseX::allocateSpeakerArrangement(VstSpeakerArrangement** arrangement, VstInt32 channels)
{
    if (!arrangement) {
        return false;
    }
    std::free(*arrangement);
    *arrangement = nullptr;
    if (channels < 0) {
        return false;
    }
    auto* fresh = static_cast<VstSpeakerArrangement*>(std::calloc(1, speakerArrangementBytes(channels)));
    if (!fresh) {
        return false;
    }
    fresh->numChannels = channels;
    *arrangement = fresh;
    return true;
}

bool EffectBaseX::freeSpeakerArrangement(VstSpeakerArrangement** arrangement)
{
    if (arrangement) {
        std::free(*arrangement);
        *arrangement = nullptr;
    }
    return true;
}

bool EffectBaseX::copySpeakerProperties(VstSpeakerProperties* to, VstSpeakerProperties* from)
{
    if (!to || !from) {
        return false;
    }
    copyText(to->name, from->name, static_cast<VstInt32>(sizeof(to->name)) - 1);
    to->type = from->type;
    to->azimuth = from->azimuth;
    to->elevation = from->elevation;
    to->radius = from->radius;
    to->reserved = from->reserved;
    std::memcpy(to->future, from->future, sizeof(to->future));
    return true;
}

bool EffectBaseX::matchSpeakerArrangement(VstSpeakerArrangement** to, VstSpeakerArrangement* from)
{
    if (!from || !to) {
        return false;
    }
    if (!freeSpeakerArrangement(to) || !allocateSpeakerArrangement(to, from->numChannels)) {
        return false;
    }
    (*to)->type = from->type;
    // Hosts allocate arrangements to their channel count, past the declared eight.
    VstSpeakerProperties* target = (*to)->speakers;
    VstSpeakerProperties* source = from->speakers;
    for (VstInt32 i = 0; i < from->numChannels; ++i) {
        if (!copySpeakerProperties(target + i, source + i)) {
            return false;
        }
    }
    return true;
}

// Older operations with constant answers; no request reaches them.
VstInt32 EffectBaseX::getNumProgramCategories() { return 1; }
bool EffectBaseX::copyProgram(VstInt32) { return false; }
void EffectBaseX::connectInput(VstInt32, bool) {}
void EffectBaseX::connectOutput(VstInt32, bool) {}
VstInt32 EffectBaseX::getCurrentPosition() { return 0; }
float* EffectBaseX::getDestinationBuffer() { return nullptr; }

void EffectBaseX::setBlockSizeAndSampleRate(VstInt32 size, float rate)
{
    blockSize = size;
    sampleRate = rate;
}

bool EffectBaseX::getErrorText(char*) { return false; }
void* EffectBaseX::getIcon() { return nullptr; }
bool EffectBaseX::setViewPosition(VstInt32, VstInt32) { return false; }
VstInt32 EffectBaseX::effectIdle() { return 0; }
bool EffectBaseX::keysRequired() { return false; }
