// Loads the built VST 3 bundle's binary through its exported entries, as a
// host does, and holds it to the VST 2 module it adapts: the same names,
// texts, state bytes and output bits. Runs natively and under Wine:
//   korvo_vst3_tests --module=VST3-BINARY --vst2-module=VST2-MODULE
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "eq/FactoryPresets.h"
#include "tests/support/BadInput.h"
#include "tests/support/MissingChannel.h"
#include "tests/support/BypassProbe.h"
#include "tests/support/TestMain.h"
#include "tests/support/Vst2Effect.h"
#include "tests/support/Vst3Host.h"
#include "vst3/ClassInfo.h"
#include "vst3/PresetFile.h"

using namespace vst3;

namespace {

constexpr int kParameters = 10;
constexpr float kRate = 48000.0f;

class Vst3Test : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(testModulePath().empty()) << "run with --module=VST3-BINARY --vst2-module=VST2-MODULE";
        module = std::make_unique<Vst3Module>(testModulePath());
        ASSERT_NE(module->factory(), nullptr) << module->error();
        reference = std::make_unique<Vst2Effect>(testOption("vst2-module"), kRate);
        ASSERT_NE(reference->effect, nullptr) << reference->loader.error();
        plugin = make();
        ASSERT_TRUE(plugin->isReady());
        ASSERT_TRUE(plugin->start(kRate, 4096));
    }

    std::unique_ptr<Vst3Plugin> make() { return std::make_unique<Vst3Plugin>(module->factory(), korvo_vst3::kClassId.bytes); }

    std::unique_ptr<Vst3Module> module;
    std::unique_ptr<Vst2Effect> reference;
    std::unique_ptr<Vst3Plugin> plugin;
};

TEST_F(Vst3Test, FactoryDescribesTheEqualiserAsTheVst2ModuleNamesIt)
{
    IPluginFactory2* factory = module->factory();
    PFactoryInfo info{};
    ASSERT_EQ(factory->getFactoryInfo(&info), kResultOk);
    EXPECT_EQ(std::string(info.vendor), reference->text(effGetVendorString));
    ASSERT_EQ(factory->countClasses(), 1);
    PClassInfo2 c{};
    ASSERT_EQ(factory->getClassInfo2(0, &c), kResultOk);
    EXPECT_EQ(Vst3Module::uidText(c.cid), Vst3Module::uidText(korvo_vst3::kClassId.bytes));
    EXPECT_EQ(std::memcmp(c.cid, korvo_vst3::kClassId.bytes, 16), 0);
    EXPECT_EQ(std::string(c.category), "Audio Module Class");
    EXPECT_EQ(std::string(c.subCategories), "Fx|EQ");
    EXPECT_EQ(std::string(c.name), reference->text(effGetEffectName));
    EXPECT_EQ(std::string(c.vendor), reference->text(effGetVendorString));
    EXPECT_EQ(std::string(c.version), KORVO_VERSION);
    PClassInfo first{};
    ASSERT_EQ(factory->getClassInfo(0, &first), kResultOk);
    EXPECT_EQ(std::memcmp(first.cid, c.cid, 16), 0);
    EXPECT_EQ(std::string(first.name), std::string(c.name));

    // Another class identifier makes nothing.
    Uid other = korvo_vst3::kClassId;
    other.bytes[15] = static_cast<char>(other.bytes[15] ^ 1);
    void* object = &other;
    EXPECT_NE(factory->createInstance(other.bytes, IComponent::iid.bytes, &object), kResultOk);
    EXPECT_EQ(object, nullptr);
}

