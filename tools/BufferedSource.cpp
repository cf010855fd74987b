#include "tools/BufferedSource.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

constexpr std::size_t kChunk = std::size_t(1) << 21;

BufferedSource& sourceOf(void* data) { return *static_cast<BufferedSource*>(data); }

}  // namespace

BufferedSource::BufferedSource(int descriptor_, sf_count_t length) : descriptor(descriptor_), size(length) {}

SF_VIRTUAL_IO* BufferedSource::io()
{
    struct Callbacks {
        static sf_count_t length(void* data) { return sourceOf(data).size; }
        static sf_count_t seek(sf_count_t offset, int whence, void* data)
        {
            return sourceOf(data).seek(offset, whence);
        }
        static sf_count_t read(void* to, sf_count_t count, void* data) { return sourceOf(data).read(to, count); }
        static sf_count_t write(const void*, sf_count_t, void*) { return 0; }
        static sf_count_t tell(void* data) { return sourceOf(data).position; }
    };
    static SF_VIRTUAL_IO callbacks = {Callbacks::length, Callbacks::seek, Callbacks::read, Callbacks::write,
                                      Callbacks::tell};
    return &callbacks;
}

sf_count_t BufferedSource::seek(sf_count_t offset, int whence)
{
    const sf_count_t from = whence == SEEK_CUR ? position : whence == SEEK_END ? size : 0;
    if (from + offset < 0) return -1;
    position = from + offset;
    return position;
}

sf_count_t BufferedSource::read(void* to, sf_count_t count)
{
    auto* bytes = static_cast<unsigned char*>(to);
    sf_count_t done = 0;
    while (done < count && failed == 0) {
        const sf_count_t held = start + static_cast<sf_count_t>(buffer.size());
        if (position >= start && position < held) {
            const sf_count_t piece = std::min(count - done, held - position);
            std::memcpy(bytes + done, buffer.data() + (position - start), static_cast<std::size_t>(piece));
            done += piece;
            position += piece;
            continue;
        }
        if (position >= size) break;
        // The next piece of the file, from the position on.
        buffer.resize(kChunk);
        ssize_t got = -1;
        do {
            got = pread(descriptor, buffer.data(), buffer.size(), static_cast<off_t>(position));
        } while (got < 0 && errno == EINTR);
        if (got < 0) failed = errno;
        buffer.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
        start = position;
        if (got <= 0) break;
    }
    return done;
}
