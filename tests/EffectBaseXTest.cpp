#include "host/EffectBaseX.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <type_traits>
#include <vector>

#include "host/EditorBase.h"
#include "tests/support/RecordingHost.h"

namespace {

char P[8];  // the pointer argument the tests pass
char Q[8];  // a second one, where a request carries two

template <typename T>
std::string show(T v)
{
    if constexpr (std::is_pointer_v<T>) {
        const void* p = static_cast<const void*>(v);
        return p == P ? "P" : p == Q ? "Q" : p ? "?" : "null";
    } else if constexpr (std::is_same_v<T, bool>) {
        return v ? "true" : "false";
    } else if constexpr (std::is_floating_point_v<T>) {
        char text[32];
        std::snprintf(text, sizeof text, "%g", static_cast<double>(v));
        return text;
    } else {
        return std::to_string(v);
    }
}

class BareEffectX : public EffectBaseX {
public:
    explicit BareEffectX(audioMasterCallback host) : EffectBaseX(host, 1, 2) {}
    void processReplacing(float**, float**, VstInt32) override {}
};

// Answers every request it serves with a result of its own and notes the call.
class RoutingEffect : public BareEffectX {
public:
    using BareEffectX::BareEffectX;
    std::vector<std::string> seen;

    template <typename... Args>
    VstInt32 hit(VstInt32 answer, const char* name, Args... args)
    {
        std::string call = std::string(name) + "(";
        [[maybe_unused]] const char* separator = "";
        ((call += separator + show(args), separator = ","), ...);
        seen.push_back(call + ")");
        return answer;
    }

