// Writes an audio file block by block from two channels of floats, in the
// format OUT's extension or --format names, in large writes. A named file
// appears whole or not at all (OutputFile). "-" streams to standard output as
// the audio comes: a WAV, AIFF, CAF or W64 header there announces the length
// given to open(), since a pipe cannot be rewound to patch it at the end.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include <sndfile.h>

#include "tools/OutputFormat.h"
#include "tools/Quantiser.h"

class BufferedSink;
class OutputFile;

class AudioWriter {
public:
    AudioWriter();
    // Removes what was written of a file that was not finished.
    ~AudioWriter();

    // Opens `path` for `format`, with the tags the format can hold; `frames`
    // is the length the audio will have, for a header sent before the audio.
    bool open(const std::string& path, int sampleRate, const OutputFormat& format, const AudioTags& tags,
              long long frames, std::string& error);
    // Opens `path` in the default format of its extension, stereo, untagged.
    bool open(const std::string& path, int sampleRate, std::string& error);
    // A mono file takes the left channel; `right` is then not read.
    bool write(const float* left, const float* right, std::size_t count, std::string& error);
    // Closes the file and gives it its name.
    bool finish(std::string& error);

    // The largest magnitude of the integers written, 1.0 being full scale; -1
    // for float or compressed samples, which are written as they come.
    double quantisedPeak() const { return quantiser ? quantiser->peak() : -1.0; }
    // A stream's header announces another length than was written; "" if not.
    std::string lengthMismatch() const { return mismatch; }

    AudioWriter(const AudioWriter&) = delete;
    AudioWriter& operator=(const AudioWriter&) = delete;

private:
    void discard();
    bool fail(const std::string& reason, std::string& error) const;
    bool streamHeader(const SF_INFO& info, const AudioTags& tags, long long frames, std::string& error);

    SNDFILE* file = nullptr;
    std::string path;
    std::unique_ptr<OutputFile> output;
    std::unique_ptr<BufferedSink> sink;
    OutputFormat format;
    long long announced = 0;
    long long written = 0;
    std::string mismatch;
    std::vector<float> interleaved;
    std::vector<int> integers;
    std::unique_ptr<Quantiser> quantiser;
};
