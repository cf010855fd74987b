#include "tools/Commands.h"
#include "tools/CommandSupport.h"
#include "tools/LevelMeter.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <mutex>
#include <set>
#include <thread>

#include <unistd.h>

#include "tools/AudioReader.h"
#include "tools/AudioWriter.h"
#include "tools/OutputFormat.h"
#include "tools/PluginHost.h"
#include "tools/WholeFile.h"
#include "eq/ParameterParser.h"
#include "eq/Parameters.h"

namespace {

const char* const kRenderUsage =
    "usage: korvo render IN OUT [--set NAME=VALUE]... [--preset FILE|NAME]\n"
    "                    [--save-preset FILE] [--gain DB | --normalize DBFS]\n"
    "                    [--format F] [--bits B] [--no-dither] [--quality Q]\n"
    "                    [--channels 1] [--block N] [--allow-truncated] [--force]\n"
    "       korvo render IN... -o DIR [-j N] [options]\n"
    "\n"
    "Runs IN (WAV, AIFF, FLAC, OGG, ...; mono feeds both channels) through the plug-in at\n"
    "the file's own sample rate and writes OUT in the format its extension names:\n"
    ".wav, .aiff, .caf and .w64 as 32-bit float, .flac as 24-bit, .ogg as Vorbis. IN -\n"
    "reads standard input (a pipe, in any of those formats); OUT - streams to standard\n"
    "output as the render goes, in the --format given. The input's tags (title,\n"
    "artist...) are copied where the format holds them. It reports the peak of what\n"
    "it wrote, and warns of samples over full scale (an integer or FLAC file clips\n"
    "them). An input that ends before its header says is refused, as is one at a\n"
    "sample rate the plug-in does not run at: it runs at 1 kHz to 192 kHz.\n"
    "\n"
    KORVO_SET_HELP
    KORVO_PRESET_HELP
    "  --save-preset FILE  save the settings used as a .fxp or .fxb file (- writes a\n"
    "                      .fxp to standard output)\n"
    "  --gain DB           trim the output by DB decibels, after the plug-in (-3 or -3dB)\n"
    "  --normalize DBFS    bring the output's peak to DBFS (-1 or -1dBFS), in two passes\n"
    "  --format F          wav, aiff, flac, ogg, caf or w64: the format of standard\n"
    "                      output, or of a batch's outputs (which it renames); OUT's\n"
    "                      extension, when it names one, must agree\n"
    "  --bits B            16, 24, 32 (integers) or float; FLAC takes 16 or 24\n"
    "  --no-dither         round to 16 or 24 bits without dither (by default, TPDF\n"
    "                      dither of one step, the same in every render)\n"
    "  --quality Q         Ogg Vorbis quality, 0 (smallest) to 10 (best); default 4\n"
    "  --channels 1        write a mono input's output as mono: the left channel, which\n"
    "                      carries the same result as the right\n"
    "  --block N           frames per processing block (default 512)\n"
    "  -o DIR              render each IN (a file, or a folder's .wav, .aif(f), .flac,\n"
    "                      .ogg, .caf and .w64 files; each other file is named, skipped)\n"
    "                      into DIR under its own name (with --format, its extension);\n"
    "                      a failure is reported and the others go on (status 1 if any\n"
    "                      failed)\n"
    "  -j N                render N files at once, each through its own plug-in\n"
    "                      (default: one per processor core)\n"
    "  --allow-truncated   render what there is of an input cut short, with a warning\n"
    "  --force             load a preset made for another plug-in\n";

// The help names the rates the equaliser runs at.
static_assert(kMinSampleRate == 1000.0 && kMaxSampleRate == 192000.0, "korvo render --help names the rates");

// Shows how far a render has got, on a terminal only and only for long files.
class Progress {
public:
    Progress(long long totalFrames, int sampleRate)
        : total(totalFrames), shown(isatty(STDERR_FILENO) && totalFrames > 3LL * sampleRate)
    {
    }
    ~Progress()
    {
        if (shown && last >= 0) std::fputs("\n", stderr);
    }
    void update(long long done)
    {
        if (!shown || total <= 0) return;
        const int percent = static_cast<int>(100.0 * static_cast<double>(done) / static_cast<double>(total));
        if (percent == last) return;
        last = percent;
        const int filled = std::min(30, percent * 30 / 100);
        std::fprintf(stderr, "\rrendering [%.*s%.*s] %3d%%", filled, "##############################", 30 - filled,
                     "..............................", percent);
    }

private:
    long long total;
    bool shown;
    int last = -1;
};

// Renders a file block by block, so files of any length fit in memory: the
// plug-in's output, times the trim gain, is measured and, when there is a
// writer, written.
bool renderFile(PluginHost& host, AudioReader& reader, AudioWriter* writer, int block, float gain, bool mono,
                LevelMeter& meter, bool showProgress, std::string& error)
{
    const auto size = static_cast<std::size_t>(block);
    std::vector<float> inLeft(size), inRight(size), outLeft(size), outRight(size);
    Progress progress(writer && showProgress ? reader.frames() : 0, reader.sampleRate());
    long long done = 0;
    host.start(reader.sampleRate(), block);
    for (;;) {
        const std::size_t n = reader.read(inLeft.data(), inRight.data(), size);
        if (n == 0) break;
        float* ins[2] = {inLeft.data(), inRight.data()};
        float* outs[2] = {outLeft.data(), outRight.data()};
        host.process(ins, outs, static_cast<VstInt32>(n));
        if (gain != 1.0f) {
            for (std::size_t i = 0; i < n; ++i) {
                outLeft[i] *= gain;
                outRight[i] *= gain;
            }
        }
        meter.add(outLeft.data(), mono ? nullptr : outRight.data(), n);
        if (writer && !writer->write(outLeft.data(), outRight.data(), n, error)) {
            host.stop();
            return false;
        }
        done += static_cast<long long>(n);
        progress.update(done);
    }
    host.stop();
    return !reader.failed(error);
}

// A level, 1.0 being full scale, in dBFS.
std::string decibels(double level)
{
    if (!(level > 0.0)) return "-inf dBFS";
    char text[32];
    std::snprintf(text, sizeof text, "%+.2f dBFS", 20.0 * std::log10(level));
    return text;
}

}  // namespace

