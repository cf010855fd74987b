#include "host/EffectBase.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "host/EditorBase.h"
#include "host/ModuleInstance.h"
#include "tests/support/RecordingHost.h"

namespace {

using Events = std::vector<std::string>;

// The smallest effect: supplies the audio routine and notes the operations that run.
class BareEffect : public EffectBase {
public:
    BareEffect(audioMasterCallback host, Events* log) : EffectBase(host, 3, 4), events(log) {}
    ~BareEffect() override { events->push_back("~effect"); }

    void open() override { events->push_back("open"); }
    void close() override { events->push_back("close"); }
    void suspend() override { events->push_back("suspend"); }
    void resume() override { events->push_back("resume"); }
    void processReplacing(float** in, float** out, VstInt32 n) override { note("processReplacing", in, out, n); }
    void process(float** in, float** out, VstInt32 n) override { note("process", in, out, n); }
    void processDoubleReplacing(double** in, double** out, VstInt32 n) override { note("processDouble", in, out, n); }
    void setParameter(VstInt32 index, float value) override
    {
        hostCallsBeforeSetParameter = RecordingHost::instance().calls().size();
        events->push_back("setParameter " + std::to_string(index) + " " + std::to_string(value));
    }
    float getParameter(VstInt32 index) override { return 0.25f * static_cast<float>(index); }
    void setProgramName(char* name) override { events->push_back(std::string("setProgramName ") + name); }
    VstInt32 getChunk(void** data, bool isPreset) override
    {
        *data = chunk;
        events->push_back(isPreset ? "getChunk program" : "getChunk bank");
        return sizeof chunk;
    }
    VstInt32 setChunk(void* data, VstInt32 size, bool isPreset) override
    {
        events->push_back("setChunk " + std::to_string(size) + (isPreset ? " program" : " bank"));
        return data == chunk ? -7 : 0;
    }
    void note(const char* name, const void* in, const void* out, VstInt32 n)
    {
        io[0] = in;
        io[1] = out;
        events->push_back(std::string(name) + " " + std::to_string(n));
    }

    Events* events;
    char chunk[40] = {};
    const void* io[2] = {};
    std::size_t hostCallsBeforeSetParameter = 99;
};

// Keeps every default of the editor interface; only reports its destruction.
class CountedEditor : public EditorBase {
public:
    CountedEditor(EffectBase* owner, Events* log) : EditorBase(owner), events(log) {}
    ~CountedEditor() override { events->push_back("~editor"); }
    Events* events;
};

// An editor that accepts every request and notes it.
class RecordingEditor : public CountedEditor {
public:
    using CountedEditor::CountedEditor;
    bool getRect(EditorRect** out) override { *out = &rect; events->push_back("getRect"); return true; }
    bool open(void* parent) override { EditorBase::open(parent); events->push_back("open editor"); return true; }
    void close() override { EditorBase::close(); events->push_back("close editor"); }
    void idle() override { events->push_back("idle"); }
    EditorRect rect = {0, 0, 82, 785};
};

VstIntPtr VSTCALLBACK hostAnsweringOne(AEffect*, VstInt32, VstInt32, VstIntPtr, void*, float) { return 1; }

class EffectBaseTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        RecordingHost::instance().reset();
        effect = new BareEffect(RecordingHost::callback, &events);
        record = effect->getEffectRecord();
    }
    void TearDown() override
    {
        if (record) closeEffect();
    }
    VstIntPtr dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr, float opt = 0)
    {
        return record->dispatcher(record, opcode, index, value, ptr, opt);
    }
    VstIntPtr closeEffect()
    {
        const VstIntPtr result = dispatch(effClose);
        record = nullptr;
        effect = nullptr;
        return result;
    }
    std::string text(void (EffectBase::*convert)(float, char*, VstInt32), float value, VstInt32 maxLen = 8)
    {
        char buffer[24];
        std::memset(buffer, 0x7F, sizeof buffer);
        (effect->*convert)(value, buffer, maxLen);
        EXPECT_EQ(0, buffer[maxLen]);
        EXPECT_EQ(0x7F, buffer[maxLen + 1]) << "written beyond maxLen";
        return buffer;
    }
    std::vector<HostCall> hostCalls() { return RecordingHost::instance().calls(); }
    // The host calls so far as "opcode index value ptr opt", each sent with this effect's record.
    Events hostCallTexts()
    {
        Events texts;
        for (const HostCall& c : hostCalls()) {
            EXPECT_EQ(record, c.effect);
            texts.push_back(std::to_string(c.opcode) + " " + std::to_string(c.index) + " " + std::to_string(c.value) +
                            (c.ptr ? " ptr " : " null ") + std::to_string(c.opt));
        }
        return texts;
    }

    Events events;
    BareEffect* effect = nullptr;
    AEffect* record = nullptr;
};

