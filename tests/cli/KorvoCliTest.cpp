// Runs the korvo program as a user would and checks what it writes and says.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <png.h>
#include <sndfile.h>

#include "eq/EqEffect.h"
#include "gui/EqEditor.h"
#include "gui/SoftwareCanvas.h"
#include "tests/cli/CliFixture.h"
#include "tests/support/RecordingHost.h"
#include "tools/AudioFile.h"
#include "tools/PresetFile.h"
#include "eq/ParameterParser.h"

namespace fs = std::filesystem;

namespace {

const double kPi = 3.14159265358979323846;

using Result = KorvoResult;

class KorvoCli : public CliFixture {
protected:
    // A stereo sine of the given frequency, 0.25 amplitude.
    std::string writeSine(const std::string& name, double frequency, int rate, double seconds)
    {
        StereoAudio audio;
        audio.sampleRate = rate;
        const std::size_t frames = static_cast<std::size_t>(seconds * rate);
        for (std::size_t i = 0; i < frames; ++i) {
            const float s = static_cast<float>(0.25 * std::sin(2.0 * kPi * frequency * static_cast<double>(i) / rate));
            audio.left.push_back(s);
            audio.right.push_back(-s);
        }
        std::string error;
        EXPECT_TRUE(writeAudio(path(name), audio, error)) << error;
        return path(name);
    }

    StereoAudio read(const std::string& file)
    {
        StereoAudio audio;
        std::string error;
        EXPECT_TRUE(readAudio(file, audio, error)) << error;
        return audio;
    }

    // The level of the second half of a file relative to a reference, in dB.
    static double gainDb(const StereoAudio& out, const StereoAudio& in)
    {
        double a = 0.0, b = 0.0;
        for (std::size_t i = in.frames() / 2; i < in.frames(); ++i) {
            a += static_cast<double>(out.left[i]) * out.left[i];
            b += static_cast<double>(in.left[i]) * in.left[i];
        }
        return 10.0 * std::log10(a / b);
    }

    static bool sameSamples(const StereoAudio& a, const StereoAudio& b)
    {
        return a.frames() == b.frames() &&
               std::memcmp(a.left.data(), b.left.data(), a.frames() * sizeof(float)) == 0 &&
               std::memcmp(a.right.data(), b.right.data(), a.frames() * sizeof(float)) == 0;
    }

};

TEST_F(KorvoCli, ABoostOfTwelveDecibelsAtOneKilohertz)
{
    const std::string in = writeSine("sine.wav", 1000.0, 48000, 1.0);
    // A plain number is in the parameter's unit; the response below writes the units out.
    const Result r = korvo("render " + in + " " + path("out.wav") + " --set A-Freq=1000 --set A-Gain=12");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NEAR(gainDb(read(path("out.wav")), read(in)), 12.0, 0.1);

    const Result response =
        korvo("response --set A-Freq=1000Hz --set A-Gain=+12dB --rate 48000 -o " + path("r.svg") + " --csv " +
              path("r.csv"));
    ASSERT_EQ(response.status, 0) << response.err;
    double peakFrequency = 0.0, peakDb = -1e9;
    std::istringstream csv(slurp(path("r.csv")));
    std::string row;
    std::getline(csv, row);
    int rows = 0;
    while (std::getline(csv, row)) {
        double f = 0.0, db = 0.0;
        ASSERT_EQ(std::sscanf(row.c_str(), "%lf,%lf", &f, &db), 2) << row;
        if (db > peakDb) peakDb = db, peakFrequency = f;
        ++rows;
    }
    EXPECT_GT(rows, 100);
    EXPECT_NEAR(peakFrequency, 1000.0, 15.0);
    EXPECT_NEAR(peakDb, 12.0, 0.1);
    EXPECT_EQ(slurp(path("r.svg")).rfind("<svg", 0), 0u);
}

TEST_F(KorvoCli, LevelsAreReportedAndCanBeTrimmed)
{
    const auto peakOf = [](const StereoAudio& audio) {
        float peak = 0.0f;
        for (std::size_t i = 0; i < audio.frames(); ++i) {
            peak = std::max({peak, std::fabs(audio.left[i]), std::fabs(audio.right[i])});
        }
        return peak;
    };
    const std::string in = writeSine("sine.wav", 1000.0, 44100, 0.5);
    const std::string boost = " --set A-Freq=1000Hz --set A-Gain=+20dB";
    Result r = korvo("render " + in + " " + path("loud.wav") + boost);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("peak +"), std::string::npos) << r.out;
    EXPECT_EQ(r.err.rfind("korvo: warning: ", 0), 0u) << r.err;
    EXPECT_NE(r.err.find("over full scale"), std::string::npos);
    EXPECT_NE(r.err.find("kept in the float file"), std::string::npos);
    EXPECT_GT(peakOf(read(path("loud.wav"))), 1.5f);