TEST_F(Vst3Test, OneStereoBusEachWayAndThirtyTwoBitFloatOnly)
{
    IComponent* component = plugin->component;
    IAudioProcessor* processor = plugin->processor;
    EXPECT_EQ(component->getBusCount(kAudio, kInput), 1);
    EXPECT_EQ(component->getBusCount(kAudio, kOutput), 1);
    EXPECT_EQ(component->getBusCount(kEvent, kInput), 0);
    for (BusDirection dir : {kInput, kOutput}) {
        BusInfo bus{};
        ASSERT_EQ(component->getBusInfo(kAudio, dir, 0, bus), kResultOk);
        EXPECT_EQ(bus.channelCount, 2);
        EXPECT_EQ(bus.busType, kMain);
        EXPECT_EQ(bus.direction, dir);
        EXPECT_NE(component->getBusInfo(kAudio, dir, 1, bus), kResultOk);
    }
    SpeakerArrangement stereo[2] = {kStereo, kStereo};
    SpeakerArrangement mono = kSpeakerL;
    EXPECT_EQ(processor->setBusArrangements(stereo, 1, stereo, 1), kResultTrue);
    EXPECT_EQ(processor->setBusArrangements(&mono, 1, stereo, 1), kResultFalse);
    EXPECT_EQ(processor->setBusArrangements(stereo, 1, &mono, 1), kResultFalse);
    EXPECT_EQ(processor->setBusArrangements(stereo, 2, stereo, 1), kResultFalse);
    EXPECT_EQ(processor->setBusArrangements(stereo, 1, stereo, 0), kResultFalse);
    SpeakerArrangement arrangement = 0;
    ASSERT_EQ(processor->getBusArrangement(kOutput, 0, arrangement), kResultOk);
    EXPECT_EQ(arrangement, kStereo);
    EXPECT_EQ(processor->canProcessSampleSize(kSample32), kResultTrue);
    EXPECT_EQ(processor->canProcessSampleSize(kSample64), kResultFalse);
}

TEST_F(Vst3Test, ParametersAreTheVst2IndicesWithTheirNamesUnitsDefaultsAndTexts)
{
    IEditController* controller = plugin->controller;
    ASSERT_EQ(controller->getParameterCount(), kParameters + 1);  // and the bypass (Vst3BypassTest)
    std::mt19937 random(7);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    for (int i = 0; i < kParameters; ++i) {
        vst3::ParameterInfo info{};
        ASSERT_EQ(controller->getParameterInfo(i, info), kResultOk);
        EXPECT_EQ(info.id, static_cast<ParamID>(i));
        EXPECT_EQ(narrow(info.title), reference->text(effGetParamName, i));
        EXPECT_EQ(narrow(info.units), reference->text(effGetParamLabel, i));
        EXPECT_EQ(info.stepCount, 0);
        EXPECT_EQ(info.flags & vst3::ParameterInfo::kCanAutomate, vst3::ParameterInfo::kCanAutomate);
        EXPECT_EQ(info.defaultNormalizedValue, reference->effect->getParameter(reference->effect, i)) << i;

        // Every value reads as the VST 2 module displays it (at the same rate).
        std::vector<float> values = {0.0f, 1.0f, 0.5f, 0.52f, 0.54f, 0.99f};
        for (int n = 0; n < 50; ++n) {
            values.push_back(unit(random));
        }
        for (float v : values) {
            reference->effect->setParameter(reference->effect, i, v);
            String128 shown{};
            ASSERT_EQ(controller->getParamStringByValue(static_cast<ParamID>(i), v, shown), kResultOk);
            EXPECT_EQ(narrow(shown), reference->text(effGetParamDisplay, i)) << i << " at " << v;
            const ParamValue plain = controller->normalizedParamToPlain(static_cast<ParamID>(i), v);
            EXPECT_NEAR(controller->plainParamToNormalized(static_cast<ParamID>(i), plain), v, 1e-6);
        }
    }
    EXPECT_NE(controller->getParameterInfo(kParameters + 1, *std::make_unique<vst3::ParameterInfo>()), kResultOk);
}

TEST_F(Vst3Test, TextReadsAsTheCommandLineReadsIt)
{
    IEditController* controller = plugin->controller;
    ParamValue value = -1.0;
    ASSERT_EQ(controller->getParamValueByString(2, widen("1 kHz").data(), value), kResultOk);  // A-Freq
    EXPECT_NEAR(controller->normalizedParamToPlain(2, value), 1000.0, 0.01);
    ASSERT_EQ(controller->getParamValueByString(3, widen("-3 dB").data(), value), kResultOk);  // A-Gain
    EXPECT_NEAR(controller->normalizedParamToPlain(3, value), -3.0, 1e-4);
    ASSERT_EQ(controller->getParamValueByString(7, widen("0.7n").data(), value), kResultOk);  // B-Q
    EXPECT_EQ(value, static_cast<ParamValue>(0.7f));
    EXPECT_NE(controller->getParamValueByString(3, widen("+30 dB").data(), value), kResultOk);
    EXPECT_NE(controller->getParamValueByString(3, widen("loud").data(), value), kResultOk);
    EXPECT_NE(controller->getParamValueByString(kParameters, widen("0.5n").data(), value), kResultOk);
}

