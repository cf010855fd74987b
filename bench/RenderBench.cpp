// What `korvo render` costs beyond reading and writing the audio, wall clock:
//
//   copy/one file                 one 60 s file copied with libsndfile in this process
//                                 (512-frame blocks to a new 32-bit float WAV), which any
//                                 host has to do at least;
//   korvo start-up/--version      `korvo --version` as a child process: starting a process
//                                 and linking korvo's libraries;
//   korvo start-up/info           `korvo info`: that and loading the module, making an
//                                 instance and listing its parameters;
//   korvo render/one file         `korvo render IN OUT --set ...` on the same file, as a
//                                 child process: start-up, loading the module, the
//                                 filtering, the peak it reports;
//   copy/20 files                 twenty 3 s files copied one after another, in process;
//   korvo render -j 1/20 files    `korvo render DIR -o OUTDIR -j 1 --set ...`, one child;
//   korvo render -j 2/20 files    the same with two files at once;
//   against sox/...               one bell (1000 Hz, Q 1, +6 dB) on five minutes of
//                                 44.1 kHz 16-bit stereo, by `korvo render` and by
//                                 `sox IN OUT equalizer 1000 1q 6`, each to a 32-bit
//                                 float WAV and to a dithered 16-bit WAV, 5 iterations
//                                 each (skipped when sox is not on PATH).
//
// The test signals are written once into a temporary folder, which is removed at
// the end (TMPDIR chooses where; its file system is part of what is timed). Each
// case runs once untimed first, so the inputs, korvo and the module are in the
// page cache when the clock runs; outputs are deleted between iterations,
// outside the timing. "x realtime" is seconds of audio per second of wall clock.
// "cpu" is the processor time (user and system) of the work per iteration, "sys"
// the system part of it: getrusage of this process around a copy, of the korvo
// or sox process (RUSAGE_CHILDREN) around a render, which the CPU column (the
// benchmark's own time while it waits) leaves out. The lines at the end set each
// render against the plain copy of the same audio, and korvo against sox,
// taking the fastest repetition of each case with --benchmark_repetitions (the
// median with --benchmark_report_aggregates_only).
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <sndfile.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

constexpr int kRate = 48000;
constexpr int kChannels = 2;
constexpr int kLongSeconds = 60;
constexpr int kShortFiles = 20;
constexpr int kShortSeconds = 3;  // 20 x 3 s: the same 60 s of audio as the one file
constexpr sf_count_t kBlock = 512;
constexpr int kIterations = 20;

const char* const kSettings[] = {"--set", "A-Gain=6", "--set", "A-Freq=1000"};

// Against sox: a song-length file as a typical user has it (CD audio: 44.1 kHz,
// 16-bit stereo WAV), written when the first of these cases runs, and one bell
// the same in both programs: sox's equalizer is the cookbook peaking filter with
// Q as the cookbook's Q, which is what korvo's A-Q is.
constexpr int kSongRate = 44100;
constexpr int kSongSeconds = 300;
constexpr int kSongIterations = 5;  // 25 minutes of audio a case
const char* const kBellKorvo[] = {"--set", "A-Freq=1000Hz", "--set", "A-Gain=+6dB", "--set", "A-Q=1"};
const char* const kBellSox[] = {"equalizer", "1000", "1q", "6"};

fs::path workDir;  // the temporary folder: one.wav, batch/, song.wav, and the outputs

// ---- The test signals --------------------------------------------------------

// Three sines a channel and a little noise, peaking near -12 dBFS; `variant`
// picks the noise, so no two files are the same. `samples` is a libsndfile
// sample format: float, or 16-bit integers (libsndfile rounds, undithered).
bool writeSignal(const fs::path& path, int seconds, unsigned variant, int rate = kRate,
                 int samples = SF_FORMAT_FLOAT)
{
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = kChannels;
    info.format = SF_FORMAT_WAV | samples;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!file) return false;
    if (samples == SF_FORMAT_FLOAT) sf_command(file, SFC_SET_ADD_PEAK_CHUNK, nullptr, SF_FALSE);
    std::mt19937 rng(variant);
    std::uniform_real_distribution<float> noise(-0.02f, 0.02f);
    const double pi = 3.14159265358979323846;
    const double freqs[kChannels][3] = {{110.0, 997.0, 4700.0}, {220.0, 1250.0, 6300.0}};
    const sf_count_t frames = sf_count_t(seconds) * rate;
    std::vector<float> block(size_t(kBlock * kChannels));
    bool ok = true;
    for (sf_count_t start = 0; start < frames && ok; start += kBlock) {
        const sf_count_t n = std::min(kBlock, frames - start);
        for (sf_count_t i = 0; i < n; ++i) {
            const double t = double(start + i) / rate;
            for (int c = 0; c < kChannels; ++c) {
                double v = 0.0;
                for (double f : freqs[c]) v += 0.075 * std::sin(2.0 * pi * f * t);
                block[size_t(i * kChannels + c)] = float(v) + noise(rng);
            }
        }
        ok = sf_writef_float(file, block.data(), n) == n;
    }
    return sf_close(file) == 0 && ok;
}

