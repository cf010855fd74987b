// Reads the built LV2 bundle through lilv, as a host does, and holds it to the
// parameter table and to the VST 2 module it adapts: the description's names,
// units, ranges and defaults, the factory preset, and the output bits of the
// DSP binary instantiated with no feature, its control ports read as
// `korvo --set` reads the same numbers.
//   korvo_lv2_tests --bundle=KorvoEQ.lv2 --vst2-module=VST2-MODULE
#include <gtest/gtest.h>

#include <lv2/core/lv2.h>
#include <lv2/port-groups/port-groups.h>
#include <lv2/port-props/port-props.h>
#include <lv2/presets/presets.h>
#include <lv2/ui/ui.h>
#include <lv2/units/units.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "eq/FactoryPresets.h"
#include "eq/ParameterParser.h"
#include "eq/Parameters.h"
#include "tests/support/BadInput.h"
#include "tests/support/MissingChannel.h"
#include "tests/support/Lv2Bundle.h"
#include "tests/support/BypassProbe.h"
#include "tests/support/TestMain.h"
#include "tests/support/Vst2Effect.h"

namespace {

constexpr float kRate = 48000.0f;
// Fixed for ever: hosts keep sessions and presets by these.
const char* const kUri = "https://vardle.example/plugins/korvo-eq";
const char* const kSymbols[kNumParameters] = {"ls_freq", "ls_gain", "a_freq", "a_gain", "a_q",
                                              "b_freq",  "b_gain",  "b_q",    "hs_freq", "hs_gain"};
const char* const kRdfType = "http://www.w3.org/1999/02/22-rdf-syntax-ns#type";

// A value as the shortest text that reads back as it, for the command line.
std::string shortest(float value)
{
    char text[64];
    return std::string(text, std::to_chars(text, text + sizeof text, value).ptr);
}

class Lv2Test : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(testOption("bundle").empty()) << "run with --bundle=KorvoEQ.lv2 --vst2-module=VST2-MODULE";
        bundle = std::make_unique<Lv2Bundle>(testOption("bundle"), kUri);
        ASSERT_NE(bundle->plugin(), nullptr) << testOption("bundle") << " describes no " << kUri;
        reference = std::make_unique<Vst2Effect>(testOption("vst2-module"), kRate);
        ASSERT_NE(reference->effect, nullptr) << reference->loader.error();
        plugin = lilv_plugin_get_uri(bundle->plugin());
    }

    // Whether a subject has a type.
    bool is(const LilvNode* subject, const char* type)
    {
        return lilv_world_ask(bundle->world(), subject, bundle->uri(kRdfType), bundle->uri(type));
    }

    // The value `korvo --set NAME=VALUE` stores for a port's plain value.
    float commandLineValue(int index, float plain)
    {
        Setting setting{};
        std::string error;
        EXPECT_TRUE(parseSetting(std::string(kParameters[index].name) + "=" + shortest(plain), setting, error))
            << error;
        return setting.value;
    }

    // A preset's value for each control port, in index order; false unless it has one for each.
    bool presetValues(const LilvNode* preset, float (&values)[kNumParameters])
    {
        const std::vector<const LilvNode*> ports = bundle->all(preset, LV2_CORE__port);
        int found = 0;
        for (int i = 0; i < kNumParameters; ++i) {
            for (const LilvNode* port : ports) {
                if (Lv2Bundle::text(bundle->get(port, LV2_CORE__symbol)) == kSymbols[i]) {
                    values[i] = Lv2Bundle::number(bundle->get(port, LV2_PRESETS__value));
                    ++found;
                }
            }
        }
        return ports.size() == static_cast<std::size_t>(kNumParameters) && found == kNumParameters;
    }

    std::unique_ptr<Lv2Bundle> bundle;
    std::unique_ptr<Vst2Effect> reference;
    const LilvNode* plugin = nullptr;
};

