#include "tools/SettingParser.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "eq/Parameters.h"

namespace {

std::string lower(std::string text)
{
    for (char& c : text) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

std::string trim(const std::string& text)
{
    std::size_t begin = 0, end = text.size();
    while (begin < end && std::isspace(static_cast<unsigned char>(text[begin]))) ++begin;
    while (end > begin && std::isspace(static_cast<unsigned char>(text[end - 1]))) --end;
    return text.substr(begin, end - begin);
}

std::string number(double value)
{
    char text[32];
    std::snprintf(text, sizeof(text), "%g", value);
    return text;
}

const char* unitWord(int index)
{
    switch (kParameters[index].unit) {
    case ParameterUnit::Frequency:
        return " Hz";
    case ParameterUnit::Gain:
        return " dB";
    case ParameterUnit::Q:
    default:
        return "";
    }
}

}  // namespace

int findParameterByName(const std::string& name)
{
    const std::string wanted = lower(trim(name));
    for (int i = 0; i < kNumParameters; ++i) {
        if (lower(kParameters[i].name) == wanted) {
            return i;
        }
    }
    return -1;
}

std::string parameterNames()
{
    std::string names;
    for (int i = 0; i < kNumParameters; ++i) {
        names += (i ? ", " : "") + std::string(kParameters[i].name);
    }
    return names;
}

std::string describeRange(int index)
{
    const std::string unit = unitWord(index);
    return number(toPlain(index, 0.0f)) + unit + " to " + number(toPlain(index, 1.0f)) + unit;
}

bool parseSetting(const std::string& argument, Setting& setting, std::string& error)
{
    const std::size_t equals = argument.find('=');
    if (equals == std::string::npos) {
        error = "setting '" + argument + "' is not NAME=VALUE";
        return false;
    }
    const std::string name = trim(argument.substr(0, equals));
    const std::string valueText = trim(argument.substr(equals + 1));
    const int index = findParameterByName(name);
    if (index < 0) {
        error = "unknown parameter '" + name + "' (parameters: " + parameterNames() + ")";
        return false;
    }

    const char* start = valueText.c_str();
    char* end = nullptr;
    const double number = std::strtod(start, &end);
    if (end == start || !std::isfinite(number)) {
        error = name + "=" + valueText + ": not a number";
        return false;
    }
    const std::string unit = lower(trim(end));
    const ParameterUnit kind = kParameters[index].unit;

    double plain = 0.0;
    bool inUnit = true;
    if (unit.empty()) {
        inUnit = kind == ParameterUnit::Q;
        plain = number;
    } else if (kind == ParameterUnit::Frequency && (unit == "hz" || unit == "khz" || unit == "k")) {
        plain = unit == "hz" ? number : number * 1000.0;
    } else if (kind == ParameterUnit::Gain && unit == "db") {
        plain = number;
    } else {
        error = name + "=" + valueText + ": '" + unit + "' is not a unit of " + name +
                (kind == ParameterUnit::Frequency ? " (use Hz or kHz)"
                                                  : kind == ParameterUnit::Gain ? " (use dB)" : " (a Q has no unit)");
        return false;
    }

    double normalised = number;
    if (inUnit) {
        const double low = toPlain(index, 0.0f), high = toPlain(index, 1.0f);
        const double slack = 1e-6 * std::fmax(1.0, std::fabs(high - low));
        if (plain < low - slack || plain > high + slack) {
            error = name + "=" + valueText + " is outside the knob's range, " + describeRange(index);
            return false;
        }
        normalised = toNormalised(index, static_cast<float>(plain));
    } else if (number < 0.0 || number > 1.0) {
        error = name + "=" + valueText + " is outside 0..1; give a normalised value or one in" + unitWord(index) +
                " within the knob's range, " + describeRange(index);
        return false;
    }
    setting.index = index;
    setting.value = std::fmin(1.0f, std::fmax(0.0f, static_cast<float>(normalised)));
    return true;
}
