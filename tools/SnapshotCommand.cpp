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

const char* const kSnapshotUsage =
    "usage: korvo snapshot OUT.png [--set NAME=VALUE]... [--preset FILE] [--force]\n"
    "\n"
    "Writes the plug-in's editor (785 x 82) with the settings as a 24-bit PNG. The module\n"
    "draws it itself, on its software canvas, so no window system is needed. OUT - writes\n"
    "standard output (not a terminal), and the report goes to stderr.\n"
    "\n"
    KORVO_SET_HELP
    "  --preset FILE       load a program (.fxp) or bank (.fxb) file first\n"
    "  --force             load a preset made for another plug-in\n";

}  // namespace

int runSnapshot(const CommandLine& line)
{
    if (line.help) return std::fputs(kSnapshotUsage, stdout), 0;
    if (line.words.size() != 1) return usageError("snapshot needs OUT.png, or - for standard output", kSnapshotUsage);
    const std::string& outPath = line.words[0];
    if (!isStandardOutput(outPath) && !endsWith(outPath, ".png")) return fail("the snapshot is PNG: OUT.png");
    std::string error;
    for (const std::string& setting : line.settings) {
        Setting parsed{};
        if (!parseSetting(setting, parsed, error)) return fail(error);
    }

    PluginHost host;
    if (!prepareHost(line, host, error)) return fail(error);

    // The module draws the picture: korvo only asks for it and writes it.
    std::vector<unsigned char> pixels(static_cast<std::size_t>(EqEffect::kSnapshotBytes));
    const VstIntPtr written = host.vendorSpecific(EqEffect::kSnapshotRequest, EqEffect::kSnapshotBytes, pixels.data());
    if (written != EqEffect::kSnapshotBytes) {
        return fail(modulePath(line) + " drew no snapshot of its editor (it answered " + std::to_string(written) +
                    " to the request)");
    }
    std::vector<unsigned char> png;
    if (!encodePng(pixels.data(), EqEffect::kSnapshotWidth, EqEffect::kSnapshotHeight, png, error) ||
        !writeOutput(outPath, png.data(), png.size(), true, error)) {
        return fail(error);
    }
    std::fprintf(isStandardOutput(outPath) ? stderr : stdout, "wrote %s: the editor, %d x %d\n",
                 shownPath(outPath).c_str(), EqEffect::kSnapshotWidth, EqEffect::kSnapshotHeight);
    return 0;
}