    r = korvo("render " + in + " " + path("loud.flac") + boost);
    EXPECT_NE(r.err.find("clipped in the file"), std::string::npos) << r.err;
    EXPECT_LE(peakOf(read(path("loud.flac"))), 1.0f);

    r = korvo("render " + in + " " + path("normal.wav") + boost + " --normalize -1");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(r.err.empty()) << r.err;
    EXPECT_NE(r.out.find("peak -1.00 dBFS"), std::string::npos) << r.out;
    EXPECT_NEAR(peakOf(read(path("normal.wav"))), std::pow(10.0f, -1.0f / 20.0f), 1e-4f);

    r = korvo("render " + in + " " + path("trim.wav") + boost + " --gain -12");
    EXPECT_NEAR(peakOf(read(path("trim.wav"))), peakOf(read(path("loud.wav"))) * std::pow(10.0f, -0.6f), 1e-4f);
    EXPECT_NE(korvo("render " + in + " " + path("x.wav") + " --gain -3 --normalize -1").status, 0);
    EXPECT_FALSE(fs::exists(path("x.wav")));

    // The demo leaves headroom and does not clip.
    ASSERT_EQ(korvo("demo --out " + path("demo")).status, 0);
    EXPECT_LT(peakOf(read(path("demo/input.wav"))), std::pow(10.0f, -1.0f / 20.0f));
    EXPECT_LT(peakOf(read(path("demo/output.wav"))), 1.0f);
}

TEST_F(KorvoCli, ACopiedKorvoFindsTheModuleOnTheVstPathsOrSaysWhereItLooked)
{
    fs::create_directories(path("bin"));
    fs::copy_file(KORVO_BINARY, path("bin/korvo"));
    const std::string module = (fs::path(KORVO_BINARY).parent_path() / "KorvoEQ.so").string();
    const auto run = [&](const std::string& environment) {
        const std::string command = "cd / && HOME=" + path("home") + " VST_PATH= " + environment + " " +
                                    path("bin/korvo") + " info >" + path("out.txt") + " 2>" + path("err.txt");
        const int raw = std::system(command.c_str());
        return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    };
    EXPECT_NE(run("LXVST_PATH="), 0);
    const std::string err = slurp(path("err.txt"));
    EXPECT_EQ(err.rfind("korvo: found no KorvoEQ.so", 0), 0u) << err;
    EXPECT_NE(err.find("--module"), std::string::npos);
    EXPECT_EQ(run("LXVST_PATH=/nowhere:" + fs::path(module).parent_path().string()), 0) << slurp(path("err.txt"));
    EXPECT_NE(slurp(path("out.txt")).find("Korvo-EQ"), std::string::npos);
}

