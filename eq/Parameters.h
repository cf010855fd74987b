// The one parameter table: names, units, the mapping from the host's normalised
// 0..1 values to hertz, decibels and Q, its inverse, and the display text. The
// effect, the editor, the command-line host and the tests all read it.
#pragma once

#include <cstdint>

#include "eq/BandFilter.h"

constexpr int kNumParameters = 10;
constexpr int kNumBands = 4;

enum class ParameterUnit { Frequency, Gain, Q };

struct ParameterInfo {
    const char* name;   // the host's name, at most 8 characters
    const char* label;  // the unit shown beside the value
    ParameterUnit unit;
    float scale;        // frequencies: v x scale + offset
    float offset;
    int band;           // 0 low shelf, 1 band A, 2 band B, 3 high shelf
};

extern const ParameterInfo kParameters[kNumParameters];

// Which parameters set each band; qIndex is -1 for the shelves, designed at Q 0.5.
struct BandInfo {
    BandType type;
    int frequencyIndex;
    int gainIndex;
    int qIndex;
    const char* title;
};

extern const BandInfo kBands[kNumBands];

constexpr float kShelfQ = 0.5f;
constexpr float kGainDeadZone = 0.037f;   // a gain value within this of 0.5 leaves the band out
constexpr double kMaxFrequencyRatio = 0.46;  // highest band frequency as a share of the design rate

// The sample rates the bands may be designed for. Over the whole range every
// band's design, whatever its settings, keeps its poles inside the unit
// circle (at least a quarter of the distance from it that the band is meant to
// have) and its output bounded. Below the range nothing goes wrong (a band's
// frequency is held below 0.46 of the rate), but no audio runs there; above
// it the single-precision designs of the lowest frequencies lose their poles'
// distance from z = 1: a low shelf near 40 Hz and +20 dB has a pole outside
// the unit circle at 352.8 kHz, and at 40 Hz one on it from about 1.2 MHz.
constexpr double kMinSampleRate = 1000.0;
constexpr double kMaxSampleRate = 192000.0;

// Whether a rate lies in that range (NaN and infinities do not). Every face
// refuses another, and the effect keeps its rate.
bool isUsableRate(double rate);

bool isValidParameter(std::int32_t index);

// A stored value as the bands use it: clamped to 0..1, NaN taken as 0.5.
float usableValue(float value);

// The mapping, one single-precision operation at a time, on the value as given.
float toPlain(int index, float normalised);

// The inverse mapping; not clamped.
float toNormalised(int index, float plain);

// The stored value for a plain value in the parameter's unit, exactly as
// `korvo --set NAME=VALUE` stores a number it read: taken to single precision,
// mapped back (toNormalised) and clamped to 0..1. No check of the range; it
// never allocates, so the audio thread may call it (the LV2 face reads its
// control ports with it).
float storedFromPlain(int index, double plain);

// Whether a band with this stored gain value runs.
bool gainIsActive(float gainValue);

// The highest frequency a band may have at a design rate.
float frequencyLimit(double designRate);

// The value a band actually uses for a stored value at a design rate, in the
// parameter's unit: a gain inside the dead zone is 0 dB, since the band is left out.
float effectivePlain(int index, float storedValue, double designRate);

// Display text of a plain value, cut to maxLen characters (the buffer holds maxLen + 1):
// "290.0", "+0.00", "0.501".
void formatPlain(int index, float plain, char* text, int maxLen);

// The display text of a stored value as the bands use it at a design rate: what
// every face shows beside the knob.
void formatStored(int index, float storedValue, double designRate, char* text, int maxLen);

// The stored value that shows a plain value's text (formatPlain) at a design
// rate, as a shown value is read back: storedFromPlain's where it shows that
// text (a frequency a low rate holds below the knob's range, "3680.0" for
// HS-Freq at 8000 Hz, reads back as the knob's lowest, which shows it), else
// the first value past the gain's dead zone on its side ("+1.48" and "-1.48",
// which storedFromPlain puts just inside it). False when neither shows it.
bool storedShowing(int index, double plain, double designRate, float& stored);
