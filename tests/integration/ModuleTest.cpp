// Loads the built module through its exported entry and drives it only through
// the effect record, as a host does. Runs against KorvoEQ.so natively and against
// KorvoEQ.dll under Wine.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "tools/PluginLoader.h"
#include "tests/support/RecordingHost.h"
#include "tests/support/ReferenceEqualiser.h"
#include "tests/support/TestMain.h"

namespace {

const double kPi = 3.14159265358979323846;


class ModuleTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(testModulePath().empty()) << "run with --module=PATH";
        loader = std::make_unique<PluginLoader>(testModulePath());
        ASSERT_TRUE(loader->isLoaded()) << loader->error();
        entry = loader->entry("VSTPluginMain");
        ASSERT_NE(entry, nullptr);
        RecordingHost::instance().reset();
    }

    void TearDown() override
    {
        if (effect) {
            EXPECT_EQ(dispatch(effClose), 1);
        }
    }

    AEffect* create()
    {
        effect = entry(&RecordingHost::callback);
        return effect;
    }

    VstIntPtr dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                       float opt = 0.0f)
    {
        return effect->dispatcher(effect, opcode, index, value, ptr, opt);
    }

    std::string text(VstInt32 opcode, VstInt32 index = 0)
    {
        char buffer[256];
        std::memset(buffer, 'x', sizeof(buffer));
        buffer[255] = 0;
        dispatch(opcode, index, 0, buffer);
        return buffer;
    }

    // Runs a steady sine through both channels and answers the output's gain in dB.
    double sineGainDb(double frequency, double rate)
    {
        const int frames = static_cast<int>(rate);  // one second
        std::vector<float> left(frames), right(frames);
        for (int i = 0; i < frames; ++i) {
            left[i] = right[i] = static_cast<float>(0.1 * std::sin(2.0 * kPi * frequency * i / rate));
        }
        const std::vector<float> input = left;
        for (int done = 0; done < frames; done += 512) {
            const int n = std::min(512, frames - done);
            float* ins[2] = {left.data() + done, right.data() + done};
            effect->processReplacing(effect, ins, ins, n);
        }
        double in = 0.0, out = 0.0;
        for (int i = frames / 2; i < frames; ++i) {
            in += static_cast<double>(input[i]) * input[i];
            out += static_cast<double>(left[i]) * left[i];
        }
        return 10.0 * std::log10(out / in);
    }

    std::unique_ptr<PluginLoader> loader;
    PluginLoader::Entry entry = nullptr;
    AEffect* effect = nullptr;
};

TEST_F(ModuleTest, BothEntryNamesAreOneRoutine)
{
    EXPECT_EQ(loader->entry("main"), entry);
}

TEST_F(ModuleTest, AHostAnsweringVersionZeroGetsNoEffect)
{
    RecordingHost::instance().versionAnswer = 0;
    EXPECT_EQ(entry(&RecordingHost::callback), nullptr);
    const std::vector<HostCall> calls = RecordingHost::instance().calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].opcode, audioMasterVersion);
    EXPECT_EQ(calls[0].effect, nullptr);
}

TEST_F(ModuleTest, RecordDescribesAStereoEqualiser)
{
    ASSERT_NE(create(), nullptr);
    EXPECT_EQ(effect->magic, fourCharacters('V', 's', 't', 'P'));
    EXPECT_EQ(effect->numPrograms, 1);
    EXPECT_EQ(effect->numParams, 10);
    EXPECT_EQ(effect->numInputs, 2);
    EXPECT_EQ(effect->numOutputs, 2);
    EXPECT_EQ(effect->flags, effFlagsCanReplacing | effFlagsProgramChunks | effFlagsHasEditor);
    EXPECT_EQ(effect->uniqueID, fourCharacters('V', 'X', 'K', 'E'));
    EXPECT_EQ(effect->version, 1);
    EXPECT_EQ(effect->ioRatio, 1.0f);
    EXPECT_EQ(effect->initialDelay, 0);
    EXPECT_EQ(effect->resvd1, 0);
    EXPECT_EQ(effect->resvd2, 0);
    EXPECT_EQ(effect->user, nullptr);
    EXPECT_NE(effect->object, nullptr);
    EXPECT_NE(effect->process, nullptr);
    EXPECT_NE(effect->processReplacing, nullptr);
    EXPECT_NE(effect->processDoubleReplacing, nullptr);
    const char zeros[56] = {};
    EXPECT_EQ(std::memcmp(effect->future, zeros, sizeof(zeros)), 0);
    // Only the version query reached the host while the effect was built.
    EXPECT_EQ(RecordingHost::instance().calls().size(), 1u);
}