// The stored values the round trips start from: an even spread, and the first
// values past the gain's dead zone.
std::vector<float> spreadValues()
{
    std::vector<float> values;
    for (int k = 0; k <= 1024; ++k) {
        values.push_back(static_cast<float>(k) / 1024.0f);
    }
    values.push_back(std::nextafter(0.537f, 1.0f));
    values.push_back(std::nextafter(0.463f, 0.0f));
    return values;
}

// Whatever the rate, each text shown reads back to a value shown with the same
// text (at 8000 Hz HS-Freq shows the 3680 Hz it is held at, below its knob).
TEST_F(Vst3Test, EveryTextShownReadsBackToTheSameTextAtEveryRate)
{
    for (double rate : {8000.0, 44100.0, 192000.0}) {
        auto instance = make();
        ASSERT_TRUE(instance->start(rate, 512));
        IEditController* controller = instance->controller;
        for (ParamID id = 0; id < kParameters; ++id) {
            for (float v : spreadValues()) {
                String128 shown{}, again{};
                ASSERT_EQ(controller->getParamStringByValue(id, v, shown), kResultOk);
                ParamValue read = -1.0;
                ASSERT_EQ(controller->getParamValueByString(id, shown, read), kResultOk)
                    << narrow(shown) << " at " << rate;
                ASSERT_EQ(controller->getParamStringByValue(id, read, again), kResultOk);
                ASSERT_EQ(narrow(again), narrow(shown)) << id << " at " << rate << " from " << v;
            }
        }
    }
}

// A rate the bands cannot run at is refused and the setup before stays: its
// tail (the effect's own, as the CLAP face reports it: 1.5 s of silence and a
// 50 ms fade) and its output, bit for bit the VST 2 module's at that rate.
TEST_F(Vst3Test, ImpossibleRatesAreRefusedAndTheTailIsTheEffects)
{
    IAudioProcessor* processor = plugin->processor;
    EXPECT_EQ(processor->getTailSamples(), 72000u + 2400u);
    for (double rate : {1e-300, 1e300, 1e12, 999.0, 192000.5, 0.0, -48000.0, std::nan(""), HUGE_VAL}) {
        ProcessSetup setup{kRealtime, kSample32, 512, rate};
        EXPECT_EQ(processor->setupProcessing(setup), kInvalidArgument) << rate;
    }
    EXPECT_EQ(processor->getTailSamples(), 72000u + 2400u);

    std::mt19937 random(5);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    for (int i = 0; i < kParameters; ++i) {
        const float v = unit(random);
        reference->effect->setParameter(reference->effect, i, v);
        ASSERT_EQ(plugin->controller->setParamNormalized(static_cast<ParamID>(i), v), kResultOk);
    }
    std::vector<float> in[2], out3[2], out2[2];
    for (int c = 0; c < 2; ++c) {
        for (int i = 0; i < 512; ++i) in[c].push_back(unit(random) - 0.5f);
        out3[c].assign(512, 7.0f);
        out2[c].assign(512, 7.0f);
    }
    float* ins[2] = {in[0].data(), in[1].data()};
    float* o3[2] = {out3[0].data(), out3[1].data()};
    float* o2[2] = {out2[0].data(), out2[1].data()};
    ParameterChangeList none;
    ASSERT_EQ(plugin->process(ins, o3, 512, &none), kResultOk);
    reference->processCut(ins, o2, 512, {});
    for (int c = 0; c < 2; ++c) {
        EXPECT_EQ(std::memcmp(out3[c].data(), out2[c].data(), 512 * sizeof(float)), 0) << "channel " << c;
    }

    // At the range's ends, the tail at that rate.
    for (double rate : {1000.0, 192000.0}) {
        ProcessSetup setup{kRealtime, kSample32, 512, rate};
        EXPECT_EQ(processor->setupProcessing(setup), kResultOk) << rate;
        EXPECT_EQ(processor->getTailSamples(), static_cast<uint32>(rate * 3 / 2 + rate / 20)) << rate;
    }
}

