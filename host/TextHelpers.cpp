#include "host/TextHelpers.h"

#include <cmath>

namespace {

const char* const kHuge = "Huge!";
const char* const kNotANumber = "NaN";

// Largest magnitudes floatToString accepts at all.
const double kNegativeLimit = 9999999.0;
const double kPositiveLimit = 99999999.0;
// The 8-character budget holds 7 integer digits plus the point, or 6 after a
// sign; anything from these magnitudes up would lose its leading digit.
const double kPositiveFitLimit = 10000000.0;
const double kNegativeFitLimit = 1000000.0;

const double kBase = 10.0;
const double kBaseReciprocal = 0.1;
const int kBudget = 8;         // characters, sign and point included
const int kScratchSize = 32;

const int32_t kIntLimit = 100000000;
const uint32_t kFirstIntDivisor = 1000000000u;  // the largest power of ten in 32 bits

// Rounds to a 64-bit double through memory, so the running values hold true
// 64-bit doubles even where the compiler would keep them in wider registers.
double stored(double x)
{
    volatile double slot = x;
    return slot;
}

// The units digit of a non-negative x, truncated.
char digitOf(double x)
{
    return static_cast<char>('0' + static_cast<int>(std::fmod(x, kBase)));
}

} // namespace

void copyText(char* text, const char* src, int32_t maxLen)
{
    if (text == nullptr || maxLen < 0)
        return;
    int32_t i = 0;
    if (src != nullptr)
        for (; i < maxLen && src[i] != '\0'; ++i)
            text[i] = src[i];
    for (; i < maxLen; ++i)
        text[i] = '\0';
    text[maxLen] = '\0';
}

void appendText(char* text, const char* src, int32_t maxLen)
{
    if (text == nullptr || maxLen < 0)
        return;
    int32_t length = 0;
    while (length < maxLen && text[length] != '\0')
        ++length;
    if (src != nullptr)
        for (int32_t i = 0; length < maxLen && src[i] != '\0'; ++i)
            text[length++] = src[i];
    text[length] = '\0';
    text[maxLen] = '\0';
}

void formatFloat(float value, char* text, int32_t maxLen)
{
    double v = value;
    if (std::isnan(v)) {
        copyText(text, kNotANumber, maxLen);
        return;
    }

    // -0.0 is not below zero and so shows without a sign.
    bool negative = false;
    int count = 0;
    if (v < 0.0) {
        v = -v;
        negative = true;
        count = 1;
        if (v > kNegativeLimit || v >= kNegativeFitLimit) {
            copyText(text, kHuge, maxLen);
            return;
        }
    } else if (v > kPositiveLimit || v >= kPositiveFitLimit) {
        copyText(text, kHuge, maxLen);
        return;
    }

    // Integer part, right to left, ending in the point.
    char scratch[kScratchSize];
    int pos = kScratchSize - 1;
    scratch[pos] = '\0';
    scratch[--pos] = '.';
    double whole = std::floor(v);
    scratch[--pos] = digitOf(whole);
    whole = stored(whole * kBaseReciprocal);
    count += 2;
    while (whole >= 1.0 && count < kBudget) {
        scratch[--pos] = digitOf(whole);
        whole = stored(whole * kBaseReciprocal);
        ++count;
    }
    if (negative)
        scratch[--pos] = '-';
    copyText(text, scratch + pos, maxLen);
    if (count >= kBudget)
        return;

    // Fraction part: the remaining characters, truncated.
    const int places = kBudget - count;
    double scale = 1.0;
    for (int i = 0; i < places; ++i)
        scale *= kBase;  // exact for these small powers, unlike some pow()s
    double fraction = stored(scale * std::fmod(v, 1.0));
    char digits[kBudget + 1];
    digits[places] = '\0';
    for (int i = places - 1; i >= 0; --i) {
        if (fraction <= 0.0) {
            digits[i] = '0';
        } else {
            digits[i] = digitOf(fraction);
            fraction = stored(fraction * kBaseReciprocal);
        }
    }
    appendText(text, digits, maxLen);
}

void formatInt(int32_t value, char* text, int32_t maxLen)
{
    if (value >= kIntLimit) {
        copyText(text, kHuge, maxLen);
        return;
    }

    // Work on the magnitude unsigned, so INT32_MIN negates without overflow.
    uint32_t magnitude;
    if (value < 0) {
        copyText(text, "-", maxLen);
        magnitude = 0u - static_cast<uint32_t>(value);
    } else {
        copyText(text, "", maxLen);
        magnitude = static_cast<uint32_t>(value);
    }

    // Ten divisors cover every 32-bit magnitude; leading zeros are suppressed.
    char digits[11];
    int count = 0;
    for (uint32_t divisor = kFirstIntDivisor; divisor != 0; divisor /= 10) {
        const uint32_t digit = magnitude / divisor;
        magnitude -= digit * divisor;
        if (digit != 0 || count != 0)
            digits[count++] = static_cast<char>('0' + digit);
    }
    if (count == 0)
        digits[count++] = '0';
    digits[count] = '\0';
    appendText(text, digits, maxLen);
}
