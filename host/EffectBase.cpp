#include "host/EffectBase.h"

#include <cmath>
#include <cstring>

#include "host/EditorBase.h"
#include "host/TextHelpers.h"

namespace {

EffectBase* objectOf(AEffect* record) { return static_cast<EffectBase*>(record->object); }

// The record entries. Each forwards to the object on the caller's thread; none
// lets an exception escape into the host.

VST_ENTRY_ALIGN VstIntPtr VSTCALLBACK dispatchEntry(AEffect* record, VstInt32 opcode, VstInt32 index,
                                                    VstIntPtr value, void* ptr, float opt)
{
    EffectBase* effect = objectOf(record);
    try {
        if (opcode == effClose) {
            effect->dispatcher(opcode, index, value, ptr, opt);
            delete effect;
            return 1;
        }
        return effect->dispatcher(opcode, index, value, ptr, opt);
    } catch (...) {
        return 0;
    }
}

VST_ENTRY_ALIGN void VSTCALLBACK processEntry(AEffect* record, float** inputs, float** outputs,
                                              VstInt32 sampleFrames)
{
    try {
        objectOf(record)->process(inputs, outputs, sampleFrames);
    } catch (...) {
    }
}

VST_ENTRY_ALIGN void VSTCALLBACK setParameterEntry(AEffect* record, VstInt32 index, float value)
{
    try {
        objectOf(record)->setParameter(index, value);
    } catch (...) {
    }
}

VST_ENTRY_ALIGN float VSTCALLBACK getParameterEntry(AEffect* record, VstInt32 index)
{
    try {
        return objectOf(record)->getParameter(index);
    } catch (...) {
        return 0.0f;
    }
}

VST_ENTRY_ALIGN void VSTCALLBACK processReplacingEntry(AEffect* record, float** inputs, float** outputs,
                                                       VstInt32 sampleFrames)
{
    try {
        objectOf(record)->processReplacing(inputs, outputs, sampleFrames);
    } catch (...) {
    }
}

VST_ENTRY_ALIGN void VSTCALLBACK processDoubleReplacingEntry(AEffect* record, double** inputs, double** outputs,
                                                             VstInt32 sampleFrames)
{
    try {
        objectOf(record)->processDoubleReplacing(inputs, outputs, sampleFrames);
    } catch (...) {
    }
}

void emptyText(char* text)
{
    if (text) {
        text[0] = 0;
    }
}

}  // namespace

EffectBase::EffectBase(audioMasterCallback callback, VstInt32 programs, VstInt32 params)
    : hostCallback(callback),
      editor(nullptr),
      sampleRate(44100.0f),
      blockSize(1024),
      numPrograms(programs),
      numParams(params),
      curProgram(0)
{
    std::memset(&effectRecord, 0, sizeof(effectRecord));
    effectRecord.magic = kEffectMagic;
    effectRecord.dispatcher = dispatchEntry;
    effectRecord.process = processEntry;
    effectRecord.setParameter = setParameterEntry;
    effectRecord.getParameter = getParameterEntry;
    effectRecord.numPrograms = programs;
    effectRecord.numParams = params;
    effectRecord.numInputs = 1;
    effectRecord.numOutputs = 2;
    effectRecord.flags |= effFlagsCanReplacing;
    effectRecord.ioRatio = 1.0f;
    effectRecord.object = this;
    effectRecord.uniqueID = fourCharacters('N', 'o', 'E', 'f');
    effectRecord.version = 1;
    effectRecord.processReplacing = processReplacingEntry;
    effectRecord.processDoubleReplacing = processDoubleReplacingEntry;
}

EffectBase::~EffectBase() { delete editor; }

void EffectBase::setEditor(EditorBase* newEditor)
{
    editor = newEditor;
    setFlag(effFlagsHasEditor, newEditor != nullptr);
}

VstIntPtr EffectBase::callHost(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt,
                               VstIntPtr fallback)
{
    if (!hostCallback) {
        return fallback;
    }
    return hostCallback(&effectRecord, opcode, index, value, ptr, opt);
}

void EffectBase::setFlag(VstInt32 flag, bool state)
{
    if (state) {
        effectRecord.flags |= flag;
    } else {
        effectRecord.flags &= ~flag;
    }
}

VstIntPtr EffectBase::dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt)
{
    switch (opcode) {
    case effOpen:
        open();
        return 0;
    case effClose:
        close();
        return 0;
    case effSetProgram:
        if (value >= 0 && value < numPrograms) {
            setProgram(static_cast<VstInt32>(value));
        }
        return 0;
    case effGetProgram:
        return getProgram();
    case effSetProgramName:
        setProgramName(static_cast<char*>(ptr));
        return 0;
    case effGetProgramName:
        getProgramName(static_cast<char*>(ptr));
        return 0;
    case effGetParamLabel:
        getParameterLabel(index, static_cast<char*>(ptr));
        return 0;
    case effGetParamDisplay:
        getParameterDisplay(index, static_cast<char*>(ptr));
        return 0;
    case effGetParamName:
        getParameterName(index, static_cast<char*>(ptr));
        return 0;
    case effSetSampleRate:
        setSampleRate(opt);
        return 0;
    case effSetBlockSize:
        setBlockSize(static_cast<VstInt32>(value));
        return 0;
    case effMainsChanged:
        if (value == 0) {
            suspend();
        } else {
            resume();
        }
        return 0;
    case effEditGetRect:
        return editor && editor->getRect(static_cast<EditorRect**>(ptr)) ? 1 : 0;
    case effEditOpen:
        return editor && editor->open(ptr) ? 1 : 0;
    case effEditClose:
        if (editor) {
            editor->close();
        }
        return 0;
    case effEditIdle:
        if (editor) {
            editor->idle();
        }
        return 0;
    case effIdentify:
        return fourCharacters('N', 'v', 'E', 'f');
    case effGetChunk:
        return getChunk(static_cast<void**>(ptr), index != 0);
    case effSetChunk:
        return setChunk(ptr, static_cast<VstInt32>(value), index != 0);
    default:
        return 0;
    }
}

