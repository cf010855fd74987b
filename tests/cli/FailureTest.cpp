// How the korvo program fails, run as a user runs it: interrupted, refused by
// the output format, given a bad input or used wrongly, it says so in one line
// and leaves no file behind.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <sndfile.h>

#include "tests/cli/CliFixture.h"
#include "tools/AudioFile.h"

namespace fs = std::filesystem;

namespace {

using Result = KorvoResult;

class KorvoFailure : public CliFixture {
protected:
    // Starts korvo with stderr to `errFile`, with the signals it is sent at
    // their defaults whatever this test inherited.
    // Standard input is `input` when one is given, and TMPDIR `temporary`.
    static pid_t start(const std::vector<std::string>& arguments, const std::string& errFile, int input = -1,
                       const std::string& temporary = "")
    {
        std::vector<char*> argv{const_cast<char*>(KORVO_BINARY)};
        for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        const pid_t pid = fork();
        if (pid == 0) {
            struct sigaction defaults {};
            defaults.sa_handler = SIG_DFL;
            for (int s : {SIGINT, SIGTERM, SIGHUP}) sigaction(s, &defaults, nullptr);
            sigset_t none;
            sigemptyset(&none);
            sigprocmask(SIG_SETMASK, &none, nullptr);
            const int err = open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            const int null = open("/dev/null", O_WRONLY);
            dup2(null, STDOUT_FILENO);
            dup2(err, STDERR_FILENO);
            if (input >= 0) dup2(input, STDIN_FILENO);
            if (!temporary.empty()) setenv("TMPDIR", temporary.c_str(), 1);
            execv(KORVO_BINARY, argv.data());
            _exit(127);
        }
        return pid;
    }

    // How many files korvo (pid) is writing in `folder`: unnamed ones, which
    // are linked under their names only when finished, or on a file system
    // without unnamed files, temporary ones.
    static int writing(pid_t pid, const std::string& folder)
    {
        int count = 0;
        std::error_code gone;
        for (const auto& entry : fs::directory_iterator("/proc/" + std::to_string(pid) + "/fd", gone)) {
            std::error_code unreadable;
            const std::string target = fs::read_symlink(entry.path(), unreadable).string();
            const bool unnamed = target.find("(deleted)") != std::string::npos;
            if (target.rfind(folder + "/", 0) == 0 && (unnamed || target.find(".partial-") != std::string::npos)) ++count;
        }
        return count;
    }

    // Waits up to 30 s for korvo to be writing `files` files in `folder`.
    static bool waitUntilWriting(pid_t pid, const std::string& folder, int files)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (writing(pid, folder) < files && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return writing(pid, folder) >= files;
    }