TEST_F(ModuleTest, EachCallCreatesAnIndependentEffect)
{
    ASSERT_NE(create(), nullptr);
    AEffect* second = entry(&RecordingHost::callback);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(second, effect);
    second->setParameter(second, 3, 0.9f);
    EXPECT_EQ(effect->getParameter(effect, 3), 0.5f);
    EXPECT_EQ(second->dispatcher(second, effClose, 0, 0, nullptr, 0.0f), 1);
}

TEST_F(ModuleTest, IdentityAndCapabilities)
{
    ASSERT_NE(create(), nullptr);
    EXPECT_EQ(text(effGetEffectName), "Korvo-EQ");
    EXPECT_EQ(text(effGetProductString), "Korvo-EQ");
    EXPECT_EQ(text(effGetVendorString), "Vardle");
    EXPECT_EQ(dispatch(effGetVendorVersion), 1000);
    EXPECT_EQ(dispatch(effGetVstVersion), 2400);
    EXPECT_EQ(dispatch(effGetPlugCategory), 0);
    EXPECT_EQ(dispatch(effIdentify), fourCharacters('N', 'v', 'E', 'f'));
    char events[] = "receiveVstEvents", time[] = "receiveVstTimeInfo", midi[] = "receiveVstMidiEvent",
         trailing[] = "receiveVstEvents ", other[] = "bypass";
    EXPECT_EQ(dispatch(effCanDo, 0, 0, events), 1);
    EXPECT_EQ(dispatch(effCanDo, 0, 0, time), 1);
    EXPECT_EQ(dispatch(effCanDo, 0, 0, midi), -1);
    EXPECT_EQ(dispatch(effCanDo, 0, 0, trailing), -1);
    EXPECT_EQ(dispatch(effCanDo, 0, 0, other), -1);
    EXPECT_EQ(dispatch(effCanDo, 0, 0, nullptr), -1);

    // The effect name fills 33 bytes: the text, then zero bytes through position 32.
    char name[40];
    std::memset(name, 'x', sizeof(name));
    dispatch(effGetEffectName, 0, 0, name);
    for (int i = 8; i <= 32; ++i) {
        EXPECT_EQ(name[i], 0) << i;
    }
    EXPECT_EQ(name[33], 'x');
}

TEST_F(ModuleTest, DefaultAnswersOfTheInterface)
{
    ASSERT_NE(create(), nullptr);
    void* arrangements[2] = {&arrangements, &arrangements};
    EXPECT_EQ(dispatch(effGetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&arrangements[0]), &arrangements[1]),
              0);
    EXPECT_EQ(arrangements[0], nullptr);
    EXPECT_EQ(arrangements[1], nullptr);
    EXPECT_EQ(dispatch(effGetCurrentMidiProgram), -1);
    EXPECT_EQ(dispatch(effSetTotalSampleToProcess, 0, 4321), 4321);
    EXPECT_EQ(dispatch(effGetNumProgramCategories), 0);
    EXPECT_EQ(dispatch(effSetBypass, 0, 1), 0);
    EXPECT_EQ(dispatch(effGetTailSize), 0);
    EXPECT_EQ(dispatch(effCanBeAutomated, 7), 1);
    EXPECT_EQ(dispatch(effProcessEvents), 0);
    EXPECT_EQ(dispatch(effGetProgram), 0);
    EXPECT_EQ(dispatch(1000), 0);
    EXPECT_EQ(dispatch(-5), 0);
    // The editor's size (both modules have their editor); the other editor requests answer 0.
    EditorRect* rect = reinterpret_cast<EditorRect*>(&rect);
    EXPECT_EQ(dispatch(effEditGetRect, 0, 0, &rect), 1);
    ASSERT_NE(rect, nullptr);
    EXPECT_EQ(rect->top, 0);
    EXPECT_EQ(rect->left, 0);
    EXPECT_EQ(rect->bottom, 82);
    EXPECT_EQ(rect->right, 785);
    EXPECT_EQ(dispatch(effEditClose), 0);
    EXPECT_EQ(dispatch(effEditIdle), 0);
    EXPECT_EQ(dispatch(effEditKeyDown, 'a', 0, nullptr, 2.9f), 0);
    EXPECT_EQ(dispatch(effSetEditKnobMode, 0, 1), 0);
    // Suspending and resuming are accepted in any order.
    EXPECT_EQ(dispatch(effMainsChanged, 0, 0), 0);
    EXPECT_EQ(dispatch(effMainsChanged, 0, 1), 0);
}

