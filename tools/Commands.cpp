#include "tools/Commands.h"

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
    "  --set NAME=VALUE    set a parameter: a normalised value 0..1, or a value in its\n"
    "                      unit: A-Freq=1000Hz, B-Freq=2.5kHz, LS-Gain=+6dB, A-Q=0.7\n"
    "                      (a Q has no unit: a plain number for A-Q or B-Q is the Q)\n"
    "  --preset FILE       load a program (.fxp) or bank (.fxb) file first\n"
    "  --save-preset FILE  save the settings used as a .fxp or .fxb file\n"
    "  --block N           frames per processing block (default 512)\n"
    "  --force             load a preset made for another plug-in\n";

const char* const kPresetUsage =
    "usage: korvo preset save FILE [--set NAME=VALUE]... [--name NAME]\n"
    "       korvo preset load FILE [--force]\n"
    "       korvo preset show FILE\n"
    "\n"
    "Program files (.fxp) hold one program, bank files (.fxb) the plug-in's whole state.\n"
    "save writes the plug-in's state after the settings as an opaque chunk; load\n"
    "checks the file is accepted and prints the resulting parameters; show prints a\n"
    "file's contents without loading the plug-in. Files that hold plain parameter lists,\n"
    "as other hosts write them, load as well. A file made for another plug-in is\n"
    "refused unless --force is given.\n";

const char* const kResponseUsage =
    "usage: korvo response [--set NAME=VALUE]... [--preset FILE] [--rate R] [-o FILE.svg] [--csv FILE]\n"
    "\n"
    "Measures the plug-in's magnitude response: an impulse through the module at rate R\n"
    "(default 48000 Hz) and its spectrum. Prints the peak and a short table; -o writes\n"
    "a plot on a log-frequency axis from 20 Hz to 20 kHz, --csv frequency and dB.\n";

const char* const kInfoUsage =
    "usage: korvo info [MODULE]\n"
    "\n"
    "Prints the plug-in's identity and its parameter table: index, name, value,\n"
    "display and label.\n";

const char* const kSnapshotUsage =
    "usage: korvo snapshot OUT.png [--set NAME=VALUE]... [--preset FILE] [--force]\n"
    "\n"
    "Writes the plug-in's editor (785 x 82) with the settings as a 24-bit PNG. The module\n"
    "draws it itself, on its software canvas, so no window system is needed.\n"
    "\n"
    "  --set NAME=VALUE    set a parameter, as for render: A-Freq=1000Hz, LS-Gain=+6dB, A-Q=0.7\n"
    "  --preset FILE       load a program (.fxp) or bank (.fxb) file first\n"
    "  --force             load a preset made for another plug-in\n";

const char* const kDemoUsage =
    "usage: korvo demo [--out DIR]\n"
    "\n"
    "Generates a test signal (pink noise, a sine sweep and a drum pattern), renders it\n"
    "through the plug-in with all four bands active, and writes input.wav, output.wav,\n"
    "response.svg and preset.fxp into DIR (default korvo-demo).\n";

int fail(const std::string& message)
{
    std::fprintf(stderr, "korvo: %s\n", message.c_str());
    return 1;
}

int usageError(const std::string& message, const char* usage)
{
    std::fprintf(stderr, "korvo: %s\n%s", message.c_str(), usage);
    return 2;
}

bool endsWith(const std::string& text, const std::string& ending)
{
    if (text.size() < ending.size()) return false;
    for (std::size_t i = 0; i < ending.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(text[text.size() - ending.size() + i])) != ending[i]) return false;
    }
    return true;
}

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

bool loadHost(const CommandLine& line, PluginHost& host, std::string& error, const std::string& path = "")
{
    return host.load(path.empty() ? modulePath(line) : path, error);
}

// The settings, applied through the plug-in's own parameter names.
bool applySettings(PluginHost& host, const std::vector<std::string>& settings, std::string& error)
{
    for (const std::string& text : settings) {
        Setting setting{};
        if (!parseSetting(text, setting, error)) return false;
        const VstInt32 index = host.findParameter(kParameters[setting.index].name);
        if (index < 0) {
            error = std::string("the plug-in has no parameter ") + kParameters[setting.index].name;
            return false;
        }
        host.setParameter(index, setting.value);
    }
    return true;
}

