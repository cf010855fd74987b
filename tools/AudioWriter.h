// Writes an audio file block by block from two channels of floats, in the
// format its extension names (.wav and .aiff as 32-bit float, .flac as 24-bit,
// .ogg as Vorbis), into a temporary file that becomes the named file only when
// it is finished: a failure never leaves a half-written file.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include <sndfile.h>

#include "tools/WholeFile.h"

class AudioWriter {
public:
    AudioWriter() = default;
    // Removes the temporary file of a writer that was not finished.
    ~AudioWriter();

    // Whether the extension names a format this writer can write.
    static bool canWrite(const std::string& path, std::string& error);

    bool open(const std::string& path, int sampleRate, std::string& error);
    bool write(const float* left, const float* right, std::size_t count, std::string& error);
    // Closes the file and gives it its name.
    bool finish(std::string& error);

    AudioWriter(const AudioWriter&) = delete;
    AudioWriter& operator=(const AudioWriter&) = delete;

private:
    void discard();

    SNDFILE* file = nullptr;
    std::string path;
    std::string temporary;
    std::vector<float> interleaved;
    // Removes the temporary file if korvo is interrupted while it is written.
    std::unique_ptr<RemoveOnInterrupt> interrupt;
};
