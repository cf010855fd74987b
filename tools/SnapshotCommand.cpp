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
    "usage: korvo snapshot OUT.png [--scale S] [--set NAME=VALUE]...\n"
    "                      [--preset FILE|NAME] [--force]\n"
    "\n"
    "Writes the plug-in's editor (785 x 82 at 100 %) with the settings as a 24-bit PNG. The\n"
    "module draws it itself, on its software canvas, so no window system is needed, with\n"
    "the pixels its editor shows on every system. OUT - writes standard output (not a\n"
    "terminal), and the report goes to stderr.\n"
    "\n"
    "  --scale S           the editor's size, 1 to 3 or 100% to 300% (default 1)\n"
    KORVO_SET_HELP
    KORVO_PRESET_HELP
    "  --force             load a preset made for another plug-in\n";

// "2", "1.5", "200%" or "150 %": a scale from 1 to 3.
bool parseScale(const std::string& text, float& scale)
{
    std::string number = text;
    bool percent = false;
    while (!number.empty() && (number.back() == '%' || number.back() == ' ')) {
        percent = percent || number.back() == '%';
        number.pop_back();
    }
    char* end = nullptr;
    const double value = number.empty() ? 0.0 : std::strtod(number.c_str(), &end);
    if (number.empty() || *end != '\0') {
        return false;
    }
    scale = static_cast<float>(percent ? value / 100.0 : value);
    return EqEffect::snapshotBytes(scale) > 0;
}

}  // namespace

int runSnapshot(const CommandLine& line)
{
    if (line.help) return std::fputs(kSnapshotUsage, stdout), 0;
    if (line.words.size() != 1) return usageError("snapshot needs OUT.png, or - for standard output", kSnapshotUsage);
    const std::string& outPath = line.words[0];
    if (!isStandardOutput(outPath) && !endsWith(outPath, ".png")) return fail("the snapshot is PNG: OUT.png");
    std::string error;
    if (!checkSettings(line.settings, error)) return fail(error);

    float scale = 1.0f;
    if (line.has("--scale") && !parseScale(line.get("--scale"), scale)) {
        return usageError("--scale takes 1 to 3, or 100% to 300%: " + line.get("--scale"), kSnapshotUsage);
    }
    const VstInt32 width = EqEffect::snapshotWidth(scale), height = EqEffect::snapshotHeight(scale);
    const VstInt32 bytes = EqEffect::snapshotBytes(scale);

    PluginHost host;
    // Never started, the module shows its values at the rate it begins with, the host's own.
    if (!prepareHost(line, host, error, host.sampleRate())) return fail(error);

    // The module draws the picture: korvo only asks for it and writes it.
    std::vector<unsigned char> pixels(static_cast<std::size_t>(bytes));
    const VstIntPtr written = host.vendorSpecific(EqEffect::kSnapshotRequest, bytes, pixels.data(), scale);
    if (written != bytes) {
        return fail(modulePath(line) + " drew no snapshot of its editor (it answered " + std::to_string(written) +
                    " to the request)");
    }
    std::vector<unsigned char> png;
    if (!encodePng(pixels.data(), width, height, png, error) ||
        !writeOutput(outPath, png.data(), png.size(), true, error)) {
        return fail(error);
    }
    std::fprintf(isStandardOutput(outPath) ? stderr : stdout, "wrote %s: the editor, %d x %d\n",
                 shownPath(outPath).c_str(), width, height);
    return 0;
}
