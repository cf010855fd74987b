// Loads the built CLAP module through its clap_entry, as a host does, and
// holds it to the VST 2 module it adapts: the same names, texts, state bytes
// and output bits. Runs natively and under Wine:
//   korvo_clap_tests --module=KorvoEQ.clap --vst2-module=VST2-MODULE
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "eq/FactoryPresets.h"
#include "tests/support/BadInput.h"
#include "tests/support/MissingChannel.h"
#include "tests/support/ClapHost.h"
#include "tests/support/BypassProbe.h"
#include "tests/support/TestMain.h"
#include "tests/support/Vst2Effect.h"

namespace {

constexpr int kParameters = 10;
constexpr float kRate = 48000.0f;
const char* const kId = "com.vardle.korvo-eq";

class ClapTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(testModulePath().empty()) << "run with --module=KorvoEQ.clap --vst2-module=VST2-MODULE";
        host = std::make_unique<ClapHost>(testModulePath());
        ASSERT_NE(host->factory(), nullptr) << host->error();
        reference = std::make_unique<Vst2Effect>(testOption("vst2-module"), kRate);
        ASSERT_NE(reference->effect, nullptr) << reference->loader.error();
        plugin = make();
        ASSERT_TRUE(plugin->isReady());
        ASSERT_NE(plugin->params, nullptr);
        ASSERT_NE(plugin->stateExtension, nullptr);
        ASSERT_TRUE(plugin->start(kRate, 4096));
    }

    std::unique_ptr<ClapHost::Plugin> make() { return std::make_unique<ClapHost::Plugin>(*host, kId); }

    std::string text(clap_id id, double value)
    {
        char buffer[CLAP_NAME_SIZE] = {};
        return plugin->params->value_to_text(plugin->plugin, id, value, buffer, sizeof buffer) ? buffer : "(refused)";
    }

    // The VST 2 module's display and unit, as a CLAP host shows a value.
    std::string referenceText(int index)
    {
        const std::string label = reference->text(effGetParamLabel, index);
        return reference->text(effGetParamDisplay, index) + (label.empty() ? "" : " " + label);
    }

    std::unique_ptr<ClapHost> host;
    std::unique_ptr<Vst2Effect> reference;
    std::unique_ptr<ClapHost::Plugin> plugin;
};

TEST_F(ClapTest, EntryAndDescriptorNameTheEqualiserAsTheVst2ModuleDoes)
{
    EXPECT_EQ(host->entry()->clap_version.major, 1u);
    EXPECT_EQ(host->entry()->get_factory("clap.preset-discovery-factory"), nullptr);
    const clap_plugin_factory_t* factory = host->factory();
    ASSERT_EQ(factory->get_plugin_count(factory), 1u);
    EXPECT_EQ(factory->get_plugin_descriptor(factory, 1), nullptr);
    const clap_plugin_descriptor_t* d = factory->get_plugin_descriptor(factory, 0);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->clap_version.major, 1u);
    EXPECT_EQ(std::string(d->id), kId);
    EXPECT_EQ(std::string(d->name), reference->text(effGetEffectName));
    EXPECT_EQ(std::string(d->vendor), reference->text(effGetVendorString));
    EXPECT_EQ(std::string(d->version), KORVO_VERSION);
    std::vector<std::string> features;
    for (const char* const* f = d->features; *f; ++f) {
        features.push_back(*f);
    }
    EXPECT_EQ(features, (std::vector<std::string>{"audio-effect", "equalizer", "stereo"}));
    EXPECT_EQ(plugin->plugin->desc, d);

    // Another id makes nothing.
    EXPECT_FALSE(ClapHost::Plugin(*host, "com.vardle.korvo-eq2").isReady());
}

