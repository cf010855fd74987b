// Where libsndfile writes an audio file, through its virtual I/O: the bytes
// gather in memory and go out in large writes (a mebibyte or more a call, but
// the last), to a file that may be rewritten in place, or to a stream such as
// a pipe that cannot be rewound.
//
// On a stream, what libsndfile would patch at the end (the lengths in the
// header) has gone out already: the header is mended before it goes out, to
// announce the length the stream will have, and a later rewrite that differs
// from what was sent marks the header stale.
//
// It also mends two things of libsndfile's own making on the way out: the
// 16-byte format chunk of a float WAV, which readers such as sox expect with
// its 2-byte extension (18 bytes), and the serial number of Ogg pages, which
// libsndfile takes from the clock (every page gets a fixed one instead, so the
// same render gives the same bytes).
#pragma once

#include <sndfile.h>
#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

class BufferedSink {
public:
    enum class Kind {
        File,    // a regular file, written with pwrite at base + position
        Stream,  // a pipe or other stream: written once, in order
        Memory,  // its first 64 KiB kept in memory; nothing is written anywhere
    };

    BufferedSink(int descriptor, Kind kind, off_t base = 0);

    // The callbacks, whose user data is the sink.
    static SF_VIRTUAL_IO* io();

    // Widen the format chunk of a float WAV to 18 bytes.
    void widenFloatWavHeader() { widen = true; }
    // Give every Ogg page this serial number.
    void renumberOggPages(std::uint32_t serial);
    // Mends a stream's header before it goes out: the bytes held, and the
    // length of the header (the last write at the start).
    using HeaderPatch = std::function<void(unsigned char* bytes, std::size_t size, std::size_t header)>;
    void patchStreamHeader(HeaderPatch patch) { headerPatch = std::move(patch); }

    // Writes what is held; after sf_close. 0, or the errno of the failure.
    int finish();
    // The errno of the first failed write, 0 if none.
    int failure() const { return failed; }
    // A stream's header was rewritten with bytes other than those sent.
    bool headerStale() const { return stale; }
    // Memory: the bytes written, and the length of the header (the last write at
    // the start of the file).
    const std::vector<unsigned char>& bytes() const { return buffer; }
    std::size_t headerLength() const { return header; }

    BufferedSink(const BufferedSink&) = delete;
    BufferedSink& operator=(const BufferedSink&) = delete;

private:
    sf_count_t length() const;
    sf_count_t seek(sf_count_t offset, int whence);
    sf_count_t write(const void* data, sf_count_t count);
    void place(sf_count_t at, const unsigned char* data, std::size_t count);
    // Sends the held bytes, whole Ogg pages only while renumbering unless `all`.
    bool emit(bool all);
    sf_count_t physical(sf_count_t logical) const;

    int descriptor;
    Kind kind;
    off_t base;
    bool widen = false;
    bool ogg = false;
    std::uint32_t serial = 0;
    HeaderPatch headerPatch;

    sf_count_t position = 0;  // libsndfile's position, before widening
    sf_count_t end = 0;       // the file's length as libsndfile sees it
    std::vector<unsigned char> buffer;  // the bytes from `start` on, not yet sent
    sf_count_t start = 0;                // their position in the file
    std::vector<unsigned char> sent;     // a stream's first bytes as they went out
    std::size_t header = 0;              // the length of the last write at 0, widened
    bool stale = false;
    int failed = 0;
};