TEST_F(KorvoCli, ABatchRendersEachFileAsASingleRenderWould)
{
    fs::create_directories(path("in"));
    for (double f : {300.0, 1000.0, 5000.0}) {
        fs::rename(writeSine("s.wav", f, 44100, 0.3), path("in/" + std::to_string(static_cast<int>(f)) + ".wav"));
    }
    const std::string settings = " --set A-Freq=1000Hz --set A-Gain=+6dB --set HS-Gain=-4dB";
    Result r = korvo("render " + path("in") + " -o " + path("out") + " -j 2" + settings);
    ASSERT_EQ(r.status, 0) << r.err;
    for (const char* name : {"300.wav", "1000.wav", "5000.wav"}) {
        ASSERT_EQ(korvo("render " + path(std::string("in/") + name) + " " + path("one.wav") + settings).status, 0);
        EXPECT_TRUE(sameSamples(read(path(std::string("out/") + name)), read(path("one.wav")))) << name;
    }
    // No chunk with the time of writing (a float WAV's PEAK chunk): the same
    // render makes the same file, byte for byte, whenever it runs.
    EXPECT_EQ(slurp(path("out/300.wav")).find("PEAK"), std::string::npos);
    // One bad input is reported on its own line; the others are written.
    r = korvo("render " + path("in/300.wav") + " " + path("none.wav") + " -o " + path("out2") + settings);
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(fs::exists(path("out2/300.wav")));
    EXPECT_FALSE(fs::exists(path("out2/none.wav")));
    EXPECT_NE(r.err.find("korvo: " + path("none.wav") + ": "), std::string::npos) << r.err;
    // A batch into its own folder would replace every input: each is refused and kept.
    const std::string before = slurp(path("in/300.wav"));
    r = korvo("render " + path("in") + " -o " + path("in") + settings);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("it is the input itself"), std::string::npos) << r.err;
    EXPECT_TRUE(slurp(path("in/300.wav")) == before);
}

TEST_F(KorvoCli, BlockSizeDoesNotChangeTheRender)
{
    const std::string in = writeSine("sine.wav", 440.0, 44100, 0.5);
    const std::string settings = " --set LS-Gain=+9dB --set A-Freq=300Hz --set A-Gain=-8dB --set B-Gain=0.9n"
                                 " --set HS-Gain=-12dB";
    ASSERT_EQ(korvo("render " + in + " " + path("whole.wav") + " --block 22050" + settings).status, 0);
    const StereoAudio whole = read(path("whole.wav"));
    for (int block : {1, 7, 333}) {
        const std::string out = path("split" + std::to_string(block) + ".wav");
        ASSERT_EQ(korvo("render " + in + " " + out + " --block " + std::to_string(block) + settings).status, 0);
        EXPECT_TRUE(sameSamples(read(out), whole)) << "block " << block;
    }
}

TEST_F(KorvoCli, MonoFeedsBothChannelsAndOtherFormatsAreWritten)
{
    // A one-channel file, written directly.
    const std::string in = path("mono.wav");
    SF_INFO info{};
    info.samplerate = 44100;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE* file = sf_open(in.c_str(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr);
    std::vector<float> samples(8820);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        samples[i] = static_cast<float>(0.25 * std::sin(2.0 * kPi * 200.0 * static_cast<double>(i) / 44100.0));
    }
    ASSERT_EQ(sf_writef_float(file, samples.data(), static_cast<sf_count_t>(samples.size())), 8820);
    sf_close(file);

    for (const char* name : {"out.flac", "out.aiff", "out.ogg"}) {
        const Result r = korvo("render " + in + " " + path(name) + " --set LS-Gain=1n");
        ASSERT_EQ(r.status, 0) << name << ": " << r.err;
        const StereoAudio out = read(path(name));
        EXPECT_EQ(out.sourceChannels, 2) << name;
        EXPECT_EQ(out.sampleRate, 44100) << name;
    }
    // With every band flat the mono signal reaches both outputs untouched.
    ASSERT_EQ(korvo("render " + in + " " + path("flat.aiff")).status, 0);
    const StereoAudio flat = read(path("flat.aiff")), mono = read(in);
    EXPECT_EQ(mono.sourceChannels, 1);
    EXPECT_EQ(std::memcmp(flat.left.data(), mono.left.data(), mono.frames() * sizeof(float)), 0);
    EXPECT_EQ(std::memcmp(flat.right.data(), mono.left.data(), mono.frames() * sizeof(float)), 0);
}

