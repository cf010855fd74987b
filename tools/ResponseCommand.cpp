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

const char* const kResponseUsage =
    "usage: korvo response [--set NAME=VALUE]... [--preset FILE] [--rate R] [-o FILE.svg] [--csv FILE]\n"
    "\n"
    "Measures the plug-in's magnitude response: an impulse through the module at rate R\n"
    "(default 48000 Hz) and its spectrum. Prints the bands, and the peak and lowest\n"
    "points; -o writes a plot on a log-frequency axis from 20 Hz to 20 kHz, --csv every\n"
    "measured point as frequency and dB.\n"
    "\n"
    KORVO_SET_HELP
    "  --preset FILE       load a program (.fxp) or bank (.fxb) file first\n"
    "  --rate R            the sample rate to measure at, 8000 to 768000 Hz: 44100,\n"
    "                      44.1k or 44.1kHz\n"
    "  -o FILE.svg         write the plot\n"
    "  --csv FILE          write every measured point as frequency,dB lines\n"
    "  --force             load a preset made for another plug-in\n";

}  // namespace

int runResponse(const CommandLine& line)
{
    if (line.help) return std::fputs(kResponseUsage, stdout), 0;
    if (!line.words.empty()) return usageError("response takes no file arguments; use -o and --csv", kResponseUsage);
    double rate = 48000;
    std::string error;
    if (line.has("--rate") &&
        !parseQuantityOption(line, "--rate", Quantity::Frequency, "a sample rate", 8000, 768000, rate, error)) {
        return usageError(error, kResponseUsage);
    }
    if (line.has("-o") && !endsWith(line.get("-o"), ".svg")) return fail("the plot is SVG: -o FILE.svg");
    PluginHost host;
    if (!prepareHost(line, host, error)) return fail(error);

    const std::vector<BandMarker> markers = bandMarkers(host, rate);
    const MeasuredResponse measured = measureResponse(host, rate);
    const std::vector<ResponsePoint>& response = measured.points;
    const ResponsePoint& peak = measured.peak;
    const ResponsePoint& dip = measured.dip;
    std::printf("%s\n", responseTitle(markers, rate).c_str());
    std::printf("active bands: %s\n", activeBands(markers).c_str());
    std::printf("peak %+.2f dB at %.1f Hz, lowest %+.2f dB at %.1f Hz\n", peak.db, peak.frequency, dip.db,
                dip.frequency);
    if (line.has("-o")) {
        PlotOptions options;
        options.title = responseTitle(markers, rate);
        if (!writeText(line.get("-o"), renderResponseSvg(response, markers, options), error)) return fail(error);
        std::printf("wrote %s\n", line.get("-o").c_str());
    }
    if (line.has("--csv")) {
        if (!writeText(line.get("--csv"), renderResponseCsv(response), error)) return fail(error);
        std::printf("wrote %s\n", line.get("--csv").c_str());
    }
    return 0;
}