TEST_F(Vst3Test, StateIsTheVst2BankChunkByteForByte)
{
    std::mt19937 random(11);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    for (int i = 0; i < kParameters; ++i) {
        const float v = unit(random);
        reference->effect->setParameter(reference->effect, i, v);
        ASSERT_EQ(plugin->controller->setParamNormalized(static_cast<ParamID>(i), v), kResultOk);
    }
    const std::vector<unsigned char> state = plugin->state();
    ASSERT_EQ(state.size(), 76u);  // then the bypass record
    EXPECT_EQ(std::vector<unsigned char>(state.begin(), state.begin() + 64), reference->chunk());

    // Written through a stream that takes three bytes at a time: the same bytes.
    MemoryStream narrowStream({}, 3);
    ASSERT_EQ(plugin->component->getState(&narrowStream), kResultOk);
    EXPECT_EQ(narrowStream.bytes, state);

    // Loaded by another instance from a stream that gives five bytes at a time.
    auto other = make();
    ASSERT_TRUE(other->isReady());
    MemoryStream pieces(state, 5);
    ASSERT_EQ(other->component->setState(&pieces), kResultOk);
    EXPECT_EQ(other->state(), state);
    for (int i = 0; i < kParameters; ++i) {
        EXPECT_EQ(other->controller->getParamNormalized(static_cast<ParamID>(i)),
                  plugin->controller->getParamNormalized(static_cast<ParamID>(i)));
    }
}

TEST_F(Vst3Test, StateOfAnyOtherLengthIsRefusedAndChangesNothing)
{
    std::vector<unsigned char> foreign = Vst2Effect(testOption("vst2-module"), kRate).chunk();
    foreign[24] ^= 0x40;  // the first value, changed
    const std::vector<unsigned char> before = plugin->state();
    ASSERT_NE(foreign, before);
    // Past the chunk, a record's header or payload cut short.
    for (std::size_t size : {std::size_t{0}, std::size_t{40}, std::size_t{63}, std::size_t{65}, std::size_t{71}}) {
        std::vector<unsigned char> bytes = foreign;
        bytes.resize(size, 0);
        MemoryStream stream(bytes);
        EXPECT_EQ(plugin->component->setState(&stream), kResultFalse) << size << " bytes";
        EXPECT_EQ(plugin->state(), before) << size << " bytes";
    }
    EXPECT_EQ(plugin->component->setState(nullptr), kResultFalse);
}

// One change the host sends: where in the block, which parameter, what value.
struct Change {
    int offset;
    int queue;
    int point;
    ParamID id;
    float value;
};

