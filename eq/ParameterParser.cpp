#include "eq/ParameterParser.h"

#include <cctype>
#include <charconv>
#include <system_error>
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

namespace {

// The knob's ends in the parameter's unit, between them the given text: a gain
// carries its sign ("-20 to +20 dB"), a Q no unit.
std::string rangeText(int index, const char* between)
{
    const char* format = kParameters[index].unit == ParameterUnit::Gain ? "%+g" : "%g";
    char low[32], high[32];
    std::snprintf(low, sizeof(low), format, static_cast<double>(toPlain(index, 0.0f)));
    std::snprintf(high, sizeof(high), format, static_cast<double>(toPlain(index, 1.0f)));
    return std::string(low) + between + high + unitWord(index);
}

}  // namespace

std::string describeRange(int index) { return rangeText(index, " to "); }

namespace {

// The number that begins `text` and the unit after it as written, trimmed.
// Read the same whatever the C locale the host has set ("1.5", never "1,5").
bool splitQuantity(const std::string& text, double& number, std::string& unit)
{
    const std::string trimmed = trim(text);
    const char* start = trimmed.c_str();
    const char* last = start + trimmed.size();
    const bool negative = *start == '-';
    if (*start == '+' || negative) ++start;
    if (*start == '+' || *start == '-') return false;
    const auto read = std::from_chars(start, last, number);
    if (read.ec != std::errc() || !std::isfinite(number)) return false;
    if (negative) number = -number;
    unit = trim(read.ptr);
    return true;
}

// What a value in `unit` is multiplied by to be in the quantity's own unit;
// 0 for a unit the quantity does not take. No unit is the quantity's own.
double unitFactor(Quantity quantity, const std::string& written)
{
    const std::string unit = lower(written);
    if (unit.empty()) return 1.0;
    switch (quantity) {
    case Quantity::Frequency:
        return unit == "hz" ? 1.0 : unit == "khz" || unit == "k" ? 1000.0 : 0.0;
    case Quantity::Gain:
        return unit == "db" ? 1.0 : 0.0;
    case Quantity::Level:
    default:
        return unit == "db" || unit == "dbfs" ? 1.0 : 0.0;
    }
}

}  // namespace

QuantityReading parseQuantity(const std::string& text, Quantity quantity, double& value, std::string& unit)
{
    double number = 0.0;
    if (!splitQuantity(text, number, unit)) return QuantityReading::NotANumber;
    const double factor = unitFactor(quantity, unit);
    if (factor == 0.0) return QuantityReading::NotItsUnit;
    value = number * factor;
    return QuantityReading::Read;
}

bool isUnitWord(const std::string& word)
{
    const std::string unit = lower(word);
    return unit == "db" || unit == "dbfs" || unit == "hz" || unit == "khz" || unit == "k" || unit == "n";
}

bool parseParameterValue(int index, const std::string& text, float& normalised, std::string& error, double rate)
{
    if (!isValidParameter(index)) {
        error = "no such parameter";
        return false;
    }
    const std::string valueText = trim(text);
    double number = 0.0;
    std::string unit;
    if (!splitQuantity(valueText, number, unit)) {
        error = "not a number";
        return false;
    }
    const ParameterUnit kind = kParameters[index].unit;

    // A trailing n marks the host's normalised value, stored as given.
    if (lower(unit) == "n") {
        if (number < 0.0 || number > 1.0) {
            error = "out of range 0..1 for a normalised value";
            return false;
        }
        normalised = std::fmin(1.0f, std::fmax(0.0f, static_cast<float>(number)));
        return true;
    }

    // Otherwise the value is in the parameter's unit, written or not: Hz, dB or the Q.
    const double factor = kind == ParameterUnit::Frequency ? unitFactor(Quantity::Frequency, unit)
                          : kind == ParameterUnit::Gain    ? unitFactor(Quantity::Gain, unit)
                          : unit.empty()                   ? 1.0
                                                           : 0.0;
    if (factor == 0.0) {
        error = "'" + unit + "' is not a unit of " + kParameters[index].name +
                (kind == ParameterUnit::Frequency ? " (use Hz or kHz, or n for a normalised value)"
                 : kind == ParameterUnit::Gain    ? " (use dB, or n for a normalised value)"
                                                  : " (a Q has no unit; n marks a normalised value)");
        return false;
    }
    const double plain = number * factor;

    // Text shown at this rate reads back to a value that shows it.
    float shown = 0.0f;
    if (isUsableRate(rate) && storedShowing(index, plain, rate, shown)) {
        normalised = shown;
        return true;
    }

    const double low = toPlain(index, 0.0f), high = toPlain(index, 1.0f);
    const double slack = 1e-6 * std::fmax(1.0, std::fabs(high - low));
    if (plain < low - slack || plain > high + slack) {
        error = "out of range " + rangeText(index, "..");
        // Plain numbers from 0 to 1 were once normalised values for all but the Qs;
        // say how to write one now.
        if (unit.empty() && kind != ParameterUnit::Q && number >= 0.0 && number <= 1.0) {
            error += " (a normalised value is written " + valueText + "n)";
        }
        return false;
    }
    normalised = storedFromPlain(index, plain);
    return true;
}

bool parseSetting(const std::string& argument, Setting& setting, std::string& error, double rate)
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
    float value = 0.0f;
    std::string reason;
    if (!parseParameterValue(index, valueText, value, reason, rate)) {
        error = name + "=" + valueText + ": " + reason;
        return false;
    }
    setting.index = index;
    setting.value = value;
    return true;
}
