#include "tools/OggSerial.h"

#include <unistd.h>

#include <vector>

namespace {

// The page checksum: CRC-32 with polynomial 0x04c11db7, not reflected, from 0.
std::uint32_t pageChecksum(const std::vector<unsigned char>& page)
{
    std::uint32_t crc = 0;
    for (const unsigned char byte : page) {
        crc ^= static_cast<std::uint32_t>(byte) << 24;
        for (int bit = 0; bit < 8; ++bit) crc = (crc & 0x80000000u) ? (crc << 1) ^ 0x04c11db7u : crc << 1;
    }
    return crc;
}

void putLittleEndian(unsigned char* at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i) at[i] = static_cast<unsigned char>(value >> (8 * i));
}

bool readAt(int descriptor, unsigned char* to, std::size_t count, off_t offset)
{
    while (count > 0) {
        const ssize_t got = pread(descriptor, to, count, offset);
        if (got <= 0) return false;
        to += got;
        count -= static_cast<std::size_t>(got);
        offset += got;
    }
    return true;
}

}  // namespace

bool setOggSerial(int descriptor, std::uint32_t serial, std::string& error)
{
    const off_t end = lseek(descriptor, 0, SEEK_END);
    std::vector<unsigned char> page;
    for (off_t at = 0; at < end;) {
        unsigned char header[27 + 255];
        if (end - at < 27 || !readAt(descriptor, header, 27, at) || std::string(header, header + 4) != "OggS" ||
            !readAt(descriptor, header + 27, header[26], at + 27)) {
            error = "the Ogg file written is not whole";
            return false;
        }
        std::size_t length = 27 + header[26];
        for (int i = 0; i < header[26]; ++i) length += header[27 + i];
        page.resize(length);
        if (!readAt(descriptor, page.data(), length, at)) {
            error = "the Ogg file written is not whole";
            return false;
        }
        putLittleEndian(&page[14], serial);
        putLittleEndian(&page[22], 0);
        putLittleEndian(&page[22], pageChecksum(page));
        if (pwrite(descriptor, page.data(), 27, at) != 27) {
            error = "rewriting the Ogg file failed";
            return false;
        }
        at += static_cast<off_t>(length);
    }
    return true;
}
