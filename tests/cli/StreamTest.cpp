// What korvo makes of damaged input and of a pipe on its output, run as a
// user runs it: a file cut short is refused before anything is written (or
// rendered as far as it goes, on request), and standard output gets the audio
// as the render goes, in a file other programs read whole.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <sndfile.h>

#include "tests/cli/CliFixture.h"

namespace fs = std::filesystem;

namespace {

using Result = KorvoResult;

class KorvoStream : public CliFixture {
protected:
    // Stereo 16-bit noise and a sine, `seconds` long, at 44.1 kHz, in the
    // format the name's extension gives.
    std::string writeInput(const std::string& name, double seconds) const
    {
        SF_INFO info{};
        info.samplerate = 44100;
        info.channels = 2;
        info.format = SF_FORMAT_PCM_16 | (name.find(".flac") != std::string::npos ? SF_FORMAT_FLAC
                                          : name.find(".aiff") != std::string::npos ? SF_FORMAT_AIFF
                                                                                     : SF_FORMAT_WAV);
        SNDFILE* file = sf_open(path(name).c_str(), SFM_WRITE, &info);
        EXPECT_NE(file, nullptr) << sf_strerror(nullptr);
        const auto frames = static_cast<std::size_t>(seconds * info.samplerate);
        std::vector<float> data(2 * frames);
        std::uint32_t noise = 99;
        for (std::size_t i = 0; i < data.size(); ++i) {
            noise = noise * 1664525u + 1013904223u;
            data[i] = static_cast<float>(0.3 * std::sin(0.03 * static_cast<double>(i / 2)) +
                                         0.1 * (static_cast<double>(noise >> 8) / 16777216.0 - 0.5));
        }
        if (file) sf_writef_float(file, data.data(), static_cast<sf_count_t>(frames));
        if (file) sf_close(file);
        return path(name);
    }

    static long long framesOf(const std::string& file)
    {
        SF_INFO info{};
        SNDFILE* opened = sf_open(file.c_str(), SFM_READ, &info);
        if (opened) sf_close(opened);
        return opened ? info.frames : -1;
    }

