// What a file's header says of the length of its audio, against what the file
// holds: a file cut short (a copy or a download that stopped) still opens in
// libsndfile, which quietly plays what there is. And what is wrong with a WAV
// header libsndfile refuses, which it does not say in words a user can act on.
#pragma once

#include <sys/types.h>

#include <string>

struct AudioExtent {
    long long declared = 0;  // bytes of audio the header announces
    long long present = 0;   // bytes of audio the file holds after the header
};

// The audio chunk of a WAV (RIFF, RF64, BW64), AIFF (or AIFC) or W64 file
// open as `descriptor`, `size` bytes long. False for another format, a header
// it cannot follow, or one that gives the length as unknown, as programs
// streaming into a pipe write it.
bool findAudioExtent(int descriptor, off_t size, AudioExtent& extent);

// What is wrong with the RIFF/WAVE (or RF64) header of a file libsndfile
// refused, open as `descriptor`, `size` bytes long: "fmt chunk missing", "data
// chunk beyond the end of the file", "unsupported sample format (...)"... ""
// when it finds nothing wrong, or the file is not meant as one: neither begins
// as one nor, `namedWave`, has a name ending in .wav.
std::string waveHeaderFault(int descriptor, off_t size, bool namedWave);
