#include "tools/Commands.h"
#include "tools/CommandSupport.h"
#include "tools/LevelMeter.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "eq/EqEffect.h"
#include "eq/Parameters.h"
#include "tools/AudioFile.h"
#include "tools/AudioReader.h"
#include "tools/AudioWriter.h"
#include "tools/DemoSignal.h"
#include "tools/PluginHost.h"
#include "tools/PngEncoder.h"
#include "tools/PresetFile.h"
#include "tools/ResponseMeter.h"
#include "tools/ResponsePlot.h"
#include "tools/SettingParser.h"
#include "tools/WholeFile.h"


namespace {

const char* const kRenderUsage =
    "usage: korvo render IN OUT [--set NAME=VALUE]... [--preset FILE] [--save-preset FILE]\n"
    "                    [--gain DB | --normalize DBFS] [--block N] [--force]\n"
    "\n"
    "Runs IN (WAV, AIFF, FLAC, OGG, ...; mono feeds both channels) through the plug-in at\n"
    "the file's own sample rate and writes OUT in the format its extension names\n"
    "(.wav and .aiff: 32-bit float; .flac: 24-bit; .ogg: Vorbis). It reports the\n"
    "output's peak, and warns of samples over full scale (a FLAC file clips them).\n"
    "\n"
    "  --set NAME=VALUE    set a parameter: a normalised value 0..1, or a value in its\n"
    "                      unit: A-Freq=1000Hz, B-Freq=2.5kHz, LS-Gain=+6dB, A-Q=0.7\n"
    "                      (a Q has no unit: a plain number for A-Q or B-Q is the Q)\n"
    "  --preset FILE       load a program (.fxp) or bank (.fxb) file first\n"
    "  --save-preset FILE  save the settings used as a .fxp or .fxb file\n"
    "  --gain DB           trim the output by DB decibels, after the plug-in\n"
    "  --normalize DBFS    bring the output's peak to DBFS (e.g. -1), in two passes\n"
    "  --block N           frames per processing block (default 512)\n"
    "  --force             load a preset made for another plug-in\n";

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
bool renderFile(PluginHost& host, AudioReader& reader, AudioWriter* writer, int block, float gain, LevelMeter& meter,
                std::string& error)
{
    const auto size = static_cast<std::size_t>(block);
    std::vector<float> inLeft(size), inRight(size), outLeft(size), outRight(size);
    Progress progress(writer ? reader.frames() : 0, reader.sampleRate());
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
        meter.add(outLeft.data(), outRight.data(), n);
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

// A fresh plug-in with the command's preset and settings.
bool prepareHost(const CommandLine& line, PluginHost& host, std::string& error)
{
    return loadHost(line, host, error) &&
           (!line.has("--preset") || applyPreset(host, line.get("--preset"), line.force, error)) &&
           applySettings(host, line.settings, error);
}

std::string decibels(double db)
{
    if (std::isinf(db)) return "-inf dBFS";
    char text[32];
    std::snprintf(text, sizeof text, "%+.2f dBFS", db);
    return text;
}

}  // namespace

int runRender(const CommandLine& line)
{
    if (line.help) return std::fputs(kRenderUsage, stdout), 0;
    if (line.words.size() != 2) return usageError("render needs IN and OUT", kRenderUsage);
    const std::string& inPath = line.words[0];
    const std::string& outPath = line.words[1];
    double block = 512;
    if (line.has("--block") && !parseNumber(line.get("--block"), 1, 1 << 20, block)) {
        return usageError("--block needs a whole number of frames from 1 to 1048576", kRenderUsage);
    }
    if (block != std::floor(block)) return usageError("--block needs a whole number of frames", kRenderUsage);
    std::string error;
    if (!AudioWriter::canWrite(outPath, error)) return fail(error);
    if (line.has("--save-preset") && !endsWith(line.get("--save-preset"), ".fxp") &&
        !endsWith(line.get("--save-preset"), ".fxb")) {
        return fail("cannot save '" + line.get("--save-preset") + "': a preset file ends in .fxp or .fxb");
    }
    for (const std::string& setting : line.settings) {
        Setting parsed{};
        if (!parseSetting(setting, parsed, error)) return fail(error);
    }

    // The trim: a gain in dB, or the gain that brings the output's peak to
    // a level, measured in a first pass through a plug-in of its own.
    double gainDb = 0.0;
    if (line.has("--gain") && !parseNumber(line.get("--gain"), -96.0, 48.0, gainDb)) {
        return usageError("--gain needs a number of dB from -96 to +48", kRenderUsage);
    }
    double target = 0.0;
    const bool normalize = line.has("--normalize");
    if (normalize && !parseNumber(line.get("--normalize"), -96.0, 0.0, target)) {
        return usageError("--normalize needs a peak level in dBFS from -96 to 0", kRenderUsage);
    }
    if (normalize && line.has("--gain")) return usageError("--gain and --normalize do not go together", kRenderUsage);

    auto reader = std::make_unique<AudioReader>();
    auto host = std::make_unique<PluginHost>();
    if (!reader->open(inPath, error)) return fail(error);
    if (!prepareHost(line, *host, error)) return fail(error);
    if (normalize) {
        LevelMeter first;
        if (!renderFile(*host, *reader, nullptr, static_cast<int>(block), 1.0f, first, error)) return fail(error);
        gainDb = first.peak() > 0.0f ? target - first.peakDbfs() : 0.0;
        host = std::make_unique<PluginHost>();
        reader = std::make_unique<AudioReader>();
        if (!reader->open(inPath, error) || !prepareHost(line, *host, error)) return fail(error);
    }
    const auto gain = static_cast<float>(std::pow(10.0, gainDb / 20.0));

    AudioWriter writer;
    LevelMeter level;
    if (!writer.open(outPath, reader->sampleRate(), error)) return fail(error);
    if (!renderFile(*host, *reader, &writer, static_cast<int>(block), gain, level, error) || !writer.finish(error)) {
        return fail(error);
    }
    if (line.has("--save-preset") && !savePreset(*host, line.get("--save-preset"), error)) return fail(error);
    std::printf("rendered %.2f s at %d Hz through %s: %s, peak %s\n",
                static_cast<double>(reader->frames()) / reader->sampleRate(), reader->sampleRate(),
                host->effectName().c_str(), outPath.c_str(), decibels(level.peakDbfs()).c_str());
    if (level.overs() > 0) {
        const bool integer = endsWith(outPath, ".flac");
        std::fprintf(stderr, "korvo: warning: %s has %lld samples over full scale (peak %s), %s; --gain or "
                             "--normalize lowers the level\n",
                     outPath.c_str(), level.overs(), decibels(level.peakDbfs()).c_str(),
                     integer ? "clipped in the file" : "kept in the float file");
    }
    return 0;
}