TEST_F(ModuleTest, ParameterNamesLabelsAndDisplays)
{
    ASSERT_NE(create(), nullptr);
    const char* names[10] = {"LS-Freq", "LS-Gain", "A-Freq", "A-Gain", "A-Q",
                             "B-Freq",  "B-Gain",  "B-Q",    "HS-Freq", "HS-Gain"};
    const char* labels[10] = {"Hz", "dB", "Hz", "dB", "", "Hz", "dB", "", "Hz", "dB"};
    const char* displays[10] = {"290.0", "+0.00", "10100.0", "+0.00", "0.501",
                                "10100.0", "+0.00", "0.501", "10000.0", "+0.00"};
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(text(effGetParamName, i), names[i]);
        EXPECT_EQ(text(effGetParamLabel, i), labels[i]);
        EXPECT_EQ(text(effGetParamDisplay, i), displays[i]);
    }
    effect->setParameter(effect, 1, 0.0f);
    effect->setParameter(effect, 4, 1.0f);
    effect->setParameter(effect, 0, 1.0f);
    EXPECT_EQ(text(effGetParamDisplay, 1), "-20.00");
    EXPECT_EQ(text(effGetParamDisplay, 4), "1.001");
    EXPECT_EQ(text(effGetParamDisplay, 0), "540.0");
    // An index outside the table writes nothing.
    EXPECT_EQ(text(effGetParamName, 10), std::string(255, 'x'));
    EXPECT_EQ(text(effGetParamDisplay, -1), std::string(255, 'x'));
    EXPECT_EQ(effect->getParameter(effect, 10), 0.0f);
}

TEST_F(ModuleTest, ParametersKeepExactlyWhatTheHostWrote)
{
    ASSERT_NE(create(), nullptr);
    const float values[] = {0.25f, 1.5f, -0.5f, 0.5370001f};
    for (float v : values) {
        effect->setParameter(effect, 6, v);
        EXPECT_EQ(effect->getParameter(effect, 6), v);
    }
    effect->setParameter(effect, 6, std::nanf(""));
    EXPECT_TRUE(std::isnan(effect->getParameter(effect, 6)));
    effect->setParameter(effect, 42, 0.9f);  // ignored
    for (int i = 0; i < 10; ++i) {
        if (i != 6) {
            EXPECT_EQ(effect->getParameter(effect, i), 0.5f) << i;
        }
    }
}