TEST_F(ClapTest, OneStereoPortEachWayInPlaceNoLatencyAndTheSilenceTail)
{
    const auto* ports = plugin->extension<clap_plugin_audio_ports_t>(CLAP_EXT_AUDIO_PORTS);
    ASSERT_NE(ports, nullptr);
    for (bool input : {true, false}) {
        ASSERT_EQ(ports->count(plugin->plugin, input), 1u);
        clap_audio_port_info_t info{};
        ASSERT_TRUE(ports->get(plugin->plugin, 0, input, &info));
        EXPECT_EQ(info.id, 0u);
        EXPECT_EQ(info.channel_count, 2u);
        EXPECT_EQ(std::string(info.port_type), "stereo");
        EXPECT_EQ(info.flags, static_cast<std::uint32_t>(CLAP_AUDIO_PORT_IS_MAIN));  // 32-bit float only
        EXPECT_EQ(info.in_place_pair, 0u);
        EXPECT_FALSE(ports->get(plugin->plugin, 1, input, &info));
    }
    const auto* latency = plugin->extension<clap_plugin_latency_t>(CLAP_EXT_LATENCY);
    ASSERT_NE(latency, nullptr);
    EXPECT_EQ(latency->get(plugin->plugin), 0u);
    // 1.5 s of silence and a 50 ms fade at 48 kHz: from then on the output is exact zero.
    const auto* tail = plugin->extension<clap_plugin_tail_t>(CLAP_EXT_TAIL);
    ASSERT_NE(tail, nullptr);
    EXPECT_EQ(tail->get(plugin->plugin), 72000u + 2400u);
    const auto* render = plugin->extension<clap_plugin_render_t>(CLAP_EXT_RENDER);
    ASSERT_NE(render, nullptr);
    EXPECT_FALSE(render->has_hard_realtime_requirement(plugin->plugin));
    EXPECT_TRUE(render->set(plugin->plugin, CLAP_RENDER_OFFLINE));
    EXPECT_TRUE(render->set(plugin->plugin, CLAP_RENDER_REALTIME));
    EXPECT_EQ(plugin->extension<void>("clap.note-ports"), nullptr);
}

TEST_F(ClapTest, ParametersAreTheVst2IndicesWithTheirNamesBandsDefaultsAndTexts)
{
    const clap_plugin_params_t* params = plugin->params;
    ASSERT_EQ(params->count(plugin->plugin), static_cast<std::uint32_t>(kParameters + 1));  // and the bypass
    const char* const bands[kParameters] = {"LOW SHELF", "LOW SHELF", "MID A", "MID A", "MID A",
                                            "MID B",     "MID B",     "MID B", "HIGH SHELF", "HIGH SHELF"};
    std::mt19937 random(7);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    for (int i = 0; i < kParameters; ++i) {
        const clap_id id = static_cast<clap_id>(i);
        clap_param_info_t info{};
        ASSERT_TRUE(params->get_info(plugin->plugin, id, &info));
        EXPECT_EQ(info.id, id);
        EXPECT_EQ(std::string(info.name), reference->text(effGetParamName, i));
        EXPECT_EQ(std::string(info.module), bands[i]);
        EXPECT_EQ(info.min_value, 0.0);
        EXPECT_EQ(info.max_value, 1.0);
        EXPECT_EQ(info.default_value, reference->effect->getParameter(reference->effect, i)) << i;
        EXPECT_EQ(info.flags & CLAP_PARAM_IS_AUTOMATABLE, static_cast<std::uint32_t>(CLAP_PARAM_IS_AUTOMATABLE));
        double value = -1.0;
        ASSERT_TRUE(params->get_value(plugin->plugin, id, &value));
        EXPECT_EQ(value, info.default_value);

        // Every value reads as the VST 2 module displays it with its unit (at the same rate).
        std::vector<float> values = {0.0f, 1.0f, 0.5f, 0.52f, 0.54f, 0.99f};
        for (int n = 0; n < 50; ++n) {
            values.push_back(unit(random));
        }
        for (float v : values) {
            reference->effect->setParameter(reference->effect, i, v);
            EXPECT_EQ(text(id, v), referenceText(i)) << i << " at " << v;
        }
    }
    clap_param_info_t info{};
    EXPECT_FALSE(params->get_info(plugin->plugin, kParameters + 1, &info));
    double value = 0.0;
    EXPECT_FALSE(params->get_value(plugin->plugin, kParameters + 1, &value));
    EXPECT_EQ(text(kParameters + 1, 0.5), "(refused)");
    char small[4];
    EXPECT_FALSE(params->value_to_text(plugin->plugin, 0, 0.5, small, sizeof small));  // "290.0 Hz" needs 9
}

