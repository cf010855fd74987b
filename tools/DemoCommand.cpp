#include "tools/Commands.h"
#include "tools/CommandSupport.h"
#include "tools/LevelMeter.h"

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

const char* const kDemoUsage =
    "usage: korvo demo [--out DIR]\n"
    "\n"
    "Generates a test signal (pink noise, a sine sweep and a drum pattern), renders it\n"
    "through the plug-in with all four bands active, and writes input.wav, output.wav,\n"
    "response.svg and preset.fxp into DIR (default korvo-demo).\n";

}  // namespace

int runDemo(const CommandLine& line)
{
    if (line.help) return std::fputs(kDemoUsage, stdout), 0;
    if (!line.words.empty()) return usageError("demo takes no arguments", kDemoUsage);
    const std::filesystem::path out = line.get("--out", "korvo-demo");
    std::error_code made;
    std::filesystem::create_directories(out, made);
    if (made) return fail("cannot create " + out.string() + ": " + made.message());

    // A setting a mix engineer might start from: warmth below, a cut in the
    // boxy mids, presence and air on top. Every band is active.
    const std::vector<std::string> settings = {"LS-Freq=120Hz", "LS-Gain=+5dB",  "A-Freq=400Hz",   "A-Gain=-6dB",
                                               "A-Q=0.7",       "B-Freq=3kHz",   "B-Gain=+4dB",    "B-Q=0.5",
                                               "HS-Freq=10kHz", "HS-Gain=+3dB"};
    const int rate = 48000;
    std::string error;
    PluginHost host;
    if (!loadHost(line, host, error)) return fail(error);
    if (!applySettings(host, settings, error, rate)) return fail(error);
    host.setProgramName("Korvo demo");

    std::printf("%s by %s, hosted through its plug-in entry (%s)\n\n", host.effectName().c_str(),
                host.vendorString().c_str(), modulePath(line).c_str());
    printParameterTable(host);
    const std::vector<BandMarker> markers = bandMarkers(host, rate);
    std::printf("\nactive bands: %s\n", activeBands(markers).c_str());

    const StereoAudio input = makeDemoSignal(rate);
    StereoAudio output;
    const auto begin = std::chrono::steady_clock::now();
    render(host, input, output, 512);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    const double audioSeconds = static_cast<double>(input.frames()) / rate;
    LevelMeter inputLevel, outputLevel;
    inputLevel.add(input.left.data(), input.right.data(), input.frames());
    outputLevel.add(output.left.data(), output.right.data(), output.frames());
    std::printf("rendered %.1f s of audio in %.3f s: %.0f x real time; peak %.2f dBFS in, %.2f dBFS out\n",
                audioSeconds, seconds, audioSeconds / std::fmax(seconds, 1e-9), inputLevel.peakDbfs(),
                outputLevel.peakDbfs());

    const std::string inPath = (out / "input.wav").string(), outPath = (out / "output.wav").string();
    const std::string svgPath = (out / "response.svg").string(), presetPath = (out / "preset.fxp").string();
    if (!writeAudio(inPath, input, error) || !writeAudio(outPath, output, error)) return fail(error);
    if (!savePreset(host, presetPath, error)) return fail(error);

    PluginHost measuring;
    if (!loadHost(line, measuring, error) || !applyPreset(measuring, presetPath, false, error)) return fail(error);
    const std::vector<ResponsePoint> response = measureResponse(measuring, rate).points;
    PlotOptions options;
    options.title = responseTitle(markers, rate);
    if (!writeText(svgPath, renderResponseSvg(response, markers, options), error)) return fail(error);

    std::printf("\nwrote %s, %s, %s and %s\n", inPath.c_str(), outPath.c_str(), svgPath.c_str(), presetPath.c_str());
    return 0;
}