TEST_F(Vst3Test, ChangesApplyAtTheirOffsetsBitForBitAsTheVst2ModuleWithTheSameCuts)
{
    std::mt19937 random(2024);
    std::uniform_real_distribution<float> sample(-1.0f, 1.0f);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    bool sawSilent = false;
    bool sawSound = false;
    std::vector<Change> pending;  // from a 0-sample call: the reference sets them before the next block
    for (int block = 0; block < 300; ++block) {
        const int frames = block % 7 == 3 ? 0 : 1 + static_cast<int>(random() % 700);
        const bool quiet = block < 2 || (block >= 120 && block < 126);
        std::vector<float> in[2], out3[2], out2[2];
        for (int c = 0; c < 2; ++c) {
            in[c].resize(static_cast<std::size_t>(frames) + 1);
            for (float& s : in[c]) {
                s = quiet ? 0.0f : sample(random);
            }
            out3[c].assign(in[c].size(), 7.0f);
            out2[c].assign(in[c].size(), 7.0f);
        }

        // A few parameters change, some several times, at random offsets (the
        // first and the last frame among them); each queue in time order.
        ParameterChangeList list;
        std::vector<Change> changes;
        const int changed = quiet ? 0 : static_cast<int>(random() % 5);
        std::vector<ParamID> ids = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
        std::shuffle(ids.begin(), ids.end(), random);
        for (int n = 0; n < changed; ++n) {
            const ParamID id = ids[static_cast<std::size_t>(n)];
            const int points = 1 + static_cast<int>(random() % 3);
            std::vector<int> offsets;
            for (int p = 0; p < points; ++p) {
                const int pick = static_cast<int>(random() % 4);
                offsets.push_back(frames == 0 ? 0 : pick == 0 ? 0 : pick == 1 ? frames - 1 : static_cast<int>(random() % frames));
            }
            std::sort(offsets.begin(), offsets.end());
            for (int p = 0; p < points; ++p) {
                const float value = unit(random);
                list.add(id, offsets[static_cast<std::size_t>(p)], value);
            }
        }
        for (std::size_t q = 0; q < list.queues.size(); ++q) {
            const auto& queue = *list.queues[q];
            for (std::size_t p = 0; p < queue.points.size(); ++p) {
                changes.push_back({queue.points[p].first, static_cast<int>(q), static_cast<int>(p), queue.id,
                                   static_cast<float>(queue.points[p].second)});
            }
        }

        float* in3[2] = {in[0].data(), in[1].data()};
        float* o3[2] = {out3[0].data(), out3[1].data()};
        uint64 silence = 0;
        ASSERT_EQ(plugin->process(in3, o3, frames, &list, &silence), kResultOk);

        if (frames == 0) {
            pending.insert(pending.end(), changes.begin(), changes.end());
            EXPECT_EQ(out3[0][0], 7.0f);  // nothing written
            continue;
        }
        // The reference: the same values set between the same stretches.
        std::sort(changes.begin(), changes.end(), [](const Change& a, const Change& b) {
            return std::tie(a.offset, a.queue, a.point) < std::tie(b.offset, b.queue, b.point);
        });
        std::vector<Vst2Effect::Change> cuts;
        for (const Change& change : pending) {
            cuts.push_back({0, static_cast<VstInt32>(change.id), change.value});
        }
        pending.clear();
        for (const Change& change : changes) {
            cuts.push_back({change.offset, static_cast<VstInt32>(change.id), change.value});
        }
        float* in2[2] = {in[0].data(), in[1].data()};
        float* o2[2] = {out2[0].data(), out2[1].data()};
        reference->processCut(in2, o2, frames, cuts);
        for (int c = 0; c < 2; ++c) {
            ASSERT_EQ(std::memcmp(out3[c].data(), out2[c].data(), sizeof(float) * out3[c].size()), 0)
                << "block " << block << " (" << frames << " frames), channel " << c;
            bool zero = true;
            for (int i = 0; i < frames; ++i) {
                std::uint32_t bits;
                std::memcpy(&bits, &out3[c][static_cast<std::size_t>(i)], sizeof bits);
                zero = zero && bits == 0;
            }
            EXPECT_EQ((silence >> c) & 1u, zero ? 1u : 0u) << "silence flag, block " << block << ", channel " << c;
            (zero ? sawSilent : sawSound) = true;
        }
    }
    EXPECT_TRUE(sawSilent);
    EXPECT_TRUE(sawSound);
}

// The factory presets' .vstpreset files the build wrote (--presets=DIR, the
// folder holding vst3/): each one a host would list loads through setState
// as the VST 2 module takes the same preset, and renders the same bits.
TEST_F(Vst3Test, FactoryPresetFilesLoadThroughSetStateAsTheVst2ModuleTakesThem)
{
    const std::string folder = testOption("presets");
    if (folder.empty()) {
        GTEST_SKIP() << "run with --presets=DIR (the build's presets folder) to check the preset files";
    }
    std::mt19937 random(25);
    std::uniform_real_distribution<float> sample(-1.0f, 1.0f);
    for (int i = 0; i < FactoryPresets::count(); ++i) {
        const std::string name = FactoryPresets::at(i).name;
        std::ifstream file(folder + "/vst3/" + name + ".vstpreset", std::ios::binary);
        ASSERT_TRUE(file) << name << ": no .vstpreset file of that name";
        const std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        ASSERT_GE(bytes.size(), 48u);
        EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "VST3");
        EXPECT_EQ(std::string(bytes.begin() + 8, bytes.begin() + 40), Vst3Module::uidText(korvo_vst3::kClassId.bytes));
        std::vector<unsigned char> state;
        std::string error;
        ASSERT_TRUE(korvo_vst3::PresetFile::readComponentState(bytes, state, error)) << name << ": " << error;

        auto loaded = make();
        ASSERT_TRUE(loaded->start(kRate, 4096));
        MemoryStream stream(state);
        ASSERT_EQ(loaded->component->setState(&stream), kResultOk) << name;
        unsigned char chunk[64];
        FactoryPresets::chunk(i, chunk);
        Vst2Effect vst2(testOption("vst2-module"), kRate);
        ASSERT_EQ(vst2.dispatch(effSetChunk, 0, sizeof chunk, chunk), static_cast<VstIntPtr>(sizeof chunk));
        const std::vector<unsigned char> saved = loaded->state();
        EXPECT_EQ(std::vector<unsigned char>(saved.begin(), saved.begin() + 64), vst2.chunk()) << name;
        float values[kParameters];
        FactoryPresets::values(i, values);
        for (int k = 0; k < kParameters; ++k) {
            EXPECT_EQ(loaded->controller->getParamNormalized(static_cast<ParamID>(k)), values[k]) << name << " " << k;
        }

        std::vector<float> in[2], out3[2], out2[2];
        for (int c = 0; c < 2; ++c) {
            in[c].resize(2048);
            for (float& s : in[c]) s = sample(random);
            out3[c].assign(in[c].size(), 7.0f);
            out2[c].assign(in[c].size(), 7.0f);
        }
        float* inputs[2] = {in[0].data(), in[1].data()};
        float* o3[2] = {out3[0].data(), out3[1].data()};
        float* o2[2] = {out2[0].data(), out2[1].data()};
        ParameterChangeList none;
        ASSERT_EQ(loaded->process(inputs, o3, 2048, &none), kResultOk);
        vst2.processCut(inputs, o2, 2048, {});
        for (int c = 0; c < 2; ++c) {
            EXPECT_EQ(std::memcmp(out3[c].data(), out2[c].data(), sizeof(float) * 2048), 0) << name;
        }
    }
}

