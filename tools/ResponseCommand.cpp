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
#include "eq/ParameterParser.h"
#include "tools/WholeFile.h"


namespace {

const char* const kResponseUsage =
    "usage: korvo response [--set NAME=VALUE]... [--preset FILE|NAME] [--rate R]\n"
    "                      [-o FILE.svg] [--csv FILE]\n"
    "\n"
    "Measures the plug-in's magnitude response: an impulse through the module at rate R\n"
    "(default 48000 Hz) and its spectrum. Prints the bands, and the peak and lowest\n"
    "points; -o writes a plot on a log-frequency axis from 20 Hz to 20 kHz, --csv every\n"
    "measured point as frequency and dB. Either may be - for standard output (not both);\n"
    "the report then goes to stderr. A band frequency above what the rate allows is\n"
    "reported with the frequency the band works at.\n"
    "\n"
    KORVO_SET_HELP
    KORVO_PRESET_HELP
    "  --rate R            the sample rate to measure at, 8000 to 192000 Hz: 44100,\n"
    "                      44.1k or 44.1kHz\n"
    "  -o FILE.svg         write the plot; - writes it to standard output\n"
    "  --csv FILE          write every measured point as frequency,dB lines; - writes\n"
    "                      them to standard output\n"
    "  --force             load a preset made for another plug-in\n";

// The help's highest --rate is the highest rate the equaliser runs at.
static_assert(kMaxSampleRate == 192000.0, "korvo response --help names the highest rate");

}  // namespace

int runResponse(const CommandLine& line)
{
    if (line.help) return std::fputs(kResponseUsage, stdout), 0;
    if (!line.words.empty()) return usageError("response takes no file arguments; use -o and --csv", kResponseUsage);
    double rate = 48000;
    std::string error;
    if (line.has("--rate") &&
        !parseQuantityOption(line, "--rate", Quantity::Frequency, "a sample rate", 8000, kMaxSampleRate, rate,
                             error)) {
        return usageError(error, kResponseUsage);
    }
    const std::string plot = line.get("-o"), table = line.get("--csv");
    if (isStandardOutput(plot) && isStandardOutput(table)) {
        return usageError("-o - and --csv - would both write standard output; send one to a file", kResponseUsage);
    }
    if (line.has("-o") && !isStandardOutput(plot) && !endsWith(plot, ".svg")) {
        return fail("the plot is SVG: -o FILE.svg");
    }
    // With data on standard output, what korvo has to say goes to stderr.
    std::FILE* const report = isStandardOutput(plot) || isStandardOutput(table) ? stderr : stdout;
    PluginHost host;
    if (!prepareHost(line, host, error, rate)) return fail(error);
    for (const std::string& warning : movedFrequencyWarnings(host, rate)) std::fputs(warning.c_str(), stderr);

    const std::vector<BandMarker> markers = bandMarkers(host, rate);
    const MeasuredResponse measured = measureResponse(host, rate);
    const std::vector<ResponsePoint>& response = measured.points;
    const ResponsePoint& peak = measured.peak;
    const ResponsePoint& dip = measured.dip;
    std::fprintf(report, "%s\n", responseTitle(markers, rate).c_str());
    std::fprintf(report, "active bands: %s\n", activeBands(markers).c_str());
    std::fprintf(report, "peak %+.2f dB at %.1f Hz, lowest %+.2f dB at %.1f Hz\n", peak.db, peak.frequency, dip.db,
                 dip.frequency);
    if (line.has("-o")) {
        PlotOptions options;
        options.title = responseTitle(markers, rate);
        if (!writeText(plot, renderResponseSvg(response, markers, options), error)) return fail(error);
        std::fprintf(report, "wrote %s\n", shownPath(plot).c_str());
    }
    if (line.has("--csv")) {
        if (!writeText(table, renderResponseCsv(response), error)) return fail(error);
        std::fprintf(report, "wrote %s\n", shownPath(table).c_str());
    }
    return 0;
}
