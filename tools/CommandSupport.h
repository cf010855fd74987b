// What the commands of `korvo` share: loading the plug-in, applying settings
// and presets, printing the parameter table, the bands for plots, rendering,
// and the one-line messages.
#pragma once

#include <string>
#include <vector>

#include "tools/CommandLine.h"
#include "tools/PluginHost.h"
#include "tools/AudioFile.h"
#include "tools/ResponsePlot.h"
#include "eq/ParameterParser.h"

// The --set option in each command's help.
#define KORVO_SET_HELP                                                                   \
    "  --set NAME=VALUE    set a parameter in its unit, written or not: A-Freq=1000 or\n" \
    "                      1000Hz, B-Freq=2.5kHz, LS-Gain=-6, -6dB or -6 dB, A-Q=0.7\n" \
    "                      (the Q); a normalised value 0..1 ends in n: A-Gain=0.7n.\n" \
    "                      `korvo info` lists each parameter's range\n"

// The --preset option in each command's help.
#define KORVO_PRESET_HELP                                                                \
    "  --preset FILE|NAME  load a program (.fxp), bank (.fxb) or VST 3 preset\n"         \
    "                      (.vstpreset) file first, or the factory preset NAME\n"       \
    "                      (`korvo preset list` names them; quote a name with\n"        \
    "                      spaces: --preset 'Vocal Presence')\n"

// "korvo: message" on stderr; answers the failure status, 1.
int fail(const std::string& message);

// A usage error: "korvo: message (see korvo COMMAND --help)", the command
// taken from its usage text; answers 2.
int usageError(const std::string& message, const char* usage);

bool endsWith(const std::string& text, const std::string& ending);

// Loads the module (path, else the one --module names or korvo finds) into host.
bool loadHost(const CommandLine& line, PluginHost& host, std::string& error, const std::string& path = "");

// NAME=VALUE as parseSetting reads it at `rate` (0 where no rate is known); an
// unknown name gets the names closest to it suggested ("did you mean A-Freq?").
bool readSetting(const std::string& text, Setting& setting, std::string& error, double rate = 0.0);

// Every setting readable, before anything is done with them and before the
// audio's rate is known: one that only some rates read (a band frequency below
// its knob's range, which a low rate holds the band at and shows) passes here
// if the rate that shows it reads it, and is read for good by applySettings.
bool checkSettings(const std::vector<std::string>& settings, std::string& error);

// The settings, read at the rate the plug-in will run at (0 where not known)
// and applied through the plug-in's own parameter names.
bool applySettings(PluginHost& host, const std::vector<std::string>& settings, std::string& error, double rate = 0.0);

// A fresh plug-in with the command's --preset, then its --set settings read at `rate`.
bool prepareHost(const CommandLine& line, PluginHost& host, std::string& error, double rate = 0.0);

// A program or bank file's settings, or, where no file has that path, the
// factory preset of that name (an unknown name gets the closest suggested). A file is refused when it is another plug-in's unless
// forced. A parameter list shorter than the plug-in's leaves the rest at their
// defaults, a longer one has its extra values ignored; either is said once per
// file, as a warning on stderr.
bool applyPreset(PluginHost& host, const std::string& path, bool force, std::string& error);

// The current settings as a program (.fxp) or bank (.fxb) file, the kind the
// extension names; "-" writes standard output, as `kind` (fxp or fxb) says.
bool savePreset(PluginHost& host, const std::string& path, std::string& error, const std::string& kind = "fxp");

// A warning line ("korvo: warning: ...\n") for each active band whose frequency
// is above what audio at `rate` allows, naming the frequency the band works at.
std::vector<std::string> movedFrequencyWarnings(PluginHost& host, double rate);

// Each parameter's number, name, value, display and label.
void printParameterTable(PluginHost& host);

// The four bands as the plug-in's current values set them, at a rate.
std::vector<BandMarker> bandMarkers(PluginHost& host, double rate);

// The names of the active bands, or "none".
std::string activeBands(const std::vector<BandMarker>& markers);

// The title of a response plot: the bands and the rate.
std::string responseTitle(const std::vector<BandMarker>& markers, double rate);

// Renders audio held in memory in blocks of `block` frames.
void render(PluginHost& host, const StereoAudio& input, StereoAudio& output, int block);

// A number within [low, high], the whole text.
bool parseNumber(const std::string& text, double low, double high, double& value);

// The value of `option`, a number with an optional unit (see parseQuantity),
// within [low, high] in the quantity's unit. Otherwise false with a message for
// usageError naming the range and the unit; `what` names the quantity, "a gain".
bool parseQuantityOption(const CommandLine& line, const std::string& option, Quantity quantity, const char* what,
                         double low, double high, double& value, std::string& error);

// Whether a file option's value names standard output: "-".
bool isStandardOutput(const std::string& path);

// The path as reports show it: "standard output" for "-".
std::string shownPath(const std::string& path);

// The bytes written whole to `path`, or to standard output for "-", where
// binary data is refused when it is a terminal.
bool writeOutput(const std::string& path, const void* data, std::size_t size, bool binary, std::string& error);

// The text written whole, or to standard output for "-", or an error.
bool writeText(const std::string& path, const std::string& text, std::string& error);
