// What a new user tries first, run as the user runs it: units on every
// quantity, a unit set apart by a space, - for standard output, a preset
// holding fewer parameters than the plug-in, a band frequency the rate
// moves, a folder given as OUT or rendered as a batch, and misspelt names.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/cli/CliFixture.h"
#include "tools/AudioFile.h"
#include "tools/PresetFile.h"

namespace fs = std::filesystem;

namespace {

using Result = KorvoResult;

class KorvoFriction : public CliFixture {
protected:
    // A tenth of a second of a 1 kHz sine.
    std::string writeSine(int rate = 48000, const std::string& name = "sine.wav")
    {
        StereoAudio audio;
        audio.sampleRate = rate;
        for (int i = 0; i < rate / 10; ++i) {
            const auto s = static_cast<float>(0.25 * std::sin(2.0 * 3.14159265358979 * 1000.0 * i / rate));
            audio.left.push_back(s);
            audio.right.push_back(s);
        }
        std::string error;
        EXPECT_TRUE(writeAudio(path(name), audio, error)) << error;
        return path(name);
    }

    // korvo's status, and its stdout and stderr, when stdout is a terminal.
    Result korvoOnATerminal(const std::string& arguments) const
    {
        const std::string out = path("terminal.txt");
        const int raw = std::system(("script -qec '" + std::string(KORVO_BINARY) + " " + arguments +
                                     "' /dev/null >" + out + " 2>&1")
                                        .c_str());
        return Result{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, slurp(out), ""};
    }
};

TEST_F(KorvoFriction, QuantitiesTakeTheirUnits)
{
    const Result plain = korvo("response --rate 44100");
    ASSERT_EQ(plain.status, 0) << plain.err;
    EXPECT_NE(plain.out.find("at 44100 Hz"), std::string::npos) << plain.out;
    for (const std::string rate : {"44.1k", "44.1kHz", "44100Hz", "44.1KHZ"}) {
        const Result r = korvo("response --rate " + rate);
        EXPECT_EQ(r.status, 0) << rate << ": " << r.err;
        EXPECT_EQ(r.out, plain.out) << rate;
    }

    const std::string in = writeSine();
    const struct {
        const char* option;
        const char* file;
    } renders[] = {{"--gain -3", "gain.wav"},
                   {"--gain -3dB", "gain-dB.wav"},
                   {"--normalize -1", "peak.wav"},
                   {"--normalize -1dBFS", "peak-dBFS.wav"}};
    for (const auto& render : renders) {
        const Result r = korvo("render " + in + " " + path(render.file) + " " + render.option);
        EXPECT_EQ(r.status, 0) << render.option << ": " << r.err;
    }
    EXPECT_EQ(slurp(path("gain-dB.wav")), slurp(path("gain.wav")));
    EXPECT_EQ(slurp(path("peak-dBFS.wav")), slurp(path("peak.wav")));
    EXPECT_NE(slurp(path("gain.wav")), slurp(path("peak.wav")));

    // A wrong unit or a value out of range: one line naming the range and its unit.
    Result r = korvo("response --rate 44.1dB");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "korvo: --rate 44.1dB: 'dB' is not a unit of a sample rate; --rate takes a sample rate from "
                     "8000 to 192000 Hz, as 44100, 44.1k or 44.1kHz (see korvo response --help)\n");
    // Up to the highest rate the plug-in runs at.
    EXPECT_EQ(korvo("response --rate 192k").status, 0);
    EXPECT_EQ(korvo("response --rate 192.001k").status, 2);
    r = korvo("render " + in + " " + path("loud.wav") + " --gain 60dB");
    EXPECT_EQ(r.status, 2);
    expectOneLine(r.err, "--gain 60dB");
    EXPECT_NE(r.err.find("--gain 60dB: out of range; --gain takes a gain from -96 to +48 dB"), std::string::npos)
        << r.err;
}