TEST_F(ModuleTest, ChunksSaveAndRestoreTheState)
{
    ASSERT_NE(create(), nullptr);
    void* data = nullptr;
    ASSERT_EQ(dispatch(effGetChunk, 0, 0, &data), 64);
    ASSERT_NE(data, nullptr);
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    EXPECT_EQ(std::memcmp(bytes, "DEFAULT\0\0\0", 10), 0);
    const unsigned char half[4] = {0x00, 0x00, 0x00, 0x3F};
    for (int k = 0; k < 10; ++k) {
        EXPECT_EQ(std::memcmp(bytes + 24 + 4 * k, half, 4), 0) << k;
    }
    ASSERT_EQ(dispatch(effGetChunk, 1, 0, &data), 40);

    char renamed[] = "Bright vocal";
    dispatch(effSetProgramName, 0, 0, renamed);
    for (int k = 0; k < 10; ++k) {
        effect->setParameter(effect, k, 0.05f * static_cast<float>(k + 1));
    }
    ASSERT_EQ(dispatch(effGetChunk, 0, 0, &data), 64);
    std::vector<unsigned char> bank(static_cast<unsigned char*>(data), static_cast<unsigned char*>(data) + 64);
    ASSERT_EQ(dispatch(effGetChunk, 1, 0, &data), 40);
    std::vector<unsigned char> program(static_cast<unsigned char*>(data), static_cast<unsigned char*>(data) + 40);

    // A fresh effect takes the bank back: names and values alike.
    AEffect* saved = effect;
    ASSERT_NE(create(), nullptr);
    EXPECT_EQ(dispatch(effSetChunk, 0, 64, bank.data()), 64);
    EXPECT_EQ(text(effGetProgramName), "Bright vocal");
    for (int k = 0; k < 10; ++k) {
        EXPECT_EQ(effect->getParameter(effect, k), 0.05f * static_cast<float>(k + 1)) << k;
    }
    EXPECT_EQ(saved->dispatcher(saved, effClose, 0, 0, nullptr, 0.0f), 1);

    // A program chunk sets the values and keeps the name.
    effect->setParameter(effect, 2, 0.99f);
    EXPECT_EQ(dispatch(effSetChunk, 1, 40, program.data()), 40);
    EXPECT_EQ(effect->getParameter(effect, 2), 0.05f * 3.0f);
    EXPECT_EQ(text(effGetProgramName), "Bright vocal");

    // Wrong sizes and a null pointer are refused, each with one display update.
    RecordingHost::instance().reset();
    EXPECT_EQ(dispatch(effSetChunk, 0, 63, bank.data()), 0);
    EXPECT_EQ(dispatch(effSetChunk, 0, 40, program.data()), 0);
    EXPECT_EQ(dispatch(effSetChunk, 1, 64, nullptr), 0);
    EXPECT_EQ(RecordingHost::instance().callsOf(audioMasterUpdateDisplay).size(), 3u);
    EXPECT_EQ(effect->getParameter(effect, 2), 0.05f * 3.0f);
}

TEST_F(ModuleTest, ProgramNamesAreBounded)
{
    ASSERT_NE(create(), nullptr);
    char name[64];
    std::memset(name, 'y', sizeof(name));
    EXPECT_EQ(dispatch(effGetProgramNameIndexed, 0, 7, name), 1);
    EXPECT_STREQ(name, "DEFAULT");
    std::memset(name, 'y', sizeof(name));
    EXPECT_EQ(dispatch(effGetProgramNameIndexed, 1, 0, name), 0);
    EXPECT_STREQ(name, "");

    char longName[] = "A name much longer than twenty-four characters";
    dispatch(effSetProgramName, 0, 0, longName);
    EXPECT_EQ(text(effGetProgramName), std::string(longName, 24));
    dispatch(effSetProgram, 0, 1);  // out of range, ignored
    EXPECT_EQ(dispatch(effGetProgram), 0);
}

TEST_F(ModuleTest, AFreshEffectPassesAudioThroughUnchanged)
{
    ASSERT_NE(create(), nullptr);
    std::vector<float> inL(300), inR(300), outL(300, 9.0f), outR(300, 9.0f);
    for (int i = 0; i < 300; ++i) {
        inL[i] = std::sin(0.1f * static_cast<float>(i));
        inR[i] = std::cos(0.37f * static_cast<float>(i)) * 1.0e-30f;
    }
    float* ins[2] = {inL.data(), inR.data()};
    float* outs[2] = {outL.data(), outR.data()};
    effect->processReplacing(effect, ins, outs, 300);
    EXPECT_EQ(std::memcmp(inL.data(), outL.data(), 300 * sizeof(float)), 0);
    EXPECT_EQ(std::memcmp(inR.data(), outR.data(), 300 * sizeof(float)), 0);

    // Zero frames and missing buffers leave the outputs alone.
    std::fill(outL.begin(), outL.end(), 9.0f);
    effect->processReplacing(effect, ins, outs, 0);
    effect->processReplacing(effect, nullptr, outs, 300);
    float* missing[2] = {outL.data(), nullptr};
    effect->processReplacing(effect, ins, missing, 300);
    EXPECT_EQ(outL[0], 9.0f);
}

