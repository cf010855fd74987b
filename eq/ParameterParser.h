// Reads parameter values written as text, for every face's text-to-value call
// and for the command line's NAME=VALUE settings. A value is in the
// parameter's unit, which may be written or left out: "1000", "1000Hz",
// "2.5kHz", "1 kHz", "+6", "-6dB", and for a Q the Q itself. A value ending in
// n is the host's normalised value 0..1 ("0.7n"), stored exactly as given.
// Numbers read the same whatever the C locale. It allocates: never call it
// from the audio thread.
#pragma once

#include <string>

struct Setting {
    int index;     // parameter index
    float value;   // normalised 0..1
};

// A value for parameter `index` as its normalised 0..1, or false with a short
// reason ("out of range -20..+20 dB") for a value it cannot read or that lies
// outside the knob's range. `rate` is the sample rate the value is shown at,
// where the caller knows it (0 where not): every text shown there reads back
// to a value that shows the same text (eq/Parameters.h, storedShowing), the
// frequency a low rate holds a band at below the knob's range included.
bool parseParameterValue(int index, const std::string& text, float& normalised, std::string& error,
                         double rate = 0.0);

// NAME=VALUE; false with a one-line message for an unknown name or a value it
// cannot read or that lies outside the knob's range; `rate` as above.
bool parseSetting(const std::string& argument, Setting& setting, std::string& error, double rate = 0.0);

// The parameter's index by name, ignoring case; -1 when there is none.
int findParameterByName(const std::string& name);

// The knob's range in the parameter's unit, as text: "100 to 20100 Hz",
// "-20 to +20 dB", "0.001 to 1.001".
std::string describeRange(int index);

// The comma-separated list of parameter names.
std::string parameterNames();

// What a number given with an optional unit measures, and so the units it takes
// (ignoring case, as --set takes them): a frequency in Hz, kHz or k; a gain in
// dB; a level in dBFS or dB.
enum class Quantity { Frequency, Gain, Level };

enum class QuantityReading { Read, NotANumber, NotItsUnit };

// The number in Hz for a frequency, in dB for a gain or a level: "44.1k" is
// 44100, "-1dBFS" -1. `unit` is the unit as written, when there is one.
QuantityReading parseQuantity(const std::string& text, Quantity quantity, double& value, std::string& unit);

// Whether a word is a unit on its own, as a value's unit arrives when a space
// sets it apart from its number: dB, dBFS, Hz, kHz, k or n (a normalised value).
bool isUnitWord(const std::string& word);