namespace {

// What every file of one render shares.
struct RenderJob {
    const CommandLine* line;
    int block;
    bool normalize;
    double target;    // the peak --normalize asks for, in dBFS
    double gainDb;    // --gain
    bool showProgress;
    std::string container;  // --format
    std::string bits;       // --bits
    bool mono;              // --channels 1
    double quality;         // --quality, -1 when not given
};

// Renders one file. On success, `report` holds the line for stdout and
// `warning` the one for stderr, if any.
bool renderOne(const RenderJob& job, const std::string& inPath, const std::string& outPath, std::string& report,
               std::string& warning, std::string& error)
{
    const CommandLine& line = *job.line;
    OutputFormat format;
    format.dither = !line.noDither;
    if (!chooseOutputFormat(outPath, job.container, job.bits, format, error)) return false;
    if (job.quality >= 0.0 && format.container != "ogg") {
        error = "--quality applies to Ogg Vorbis, not to " + format.describe();
        return false;
    }
    format.quality = job.quality;
    std::error_code unknown;
    if (inPath != "-" && outPath != "-" && std::filesystem::equivalent(inPath, outPath, unknown)) {
        error = "cannot write '" + outPath + "': it is the input itself, which korvo does not replace";
        return false;
    }
    auto reader = std::make_unique<AudioReader>();
    auto host = std::make_unique<PluginHost>();
    {
        // A pipe is copied whole before anything is written, which takes as long
        // as what feeds it: an interruption meanwhile is said as during the write.
        const RemoveOnInterrupt interrupted(outPath);
        if (!reader->open(inPath, error)) return false;
    }
    // The settings are read at the rate they are used at, the input's.
    if (!prepareHost(line, *host, error, reader->sampleRate())) return false;
    const std::string shownIn = inPath == "-" ? "standard input" : inPath;
    warning.clear();
    if (reader->truncated()) {
        // Found before anything is written: a damaged file is never taken silently.
        if (!line.allowTruncated) {
            error = reader->truncation() + " (--allow-truncated renders what there is)";
            return false;
        }
        warning = "korvo: warning: " + reader->truncation() + "; rendering what there is\n";
    }
    if (reader->frames() == 0) {
        // Some formats cannot even be written empty.
        error = shownIn + ": no audio in it (0 frames)";
        return false;
    }
    if (job.mono && reader->channels() != 1) {
        error = "--channels 1 writes a mono input as mono, and " + shownIn + " is stereo";
        return false;
    }
    if (job.mono) format.channels = 1;
    for (const std::string& moved : movedFrequencyWarnings(*host, reader->sampleRate())) warning += moved;
    double gainDb = job.gainDb;
    if (job.normalize) {
        // The gain that brings the output's peak to the level, measured in a
        // first pass through a plug-in of its own.
        LevelMeter first;
        if (!renderFile(*host, *reader, nullptr, job.block, 1.0f, job.mono, first, false, error)) return false;
        gainDb = first.peak() > 0.0f ? job.target - first.peakDbfs() : 0.0;
        host = std::make_unique<PluginHost>();
        reader = std::make_unique<AudioReader>();
        if (!reader->open(inPath, error) || !prepareHost(line, *host, error, reader->sampleRate())) return false;
    }
    const auto gain = static_cast<float>(std::pow(10.0, gainDb / 20.0));

    AudioWriter writer;
    LevelMeter level;
    if (!writer.open(outPath, reader->sampleRate(), format, reader->tags(), reader->frames(), error) ||
        !renderFile(*host, *reader, &writer, job.block, gain, job.mono, level, job.showProgress, error) ||
        !writer.finish(error)) {
        return false;
    }
    if (line.has("--save-preset") && !savePreset(*host, line.get("--save-preset"), error)) return false;
    const std::string shownOut = outPath == "-" ? "standard output" : outPath;
    const std::string written = format.describe() + (format.channels == 1 ? ", mono" : "") +
                                (format.integer() && format.bits < 32 && format.dither ? ", dithered" : "");
    // Built as strings: a path may be longer than any fixed buffer.
    char length[64];
    std::snprintf(length, sizeof length, "%.2f s at %d Hz", static_cast<double>(reader->frames()) / reader->sampleRate(),
                  reader->sampleRate());
    // The peak of what the file holds: after rounding and dither for integers.
    const double peak = writer.quantisedPeak() >= 0.0 ? writer.quantisedPeak() : level.peak();
    report = "rendered " + std::string(length) + " through " + host->effectName() + ": " + shownOut + " (" + written +
             "), peak " + decibels(peak) + "\n";
    const auto samples = [](long long n, const std::string& kind) {
        return std::to_string(n) + kind + (n == 1 ? " sample" : " samples");
    };
    if (level.overs() > 0) {
        const char* fate = format.integer()           ? "clipped in the file"
                           : format.container == "ogg" ? "clipped when it is played"
                                                       : "kept in the float file";
        warning += "korvo: warning: " + shownOut + " has " + samples(level.overs(), "") + " over full scale (" +
                   decibels(level.peak()) + " before any clipping), " + fate +
                   "; --gain or --normalize lowers the level\n";
    }
    if (level.notFinite() > 0) {
        warning += "korvo: warning: " + shownOut + " has " + samples(level.notFinite(), " NaN or infinite") + ", " +
                   (format.integer() || format.container == "ogg" ? "written as silence" : "kept in the float file") +
                   "\n";
    }
    if (!writer.lengthMismatch().empty()) warning += "korvo: warning: " + writer.lengthMismatch() + "\n";
    return true;
}

// Several files, or the audio files of folders, each into DIR under its own
// name, N at a time, each through a plug-in of its own.
int renderBatch(const CommandLine& line, RenderJob job)
{
    const std::filesystem::path dir = line.get("-o");
    std::vector<std::string> inputs;
    for (const std::string& word : line.words) {
        std::error_code ignored;
        if (std::filesystem::is_directory(word, ignored)) {
            std::vector<std::string> found, skipped;
            for (const auto& entry : std::filesystem::directory_iterator(word, ignored)) {
                if (!entry.is_regular_file(ignored)) continue;
                const bool audio = isContainerExtension(extensionOf(entry.path().filename().string()));
                (audio ? found : skipped).push_back(entry.path().string());
            }
            std::sort(found.begin(), found.end());
            std::sort(skipped.begin(), skipped.end());
            inputs.insert(inputs.end(), found.begin(), found.end());
            // A folder may hold notes, pictures or playlists beside its audio: each is named.
            for (const std::string& file : skipped) {
                std::fprintf(stderr, "korvo: warning: skipped '%s': not a %s file (name it itself to try it)\n",
                             file.c_str(), containerList().c_str());
            }
        } else {
            inputs.push_back(word);
        }
    }
    if (inputs.empty()) return usageError("render -o DIR needs input files, or folders holding some", kRenderUsage);
    if (line.has("--save-preset")) return usageError("--save-preset goes with a single render", kRenderUsage);
    if (std::find(inputs.begin(), inputs.end(), "-") != inputs.end()) {
        return usageError("standard input goes with a single render, not with -o DIR", kRenderUsage);
    }
    std::vector<std::string> outputs;
    std::set<std::string> taken;
    for (const std::string& input : inputs) {
        std::filesystem::path name = std::filesystem::path(input).filename();
        OutputFormat format;
        std::string unknown;  // an unknown --format is reported by each render
        if (!job.container.empty() && chooseOutputFormat("-", job.container, "", format, unknown)) {
            name.replace_extension(format.container);
        }
        outputs.push_back((dir / name).string());
        if (!taken.insert(outputs.back()).second) return fail("two inputs would both be written to " + outputs.back());
    }
    std::error_code made;
    std::filesystem::create_directories(dir, made);
    if (made) return fail("cannot create " + dir.string() + ": " + made.message());

    double jobs = std::max(1u, std::thread::hardware_concurrency());
    if (line.has("-j") && !parseNumber(line.get("-j"), 1, 64, jobs)) {
        return usageError("-j needs a number of files at once from 1 to 64", kRenderUsage);
    }
    job.showProgress = false;
    const bool terminal = isatty(STDERR_FILENO);
    std::atomic<std::size_t> next{0};
    std::size_t done = 0, failed = 0;
    auto work = [&] {
        for (std::size_t i = next++; i < inputs.size(); i = next++) {
            std::string report, warning, error;
            const bool ok = renderOne(job, inputs[i], outputs[i], report, warning, error);
            const std::lock_guard<std::mutex> hold(terminalLock());
            if (terminal) std::fputs("\r\033[K", stderr);
            if (ok) {
                std::fputs(report.c_str(), stdout);
                std::fflush(stdout);
                std::fputs(warning.c_str(), stderr);
            } else {
                // The file's name once: most reasons name it already.
                const bool named = error.find(inputs[i]) != std::string::npos || error.find(outputs[i]) != std::string::npos;
                std::fprintf(stderr, "korvo: %s%s%s\n", named ? "" : inputs[i].c_str(), named ? "" : ": ", error.c_str());
                ++failed;
            }
            ++done;
            if (terminal) std::fprintf(stderr, "rendering: %zu of %zu files", done, inputs.size());
        }
    };
    std::vector<std::thread> workers;
    for (int k = 1; k < static_cast<int>(jobs) && k < static_cast<int>(inputs.size()); ++k) workers.emplace_back(work);
    work();
    for (std::thread& worker : workers) worker.join();
    if (terminal) std::fputs("\n", stderr);
    if (failed > 0) {
        std::fprintf(stderr, "korvo: %zu of %zu files failed\n", failed, inputs.size());
        return 1;
    }
    return 0;
}

}  // namespace

