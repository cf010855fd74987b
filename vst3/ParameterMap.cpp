#include "vst3/ParameterMap.h"

#include <string>

#include "eq/EqEffect.h"
#include "eq/ParameterParser.h"
#include "eq/Parameters.h"
#include "host/VstAbi.h"

namespace korvo_vst3 {

using namespace vst3;

bool ParameterMap::isParameter(ParamID id) { return id < static_cast<ParamID>(kNumParameters); }

void ParameterMap::copyUtf16(String128 target, const char* text)
{
    int n = 0;
    for (; text && text[n] != 0 && n < 127; ++n) {
        target[n] = static_cast<char16>(static_cast<unsigned char>(text[n]));
    }
    for (; n < 128; ++n) {
        target[n] = 0;
    }
}

bool ParameterMap::describe(int32 index, double defaultValue, vst3::ParameterInfo& info)
{
    if (index < 0 || !isParameter(static_cast<ParamID>(index))) {
        return false;
    }
    const ::ParameterInfo& entry = kParameters[index];
    info.id = static_cast<ParamID>(index);
    copyUtf16(info.title, entry.name);
    copyUtf16(info.shortTitle, entry.name);
    copyUtf16(info.units, entry.label);
    info.stepCount = 0;
    info.defaultNormalizedValue = defaultValue;
    info.unitId = kRootUnitId;
    info.flags = vst3::ParameterInfo::kCanAutomate;
    return true;
}

void ParameterMap::describeBypass(vst3::ParameterInfo& info)
{
    info.id = kBypassId;
    copyUtf16(info.title, "Bypass");
    copyUtf16(info.shortTitle, "Bypass");
    copyUtf16(info.units, "");
    info.stepCount = 1;
    info.defaultNormalizedValue = 0.0;
    info.unitId = kRootUnitId;
    info.flags = vst3::ParameterInfo::kCanAutomate | vst3::ParameterInfo::kIsBypass;
}

bool ParameterMap::set(EffectBase& effect, ParamID id, ParamValue value)
{
    return EqEffect::of(effect).setFaceValue(id, value);
}

ParamValue ParameterMap::get(EffectBase& effect, ParamID id)
{
    double value = 0.0;
    return EqEffect::of(effect).getFaceValue(id, value) ? value : 0.0;
}

bool ParameterMap::text(ParamID id, ParamValue value, float rate, String128 string)
{
    if (id == kBypassId && string) {
        copyUtf16(string, EqEffect::bypassText(value));
        return true;
    }
    if (!isParameter(id) || !string) {
        return false;
    }
    const int index = static_cast<int>(id);
    char shown[kVstMaxParamStrLen + 1];
    formatStored(index, static_cast<float>(value), rate, shown, kVstMaxParamStrLen);
    copyUtf16(string, shown);
    return true;
}

bool ParameterMap::value(ParamID id, const char16* string, float rate, ParamValue& result)
{
    if ((!isParameter(id) && id != kBypassId) || !string) {
        return false;
    }
    std::string text;
    for (int n = 0; n < 128 && string[n] != 0; ++n) {
        if (string[n] > 0x7F) {
            return false;  // no unit or number the parser reads has such a character
        }
        text += static_cast<char>(string[n]);
    }
    if (id == kBypassId) {
        return EqEffect::bypassValue(text.c_str(), result);
    }
    float normalised = 0.0f;
    std::string error;
    if (!parseParameterValue(static_cast<int>(id), text, normalised, error, rate)) {
        return false;
    }
    result = normalised;
    return true;
}

ParamValue ParameterMap::toPlain(ParamID id, ParamValue normalised)
{
    return isParameter(id) ? ::toPlain(static_cast<int>(id), static_cast<float>(normalised)) : normalised;
}

ParamValue ParameterMap::toNormalised(ParamID id, ParamValue plain)
{
    return isParameter(id) ? ::toNormalised(static_cast<int>(id), static_cast<float>(plain)) : plain;
}

}  // namespace korvo_vst3