bool applyPreset(PluginHost& host, const std::string& path, bool force, std::string& error)
{
    PresetData preset;
    if (!readPresetFile(path, preset, error)) return false;
    if (preset.uniqueId != host.uniqueId() && !force) {
        error = path + " was made for the plug-in '" + fourCharText(preset.uniqueId) + "', not '" +
                fourCharText(host.uniqueId()) + "' (use --force to load it anyway)";
        return false;
    }
    switch (preset.kind) {
    case PresetData::Kind::ProgramChunk:
    case PresetData::Kind::BankChunk:
        if (!host.setChunk(preset.chunk, preset.kind == PresetData::Kind::ProgramChunk)) {
            error = "the plug-in refused the state in " + path + " (" + std::to_string(preset.chunk.size()) + " bytes)";
            return false;
        }
        break;
    case PresetData::Kind::ProgramParams:
    case PresetData::Kind::BankParams: {
        if (preset.programs.empty()) {
            error = path + " holds no program";
            return false;
        }
        const std::vector<float>& values = preset.programs[0];
        for (std::size_t i = 0; i < values.size() && static_cast<VstInt32>(i) < host.numParams(); ++i) {
            host.setParameter(static_cast<VstInt32>(i), values[i]);
        }
        break;
    }
    }
    if (preset.kind == PresetData::Kind::ProgramChunk || preset.kind == PresetData::Kind::ProgramParams) {
        if (!preset.programName.empty()) host.setProgramName(preset.programName);
    } else if (preset.kind == PresetData::Kind::BankParams && !preset.programNames.empty()) {
        host.setProgramName(preset.programNames[0]);
    }
    return true;
}

bool savePreset(PluginHost& host, const std::string& path, std::string& error)
{
    const bool bank = endsWith(path, ".fxb");
    if (!bank && !endsWith(path, ".fxp")) {
        error = "cannot save '" + path + "': a preset file ends in .fxp (one program) or .fxb (a bank)";
        return false;
    }
    PresetData preset;
    preset.uniqueId = host.uniqueId();
    preset.pluginVersion = host.pluginVersion();
    preset.programName = host.programName();
    if (host.programsAreChunks()) {
        preset.kind = bank ? PresetData::Kind::BankChunk : PresetData::Kind::ProgramChunk;
        preset.count = bank ? host.numPrograms() : host.numParams();
        preset.chunk = host.getChunk(!bank);
    } else {
        preset.kind = bank ? PresetData::Kind::BankParams : PresetData::Kind::ProgramParams;
        std::vector<float> values;
        for (VstInt32 i = 0; i < host.numParams(); ++i) values.push_back(host.getParameter(i));
        preset.programs.push_back(values);
        preset.programNames.push_back(preset.programName);
    }
    return writePresetFile(path, preset, error);
}

void printParameterTable(PluginHost& host)
{
    std::printf("  %-3s %-9s %-8s %-9s %s\n", "#", "name", "value", "display", "label");
    for (VstInt32 i = 0; i < host.numParams(); ++i) {
        std::printf("  %-3d %-9s %-8.4f %-9s %s\n", i, host.parameterName(i).c_str(), host.getParameter(i),
                    host.parameterDisplay(i).c_str(), host.parameterLabel(i).c_str());
    }
}

// The four bands as the plug-in's current values set them, at a rate.
std::vector<BandMarker> bandMarkers(PluginHost& host, double rate)
{
    std::vector<BandMarker> markers;
    for (const BandInfo& band : kBands) {
        BandMarker marker;
        marker.label = band.title;
        marker.frequency = effectivePlain(band.frequencyIndex, host.getParameter(band.frequencyIndex), rate);
        marker.gainDb = effectivePlain(band.gainIndex, host.getParameter(band.gainIndex), rate);
        marker.hasQ = band.qIndex >= 0;
        marker.q = marker.hasQ ? effectivePlain(band.qIndex, host.getParameter(band.qIndex), rate) : kShelfQ;
        marker.active = gainIsActive(host.getParameter(band.gainIndex));
        markers.push_back(marker);
    }
    return markers;
}

std::string activeBands(const std::vector<BandMarker>& markers)
{
    std::string text;
    for (const BandMarker& m : markers) {
        if (m.active) text += (text.empty() ? "" : ", ") + m.label;
    }
    return text.empty() ? "none (the plug-in passes audio through unchanged)" : text;
}

std::string responseTitle(const std::vector<BandMarker>& markers, double rate)
{
    char text[512];
    int n = std::snprintf(text, sizeof(text), "Korvo-EQ at %.0f Hz:", rate);
    for (const BandMarker& m : markers) {
        if (n < 0 || n >= static_cast<int>(sizeof(text))) break;
        n += std::snprintf(text + n, sizeof(text) - static_cast<std::size_t>(n), " %s %.0f Hz %+.1f dB%s%s;",
                           m.label.c_str(), m.frequency, m.gainDb, m.hasQ ? " Q " : "",
                           m.hasQ ? std::to_string(m.q).substr(0, 5).c_str() : "");
    }
    std::string title = text;
    if (!title.empty() && title.back() == ';') title.pop_back();
    return title;
}

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

// Renders audio held in memory in blocks of `block` frames.
void render(PluginHost& host, const StereoAudio& input, StereoAudio& output, int block)
{
    output.sampleRate = input.sampleRate;
    output.left.assign(input.frames(), 0.0f);
    output.right.assign(input.frames(), 0.0f);
    host.start(input.sampleRate, block);
    for (std::size_t done = 0; done < input.frames(); done += static_cast<std::size_t>(block)) {
        const auto n = static_cast<VstInt32>(std::min<std::size_t>(static_cast<std::size_t>(block), input.frames() - done));
        float* ins[2] = {const_cast<float*>(input.left.data() + done), const_cast<float*>(input.right.data() + done)};
        float* outs[2] = {output.left.data() + done, output.right.data() + done};
        host.process(ins, outs, n);
    }
    host.stop();
}

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

