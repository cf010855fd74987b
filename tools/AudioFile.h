// Whole audio files in memory, as two channels of floats (see AudioReader and
// AudioWriter for reading and writing block by block).
#pragma once

#include <string>
#include <vector>

struct StereoAudio {
    int sampleRate = 48000;
    int sourceChannels = 2;
    std::vector<float> left;
    std::vector<float> right;
    std::size_t frames() const { return left.size(); }
};

// Any file libsndfile reads; a mono file feeds both channels. False with a
// one-line reason for a missing, unreadable or unsupported file.
bool readAudio(const std::string& path, StereoAudio& audio, std::string& error);

// Writes in the format the extension names (.wav and .aiff as 32-bit float,
// .flac as 24-bit, .ogg as Vorbis), to a temporary file renamed at the end, so
// a failure never leaves a half-written file.
bool writeAudio(const std::string& path, const StereoAudio& audio, std::string& error);