TEST_F(ClapTest, TextReadsAsTheCommandLineReadsIt)
{
    const clap_plugin_params_t* params = plugin->params;
    double value = -1.0;
    ASSERT_TRUE(params->text_to_value(plugin->plugin, 3, "-3 dB", &value));  // A-Gain
    EXPECT_EQ(text(3, value), "-3.00 dB");
    ASSERT_TRUE(params->text_to_value(plugin->plugin, 2, "1.2kHz", &value));  // A-Freq
    EXPECT_NEAR(value, (1200.0 - 100.0) / 20000.0, 1e-7);
    ASSERT_TRUE(params->text_to_value(plugin->plugin, 7, "0.7n", &value));  // B-Q
    EXPECT_EQ(value, static_cast<double>(0.7f));
    // Its own texts read back.
    for (clap_id id = 0; id < kParameters; ++id) {
        const std::string shown = text(id, 0.3);
        ASSERT_TRUE(params->text_to_value(plugin->plugin, id, shown.c_str(), &value)) << shown;
        EXPECT_NEAR(value, 0.3, 1e-4) << shown;
    }
    EXPECT_FALSE(params->text_to_value(plugin->plugin, 3, "+30 dB", &value));
    EXPECT_FALSE(params->text_to_value(plugin->plugin, 3, "loud", &value));
    EXPECT_FALSE(params->text_to_value(plugin->plugin, kParameters, "0.5n", &value));
}

// Whatever the rate, each text shown (with its unit) reads back to a value
// shown with the same text: an even spread of values, and the first values
// past the gain's dead zone; at 8000 Hz HS-Freq shows the 3680 Hz it is held
// at, below its knob.
TEST_F(ClapTest, EveryTextShownReadsBackToTheSameTextAtEveryRate)
{
    std::vector<double> values = {std::nextafter(0.537f, 1.0f), std::nextafter(0.463f, 0.0f)};
    for (int k = 0; k <= 1024; ++k) {
        values.push_back(k / 1024.0);
    }
    for (double rate : {8000.0, 44100.0, 192000.0}) {
        ClapHost::Plugin instance(*host, kId);
        ASSERT_TRUE(instance.start(rate, 512));
        const clap_plugin_params_t* params = instance.params;
        for (clap_id id = 0; id < kParameters; ++id) {
            for (double v : values) {
                char shown[CLAP_NAME_SIZE] = {}, again[CLAP_NAME_SIZE] = {};
                ASSERT_TRUE(params->value_to_text(instance.plugin, id, v, shown, sizeof shown));
                double read = -1.0;
                ASSERT_TRUE(params->text_to_value(instance.plugin, id, shown, &read)) << shown << " at " << rate;
                ASSERT_TRUE(params->value_to_text(instance.plugin, id, read, again, sizeof again));
                ASSERT_STREQ(again, shown) << id << " at " << rate << " from " << v;
            }
        }
    }
}

// A rate the bands cannot run at is refused, and the instance stays as it
// was: its tail is still the one at the rate it had (44.1 kHz when made).
TEST_F(ClapTest, ImpossibleRatesAreRefused)
{
    ClapHost::Plugin instance(*host, kId);
    ASSERT_TRUE(instance.isReady());
    const auto* tail = instance.extension<clap_plugin_tail_t>(CLAP_EXT_TAIL);
    ASSERT_NE(tail, nullptr);
    EXPECT_EQ(tail->get(instance.plugin), 66150u + 2205u);
    for (double rate : {1e-300, 1e300, 1e12, 999.0, 192000.5, 0.0, -48000.0, std::nan(""), HUGE_VAL}) {
        EXPECT_FALSE(instance.plugin->activate(instance.plugin, rate, 1, 512)) << rate;
    }
    EXPECT_EQ(tail->get(instance.plugin), 66150u + 2205u);
    ASSERT_TRUE(instance.start(192000.0, 512));
    EXPECT_EQ(tail->get(instance.plugin), 288000u + 9600u);
}

