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

const char* const kInfoUsage =
    "usage: korvo info [MODULE]\n"
    "\n"
    "Prints the plug-in's identity and its parameter table: index, name, value,\n"
    "display, label, and the range a --set value takes in the parameter's unit.\n";

std::string flagWords(VstInt32 flags)
{
    static const struct {
        VstInt32 bit;
        const char* word;
    } names[] = {{effFlagsHasEditor, "editor"},
                 {effFlagsCanReplacing, "replacing"},
                 {effFlagsProgramChunks, "program-chunks"},
                 {effFlagsIsSynth, "synth"},
                 {effFlagsNoSoundInStop, "no-sound-in-stop"},
                 {effFlagsCanDoubleReplacing, "double-replacing"},
                 {effFlagsHasClip, "clip"},
                 {effFlagsHasVu, "vu"},
                 {effFlagsCanMono, "mono"}};
    std::string words;
    for (const auto& name : names) {
        if (flags & name.bit) words += (words.empty() ? "" : ", ") + std::string(name.word);
    }
    return words.empty() ? "none" : words;
}

// The parameter table with each parameter's range in its unit, where the name is
// one korvo knows.
void printParameterTableWithRanges(PluginHost& host)
{
    std::printf("  %-3s %-9s %-8s %-9s %-5s %s\n", "#", "name", "value", "display", "label", "range");
    for (VstInt32 i = 0; i < host.numParams(); ++i) {
        const std::string name = host.parameterName(i);
        const int known = findParameterByName(name);
        std::printf("  %-3d %-9s %-8.4f %-9s %-5s %s\n", i, name.c_str(), host.getParameter(i),
                    host.parameterDisplay(i).c_str(), host.parameterLabel(i).c_str(),
                    known < 0 ? "" : describeRange(known).c_str());
    }
}

}  // namespace

int runInfo(const CommandLine& line)
{
    if (line.help) return std::fputs(kInfoUsage, stdout), 0;
    if (line.words.size() > 1) return usageError("info takes at most one module", kInfoUsage);
    PluginHost host;
    std::string error;
    if (!loadHost(line, host, error, line.words.empty() ? "" : line.words[0])) return fail(error);
    std::printf("effect:      %s\n", host.effectName().c_str());
    std::printf("vendor:      %s\n", host.vendorString().c_str());
    std::printf("product:     %s\n", host.productString().c_str());
    std::printf("version:     %d (plug-in version %d)\n", host.vendorVersion(), host.pluginVersion());
    std::printf("unique id:   %s\n", fourCharText(host.uniqueId()).c_str());
    std::printf("VST version: %d\n", host.vstVersion());
    std::printf("flags:       %s\n", flagWords(host.flags()).c_str());
    std::printf("channels:    %d in, %d out\n", host.numInputs(), host.numOutputs());
    int width = 0, height = 0;
    if (host.editorSize(width, height)) std::printf("editor:      %d x %d\n", width, height);
    std::printf("program:     %s\n\n", host.programName().c_str());
    printParameterTableWithRanges(host);
    return 0;
}
