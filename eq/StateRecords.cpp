#include "eq/StateRecords.h"

#include <cstring>

constexpr char StateRecords::kBypassId[4];

void StateRecords::putWord(unsigned char* at, std::uint32_t word)
{
    for (int k = 0; k < 4; ++k) {
        at[k] = static_cast<unsigned char>(word >> (8 * k));
    }
}

std::uint32_t StateRecords::word(const unsigned char* at)
{
    return static_cast<std::uint32_t>(at[0]) | static_cast<std::uint32_t>(at[1]) << 8 |
           static_cast<std::uint32_t>(at[2]) << 16 | static_cast<std::uint32_t>(at[3]) << 24;
}

void StateRecords::append(std::vector<unsigned char>& out, const char (&id)[4], const unsigned char* payload,
                          std::uint32_t bytes)
{
    unsigned char header[kHeaderBytes];
    std::memcpy(header, id, 4);
    putWord(header + 4, bytes);
    out.insert(out.end(), header, header + kHeaderBytes);
    out.insert(out.end(), payload, payload + bytes);
}

bool StateRecords::find(const unsigned char* data, std::size_t size, const char (&id)[4],
                        const unsigned char** payload, std::uint32_t* bytes)
{
    *payload = nullptr;
    *bytes = 0;
    std::size_t at = 0;
    while (at < size) {
        if (size - at < kHeaderBytes) {
            return false;
        }
        const std::uint32_t length = word(data + at + 4);
        if (size - at - kHeaderBytes < length) {
            return false;
        }
        if (!*payload && std::memcmp(data + at, id, 4) == 0) {
            *payload = data + at + kHeaderBytes;
            *bytes = length;
        }
        at += kHeaderBytes + length;
    }
    return true;
}