bool parsePositive(const std::string& text, double low, double high, double& value)
{
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return end != text.c_str() && *end == 0 && value >= low && value <= high;
}

bool writeText(const std::string& path, const std::string& text, std::string& error)
{
    return writeWholeFile(path, text.data(), text.size(), error);
}

}  // namespace

std::string modulePath(const CommandLine& line)
{
    if (line.has("--module")) return line.get("--module");
    char self[4096];
    const ssize_t length = readlink("/proc/self/exe", self, sizeof(self) - 1);
    if (length <= 0) return "KorvoEQ.so";
    self[length] = 0;
    // Beside the program in a build tree; under lib/vst of an installed prefix.
    const std::filesystem::path here = std::filesystem::path(self).parent_path();
    const std::filesystem::path beside = here / "KorvoEQ.so";
    const std::filesystem::path installed = here.parent_path() / "lib" / "vst" / "KorvoEQ.so";
    std::error_code ignored;
    if (!std::filesystem::exists(beside, ignored) && std::filesystem::exists(installed, ignored)) {
        return installed.string();
    }
    return beside.string();
}

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
    printParameterTable(host);
    return 0;
}

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

int runPreset(const CommandLine& line)
{
    if (line.help) return std::fputs(kPresetUsage, stdout), 0;
    if (line.words.size() != 2) return usageError("preset needs an action (save, load or show) and a FILE", kPresetUsage);
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
        if (!loadHost(line, host, error)) return fail(error);
        if (!applySettings(host, line.settings, error)) return fail(error);
        if (line.has("--name")) host.setProgramName(line.get("--name"));
        if (!savePreset(host, path, error)) return fail(error);
        std::printf("saved %s\n", path.c_str());
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

int runResponse(const CommandLine& line)
{
    if (line.help) return std::fputs(kResponseUsage, stdout), 0;
    if (!line.words.empty()) return usageError("response takes no file arguments; use -o and --csv", kResponseUsage);
    double rate = 48000;
    if (line.has("--rate") && !parsePositive(line.get("--rate"), 8000, 768000, rate)) {
        return usageError("--rate needs a sample rate from 8000 to 768000 Hz", kResponseUsage);
    }
    std::string error;
    if (line.has("-o") && !endsWith(line.get("-o"), ".svg")) return fail("the plot is SVG: -o FILE.svg");
    PluginHost host;
    if (!loadHost(line, host, error)) return fail(error);
    if (line.has("--preset") && !applyPreset(host, line.get("--preset"), line.force, error)) return fail(error);
    if (!applySettings(host, line.settings, error)) return fail(error);

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

int runSnapshot(const CommandLine& line)
{
    if (line.help) return std::fputs(kSnapshotUsage, stdout), 0;
    if (line.words.size() != 1) return usageError("snapshot needs OUT.png", kSnapshotUsage);
    const std::string& outPath = line.words[0];
    if (!endsWith(outPath, ".png")) return fail("the snapshot is PNG: OUT.png");
    std::string error;
    for (const std::string& setting : line.settings) {
        Setting parsed{};
        if (!parseSetting(setting, parsed, error)) return fail(error);
    }

    PluginHost host;
    if (!loadHost(line, host, error)) return fail(error);
    if (line.has("--preset") && !applyPreset(host, line.get("--preset"), line.force, error)) return fail(error);
    if (!applySettings(host, line.settings, error)) return fail(error);

    // The module draws the picture: korvo only asks for it and writes it.
    std::vector<unsigned char> pixels(static_cast<std::size_t>(EqEffect::kSnapshotBytes));
    const VstIntPtr written = host.vendorSpecific(EqEffect::kSnapshotRequest, EqEffect::kSnapshotBytes, pixels.data());
    if (written != EqEffect::kSnapshotBytes) {
        return fail(modulePath(line) + " drew no snapshot of its editor (it answered " + std::to_string(written) +
                    " to the request)");
    }
    std::vector<unsigned char> png;
    if (!encodePng(pixels.data(), EqEffect::kSnapshotWidth, EqEffect::kSnapshotHeight, png, error) ||
        !writeWholeFile(outPath, png.data(), png.size(), error)) {
        return fail(error);
    }
    std::printf("wrote %s: the editor, %d x %d\n", outPath.c_str(), EqEffect::kSnapshotWidth,
                EqEffect::kSnapshotHeight);
    return 0;
}

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
    if (!applySettings(host, settings, error)) return fail(error);
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
    std::printf("rendered %.1f s of audio in %.3f s: %.0f x real time\n", audioSeconds, seconds,
                audioSeconds / std::fmax(seconds, 1e-9));

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
