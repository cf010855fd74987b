#include "eq/Parameters.h"

#include <cmath>
#include <cstring>

#include "host/TextHelpers.h"

const ParameterInfo kParameters[kNumParameters] = {
    {"LS-Freq", "Hz", ParameterUnit::Frequency, 500.0f, 40.0f, 0},
    {"LS-Gain", "dB", ParameterUnit::Gain, 40.0f, 0.0f, 0},
    {"A-Freq", "Hz", ParameterUnit::Frequency, 20000.0f, 100.0f, 1},
    {"A-Gain", "dB", ParameterUnit::Gain, 40.0f, 0.0f, 1},
    {"A-Q", "", ParameterUnit::Q, 1.0f, 0.001f, 1},
    {"B-Freq", "Hz", ParameterUnit::Frequency, 20000.0f, 100.0f, 2},
    {"B-Gain", "dB", ParameterUnit::Gain, 40.0f, 0.0f, 2},
    {"B-Q", "", ParameterUnit::Q, 1.0f, 0.001f, 2},
    {"HS-Freq", "Hz", ParameterUnit::Frequency, 10000.0f, 5000.0f, 3},
    {"HS-Gain", "dB", ParameterUnit::Gain, 40.0f, 0.0f, 3},
};

const BandInfo kBands[kNumBands] = {
    {LowShelf, 0, 1, -1, "LOW SHELF"},
    {Peaking, 2, 3, 4, "MID A"},
    {Peaking, 5, 6, 7, "MID B"},
    {HighShelf, 8, 9, -1, "HIGH SHELF"},
};

bool isUsableRate(double rate) { return rate >= kMinSampleRate && rate <= kMaxSampleRate; }

bool isValidParameter(std::int32_t index) { return index >= 0 && index < kNumParameters; }

float usableValue(float value)
{
    if (std::isnan(value)) {
        return 0.5f;
    }
    if (value < 0.0f) {
        return 0.0f;
    }
    if (value > 1.0f) {
        return 1.0f;
    }
    return value;
}

float toPlain(int index, float v)
{
    const ParameterInfo& p = kParameters[index];
    switch (p.unit) {
    case ParameterUnit::Frequency: {
        const float product = v * p.scale;
        return product + p.offset;
    }
    case ParameterUnit::Gain: {
        const float difference = v - 0.5f;
        return difference * p.scale;
    }
    case ParameterUnit::Q:
    default:
        return v + p.offset;
    }
}

float toNormalised(int index, float plain)
{
    const ParameterInfo& p = kParameters[index];
    switch (p.unit) {
    case ParameterUnit::Frequency:
        return (plain - p.offset) / p.scale;
    case ParameterUnit::Gain:
        return plain / p.scale + 0.5f;
    case ParameterUnit::Q:
    default:
        return plain - p.offset;
    }
}

float storedFromPlain(int index, double plain)
{
    return std::fmin(1.0f, std::fmax(0.0f, toNormalised(index, static_cast<float>(plain))));
}

bool gainIsActive(float gainValue) { return std::fabs(usableValue(gainValue) - 0.5f) > kGainDeadZone; }

float frequencyLimit(double designRate) { return static_cast<float>(kMaxFrequencyRatio * designRate); }

float effectivePlain(int index, float storedValue, double designRate)
{
    if (kParameters[index].unit == ParameterUnit::Gain && !gainIsActive(storedValue)) {
        return 0.0f;
    }
    const float plain = toPlain(index, usableValue(storedValue));
    if (kParameters[index].unit == ParameterUnit::Frequency) {
        const float limit = frequencyLimit(designRate);
        return plain > limit ? limit : plain;
    }
    return plain;
}

namespace {

// Fixed-point text rounded half away from zero, built from integers so every
// platform writes the same characters. A zero never carries a minus sign.
void formatFixed(double value, int decimals, bool showPlus, char* text, int maxLen)
{
    long long scale = 1;
    for (int i = 0; i < decimals; ++i) {
        scale *= 10;
    }
    const long long rounded = std::llround(value * static_cast<double>(scale));
    const bool negative = rounded < 0;
    unsigned long long magnitude =
        negative ? 0ULL - static_cast<unsigned long long>(rounded) : static_cast<unsigned long long>(rounded);

    char digits[32];
    int n = 0;
    for (int i = 0; i < decimals; ++i) {
        digits[n++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    }
    if (decimals > 0) {
        digits[n++] = '.';
    }
    do {
        digits[n++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0 && n < 30);
    if (negative) {
        digits[n++] = '-';
    } else if (showPlus) {
        digits[n++] = '+';
    }

    char out[32];
    for (int i = 0; i < n; ++i) {
        out[i] = digits[n - 1 - i];
    }
    out[n] = 0;
    copyText(text, out, maxLen);
}

}  // namespace

void formatPlain(int index, float plain, char* text, int maxLen)
{
    if (std::isnan(plain) || std::fabs(plain) > 1.0e9f) {
        copyText(text, "?", maxLen);
        return;
    }
    switch (kParameters[index].unit) {
    case ParameterUnit::Frequency:
        formatFixed(plain, 1, false, text, maxLen);
        break;
    case ParameterUnit::Gain:
        formatFixed(plain, 2, true, text, maxLen);
        break;
    case ParameterUnit::Q:
    default:
        formatFixed(plain, 3, false, text, maxLen);
        break;
    }
}

void formatStored(int index, float storedValue, double designRate, char* text, int maxLen)
{
    formatPlain(index, effectivePlain(index, storedValue, designRate), text, maxLen);
}

namespace {

bool showsText(int index, float storedValue, double designRate, const char* text)
{
    char shown[32];
    formatStored(index, storedValue, designRate, shown, static_cast<int>(sizeof shown) - 1);
    return std::strcmp(shown, text) == 0;
}

// The value nearest the centre on one side (+1 or -1) whose band runs.
float firstActiveGain(float side)
{
    float value = 0.5f + side * kGainDeadZone;
    while (!gainIsActive(value)) {
        value = std::nextafter(value, side > 0.0f ? 1.0f : 0.0f);
    }
    return value;
}

}  // namespace

bool storedShowing(int index, double plain, double designRate, float& stored)
{
    char text[32];
    formatPlain(index, static_cast<float>(plain), text, static_cast<int>(sizeof text) - 1);
    const float candidates[] = {
        storedFromPlain(index, plain),
        kParameters[index].unit == ParameterUnit::Gain ? firstActiveGain(plain < 0.0 ? -1.0f : 1.0f)
                                                       : storedFromPlain(index, plain),
    };
    for (const float candidate : candidates) {
        if (showsText(index, candidate, designRate, text)) {
            stored = candidate;
            return true;
        }
    }
    return false;
}