TEST_F(KorvoCli, UserErrorsGiveOneLineAndLeaveNoOutput)
{
    const std::string in = writeSine("sine.wav", 440.0, 44100, 0.1);
    std::ofstream(path("text.wav")) << "not audio";
    std::ofstream(path("fake.so")) << "not a module";
    struct Case {
        std::string arguments;
        std::string says;
    };
    const std::string out = path("out.wav");
    const Case cases[] = {
        {"render " + path("missing.wav") + " " + out, "no such file"},
        {"render " + path("text.wav") + " " + out, "not a readable audio file"},
        {"render " + in + " " + out + " --module " + path("fake.so"), "cannot load"},
        {"render " + in + " " + out + " --module /lib/x86_64-linux-gnu/libm.so.6", "not a VST 2.4 plug-in"},
        {"render " + in + " " + out + " --set Volume=1", "unknown parameter"},
        {"render " + in + " " + out + " --set A-Freq=30000Hz", "A-Freq=30000Hz: out of range 100..20100 Hz"},
        {"render " + in + " " + out + " --set A-Gain=30", "A-Gain=30: out of range -20..+20 dB"},
        // Shown for the high shelf at 8 kHz only.
        {"render " + in + " " + out + " --set HS-Freq=3680", "HS-Freq=3680: out of range 5000..15000 Hz"},
        {"render " + in + " " + out + " --set A-Gain=loud", "not a number"},
        {"render " + in + " " + path("out.xyz"), "unsupported format"},
        {"render " + in + " " + out + " --preset " + path("missing.fxp"), "missing.fxp"},
        {"render " + in + " " + out + " --block 0", "--block"},
        {"render " + in, "IN and OUT"},
        {"frobnicate", "unknown command"},
        {"render " + in + " " + out + " --loud", "unknown option"},
    };
    for (const Case& c : cases) {
        const Result r = korvo(c.arguments);
        EXPECT_NE(r.status, 0) << c.arguments;
        EXPECT_EQ(r.err.rfind("korvo: ", 0), 0u) << c.arguments << "\n" << r.err;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << c.arguments << "\n" << r.err;
        EXPECT_FALSE(fs::exists(out)) << c.arguments;
        EXPECT_FALSE(fs::exists(path("out.xyz"))) << c.arguments;
    }
    for (const auto& entry : fs::directory_iterator(dir)) {
        EXPECT_EQ(entry.path().string().find(".partial"), std::string::npos) << entry.path();
    }
}

TEST_F(KorvoCli, PresetsRoundTripAndReplaceSettings)
{
    const std::string in = writeSine("sine.wav", 3000.0, 44100, 0.3);
    const std::string settings = " --set B-Freq=3kHz --set B-Gain=+10dB --set B-Q=0.3 --set HS-Gain=-4dB";
    ASSERT_EQ(korvo("render " + in + " " + path("direct.wav") + settings + " --save-preset " + path("p.fxp")).status, 0);
    ASSERT_EQ(korvo("preset save " + path("bank.fxb") + settings + " --name Bright").status, 0);

    ASSERT_EQ(korvo("render " + in + " " + path("via-fxp.wav") + " --preset " + path("p.fxp")).status, 0);
    ASSERT_EQ(korvo("render " + in + " " + path("via-fxb.wav") + " --preset " + path("bank.fxb")).status, 0);
    const StereoAudio direct = read(path("direct.wav"));
    EXPECT_TRUE(sameSamples(read(path("via-fxp.wav")), direct));
    EXPECT_TRUE(sameSamples(read(path("via-fxb.wav")), direct));

    const Result shown = korvo("preset show " + path("bank.fxb"));
    ASSERT_EQ(shown.status, 0) << shown.err;
    EXPECT_NE(shown.out.find("VXKE"), std::string::npos);
    EXPECT_NE(shown.out.find("Bright"), std::string::npos);
    EXPECT_NE(shown.out.find("+10.00"), std::string::npos) << shown.out;

    const Result loaded = korvo("preset load " + path("bank.fxb"));
    ASSERT_EQ(loaded.status, 0) << loaded.err;
    EXPECT_NE(loaded.out.find("3000.0"), std::string::npos) << loaded.out;
}

