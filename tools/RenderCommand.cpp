#include "tools/Commands.h"
#include "tools/CommandSupport.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
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
    "usage: korvo render IN OUT [--set NAME=VALUE]... [--preset FILE] [--save-preset FILE] [--block N] [--force]\n"
    "\n"
    "Runs IN (WAV, AIFF, FLAC, OGG, ...; mono feeds both channels) through the plug-in at\n"
    "the file's own sample rate and writes OUT in the format its extension names\n"
    "(.wav and .aiff: 32-bit float; .flac: 24-bit; .ogg: Vorbis).\n"
    "\n"
    "  --set NAME=VALUE    set a parameter in its unit, written or not: A-Freq=1000 or\n"
    "                      1000Hz, B-Freq=2.5kHz, LS-Gain=-6 or -6dB, A-Q=0.7 (the Q);\n"
    "                      a normalised value 0..1 ends in n: A-Gain=0.7n. `korvo info`\n"
    "                      lists each parameter's range\n"
    "  --preset FILE       load a program (.fxp) or bank (.fxb) file first\n"
    "  --save-preset FILE  save the settings used as a .fxp or .fxb file\n"
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

// Renders a file to a file block by block, so files of any length fit in memory.
bool renderFile(PluginHost& host, AudioReader& reader, AudioWriter& writer, int block, std::string& error)
{
    const auto size = static_cast<std::size_t>(block);
    std::vector<float> inLeft(size), inRight(size), outLeft(size), outRight(size);
    Progress progress(reader.frames(), reader.sampleRate());
    long long done = 0;
    host.start(reader.sampleRate(), block);
    for (;;) {
        const std::size_t n = reader.read(inLeft.data(), inRight.data(), size);
        if (n == 0) break;
        float* ins[2] = {inLeft.data(), inRight.data()};
        float* outs[2] = {outLeft.data(), outRight.data()};
        host.process(ins, outs, static_cast<VstInt32>(n));
        if (!writer.write(outLeft.data(), outRight.data(), n, error)) {
            host.stop();
            return false;
        }
        done += static_cast<long long>(n);
        progress.update(done);
    }
    host.stop();
    return !reader.failed(error);
}

}  // namespace

int runRender(const CommandLine& line)
{
    if (line.help) return std::fputs(kRenderUsage, stdout), 0;
    if (line.words.size() != 2) return usageError("render needs IN and OUT", kRenderUsage);
    const std::string& inPath = line.words[0];
    const std::string& outPath = line.words[1];
    double block = 512;
    if (line.has("--block") && !parsePositive(line.get("--block"), 1, 1 << 20, block)) {
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

    AudioReader reader;
    if (!reader.open(inPath, error)) return fail(error);
    PluginHost host;
    if (!loadHost(line, host, error)) return fail(error);
    if (line.has("--preset") && !applyPreset(host, line.get("--preset"), line.force, error)) return fail(error);
    if (!applySettings(host, line.settings, error)) return fail(error);

    AudioWriter writer;
    if (!writer.open(outPath, reader.sampleRate(), error)) return fail(error);
    if (!renderFile(host, reader, writer, static_cast<int>(block), error) || !writer.finish(error)) return fail(error);
    if (line.has("--save-preset") && !savePreset(host, line.get("--save-preset"), error)) return fail(error);
    std::printf("rendered %.2f s at %d Hz through %s: %s\n",
                static_cast<double>(reader.frames()) / reader.sampleRate(), reader.sampleRate(),
                host.effectName().c_str(), outPath.c_str());
    return 0;
}