// Every parameter set to a value of the generator's, here through flush and
// on the reference directly.
void setAll(ClapHost::Plugin& plugin, Vst2Effect& reference, std::mt19937& random)
{
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    ClapHost::InputEvents values;
    for (int i = 0; i < kParameters; ++i) {
        const float v = unit(random);
        reference.effect->setParameter(reference.effect, i, v);
        values.add(0, static_cast<clap_id>(i), v);
    }
    ClapHost::OutputEvents out;
    plugin.params->flush(plugin.plugin, values.list(), out.list());
}

TEST_F(ClapTest, StateIsTheVst2BankChunkByteForByte)
{
    std::mt19937 random(11);
    setAll(*plugin, *reference, random);
    const std::vector<unsigned char> state = plugin->state();
    ASSERT_EQ(state.size(), 76u);  // then the bypass record
    EXPECT_EQ(std::vector<unsigned char>(state.begin(), state.begin() + 64), reference->chunk());

    // Written through a stream that takes three bytes at a time: the same bytes.
    ClapHost::Stream narrow({}, 3);
    ASSERT_TRUE(plugin->stateExtension->save(plugin->plugin, narrow.out()));
    EXPECT_EQ(narrow.bytes, state);

    // Loaded by another instance from a stream that gives one byte at a time.
    auto other = make();
    ASSERT_TRUE(other->isReady());
    ClapHost::Stream pieces(state, 1);
    ASSERT_TRUE(other->stateExtension->load(other->plugin, pieces.in()));
    EXPECT_EQ(other->state(), state);
    for (clap_id id = 0; id < kParameters; ++id) {
        double loaded = -1.0, saved = -2.0;
        ASSERT_TRUE(other->params->get_value(other->plugin, id, &loaded));
        ASSERT_TRUE(plugin->params->get_value(plugin->plugin, id, &saved));
        EXPECT_EQ(loaded, saved);
    }
    EXPECT_EQ(host->rescans, std::vector<std::uint32_t>{CLAP_PARAM_RESCAN_VALUES});
}

TEST_F(ClapTest, StateOfAnyOtherLengthIsRefusedAndChangesNothing)
{
    std::vector<unsigned char> foreign = Vst2Effect(testOption("vst2-module"), kRate).chunk();
    foreign[24] ^= 0x40;  // the first value, changed
    const std::vector<unsigned char> before = plugin->state();
    ASSERT_NE(foreign, before);
    std::mt19937 random(5);
    std::vector<std::vector<unsigned char>> refused;
    // Past the chunk, a record's header or payload cut short.
    for (std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{40}, std::size_t{63}, std::size_t{65},
                             std::size_t{71}}) {
        refused.push_back(foreign);
        refused.back().resize(size, 0);
    }
    for (int n = 0; n < 20; ++n) {
        std::vector<unsigned char> garbage(1 + random() % 200);
        std::generate(garbage.begin(), garbage.end(), [&] { return static_cast<unsigned char>(random()); });
        if (garbage.size() != 64) {
            refused.push_back(garbage);
        }
    }
    for (const auto& bytes : refused) {
        for (std::uint64_t piece : {std::uint64_t{0}, std::uint64_t{1}}) {
            ClapHost::Stream stream(bytes, piece);
            EXPECT_FALSE(plugin->stateExtension->load(plugin->plugin, stream.in())) << bytes.size() << " bytes";
            EXPECT_EQ(plugin->state(), before) << bytes.size() << " bytes";
        }
    }
    EXPECT_TRUE(host->rescans.empty());
}