TEST_F(Lv2Test, DescribesTheEqualiserAsTheVst2ModuleNamesIt)
{
    const LilvPlugin* p = bundle->plugin();
    ASSERT_TRUE(lilv_plugin_verify(p));
    EXPECT_TRUE(is(plugin, LV2_CORE__ParaEQPlugin));
    LilvNode* name = lilv_plugin_get_name(p);
    EXPECT_EQ(Lv2Bundle::text(name), reference->text(effGetEffectName));
    lilv_node_free(name);
    LilvNode* author = lilv_plugin_get_author_name(p);
    EXPECT_EQ(Lv2Bundle::text(author), reference->text(effGetVendorString));
    lilv_node_free(author);
    EXPECT_NE(bundle->get(plugin, LILV_NS_DOAP "license"), nullptr);

    // A release x.y.z is LV2 version 2 x (100 x + y) . 2 z: even numbers, never a minor 0.
    int major = 0, minor = 0, micro = 0;
    ASSERT_EQ(std::sscanf(KORVO_VERSION, "%d.%d.%d", &major, &minor, &micro), 3);
    EXPECT_EQ(Lv2Bundle::number(bundle->get(plugin, LV2_CORE__minorVersion)), 2 * (100 * major + minor));
    EXPECT_EQ(Lv2Bundle::number(bundle->get(plugin, LV2_CORE__microVersion)), 2 * micro);

    // It runs in a host that passes no feature, in hard real time.
    LilvNodes* required = lilv_plugin_get_required_features(p);
    EXPECT_EQ(lilv_nodes_size(required), 0u);
    lilv_nodes_free(required);
    EXPECT_TRUE(lilv_plugin_has_feature(p, bundle->uri(LV2_CORE__hardRTCapable)));
    EXPECT_FALSE(lilv_plugin_has_latency(p));
    EXPECT_NE(Lv2Bundle::text(lilv_plugin_get_library_uri(p)).find("/KorvoEQ_dsp.so"), std::string::npos);

    // Its editor sizes itself, never by the user's hand: a host then follows
    // it both ways (ui:resize), down as well as up.
    LilvUIs* uis = lilv_plugin_get_uis(p);
    ASSERT_EQ(lilv_uis_size(uis), 1u);
    const LilvNode* ui = lilv_ui_get_uri(lilv_uis_get(uis, lilv_uis_begin(uis)));
    EXPECT_TRUE(lilv_world_ask(bundle->world(), ui, bundle->uri(LV2_CORE__optionalFeature),
                               bundle->uri(LV2_UI__noUserResize)));
    lilv_uis_free(uis);
}

TEST_F(Lv2Test, ControlPortsAreTheParameterTableInItsUnits)
{
    const LilvPlugin* p = bundle->plugin();
    ASSERT_EQ(lilv_plugin_get_num_ports(p), 15u);  // and the bypass, port 14
    for (int i = 0; i < kNumParameters; ++i) {
        const LilvPort* port = bundle->port(static_cast<std::uint32_t>(i));
        ASSERT_NE(port, nullptr);
        EXPECT_TRUE(lilv_port_is_a(p, port, bundle->uri(LV2_CORE__InputPort)));
        EXPECT_TRUE(lilv_port_is_a(p, port, bundle->uri(LV2_CORE__ControlPort)));
        EXPECT_EQ(Lv2Bundle::text(lilv_port_get_symbol(p, port)), kSymbols[i]);
        LilvNode* name = lilv_port_get_name(p, port);
        EXPECT_EQ(Lv2Bundle::text(name), reference->text(effGetParamName, i));
        lilv_node_free(name);

        // The knob's ends, and the initial program's value, in the unit: read
        // back as the command line reads numbers, they are the stored values.
        LilvNode *def = nullptr, *min = nullptr, *max = nullptr;
        lilv_port_get_range(p, port, &def, &min, &max);
        EXPECT_EQ(Lv2Bundle::number(min), toPlain(i, 0.0f)) << kSymbols[i];
        EXPECT_EQ(Lv2Bundle::number(max), toPlain(i, 1.0f)) << kSymbols[i];
        EXPECT_EQ(commandLineValue(i, Lv2Bundle::number(def)), reference->effect->getParameter(reference->effect, i))
            << kSymbols[i] << " default " << Lv2Bundle::text(def);
        lilv_node_free(def);
        lilv_node_free(min);
        lilv_node_free(max);

        const ParameterUnit unit = kParameters[i].unit;
        const char* expected = unit == ParameterUnit::Frequency ? LV2_UNITS__hz
                               : unit == ParameterUnit::Gain    ? LV2_UNITS__db
                                                                : "";
        EXPECT_EQ(Lv2Bundle::text(bundle->get(port, LV2_UNITS__unit)), expected) << kSymbols[i];
        EXPECT_EQ(lilv_port_has_property(p, port, bundle->uri(LV2_PORT_PROPS__logarithmic)),
                  unit == ParameterUnit::Frequency)
            << kSymbols[i];
    }
}