    VstInt32 processEvents(VstEvents* e) override { return hit(25, "processEvents", e); }
    bool canBeAutomated(VstInt32 i) override { return hit(1, "canBeAutomated", i); }
    bool string2Parameter(VstInt32 i, char* t) override { return hit(1, "string2Parameter", i, t); }
    bool getProgramNameIndexed(VstInt32 c, VstInt32 i, char* t) override { return hit(1, "getProgramNameIndexed", c, i, t); }
    bool getInputProperties(VstInt32 i, VstPinProperties* p) override { return hit(1, "getInputProperties", i, p); }
    bool getOutputProperties(VstInt32 i, VstPinProperties* p) override { return hit(1, "getOutputProperties", i, p); }
    VstInt32 getPlugCategory() override { return hit(35, "getPlugCategory"); }
    bool offlineNotify(VstAudioFile* f, VstInt32 n, bool s) override { return hit(1, "offlineNotify", f, n, s); }
    bool offlinePrepare(VstOfflineTask* t, VstInt32 n) override { return hit(1, "offlinePrepare", t, n); }
    bool offlineRun(VstOfflineTask* t, VstInt32 n) override { return hit(1, "offlineRun", t, n); }
    bool processVarIo(VstVariableIo* v) override { return hit(1, "processVarIo", v); }
    bool setSpeakerArrangement(VstSpeakerArrangement* i, VstSpeakerArrangement* o) override
    {
        return hit(1, "setSpeakerArrangement", i, o);
    }
    bool setBypass(bool b) override { return hit(1, "setBypass", b); }
    bool getEffectName(char* t) override { return hit(1, "getEffectName", t); }
    bool getVendorString(char* t) override { return hit(1, "getVendorString", t); }
    bool getProductString(char* t) override { return hit(1, "getProductString", t); }
    VstInt32 getVendorVersion() override { return hit(49, "getVendorVersion"); }
    VstIntPtr vendorSpecific(VstInt32 a, VstIntPtr b, void* p, float f) override { return hit(50, "vendorSpecific", a, b, p, f); }
    VstInt32 canDo(char* t) override { return hit(-1, "canDo", t); }
    VstInt32 getTailSize() override { return hit(52, "getTailSize"); }
    bool getParameterProperties(VstInt32 i, VstParameterProperties* p) override { return hit(1, "getParameterProperties", i, p); }
    VstInt32 getVstVersion() override { return hit(58, "getVstVersion"); }
    VstInt32 getMidiProgramName(VstInt32 c, MidiProgramName* n) override { return hit(62, "getMidiProgramName", c, n); }
    VstInt32 getCurrentMidiProgram(VstInt32 c, MidiProgramName* n) override { return hit(63, "getCurrentMidiProgram", c, n); }
    VstInt32 getMidiProgramCategory(VstInt32 c, MidiProgramCategory* g) override { return hit(64, "getMidiProgramCategory", c, g); }
    bool hasMidiProgramsChanged(VstInt32 c) override { return hit(1, "hasMidiProgramsChanged", c); }
    bool getMidiKeyName(VstInt32 c, MidiKeyName* k) override { return hit(1, "getMidiKeyName", c, k); }
    bool beginSetProgram() override { return hit(1, "beginSetProgram"); }
    bool endSetProgram() override { return hit(1, "endSetProgram"); }
    bool getSpeakerArrangement(VstSpeakerArrangement** i, VstSpeakerArrangement** o) override
    {
        return hit(1, "getSpeakerArrangement", i, o);
    }
    VstInt32 shellGetNextPlugin(char* t) override { return hit(70, "shellGetNextPlugin", t); }
    VstInt32 startProcess() override { return hit(71, "startProcess"); }
    VstInt32 stopProcess() override { return hit(72, "stopProcess"); }
    VstInt32 setTotalSampleToProcess(VstInt32 v) override { return hit(73, "setTotalSampleToProcess", v); }
    bool setPanLaw(VstInt32 t, float v) override { return hit(1, "setPanLaw", t, v); }
    VstInt32 beginLoadBank(VstPatchChunkInfo* i) override { return hit(75, "beginLoadBank", i); }
    VstInt32 beginLoadProgram(VstPatchChunkInfo* i) override { return hit(76, "beginLoadProgram", i); }
    bool setProcessPrecision(VstInt32 p) override { return hit(1, "setProcessPrecision", p); }
    VstInt32 getNumMidiInputChannels() override { return hit(78, "getNumMidiInputChannels"); }
    VstInt32 getNumMidiOutputChannels() override { return hit(79, "getNumMidiOutputChannels"); }
};

// Records the key records and knob modes it receives.
class KeyEditor : public EditorBase {
public:
    using EditorBase::EditorBase;
    bool onKeyDown(VstKeyCode& key) override { keys.push_back(key); return true; }
    bool onKeyUp(VstKeyCode& key) override { keys.push_back(key); return false; }
    bool setKnobMode(VstInt32 mode) override { modes.push_back(mode); return mode == 2; }
    std::vector<VstKeyCode> keys;
    std::vector<VstInt32> modes;
};

VstIntPtr hostAnswer = 0;
// Records through the shared recording host, then answers hostAnswer.
VstIntPtr VSTCALLBACK answeringHost(AEffect* e, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt)
{
    RecordingHost::callback(e, opcode, index, value, ptr, opt);
    return hostAnswer;
}

VstIntPtr dispatch(EffectBase& effect, VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                   float opt = 0.0f)
{
    AEffect* record = effect.getEffectRecord();
    return record->dispatcher(record, opcode, index, value, ptr, opt);
}

VstIntPtr address(const void* p) { return reinterpret_cast<VstIntPtr>(p); }

class EffectBaseXTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        RecordingHost::instance().reset();
        hostAnswer = 0;
    }
    std::vector<HostCall> hostCalls() { return RecordingHost::instance().calls(); }
};

struct Route { VstInt32 opcode, index; VstIntPtr value; const char* call; VstIntPtr result; };

