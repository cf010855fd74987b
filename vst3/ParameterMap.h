// The equaliser's ten parameters as the VST 3 controller presents them: ids 0
// to 9 are the VST 2 indices, for ever; titles, units, mappings and texts all
// come from the one parameter table (eq/Parameters.h) and its value parser.
// Id 10 is the effect's bypass, which the VST 2 module does not have.
#pragma once

#include "eq/EqEffect.h"
#include "vst3/interface/Controller.h"

namespace korvo_vst3 {

class ParameterMap {
public:
    static bool isParameter(vst3::ParamID id);

    // Any thread. False for an index outside 0..9.
    static bool describe(vst3::int32 index, double defaultValue, vst3::ParameterInfo& info);
    // Any thread. The text the VST 2 module displays for this value at this
    // rate; the bypass's "On" or "Off".
    static bool text(vst3::ParamID id, vst3::ParamValue value, float rate, vst3::String128 string);
    // Not the audio thread (it allocates). What korvo --set reads, and every
    // text shown at this rate (for the bypass, its two texts); false for text
    // the parser refuses.
    static bool value(vst3::ParamID id, const vst3::char16* string, float rate, vst3::ParamValue& value);
    // Any thread: the table's mappings, single-precision as the effect computes them.
    static vst3::ParamValue toPlain(vst3::ParamID id, vst3::ParamValue normalised);
    static vst3::ParamValue toNormalised(vst3::ParamID id, vst3::ParamValue plain);

    // The bypass: "Bypass", stepped, off (0) or on (1), the host's own switch.
    static constexpr vst3::ParamID kBypassId = EqEffect::kBypassId;
    static void describeBypass(vst3::ParameterInfo& info);
    // Any thread, the audio thread included: a value set on the effect, for a
    // parameter or the bypass (on from 0.5); false for another id.
    static bool set(EffectBase& effect, vst3::ParamID id, vst3::ParamValue value);
    // Any thread: the effect's value; 0 for an unknown id.
    static vst3::ParamValue get(EffectBase& effect, vst3::ParamID id);

    // ASCII text as UTF-16, cut to fit with its terminator.
    static void copyUtf16(vst3::String128 target, const char* text);
};

}  // namespace korvo_vst3