TEST_F(ClapTest, ValuesApplyAtTheirFramesBitForBitAsTheVst2ModuleWithTheSameCuts)
{
    std::mt19937 random(2024);
    std::uniform_real_distribution<float> sample(-1.0f, 1.0f);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    bool sawSilent = false;
    bool sawSound = false;
    for (int block = 0; block < 300; ++block) {
        const int frames = 1 + static_cast<int>(random() % 700);
        const bool quiet = block < 2 || (block >= 120 && block < 126);
        std::vector<float> in[2], outClap[2], out2[2];
        for (int c = 0; c < 2; ++c) {
            in[c].resize(static_cast<std::size_t>(frames) + 1);
            for (float& s : in[c]) {
                s = quiet ? 0.0f : sample(random);
            }
            outClap[c].assign(in[c].size(), 7.0f);
            out2[c].assign(in[c].size(), 7.0f);
        }

        // Now and then values set outside processing (params.flush): the
        // reference sets them before the block.
        std::vector<Vst2Effect::Change> cuts;
        if (block % 9 == 4) {
            ClapHost::InputEvents flushed;
            flushed.add(0, static_cast<clap_id>(random() % kParameters), unit(random));
            ClapHost::OutputEvents none;
            plugin->params->flush(plugin->plugin, flushed.list(), none.list());
            const auto& v = flushed.values.front();
            cuts.push_back({0, static_cast<VstInt32>(v.param_id), static_cast<float>(v.value)});
        }
        // A few values at random frames in time order (the first and the last
        // among them), some parameters several times, with events the
        // equaliser has no use for between them.
        ClapHost::InputEvents events;
        std::vector<int> times;
        const int changed = quiet ? 0 : static_cast<int>(random() % 8);
        for (int n = 0; n < changed; ++n) {
            const int pick = static_cast<int>(random() % 4);
            times.push_back(pick == 0 ? 0 : pick == 1 ? frames - 1 : static_cast<int>(random() % frames));
        }
        std::sort(times.begin(), times.end());
        for (int time : times) {
            const clap_id id = static_cast<clap_id>(random() % kParameters);
            const float value = unit(random);
            events.add(static_cast<std::uint32_t>(time), id, value, CLAP_EVENT_PARAM_GESTURE_BEGIN);
            events.add(static_cast<std::uint32_t>(time), id, value);
            events.add(static_cast<std::uint32_t>(time), kParameters + 1, value);  // no such parameter
            cuts.push_back({time, static_cast<VstInt32>(id), value});
        }

        float* inputs[2] = {in[0].data(), in[1].data()};
        float* outputs[2] = {outClap[0].data(), outClap[1].data()};
        std::uint64_t constant = 0;
        ASSERT_EQ(plugin->process(inputs, outputs, static_cast<std::uint32_t>(frames), &events, nullptr, &constant),
                  CLAP_PROCESS_TAIL);
        float* o2[2] = {out2[0].data(), out2[1].data()};
        reference->processCut(inputs, o2, frames, cuts);
        for (int c = 0; c < 2; ++c) {
            ASSERT_EQ(std::memcmp(outClap[c].data(), out2[c].data(), sizeof(float) * outClap[c].size()), 0)
                << "block " << block << " (" << frames << " frames), channel " << c;
            bool zero = true;
            for (int i = 0; i < frames; ++i) {
                std::uint32_t bits;
                std::memcpy(&bits, &outClap[c][static_cast<std::size_t>(i)], sizeof bits);
                zero = zero && bits == 0;
            }
            EXPECT_EQ((constant >> c) & 1u, zero ? 1u : 0u) << "constant mask, block " << block << ", channel " << c;
            (zero ? sawSilent : sawSound) = true;
        }
        EXPECT_EQ(constant >> 2, 0u);
    }
    EXPECT_TRUE(sawSilent);
    EXPECT_TRUE(sawSound);
    for (clap_id id = 0; id < kParameters; ++id) {
        double value = -1.0;
        ASSERT_TRUE(plugin->params->get_value(plugin->plugin, id, &value));
        EXPECT_EQ(value, reference->effect->getParameter(reference->effect, static_cast<VstInt32>(id)));
    }
}