TEST_F(EffectBaseXTest, ExtendedRequestsReachTheirOperationsWithMappedArguments)
{
    const VstIntPtr q = address(Q);
    const Route routes[] = {
        {25, 3, 7, "processEvents(P)", 25},          {26, 3, 7, "canBeAutomated(3)", 1},
        {27, 3, 7, "string2Parameter(3,P)", 1},      {29, 3, 7, "getProgramNameIndexed(7,3,P)", 1},
        {33, 3, 7, "getInputProperties(3,P)", 1},    {34, 3, 7, "getOutputProperties(3,P)", 1},
        {35, 3, 7, "getPlugCategory()", 35},         {38, 2, 7, "offlineNotify(P,7,true)", 1},
        {38, 0, 7, "offlineNotify(P,7,false)", 1},   {39, 3, 7, "offlinePrepare(P,7)", 1},
        {40, 3, 7, "offlineRun(P,7)", 1},            {41, 3, 7, "processVarIo(P)", 1},
        {42, 3, q, "setSpeakerArrangement(Q,P)", 1}, {44, 3, 256, "setBypass(true)", 1},
        {44, 3, 0, "setBypass(false)", 1},           {45, 3, 7, "getEffectName(P)", 1},
        {47, 3, 7, "getVendorString(P)", 1},         {48, 3, 7, "getProductString(P)", 1},
        {49, 3, 7, "getVendorVersion()", 49},        {50, 3, 7, "vendorSpecific(3,7,P,0.5)", 50},
        {51, 3, 7, "canDo(P)", -1},                  {52, 3, 7, "getTailSize()", 52},
        {56, 3, 7, "getParameterProperties(3,P)", 1}, {58, 3, 7, "getVstVersion()", 58},
        {62, 3, 7, "getMidiProgramName(3,P)", 62},   {63, 3, 7, "getCurrentMidiProgram(3,P)", 63},
        {64, 3, 7, "getMidiProgramCategory(3,P)", 64}, {65, 3, 7, "hasMidiProgramsChanged(3)", 1},
        {66, 3, 7, "getMidiKeyName(3,P)", 1},        {67, 3, 7, "beginSetProgram()", 1},
        {68, 3, 7, "endSetProgram()", 1},            {69, 3, q, "getSpeakerArrangement(Q,P)", 1},
        {70, 3, 7, "shellGetNextPlugin(P)", 70},     {71, 3, 7, "startProcess()", 71},
        {72, 3, 7, "stopProcess()", 72},             {73, 3, 7, "setTotalSampleToProcess(7)", 73},
        {74, 3, 7, "setPanLaw(7,0.5)", 1},           {75, 3, 7, "beginLoadBank(P)", 75},
        {76, 3, 7, "beginLoadProgram(P)", 76},       {77, 3, 7, "setProcessPrecision(7)", 1},
        {78, 3, 7, "getNumMidiInputChannels()", 78}, {79, 3, 7, "getNumMidiOutputChannels()", 79},
    };
    RoutingEffect effect(RecordingHost::callback);
    for (const Route& route : routes) {
        effect.seen.clear();
        EXPECT_EQ(route.result, dispatch(effect, route.opcode, route.index, route.value, P, 0.5f)) << route.call;
        EXPECT_EQ(std::vector<std::string>{route.call}, effect.seen) << "opcode " << route.opcode;
    }
    EXPECT_TRUE(hostCalls().empty()) << "no request calls the host";
}

TEST_F(EffectBaseXTest, OtherOpcodesFallThroughToTheCoreDispatcher)
{
    RoutingEffect effect(RecordingHost::callback);
    // 28 to 57: older requests whose operations stay unreachable; 43 would set the block size and rate.
    const VstInt32 older[] = {28, 30, 31, 32, 36, 37, 43, 46, 53, 54, 55, 57, 80, 1000, -1, INT32_MIN};
    for (VstInt32 opcode : older) EXPECT_EQ(0, dispatch(effect, opcode, 1, 256, P, 48000.0f)) << opcode;
    EXPECT_EQ(std::vector<std::string>{}, effect.seen);
    EXPECT_EQ(44100.0f, effect.getSampleRate());
    EXPECT_EQ(1024, effect.getBlockSize());
    EXPECT_EQ(0x4E764566, dispatch(effect, effIdentify));
    dispatch(effect, effSetBlockSize, 0, 333);
    EXPECT_EQ(333, effect.getBlockSize());
}

