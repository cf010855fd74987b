// What korvo writes, run as a user runs it: integer samples rounded or
// dithered the same way every time, pipes in and out, mono kept mono and the
// input's tags carried over.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <sys/stat.h>

#include <sndfile.h>

#include "tests/cli/CliFixture.h"

namespace fs = std::filesystem;

namespace {

using Result = KorvoResult;

struct Samples {
    SF_INFO info{};
    std::vector<float> data;  // interleaved
    std::string title, artist;
};

class KorvoOutput : public CliFixture {
protected:
    // A float WAV (or a FLAC) of two sines, repeatable noise and, if asked, tags.
    std::string writeInput(const std::string& name, int channels, double seconds, bool tagged = false)
    {
        SF_INFO info{};
        info.samplerate = 48000;
        info.channels = channels;
        const bool flac = name.size() > 5 && name.substr(name.size() - 5) == ".flac";
        info.format = flac ? SF_FORMAT_FLAC | SF_FORMAT_PCM_24 : SF_FORMAT_WAV | SF_FORMAT_FLOAT;
        SNDFILE* file = sf_open(path(name).c_str(), SFM_WRITE, &info);
        EXPECT_NE(file, nullptr);
        if (!file) return path(name);
        if (tagged) {
            sf_set_string(file, SF_STR_TITLE, "Night Drive");
            sf_set_string(file, SF_STR_ARTIST, "The Korvos");
            sf_set_string(file, SF_STR_COMMENT, std::string(20000, 'k').c_str());  // more than WAV or AIFF takes
        }
        std::uint32_t noise = 12345;
        const auto frames = static_cast<std::size_t>(seconds * info.samplerate);
        std::vector<float> data(frames * static_cast<std::size_t>(channels));
        for (std::size_t i = 0; i < data.size(); ++i) {
            noise = noise * 1664525u + 1013904223u;
            const double t = static_cast<double>(i / static_cast<std::size_t>(channels)) / info.samplerate;
            data[i] = static_cast<float>(0.3 * std::sin(2.0 * 3.14159265358979 * 220.0 * t) +
                                         0.1 * std::sin(2.0 * 3.14159265358979 * 3100.0 * t) +
                                         0.05 * (static_cast<double>(noise >> 8) / 16777216.0 - 0.5));
        }
        EXPECT_EQ(sf_writef_float(file, data.data(), static_cast<sf_count_t>(frames)), static_cast<sf_count_t>(frames));
        sf_close(file);
        return path(name);
    }

    static Samples load(const std::string& file)
    {
        Samples s;
        SNDFILE* f = sf_open(file.c_str(), SFM_READ, &s.info);
        EXPECT_NE(f, nullptr) << file;
        if (!f) return s;
        s.data.resize(static_cast<std::size_t>(s.info.frames * s.info.channels));
        sf_readf_float(f, s.data.data(), s.info.frames);
        const char* title = sf_get_string(f, SF_STR_TITLE);
        const char* artist = sf_get_string(f, SF_STR_ARTIST);
        s.title = title ? title : "";
        s.artist = artist ? artist : "";
        sf_close(f);
        return s;
    }

    static std::string bytes(const std::string& file) { return slurp(file); }
};

// The error of each integer sample against the float render, in steps.
struct StepErrors {
    double largest = 0.0, mean = 0.0, rms = 0.0;
};

StepErrors stepErrors(const Samples& integer, const Samples& reference, int bits)
{
    StepErrors e;
    const double scale = std::ldexp(1.0, bits - 1);
    for (std::size_t i = 0; i < reference.data.size(); ++i) {
        const double d = static_cast<double>(integer.data[i]) * scale - static_cast<double>(reference.data[i]) * scale;
        e.largest = std::fmax(e.largest, std::fabs(d));
        e.mean += d;
        e.rms += d * d;
    }
    e.mean /= static_cast<double>(reference.data.size());
    e.rms = std::sqrt(e.rms / static_cast<double>(reference.data.size()));
    return e;
}

}  // namespace