TEST_F(EffectBaseTest, FreshRecordHoldsOnlyTheBaseValues)
{
    EXPECT_EQ(0x56737450, record->magic);
    EXPECT_EQ(0x4E6F4566, record->uniqueID);
    EXPECT_EQ(1, record->numInputs);
    EXPECT_EQ(2, record->numOutputs);
    EXPECT_EQ(16, record->flags);
    EXPECT_EQ(1.0f, record->ioRatio);
    EXPECT_EQ(1, record->version);
    EXPECT_EQ(3, record->numPrograms);
    EXPECT_EQ(4, record->numParams);
    EXPECT_EQ(static_cast<void*>(static_cast<EffectBase*>(effect)), record->object);
    EXPECT_TRUE(record->dispatcher && record->process && record->setParameter && record->getParameter &&
                record->processReplacing && record->processDoubleReplacing);
    EXPECT_TRUE(record->resvd1 == 0 && record->resvd2 == 0 && record->initialDelay == 0 && record->realQualities == 0 &&
                record->offQualities == 0 && record->user == nullptr);
    EXPECT_EQ(std::string(56, '\0'), std::string(record->future, sizeof record->future));
    EXPECT_EQ(44100.0f, effect->getSampleRate());
    EXPECT_EQ(1024, effect->getBlockSize());
    EXPECT_EQ(0, dispatch(effGetProgram));
    EXPECT_EQ(nullptr, effect->getEditor());
    EXPECT_TRUE(hostCalls().empty()) << "the constructor calls no host service";
}

TEST_F(EffectBaseTest, RecordEntriesForwardTheirArgumentsToTheObject)
{
    float* in[2] = {};
    float* out[2] = {};
    double* inD[2] = {};
    double* outD[2] = {};
    record->processReplacing(record, in, out, 64);
    EXPECT_TRUE(effect->io[0] == in && effect->io[1] == out);
    record->process(record, out, in, 32);
    EXPECT_TRUE(effect->io[0] == out && effect->io[1] == in);
    record->processDoubleReplacing(record, inD, outD, 16);
    EXPECT_TRUE(effect->io[0] == inD && effect->io[1] == outD);
    record->setParameter(record, 3, 0.75f);
    EXPECT_EQ(0.5f, record->getParameter(record, 2));
    EXPECT_EQ((Events{"processReplacing 64", "process 32", "processDouble 16", "setParameter 3 0.750000"}),
              events);
}

TEST_F(EffectBaseTest, SetEditorTogglesTheFlagAndCloseDestroysEffectAndEditor)
{
    CountedEditor* editor = new CountedEditor(effect, &events);
    effect->setEditor(editor);
    EXPECT_EQ(effFlagsCanReplacing | 1, record->flags);
    EXPECT_EQ(editor, effect->getEditor());
    effect->setEditor(nullptr);
    EXPECT_EQ(effFlagsCanReplacing, record->flags);
    EXPECT_EQ(nullptr, effect->getEditor());
    effect->setEditor(editor);
    EXPECT_EQ(0, effect->dispatcher(effClose, 0, 0, nullptr, 0)) << "the operation itself answers 0";
    EXPECT_EQ(Events{"close"}, events);
    EXPECT_EQ(1, closeEffect());
    EXPECT_EQ((Events{"close", "close", "~effect", "~editor"}), events);
}