TEST_F(KorvoFriction, AUnitSetApartByASpaceIsTheNumbersUnit)
{
    const Result joined = korvo("response --set A-Gain=-3dB --set B-Freq=2.5kHz --rate 44.1k");
    const Result apart = korvo("response --set A-Gain=-3 dB --set=B-Freq=2.5 kHz --rate 44.1 k");
    ASSERT_EQ(joined.status, 0) << joined.err;
    EXPECT_EQ(apart.status, 0) << apart.err;
    EXPECT_EQ(apart.out, joined.out);

    const std::string in = writeSine();
    const Result render = korvo("render " + in + " " + path("out.wav") + " --set A-Gain=-3 dB --gain -1 dB");
    EXPECT_EQ(render.status, 0) << render.err;
    EXPECT_TRUE(std::filesystem::exists(path("out.wav")));

    // A unit the parameter does not take is named as such.
    const Result wrong = korvo("response --set A-Q=0.7 dB");
    EXPECT_EQ(wrong.status, 1);
    EXPECT_EQ(wrong.err,
              "korvo: A-Q=0.7 dB: 'dB' is not a unit of A-Q (a Q has no unit; n marks a normalised value)\n");
}

TEST_F(KorvoFriction, DashWritesStandardOutputAndTheReportGoesToStderr)
{
    const std::string boost = " --set A-Freq=1kHz --set A-Gain=+6dB";
    ASSERT_EQ(korvo("response" + boost + " -o " + path("r.svg") + " --csv " + path("r.csv")).status, 0);
    const struct {
        std::string arguments, file;
    } cases[] = {
        {"response" + boost + " --csv -", "r.csv"},
        {"response" + boost + " -o - --csv " + path("also.csv"), "r.svg"},
        {"snapshot -" + boost, "s.png"},
        {"preset save -" + boost, "p.fxp"},
        {"preset save - --format fxb" + boost, "p.fxb"},
    };
    ASSERT_EQ(korvo("snapshot " + path("s.png") + boost).status, 0);
    ASSERT_EQ(korvo("preset save " + path("p.fxp") + boost).status, 0);
    ASSERT_EQ(korvo("preset save " + path("p.fxb") + boost).status, 0);
    for (const auto& c : cases) {
        const Result r = korvo(c.arguments);
        EXPECT_EQ(r.status, 0) << c.arguments << ": " << r.err;
        EXPECT_EQ(r.out, slurp(path(c.file))) << c.arguments;
        EXPECT_NE(r.err.find("standard output"), std::string::npos) << c.arguments << ": " << r.err;
    }
    EXPECT_EQ(slurp(path("also.csv")), slurp(path("r.csv")));

    const Result both = korvo("response -o - --csv -");
    EXPECT_EQ(both.status, 2);
    expectOneLine(both.err, "-o - --csv -");
    EXPECT_TRUE(both.out.empty());
    for (const std::string binary : {"snapshot -", "preset save -"}) {
        const Result r = korvoOnATerminal(binary);
        EXPECT_EQ(r.status, 1) << binary;
        EXPECT_EQ(r.out,
                  "korvo: cannot write standard output: it is a terminal; redirect it to a file or a program\r\n")
            << binary;
    }
    EXPECT_EQ(leftovers({"r.svg", "r.csv", "also.csv", "s.png", "p.fxp", "p.fxb", "sine.wav", "terminal.txt"}),
              std::vector<std::string>{});
}