TEST_F(ModuleTest, ABoostActsAtItsFrequencyAtTheAnnouncedRate)
{
    ASSERT_NE(create(), nullptr);
    dispatch(effSetSampleRate, 0, 0, nullptr, 48000.0f);
    dispatch(effMainsChanged, 0, 1);
    effect->setParameter(effect, 2, (1000.0f - 100.0f) / 20000.0f);  // A-Freq 1000 Hz
    effect->setParameter(effect, 3, 0.8f);                           // A-Gain +12 dB
    EXPECT_NEAR(sineGainDb(1000.0, 48000.0), 12.0, 0.1);
    EXPECT_NEAR(sineGainDb(20.0, 48000.0), 0.0, 0.1);
}

// effSetSampleRate cannot refuse: a rate the bands cannot run at leaves the
// module at the one it had (HS-Freq shows 8000 Hz's limit), with its boost where it was.
TEST_F(ModuleTest, AnImpossibleRateKeepsThePreviousOne)
{
    ASSERT_NE(create(), nullptr);
    dispatch(effSetSampleRate, 0, 0, nullptr, 8000.0f);
    effect->setParameter(effect, 8, 1.0f);
    for (float rate : {static_cast<float>(1e-300), static_cast<float>(1e300), 1e12f, 999.0f, -8000.0f}) {
        dispatch(effSetSampleRate, 0, 0, nullptr, rate);
        EXPECT_EQ(text(effGetParamDisplay, 8), "3680.0") << rate;
    }
    effect->setParameter(effect, 2, (1000.0f - 100.0f) / 20000.0f);  // A-Freq 1000 Hz
    effect->setParameter(effect, 3, 0.8f);                           // A-Gain +12 dB
    EXPECT_NEAR(sineGainDb(1000.0, 8000.0), 12.0, 0.1);
}

// Random settings, each followed by a block of uneven size, at announced rates
// (at 22050 Hz the frequencies reach their limit): the module's output equals
// the equaliser worked out from its formulas, bit for bit. A design constant off
// in its tenth digit shows in only a few percent of the settings.
TEST_F(ModuleTest, RendersTheDocumentedEqualiserBitForBit)
{
    std::mt19937 random(2024);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    const int blocks[] = {512, 7, 1, 300, 64, 3, 1031, 16, 2, 200};
    for (float rate : {44100.0f, 48000.0f, 22050.0f}) {
        ASSERT_NE(create(), nullptr);
        dispatch(effSetSampleRate, 0, 0, nullptr, rate);
        dispatch(effMainsChanged, 0, 1);
        ReferenceEqualiser expected(rate);
        for (int setting = 0; setting < 400; ++setting) {
            float v[10];
            for (int k = 0; k < 10; ++k) {
                v[k] = unit(random);
                effect->setParameter(effect, k, v[k]);
            }
            expected.setValues(v);
            const int frames = blocks[setting % 10];
            std::vector<float> left(frames), right(frames), outL(frames), outR(frames);
            for (int i = 0; i < frames; ++i) {
                left[i] = unit(random) - 0.5f;
                right[i] = unit(random) - 0.5f;
            }
            float* ins[2] = {left.data(), right.data()};
            float* outs[2] = {outL.data(), outR.data()};
            effect->processReplacing(effect, ins, outs, frames);
            expected.process(left.data(), right.data(), frames);
            const size_t bytes = sizeof(float) * static_cast<size_t>(frames);
            ASSERT_TRUE(std::memcmp(outL.data(), left.data(), bytes) == 0 &&
                        std::memcmp(outR.data(), right.data(), bytes) == 0)
                << "rate " << rate << " setting " << setting << " block of " << frames;
        }
        EXPECT_EQ(dispatch(effClose), 1);
        effect = nullptr;
    }
}

TEST_F(ModuleTest, NonFiniteInputDoesNotSilenceTheEffectForEver)
{
    ASSERT_NE(create(), nullptr);
    effect->setParameter(effect, 1, 1.0f);
    std::vector<float> left(64, 0.0f), right(64, 0.0f);
    left[10] = std::nanf("");
    right[3] = INFINITY;
    float* io[2] = {left.data(), right.data()};
    effect->processReplacing(effect, io, io, 64);
    std::fill(left.begin(), left.end(), 0.25f);
    std::fill(right.begin(), right.end(), -0.25f);
    effect->processReplacing(effect, io, io, 64);
    for (int i = 0; i < 64; ++i) {
        ASSERT_TRUE(std::isfinite(left[i]) && std::isfinite(right[i])) << i;
    }
}

}  // namespace