// Every band active.
const float kActive[kParameters] = {0.2f, 0.7f, 0.045f, 0.8f, 0.6f, 0.3f, 0.35f, 0.4f, 0.6f, 0.75f};

TEST_F(Vst3Test, AMissingChannelSkipsTheBlocksAudioAndItsChangesStillApply)
{
    const auto make = [this] {
        std::shared_ptr<Vst3Plugin> fresh = this->make();
        EXPECT_TRUE(fresh->start(kRate, 4096));
        return MissingChannel::Instance{[fresh](float* const* in, float* const* out, int frames) {
                                            ParameterChangeList list;
                                            list.add(1, 10, 0.2);
                                            list.add(3, frames / 2, 0.9);
                                            EXPECT_EQ(fresh->process(in, out, frames, &list), kResultOk);
                                        },
                                        [fresh](float* const* in, float* const* out, int frames) {
                                            EXPECT_EQ(fresh->process(in, out, frames, nullptr), kResultOk);
                                        }};
    };
    EXPECT_TRUE(MissingChannel::check(make, testOption("vst2-module"), kRate, {{1, 0.2f}, {3, 0.9f}}));
}

TEST_F(Vst3Test, AnInfinityOrNaNInTheInputIsTakenAsZero)
{
    const float bad[] = {std::nanf(""), INFINITY, -INFINITY};
    for (int k = 0; k < 3; ++k) {
        std::unique_ptr<Vst3Plugin> fresh = make();
        ASSERT_TRUE(fresh->start(kRate, 4096));
        ParameterChangeList settings;
        for (int p = 0; p < kParameters; ++p) settings.add(static_cast<ParamID>(p), 0, kActive[p]);
        bool first = true;
        const auto face = [&](float* const* in, float* const* out, int frames) {
            ASSERT_EQ(fresh->process(in, out, frames, first ? &settings : nullptr), kResultOk);
            first = false;
        };
        EXPECT_TRUE(BadInput::check(face, testOption("vst2-module"), kRate, kActive, bad[k], k % 2)) << bad[k];
    }
}

TEST_F(Vst3Test, AThousandInstancesComeAndGo)
{
    for (int n = 0; n < 1000; ++n) {
        Vst3Plugin instance(module->factory(), korvo_vst3::kClassId.bytes);
        ASSERT_TRUE(instance.isReady()) << "instance " << n;
    }
}

