// The factory presets through korvo and through the files the build writes:
// the same names everywhere, and the same render whichever way a preset comes.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "eq/FactoryPresets.h"
#include "tests/cli/CliFixture.h"
#include "tools/AudioFile.h"
#include "vst3/PresetFile.h"

namespace fs = std::filesystem;

namespace {

class FactoryPresetCli : public CliFixture {
protected:
    // A short stereo signal with energy across the band: a chirp.
    std::string writeChirp()
    {
        StereoAudio audio;
        audio.sampleRate = 44100;
        double phase = 0.0;
        for (int i = 0; i < 8820; ++i) {
            phase += 2.0 * 3.14159265358979323846 * (30.0 + 2.3 * i) / 44100.0;
            audio.left.push_back(static_cast<float>(0.3 * std::sin(phase)));
            audio.right.push_back(static_cast<float>(0.3 * std::cos(phase)));
        }
        std::string error;
        EXPECT_TRUE(writeAudio(path("in.wav"), audio, error)) << error;
        return path("in.wav");
    }

    // The preset's --set options, from the table's plain values.
    static std::string settings(const FactoryPreset& preset)
    {
        static const char* const names[kNumParameters] = {"LS-Freq", "LS-Gain", "A-Freq", "A-Gain", "A-Q",
                                                          "B-Freq",  "B-Gain",  "B-Q",    "HS-Freq", "HS-Gain"};
        std::string text;
        for (int k = 0; k < kNumParameters; ++k) {
            char value[40];
            std::snprintf(value, sizeof value, "%.9g", static_cast<double>(preset.plain[k]));
            text += std::string(" --set ") + names[k] + "=" + value;
        }
        return text;
    }

    static std::set<std::string> stems(const fs::path& folder, const std::string& extension)
    {
        std::set<std::string> found;
        for (const auto& entry : fs::directory_iterator(folder)) {
            if (entry.path().extension() == extension) found.insert(entry.path().stem().string());
        }
        return found;
    }
};

TEST_F(FactoryPresetCli, EveryWayOfLoadingAPresetListsTheSameNamesAndRendersTheSameBits)
{
    const KorvoResult list = korvo("preset list");
    ASSERT_EQ(list.status, 0) << list.err;
    std::vector<std::string> listed;
    std::set<std::string> table;
    for (std::size_t at = 0; at < list.out.size();) {
        const std::size_t end = list.out.find('\n', at);
        const std::string line = list.out.substr(at, end - at);
        listed.push_back(line.substr(0, line.find("  ")));
        at = end + 1;
    }
    ASSERT_GE(FactoryPresets::count(), 12);
    ASSERT_EQ(static_cast<int>(listed.size()), FactoryPresets::count()) << list.out;
    for (int i = 0; i < FactoryPresets::count(); ++i) {
        EXPECT_EQ(listed[static_cast<std::size_t>(i)], FactoryPresets::at(i).name);
        EXPECT_LE(std::string(FactoryPresets::at(i).name).size(), 23u);
        table.insert(FactoryPresets::at(i).name);
    }
    EXPECT_EQ(static_cast<int>(table.size()), FactoryPresets::count()) << "two presets share a name";
    const fs::path files(KORVO_PRESETS_DIR);
    EXPECT_EQ(stems(files / "vst3", ".vstpreset"), table);
    EXPECT_EQ(stems(files / "fxp", ".fxp"), table);

    const std::string in = writeChirp();
    for (int i = 0; i < FactoryPresets::count(); ++i) {
        const std::string name = FactoryPresets::at(i).name;
        const std::string reference = path("set.wav");
        ASSERT_EQ(korvo("render " + in + " " + reference + settings(FactoryPresets::at(i))).status, 0) << name;
        const std::string expected = slurp(reference);
        for (const std::string& preset : {"'" + name + "'", "'" + (files / "vst3" / (name + ".vstpreset")).string() + "'",
                                          "'" + (files / "fxp" / (name + ".fxp")).string() + "'"}) {
            const KorvoResult r = korvo("render " + in + " " + path("out.wav") + " --preset " + preset);
            ASSERT_EQ(r.status, 0) << preset << r.err;
            EXPECT_TRUE(slurp(path("out.wav")) == expected) << preset;
        }
        // The preset's name comes with it, as the program's name.
        const KorvoResult loaded = korvo("preset load '" + name + "'");
        EXPECT_NE(loaded.out.find("program \"" + name + "\""), std::string::npos) << loaded.out << loaded.err;
    }
}

TEST_F(FactoryPresetCli, AnUnknownNameOrADamagedVst3PresetIsRefusedAndNothingWritten)
{
    const std::string in = path("in.wav");
    writeChirp();
    const KorvoResult misspelt = korvo("render " + in + " " + path("out.wav") + " --preset 'vocal presense'");
    EXPECT_EQ(misspelt.status, 1);
    EXPECT_NE(misspelt.err.find("did you mean Vocal Presence?"), std::string::npos) << misspelt.err;

    const std::string good = slurp(fs::path(KORVO_PRESETS_DIR) / "vst3" / "De-Mud.vstpreset");
    const std::vector<unsigned char> bytes(good.begin(), good.end());
    std::vector<unsigned char> state = {1, 2, 3}, untouched = state;
    std::string error;
    ASSERT_TRUE(korvo_vst3::PresetFile::readComponentState(bytes, state, error)) << error;
    EXPECT_EQ(state.size(), 64u);

    std::vector<std::vector<unsigned char>> damaged;
    damaged.emplace_back(bytes.begin(), bytes.end() - 1);  // cut short
    damaged.emplace_back(bytes);
    damaged.back()[0] = 'X';  // another magic
    damaged.emplace_back(bytes);
    damaged.back()[8] ^= 1;  // another plug-in's class
    damaged.emplace_back(bytes);
    damaged.back()[40] += 1;  // the chunk list not where it says
    for (std::size_t d = 0; d < damaged.size(); ++d) {
        std::vector<unsigned char> kept = untouched;
        EXPECT_FALSE(korvo_vst3::PresetFile::readComponentState(damaged[d], kept, error)) << d;
        EXPECT_EQ(kept, untouched) << d;
        const std::string file = path("damaged.vstpreset");
        std::FILE* out = std::fopen(file.c_str(), "wb");
        std::fwrite(damaged[d].data(), 1, damaged[d].size(), out);
        std::fclose(out);
        const KorvoResult r = korvo("render " + in + " " + path("out.wav") + " --preset " + file);
        EXPECT_EQ(r.status, 1) << d;
        expectOneLine(r.err, std::to_string(d));
        EXPECT_FALSE(fs::exists(path("out.wav"))) << d;
    }
}

}  // namespace