void EffectBase::open() {}
void EffectBase::close() {}
void EffectBase::suspend() {}
void EffectBase::resume() {}
void EffectBase::setSampleRate(float rate) { sampleRate = rate; }
void EffectBase::setBlockSize(VstInt32 size) { blockSize = size; }
void EffectBase::processDoubleReplacing(double**, double**, VstInt32) {}
void EffectBase::setParameter(VstInt32, float) {}
float EffectBase::getParameter(VstInt32) { return 0.0f; }

void EffectBase::setParameterAutomated(VstInt32 index, float value)
{
    setParameter(index, value);
    callHost(audioMasterAutomate, index, 0, nullptr, value, 0);
}

VstInt32 EffectBase::getProgram() { return curProgram; }
void EffectBase::setProgram(VstInt32 program) { curProgram = program; }
void EffectBase::setProgramName(char*) {}
void EffectBase::getProgramName(char* name) { emptyText(name); }
void EffectBase::getParameterLabel(VstInt32, char* label) { emptyText(label); }
void EffectBase::getParameterDisplay(VstInt32, char* text) { emptyText(text); }
void EffectBase::getParameterName(VstInt32, char* text) { emptyText(text); }
VstInt32 EffectBase::getChunk(void**, bool) { return 0; }
VstInt32 EffectBase::setChunk(void*, VstInt32, bool) { return 0; }
void EffectBase::setUniqueID(VstInt32 id) { effectRecord.uniqueID = id; }
void EffectBase::setNumInputs(VstInt32 inputs) { effectRecord.numInputs = inputs; }
void EffectBase::setNumOutputs(VstInt32 outputs) { effectRecord.numOutputs = outputs; }
void EffectBase::canProcessReplacing(bool state) { setFlag(effFlagsCanReplacing, state); }
void EffectBase::canDoubleReplacing(bool state) { setFlag(effFlagsCanDoubleReplacing, state); }
void EffectBase::programsAreChunks(bool state) { setFlag(effFlagsProgramChunks, state); }
void EffectBase::setInitialDelay(VstInt32 delay) { effectRecord.initialDelay = delay; }
EditorBase* EffectBase::getEditor() { return editor; }
AEffect* EffectBase::getEffectRecord() { return &effectRecord; }
float EffectBase::getSampleRate() { return sampleRate; }
VstInt32 EffectBase::getBlockSize() { return blockSize; }

VstInt32 EffectBase::getMasterVersion()
{
    const VstIntPtr version = callHost(audioMasterVersion, 0, 0, nullptr, 0.0f, 0);
    return version != 0 ? static_cast<VstInt32>(version) : 1;
}

VstInt32 EffectBase::getCurrentUniqueId()
{
    return static_cast<VstInt32>(callHost(audioMasterCurrentId, 0, 0, nullptr, 0.0f, 0));
}

void EffectBase::masterIdle() { callHost(audioMasterIdle, 0, 0, nullptr, 0.0f, 0); }

void EffectBase::dbToString(float value, char* text, VstInt32 maxLen)
{
    if (value <= 0.0f) {
        copyText(text, "-oo", maxLen);
        return;
    }
    floatToString(static_cast<float>(20.0 * std::log10(static_cast<double>(value))), text, maxLen);
}

void EffectBase::hzToString(float samples, char* text, VstInt32 maxLen)
{
    if (samples == 0.0f) {
        floatToString(0.0f, text, maxLen);
        return;
    }
    floatToString(getSampleRate() / samples, text, maxLen);
}

void EffectBase::msToString(float samples, char* text, VstInt32 maxLen)
{
    floatToString(static_cast<float>(static_cast<double>(samples) * 1000.0 / getSampleRate()), text, maxLen);
}

void EffectBase::floatToString(float value, char* text, VstInt32 maxLen) { formatFloat(value, text, maxLen); }
void EffectBase::intToString(VstInt32 value, char* text, VstInt32 maxLen) { formatInt(value, text, maxLen); }
void EffectBase::process(float**, float**, VstInt32) {}
float EffectBase::getVu() { return 0.0f; }
void EffectBase::hasVu(bool state) { setFlag(effFlagsHasVu, state); }
void EffectBase::hasClip(bool state) { setFlag(effFlagsHasClip, state); }
void EffectBase::canMono(bool state) { setFlag(effFlagsCanMono, state); }
void EffectBase::setRealtimeQualities(VstInt32 qualities) { effectRecord.realQualities = qualities; }
void EffectBase::setOfflineQualities(VstInt32 qualities) { effectRecord.offQualities = qualities; }

bool EffectBase::isInputConnected(VstInt32 input)
{
    return callHost(audioMasterPinConnected, input, 0, nullptr, 0.0f, 0) == 0;
}

bool EffectBase::isOutputConnected(VstInt32 output)
{
    return callHost(audioMasterPinConnected, output, 1, nullptr, 0.0f, 0) == 0;
}
