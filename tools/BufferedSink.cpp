#include "tools/BufferedSink.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "tools/OggSerial.h"
#include "tools/WholeFile.h"

namespace {

// Bytes gather until there are this many, then go out in one call.
constexpr std::size_t kChunk = std::size_t(1) << 20;
// How much of a stream's start is kept to compare later rewrites with.
constexpr std::size_t kKeptStart = std::size_t(1) << 16;

// A float WAV's format chunk as libsndfile writes it: "RIFF", a size, "WAVE",
// "fmt ", 16, then format 3 (IEEE float). The chunk ends at byte 36.
constexpr std::size_t kFormatEnd = 36;

bool isNarrowFloatWavHeader(const unsigned char* bytes, std::size_t count)
{
    static const unsigned char size16Float[] = {16, 0, 0, 0, 3, 0};
    return count >= kFormatEnd && std::memcmp(bytes, "RIFF", 4) == 0 && std::memcmp(bytes + 8, "WAVEfmt ", 8) == 0 &&
           std::memcmp(bytes + 16, size16Float, sizeof size16Float) == 0;
}

void putLittleEndian32(unsigned char* at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i) at[i] = static_cast<unsigned char>(value >> (8 * i));
}

std::uint32_t littleEndian32(const unsigned char* at)
{
    return static_cast<std::uint32_t>(at[0]) | static_cast<std::uint32_t>(at[1]) << 8 |
           static_cast<std::uint32_t>(at[2]) << 16 | static_cast<std::uint32_t>(at[3]) << 24;
}

int pwriteAll(int descriptor, const unsigned char* data, std::size_t size, off_t at)
{
    for (std::size_t done = 0; done < size;) {
        const ssize_t put = pwrite(descriptor, data + done, size - done, at + static_cast<off_t>(done));
        if (put > 0) {
            done += static_cast<std::size_t>(put);
        } else if (put == 0 || errno != EINTR) {
            return put == 0 ? EIO : errno;
        }
    }
    return 0;
}

BufferedSink& sinkOf(void* data) { return *static_cast<BufferedSink*>(data); }

}  // namespace

BufferedSink::BufferedSink(int descriptor_, Kind kind_, off_t base_) : descriptor(descriptor_), kind(kind_), base(base_)
{
    buffer.reserve(2 * kChunk);
}

SF_VIRTUAL_IO* BufferedSink::io()
{
    struct Callbacks {
        static sf_count_t length(void* data) { return sinkOf(data).length(); }
        static sf_count_t seek(sf_count_t offset, int whence, void* data) { return sinkOf(data).seek(offset, whence); }
        static sf_count_t read(void*, sf_count_t, void*) { return 0; }
        static sf_count_t write(const void* from, sf_count_t count, void* data) { return sinkOf(data).write(from, count); }
        static sf_count_t tell(void* data) { return sinkOf(data).position; }
    };
    static SF_VIRTUAL_IO callbacks = {Callbacks::length, Callbacks::seek, Callbacks::read, Callbacks::write,
                                      Callbacks::tell};
    return &callbacks;
}

void BufferedSink::renumberOggPages(std::uint32_t number)
{
    ogg = true;
    serial = number;
}

sf_count_t BufferedSink::physical(sf_count_t logical) const
{
    return widen && logical >= static_cast<sf_count_t>(kFormatEnd) ? logical + 2 : logical;
}

sf_count_t BufferedSink::length() const { return end; }

sf_count_t BufferedSink::seek(sf_count_t offset, int whence)
{
    const sf_count_t from = whence == SEEK_CUR ? position : whence == SEEK_END ? end : 0;
    if (from + offset < 0) return -1;
    position = from + offset;
    return position;
}

sf_count_t BufferedSink::write(const void* data, sf_count_t count)
{
    if (failed != 0 || count <= 0) return failed != 0 ? 0 : count;
    const auto* bytes = static_cast<const unsigned char*>(data);
    const auto size = static_cast<std::size_t>(count);
    if (position == 0 && header == 0 && widen && !isNarrowFloatWavHeader(bytes, size)) widen = false;
    if (position == 0 && widen && isNarrowFloatWavHeader(bytes, size)) {
        // The header again, its format chunk two bytes longer, holding a zero
        // extension size; everything after it moves two bytes on.
        std::vector<unsigned char> wide(bytes, bytes + size);
        putLittleEndian32(&wide[4], littleEndian32(&wide[4]) + 2);
        wide[16] = 18;
        const unsigned char extension[2] = {0, 0};
        wide.insert(wide.begin() + kFormatEnd, extension, extension + 2);
        header = wide.size();
        place(0, wide.data(), wide.size());
    } else {
        if (position == 0) header = size;
        place(physical(position), bytes, size);
    }
    position += count;
    end = std::max(end, position);
    return failed != 0 ? 0 : count;
}

void BufferedSink::place(sf_count_t at, const unsigned char* data, std::size_t count)
{
    const sf_count_t held = start + static_cast<sf_count_t>(buffer.size());
    if (kind == Kind::Memory) {
        if (at >= static_cast<sf_count_t>(kKeptStart)) return;
        count = std::min(count, kKeptStart - static_cast<std::size_t>(at));
    }
    if (kind == Kind::Stream && at < start) {
        // Already sent: it may only say again what went out.
        const auto below = static_cast<std::size_t>(std::min<sf_count_t>(start - at, static_cast<sf_count_t>(count)));
        if (at + static_cast<sf_count_t>(below) > static_cast<sf_count_t>(sent.size()) ||
            std::memcmp(sent.data() + at, data, below) != 0) {
            stale = true;
        }
        if (below == count) return;
        data += below;
        count -= below;
        at = start;
    }
    if (kind == Kind::File && (at < start || at > held)) {
        // Elsewhere in the file: what is held goes out first.
        if (!emit(true)) return;
        start = at;
    }
    const auto offset = static_cast<std::size_t>(at - start);
    if (buffer.size() < offset + count) buffer.resize(offset + count);  // a gap in a stream is zeros
    std::memcpy(buffer.data() + offset, data, count);
    if (kind != Kind::Memory && buffer.size() >= kChunk) emit(false);
}

bool BufferedSink::emit(bool all)
{
    if (failed != 0 || kind == Kind::Memory || buffer.empty()) return failed == 0;
    std::size_t count = buffer.size();
    if (ogg) {
        const long long pages = ::renumberOggPages(buffer.data(), buffer.size(), serial);
        if (pages < 0 || (all && static_cast<std::size_t>(pages) != buffer.size())) {
            failed = EPROTO;
            return false;
        }
        count = static_cast<std::size_t>(pages);
    }
    if (kind == Kind::Stream) {
        if (start == 0 && headerPatch) headerPatch(buffer.data(), count, header);
        failed = writeAll(descriptor, buffer.data(), count);
        if (sent.size() < kKeptStart && start == static_cast<sf_count_t>(sent.size())) {
            sent.insert(sent.end(), buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(std::min(count, kKeptStart - sent.size())));
        }
    } else {
        failed = pwriteAll(descriptor, buffer.data(), count, base + static_cast<off_t>(start));
    }
    if (failed != 0) return false;
    start += static_cast<sf_count_t>(count);
    buffer.erase(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(count));
    return true;
}

int BufferedSink::finish()
{
    if (kind == Kind::Memory) return 0;
    if (emit(true) && kind == Kind::File) {
        // A shared descriptor (standard output) is left after what was written.
        lseek(descriptor, base + static_cast<off_t>(physical(end)), SEEK_SET);
    }
    return failed;
}
