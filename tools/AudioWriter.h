// Writes an audio file block by block from two channels of floats, in the
// format OUT's extension or --format names, into a temporary file that becomes
// the named file only when it is finished: a failure never leaves a
// half-written file. "-" writes to standard output, all at once at the end, so
// the file's header is complete there too.
#pragma once

#include <cstddef>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include <sndfile.h>

#include "tools/OutputFormat.h"
#include "tools/Quantiser.h"
#include "tools/WholeFile.h"

class AudioWriter {
public:
    AudioWriter() = default;
    // Removes the temporary file of a writer that was not finished.
    ~AudioWriter();

    // Opens `path` for `format`, with the tags the format can hold.
    bool open(const std::string& path, int sampleRate, const OutputFormat& format, const AudioTags& tags,
              std::string& error);
    // Opens `path` in the default format of its extension, stereo, untagged.
    bool open(const std::string& path, int sampleRate, std::string& error);
    // A mono file takes the left channel; `right` is then not read.
    bool write(const float* left, const float* right, std::size_t count, std::string& error);
    // Closes the file and gives it its name, or copies it to standard output.
    bool finish(std::string& error);

    AudioWriter(const AudioWriter&) = delete;
    AudioWriter& operator=(const AudioWriter&) = delete;

private:
    void discard();
    bool fail(const std::string& reason, std::string& error) const;

    SNDFILE* file = nullptr;
    std::string path;
    std::string temporary;     // beside the file, for a named file
    std::FILE* spool = nullptr;  // an unnamed file, for standard output
    OutputFormat format;
    std::vector<float> interleaved;
    std::vector<int> integers;
    std::unique_ptr<Quantiser> quantiser;
    // Removes the temporary file if korvo is interrupted while it is written.
    std::unique_ptr<RemoveOnInterrupt> interrupt;
};