TEST_F(KorvoFriction, AShortParameterListNamesWhatStaysAtItsDefault)
{
    PresetData list;
    list.kind = PresetData::Kind::ProgramParams;
    list.uniqueId = ('V' << 24) | ('X' << 16) | ('K' << 8) | 'E';
    list.programs.push_back({0.6f, 0.7f, 0.045f, 0.8f});
    std::string error;
    ASSERT_TRUE(writePresetFile(path("p.fxp"), list, error)) << error;
    Result r = korvo("preset load " + path("p.fxp"));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "korvo: warning: " + path("p.fxp") +
                         " holds 4 of the 10 parameters; A-Q, B-Freq, B-Gain, B-Q, HS-Freq, HS-Gain stay at their "
                         "defaults\n");
    EXPECT_NE(r.out.find("+8.00"), std::string::npos) << r.out;  // LS-Gain 0.7 is applied

    list.programs[0].assign(12, 0.5f);
    ASSERT_TRUE(writePresetFile(path("long.fxp"), list, error)) << error;
    r = korvo("preset load " + path("long.fxp"));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "korvo: warning: " + path("long.fxp") +
                         " holds 12 values for the 10 parameters; the last 2 are ignored\n");
}

TEST_F(KorvoFriction, ABandFrequencyTheRateMovesIsReported)
{
    const std::string high = "response --set HS-Freq=15k --set HS-Gain=+6dB --rate ";
    Result r = korvo(high + "22050");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "korvo: warning: HS-Freq 15000 Hz is above what 22050 Hz audio allows; the band works at "
                     "10143 Hz\n");
    EXPECT_NE(r.out.find("HIGH SHELF 10143 Hz"), std::string::npos) << r.out;
    // Not at a rate that allows it, nor for a band left out.
    for (const std::string& arguments : {high + "48000", std::string("response --set HS-Freq=15k --rate 22050")}) {
        r = korvo(arguments);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.err, "") << arguments;
    }
}

}  // namespace

TEST_F(KorvoFriction, AFrequencyTheInputsRateShowsReadsBackAtIt)
{
    // 8 kHz audio holds the high shelf at 3680 Hz, below its knob's range, and
    // shows it so: read at the input's rate, the text sets the knob that shows it.
    const std::string in = writeSine(8000, "low.wav");
    const std::string shelf = " --set HS-Gain=+6dB --set HS-Freq=";
    const Result lowest = korvo("render " + in + " " + path("lowest.wav") + shelf + "0n");
    const Result shown = korvo("render " + in + " " + path("shown.wav") + shelf + "3680");
    ASSERT_EQ(lowest.status, 0) << lowest.err;
    ASSERT_EQ(shown.status, 0) << shown.err;
    EXPECT_EQ(slurp(path("shown.wav")), slurp(path("lowest.wav")));
}

TEST_F(KorvoFriction, RenderOptionsSayWhatTheFileHolds)
{
    const std::string in = writeSine();
    // A --format that contradicts the name's extension writes nothing.
    const Result contradicted = korvo("render " + in + " " + path("o.wav") + " --format flac");
    EXPECT_EQ(contradicted.status, 2);
    expectOneLine(contradicted.err, "--format flac into o.wav");
    EXPECT_FALSE(std::ifstream(path("o.wav")).good());

    // --quality is Ogg Vorbis's, 0 to 10: on two seconds of noise, the best
    // takes several times the room of the smallest.
    StereoAudio noise;
    std::uint32_t state = 5;
    for (int i = 0; i < 96000; ++i) {
        state = state * 1664525u + 1013904223u;
        noise.left.push_back(static_cast<float>(state >> 8) / 16777216.0f - 0.5f);
        noise.right.push_back(noise.left.back());
    }
    std::string error;
    ASSERT_TRUE(writeAudio(path("noise.wav"), noise, error)) << error;
    ASSERT_EQ(korvo("render " + path("noise.wav") + " " + path("low.ogg") + " --quality 0").status, 0);
    ASSERT_EQ(korvo("render " + path("noise.wav") + " " + path("high.ogg") + " --quality 10").status, 0);
    EXPECT_LT(3 * slurp(path("low.ogg")).size(), slurp(path("high.ogg")).size());
    EXPECT_EQ(korvo("render " + in + " " + path("q.wav") + " --quality 5").status, 1);
    EXPECT_EQ(korvo("render " + in + " " + path("q.ogg") + " --quality 11").status, 2);

    // The peak reported is that of the samples written: at -90 dBFS, 16-bit
    // dither moves it by several dB.
    const Result quiet = korvo("render " + in + " " + path("quiet.wav") + " --bits 16 --gain -78dB");
    ASSERT_EQ(quiet.status, 0) << quiet.err;
    StereoAudio written;
    ASSERT_TRUE(readAudio(path("quiet.wav"), written, error)) << error;
    float largest = 0.0f;
    for (const float s : written.left) largest = std::fmax(largest, std::fabs(s));
    char expected[64];
    std::snprintf(expected, sizeof expected, "peak %+.2f dBFS", 20.0 * std::log10(static_cast<double>(largest)));
    EXPECT_NE(quiet.out.find(expected), std::string::npos) << quiet.out << " but the file holds " << expected;
}

