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
#include "eq/FactoryPresets.h"
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

const char* const kPresetUsage =
    "usage: korvo preset save FILE [--set NAME=VALUE]... [--name NAME] [--format fxp|fxb]\n"
    "       korvo preset load FILE|NAME [--force]\n"
    "       korvo preset show FILE\n"
    "       korvo preset list\n"
    "\n"
    "Program files (.fxp) hold one program, bank files (.fxb) the plug-in's whole state.\n"
    "save writes the plug-in's state after the settings as an opaque chunk, FILE - to\n"
    "standard output (not a terminal) as a program unless --format fxb; load\n"
    "checks the file is accepted and prints the resulting parameters; show prints a\n"
    "file's contents without loading the plug-in. Files that hold plain parameter lists,\n"
    "as other hosts write them, load as well; a list shorter than the plug-in's leaves\n"
    "the rest at their defaults, with a warning naming them. A file made for another\n"
    "plug-in is refused unless --force is given. list prints the factory presets'\n"
    "names, each with what it is for; wherever a FILE is read (load, and --preset of\n"
    "render, response and snapshot), a factory preset's NAME loads that preset\n"
    "when no file has that path.\n"
    "\n"
    KORVO_SET_HELP
    "  --name NAME         the program's name (the plug-in keeps up to 23 characters)\n"
    "  --format fxp|fxb    what save writes: a program (the default for -) or a bank;\n"
    "                      a FILE's extension names it\n"
    "  --force             load a file made for another plug-in\n";

}  // namespace

int runPreset(const CommandLine& line)
{
    if (line.help) return std::fputs(kPresetUsage, stdout), 0;
    if (line.words.size() == 1 && line.words[0] == "list") {
        // The names first, padded to one column, so a name with spaces still reads as one.
        for (int i = 0; i < FactoryPresets::count(); ++i) {
            std::printf("%-*s  %s\n", FactoryPresets::kMaxNameLength, FactoryPresets::at(i).name,
                        FactoryPresets::at(i).purpose);
        }
        return 0;
    }
    if (line.words.size() != 2) return usageError("preset needs an action (save, load or show) and a FILE, or list", kPresetUsage);
    const std::string& action = line.words[0];
    const std::string& path = line.words[1];
    std::string error;

    if (action == "show") {
        PresetData preset;
        if (!readPresetFile(path, preset, error)) return fail(error);
        static const char* const kinds[] = {"program, opaque chunk", "program, parameter list", "bank, opaque chunk",
                                            "bank, parameter list"};
        std::printf("file:        %s\n", path.c_str());
        std::printf("kind:        %s (format version %d)\n", kinds[static_cast<int>(preset.kind)], preset.formatVersion);
        std::printf("plug-in:     %s, version %d\n", fourCharText(preset.uniqueId).c_str(), preset.pluginVersion);
        std::vector<float> values;
        std::string name = preset.programName;
        if (!preset.programs.empty()) {
            values = preset.programs[0];
            if (!preset.programNames.empty()) name = preset.programNames[0];
        } else if (preset.chunk.size() == 40 || preset.chunk.size() == 64) {
            // This plug-in's own chunk: ten little-endian floats, after a 24-byte name in a bank.
            const std::size_t offset = preset.chunk.size() == 64 ? 24 : 0;
            if (offset) name = std::string(reinterpret_cast<const char*>(preset.chunk.data()),
                                           strnlen(reinterpret_cast<const char*>(preset.chunk.data()), 24));
            for (std::size_t k = 0; k < 10; ++k) {
                const unsigned char* b = preset.chunk.data() + offset + 4 * k;
                const std::uint32_t bits = static_cast<std::uint32_t>(b[0]) | static_cast<std::uint32_t>(b[1]) << 8 |
                                           static_cast<std::uint32_t>(b[2]) << 16 | static_cast<std::uint32_t>(b[3]) << 24;
                float value;
                std::memcpy(&value, &bits, sizeof(value));
                values.push_back(value);
            }
        } else {
            std::printf("state:       %zu bytes of chunk\n", preset.chunk.size());
        }
        std::printf("program:     %s\n", name.c_str());
        if (!values.empty()) {
            std::printf("\n  %-3s %-9s %-8s %s\n", "#", "name", "value", "meaning");
            for (std::size_t k = 0; k < values.size(); ++k) {
                char meaning[16] = "";
                const bool known = values.size() == kNumParameters;
                if (known) formatPlain(static_cast<int>(k), effectivePlain(static_cast<int>(k), values[k], 44100.0),
                                       meaning, 10);
                std::printf("  %-3zu %-9s %-8.4f %s %s\n", k, known ? kParameters[k].name : "?", values[k], meaning,
                            known ? kParameters[k].label : "");
            }
        }
        return 0;
    }

    PluginHost host;
    if (action == "save") {
        const std::string kind = line.get("--format", endsWith(path, ".fxb") ? "fxb" : "fxp");
        if (kind != "fxp" && kind != "fxb") return usageError("--format takes fxp or fxb", kPresetUsage);
        if (!isStandardOutput(path) && line.has("--format") && !endsWith(path, "." + kind)) {
            return usageError("--format " + kind + " and the file " + path + " disagree", kPresetUsage);
        }
        if (!loadHost(line, host, error)) return fail(error);
        if (!applySettings(host, line.settings, error)) return fail(error);
        if (line.has("--name")) host.setProgramName(line.get("--name"));
        if (!savePreset(host, path, error, kind)) return fail(error);
        if (isStandardOutput(path)) {
            std::fprintf(stderr, "saved a %s to standard output\n", kind == "fxb" ? "bank (.fxb)" : "program (.fxp)");
        } else {
            std::printf("saved %s\n", path.c_str());
        }
        return 0;
    }
    if (action == "load") {
        if (!loadHost(line, host, error)) return fail(error);
        if (!applyPreset(host, path, line.force, error)) return fail(error);
        std::printf("loaded %s: program \"%s\"\n\n", path.c_str(), host.programName().c_str());
        printParameterTable(host);
        return 0;
    }
    return usageError("unknown preset action '" + action + "'", kPresetUsage);
}
