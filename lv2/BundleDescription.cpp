#include "lv2/BundleDescription.h"

#include <cctype>
#include <charconv>

#include "eq/EqEffect.h"
#include "eq/FactoryPresets.h"
#include "lv2/PortLayout.h"

namespace korvo_lv2 {

namespace {

const char* const kPrefixes =
    "@prefix doap: <http://usefulinc.com/ns/doap#> .\n"
    "@prefix foaf: <http://xmlns.com/foaf/0.1/> .\n"
    "@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n"
    "@prefix opts: <http://lv2plug.in/ns/ext/options#> .\n"
    "@prefix pg: <http://lv2plug.in/ns/ext/port-groups#> .\n"
    "@prefix pprops: <http://lv2plug.in/ns/ext/port-props#> .\n"
    "@prefix pset: <http://lv2plug.in/ns/ext/presets#> .\n"
    "@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .\n"
    "@prefix ui: <http://lv2plug.in/ns/extensions/ui#> .\n"
    "@prefix units: <http://lv2plug.in/ns/extensions/units#> .\n"
    "@prefix urid: <http://lv2plug.in/ns/ext/urid#> .\n"
    "\n"
    "# Written at build time from the equaliser's parameter table (lv2/BundleDescription.cpp).\n"
    "\n";

std::string uri(const char* text) { return std::string("<") + text + ">"; }

// A string literal: quotes and backslashes escaped.
std::string literal(const std::string& text)
{
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') {
            quoted += '\\';
        }
        quoted += c;
    }
    return quoted + "\"";
}

const char* unitOf(int index)
{
    switch (kParameters[index].unit) {
    case ParameterUnit::Frequency:
        return "units:hz";
    case ParameterUnit::Gain:
        return "units:db";
    case ParameterUnit::Q:
    default:
        return nullptr;  // a Q has no unit
    }
}

}  // namespace

BundleDescription::BundleDescription(const float (&initial)[kNumParameters], const std::string& name, int minorVersion,
                                     int microVersion)
    : programName(name), minor(minorVersion), micro(microVersion)
{
    for (int i = 0; i < kNumParameters; ++i) {
        defaults[i] = toPlain(i, initial[i]);
    }
}

std::string BundleDescription::decimal(float value)
{
    char text[64];
    const auto written = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed);
    std::string digits(text, written.ptr);
    if (digits.find('.') == std::string::npos) {
        digits += ".0";
    }
    return digits;
}

std::string BundleDescription::manifest() const
{
    std::string text = kPrefixes;
    text += uri(kPluginUri) + "\n\ta lv2:Plugin ;\n\tlv2:binary <" + kDspBinary + "> ;\n\trdfs:seeAlso <" +
            kDescriptionFile + "> .\n\n";
    text += uri(kFactoryPresetUri) + "\n\ta pset:Preset ;\n\tlv2:appliesTo " + uri(kPluginUri) +
            " ;\n\trdfs:seeAlso <" + kPresetsFile + "> .\n";
    for (int i = 0; i < FactoryPresets::count(); ++i) {
        text += "\n" + uri(presetUri(i).c_str()) + "\n\ta pset:Preset ;\n\tlv2:appliesTo " + uri(kPluginUri) +
                " ;\n\trdfs:seeAlso <" + kPresetsFile + "> .\n";
    }
    if (!uiBinary.empty()) {
        // An X11 editor with no thread of its own, shown only inside the
        // host's window: the host pumps it through its idle interface. It
        // tells the host its size, touches the ports it turns, and takes the
        // host's scale (an option whose key and type it maps) where offered.
        // Its size is its own (its menu's or the host's scale), never the
        // user's: a host that knows that follows it down as well as up.
        text += "\n" + uri(kUiUri) + "\n\ta ui:X11UI ;\n\tui:binary <" + uiBinary +
                "> ;\n\tlv2:requiredFeature ui:idleInterface , ui:parent ;\n"
                "\tlv2:extensionData ui:idleInterface ;\n"
                "\tlv2:optionalFeature ui:resize , ui:touch , urid:map , opts:options , ui:noUserResize ;\n"
                "\topts:supportedOption ui:scaleFactor .\n";
    }
    return text;
}