    // korvo with its standard output into a pipe this test reads.
    struct Running {
        pid_t pid;
        int output;  // the pipe's end to read
    };
    Running startPiped(const std::string& arguments) const
    {
        int ends[2];
        EXPECT_EQ(pipe(ends), 0);
        const pid_t pid = fork();
        if (pid == 0) {
            dup2(ends[1], STDOUT_FILENO);
            close(ends[0]);
            close(ends[1]);
            signal(SIGINT, SIG_DFL);
            const std::string command = "exec " + std::string(KORVO_BINARY) + " " + arguments + " 2>" + path("stderr.txt");
            execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        close(ends[1]);
        return Running{pid, ends[0]};
    }

    static std::string readSome(int descriptor, std::size_t most)
    {
        std::string bytes(most, '\0');
        const ssize_t got = read(descriptor, &bytes[0], most);
        bytes.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
        return bytes;
    }

    // The bytes a process has read so far (the input, once korvo is running).
    static long long bytesRead(pid_t pid)
    {
        std::ifstream io("/proc/" + std::to_string(pid) + "/io");
        std::string key;
        long long value = -1;
        while (io >> key >> value) {
            if (key == "rchar:") return value;
        }
        return -1;
    }
};

}  // namespace

TEST_F(KorvoStream, AnInputCutShortIsRefusedBeforeAnythingIsWritten)
{
    for (const std::string name : {"cut.wav", "cut.flac", "cut.aiff"}) {
        const std::string in = writeInput(name, 3.0);
        fs::resize_file(in, fs::file_size(in) * 2 / 5);
        const Result refused = korvo("render " + in + " " + path("out.wav"));
        EXPECT_EQ(refused.status, 1) << name;
        expectOneLine(refused.err, name);
        EXPECT_NE(refused.err.find(in + ": truncated: "), std::string::npos) << refused.err;
        EXPECT_NE(refused.err.find(" of 3.00 s read"), std::string::npos) << refused.err;
        EXPECT_FALSE(fs::exists(path("out.wav"))) << name;

        const Result allowed = korvo("render " + in + " " + path("out.wav") + " --allow-truncated");
        EXPECT_EQ(allowed.status, 0) << name << ": " << allowed.err;
        EXPECT_NE(allowed.err.find("warning: " + in + ": truncated"), std::string::npos) << allowed.err;
        const long long frames = framesOf(path("out.wav"));
        EXPECT_GT(frames, 44100 / 2) << name;
        EXPECT_LT(frames, 3 * 44100 / 2) << name;
        fs::remove(path("out.wav"));
        fs::remove(in);
    }

    // In a batch, that file fails, named once, and the others go on.
    const std::string cut = writeInput("cut.wav", 1.0), whole = writeInput("whole.wav", 1.0);
    fs::resize_file(cut, fs::file_size(cut) / 2);
    const Result batch = korvo("render " + cut + " " + whole + " -o " + path("batch"));
    EXPECT_EQ(batch.status, 1);
    EXPECT_EQ(framesOf(path("batch/whole.wav")), 44100);
    EXPECT_FALSE(fs::exists(path("batch/cut.wav")));
    const std::string line = batch.err.substr(0, batch.err.find('\n'));
    EXPECT_NE(line.find("truncated"), std::string::npos) << batch.err;
    EXPECT_EQ(line.find(cut), line.rfind(cut)) << "the file is named twice: " << line;
}

TEST_F(KorvoStream, StandardOutputGetsTheAudioAsTheRenderGoes)
{
    const std::string in = writeInput("long.wav", 60.0);
    const std::string eq = " --set A-Freq=1000Hz --set A-Gain=+6dB";
    ASSERT_EQ(korvo("render " + in + " " + path("file.wav") + eq).status, 0);

    // The pipe holds a little and korvo writes a mebibyte at a time: the first
    // bytes come while most of the input is still unread.
    Running render = startPiped("render " + in + " - --format wav" + eq);
    std::string streamed = readSome(render.output, 4096);
    ASSERT_FALSE(streamed.empty());
    const long long readSoFar = bytesRead(render.pid);
    EXPECT_GE(readSoFar, 0);
    EXPECT_LT(readSoFar, static_cast<long long>(fs::file_size(in) / 2)) << "korvo rendered everything first";
    for (std::string more; !(more = readSome(render.output, 1 << 16)).empty();) streamed += more;
    close(render.output);
    int raw = 0;
    ASSERT_EQ(waitpid(render.pid, &raw, 0), render.pid);
    EXPECT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 0) << slurp(path("stderr.txt"));

    // The same bytes as the file, whose header announces what followed it:
    // libsndfile and sox read it whole, sox without a word.
    EXPECT_TRUE(streamed == slurp(path("file.wav"))) << "the stream differs from the file";
    std::ofstream(path("streamed.wav"), std::ios::binary) << streamed;
    EXPECT_EQ(framesOf(path("streamed.wav")), 60 * 44100);
    const int soxStatus = std::system(("sox " + path("streamed.wav") + " -n stat 2>" + path("sox.txt")).c_str());
    EXPECT_EQ(soxStatus, 0) << "sox, which the test set-up installs, did not run";
    const std::string soxSays = slurp(path("sox.txt"));
    EXPECT_NE(soxSays.find("Samples read:"), std::string::npos) << soxSays;
    EXPECT_NE(soxSays.find(" 5292000\n"), std::string::npos) << soxSays;
    EXPECT_EQ(soxSays.find("WARN"), std::string::npos) << soxSays;

    // Interrupted while streaming, korvo says so in one line.
    render = startPiped("render " + in + " - --format flac" + eq);
    ASSERT_FALSE(readSome(render.output, 4096).empty());
    kill(render.pid, SIGINT);
    ASSERT_EQ(waitpid(render.pid, &raw, 0), render.pid);
    close(render.output);
    EXPECT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 130);
    EXPECT_EQ(slurp(path("stderr.txt")), "korvo: interrupted; standard output was not written whole\n");
}