TEST_F(EffectBaseTest, SetProgramStoresOnlyNumbersInRange)
{
    const VstIntPtr requests[] = {2, 3, -1, 1000, 0, 1};
    const VstIntPtr stored[] = {2, 2, 2, 2, 0, 1};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(0, dispatch(effSetProgram, 0, requests[i]));
        EXPECT_EQ(stored[i], dispatch(effGetProgram)) << "after effSetProgram " << requests[i];
    }
}

TEST_F(EffectBaseTest, MainsChangedSuspendsOnlyForZero)
{
    const VstIntPtr values[] = {0, 1, -1, 256, 0};
    for (VstIntPtr value : values) EXPECT_EQ(0, dispatch(effMainsChanged, 0, value));
    EXPECT_EQ((Events{"suspend", "resume", "resume", "resume", "suspend"}), events);
}

TEST_F(EffectBaseTest, ChunkRequestsTreatEveryNonZeroIndexAsOneProgram)
{
    const VstInt32 indexes[] = {0, 1, 2, -1, INT32_MIN};
    for (VstInt32 index : indexes) {
        void* data = nullptr;
        EXPECT_EQ(40, dispatch(effGetChunk, index, 0, &data));
        EXPECT_EQ(effect->chunk, data);
        EXPECT_EQ(-7, dispatch(effSetChunk, index, 40, effect->chunk)) << "data pointer and result pass unchanged";
        const char* kind = index ? " program" : " bank";
        EXPECT_EQ((Events{std::string("getChunk") + kind, std::string("setChunk 40") + kind}), events);
        events.clear();
    }
}

TEST_F(EffectBaseTest, SimpleRequestsReachTheirOperations)
{
    char name[] = "Lead";
    EXPECT_EQ(0, dispatch(effOpen));
    EXPECT_EQ(0, dispatch(effSetProgramName, 0, 0, name));
    EXPECT_EQ(0, dispatch(effSetSampleRate, 0, 0, nullptr, 48000.0f));
    EXPECT_EQ(0, dispatch(effSetBlockSize, 0, 256));
    EXPECT_EQ((Events{"open", "setProgramName Lead"}), events);
    EXPECT_EQ(48000.0f, effect->getSampleRate());
    EXPECT_EQ(256, effect->getBlockSize());
}

TEST_F(EffectBaseTest, TextRequestsLeaveAnEmptyTextAndWriteNothingElse)
{
    for (VstInt32 opcode : {effGetProgramName, effGetParamLabel, effGetParamDisplay, effGetParamName}) {
        char buffer[25];
        std::memset(buffer, 'x', sizeof buffer);
        EXPECT_EQ(0, dispatch(opcode, 1, 0, buffer));
        EXPECT_EQ(std::string(1, '\0') + std::string(24, 'x'), std::string(buffer, sizeof buffer)) << opcode;
    }
}

TEST_F(EffectBaseTest, InertUnknownAndIdentifyRequestsChangeNothing)
{
    effect->setEditor(new RecordingEditor(effect, &events));
    const AEffect before = *record;
    char buffer[8] = "abcdefg";
    const VstInt32 opcodes[] = {effGetVu, effEditDraw, effEditMouse, effEditKey, effEditTop, effEditSleep,
                                effProcessEvents, effGetVstVersion, 79, 80, 1000, -1, INT32_MIN};
    for (VstInt32 opcode : opcodes) EXPECT_EQ(0, dispatch(opcode, 1, 2, buffer, 3.0f)) << opcode;
    EXPECT_EQ(0x4E764566, dispatch(effIdentify, 1, 2, buffer, 3.0f));
    EXPECT_EQ(0, std::memcmp(&before, record, sizeof before));
    EXPECT_STREQ("abcdefg", buffer);
    EXPECT_TRUE(events.empty());
    EXPECT_TRUE(hostCalls().empty());
}

