#include "clap/ParameterMap.h"

#include <cstring>
#include <string>

#include "eq/EqEffect.h"
#include "eq/ParameterParser.h"
#include "eq/Parameters.h"
#include "host/TextHelpers.h"
#include "host/VstAbi.h"

namespace korvo_clap {

namespace {

bool isParameter(clap_id id) { return id < static_cast<clap_id>(kNumParameters); }

}  // namespace

bool ParameterMap::describe(std::uint32_t index, double defaultValue, clap_param_info_t& info)
{
    if (!isParameter(index)) {
        return false;
    }
    const ParameterInfo& entry = kParameters[index];
    std::memset(&info, 0, sizeof info);
    info.id = index;
    info.flags = CLAP_PARAM_IS_AUTOMATABLE;
    copyText(info.name, entry.name, CLAP_NAME_SIZE - 1);
    copyText(info.module, kBands[entry.band].title, CLAP_PATH_SIZE - 1);
    info.min_value = 0.0;
    info.max_value = 1.0;
    info.default_value = defaultValue;
    return true;
}

void ParameterMap::describeBypass(clap_param_info_t& info)
{
    std::memset(&info, 0, sizeof info);
    info.id = kBypassId;
    info.flags = CLAP_PARAM_IS_BYPASS | CLAP_PARAM_IS_STEPPED | CLAP_PARAM_IS_AUTOMATABLE;
    copyText(info.name, "Bypass", CLAP_NAME_SIZE - 1);
    info.min_value = 0.0;
    info.max_value = 1.0;
    info.default_value = 0.0;
}

// The host's values are the normalised 0..1 every face carries: the effect
// gets the very float a VST 2 host would set.
bool ParameterMap::set(EffectBase& effect, clap_id id, double value)
{
    return EqEffect::of(effect).setFaceValue(id, value);
}

bool ParameterMap::get(EffectBase& effect, clap_id id, double& value)
{
    return EqEffect::of(effect).getFaceValue(id, value);
}

bool ParameterMap::text(clap_id id, double value, float rate, char* buffer, std::uint32_t capacity)
{
    if (id == kBypassId && buffer) {
        const char* shown = EqEffect::bypassText(value);
        const std::size_t length = std::strlen(shown);
        if (length >= capacity) {
            return false;
        }
        std::memcpy(buffer, shown, length + 1);
        return true;
    }
    if (!isParameter(id) || !buffer || capacity == 0) {
        return false;
    }
    const int index = static_cast<int>(id);
    char shown[kVstMaxParamStrLen + 1];
    formatStored(index, static_cast<float>(value), rate, shown, kVstMaxParamStrLen);
    const char* label = kParameters[index].label;
    char whole[2 * kVstMaxParamStrLen + 2];
    copyText(whole, shown, static_cast<std::int32_t>(sizeof whole - 1));
    if (label[0] != 0) {
        appendText(whole, " ", static_cast<std::int32_t>(sizeof whole - 1));
        appendText(whole, label, static_cast<std::int32_t>(sizeof whole - 1));
    }
    const std::size_t length = std::strlen(whole);
    if (length >= capacity) {
        return false;
    }
    std::memcpy(buffer, whole, length + 1);
    return true;
}

bool ParameterMap::value(clap_id id, const char* text, float rate, double& value)
{
    if (id == kBypassId) {
        return EqEffect::bypassValue(text, value);
    }
    if (!isParameter(id) || !text) {
        return false;
    }
    float normalised = 0.0f;
    std::string error;
    if (!parseParameterValue(static_cast<int>(id), text, normalised, error, rate)) {
        return false;
    }
    value = normalised;
    return true;
}

}  // namespace korvo_clap
