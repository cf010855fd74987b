#include "tools/DeclaredLength.h"

#include <unistd.h>

#include <cstdint>
#include <cstdio>
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

namespace {

// A chunk's four-letter name as text, whatever its bytes.
std::string chunkName(const unsigned char* bytes)
{
    std::string name;
    for (int i = 0; i < 4; ++i) name += bytes[i] >= 0x20 && bytes[i] < 0x7F ? static_cast<char>(bytes[i]) : '?';
    return name;
}

// Where the chunks of a RIFF/WAVE file lie, as far as they can be followed.
struct WaveChunks {
    off_t format = -1;         // where the fmt chunk's contents start
    std::uint64_t formatLength = 0;
    off_t data = -1;           // where the data chunk starts
    std::string overrun;       // "the 'LIST' chunk ... claims N bytes", when one runs past the end
};

WaveChunks followWaveChunks(int descriptor, off_t size)
{
    WaveChunks found;
    off_t at = 12;
    unsigned char chunk[8];
    for (int n = 0; n < kMostChunks && at + 8 <= size && readAt(descriptor, chunk, 8, at); ++n) {
        const std::uint64_t length = number(chunk + 4, 4, false);
        if (found.format < 0 && std::memcmp(chunk, "fmt ", 4) == 0) {
            found.format = at + 8;
            found.formatLength = length;
        }
        const bool data = std::memcmp(chunk, "data", 4) == 0;
        if (found.data < 0 && data) found.data = at;
        if (found.format >= 0 && found.data >= 0) break;
        const off_t next = at + 8 + static_cast<off_t>(length + (length & 1));
        if (next > size) {
            // The audio may run on past the end (a file cut short); no other chunk may.
            if (!data) {
                found.overrun = "the '" + chunkName(chunk) + "' chunk before it claims " + std::to_string(length) +
                                " bytes, more than the file holds";
            }
            break;
        }
        at = next;
    }
    return found;
}

// What is wrong with the samples' format a fmt chunk gives, or "".
std::string formatFault(int descriptor, off_t size, const WaveChunks& chunks)
{
    unsigned char fields[16];
    if (chunks.format + 16 > size || !readAt(descriptor, fields, 16, chunks.format)) {
        return "fmt chunk beyond the end of the file";
    }
    unsigned tag = static_cast<unsigned>(number(fields, 2, false));
    const auto channels = number(fields + 2, 2, false);
    const auto rate = number(fields + 4, 4, false);
    const auto bits = number(fields + 14, 2, false);
    unsigned char subformat[2];
    // WAVE_FORMAT_EXTENSIBLE: the format is the first two bytes of its GUID.
    if (tag == 0xFFFE && chunks.formatLength >= 26 && chunks.format + 26 <= size &&
        readAt(descriptor, subformat, 2, chunks.format + 24)) {
        tag = static_cast<unsigned>(number(subformat, 2, false));
    }
    if (channels == 0) return "the fmt chunk gives 0 channels";
    if (rate == 0) return "the fmt chunk gives a sample rate of 0 Hz";
    if (tag == 1 && (bits == 0 || bits > 32)) return "unsupported sample format (" + std::to_string(bits) + "-bit PCM)";
    if (tag == 3 && bits != 32 && bits != 64) {
        return "unsupported sample format (" + std::to_string(bits) + "-bit float)";
    }
    // The encodings libsndfile reads: PCM, MS ADPCM, float, A-law, mu-law, IMA
    // ADPCM, GSM 6.10, G.721, MPEG.
    for (const unsigned known : {0x01u, 0x02u, 0x03u, 0x06u, 0x07u, 0x11u, 0x31u, 0x40u, 0x50u, 0x55u}) {
        if (tag == known) return "";
    }
    char text[64];
    std::snprintf(text, sizeof text, "unsupported sample format (format tag 0x%04X)", tag);
    return text;
}

}  // namespace

std::string waveHeaderFault(int descriptor, off_t size, bool namedWave)
{
    unsigned char head[12];
    const bool riff = size >= 12 && readAt(descriptor, head, sizeof head, 0) &&
                      (std::memcmp(head, "RIFF", 4) == 0 || std::memcmp(head, "RF64", 4) == 0 ||
                       std::memcmp(head, "BW64", 4) == 0);
    if (riff && std::memcmp(head + 8, "WAVE", 4) != 0) return "a RIFF file of type '" + chunkName(head + 8) + "', not WAVE";
    if (!riff) return namedWave ? "no RIFF/WAVE header" : "";
    const WaveChunks chunks = followWaveChunks(descriptor, size);
    if (chunks.format < 0) {
        return chunks.overrun.empty() ? "fmt chunk missing" : "fmt chunk beyond the end of the file (" + chunks.overrun + ")";
    }
    if (chunks.data >= 0 && chunks.data < chunks.format) return "fmt chunk after the data chunk (it must come first)";
    if (chunks.formatLength < 16) {
        return "fmt chunk too short (" + std::to_string(chunks.formatLength) + " bytes of at least 16)";
    }
    const std::string format = formatFault(descriptor, size, chunks);
    if (!format.empty()) return format;
    if (chunks.data < 0) {
        return chunks.overrun.empty() ? "data chunk missing" : "data chunk beyond the end of the file (" + chunks.overrun + ")";
    }
    return "";
}