TEST_F(EffectBaseTest, EditorRequestsWithoutAnEditorAnswerZero)
{
    EditorRect marker = {};
    EditorRect* rect = &marker;
    for (VstInt32 opcode : {effEditGetRect, effEditOpen, effEditClose, effEditIdle})
        EXPECT_EQ(0, dispatch(opcode, 0, 0, &rect)) << opcode;
    EXPECT_EQ(&marker, rect);
}

TEST_F(EffectBaseTest, EditorRequestsReachTheDefaultAndAnOverridingEditor)
{
    int parent = 0;
    EditorRect marker = {};
    for (bool overriding : {false, true}) {
        EditorBase* editor = overriding ? new RecordingEditor(effect, &events) : new EditorBase(effect);
        effect->setEditor(editor);
        EditorRect* rect = &marker;
        EXPECT_EQ(overriding, dispatch(effEditGetRect, 0, 0, &rect));
        EXPECT_EQ(overriding ? &static_cast<RecordingEditor*>(editor)->rect : nullptr, rect);
        EXPECT_EQ(overriding, dispatch(effEditOpen, 0, 0, &parent));
        EXPECT_TRUE(editor->isOpen()) << "the parent window is kept even when open answers false";
        EXPECT_EQ(0, dispatch(effEditIdle));
        EXPECT_EQ(0, dispatch(effEditClose));
        EXPECT_FALSE(editor->isOpen());
        if (!overriding) {
            effect->setEditor(nullptr);
            delete editor;
        }
    }
    EXPECT_EQ((Events{"getRect", "open editor", "idle", "close editor"}), events);
}

TEST_F(EffectBaseTest, SetParameterAutomatedRunsTheDerivedSetterThenTellsTheHost)
{
    effect->setParameterAutomated(3, 0.75f);
    EXPECT_EQ(Events{"setParameter 3 0.750000"}, events);
    EXPECT_EQ(0u, effect->hostCallsBeforeSetParameter) << "the host heard of it before the parameter changed";
    EXPECT_EQ(Events{"0 3 0 null 0.750000"}, hostCallTexts());
}

TEST_F(EffectBaseTest, HostServicesWithoutAHostStillWork)
{
    BareEffect alone(nullptr, &events);
    alone.setParameterAutomated(1, 0.5f);
    EXPECT_EQ(Events{"setParameter 1 0.500000"}, events);
    EXPECT_EQ(1, alone.getMasterVersion());
    EXPECT_EQ(0, alone.getCurrentUniqueId());
    EXPECT_TRUE(alone.isInputConnected(0));
    EXPECT_TRUE(alone.isOutputConnected(1));
    EXPECT_TRUE(hostCalls().empty());
}

TEST_F(EffectBaseTest, CoreHostServicesSendTheirRequestsAndReadTheAnswer)
{
    RecordingHost::instance().versionAnswer = 0;
    EXPECT_EQ(1, effect->getMasterVersion());
    RecordingHost::instance().versionAnswer = 2300;
    EXPECT_EQ(2300, effect->getMasterVersion());
    EXPECT_TRUE(effect->isInputConnected(5));
    EXPECT_TRUE(effect->isOutputConnected(6));
    effect->masterIdle();
    EXPECT_EQ(0, effect->getCurrentUniqueId());
    EXPECT_EQ((Events{"1 0 0 null 0.000000", "1 0 0 null 0.000000", "4 5 0 null 0.000000", "4 6 1 null 0.000000",
                      "3 0 0 null 0.000000", "2 0 0 null 0.000000"}),
              hostCallTexts());
    BareEffect refused(hostAnsweringOne, &events);
    EXPECT_FALSE(refused.isInputConnected(0));
    EXPECT_FALSE(refused.isOutputConnected(0));
}