TEST_F(Lv2Test, AudioPortsAreAStereoPairEachWay)
{
    const LilvPlugin* p = bundle->plugin();
    const char* const symbols[4] = {"in_left", "in_right", "out_left", "out_right"};
    for (std::uint32_t n = 0; n < 4; ++n) {
        const LilvPort* port = bundle->port(10 + n);
        ASSERT_NE(port, nullptr);
        const bool input = n < 2;
        EXPECT_TRUE(lilv_port_is_a(p, port, bundle->uri(LV2_CORE__AudioPort)));
        EXPECT_TRUE(lilv_port_is_a(p, port, bundle->uri(input ? LV2_CORE__InputPort : LV2_CORE__OutputPort)));
        EXPECT_EQ(Lv2Bundle::text(lilv_port_get_symbol(p, port)), symbols[n]);
        EXPECT_EQ(Lv2Bundle::text(bundle->get(port, LV2_CORE__designation)),
                  n % 2 == 0 ? LV2_PORT_GROUPS__left : LV2_PORT_GROUPS__right);
        const LilvNode* group = bundle->get(port, LV2_PORT_GROUPS__group);
        ASSERT_NE(group, nullptr);
        EXPECT_TRUE(is(group, LV2_PORT_GROUPS__StereoGroup));
        EXPECT_TRUE(is(group, input ? LV2_PORT_GROUPS__InputGroup : LV2_PORT_GROUPS__OutputGroup));
        EXPECT_EQ(Lv2Bundle::text(bundle->get(plugin, input ? LV2_PORT_GROUPS__mainInput : LV2_PORT_GROUPS__mainOutput)),
                  Lv2Bundle::text(group));
    }
    EXPECT_EQ(bundle->port(15), nullptr);
}

TEST_F(Lv2Test, TheFactoryPresetIsTheInitialProgram)
{
    const LilvNode* preset = bundle->uri(std::string(kUri) + "#factory");
    ASSERT_EQ(lilv_world_load_resource(bundle->world(), preset), 1);
    EXPECT_EQ(Lv2Bundle::text(bundle->get(preset, LILV_NS_RDFS "label")), reference->text(effGetProgramName));
    EXPECT_EQ(Lv2Bundle::text(bundle->get(preset, LV2_CORE__appliesTo)), kUri);
    float values[kNumParameters];
    ASSERT_TRUE(presetValues(preset, values));
    for (int i = 0; i < kNumParameters; ++i) {
        EXPECT_EQ(commandLineValue(i, values[i]), reference->effect->getParameter(reference->effect, i)) << kSymbols[i];
    }
}

// An instance made with no feature, as lv2apply makes one, with the ten
// control ports of its own.
struct Instance {
    Instance(const LilvPlugin* plugin, double rate)
    {
        const LV2_Feature* none[] = {nullptr};
        instance = lilv_plugin_instantiate(plugin, rate, none);
        for (std::uint32_t i = 0; instance && i < kNumParameters; ++i) {
            lilv_instance_connect_port(instance, i, &controls[i]);
        }
    }
    ~Instance() { lilv_instance_free(instance); }
    // The buffers of one run; the outputs may be the inputs.
    void run(const float* const* inputs, float* const* outputs, std::uint32_t frames)
    {
        lilv_instance_connect_port(instance, 10, const_cast<float*>(inputs[0]));
        lilv_instance_connect_port(instance, 11, const_cast<float*>(inputs[1]));
        lilv_instance_connect_port(instance, 12, outputs[0]);
        lilv_instance_connect_port(instance, 13, outputs[1]);
        lilv_instance_run(instance, frames);
    }
    LilvInstance* instance = nullptr;
    float controls[kNumParameters] = {};
};

// No instance at a rate the bands cannot run at; one at each end of the range.
TEST_F(Lv2Test, InstantiatesOnlyAtRatesTheBandsRunAt)
{
    for (double rate : {1e-300, 1e300, 1e12, 999.0, 192000.5, 0.0, -48000.0}) {
        const Instance refused(bundle->plugin(), rate);
        EXPECT_EQ(refused.instance, nullptr) << rate;
    }
    for (double rate : {1000.0, 192000.0}) {
        const Instance made(bundle->plugin(), rate);
        EXPECT_NE(made.instance, nullptr) << rate;
    }
}