TEST_F(KorvoCli, ParameterListPresetsFromOtherHostsLoad)
{
    PresetData list;
    list.kind = PresetData::Kind::ProgramParams;
    list.uniqueId = ('V' << 24) | ('X' << 16) | ('K' << 8) | 'E';
    list.pluginVersion = 1;
    list.programName = "From elsewhere";
    list.programs.push_back({0.5f, 0.5f, 0.045f, 0.8f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f});
    std::string error;
    ASSERT_TRUE(writePresetFile(path("list.fxp"), list, error)) << error;

    const std::string in = writeSine("sine.wav", 1000.0, 48000, 0.5);
    ASSERT_EQ(korvo("render " + in + " " + path("a.wav") + " --preset " + path("list.fxp")).status, 0);
    ASSERT_EQ(korvo("render " + in + " " + path("b.wav") + " --set A-Freq=0.045n --set A-Gain=0.8n").status, 0);
    EXPECT_TRUE(sameSamples(read(path("a.wav")), read(path("b.wav"))));

    list.uniqueId = ('A' << 24) | ('B' << 16) | ('C' << 8) | 'D';
    ASSERT_TRUE(writePresetFile(path("foreign.fxp"), list, error)) << error;
    const Result refused = korvo("preset load " + path("foreign.fxp"));
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("ABCD"), std::string::npos) << refused.err;
    EXPECT_EQ(korvo("preset load " + path("foreign.fxp") + " --force").status, 0);
}

TEST_F(KorvoCli, EveryCommandHasHelpAndDemoWritesItsFiles)
{
    for (const char* command : {"", "info", "render", "preset", "response", "demo", "snapshot"}) {
        const Result r = korvo(std::string(command) + " --help");
        EXPECT_EQ(r.status, 0) << command;
        EXPECT_NE(r.out.find("usage: korvo"), std::string::npos) << command;
    }
    const Result info = korvo("info");
    ASSERT_EQ(info.status, 0) << info.err;
    EXPECT_NE(info.out.find("VXKE"), std::string::npos);
    EXPECT_NE(info.out.find("HS-Gain"), std::string::npos);
    EXPECT_NE(info.out.find("40 to 540 Hz"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("-20 to +20 dB"), std::string::npos) << info.out;

    const Result demo = korvo("demo --out " + path("demo"));
    ASSERT_EQ(demo.status, 0) << demo.err;
    for (const char* name : {"input.wav", "output.wav", "response.svg", "preset.fxp"}) {
        EXPECT_TRUE(fs::exists(dir / "demo" / name)) << name;
    }
    EXPECT_NE(demo.out.find("LOW SHELF, MID A, MID B, HIGH SHELF"), std::string::npos) << demo.out;
    EXPECT_FALSE(sameSamples(read(path("demo/input.wav")), read(path("demo/output.wav"))));
}

// The PNG's pixels as rows of blue, green, red bytes, and its size.
std::vector<unsigned char> decodePng(const std::string& file, int& width, int& height)
{
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, file.c_str())) {
        ADD_FAILURE() << file << ": " << image.message;
        return {};
    }
    image.format = PNG_FORMAT_BGR;
    std::vector<unsigned char> pixels(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) {
        ADD_FAILURE() << file << ": " << image.message;
        return {};
    }
    width = static_cast<int>(image.width);
    height = static_cast<int>(image.height);
    return pixels;
}