TEST_F(KorvoOutput, IntegerSamplesAreRoundedOrDitheredAndEveryRenderIsTheSame)
{
    const std::string in = writeInput("in.wav", 2, 1.0);
    const std::string eq = " --set A-Freq=1000 --set A-Gain=-4 --set B-Freq=5000 --set B-Gain=3";
    ASSERT_EQ(korvo("render " + in + " " + path("float.wav") + eq).status, 0);
    const Samples reference = load(path("float.wav"));

    ASSERT_EQ(korvo("render " + in + " " + path("round.wav") + eq + " --bits 16 --no-dither").status, 0);
    const Samples rounded = load(path("round.wav"));
    EXPECT_EQ(rounded.info.format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    EXPECT_LE(stepErrors(rounded, reference, 16).largest, 0.5);

    // TPDF dither of one step adds noise of 1/6 step squared to the rounding's 1/12.
    const Result r = korvo("render " + in + " " + path("dither.wav") + eq + " --bits 16");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("(16-bit WAV, dithered)"), std::string::npos) << r.out;
    const StepErrors dithered = stepErrors(load(path("dither.wav")), reference, 16);
    EXPECT_LE(dithered.largest, 1.5);
    EXPECT_NEAR(dithered.mean, 0.0, 0.02);
    EXPECT_NEAR(dithered.rms, 0.5, 0.03);
    ASSERT_EQ(korvo("render " + in + " " + path("again.wav") + eq + " --bits 16 --block 77").status, 0);
    EXPECT_TRUE(bytes(path("again.wav")) == bytes(path("dither.wav"))) << "the dither depends on the block size";

    ASSERT_EQ(korvo("render " + in + " " + path("out.aiff") + eq + " --bits 24").status, 0);
    const Samples aiff = load(path("out.aiff"));
    EXPECT_EQ(aiff.info.format, SF_FORMAT_AIFF | SF_FORMAT_PCM_24);
    EXPECT_LE(stepErrors(aiff, reference, 24).largest, 1.5);
    ASSERT_EQ(korvo("render " + in + " " + path("out.flac") + eq + " --bits 16").status, 0);
    EXPECT_EQ(load(path("out.flac")).info.format, SF_FORMAT_FLAC | SF_FORMAT_PCM_16);
    ASSERT_EQ(korvo("render " + in + " " + path("out32.wav") + eq + " --bits 32").status, 0);
    EXPECT_EQ(load(path("out32.wav")).info.format, SF_FORMAT_WAV | SF_FORMAT_PCM_32);
    EXPECT_LE(stepErrors(load(path("out32.wav")), reference, 24).largest, 0.01);

    // Nothing from the clock: the same render gives the same bytes in every format.
    for (const std::string format : {"wav", "flac", "aiff", "ogg", "caf"}) {
        ASSERT_EQ(korvo("render " + in + " " + path("first." + format) + eq).status, 0) << format;
        ASSERT_EQ(korvo("render " + in + " " + path("second." + format) + eq).status, 0) << format;
        EXPECT_TRUE(bytes(path("first." + format)) == bytes(path("second." + format))) << format;
        EXPECT_EQ(load(path("first." + format)).info.frames, 48000) << format;
    }

    // A sample that is not a number enters the plug-in as silence. One that
    // overflows after it (the gain) is counted; an integer file gets silence for it.
    SF_INFO info{0, 48000, 1, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 0, 0};
    SNDFILE* file = sf_open(path("nan.wav").c_str(), SFM_WRITE, &info);
    const float odd[3] = {0.5f, std::nanf(""), 0.5f};
    sf_writef_float(file, odd, 3);
    sf_close(file);
    const Result nan = korvo("render " + path("nan.wav") + " " + path("nan16.wav") + " --bits 16 --no-dither");
    EXPECT_EQ(nan.err.find("NaN or infinite"), std::string::npos) << nan.err;
    EXPECT_EQ(load(path("nan16.wav")).data, (std::vector<float>{0.5f, 0.5f, 0.0f, 0.0f, 0.5f, 0.5f}));
    file = sf_open(path("huge.wav").c_str(), SFM_WRITE, &info);
    const float huge[3] = {0.05f, 3.0e38f, 0.05f};
    sf_writef_float(file, huge, 3);
    sf_close(file);
    const Result over =
        korvo("render " + path("huge.wav") + " " + path("huge16.wav") + " --bits 16 --no-dither --gain 20dB");
    EXPECT_NE(over.err.find("has 2 NaN or infinite samples, written as silence"), std::string::npos) << over.err;
    EXPECT_EQ(load(path("huge16.wav")).data, (std::vector<float>{0.5f, 0.5f, 0.0f, 0.0f, 0.5f, 0.5f}));

    // A folder with --format: each file under its name with the format's extension.
    fs::create_directories(path("album"));
    writeInput("album/one.wav", 2, 0.2);
    writeInput("album/two.wav", 1, 0.2);
    ASSERT_EQ(korvo("render " + path("album") + " -o " + path("flac") + " --format flac --bits 16 -j 2").status, 0);
    EXPECT_EQ(load(path("flac/one.flac")).info.format, SF_FORMAT_FLAC | SF_FORMAT_PCM_16);
    EXPECT_EQ(load(path("flac/two.flac")).info.channels, 2);

    for (const char* wrong : {"--bits 12", "--bits 32 --format flac", "--bits 16 --format ogg", "--format mp3"}) {
        const Result refused = korvo("render " + in + " " + path("x.wav") + " " + wrong);
        EXPECT_EQ(refused.status, 2) << wrong;
        expectOneLine(refused.err, wrong);
        EXPECT_EQ(korvo("render " + in + " -o " + path("none") + " " + wrong).err, refused.err) << wrong;
    }
    EXPECT_FALSE(fs::exists(path("x.wav")));
    EXPECT_FALSE(fs::exists(path("none")));
}