TEST_F(Lv2Test, RendersBitForBitAsTheVst2ModuleSetAsTheCommandLineSetsTheSameNumbers)
{
    Instance lv2(bundle->plugin(), kRate);
    ASSERT_NE(lv2.instance, nullptr);
    // Every port at its default, then values that a conversion rounded
    // otherwise than the command line's would change (gains of -3.3 and +6.4 dB).
    for (int i = 0; i < kNumParameters; ++i) {
        LilvNode* def = nullptr;
        lilv_port_get_range(bundle->plugin(), bundle->port(static_cast<std::uint32_t>(i)), &def, nullptr, nullptr);
        lv2.controls[i] = Lv2Bundle::number(def);
        lilv_node_free(def);
    }
    lilv_instance_activate(lv2.instance);

    std::mt19937 random(2025);
    std::uniform_real_distribution<float> sample(-1.0f, 1.0f);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    const float sensitive[] = {6.6f, 6.4f, -3.3f, 5.9f};
    for (int block = 0; block < 400; ++block) {
        // Now and then the host makes the instance anew (deactivate, activate):
        // it starts from rest, as a new VST 2 effect with the same values.
        if (block == 250) {
            lilv_instance_deactivate(lv2.instance);
            lilv_instance_activate(lv2.instance);
            reference = std::make_unique<Vst2Effect>(testOption("vst2-module"), kRate);
            for (int i = 0; i < kNumParameters; ++i) {
                reference->effect->setParameter(reference->effect, i, commandLineValue(i, lv2.controls[i]));
            }
        }
        if (block > 0 && block % 3 == 0) {
            const int i = static_cast<int>(random() % kNumParameters);
            const bool gain = kParameters[i].unit == ParameterUnit::Gain;
            lv2.controls[i] = gain && block % 2 == 0 ? sensitive[random() % 4] : toPlain(i, unit(random));
        }
        if (block > 0) {
            for (int i = 0; i < kNumParameters; ++i) {
                reference->effect->setParameter(reference->effect, i, commandLineValue(i, lv2.controls[i]));
            }
        }
        const int frames = block % 7 == 0 ? 1 : 1 + static_cast<int>(random() % 600);
        std::vector<float> in[2], out[2], expected[2];
        for (int c = 0; c < 2; ++c) {
            in[c].resize(static_cast<std::size_t>(frames));
            for (float& s : in[c]) {
                s = sample(random);
            }
            expected[c].assign(in[c].size(), 0.0f);
            out[c].assign(in[c].size(), 7.0f);
        }
        float* inputs[2] = {in[0].data(), in[1].data()};
        float* ref[2] = {expected[0].data(), expected[1].data()};
        reference->effect->processReplacing(reference->effect, inputs, ref, frames);
        // Every other block in place: the outputs are the inputs' buffers.
        float* outputs[2] = {out[0].data(), out[1].data()};
        lv2.run(inputs, block % 2 ? inputs : outputs, static_cast<std::uint32_t>(frames));
        for (int c = 0; c < 2; ++c) {
            const float* got = block % 2 ? in[c].data() : out[c].data();
            ASSERT_EQ(std::memcmp(got, expected[c].data(), sizeof(float) * expected[c].size()), 0)
                << "block " << block << " (" << frames << " frames), channel " << c;
        }
    }
    lilv_instance_deactivate(lv2.instance);
}

