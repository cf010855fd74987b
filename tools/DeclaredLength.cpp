#include "tools/DeclaredLength.h"

#include <unistd.h>

#include <cstdint>
#include <cstring>

namespace {

// Sizes from here on say "unknown": 0xFFFFFFFF, and the 0x7FFFF000 that sox
// writes when it cannot come back to the header.
constexpr std::uint64_t kUnknown32 = 0x7F000000u;
constexpr std::uint64_t kUnknown64 = std::uint64_t(1) << 62;
constexpr int kMostChunks = 1000;

bool readAt(int descriptor, unsigned char* to, std::size_t count, off_t at)
{
    return pread(descriptor, to, count, at) == static_cast<ssize_t>(count);
}

std::uint64_t number(const unsigned char* bytes, int count, bool bigEndian)
{
    std::uint64_t value = 0;
    for (int i = 0; i < count; ++i) value |= std::uint64_t(bytes[bigEndian ? count - 1 - i : i]) << (8 * i);
    return value;
}

bool found(AudioExtent& extent, std::uint64_t declared, off_t audioStart, off_t size)
{
    if (declared == 0 || audioStart > size) return false;
    extent.declared = static_cast<long long>(declared);
    extent.present = static_cast<long long>(size - audioStart);
    return true;
}

// Follows the chunks (a 4-byte name, a 4-byte size, the data, padded to an
// even length) from `at` to the one named `wanted`: its offset and size.
bool findChunk(int descriptor, off_t size, bool bigEndian, const char* wanted, off_t& at, std::uint64_t& length)
{
    unsigned char chunk[8];
    for (int n = 0; n < kMostChunks && at + 8 <= size && readAt(descriptor, chunk, 8, at); ++n) {
        length = number(chunk + 4, 4, bigEndian);
        if (std::memcmp(chunk, wanted, 4) == 0) return true;
        at += static_cast<off_t>(8 + length + (length & 1));
    }
    return false;
}

// RIFF and its 64-bit forms: "data" holds the audio; in RF64 its size is in "ds64".
bool riff(int descriptor, off_t size, bool wide, AudioExtent& extent)
{
    std::uint64_t length = 0, wideData = 0;
    off_t at = 12;
    unsigned char sizes[16];
    if (wide && findChunk(descriptor, size, false, "ds64", at, length) && readAt(descriptor, sizes, 16, at + 8)) {
        wideData = number(sizes + 8, 8, false);
    }
    at = 12;
    if (!findChunk(descriptor, size, false, "data", at, length)) return false;
    const std::uint64_t declared = wide && length == 0xFFFFFFFFu ? wideData : length;
    if (declared >= (wide ? kUnknown64 : kUnknown32)) return false;
    return found(extent, declared, at + 8, size);
}

// AIFF: "SSND" holds an offset, a block size and the audio.
bool aiff(int descriptor, off_t size, AudioExtent& extent)
{
    std::uint64_t length = 0;
    off_t at = 12;
    if (!findChunk(descriptor, size, true, "SSND", at, length) || length < 8 || length >= kUnknown32) return false;
    return found(extent, length - 8, at + 16, size);
}

// Wave64: chunks named by 16-byte GUIDs, their 64-bit sizes counting their
// 24-byte heads, each starting on 8 bytes.
bool wave64(int descriptor, off_t size, AudioExtent& extent)
{
    off_t at = 40;
    unsigned char chunk[24];
    for (int n = 0; n < kMostChunks && at + 24 <= size && readAt(descriptor, chunk, 24, at); ++n) {
        const std::uint64_t length = number(chunk + 16, 8, false);
        if (length < 24 || length >= kUnknown64) return false;
        if (std::memcmp(chunk, "data", 4) == 0) return found(extent, length - 24, at + 24, size);
        at += static_cast<off_t>((length + 7) & ~std::uint64_t(7));
    }
    return false;
}

}  // namespace

bool findAudioExtent(int descriptor, off_t size, AudioExtent& extent)
{
    unsigned char head[16];
    if (size < 16 || !readAt(descriptor, head, sizeof head, 0)) return false;
    if (std::memcmp(head, "RIFF", 4) == 0 && std::memcmp(head + 8, "WAVE", 4) == 0) {
        return riff(descriptor, size, false, extent);
    }
    if ((std::memcmp(head, "RF64", 4) == 0 || std::memcmp(head, "BW64", 4) == 0) &&
        std::memcmp(head + 8, "WAVE", 4) == 0) {
        return riff(descriptor, size, true, extent);
    }
    if (std::memcmp(head, "FORM", 4) == 0 && (std::memcmp(head + 8, "AIFF", 4) == 0 || std::memcmp(head + 8, "AIFC", 4) == 0)) {
        return aiff(descriptor, size, extent);
    }
    if (std::memcmp(head, "riff", 4) == 0) return wave64(descriptor, size, extent);
    return false;
}