fs::path longFile() { return workDir / "one.wav"; }
fs::path batchDir() { return workDir / "batch"; }
fs::path songFile() { return workDir / "song.wav"; }

// Writes the song the first time it is asked for (a few seconds, so runs that
// leave out the cases against sox do not pay for it); false if it cannot.
bool haveSong()
{
    static const bool written = writeSignal(songFile(), kSongSeconds, 100, kSongRate, SF_FORMAT_PCM_16);
    return written;
}

std::vector<fs::path> shortFiles()
{
    std::vector<fs::path> files;
    for (int i = 0; i < kShortFiles; ++i) {
        char name[32];
        std::snprintf(name, sizeof(name), "take%02d.wav", i + 1);
        files.push_back(batchDir() / name);
    }
    return files;
}

bool makeSignals()
{
    if (!writeSignal(longFile(), kLongSeconds, 1)) return false;
    fs::create_directory(batchDir());
    unsigned variant = 2;
    for (const fs::path& file : shortFiles()) {
        if (!writeSignal(file, kShortSeconds, variant++)) return false;
    }
    return true;
}

// ---- The plain copy ------------------------------------------------------------

bool copyFile(const fs::path& from, const fs::path& to)
{
    SF_INFO in{};
    SNDFILE* source = sf_open(from.c_str(), SFM_READ, &in);
    if (!source) return false;
    SF_INFO out{};
    out.samplerate = in.samplerate;
    out.channels = in.channels;
    out.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE* target = sf_open(to.c_str(), SFM_WRITE, &out);
    if (!target) {
        sf_close(source);
        return false;
    }
    sf_command(target, SFC_SET_ADD_PEAK_CHUNK, nullptr, SF_FALSE);  // as korvo writes float files
    std::vector<float> block(size_t(kBlock * in.channels));
    bool ok = true;
    for (sf_count_t n; ok && (n = sf_readf_float(source, block.data(), kBlock)) > 0;) {
        ok = sf_writef_float(target, block.data(), n) == n;
    }
    sf_close(source);
    return sf_close(target) == 0 && ok;
}

// ---- Running korvo and sox -----------------------------------------------------

// A program run as a child: its name for messages and the file to run, empty
// when it was not found.
struct Program {
    std::string name;
    std::string path;
};

Program korvo() { return {"korvo", KORVO_BINARY}; }

// The first executable `name` in a folder of PATH, as sh would find it.
std::string findOnPath(const std::string& name)
{
    const char* path = std::getenv("PATH");
    std::string folders = path ? path : "";
    for (size_t start = 0;;) {
        const size_t end = folders.find(':', start);
        const std::string folder = folders.substr(start, end == std::string::npos ? std::string::npos : end - start);
        const fs::path candidate = fs::path(folder.empty() ? "." : folder) / name;
        std::error_code ignored;
        if (fs::is_regular_file(candidate, ignored) && access(candidate.c_str(), X_OK) == 0) {
            return candidate.string();
        }
        if (end == std::string::npos) return {};
        start = end + 1;
    }
}

Program sox()
{
    static const std::string path = findOnPath("sox");
    return {"sox", path};
}