    // A mono 16-bit WAV of a sine at 0.25.
    std::string writeSine(const std::string& name, int rate, double seconds) const
    {
        SF_INFO info{};
        info.samplerate = rate;
        info.channels = 1;
        info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
        SNDFILE* file = sf_open(path(name).c_str(), SFM_WRITE, &info);
        EXPECT_NE(file, nullptr) << sf_strerror(nullptr);
        std::vector<float> block(65536);
        const auto total = static_cast<long long>(seconds * rate);
        for (long long done = 0; file && done < total;) {
            const auto n = static_cast<std::size_t>(std::min<long long>(65536, total - done));
            for (std::size_t i = 0; i < n; ++i) {
                block[i] = static_cast<float>(0.25 * std::sin(0.05 * static_cast<double>(done + static_cast<long long>(i))));
            }
            EXPECT_EQ(sf_writef_float(file, block.data(), static_cast<sf_count_t>(n)), static_cast<sf_count_t>(n));
            done += static_cast<long long>(n);
        }
        if (file) sf_close(file);
        return path(name);
    }

};

TEST_F(KorvoFailure, InterruptedRenderRemovesItsFileAndExitsWithTheSignalsStatus)
{
    // Five minutes in blocks of four frames: far longer than it takes to interrupt.
    const std::string in = writeSine("long.wav", 44100, 300.0);
    // Even SIGKILL, which nothing can catch, leaves nothing behind.
    for (int signalNumber : {SIGINT, SIGTERM, SIGHUP, SIGKILL}) {
        const std::string context = std::string("signal ") + strsignal(signalNumber);
        const std::string out = path("out.wav");
        const pid_t pid = start({"render", in, out, "--block", "4", "--set", "A-Gain=+6dB"}, path("stderr.txt"));
        ASSERT_GT(pid, 0);
        const bool started = waitUntilWriting(pid, dir.string(), 1);
        kill(pid, started ? signalNumber : SIGKILL);
        int raw = 0;
        ASSERT_EQ(waitpid(pid, &raw, 0), pid);
        ASSERT_TRUE(started) << context << ": korvo never wrote " << out;
        if (signalNumber == SIGKILL) {
            EXPECT_EQ(leftovers({"long.wav"}), std::vector<std::string>{}) << context;
            continue;
        }
        ASSERT_TRUE(WIFEXITED(raw)) << context;
        EXPECT_EQ(WEXITSTATUS(raw), 128 + signalNumber) << context;
        const std::string err = slurp(path("stderr.txt"));
        expectOneLine(err, context);
        EXPECT_NE(err.find("interrupted"), std::string::npos) << err;
        EXPECT_EQ(leftovers({"long.wav"}), std::vector<std::string>{}) << context;
    }

    // A batch writing two files at once loses both.
    fs::copy_file(in, path("again.wav"));
    const pid_t pid = start({"render", in, path("again.wav"), "-o", path("out"), "-j", "2", "--block", "4"},
                            path("stderr.txt"));
    ASSERT_GT(pid, 0);
    const bool started = waitUntilWriting(pid, path("out"), 2);
    kill(pid, started ? SIGINT : SIGKILL);
    int raw = 0;
    ASSERT_EQ(waitpid(pid, &raw, 0), pid);
    ASSERT_TRUE(started);
    ASSERT_TRUE(WIFEXITED(raw));
    EXPECT_EQ(WEXITSTATUS(raw), 130);
    EXPECT_TRUE(fs::is_empty(path("out")));
    const std::string err = slurp(path("stderr.txt"));
    EXPECT_NE(err.find("'" + path("out/long.wav") + "' was not written"), std::string::npos) << err;
    EXPECT_NE(err.find("'" + path("out/again.wav") + "' was not written"), std::string::npos) << err;
}

TEST_F(KorvoFailure, InterruptedWhileCopyingAPipeSaysSoAndLeavesNothing)
{
    // A pipe is copied whole, into TMPDIR, before the render; the copy waits for
    // the rest of the input, which does not come.
    const std::string in = writeSine("sine.wav", 44100, 1.0);
    const std::string out = path("out.wav");
    fs::create_directory(path("tmp"));
    int feed[2];
    ASSERT_EQ(pipe2(feed, O_CLOEXEC), 0);
    const pid_t pid = start({"render", "-", out}, path("stderr.txt"), feed[0], path("tmp"));
    close(feed[0]);
    const std::string half = slurp(in).substr(0, 30000);
    EXPECT_EQ(write(feed[1], half.data(), half.size()), static_cast<ssize_t>(half.size()));
    const bool copying = waitUntilWriting(pid, path("tmp"), 1);
    kill(pid, copying ? SIGINT : SIGKILL);
    int raw = 0;
    ASSERT_EQ(waitpid(pid, &raw, 0), pid);
    close(feed[1]);
    ASSERT_TRUE(copying) << "korvo made no copy in TMPDIR";
    ASSERT_TRUE(WIFEXITED(raw)) << "ended by the signal, without a word";
    EXPECT_EQ(WEXITSTATUS(raw), 130);
    EXPECT_EQ(slurp(path("stderr.txt")), "korvo: interrupted; '" + out + "' was not written\n");
    EXPECT_TRUE(fs::is_empty(path("tmp")));
    EXPECT_EQ(leftovers({"sine.wav", "tmp"}), std::vector<std::string>{});
}

TEST_F(KorvoFailure, OutputTheFormatRefusesOnceOpenedLeavesNothing)
{
    // FLAC stops at 655350 Hz, which libsndfile finds out only after it has
    // created the file. korvo renders no input at such a rate (the plug-in runs
    // at up to 192 kHz), so its writer is asked directly.
    StereoAudio fast;
    fast.sampleRate = 700000;
    fast.left.assign(35000, 0.25f);
    fast.right = fast.left;
    std::string error;
    EXPECT_FALSE(writeAudio(path("out.flac"), fast, error));
    EXPECT_NE(error.find("out.flac"), std::string::npos) << error;
    EXPECT_NE(error.find("sample rate (700000 Hz)"), std::string::npos) << error;
    EXPECT_EQ(error.find("Error :"), std::string::npos) << error;
    EXPECT_EQ(leftovers({}), std::vector<std::string>{});
}

TEST_F(KorvoFailure, WritesIntoAMissingFolderNameTheFolder)
{
    const std::string in = writeSine("sine.wav", 44100, 0.1);
    const std::string missing = path("none");
    for (const std::string& command : {"render " + in + " ", std::string("preset save ")}) {
        const std::string out = missing + (command[0] == 'r' ? "/out.wav" : "/p.fxp");
        const Result r = korvo(command + out);
        EXPECT_EQ(r.status, 1) << out;
        expectOneLine(r.err, out);
        EXPECT_EQ(r.err, "korvo: cannot write '" + out + "': no such directory '" + missing + "'\n");
    }
    EXPECT_EQ(leftovers({"sine.wav"}), std::vector<std::string>{});
}

TEST_F(KorvoFailure, BadInputsAreNamedWithWhatIsWrong)
{
    // Begins as an MPEG frame header would, then nothing that decodes: the
    // decoder has warnings of its own to print.
    std::ofstream(path("damaged.wav"), std::ios::binary) << "\xff\xfb\x90\x00" << std::string(3000, 'x');
    fs::create_directory(path("folder.wav"));
    for (const std::string& says : {path("missing.wav") + ": no such file", path("folder.wav") + ": is a directory",
                                    path("damaged.wav") + ": not a readable audio file: no RIFF/WAVE header"}) {
        const std::string in = says.substr(0, says.find(": "));
        const Result r = korvo("render " + in + " " + path("out.wav"));
        EXPECT_EQ(r.status, 1) << in;
        expectOneLine(r.err, in);
        EXPECT_EQ(r.err, "korvo: " + says + "\n");
    }
    EXPECT_EQ(leftovers({"damaged.wav", "folder.wav"}), std::vector<std::string>{});

    // A damaged WAV header is named with what is wrong in it, and a sample rate
    // the plug-in does not run at is refused: rendered at it, the file would
    // come out wrong.
    const auto le = [](std::size_t value, int bytes) {
        std::string text;
        for (int i = 0; i < bytes; ++i) text += static_cast<char>((value >> (8 * i)) & 0xFF);
        return text;
    };
    const auto chunk = [&](const std::string& name, const std::string& body) { return name + le(body.size(), 4) + body; };
    const auto fmt = [&](unsigned tag, unsigned rate, unsigned bits) {
        return chunk("fmt ", le(tag, 2) + le(1, 2) + le(rate, 4) + le(rate * 2u, 4) + le(2, 2) + le(bits, 2));
    };
    const std::string pcm = fmt(1, 44100, 16), data = chunk("data", std::string(400, '\0'));
    const auto wave = [&](const std::string& body) { return "RIFF" + le(body.size() + 4, 4) + "WAVE" + body; };
    const struct {
        std::string bytes, says;
    } headers[] = {
        {"RIFF" + le(4, 4) + "AVI ", "not a readable audio file: a RIFF file of type 'AVI ', not WAVE"},
        {wave(data), "not a readable audio file: fmt chunk missing"},
        {wave(chunk("fmt ", std::string(12, '\1')) + data), "not a readable audio file: fmt chunk too short (12 bytes of at least 16)"},
        {wave(pcm), "not a readable audio file: data chunk missing"},
        {wave(pcm + "LIST" + le(100000, 4) + std::string(20, 'x') + data),
         "not a readable audio file: data chunk beyond the end of the file (the 'LIST' chunk before it claims 100000 "
         "bytes, more than the file holds)"},
        {wave(data + pcm), "not a readable audio file: fmt chunk after the data chunk (it must come first)"},
        {wave(fmt(0x1234, 44100, 16) + data), "not a readable audio file: unsupported sample format (format tag 0x1234)"},
        {wave(fmt(1, 44100, 40) + data), "not a readable audio file: unsupported sample format (40-bit PCM)"},
        {wave(fmt(1, 1000000000, 16) + data),
         "its sample rate, 1000000000 Hz, is outside the 1 kHz to 192 kHz the equaliser runs at"},
        {wave(fmt(1, 500, 16) + data), "its sample rate, 500 Hz, is outside the 1 kHz to 192 kHz the equaliser runs at"},
        {wave(fmt(1, 384000, 16) + data),
         "its sample rate, 384000 Hz, is outside the 1 kHz to 192 kHz the equaliser runs at"},
    };
    for (const auto& header : headers) {
        std::ofstream(path("bad.wav"), std::ios::binary) << header.bytes;
        const Result r = korvo("render " + path("bad.wav") + " " + path("out.wav"));
        EXPECT_EQ(r.status, 1) << header.says;
        EXPECT_EQ(r.err, "korvo: " + path("bad.wav") + ": " + header.says + "\n");
        EXPECT_FALSE(fs::exists(path("out.wav"))) << header.says;
    }
    // The edges of the rates the plug-in runs at are read.
    for (const unsigned rate : {1000u, 192000u}) {
        std::ofstream(path("edge.wav"), std::ios::binary) << wave(fmt(1, rate, 16) + data);
        const Result r = korvo("render " + path("edge.wav") + " " + path("edge-out.wav"));
        EXPECT_EQ(r.status, 0) << rate << ": " << r.err;
    }
}

TEST_F(KorvoFailure, UsageErrorsAreOneLinePointingAtTheHelp)
{
    struct Case {
        std::string arguments;
        std::string command;
    };
    const Case cases[] = {
        {"render", "render"},
        {"render a.wav b.wav --block 0", "render"},
        {"preset rename " + path("p.fxp"), "preset"},
        {"response extra", "response"},
        {"demo extra", "demo"},
        {"snapshot", "snapshot"},
        // An option no command knows, after the command and before it.
        {"render a.wav b.wav --sett A-Freq=1k", "render"},
        {"preset show p.fxp --frce", "preset"},
        {"--sett A-Freq=1k render a.wav b.wav", ""},
    };
    for (const Case& c : cases) {
        const Result r = korvo(c.arguments);
        EXPECT_EQ(r.status, 2) << c.arguments;
        expectOneLine(r.err, c.arguments);
        const std::string ending = " (see korvo " + c.command + (c.command.empty() ? "" : " ") + "--help)\n";
        ASSERT_GE(r.err.size(), ending.size()) << r.err;
        EXPECT_EQ(r.err.substr(r.err.size() - ending.size()), ending) << r.err;
    }
    // The response's help promises what it prints: no table.
    const std::string help = path("help.txt");
    ASSERT_EQ(std::system((std::string(KORVO_BINARY) + " response --help >" + help).c_str()), 0);
    EXPECT_EQ(slurp(help).find("table"), std::string::npos) << slurp(help);
}

}  // namespace