TEST_F(ClapTest, FactoryPresetsAreDeclaredInsideThePluginAndLoadAsTheVst2ModuleTakesThem)
{
    std::vector<ClapHost::DeclaredLocation> locations;
    const std::vector<ClapHost::DeclaredPreset> presets = host->discoverPresets(locations);
    ASSERT_EQ(locations.size(), 1u) << host->error();
    EXPECT_EQ(locations[0].kind, static_cast<std::uint32_t>(CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN));
    EXPECT_EQ(locations[0].flags, static_cast<std::uint32_t>(CLAP_PRESET_DISCOVERY_IS_FACTORY_CONTENT));
    EXPECT_FALSE(locations[0].hasPath);
    ASSERT_EQ(static_cast<int>(presets.size()), FactoryPresets::count());

    std::mt19937 random(25);
    std::uniform_real_distribution<float> sample(-1.0f, 1.0f);
    std::vector<std::string> names;
    for (int i = 0; i < FactoryPresets::count(); ++i) {
        const ClapHost::DeclaredPreset& declared = presets[static_cast<std::size_t>(i)];
        EXPECT_EQ(declared.name, FactoryPresets::at(i).name);
        EXPECT_EQ(declared.description, FactoryPresets::at(i).purpose);
        EXPECT_EQ(declared.pluginIds, std::vector<std::string>{std::string("clap:") + kId});
        names.push_back(declared.loadKey);

        // Loaded by its key into a fresh plug-in, and the same chunk into a fresh VST 2 module.
        auto loaded = make();
        ASSERT_TRUE(loaded->start(kRate, 4096));
        const auto* load = loaded->extension<clap_plugin_preset_load_t>(CLAP_EXT_PRESET_LOAD);
        ASSERT_NE(load, nullptr);
        ASSERT_TRUE(load->from_location(loaded->plugin, declared.locationKind, nullptr, declared.loadKey.c_str()));
        unsigned char chunk[64];
        FactoryPresets::chunk(i, chunk);
        Vst2Effect vst2(testOption("vst2-module"), kRate);
        ASSERT_EQ(vst2.dispatch(effSetChunk, 0, sizeof chunk, chunk), static_cast<VstIntPtr>(sizeof chunk));
        const std::vector<unsigned char> state = loaded->state();
        const std::vector<unsigned char> stateChunk(state.begin(), state.begin() + 64);
        EXPECT_EQ(stateChunk, std::vector<unsigned char>(chunk, chunk + sizeof chunk)) << declared.name;
        EXPECT_EQ(stateChunk, vst2.chunk());

        std::vector<float> in[2], outClap[2], out2[2];
        for (int c = 0; c < 2; ++c) {
            in[c].resize(2048);
            for (float& s : in[c]) s = sample(random);
            outClap[c].assign(in[c].size(), 7.0f);
            out2[c].assign(in[c].size(), 7.0f);
        }
        float* inputs[2] = {in[0].data(), in[1].data()};
        float* outputs[2] = {outClap[0].data(), outClap[1].data()};
        float* o2[2] = {out2[0].data(), out2[1].data()};
        ClapHost::InputEvents none;
        loaded->process(inputs, outputs, 2048, &none, nullptr);
        vst2.processCut(inputs, o2, 2048, {});
        for (int c = 0; c < 2; ++c) {
            EXPECT_EQ(std::memcmp(outClap[c].data(), out2[c].data(), sizeof(float) * 2048), 0) << declared.name;
        }
    }
    EXPECT_EQ(host->presetsLoaded, names);

    // A key it never declared, or a preset from a file: refused, nothing changed, the host told.
    const std::vector<unsigned char> before = plugin->state();
    const auto* load = plugin->extension<clap_plugin_preset_load_t>(CLAP_EXT_PRESET_LOAD);
    EXPECT_FALSE(load->from_location(plugin->plugin, CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN, nullptr, "No Such Preset"));
    EXPECT_FALSE(load->from_location(plugin->plugin, CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN, nullptr, nullptr));
    EXPECT_FALSE(load->from_location(plugin->plugin, CLAP_PRESET_DISCOVERY_LOCATION_FILE, "/tmp/x", names[0].c_str()));
    EXPECT_EQ(plugin->state(), before);
    EXPECT_EQ(host->presetLoadErrors.size(), 3u);
}

