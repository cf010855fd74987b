// Reads an audio file block by block as two channels of floats, through
// libsndfile: any format it reads; a mono file feeds both channels. The file
// is read in large pieces whatever the block size. "-" reads standard input,
// which may be a pipe: it is copied whole into an unnamed temporary file
// first, so any format reads from it, as often as needed.
//
// A file that ends before its header says (a WAV, AIFF or W64 cut short, a
// FLAC stream that stops) is found when it is opened: truncated() says so
// before any audio is read, and reads give what there is.
#pragma once

#include <memory>
#include <mutex>

#include <cstddef>
#include <string>
#include <vector>

#include <sndfile.h>

#include "tools/OutputFormat.h"

class BufferedSource;

class AudioReader {
public:
    AudioReader();
    ~AudioReader();

    // False with a one-line reason for a missing, unreadable or unsupported file,
    // or one at a sample rate the equaliser does not run at (eq/Parameters.h).
    bool open(const std::string& path, std::string& error);

    int sampleRate() const { return rate; }
    int channels() const { return channelCount; }
    // The frames there are to read: those the file holds.
    long long frames() const { return frameCount; }
    // The string tags: title, artist, album, date, comment...
    const AudioTags& tags() const { return stringTags; }

    // The file holds less than its header announces.
    bool truncated() const { return announced > frameCount; }
    // "IN: truncated: 5.67 s of 30.00 s read".
    std::string truncation() const;

    // Up to `count` frames into left and right; answers how many were read, 0 at
    // the end. After a 0, failed() tells whether the end was an error.
    std::size_t read(float* left, float* right, std::size_t count);
    bool failed(std::string& error) const;

    AudioReader(const AudioReader&) = delete;
    AudioReader& operator=(const AudioReader&) = delete;

private:
    bool checkLength(const SF_INFO& info, long long size);

    SNDFILE* file = nullptr;
    std::string path;
    int descriptor = -1;   // the file's, or standard input's copy (not owned)
    bool owned = false;
    std::unique_ptr<BufferedSource> source;
    int rate = 0;
    int channelCount = 0;
    long long frameCount = 0;
    long long announced = 0;  // the frames the header announces
    long long framesRead = 0;
    bool exact = true;        // a length reading must meet
    bool quietReads = false;  // an MPEG stream, whose decoder prints its own warnings
    std::vector<float> interleaved;
    AudioTags stringTags;
};

// Held while a decoder's own messages are kept off the terminal (stderr goes to
// /dev/null meanwhile): threads that print hold it too, so nothing of theirs
// is swallowed.
std::mutex& terminalLock();

// Held around opening a file with libsndfile, which keeps the reason an open
// failed in one place for all threads. Taken before the terminal lock.
std::mutex& sndfileOpenLock();