TEST_F(EffectBaseXTest, DefaultAnswersToExtendedRequests)
{
    BareEffectX effect(RecordingHost::callback);
    EXPECT_EQ(2400, dispatch(effect, effGetVstVersion));
    EXPECT_EQ(0, dispatch(effect, effGetPlugCategory));
    effect.isSynth(true);
    EXPECT_EQ(2, dispatch(effect, effGetPlugCategory));
    EXPECT_EQ(-1, dispatch(effect, effGetCurrentMidiProgram));
    EXPECT_EQ(12345, dispatch(effect, effSetTotalSampleToProcess, 0, 12345));
    EXPECT_EQ(0, dispatch(effect, effSetBypass, 0, 1));
    EXPECT_EQ(0, dispatch(effect, effSetBypass, 0, 0));
    VstSpeakerArrangement marker = {};
    VstSpeakerArrangement* in = &marker;
    VstSpeakerArrangement* out = &marker;
    EXPECT_EQ(0, dispatch(effect, effGetSpeakerArrangement, 0, address(&in), &out));
    EXPECT_TRUE(in == nullptr && out == nullptr);
    EXPECT_EQ(0, dispatch(effect, effGetNumProgramCategories));
    EXPECT_EQ(1, effect.getNumProgramCategories());
    effect.setBlockSizeAndSampleRate(256, 48000.0f);
    EXPECT_EQ(256, effect.getBlockSize());
    EXPECT_EQ(48000.0f, effect.getSampleRate());
    EXPECT_TRUE(hostCalls().empty());
}

TEST_F(EffectBaseXTest, FlagSettersChangeOnlyTheirOwnBit)
{
    BareEffectX effect(RecordingHost::callback);
    AEffect* record = effect.getEffectRecord();
    struct Setter { void (EffectBaseX::*set)(bool); VstInt32 bit; };
    const Setter setters[] = {{&EffectBaseX::isSynth, 256}, {&EffectBaseX::noSoundInStop, 512},
                              {&EffectBaseX::extIsAsync, 1024}, {&EffectBaseX::extHasBuffer, 2048}};
    for (const Setter& setter : setters) {
        record->flags = 0x5A5A00A5;
        (effect.*setter.set)(true);
        EXPECT_EQ(0x5A5A00A5 | setter.bit, record->flags) << setter.bit;
        (effect.*setter.set)(false);
        EXPECT_EQ(0x5A5A00A5, record->flags) << setter.bit;
    }
}

TEST_F(EffectBaseXTest, EditorRequestsPassKeyRecordsAndKnobModes)
{
    BareEffectX effect(RecordingHost::callback);
    for (VstInt32 opcode : {effEditKeyDown, effEditKeyUp, effSetEditKnobMode})
        EXPECT_EQ(0, dispatch(effect, opcode, 'a', 2, nullptr, 1.0f)) << "no editor, opcode " << opcode;
    EditorBase* plain = new EditorBase(&effect);
    effect.setEditor(plain);
    for (VstInt32 opcode : {effEditKeyDown, effEditKeyUp, effSetEditKnobMode})
        EXPECT_EQ(0, dispatch(effect, opcode, 'a', 2, nullptr, 1.0f)) << "default editor, opcode " << opcode;

    KeyEditor* editor = new KeyEditor(&effect);
    effect.setEditor(editor);
    delete plain;  // replaced, so no longer the effect's to delete
    EXPECT_EQ(1, dispatch(effect, effEditKeyDown, 'a', 0x1234, nullptr, 2.9f));
    EXPECT_EQ(0, dispatch(effect, effEditKeyUp, 0x263A, 0x41, nullptr, -1.5f));
    ASSERT_EQ(2u, editor->keys.size());
    EXPECT_EQ('a', editor->keys[0].character);
    EXPECT_EQ(0x34, editor->keys[0].virt);
    EXPECT_EQ(2, editor->keys[0].modifier) << "opt 2.9 truncates to 2";
    EXPECT_EQ(0x263A, editor->keys[1].character);
    EXPECT_EQ(0x41, editor->keys[1].virt);
    EXPECT_EQ(0xFF, editor->keys[1].modifier) << "opt -1.5 truncates toward zero to -1";
    EXPECT_EQ(1, dispatch(effect, effSetEditKnobMode, 0, 2));
    EXPECT_EQ(0, dispatch(effect, effSetEditKnobMode, 0, 1));
    EXPECT_EQ((std::vector<VstInt32>{2, 1}), editor->modes);
}