TEST_F(KorvoCli, SnapshotIsTheEditorAsTheCanvasDrawsIt)
{
    const std::vector<std::string> settings = {"LS-Gain=+6dB", "A-Freq=1000Hz", "A-Gain=-9dB", "B-Q=0.3", "HS-Gain=0.9n"};
    for (const auto& [option, scale] : {std::pair<std::string, float>{"", 1.0f}, {" --scale 150%", 1.5f}}) {
        SCOPED_TRACE(scale);
        std::string arguments = "snapshot " + path("editor.png") + option;
        for (const std::string& setting : settings) arguments += " --set " + setting;
        const Result r = korvo(arguments);
        ASSERT_EQ(r.status, 0) << r.err;
        int width = 0, height = 0;
        const std::vector<unsigned char> written = decodePng(path("editor.png"), width, height);
        EXPECT_EQ(width, scale == 1.0f ? 785 : 1178);
        EXPECT_EQ(height, scale == 1.0f ? 82 : 123);

        // The same settings on an effect here, its editor open on a canvas.
        SoftwareCanvas canvas;
        setGuiPlatform(&canvas);
        std::vector<unsigned char> expected;
        {
            EqEffect effect(&RecordingHost::callback);
            for (const std::string& text : settings) {
                Setting setting{};
                std::string error;
                ASSERT_TRUE(parseSetting(text, setting, error)) << error;
                effect.setParameter(setting.index, setting.value);
            }
            auto* editor = static_cast<EqEditor*>(effect.getEditor());
            ASSERT_NE(editor, nullptr);
            editor->chooseScale(scale);
            ASSERT_TRUE(editor->open(canvas.createTopLevelWindow(width, height, 0, 0)));
            canvas.sendMessage(editor->getWindow(), kMessagePaint, 0, 0);
            expected = canvas.windowPixels(editor->getWindow());
        }
        setGuiPlatform(nullptr);
        EXPECT_TRUE(written == expected);
    }
    EXPECT_EQ(korvo("snapshot " + path("big.png") + " --scale 4").status, 2) << "a usage error";

    const Result refused = korvo("snapshot " + path("bad.png") + " --set A-Gain=loud");
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err.rfind("korvo: ", 0), 0u) << refused.err;
    EXPECT_FALSE(fs::exists(path("bad.png")));
}

// The committed pictures of the editor (the README's) are what the editor
// draws today with the demo's settings, at 100 % and at 200 %.
TEST_F(KorvoCli, TheCommittedSnapshotsAreWhatTheEditorDraws)
{
    const std::string demo =
        " --set LS-Freq=120Hz --set LS-Gain=+5dB --set A-Freq=400Hz --set A-Gain=-6dB --set A-Q=0.7"
        " --set B-Freq=3kHz --set B-Gain=+4dB --set B-Q=0.5 --set HS-Freq=10kHz --set HS-Gain=+3dB";
    for (const auto& [name, option] : {std::pair<std::string, std::string>{"editor-snapshot", ""},
                                       {"editor-snapshot-200", " --scale 2"}}) {
        ASSERT_EQ(korvo("snapshot " + path(name + ".png") + option + demo).status, 0);
        int width = 0, height = 0, committedWidth = 0, committedHeight = 0;
        const std::vector<unsigned char> drawn = decodePng(path(name + ".png"), width, height);
        const std::vector<unsigned char> committed =
            decodePng(std::string(KORVO_SOURCE_DIR) + "/resources/" + name + ".png", committedWidth, committedHeight);
        EXPECT_EQ(width, committedWidth);
        EXPECT_TRUE(!drawn.empty() && drawn == committed) << name;
    }
}

}  // namespace