// Every band active.
const float kActive[kParameters] = {0.2f, 0.7f, 0.045f, 0.8f, 0.6f, 0.3f, 0.35f, 0.4f, 0.6f, 0.75f};

TEST_F(ClapTest, AMissingChannelSkipsTheBlocksAudioAndItsValuesStillApply)
{
    const auto make = [this] {
        std::shared_ptr<ClapHost::Plugin> fresh = this->make();
        EXPECT_TRUE(fresh->start(kRate, 4096));
        return MissingChannel::Instance{[fresh](float* const* in, float* const* out, int frames) {
                                            ClapHost::InputEvents events;
                                            events.add(10, 1, 0.2);
                                            events.add(static_cast<std::uint32_t>(frames / 2), 3, 0.9);
                                            ClapHost::OutputEvents none;
                                            EXPECT_EQ(fresh->process(in, out, static_cast<std::uint32_t>(frames),
                                                                     &events, &none),
                                                      CLAP_PROCESS_ERROR);
                                        },
                                        [fresh](float* const* in, float* const* out, int frames) {
                                            ClapHost::InputEvents nothing;
                                            ClapHost::OutputEvents none;
                                            fresh->process(in, out, static_cast<std::uint32_t>(frames), &nothing, &none);
                                        }};
    };
    EXPECT_TRUE(MissingChannel::check(make, testOption("vst2-module"), kRate, {{1, 0.2f}, {3, 0.9f}}));
}

TEST_F(ClapTest, AnInfinityOrNaNInTheInputIsTakenAsZero)
{
    const float bad[] = {std::nanf(""), INFINITY, -INFINITY};
    for (int k = 0; k < 3; ++k) {
        std::unique_ptr<ClapHost::Plugin> fresh = make();
        ASSERT_TRUE(fresh->start(kRate, 4096));
        ClapHost::InputEvents settings, nothing;
        for (int p = 0; p < kParameters; ++p) settings.add(0, static_cast<clap_id>(p), kActive[p]);
        ClapHost::OutputEvents none;
        bool first = true;
        const auto face = [&](float* const* in, float* const* out, int frames) {
            fresh->process(in, out, static_cast<std::uint32_t>(frames), first ? &settings : &nothing, &none);
            first = false;
        };
        EXPECT_TRUE(BadInput::check(face, testOption("vst2-module"), kRate, kActive, bad[k], k % 2)) << bad[k];
    }
}

TEST_F(ClapTest, AThousandInstancesComeAndGo)
{
    for (int n = 0; n < 1000; ++n) {
        ClapHost::Plugin instance(*host, kId);
        ASSERT_TRUE(instance.isReady()) << "instance " << n;
        ASSERT_TRUE(instance.start(kRate, 512)) << "instance " << n;
    }
}

// Values set as a host does between blocks (params.flush).
void flushValues(ClapHost::Plugin& plugin, std::initializer_list<std::pair<clap_id, double>> values)
{
    ClapHost::InputEvents events;
    for (const auto& value : values) {
        events.add(0, value.first, value.second);
    }
    ClapHost::OutputEvents out;
    plugin.params->flush(plugin.plugin, events.list(), out.list());
}

double valueOf(const ClapHost::Plugin& plugin, clap_id id)
{
    double value = -1.0;
    EXPECT_TRUE(plugin.params->get_value(plugin.plugin, id, &value)) << id;
    return value;
}