enum class Result { Flag, Answer, None };  // Flag: true/false or 1/0; Answer: passed through

struct Service {
    const char* name;
    std::function<VstIntPtr(EffectBaseX&)> call;
    VstInt32 opcode, index;
    VstIntPtr value;
    const void* ptr;
    float opt;
    Result result;
};

TEST_F(EffectBaseXTest, HostServicesSendTheirOpcodeAndArgumentsAndConvertTheAnswer)
{
    using E = EffectBaseX;
    const Service services[] = {
        {"getCurrentUniqueId", [](E& e) -> VstIntPtr { return e.getCurrentUniqueId(); }, 2, 0, 0, nullptr, 0, Result::Answer},
        {"masterIdle", [](E& e) -> VstIntPtr { e.masterIdle(); return 0; }, 3, 0, 0, nullptr, 0, Result::None},
        {"wantMidi", [](E& e) -> VstIntPtr { e.wantMidi(1); return 0; }, 6, 0, 1, nullptr, 0, Result::None},
        {"getTimeInfo", [](E& e) { return address(e.getTimeInfo(0x0F00)); }, 7, 0, 0x0F00, nullptr, 0, Result::Answer},
        {"tempoAt", [](E& e) -> VstIntPtr { return e.tempoAt(4410); }, 10, 0, 4410, nullptr, 0, Result::Answer},
        {"getNumAutomatableParameters", [](E& e) -> VstIntPtr { return e.getNumAutomatableParameters(); }, 11, 0, 0, nullptr, 0, Result::Answer},
        {"getParameterQuantization", [](E& e) -> VstIntPtr { return e.getParameterQuantization(); }, 12, 0, 0, nullptr, 0, Result::Answer},
        {"ioChanged", [](E& e) -> VstIntPtr { return e.ioChanged(); }, 13, 0, 0, nullptr, 0, Result::Flag},
        {"needIdle", [](E& e) -> VstIntPtr { return e.needIdle(); }, 14, 0, 0, nullptr, 0, Result::Flag},
        {"sizeWindow", [](E& e) -> VstIntPtr { return e.sizeWindow(785, 82); }, 15, 785, 82, nullptr, 0, Result::Flag},
        {"getInputLatency", [](E& e) -> VstIntPtr { return e.getInputLatency(); }, 18, 0, 0, nullptr, 0, Result::Answer},
        {"getOutputLatency", [](E& e) -> VstIntPtr { return e.getOutputLatency(); }, 19, 0, 0, nullptr, 0, Result::Answer},
        {"getPreviousPlug", [](E& e) { return address(e.getPreviousPlug(3)); }, 20, 0, 0, nullptr, 0, Result::Answer},
        {"getNextPlug", [](E& e) { return address(e.getNextPlug(3)); }, 21, 0, 0, nullptr, 0, Result::Answer},
        {"willReplaceOrAccumulate", [](E& e) -> VstIntPtr { return e.willReplaceOrAccumulate(); }, 22, 0, 0, nullptr, 0, Result::Answer},
        {"getCurrentProcessLevel", [](E& e) -> VstIntPtr { return e.getCurrentProcessLevel(); }, 23, 0, 0, nullptr, 0, Result::Answer},
        {"getAutomationState", [](E& e) -> VstIntPtr { return e.getAutomationState(); }, 24, 0, 0, nullptr, 0, Result::Answer},
        {"offlineStart", [](E& e) -> VstIntPtr { return e.offlineStart(reinterpret_cast<VstAudioFile*>(P), 3, 2); }, 25, 2, 3, P, 0, Result::Flag},
        {"offlineRead", [](E& e) -> VstIntPtr { return e.offlineRead(reinterpret_cast<VstOfflineTask*>(P), 4, true); }, 26, 1, 4, P, 0, Result::Flag},
        {"offlineWrite", [](E& e) -> VstIntPtr { return e.offlineWrite(reinterpret_cast<VstOfflineTask*>(P), 4); }, 27, 0, 4, P, 0, Result::Flag},
        {"offlineGetCurrentPass", [](E& e) -> VstIntPtr { return e.offlineGetCurrentPass(); }, 28, 0, 0, nullptr, 0, Result::Flag},
        {"offlineGetCurrentMetaPass", [](E& e) -> VstIntPtr { return e.offlineGetCurrentMetaPass(); }, 29, 0, 0, nullptr, 0, Result::Flag},
        {"setOutputSampleRate", [](E& e) -> VstIntPtr { e.setOutputSampleRate(48000.0f); return 0; }, 30, 0, 0, nullptr, 48000.0f, Result::None},
        {"getOutputSpeakerArrangement", [](E& e) { return address(e.getOutputSpeakerArrangement()); }, 31, 0, 0, nullptr, 0, Result::Answer},
        {"getHostVendorString", [](E& e) -> VstIntPtr { return e.getHostVendorString(P); }, 32, 0, 0, P, 0, Result::Flag},
        {"getHostProductString", [](E& e) -> VstIntPtr { return e.getHostProductString(P); }, 33, 0, 0, P, 0, Result::Flag},
        {"getHostVendorVersion", [](E& e) -> VstIntPtr { return e.getHostVendorVersion(); }, 34, 0, 0, nullptr, 0, Result::Answer},
        {"hostVendorSpecific", [](E& e) { return e.hostVendorSpecific(9, 0x1234, P, 0.5f); }, 35, 9, 0x1234, P, 0.5f, Result::Answer},
        {"canHostDo", [](E& e) -> VstIntPtr { return e.canHostDo(P); }, 37, 0, 0, P, 0, Result::Flag},
        {"getHostLanguage", [](E& e) -> VstIntPtr { return e.getHostLanguage(); }, 38, 0, 0, nullptr, 0, Result::Answer},
        {"openWindow", [](E& e) { return address(e.openWindow(reinterpret_cast<VstWindow*>(P))); }, 39, 0, 0, P, 0, Result::Answer},
        {"closeWindow", [](E& e) -> VstIntPtr { return e.closeWindow(reinterpret_cast<VstWindow*>(P)); }, 40, 0, 0, P, 0, Result::Flag},
        {"getDirectory", [](E& e) { return address(e.getDirectory()); }, 41, 0, 0, nullptr, 0, Result::Answer},
        {"updateDisplay", [](E& e) -> VstIntPtr { return e.updateDisplay(); }, 42, 0, 0, nullptr, 0, Result::Flag},
        {"beginEdit", [](E& e) -> VstIntPtr { return e.beginEdit(5); }, 43, 5, 0, nullptr, 0, Result::Flag},
        {"endEdit", [](E& e) -> VstIntPtr { return e.endEdit(6); }, 44, 6, 0, nullptr, 0, Result::Flag},
        {"openFileSelector", [](E& e) -> VstIntPtr { return e.openFileSelector(reinterpret_cast<VstFileSelect*>(P)); }, 45, 0, 0, P, 0, Result::Flag},
        {"closeFileSelector", [](E& e) -> VstIntPtr { return e.closeFileSelector(reinterpret_cast<VstFileSelect*>(P)); }, 46, 0, 0, P, 0, Result::Flag},
        {"getChunkFile", [](E& e) -> VstIntPtr { return e.getChunkFile(P); }, 48, 0, 0, P, 0, Result::Flag},
        {"getInputSpeakerArrangement", [](E& e) { return address(e.getInputSpeakerArrangement()); }, 49, 0, 0, nullptr, 0, Result::Answer},
    };
    for (const Service& service : services) {
        SCOPED_TRACE(service.name);
        for (VstIntPtr answer : {VstIntPtr{0}, VstIntPtr{3}}) {
            RecordingHost::instance().reset();
            hostAnswer = answer;
            BareEffectX effect(answeringHost);
            const VstIntPtr result = service.call(effect);
            if (service.result != Result::None) {
                EXPECT_EQ(service.result == Result::Flag ? answer != 0 : answer, result);
            }
            const std::vector<HostCall> calls = hostCalls();
            ASSERT_EQ(1u, calls.size());
            EXPECT_EQ(effect.getEffectRecord(), calls[0].effect);
            EXPECT_EQ(service.opcode, calls[0].opcode);
            EXPECT_EQ(service.index, calls[0].index);
            EXPECT_EQ(service.value, calls[0].value);
            EXPECT_EQ(service.ptr, calls[0].ptr);
            EXPECT_EQ(service.opt, calls[0].opt);
        }
        BareEffectX alone(nullptr);
        EXPECT_EQ(0, service.call(alone)) << "fallback without a host";
    }
}

