// Reads an audio file block by block as two channels of floats, through
// libsndfile: any format it reads; a mono file feeds both channels. "-" reads
// standard input, which may be a pipe: it is copied whole into an unnamed
// temporary file first, so any format reads from it, as often as needed.
#pragma once

#include <mutex>

#include <cstddef>
#include <string>
#include <vector>

#include <sndfile.h>

#include "tools/OutputFormat.h"

class AudioReader {
public:
    AudioReader() = default;
    ~AudioReader();

    // False with a one-line reason for a missing, unreadable or unsupported file.
    bool open(const std::string& path, std::string& error);

    int sampleRate() const { return rate; }
    int channels() const { return channelCount; }
    long long frames() const { return frameCount; }
    // The file's string tags: title, artist, album, date, comment...
    const AudioTags& tags() const { return stringTags; }

    // Up to `count` frames into left and right; answers how many were read, 0 at
    // the end. After a 0, failed() tells whether the end was an error.
    std::size_t read(float* left, float* right, std::size_t count);
    bool failed(std::string& error) const;

    // Standard input's copy, as one reader reads it through libsndfile's virtual I/O.
    struct Spooled {
        int descriptor;
        sf_count_t length;
        sf_count_t position;
    };

    AudioReader(const AudioReader&) = delete;
    AudioReader& operator=(const AudioReader&) = delete;

private:
    SNDFILE* file = nullptr;
    std::string path;
    int rate = 0;
    int channelCount = 0;
    long long frameCount = 0;
    bool quietReads = false;  // an MPEG stream, whose decoder prints its own warnings
    std::vector<float> interleaved;
    AudioTags stringTags;
    Spooled spooled{-1, 0, 0};
};

// Held while a decoder's own messages are kept off the terminal (stderr goes to
// /dev/null meanwhile): threads that print hold it too, so nothing of theirs
// is swallowed.
std::mutex& terminalLock();

// Held around opening a file with libsndfile, which keeps the reason an open
// failed in one place for all threads. Taken before the terminal lock.
std::mutex& sndfileOpenLock();