// The bypass, id 10, the host's own switch: at its frame, the output fades
// to the input (here processed in place) and back to what an instance never
// bypassed gives, its bands having run on unheard.
TEST_F(ClapTest, BypassFadesToTheInputAndBackToWhatANeverBypassedInstanceGives)
{
    clap_param_info_t info{};
    ASSERT_TRUE(plugin->params->get_info(plugin->plugin, kParameters, &info));
    EXPECT_EQ(info.id, static_cast<clap_id>(kParameters));
    EXPECT_EQ(std::string(info.name), "Bypass");
    EXPECT_EQ(info.flags, static_cast<std::uint32_t>(CLAP_PARAM_IS_BYPASS | CLAP_PARAM_IS_STEPPED |
                                                     CLAP_PARAM_IS_AUTOMATABLE));
    EXPECT_EQ(info.min_value, 0.0);
    EXPECT_EQ(info.max_value, 1.0);
    EXPECT_EQ(info.default_value, 0.0);
    EXPECT_EQ(valueOf(*plugin, kParameters), 0.0);
    EXPECT_EQ(text(kParameters, 1.0), "On");
    double typed = -1.0;
    ASSERT_TRUE(plugin->params->text_to_value(plugin->plugin, kParameters, "Off", &typed));
    EXPECT_EQ(typed, 0.0);

    BypassProbe probe;
    auto plain = make();
    ASSERT_TRUE(plain->start(kRate, 4096));
    for (ClapHost::Plugin* instance : {plugin.get(), plain.get()}) {
        flushValues(*instance, {{1, 1.0}, {6, 0.2}});  // LS-Gain +20 dB, B-Gain
    }
    for (int start = 0; start < BypassProbe::kFrames; start += BypassProbe::kBlock) {
        ClapHost::InputEvents events, none;
        int offset = 0;
        double value = 0.0;
        if (BypassProbe::switchIn(start, offset, value)) {
            events.add(static_cast<std::uint32_t>(offset), kParameters, value);
        }
        const BypassProbe::Frame frame = probe.at(start);
        plugin->process(frame.inPlace, frame.inPlace, BypassProbe::kBlock, &events, nullptr);
        plain->process(frame.input, frame.plain, BypassProbe::kBlock, &none, nullptr);
    }
    EXPECT_TRUE(probe.check());
}

// The state: the chunk, then the bypass. Today's 64-byte state loads with the
// bypass off into a new instance, and leaves a bypassed one bypassed, as a
// preset does; a record no version reads is passed over; a malformed state
// is refused with nothing changed.
TEST_F(ClapTest, BypassIsSavedAfterTheChunkAndTodaysStateLoadsWithItOff)
{
    const std::vector<unsigned char> initial = plugin->state();
    const std::vector<unsigned char> todays(initial.begin(), initial.begin() + 64);
    flushValues(*plugin, {{3, 0.8}, {kParameters, 1.0}});
    const std::vector<unsigned char> state = plugin->state();
    const std::vector<unsigned char> chunk(state.begin(), state.begin() + 64);
    EXPECT_EQ(state, BypassProbe::withBypass(chunk, 1));

    auto other = make();
    ClapHost::Stream pieces(state, 1);
    ASSERT_TRUE(other->stateExtension->load(other->plugin, pieces.in()));
    EXPECT_EQ(valueOf(*other, kParameters), 1.0);
    EXPECT_EQ(other->state(), state);

    auto fresh = make();
    ClapHost::Stream old(todays);
    ASSERT_TRUE(fresh->stateExtension->load(fresh->plugin, old.in()));
    EXPECT_EQ(valueOf(*fresh, kParameters), 0.0);
    EXPECT_EQ(fresh->state(), BypassProbe::withBypass(todays, 0));
    ClapHost::Stream preset(todays);
    ASSERT_TRUE(other->stateExtension->load(other->plugin, preset.in()));
    EXPECT_EQ(valueOf(*other, kParameters), 1.0);
    EXPECT_EQ(valueOf(*other, 3), valueOf(*fresh, 3));
    ClapHost::Stream later(BypassProbe::withBypass(todays, 0, true));
    ASSERT_TRUE(other->stateExtension->load(other->plugin, later.in()));
    EXPECT_EQ(valueOf(*other, kParameters), 0.0);

    const std::vector<unsigned char> before = plugin->state();
    for (const std::vector<unsigned char>& bad : BypassProbe::malformed(todays)) {
        ClapHost::Stream stream(bad);
        EXPECT_FALSE(plugin->stateExtension->load(plugin->plugin, stream.in())) << bad.size() << " bytes";
        EXPECT_EQ(plugin->state(), before) << bad.size() << " bytes";
    }
}

}  // namespace
