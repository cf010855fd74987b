// Where libsndfile reads an audio file, through its virtual I/O: a descriptor
// read with pread in large pieces (a mebibyte or more a call), whatever the
// sizes libsndfile asks for, with a position of the reader's own, so several
// readers may share one descriptor.
#pragma once

#include <sndfile.h>

#include <vector>

class BufferedSource {
public:
    // `length` is the file's size in bytes.
    BufferedSource(int descriptor, sf_count_t length);

    // The callbacks, whose user data is the source.
    static SF_VIRTUAL_IO* io();

    // The errno of the first failed read, 0 if none.
    int failure() const { return failed; }

    BufferedSource(const BufferedSource&) = delete;
    BufferedSource& operator=(const BufferedSource&) = delete;

private:
    sf_count_t seek(sf_count_t offset, int whence);
    sf_count_t read(void* to, sf_count_t count);

    int descriptor;
    sf_count_t size;
    sf_count_t position = 0;
    std::vector<unsigned char> buffer;  // the file's bytes from `start` on
    sf_count_t start = 0;
    int failed = 0;
};
