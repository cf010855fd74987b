#include "tools/OggSerial.h"

namespace {

// The page checksum: CRC-32 with polynomial 0x04c11db7, not reflected, from 0.
std::uint32_t pageChecksum(const unsigned char* page, std::size_t length)
{
    std::uint32_t crc = 0;
    for (std::size_t i = 0; i < length; ++i) {
        crc ^= static_cast<std::uint32_t>(page[i]) << 24;
        for (int bit = 0; bit < 8; ++bit) crc = (crc & 0x80000000u) ? (crc << 1) ^ 0x04c11db7u : crc << 1;
    }
    return crc;
}

void putLittleEndian(unsigned char* at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i) at[i] = static_cast<unsigned char>(value >> (8 * i));
}

}  // namespace

long long renumberOggPages(unsigned char* data, std::size_t size, std::uint32_t serial)
{
    std::size_t at = 0;
    while (size - at >= 27) {
        unsigned char* page = data + at;
        if (page[0] != 'O' || page[1] != 'g' || page[2] != 'g' || page[3] != 'S') return -1;
        const std::size_t segments = page[26];
        if (size - at < 27 + segments) break;
        std::size_t length = 27 + segments;
        for (std::size_t i = 0; i < segments; ++i) length += page[27 + i];
        if (size - at < length) break;
        putLittleEndian(&page[14], serial);
        putLittleEndian(&page[22], 0);
        putLittleEndian(&page[22], pageChecksum(page, length));
        at += length;
    }
    return static_cast<long long>(at);
}