std::string BundleDescription::description() const
{
    std::string text = kPrefixes;
    text += uri(kLicenceUri) + "\n\trdfs:label \"Copyright (c) 2026 Vardle. All rights reserved.\" .\n\n";
    text += uri(kInputGroupUri) +
            "\n\ta pg:StereoGroup , pg:InputGroup ;\n\tlv2:symbol \"in\" ;\n\tlv2:name \"Stereo In\" .\n\n";
    text += uri(kOutputGroupUri) +
            "\n\ta pg:StereoGroup , pg:OutputGroup ;\n\tlv2:symbol \"out\" ;\n\tlv2:name \"Stereo Out\" ;\n"
            "\tpg:source " + uri(kInputGroupUri) + " .\n\n";
    text += uri(kPluginUri) + "\n\ta lv2:Plugin , lv2:ParaEQPlugin , doap:Project ;\n";
    text += "\tdoap:name " + literal(EqEffect::kEffectName) + " ;\n";
    // The maker, as LV2 hosts read it (DOAP has no maker; hosts show the maintainer).
    text += "\tdoap:maintainer [\n\t\tfoaf:name " + literal(EqEffect::kVendorName) + "\n\t] ;\n";
    text += "\tdoap:license " + uri(kLicenceUri) + " ;\n";
    text += "\trdfs:comment \"A four-band stereo equaliser: a low shelf, two peaking bands and a high shelf\" ;\n";
    text += "\tlv2:minorVersion " + std::to_string(minor) + " ;\n\tlv2:microVersion " + std::to_string(micro) + " ;\n";
    text += "\tlv2:optionalFeature lv2:hardRTCapable ;\n";
    if (!uiBinary.empty()) {
        text += "\tui:ui " + uri(kUiUri) + " ;\n";
    }
    text += "\tpg:mainInput " + uri(kInputGroupUri) + " ;\n\tpg:mainOutput " + uri(kOutputGroupUri) + " ;\n";
    text += "\tlv2:port ";
    for (int i = 0; i < kNumParameters; ++i) {
        text += controlPort(i) + " , ";
    }
    for (std::uint32_t port = kLeftInput; port <= kRightOutput; ++port) {
        text += audioPort(port) + " , ";
    }
    // The bypass: hosts show it as their own switch.
    text += "[\n\t\ta lv2:InputPort , lv2:ControlPort ;\n\t\tlv2:index " + std::to_string(kEnabled) +
            " ;\n\t\tlv2:symbol \"" + kEnabledSymbol +
            "\" ;\n\t\tlv2:name \"Enabled\" ;\n\t\tlv2:default 1 ;\n\t\tlv2:minimum 0 ;\n\t\tlv2:maximum 1 ;\n"
            "\t\tlv2:designation lv2:enabled ;\n\t\tlv2:portProperty lv2:toggled\n\t] .\n";
    return text;
}

std::string BundleDescription::controlPort(int index) const
{
    const ParameterInfo& p = kParameters[index];
    std::string text = "[\n\t\ta lv2:InputPort , lv2:ControlPort ;\n";
    text += "\t\tlv2:index " + std::to_string(index) + " ;\n";
    text += "\t\tlv2:symbol \"" + std::string(kControlSymbols[index]) + "\" ;\n";
    text += "\t\tlv2:name " + literal(p.name) + " ;\n";
    text += "\t\tlv2:default " + decimal(defaults[index]) + " ;\n";
    text += "\t\tlv2:minimum " + decimal(toPlain(index, 0.0f)) + " ;\n";
    text += "\t\tlv2:maximum " + decimal(toPlain(index, 1.0f));
    if (const char* unit = unitOf(index)) {
        text += " ;\n\t\tunits:unit " + std::string(unit);
    }
    if (p.unit == ParameterUnit::Frequency) {
        text += " ;\n\t\tlv2:portProperty pprops:logarithmic";
    }
    return text + "\n\t]";
}

std::string BundleDescription::audioPort(std::uint32_t index)
{
    const bool input = index < kLeftOutput;
    const bool left = index == kLeftInput || index == kLeftOutput;
    std::string text = std::string("[\n\t\ta lv2:") + (input ? "InputPort" : "OutputPort") + " , lv2:AudioPort ;\n";
    text += "\t\tlv2:index " + std::to_string(index) + " ;\n";
    text += "\t\tlv2:symbol \"" + std::string(kAudioSymbols[index - kLeftInput]) + "\" ;\n";
    text += std::string("\t\tlv2:name \"") + (left ? "Left" : "Right") + (input ? " In" : " Out") + "\" ;\n";
    text += "\t\tpg:group " + uri(input ? kInputGroupUri : kOutputGroupUri) + " ;\n";
    text += std::string("\t\tlv2:designation pg:") + (left ? "left" : "right") + "\n\t]";
    return text;
}

std::string BundleDescription::presetUri(int index)
{
    // The name in lower case, each run of other characters a single '-'.
    std::string slug;
    for (const char* c = FactoryPresets::at(index).name; *c; ++c) {
        const char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(*c)));
        if (std::isalnum(static_cast<unsigned char>(lower))) {
            slug += lower;
        } else if (!slug.empty() && slug.back() != '-') {
            slug += '-';
        }
    }
    return std::string(kPluginUri) + "#preset-" + slug;
}

std::string BundleDescription::preset(const std::string& presetUriText, const std::string& label,
                                      const float (&plain)[kNumParameters])
{
    std::string text = uri(presetUriText.c_str()) + "\n\ta pset:Preset ;\n\tlv2:appliesTo " + uri(kPluginUri) + " ;\n";
    text += "\trdfs:label " + literal(label) + " ;\n\tlv2:port ";
    for (int i = 0; i < kNumParameters; ++i) {
        text += "[\n\t\tlv2:symbol \"" + std::string(kControlSymbols[i]) + "\" ;\n\t\tpset:value " +
                decimal(plain[i]) + "\n\t]" + (i + 1 < kNumParameters ? " , " : " .\n");
    }
    return text;
}

// The initial program, then the factory presets, each port at the value the
// table writes, which the plug-in stores as it stores that number from any face.
std::string BundleDescription::presets() const
{
    std::string text = kPrefixes + preset(kFactoryPresetUri, programName, defaults);
    for (int i = 0; i < FactoryPresets::count(); ++i) {
        text += "\n" + preset(presetUri(i), FactoryPresets::at(i).name, FactoryPresets::at(i).plain);
    }
    return text;
}

}  // namespace korvo_lv2