TEST_F(EffectBaseTest, FlagSettersChangeOnlyTheirOwnBit)
{
    struct Setter { void (EffectBase::*set)(bool); VstInt32 bit; };
    const Setter setters[] = {{&EffectBase::canProcessReplacing, 16}, {&EffectBase::canDoubleReplacing, 4096},
                              {&EffectBase::programsAreChunks, 32},   {&EffectBase::hasVu, 4},
                              {&EffectBase::hasClip, 2},              {&EffectBase::canMono, 8}};
    for (const Setter& setter : setters) {
        record->flags = 0x5A5A0000;
        (effect->*setter.set)(true);
        EXPECT_EQ(0x5A5A0000 | setter.bit, record->flags) << setter.bit;
        (effect->*setter.set)(false);
        EXPECT_EQ(0x5A5A0000, record->flags) << setter.bit;
    }
}

TEST_F(EffectBaseTest, ValueToTextConversionsUseTheCurrentSampleRate)
{
    EXPECT_EQ("-oo", text(&EffectBase::dbToString, 0.0f));
    EXPECT_EQ("-oo", text(&EffectBase::dbToString, -1.0f));
    EXPECT_EQ("-o", text(&EffectBase::dbToString, -1.0f, 2));
    EXPECT_EQ("0.000000", text(&EffectBase::dbToString, 1.0f));
    EXPECT_EQ("6.020599", text(&EffectBase::dbToString, 2.0f));
    EXPECT_EQ("-6.02059", text(&EffectBase::dbToString, 0.5f));
    EXPECT_EQ("0.000000", text(&EffectBase::hzToString, 0.0f));
    EXPECT_EQ("441.0000", text(&EffectBase::hzToString, 100.0f));
    EXPECT_EQ("10.00000", text(&EffectBase::msToString, 441.0f));
    dispatch(effSetSampleRate, 0, 0, nullptr, 48000.0f);
    EXPECT_EQ("480.0000", text(&EffectBase::hzToString, 100.0f));
    EXPECT_EQ("10.00000", text(&EffectBase::msToString, 480.0f));
    dispatch(effSetSampleRate, 0, 0, nullptr, 0.0f);
    EXPECT_EQ("Huge!", text(&EffectBase::msToString, 441.0f));
}

class FloatSpy : public BareEffect {
public:
    using BareEffect::BareEffect;
    void floatToString(float value, char* out, VstInt32 maxLen) override
    {
        seen.push_back(value);
        EffectBase::floatToString(-value, out, maxLen);
    }
    std::vector<float> seen;
};

TEST_F(EffectBaseTest, UnitConversionsGoThroughTheOverriddenFloatToString)
{
    FloatSpy spy(nullptr, &events);
    char buffer[9];
    spy.dbToString(0.0f, buffer, 8);
    spy.dbToString(2.0f, buffer, 8);
    spy.hzToString(100.0f, buffer, 8);
    spy.hzToString(0.0f, buffer, 8);
    spy.msToString(441.0f, buffer, 8);
    EXPECT_STREQ("-10.0000", buffer) << "the override wrote the text";
    ASSERT_EQ(4u, spy.seen.size());
    EXPECT_FLOAT_EQ(6.0206f, spy.seen[0]);
    EXPECT_EQ(441.0f, spy.seen[1]);
    EXPECT_EQ(0.0f, spy.seen[2]);
    EXPECT_EQ(10.0f, spy.seen[3]);
}

TEST(ModuleInstanceTest, KeepsTheHandleOfTheLatestCall)
{
    void* const saved = moduleInstance;
    int first = 0;
    int second = 0;
    EXPECT_EQ(1, storeModuleInstance(&first));
    EXPECT_EQ(&first, moduleInstance);
    EXPECT_EQ(1, storeModuleInstance(&second));
    EXPECT_EQ(&second, moduleInstance);
    EXPECT_EQ(1, storeModuleInstance(nullptr));
    EXPECT_EQ(nullptr, moduleInstance);
    moduleInstance = saved;
}

}  // namespace