TEST_F(EffectBaseXTest, FileRequestsRefuseNullWithoutAskingTheHost)
{
    hostAnswer = 3;
    BareEffectX effect(answeringHost);
    EXPECT_FALSE(effect.openFileSelector(nullptr));
    EXPECT_FALSE(effect.closeFileSelector(nullptr));
    EXPECT_FALSE(effect.getChunkFile(nullptr));
    EXPECT_TRUE(hostCalls().empty());
}

TEST_F(EffectBaseXTest, SampleRateAndBlockSizeUpdatesKeepTheOldValueUnlessTheHostKnows)
{
    BareEffectX effect(RecordingHost::callback);
    RecordingHost& host = RecordingHost::instance();
    host.sampleRateAnswer = 48000;
    host.blockSizeAnswer = 256;
    EXPECT_EQ(48000.0f, effect.updateSampleRate());
    EXPECT_EQ(256, effect.updateBlockSize());
    for (VstIntPtr unknown : {VstIntPtr{0}, VstIntPtr{-1}}) {
        host.sampleRateAnswer = host.blockSizeAnswer = unknown;
        EXPECT_EQ(48000.0f, effect.updateSampleRate());
        EXPECT_EQ(256, effect.updateBlockSize());
    }
    EXPECT_EQ(48000.0f, effect.getSampleRate());
    EXPECT_EQ(256, effect.getBlockSize());
    EXPECT_EQ(3u, host.callsOf(audioMasterGetSampleRate).size());
    EXPECT_EQ(3u, host.callsOf(audioMasterGetBlockSize).size());
    BareEffectX alone(nullptr);
    EXPECT_EQ(44100.0f, alone.updateSampleRate());
    EXPECT_EQ(1024, alone.updateBlockSize());
}

