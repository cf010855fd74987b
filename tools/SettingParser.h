// Turns the command line's NAME=VALUE settings into normalised parameter values.
// VALUE is a normalised value 0..1, or a value in the parameter's unit: "1000Hz",
// "2.5kHz", "+6dB". A Q has no unit, so a plain number for a Q parameter is the Q.
#pragma once

#include <string>

struct Setting {
    int index;     // parameter index
    float value;   // normalised 0..1
};

// False with a one-line message for an unknown name or a value it cannot read or
// that lies outside the knob's range.
bool parseSetting(const std::string& argument, Setting& setting, std::string& error);

// The parameter's index by name, ignoring case; -1 when there is none.
int findParameterByName(const std::string& name);

// The knob's range in the parameter's unit, as text: "100 Hz to 20100 Hz".
std::string describeRange(int index);

// The comma-separated list of parameter names.
std::string parameterNames();