// Runs `program` with `args`, its output and messages to /dev/null; true if it
// exited with status 0.
bool runChild(const Program& program, const std::vector<std::string>& args)
{
    std::vector<std::string> words{program.path};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int failed = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (failed) return false;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return false;
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::vector<std::string> renderOne()
{
    std::vector<std::string> args{"render", longFile().string(), (workDir / "one-out.wav").string()};
    args.insert(args.end(), std::begin(kSettings), std::end(kSettings));
    return args;
}

std::vector<std::string> renderBatch(int jobs)
{
    std::vector<std::string> args{"render", batchDir().string(), "-o", (workDir / "batch-out").string(),
                                  "-j", std::to_string(jobs)};
    args.insert(args.end(), std::begin(kSettings), std::end(kSettings));
    return args;
}

// The song through one bell into song-out.wav, as a 32-bit float WAV or as a
// 16-bit WAV. Both programs add TPDF dither to 16 bits by default: korvo's of one
// step, the same in every render; sox's (its automatic `dither` effect, which
// `sox -V3` lists in the chain) seeded afresh each run, since -R is not given.
fs::path songOutput() { return workDir / "song-out.wav"; }

std::vector<std::string> korvoBell(bool sixteenBits)
{
    std::vector<std::string> args{"render", songFile().string(), songOutput().string()};
    args.insert(args.end(), std::begin(kBellKorvo), std::end(kBellKorvo));
    if (sixteenBits) args.insert(args.end(), {"--bits", "16"});
    return args;
}

std::vector<std::string> soxBell(bool sixteenBits)
{
    std::vector<std::string> args{songFile().string()};
    if (sixteenBits) {
        args.insert(args.end(), {"-b", "16"});
    } else {
        args.insert(args.end(), {"-e", "floating-point", "-b", "32"});
    }
    args.push_back(songOutput().string());
    args.insert(args.end(), std::begin(kBellSox), std::end(kBellSox));
    return args;
}

// Processor time so far, in seconds: this process's (RUSAGE_SELF) or that of
// the children waited for (RUSAGE_CHILDREN).
struct Usage {
    double user = 0.0, system = 0.0;
};

Usage usage(int who)
{
    rusage u{};
    getrusage(who, &u);
    return {double(u.ru_utime.tv_sec) + 1e-6 * double(u.ru_utime.tv_usec),
            double(u.ru_stime.tv_sec) + 1e-6 * double(u.ru_stime.tv_usec)};
}

// Adds up the processor time of the timed work, and reports it per iteration.
class WorkTime {
public:
    explicit WorkTime(int who) : who_(who) {}
    void start() { before_ = usage(who_); }
    void stop()
    {
        const Usage after = usage(who_);
        user_ += after.user - before_.user;
        system_ += after.system - before_.system;
    }
    void report(benchmark::State& state) const
    {
        state.counters["cpu"] = benchmark::Counter(user_ + system_, benchmark::Counter::kAvgIterations);
        state.counters["sys"] = benchmark::Counter(system_, benchmark::Counter::kAvgIterations);
    }

private:
    int who_;
    Usage before_;
    double user_ = 0.0, system_ = 0.0;
};

// A file a case writes: the number of frames it should have and, where it
// matters, its libsndfile sample format (0: any).
struct Output {
    fs::path path;
    sf_count_t frames;
    int samples = 0;
};
using Outputs = std::vector<Output>;

bool isWritten(const Output& output)
{
    SF_INFO info{};
    SNDFILE* file = sf_open(output.path.c_str(), SFM_READ, &info);
    if (!file) return false;
    sf_close(file);
    return info.channels == kChannels && info.frames == output.frames &&
           (output.samples == 0 || (info.format & SF_FORMAT_SUBMASK) == output.samples);
}

Outputs oneOutput() { return {{workDir / "one-out.wav", sf_count_t(kLongSeconds) * kRate}}; }

Outputs batchOutputs()
{
    Outputs outputs;
    for (const fs::path& file : shortFiles()) {
        outputs.push_back({workDir / "batch-out" / file.filename(), sf_count_t(kShortSeconds) * kRate});
    }
    return outputs;
}

Outputs songOutputs(bool sixteenBits)
{
    return {{songOutput(), sf_count_t(kSongSeconds) * kSongRate, sixteenBits ? SF_FORMAT_PCM_16 : SF_FORMAT_FLOAT}};
}

void removeOutputs()
{
    std::error_code ignored;
    fs::remove(workDir / "one-out.wav", ignored);
    fs::remove_all(workDir / "batch-out", ignored);
    fs::remove(songOutput(), ignored);
}

// ---- The cases -----------------------------------------------------------------

void finish(benchmark::State& state, int seconds)
{
    if (seconds > 0) {
        state.counters["x realtime"] =
            benchmark::Counter(double(state.iterations()) * seconds, benchmark::Counter::kIsRate);
    }
}

bool copyBatchOnce(const std::vector<fs::path>& files)
{
    fs::create_directory(workDir / "batch-out");
    bool ok = true;
    for (const fs::path& file : files) ok = ok && copyFile(file, workDir / "batch-out" / file.filename());
    return ok;
}

void copyCase(benchmark::State& state, bool batch, int seconds)
{
    const std::vector<fs::path> files = shortFiles();
    const auto once = [&] { return batch ? copyBatchOnce(files) : copyFile(longFile(), workDir / "one-out.wav"); };
    removeOutputs();
    const bool warm = once();
    removeOutputs();
    if (!warm) {
        state.SkipWithError("the copy failed");
        return;
    }
    WorkTime work(RUSAGE_SELF);
    for (auto _ : state) {
        work.start();
        const bool ok = once();
        work.stop();
        state.PauseTiming();
        removeOutputs();
        if (!ok) {
            state.SkipWithError("the copy failed");
            break;
        }
        state.ResumeTiming();
    }
    work.report(state);
    finish(state, seconds);
}

// Times `program` with `args` as a child process, korvo or sox alike.
void childCase(benchmark::State& state, const Program& program, const std::vector<std::string>& args,
               const Outputs& outputs, int seconds)
{
    if (program.path.empty()) {
        state.SkipWithError((program.name + " was not found on PATH: this case is skipped").c_str());
        return;
    }
    // One untimed render, whose outputs are checked, so that a render which
    // writes the wrong thing cannot pass for a fast one.
    removeOutputs();
    if (!runChild(program, args)) {
        state.SkipWithError((program.name + " failed (run it by hand to see why)").c_str());
        return;
    }
    for (const Output& output : outputs) {
        if (!isWritten(output)) {
            state.SkipWithError((program.name + " did not write " + output.path.string() + " as expected").c_str());
            return;
        }
    }
    removeOutputs();
    WorkTime work(RUSAGE_CHILDREN);
    for (auto _ : state) {
        work.start();
        const bool ok = runChild(program, args);
        work.stop();
        state.PauseTiming();
        removeOutputs();
        if (!ok) {
            state.SkipWithError((program.name + " failed").c_str());
            break;
        }
        state.ResumeTiming();
    }
    work.report(state);
    finish(state, seconds);
}

void korvoCase(benchmark::State& state, const std::vector<std::string>& args, const Outputs& outputs, int seconds)
{
    childCase(state, korvo(), args, outputs, seconds);
}

// The bell on the song, by korvo or by sox.
void bellCase(benchmark::State& state, bool bySox, bool sixteenBits)
{
    const Program program = bySox ? sox() : korvo();
    if (!program.path.empty() && !haveSong()) {  // a missing program is reported as such
        state.SkipWithError(("cannot write " + songFile().string()).c_str());
        return;
    }
    childCase(state, program, bySox ? soxBell(sixteenBits) : korvoBell(sixteenBits), songOutputs(sixteenBits),
              kSongSeconds);
}

// ---- Reporting -----------------------------------------------------------------

// Wall time per iteration by case name: the fastest repetition, and the median
// of the repetitions, which is all there is with --benchmark_report_aggregates_only.
std::map<std::string, double> fastestOf, medianOf, secondsOf;

class Reporter : public benchmark::ConsoleReporter {
public:
    // Colours only on a terminal, so that a run piped into a file reads plainly.
    Reporter() : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_Defaults : OO_Tabular) {}

    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            if (run.error_occurred || run.iterations == 0) continue;
            const double seconds = run.GetAdjustedRealTime() / 1e3;  // the unit is ms
            const std::string name = run.run_name.function_name;
            if (run.run_type == Run::RT_Iteration) {
                const auto known = fastestOf.find(name);
                fastestOf[name] = known == fastestOf.end() ? seconds : std::min(known->second, seconds);
            } else if (run.aggregate_name == "median") {
                medianOf[name] = seconds;
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

// One line of a table of ratios: its label, then the cases divided.
struct Ratio {
    const char* what;
    const char* slow;
    const char* fast;
};

// The title and those of the lines whose two cases both ran; false if none did.
bool printRatioTable(const char* title, const char* which, const std::vector<Ratio>& ratios)
{
    bool titled = false;
    for (const Ratio& ratio : ratios) {
        const auto a = secondsOf.find(ratio.slow), b = secondsOf.find(ratio.fast);
        if (a == secondsOf.end() || b == secondsOf.end()) continue;
        if (!titled) std::printf("\n%s (%s):\n", title, which);
        titled = true;
        std::printf("  %-34s %6.0f ms / %6.0f ms = %5.2fx\n", ratio.what, 1e3 * a->second, 1e3 * b->second,
                    a->second / b->second);
    }
    return titled;
}

void printRatios()
{
    if (fastestOf.empty() && medianOf.empty()) return;
    const bool fastest = !fastestOf.empty();
    secondsOf = fastest ? fastestOf : medianOf;
    const char* which = fastest ? "fastest repetition" : "median of the repetitions";
    const bool copies =
        printRatioTable("Wall time against the plain copy of the same audio", which,
                        {{"render one file / copy:", "korvo render/one file", "copy/one file"},
                         {"render 20 files -j 1 / copy:", "korvo render -j 1/20 files", "copy/20 files"},
                         {"render 20 files -j 2 / copy:", "korvo render -j 2/20 files", "copy/20 files"},
                         {"render 20 files -j 1 / -j 2:", "korvo render -j 1/20 files", "korvo render -j 2/20 files"}});
    const auto version = secondsOf.find("korvo start-up/--version"), info = secondsOf.find("korvo start-up/info");
    if (version != secondsOf.end() && info != secondsOf.end()) {
        std::printf("%s  korvo --version: %.1f ms, korvo info (loads the module): %.1f ms\n", copies ? "" : "\n",
                    1e3 * version->second, 1e3 * info->second);
    }
    printRatioTable("Wall time of korvo against sox, one bell on 5 min of 44.1 kHz 16-bit stereo", which,
                    {{"korvo / sox, 32-bit float WAV:", "against sox/korvo, float", "against sox/sox, float"},
                     {"korvo / sox, 16-bit WAV:", "against sox/korvo, 16-bit", "against sox/sox, 16-bit"}});
}

void registerAll()
{
    const auto add = [](const char* name, auto body, int iterations = kIterations) {
        benchmark::RegisterBenchmark(name, body)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime()
            ->Iterations(iterations);
    };
    add("copy/one file", [](benchmark::State& state) { copyCase(state, false, kLongSeconds); });
    add("korvo start-up/--version", [](benchmark::State& state) { korvoCase(state, {"--version"}, {}, 0); });
    add("korvo start-up/info", [](benchmark::State& state) { korvoCase(state, {"info"}, {}, 0); });
    add("korvo render/one file",
        [](benchmark::State& state) { korvoCase(state, renderOne(), oneOutput(), kLongSeconds); });
    add("copy/20 files", [](benchmark::State& state) { copyCase(state, true, kShortFiles * kShortSeconds); });
    add("korvo render -j 1/20 files",
        [](benchmark::State& state) { korvoCase(state, renderBatch(1), batchOutputs(), kShortFiles * kShortSeconds); });
    add("korvo render -j 2/20 files",
        [](benchmark::State& state) { korvoCase(state, renderBatch(2), batchOutputs(), kShortFiles * kShortSeconds); });
    add("against sox/korvo, float", [](benchmark::State& state) { bellCase(state, false, false); }, kSongIterations);
    add("against sox/sox, float", [](benchmark::State& state) { bellCase(state, true, false); }, kSongIterations);
    add("against sox/korvo, 16-bit", [](benchmark::State& state) { bellCase(state, false, true); }, kSongIterations);
    add("against sox/sox, 16-bit", [](benchmark::State& state) { bellCase(state, true, true); }, kSongIterations);
}

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;

    std::string pattern = (fs::temp_directory_path() / "korvo-render-bench-XXXXXX").string();
    if (!mkdtemp(pattern.data())) {
        std::perror("korvo_render_bench: a temporary folder");
        return 1;
    }
    workDir = pattern;
    int status = 0;
    if (makeSignals()) {
        registerAll();
        Reporter reporter;
        benchmark::RunSpecifiedBenchmarks(&reporter);
        printRatios();
    } else {
        std::fprintf(stderr, "korvo_render_bench: cannot write the test signals in %s\n", workDir.c_str());
        status = 1;
    }
    std::error_code ignored;
    fs::remove_all(workDir, ignored);
    benchmark::Shutdown();
    return status;
}