VstSpeakerProperties speaker(float azimuth, const char* name, VstInt32 type)
{
    VstSpeakerProperties s;
    std::memset(&s, 0, sizeof s);
    s.azimuth = azimuth;
    s.elevation = azimuth / 2;
    s.radius = 1.0f;
    s.reserved = 0.25f;
    std::strcpy(s.name, name);
    s.type = type;
    std::memset(s.future, 0x3C, sizeof s.future);
    return s;
}

TEST_F(EffectBaseXTest, AllocateAndFreeSpeakerArrangements)
{
    BareEffectX effect(nullptr);
    VstSpeakerArrangement* arrangement = nullptr;
    ASSERT_TRUE(effect.allocateSpeakerArrangement(&arrangement, 5));
    ASSERT_NE(nullptr, arrangement);
    EXPECT_EQ(5, arrangement->numChannels);
    const std::string bytes(reinterpret_cast<const char*>(arrangement), speakerArrangementBytes(5));
    EXPECT_EQ(std::string(4, '\0'), bytes.substr(0, 4)) << "type";
    EXPECT_EQ(std::string(112 * 5, '\0'), bytes.substr(8)) << "speakers";
    ASSERT_TRUE(effect.allocateSpeakerArrangement(&arrangement, 1));  // the leak checker catches a lost record
    EXPECT_EQ(1, arrangement->numChannels);
    EXPECT_TRUE(effect.freeSpeakerArrangement(&arrangement));
    EXPECT_EQ(nullptr, arrangement);
    EXPECT_TRUE(effect.freeSpeakerArrangement(&arrangement));
}

