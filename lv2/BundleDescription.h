// The text of the LV2 bundle's description (Turtle), written at build time
// from the parameter table and the effect's initial program, so that names,
// units, ranges and defaults are the code's own: manifest.ttl, the plug-in's
// description KorvoEQ.ttl and, in presets.ttl, the initial program and the
// factory presets (eq/FactoryPresets.h) as presets.
#pragma once

#include <string>

#include "eq/Parameters.h"

namespace korvo_lv2 {

class BundleDescription {
public:
    // `initial`: the effect's values as made (its initial program) and that
    // program's name; `minor` and `micro`: the plug-in's LV2 version.
    BundleDescription(const float (&initial)[kNumParameters], const std::string& programName, int minor, int micro);

    // With an editor in the UI binary `binary` (a file name in the bundle),
    // the manifest describes it and the plug-in names it.
    void setUiBinary(const std::string& binary) { uiBinary = binary; }

    std::string manifest() const;     // manifest.ttl: the plug-in, its preset (and its UI)
    std::string description() const;  // KorvoEQ.ttl
    std::string presets() const;      // presets.ttl

    // The URI of a factory preset: the plug-in's, "#preset-" and the name in
    // lower case with '-' between its words ("#preset-vocal-presence").
    static std::string presetUri(int index);

    static constexpr const char* kDspBinary = "KorvoEQ_dsp.so";
    static constexpr const char* kDescriptionFile = "KorvoEQ.ttl";
    static constexpr const char* kPresetsFile = "presets.ttl";

    // A value as a Turtle decimal that reads back as the same float: the
    // fewest digits that do, always with a point ("290.0", "0.501", "-20.0").
    static std::string decimal(float value);

private:
    std::string controlPort(int index) const;
    // One preset: its label and each port's value, in the ports' units.
    static std::string preset(const std::string& presetUriText, const std::string& label,
                              const float (&plain)[kNumParameters]);
    static std::string audioPort(std::uint32_t index);

    float defaults[kNumParameters];  // in the parameters' units
    std::string programName;
    int minor;
    int micro;
    std::string uiBinary;
};

}  // namespace korvo_lv2
