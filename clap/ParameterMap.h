// The equaliser's ten parameters as the CLAP face presents them: ids 0 to 9
// are the VST 2 indices, for ever. Their values are the normalised 0..1 the
// VST 2 and VST 3 faces carry (min 0, max 1), not hertz or decibels, so that
// automation moves between the formats exactly and the effect gets the very
// value a VST 2 host gives it. Names, modules (the band each belongs to),
// units and texts all come from the one parameter table (eq/Parameters.h)
// and its value parser. Id 10 is the effect's bypass, which the VST 2 module
// does not have.
#pragma once

#include "clap/interface/PluginExtensions.h"
#include "eq/EqEffect.h"

namespace korvo_clap {

class ParameterMap {
public:
    // Any thread. False for an index outside 0..9.
    static bool describe(std::uint32_t index, double defaultValue, clap_param_info_t& info);
    // Any thread. The VST 2 module's display text at this rate and its unit,
    // "290.0 Hz", "+0.00 dB", "0.501"; the bypass's "On" or "Off"; false for
    // an unknown id or no room.
    static bool text(clap_id id, double value, float rate, char* buffer, std::uint32_t capacity);
    // Not the audio thread (it allocates, and may throw). What korvo --set
    // reads ("1.2kHz", "-3 dB", "0.7n"), and every text shown at this rate
    // (for the bypass, its two texts); false for text the parser refuses.
    static bool value(clap_id id, const char* text, float rate, double& value);

    // The bypass: "Bypass", stepped, off (0) or on (1), the host's own switch.
    static constexpr clap_id kBypassId = EqEffect::kBypassId;
    static void describeBypass(clap_param_info_t& info);
    // Any thread, the audio thread included: a value set on the effect, for a
    // parameter or the bypass (on from 0.5); false for another id.
    static bool set(EffectBase& effect, clap_id id, double value);
    // Any thread: the effect's value; false for an unknown id.
    static bool get(EffectBase& effect, clap_id id, double& value);
};

}  // namespace korvo_clap