// The factory presets as a host's preset menu shows them, beside the initial
// program: the same names as the table, and each one's port values run the
// instance as the VST 2 module runs with the same preset loaded.
TEST_F(Lv2Test, FactoryPresetsAreTheTablesNamesAndRenderAsTheVst2ModuleWithThem)
{
    LilvNodes* presets = lilv_plugin_get_related(bundle->plugin(), bundle->uri(LV2_PRESETS__Preset));
    std::map<std::string, const LilvNode*> byLabel;
    LILV_FOREACH (nodes, i, presets) {
        const LilvNode* preset = lilv_nodes_get(presets, i);
        // One file holds them all: the first load reads it, the others find it read.
        ASSERT_GE(lilv_world_load_resource(bundle->world(), preset), 0);
        byLabel[Lv2Bundle::text(bundle->get(preset, LILV_NS_RDFS "label"))] = preset;
    }
    std::set<std::string> expected = {reference->text(effGetProgramName)};
    for (int p = 0; p < FactoryPresets::count(); ++p) {
        expected.insert(FactoryPresets::at(p).name);
    }
    std::set<std::string> labels;
    for (const auto& entry : byLabel) {
        labels.insert(entry.first);
    }
    EXPECT_EQ(labels, expected);
    EXPECT_EQ(lilv_nodes_size(presets), expected.size()) << "two presets share a label";

    std::mt19937 random(25);
    std::uniform_real_distribution<float> sample(-1.0f, 1.0f);
    for (int p = 0; p < FactoryPresets::count(); ++p) {
        const auto found = byLabel.find(FactoryPresets::at(p).name);
        ASSERT_NE(found, byLabel.end()) << FactoryPresets::at(p).name;
        Instance lv2(bundle->plugin(), kRate);
        ASSERT_NE(lv2.instance, nullptr);
        ASSERT_TRUE(presetValues(found->second, lv2.controls)) << found->first;
        float stored[kNumParameters];
        FactoryPresets::values(p, stored);
        for (int i = 0; i < kNumParameters; ++i) {
            EXPECT_EQ(commandLineValue(i, lv2.controls[i]), stored[i]) << found->first << " " << kSymbols[i];
        }
        unsigned char chunk[64];
        FactoryPresets::chunk(p, chunk);
        Vst2Effect vst2(testOption("vst2-module"), kRate);
        ASSERT_EQ(vst2.dispatch(effSetChunk, 0, sizeof chunk, chunk), static_cast<VstIntPtr>(sizeof chunk));

        lilv_instance_activate(lv2.instance);
        std::vector<float> in[2], out[2], expectedOut[2];
        for (int c = 0; c < 2; ++c) {
            in[c].resize(2048);
            for (float& s : in[c]) s = sample(random);
            out[c].assign(in[c].size(), 7.0f);
            expectedOut[c].assign(in[c].size(), 0.0f);
        }
        float* inputs[2] = {in[0].data(), in[1].data()};
        float* outputs[2] = {out[0].data(), out[1].data()};
        float* ref[2] = {expectedOut[0].data(), expectedOut[1].data()};
        vst2.effect->processReplacing(vst2.effect, inputs, ref, 2048);
        lv2.run(inputs, outputs, 2048);
        lilv_instance_deactivate(lv2.instance);
        for (int c = 0; c < 2; ++c) {
            EXPECT_EQ(std::memcmp(out[c].data(), expectedOut[c].data(), sizeof(float) * 2048), 0) << found->first;
        }
    }
    lilv_nodes_free(presets);
}

TEST_F(Lv2Test, AMissingPortSkipsTheRunAndItsValuesStillApply)
{
    float plain[kNumParameters];
    for (int i = 0; i < kNumParameters; ++i) plain[i] = toPlain(i, 0.5f);
    plain[1] = -12.0f;
    plain[3] = 16.0f;
    std::vector<std::pair<int, float>> values;
    for (int i = 0; i < kNumParameters; ++i) values.emplace_back(i, commandLineValue(i, plain[i]));
    const auto make = [&] {
        std::shared_ptr<Instance> lv2(new Instance(bundle->plugin(), kRate), [](Instance* done) {
            lilv_instance_deactivate(done->instance);
            delete done;
        });
        std::copy(plain, plain + kNumParameters, lv2->controls);
        lilv_instance_activate(lv2->instance);
        const MissingChannel::Block run = [lv2](float* const* in, float* const* out, int frames) {
            lv2->run(in, out, static_cast<std::uint32_t>(frames));
        };
        return MissingChannel::Instance{run, run};
    };
    EXPECT_TRUE(MissingChannel::check(make, testOption("vst2-module"), kRate, values));
}

TEST_F(Lv2Test, AnInfinityOrNaNInTheInputIsTakenAsZero)
{
    // Every band active.
    const float plain[kNumParameters] = {140.0f, 8.0f, 1000.0f, 12.0f, 0.601f, 6100.0f, -6.0f, 0.401f, 11000.0f, 10.0f};
    float values[kNumParameters];
    for (int i = 0; i < kNumParameters; ++i) values[i] = commandLineValue(i, plain[i]);
    const float bad[] = {std::nanf(""), INFINITY, -INFINITY};
    for (int k = 0; k < 3; ++k) {
        Instance lv2(bundle->plugin(), kRate);
        ASSERT_NE(lv2.instance, nullptr);
        std::copy(plain, plain + kNumParameters, lv2.controls);
        lilv_instance_activate(lv2.instance);
        const auto face = [&](float* const* in, float* const* out, int frames) {
            lv2.run(in, out, static_cast<std::uint32_t>(frames));
        };
        EXPECT_TRUE(BadInput::check(face, testOption("vst2-module"), kRate, values, bad[k], k % 2)) << bad[k];
        lilv_instance_deactivate(lv2.instance);
    }
}

