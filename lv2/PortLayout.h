// The LV2 plug-in's identity and port layout, for the DSP binary, the
// description written at build time and the UI binary. None of it may ever
// change: hosts keep sessions and presets by URI and port symbol, and a UI
// writes ports by index.
#pragma once

#include <cstdint>

#include "eq/Parameters.h"

namespace korvo_lv2 {

#define KORVO_LV2_URI "https://vardle.example/plugins/korvo-eq"

constexpr const char* kPluginUri = KORVO_LV2_URI;
// Resources of the description, under the plug-in's URI: the stereo input and
// output groups, the factory program as a preset, and the editor (UI binary).
constexpr const char* kInputGroupUri = KORVO_LV2_URI "#in";
constexpr const char* kOutputGroupUri = KORVO_LV2_URI "#out";
constexpr const char* kFactoryPresetUri = KORVO_LV2_URI "#factory";
constexpr const char* kUiUri = KORVO_LV2_URI "#ui";
constexpr const char* kLicenceUri = KORVO_LV2_URI "#licence";

#undef KORVO_LV2_URI

// Ports 0 to 9 are the ten parameters at their indices in the table (the
// VST 2, VST 3 and CLAP ids), input control ports in the parameters' units;
// then the audio ports, left before right; then the bypass as LV2 has it, the
// host's "enabled" switch (1 processing, 0 bypassed).
constexpr std::uint32_t kLeftInput = 10;
constexpr std::uint32_t kRightInput = 11;
constexpr std::uint32_t kLeftOutput = 12;
constexpr std::uint32_t kRightOutput = 13;
constexpr std::uint32_t kEnabled = 14;
constexpr std::uint32_t kPortCount = 15;
constexpr const char* kEnabledSymbol = "enabled";

// The symbols of the parameters' ports, in index order, and of the audio ports
// from kLeftInput on.
constexpr const char* kControlSymbols[kNumParameters] = {"ls_freq", "ls_gain", "a_freq", "a_gain", "a_q",
                                                         "b_freq",  "b_gain",  "b_q",    "hs_freq", "hs_gain"};
constexpr const char* kAudioSymbols[4] = {"in_left", "in_right", "out_left", "out_right"};

}  // namespace korvo_lv2
