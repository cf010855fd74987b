#include "tools/CommandSupport.h"

#include "tools/Commands.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <set>
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
#include "vst3/PresetFile.h"


int fail(const std::string& message)
{
    std::fprintf(stderr, "korvo: %s\n", message.c_str());
    return 1;
}

int usageError(const std::string& message, const char* usage)
{
    // The command is the word after "korvo" in its usage's first line.
    const std::string text = usage ? usage : "";
    const std::string lead = "usage: korvo ";
    std::string command;
    if (text.rfind(lead, 0) == 0) command = text.substr(lead.size(), text.find_first_of(" \n", lead.size()) - lead.size());
    std::fprintf(stderr, "korvo: %s (see korvo %s%s--help)\n", message.c_str(), command.c_str(),
                 command.empty() ? "" : " ");
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

bool loadHost(const CommandLine& line, PluginHost& host, std::string& error, const std::string& path)
{
    const std::string module = path.empty() ? modulePath(line) : path;
    if (module.empty()) {
        error = "found no KorvoEQ.so beside korvo, in lib/vst of its prefix, in LXVST_PATH or VST_PATH, or in "
                "~/.vst; give its path with --module PATH";
        return false;
    }
    return host.load(module, error);
}

bool readSetting(const std::string& text, Setting& setting, std::string& error, double rate)
{
    if (parseSetting(text, setting, error, rate)) return true;
    const std::size_t equals = text.find('=');
    const std::string written = text.substr(0, equals);
    const std::size_t first = written.find_first_not_of(" \t");
    const std::string name = first == std::string::npos ? "" : written.substr(first, written.find_last_not_of(" \t") + 1 - first);
    if (equals == std::string::npos || findParameterByName(name) >= 0) return false;
    std::vector<std::string> names;
    for (const ParameterInfo& parameter : kParameters) names.push_back(parameter.name);
    const std::string meant = closestWords(name, names);
    if (!meant.empty()) error = "unknown parameter '" + name + "'; did you mean " + meant + "?";
    return false;
}

bool checkSettings(const std::vector<std::string>& settings, std::string& error)
{
    Setting setting{};
    for (const std::string& text : settings) {
        if (readSetting(text, setting, error)) continue;
        // A band frequency below its knob's range may be the one a low rate holds
        // the band at and shows: it passes if the rate it is 0.46 of reads it.
        // Otherwise the error is the one read without a rate.
        const std::size_t equals = text.find('=');
        double hz = 0.0;
        std::string unit, ignored;
        if (equals == std::string::npos ||
            parseQuantity(text.substr(equals + 1), Quantity::Frequency, hz, unit) != QuantityReading::Read ||
            !isUsableRate(hz / kMaxFrequencyRatio) || !parseSetting(text, setting, ignored, hz / kMaxFrequencyRatio)) {
            return false;
        }
    }
    return true;
}

bool applySettings(PluginHost& host, const std::vector<std::string>& settings, std::string& error, double rate)
{
    for (const std::string& text : settings) {
        Setting setting{};
        if (!readSetting(text, setting, error, rate)) return false;
        const VstInt32 index = host.findParameter(kParameters[setting.index].name);
        if (index < 0) {
            error = std::string("the plug-in has no parameter ") + kParameters[setting.index].name;
            return false;
        }
        host.setParameter(index, setting.value);
    }
    return true;
}

namespace {

// Says a warning about a file once, however often it is loaded: a render may
// load its preset twice, a batch once per file.
void warnOnce(const std::string& path, const std::string& warning)
{
    static std::mutex lock;
    static std::set<std::string> said;
    const std::lock_guard<std::mutex> hold(lock);
    if (said.insert(path).second) std::fputs(warning.c_str(), stderr);
}

// The warning for a parameter list of another length than the plug-in's, or "".
std::string presetLengthWarning(PluginHost& host, const std::string& path, std::size_t count)
{
    const auto total = static_cast<std::size_t>(host.numParams());
    const std::string holds = "korvo: warning: " + path + " holds " + std::to_string(count);
    if (count < total) {
        std::string names;
        for (std::size_t i = count; i < total; ++i) {
            names += (i > count ? ", " : "") + host.parameterName(static_cast<VstInt32>(i));
        }
        return holds + " of the " + std::to_string(total) + " parameters; " + names +
               (total - count == 1 ? " stays at its default\n" : " stay at their defaults\n");
    }
    if (count > total) {
        return holds + " values for the " + std::to_string(total) + " parameters; " +
               (count - total == 1 ? "the last one is" : "the last " + std::to_string(count - total) + " are") +
               " ignored\n";
    }
    return "";
}

}  // namespace

bool applyPreset(PluginHost& host, const std::string& path, bool force, std::string& error)
{
    std::error_code missing;
    if (!std::filesystem::exists(path, missing)) {
        if (const int factory = FactoryPresets::find(path.c_str()); factory >= 0) {
            unsigned char chunk[sizeof(ProgramRecord)];
            FactoryPresets::chunk(factory, chunk);
            if (!host.setChunk(std::vector<unsigned char>(chunk, chunk + sizeof chunk), false)) {
                error = "the plug-in refused the factory preset '" + path + "'";
                return false;
            }
            return true;
        }
        // Not a file and not a name: say which names come close, unless it reads as a path.
        std::vector<std::string> names;
        for (int i = 0; i < FactoryPresets::count(); ++i) names.push_back(FactoryPresets::at(i).name);
        const std::string meant = closestWords(path, names);
        if (path.find('/') == std::string::npos && !endsWith(path, ".fxp") && !endsWith(path, ".fxb") &&
            !endsWith(path, ".vstpreset")) {
            error = "no preset file or factory preset '" + path + "'" +
                    (meant.empty() ? "; korvo preset list names the factory presets" : "; did you mean " + meant + "?");
            return false;
        }
    }
    if (endsWith(path, ".vstpreset")) {
        // A VST 3 preset: its component state is the bank chunk the module takes.
        std::vector<unsigned char> bytes, state;
        std::ifstream in(path, std::ios::binary);
        if (!in) return error = "cannot read " + path, false;
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        if (!korvo_vst3::PresetFile::readComponentState(bytes, state, error)) return error = path + ": " + error, false;
        if (!host.setChunk(state, false)) {
            error = "the plug-in refused the state in " + path + " (" + std::to_string(state.size()) + " bytes)";
            return false;
        }
        return true;
    }
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
        const std::string warning = presetLengthWarning(host, path, values.size());
        if (!warning.empty()) warnOnce(path, warning);
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

bool prepareHost(const CommandLine& line, PluginHost& host, std::string& error, double rate)
{
    return loadHost(line, host, error) &&
           (!line.has("--preset") || applyPreset(host, line.get("--preset"), line.force, error)) &&
           applySettings(host, line.settings, error, rate);
}

bool savePreset(PluginHost& host, const std::string& path, std::string& error, const std::string& kind)
{
    const bool bank = isStandardOutput(path) ? kind == "fxb" : endsWith(path, ".fxb");
    if (!isStandardOutput(path) && !bank && !endsWith(path, ".fxp")) {
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
    std::vector<unsigned char> bytes;
    std::string reason;
    if (!encodePreset(preset, bytes, reason)) {
        error = "cannot write " + (isStandardOutput(path) ? shownPath(path) : "'" + path + "'") + ": " + reason;
        return false;
    }
    return writeOutput(path, bytes.data(), bytes.size(), true, error);
}

std::vector<std::string> movedFrequencyWarnings(PluginHost& host, double rate)
{
    std::vector<std::string> warnings;
    for (const BandInfo& band : kBands) {
        if (!gainIsActive(host.getParameter(band.gainIndex))) continue;  // a band left out works at no frequency
        const float stored = host.getParameter(band.frequencyIndex);
        const double asked = toPlain(band.frequencyIndex, usableValue(stored));
        const double used = effectivePlain(band.frequencyIndex, stored, rate);
        if (std::llround(asked) <= std::llround(used)) continue;
        char text[192];
        std::snprintf(text, sizeof text,
                      "korvo: warning: %s %.0f Hz is above what %g Hz audio allows; the band works at %.0f Hz\n",
                      kParameters[band.frequencyIndex].name, asked, rate, used);
        warnings.push_back(text);
    }
    return warnings;
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

bool parseNumber(const std::string& text, double low, double high, double& value)
{
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return end != text.c_str() && *end == 0 && value >= low && value <= high;
}

bool parseQuantityOption(const CommandLine& line, const std::string& option, Quantity quantity, const char* what,
                         double low, double high, double& value, std::string& error)
{
    const std::string text = line.get(option);
    std::string unit;
    const QuantityReading reading = parseQuantity(text, quantity, value, unit);
    if (reading == QuantityReading::Read && value >= low && value <= high) return true;
    // The range in the quantity's unit, and how a value is written.
    const char* const units[] = {"Hz, as 44100, 44.1k or 44.1kHz", "dB, as -3 or -3dB", "dBFS, as -1 or -1dBFS"};
    char range[128];
    std::snprintf(range, sizeof range, quantity == Quantity::Gain ? "from %+g to %+g %s" : "from %g to %g %s", low,
                  high, units[static_cast<int>(quantity)]);
    const std::string why = reading == QuantityReading::NotANumber   ? "not a number"
                            : reading == QuantityReading::NotItsUnit ? "'" + unit + "' is not a unit of " + what
                                                                     : "out of range";
    error = option + " " + text + ": " + why + "; " + option + " takes " + what + " " + range;
    return false;
}

bool isStandardOutput(const std::string& path) { return path == "-"; }

std::string shownPath(const std::string& path) { return isStandardOutput(path) ? "standard output" : path; }

bool writeOutput(const std::string& path, const void* data, std::size_t size, bool binary, std::string& error)
{
    if (!isStandardOutput(path)) return writeWholeFile(path, data, size, error);
    if (binary && isatty(STDOUT_FILENO)) {
        error = "cannot write standard output: it is a terminal; redirect it to a file or a program";
        return false;
    }
    std::fflush(stdout);
    const int failure = writeAll(STDOUT_FILENO, data, size);
    if (failure != 0) {
        error = "cannot write standard output: " + systemReason(failure);
        return false;
    }
    return true;
}

bool writeText(const std::string& path, const std::string& text, std::string& error)
{
    return writeOutput(path, text.data(), text.size(), false, error);
}

namespace {

// Where korvo looks for the module, in order: beside itself (a build tree),
// lib/vst of the prefix it is installed in, the folders of LXVST_PATH and
// VST_PATH, and ~/.vst.
std::vector<std::filesystem::path> moduleCandidates()
{
    std::vector<std::filesystem::path> places;
    char self[4096];
    const ssize_t length = readlink("/proc/self/exe", self, sizeof(self) - 1);
    if (length > 0) {
        self[length] = 0;
        const std::filesystem::path here = std::filesystem::path(self).parent_path();
        places.push_back(here / "KorvoEQ.so");
        places.push_back(here.parent_path() / "lib" / "vst" / "KorvoEQ.so");
    }
    for (const char* variable : {"LXVST_PATH", "VST_PATH"}) {
        const char* value = std::getenv(variable);
        std::string folders = value ? value : "";
        for (std::size_t start = 0; start <= folders.size();) {
            const std::size_t colon = std::min(folders.find(':', start), folders.size());
            if (colon > start) places.push_back(std::filesystem::path(folders.substr(start, colon - start)) / "KorvoEQ.so");
            start = colon + 1;
        }
    }
    if (const char* home = std::getenv("HOME")) places.push_back(std::filesystem::path(home) / ".vst" / "KorvoEQ.so");
    return places;
}

}  // namespace

std::string modulePath(const CommandLine& line)
{
    if (line.has("--module")) return line.get("--module");
    std::error_code ignored;
    for (const std::filesystem::path& place : moduleCandidates()) {
        if (std::filesystem::is_regular_file(place, ignored)) return place.string();
    }
    return "";
}