TEST_F(KorvoFriction, AFolderGivenAsOutSuggestsDashO)
{
    const std::string in = writeSine();
    fs::create_directory(path("mixes"));
    const Result r = korvo("render " + in + " " + path("mixes"));
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "korvo: OUT '" + path("mixes") + "' is a folder; to render into it under IN's name, use -o " +
                         path("mixes") + " (see korvo render --help)\n");
    EXPECT_TRUE(fs::is_empty(path("mixes")));
}

TEST_F(KorvoFriction, AFolderBatchTakesEveryFormatKorvoWritesAndNamesWhatItSkips)
{
    const std::string in = writeSine();
    fs::create_directory(path("album"));
    for (const char* format : {"wav", "caf", "w64", "aiff", "flac", "ogg"}) {
        const std::string file = path(std::string("album/take.") + format);
        ASSERT_EQ(korvo("render " + in + " " + file).status, 0) << format;
    }
    std::ofstream(path("album/notes.txt")) << "mixed on a Tuesday";
    std::ofstream(path("album/README")) << "";
    const Result r = korvo("render " + path("album") + " -o " + path("out") + " -j 1");
    EXPECT_EQ(r.status, 0) << r.err;
    for (const char* format : {"wav", "caf", "w64", "aiff", "flac", "ogg"}) {
        EXPECT_TRUE(fs::exists(path(std::string("out/take.") + format))) << format;
    }
    const std::string skipped = "': not a wav, aiff, flac, ogg, caf or w64 file (name it itself to try it)\n";
    EXPECT_EQ(r.err, "korvo: warning: skipped '" + path("album/README") + skipped + "korvo: warning: skipped '" +
                         path("album/notes.txt") + skipped);
}

TEST_F(KorvoFriction, AMisspeltNameGetsTheClosestSuggested)
{
    const struct {
        const char* arguments;
        const char* says;
    } cases[] = {
        {"response --set A-Frq=1k", "korvo: unknown parameter 'A-Frq'; did you mean A-Freq?\n"},
        {"response --set hs-gian=3", "korvo: unknown parameter 'hs-gian'; did you mean HS-Gain?\n"},
        {"snapshot - --set C-Q=0.5", "korvo: unknown parameter 'C-Q'; did you mean A-Q or B-Q?\n"},
        {"response --set Volume=1", "korvo: unknown parameter 'Volume' (parameters: LS-Freq, LS-Gain, A-Freq, "
                                    "A-Gain, A-Q, B-Freq, B-Gain, B-Q, HS-Freq, HS-Gain)\n"},
        {"response --sett A-Freq=1k", "korvo: unknown option --sett; did you mean --set? (see korvo response --help)\n"},
        {"response --loud", "korvo: unknown option --loud (see korvo response --help)\n"},
    };
    for (const auto& c : cases) {
        const Result r = korvo(c.arguments);
        EXPECT_NE(r.status, 0) << c.arguments;
        EXPECT_EQ(r.err, c.says) << c.arguments;
    }
}
