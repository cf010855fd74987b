#include "tools/PluginHost.h"

#include <cstring>

namespace {

// The host being created: the plug-in's first callback (the version query)
// arrives before its record exists, so it cannot be found through the record.
thread_local PluginHost* creatingHost = nullptr;

}  // namespace

PluginHost::PluginHost() = default;

PluginHost::~PluginHost() { close(); }

void PluginHost::close()
{
    if (!record) {
        return;
    }
    stop();
    dispatch(effClose);
    record = nullptr;
}

bool PluginHost::load(const std::string& modulePath, std::string& error)
{
    close();
    module = std::make_unique<PluginLoader>(modulePath);
    if (!module->isLoaded()) {
        error = "cannot load " + modulePath + ": " + module->error();
        return false;
    }
    PluginLoader::Entry entry = module->entry("VSTPluginMain");
    if (!entry) {
        entry = module->entry("main");
    }
    if (!entry) {
        error = modulePath + " is not a VST 2.4 plug-in: it exports neither VSTPluginMain nor main";
        return false;
    }
    creatingHost = this;
    AEffect* created = entry(&PluginHost::callback);
    creatingHost = nullptr;
    if (!created) {
        error = modulePath + " created no effect";
        return false;
    }
    if (created->magic != kEffectMagic || !created->dispatcher || !created->processReplacing) {
        error = modulePath + " is not a VST 2.4 plug-in: its effect record is not valid";
        return false;
    }
    record = created;
    record->user = this;
    dispatch(effOpen);
    return true;
}

VstIntPtr VSTCALLBACK PluginHost::callback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                           void* ptr, float opt)
{
    PluginHost* host = effect && effect->user ? static_cast<PluginHost*>(effect->user) : creatingHost;
    if (!host) {
        return opcode == audioMasterVersion ? kVstVersion : 0;
    }
    return host->answer(opcode, index, value, ptr, opt);
}

VstIntPtr PluginHost::answer(VstInt32 opcode, VstInt32 index, VstIntPtr, void* ptr, float opt)
{
    switch (opcode) {
    case audioMasterVersion:
        return kVstVersion;
    case audioMasterAutomate:
        automated.push_back(AutomationEvent{index, opt});
        return 0;
    case audioMasterGetSampleRate:
        return static_cast<VstIntPtr>(rate);
    case audioMasterGetBlockSize:
        return blockSize;
    case audioMasterGetVendorString:
        if (ptr) {
            std::strcpy(static_cast<char*>(ptr), "Korvo");
        }
        return 1;
    case audioMasterGetProductString:
        if (ptr) {
            std::strcpy(static_cast<char*>(ptr), "korvo command-line host");
        }
        return 1;
    case audioMasterGetVendorVersion:
        return 1000;
    case audioMasterUpdateDisplay:
        return 1;
    case audioMasterGetCurrentProcessLevel:
        return running ? 4 : 0;  // rendering offline
    default:
        return 0;
    }
}

VstIntPtr PluginHost::dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt)
{
    return record->dispatcher(record, opcode, index, value, ptr, opt);
}

std::string PluginHost::text(VstInt32 opcode, VstInt32 index, std::size_t capacity)
{
    // Generous room: some plug-ins write past the published capacities.
    std::vector<char> buffer(capacity + 256, 0);
    dispatch(opcode, index, 0, buffer.data());
    buffer.back() = 0;
    return std::string(buffer.data());
}

std::string PluginHost::effectName() { return text(effGetEffectName, 0, kVstMaxEffectNameLen); }
std::string PluginHost::vendorString() { return text(effGetVendorString, 0, kVstMaxVendorStrLen); }
std::string PluginHost::productString() { return text(effGetProductString, 0, kVstMaxProductStrLen); }
VstInt32 PluginHost::vendorVersion() { return static_cast<VstInt32>(dispatch(effGetVendorVersion)); }
VstInt32 PluginHost::vstVersion() { return static_cast<VstInt32>(dispatch(effGetVstVersion)); }

bool PluginHost::editorSize(int& width, int& height)
{
    if (!(record->flags & effFlagsHasEditor)) {
        return false;
    }
    EditorRect* rect = nullptr;
    if (!dispatch(effEditGetRect, 0, 0, &rect) || !rect) {
        return false;
    }
    width = rect->right - rect->left;
    height = rect->bottom - rect->top;
    return true;
}

VstIntPtr PluginHost::vendorSpecific(VstInt32 index, VstIntPtr value, void* ptr, float opt)
{
    return dispatch(effVendorSpecific, index, value, ptr, opt);
}

std::string PluginHost::parameterName(VstInt32 index) { return text(effGetParamName, index, kVstMaxParamStrLen); }
std::string PluginHost::parameterLabel(VstInt32 index) { return text(effGetParamLabel, index, kVstMaxParamStrLen); }

std::string PluginHost::parameterDisplay(VstInt32 index)
{
    return text(effGetParamDisplay, index, kVstMaxParamStrLen);
}

float PluginHost::getParameter(VstInt32 index) { return record->getParameter(record, index); }
void PluginHost::setParameter(VstInt32 index, float value) { record->setParameter(record, index, value); }

VstInt32 PluginHost::findParameter(const std::string& name)
{
    for (VstInt32 i = 0; i < record->numParams; ++i) {
        if (parameterName(i) == name) {
            return i;
        }
    }
    return -1;
}

std::string PluginHost::programName() { return text(effGetProgramName, 0, kVstMaxProgNameLen); }

void PluginHost::setProgramName(const std::string& name)
{
    std::vector<char> buffer(name.begin(), name.end());
    buffer.push_back(0);
    dispatch(effSetProgramName, 0, 0, buffer.data());
}

std::vector<unsigned char> PluginHost::getChunk(bool program)
{
    void* data = nullptr;
    const VstIntPtr size = dispatch(effGetChunk, program ? 1 : 0, 0, &data);
    if (size <= 0 || !data) {
        return {};
    }
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    return std::vector<unsigned char>(bytes, bytes + size);
}

bool PluginHost::setChunk(const std::vector<unsigned char>& chunk, bool program)
{
    std::vector<unsigned char> copy = chunk;  // the plug-in may keep or change what it is given
    return dispatch(effSetChunk, program ? 1 : 0, static_cast<VstIntPtr>(copy.size()), copy.data()) != 0;
}

void PluginHost::start(double sampleRate, VstInt32 maxBlock)
{
    stop();
    rate = sampleRate;
    blockSize = maxBlock;
    dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(sampleRate));
    dispatch(effSetBlockSize, 0, maxBlock);
    dispatch(effMainsChanged, 0, 1);
    dispatch(effStartProcess);
    running = true;
}

void PluginHost::process(float* const inputs[2], float* const outputs[2], VstInt32 frames)
{
    float* ins[2] = {inputs[0], inputs[1]};
    float* outs[2] = {outputs[0], outputs[1]};
    record->processReplacing(record, ins, outs, frames);
}

void PluginHost::stop()
{
    if (!running) {
        return;
    }
    dispatch(effStopProcess);
    dispatch(effMainsChanged, 0, 0);
    running = false;
}