int runRender(const CommandLine& line)
{
    if (line.help) return std::fputs(kRenderUsage, stdout), 0;
    const bool batch = line.has("-o");
    if (!batch && line.words.size() != 2) return usageError("render needs IN and OUT, or IN... -o DIR", kRenderUsage);
    std::error_code unknown;
    if (!batch && line.words[1] != "-" && std::filesystem::is_directory(line.words[1], unknown)) {
        return usageError("OUT '" + line.words[1] + "' is a folder; to render into it under IN's name, use -o " +
                              line.words[1],
                          kRenderUsage);
    }
    double block = 512;
    if (line.has("--block") && !parseNumber(line.get("--block"), 1, 1 << 20, block)) {
        return usageError("--block needs a whole number of frames from 1 to 1048576", kRenderUsage);
    }
    if (block != std::floor(block)) return usageError("--block needs a whole number of frames", kRenderUsage);
    std::string error;
    const std::string presetOut = line.get("--save-preset");
    if (presetOut == "-" && !batch && line.words[1] == "-") {
        return usageError("the audio and --save-preset cannot both go to standard output", kRenderUsage);
    }
    if (line.has("--save-preset") && presetOut != "-" && !endsWith(presetOut, ".fxp") && !endsWith(presetOut, ".fxb")) {
        return fail("cannot save '" + line.get("--save-preset") + "': a preset file ends in .fxp or .fxb");
    }
    if (!checkSettings(line.settings, error)) return fail(error);
    RenderJob job{&line, static_cast<int>(block), line.has("--normalize"), 0.0, 0.0, true, "", "", false, -1.0};
    if (line.has("--gain") &&
        !parseQuantityOption(line, "--gain", Quantity::Gain, "a gain", -96.0, 48.0, job.gainDb, error)) {
        return usageError(error, kRenderUsage);
    }
    if (job.normalize &&
        !parseQuantityOption(line, "--normalize", Quantity::Level, "a peak level", -96.0, 0.0, job.target, error)) {
        return usageError(error, kRenderUsage);
    }
    if (job.normalize && line.has("--gain")) return usageError("--gain and --normalize do not go together", kRenderUsage);
    job.container = line.get("--format");
    job.bits = line.get("--bits");
    // The format's options are checked once, before any file is touched.
    OutputFormat checked;
    if (!chooseOutputFormat("-", job.container.empty() ? "wav" : job.container, job.bits, checked, error)) {
        return usageError(error, kRenderUsage);
    }
    if (!batch && !job.container.empty() && !chooseOutputFormat(line.words[1], job.container, job.bits, checked, error)) {
        return usageError(error, kRenderUsage);  // --format against OUT's extension
    }
    if (!batch && line.words[1] == "-" && job.container.empty()) {
        return usageError("writing to standard output needs --format wav, aiff, flac, ogg, caf or w64", kRenderUsage);
    }
    if (line.has("--quality") && !parseNumber(line.get("--quality"), 0.0, 10.0, job.quality)) {
        return usageError("--quality needs an Ogg Vorbis quality from 0 to 10", kRenderUsage);
    }
    const std::string channels = line.get("--channels", "2");
    if (channels != "1" && channels != "2") return usageError("--channels takes 1 or 2", kRenderUsage);
    job.mono = channels == "1";
    if (batch) return renderBatch(line, job);

    std::string report, warning;
    if (!renderOne(job, line.words[0], line.words[1], report, warning, error)) return fail(error);
    // With the audio or the preset on standard output, what korvo has to say goes to stderr.
    std::fputs(report.c_str(), line.words[1] == "-" || presetOut == "-" ? stderr : stdout);
    std::fputs(warning.c_str(), stderr);
    return 0;
}