// The bypass, id 10, the host's own switch: at its offset in the block, the
// output fades to the input (here processed in place) and back to what an
// instance never bypassed gives, its bands having run on unheard.
TEST_F(Vst3Test, BypassFadesToTheInputAndBackToWhatANeverBypassedInstanceGives)
{
    vst3::ParameterInfo info{};
    ASSERT_EQ(plugin->controller->getParameterInfo(kParameters, info), kResultOk);
    EXPECT_EQ(info.id, static_cast<ParamID>(kParameters));
    EXPECT_EQ(narrow(info.title), "Bypass");
    EXPECT_EQ(info.flags, vst3::ParameterInfo::kCanAutomate | vst3::ParameterInfo::kIsBypass);
    EXPECT_EQ(info.stepCount, 1);
    EXPECT_EQ(info.defaultNormalizedValue, 0.0);
    EXPECT_EQ(plugin->controller->getParamNormalized(kParameters), 0.0);
    String128 shown{};
    ASSERT_EQ(plugin->controller->getParamStringByValue(kParameters, 1.0, shown), kResultOk);
    EXPECT_EQ(narrow(shown), "On");
    ParamValue typed = -1.0;
    ASSERT_EQ(plugin->controller->getParamValueByString(kParameters, widen("Off").data(), typed), kResultOk);
    EXPECT_EQ(typed, 0.0);

    BypassProbe probe;
    auto plain = make();
    ASSERT_TRUE(plain->start(kRate, 4096));
    for (Vst3Plugin* instance : {plugin.get(), plain.get()}) {
        instance->controller->setParamNormalized(1, 1.0);  // LS-Gain +20 dB
        instance->controller->setParamNormalized(6, 0.2);  // B-Gain
    }
    for (int start = 0; start < BypassProbe::kFrames; start += BypassProbe::kBlock) {
        ParameterChangeList changes;
        int offset = 0;
        double value = 0.0;
        if (BypassProbe::switchIn(start, offset, value)) {
            changes.add(kParameters, offset, value);
        }
        const BypassProbe::Frame frame = probe.at(start);
        ASSERT_EQ(plugin->process(frame.inPlace, frame.inPlace, BypassProbe::kBlock, &changes), kResultOk);
        ASSERT_EQ(plain->process(frame.input, frame.plain, BypassProbe::kBlock, nullptr), kResultOk);
    }
    EXPECT_TRUE(probe.check());
}

// The state: the chunk, then the bypass. Today's 64-byte state loads with the
// bypass off into a new instance, and leaves a bypassed one bypassed, as a
// preset does; a record no version reads is passed over; a malformed state
// is refused with nothing changed.
TEST_F(Vst3Test, BypassIsSavedAfterTheChunkAndTodaysStateLoadsWithItOff)
{
    IEditController* controller = plugin->controller;
    const std::vector<unsigned char> initial = plugin->state();
    const std::vector<unsigned char> todays(initial.begin(), initial.begin() + 64);
    controller->setParamNormalized(3, 0.8);
    ASSERT_EQ(controller->setParamNormalized(kParameters, 1.0), kResultOk);
    const std::vector<unsigned char> state = plugin->state();
    const std::vector<unsigned char> chunk(state.begin(), state.begin() + 64);
    EXPECT_EQ(state, BypassProbe::withBypass(chunk, 1));

    auto other = make();
    MemoryStream pieces(state, 5);
    ASSERT_EQ(other->component->setState(&pieces), kResultOk);
    EXPECT_EQ(other->controller->getParamNormalized(kParameters), 1.0);
    EXPECT_EQ(other->state(), state);

    auto fresh = make();
    MemoryStream old(todays);
    ASSERT_EQ(fresh->component->setState(&old), kResultOk);
    EXPECT_EQ(fresh->controller->getParamNormalized(kParameters), 0.0);
    EXPECT_EQ(fresh->state(), BypassProbe::withBypass(todays, 0));
    MemoryStream preset(todays);
    ASSERT_EQ(other->component->setState(&preset), kResultOk);
    EXPECT_EQ(other->controller->getParamNormalized(kParameters), 1.0);
    EXPECT_EQ(other->controller->getParamNormalized(3), fresh->controller->getParamNormalized(3));
    MemoryStream later(BypassProbe::withBypass(todays, 0, true));
    ASSERT_EQ(other->component->setState(&later), kResultOk);
    EXPECT_EQ(other->controller->getParamNormalized(kParameters), 0.0);

    const std::vector<unsigned char> before = plugin->state();
    for (const std::vector<unsigned char>& bad : BypassProbe::malformed(todays)) {
        MemoryStream stream(bad);
        EXPECT_EQ(plugin->component->setState(&stream), kResultFalse) << bad.size() << " bytes";
        EXPECT_EQ(plugin->state(), before) << bad.size() << " bytes";
    }
}

}  // namespace