TEST_F(EffectBaseXTest, CopySpeakerPropertiesCutsTheNameAndRefusesNull)
{
    BareEffectX effect(nullptr);
    VstSpeakerProperties from = speaker(30.0f, "", 7);
    std::memset(from.name, 'n', sizeof from.name);  // no terminator at all
    VstSpeakerProperties to;
    std::memset(&to, 0x55, sizeof to);
    EXPECT_FALSE(effect.copySpeakerProperties(nullptr, &from));
    EXPECT_FALSE(effect.copySpeakerProperties(&to, nullptr));
    EXPECT_EQ(0x55, to.name[0]);
    ASSERT_TRUE(effect.copySpeakerProperties(&to, &from));
    EXPECT_EQ(std::string(63, 'n') + '\0', std::string(to.name, sizeof to.name));
    EXPECT_TRUE(to.azimuth == 30.0f && to.elevation == 15.0f && to.radius == 1.0f && to.reserved == 0.25f);
    EXPECT_EQ(7, to.type);
    EXPECT_EQ(0, std::memcmp(from.future, to.future, sizeof to.future));
}

// Speaker tools that can be made to fail, to see that matching goes through them.
class FlakySpeakers : public BareEffectX {
public:
    FlakySpeakers() : BareEffectX(nullptr) {}
    bool allocateSpeakerArrangement(VstSpeakerArrangement** to, VstInt32 channels) override
    {
        return !failAllocation && BareEffectX::allocateSpeakerArrangement(to, channels);
    }
    bool copySpeakerProperties(VstSpeakerProperties* to, VstSpeakerProperties* from) override
    {
        return ++copies != failCopy && BareEffectX::copySpeakerProperties(to, from);
    }
    bool failAllocation = false;
    int failCopy = 0;
    int copies = 0;
};

TEST_F(EffectBaseXTest, MatchSpeakerArrangementCopiesTypeCountAndEverySpeaker)
{
    VstSpeakerArrangement source;
    std::memset(&source, 0, sizeof source);
    source.type = 1;
    source.numChannels = 2;
    source.speakers[0] = speaker(-30.0f, "L", 1);
    source.speakers[1] = speaker(30.0f, "R", 2);
    FlakySpeakers effect;
    VstSpeakerArrangement* target = nullptr;
    ASSERT_TRUE(effect.allocateSpeakerArrangement(&target, 6));
    VstSpeakerArrangement* const before = target;
    EXPECT_FALSE(effect.matchSpeakerArrangement(&target, nullptr));
    EXPECT_EQ(before, target);

    ASSERT_TRUE(effect.matchSpeakerArrangement(&target, &source));
    EXPECT_EQ(2, effect.copies);
    EXPECT_EQ(1, target->type);
    EXPECT_EQ(2, target->numChannels);
    EXPECT_EQ(0, std::memcmp(source.speakers, target->speakers, 2 * sizeof(VstSpeakerProperties)));

    effect.copies = 0;
    effect.failCopy = 2;
    EXPECT_FALSE(effect.matchSpeakerArrangement(&target, &source));
    EXPECT_EQ(2, effect.copies) << "stops at the first failure";
    EXPECT_EQ(0, std::memcmp(&source.speakers[0], &target->speakers[0], sizeof(VstSpeakerProperties)));
    EXPECT_EQ(0.0f, target->speakers[1].azimuth);

    effect.failAllocation = true;
    EXPECT_FALSE(effect.matchSpeakerArrangement(&target, &source));
    EXPECT_EQ(nullptr, target);
}

}  // namespace