// The bypass, port 14 "enabled", the host's own switch: described as LV2
// hosts look for it; read at each run's start, it fades the output to the
// input (here processed in place) and back to what an instance never
// bypassed gives, its bands having run on unheard. An instance whose first
// run is bypassed passes its input from the first frame.
TEST_F(Lv2Test, BypassFadesToTheInputAndBackToWhatANeverBypassedInstanceGives)
{
    const LilvPort* port = bundle->port(14);
    ASSERT_NE(port, nullptr);
    const LilvPlugin* p = bundle->plugin();
    EXPECT_TRUE(lilv_port_is_a(p, port, bundle->uri(LV2_CORE__InputPort)));
    EXPECT_TRUE(lilv_port_is_a(p, port, bundle->uri(LV2_CORE__ControlPort)));
    EXPECT_EQ(Lv2Bundle::text(lilv_port_get_symbol(p, port)), "enabled");
    EXPECT_EQ(Lv2Bundle::text(bundle->get(port, LV2_CORE__designation)), LV2_CORE__enabled);
    EXPECT_TRUE(lilv_port_has_property(p, port, bundle->uri(LV2_CORE__toggled)));
    EXPECT_EQ(Lv2Bundle::number(bundle->get(port, LV2_CORE__default)), 1.0f);
    EXPECT_EQ(Lv2Bundle::number(bundle->get(port, LV2_CORE__minimum)), 0.0f);
    EXPECT_EQ(Lv2Bundle::number(bundle->get(port, LV2_CORE__maximum)), 1.0f);

    BypassProbe probe;
    Instance bypassed(p, kRate), plain(p, kRate), fromStart(p, kRate);
    ASSERT_TRUE(bypassed.instance && plain.instance && fromStart.instance);
    float enabled = 1.0f, alwaysOn = 1.0f, off = 0.0f;
    lilv_instance_connect_port(bypassed.instance, 14, &enabled);
    lilv_instance_connect_port(plain.instance, 14, &alwaysOn);
    lilv_instance_connect_port(fromStart.instance, 14, &off);
    for (Instance* instance : {&bypassed, &plain, &fromStart}) {
        for (int i = 0; i < kNumParameters; ++i) {
            instance->controls[i] = toPlain(i, 0.5f);
        }
        instance->controls[1] = 20.0f;  // LS-Gain
        instance->controls[6] = -10.0f; // B-Gain
        lilv_instance_activate(instance->instance);
    }
    std::vector<float> passed[2] = {std::vector<float>(BypassProbe::kFrames), std::vector<float>(BypassProbe::kFrames)};
    // Runs cut where the port changes, as a host with sample-accurate automation does.
    const int cuts[] = {0, BypassProbe::kOn, BypassProbe::kOff, BypassProbe::kFrames};
    for (int k = 0; k + 1 < 4; ++k) {
        enabled = cuts[k] == BypassProbe::kOn ? 0.0f : 1.0f;
        for (int start = cuts[k]; start < cuts[k + 1]; start += BypassProbe::kBlock) {
            const auto frames = static_cast<std::uint32_t>(std::min(BypassProbe::kBlock, cuts[k + 1] - start));
            const BypassProbe::Frame frame = probe.at(start);
            bypassed.run(frame.inPlace, frame.inPlace, frames);
            plain.run(frame.input, frame.plain, frames);
            float* through[2] = {passed[0].data() + start, passed[1].data() + start};
            fromStart.run(frame.input, through, frames);
        }
    }
    EXPECT_TRUE(probe.check());
    for (int c = 0; c < 2; ++c) {
        EXPECT_EQ(passed[c], probe.input[c]) << "channel " << c;
    }
    for (Instance* instance : {&bypassed, &plain, &fromStart}) {
        lilv_instance_deactivate(instance->instance);
    }
}

}  // namespace
