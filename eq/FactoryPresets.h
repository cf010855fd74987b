// The factory presets: one table that every face and `korvo` read, so the
// names and the values are the same wherever a host finds them. Each preset
// is written as an engineer would set the knobs, in the parameters' units
// (Hz, dB, the Q itself), and stored as the plug-in stores values: the
// normalised 0..1 that `korvo --set NAME=VALUE` would store for that number.
// A preset is the ten values and a name, nothing more: the 64-byte bank chunk
// every face with opaque state loads.
#pragma once

#include "eq/Parameters.h"
#include "eq/ProgramBank.h"

struct FactoryPreset {
    const char* name;     // unique, at most kMaxNameLength characters
    const char* purpose;  // one line: what it is for
    float plain[kNumParameters];  // in index order, in each parameter's unit
};

class FactoryPresets {
public:
    // Shorter than the program record's 24 bytes, so a name always ends in a
    // zero byte there and fits every format's name field.
    static constexpr int kMaxNameLength = 23;

    static int count();
    static const FactoryPreset& at(int index);  // index 0..count()-1

    // The index of the preset with exactly this name, or -1 (also for null).
    static int find(const char* name);

    // The stored (normalised) values of a preset, as the effect holds them.
    static void values(int index, float (&out)[kNumParameters]);

    // The preset as the bank chunk: its name, zero-filled to 24 bytes, and
    // its ten values, little-endian IEEE 754 floats.
    static void chunk(int index, unsigned char (&out)[sizeof(ProgramRecord)]);
};