TEST_F(KorvoOutput, PipesInAndOutGiveTheFilesAFileRenderGives)
{
    const std::string in = writeInput("in.wav", 2, 0.5);
    const std::string eq = " --set LS-Gain=5 --set A-Freq=700 --set A-Gain=-6";
    ASSERT_EQ(korvo("render " + in + " " + path("in.flac") + " --no-dither").status, 0);
    ASSERT_EQ(korvo("render " + path("in.flac") + " " + path("file.wav") + eq).status, 0);

    // FLAC through a pipe, which cannot seek; measured twice for --normalize.
    Result r = korvoPiped(path("in.flac"), "render - " + path("piped.wav") + eq);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(bytes(path("piped.wav")) == bytes(path("file.wav"))) << "a pipe gives another file";
    r = korvoPiped(path("in.flac"), "render - " + path("normal.wav") + eq + " --normalize -1");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("peak -1.00 dBFS"), std::string::npos) << r.out;

    // Standard output holds the file alone; the report goes to stderr.
    ASSERT_EQ(korvo("render " + in + " " + path("file.flac") + eq).status, 0);
    // Into a pipe, which cannot seek back to the header either.
    r = korvo("render " + in + " - --format flac" + eq + " 2>" + path("report.txt") + " | cat");
    EXPECT_TRUE(r.out == bytes(path("file.flac"))) << "standard output holds another file";
    EXPECT_NE(slurp(path("report.txt")).find("standard output (24-bit FLAC"), std::string::npos);

    // Nothing to render, standard output without a format, a batch of standard
    // input, and a named pipe given as a file.
    SF_INFO info{0, 48000, 2, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 0, 0};
    sf_close(sf_open(path("zero.wav").c_str(), SFM_WRITE, &info));
    ASSERT_EQ(::mkfifo(path("fifo").c_str(), 0600), 0);
    for (const std::string& wrong : {"render " + in + " -", "render - " + path("x.wav") + " < /dev/null",
                                     "render - - --format wav < " + path("file.flac") + " -o " + path("d"),
                                     "render " + path("zero.wav") + " " + path("x.flac"),
                                     "render " + in + " " + path("fifo") + " --format wav"}) {
        r = korvo(wrong);
        EXPECT_NE(r.status, 0) << wrong;
        expectOneLine(r.err, wrong);
    }
    EXPECT_EQ(leftovers({"in.wav", "in.flac", "file.wav", "piped.wav", "normal.wav", "file.flac", "report.txt",
                         "zero.wav", "fifo"}),
              std::vector<std::string>{});
}

TEST_F(KorvoOutput, MonoStaysMonoOnRequestAndTagsAreKept)
{
    const std::string mono = writeInput("mono.flac", 1, 0.3, true);
    const std::string eq = " --set B-Freq=2000 --set B-Gain=8 --set B-Q=0.3";
    ASSERT_EQ(korvo("render " + mono + " " + path("stereo.wav") + eq).status, 0);
    const Result r = korvo("render " + mono + " " + path("mono-out.wav") + eq + " --channels 1");
    ASSERT_EQ(r.status, 0) << r.err;
    const Samples stereo = load(path("stereo.wav")), folded = load(path("mono-out.wav"));
    ASSERT_EQ(folded.info.channels, 1);
    ASSERT_EQ(folded.data.size() * 2, stereo.data.size());
    for (std::size_t i = 0; i < folded.data.size(); ++i) {
        ASSERT_EQ(folded.data[i], stereo.data[2 * i]) << i;
    }

    for (const char* name : {"mono-out.wav", "stereo.wav"}) {
        EXPECT_EQ(load(path(name)).title, "Night Drive") << name;
        EXPECT_EQ(load(path(name)).artist, "The Korvos") << name;
    }
    for (const char* name : {"tagged.flac", "tagged.aiff"}) {
        ASSERT_EQ(korvo("render " + mono + " " + path(name)).status, 0) << name;
        EXPECT_EQ(load(path(name)).title, "Night Drive") << name;
    }

    const std::string twoChannels = writeInput("two.wav", 2, 0.1);
    const Result refused = korvo("render " + twoChannels + " " + path("x.wav") + " --channels 1");
    EXPECT_EQ(refused.status, 1);
    expectOneLine(refused.err, "stereo input");
    EXPECT_FALSE(fs::exists(path("x.wav")));
}
