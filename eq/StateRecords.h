// What a VST 3 or CLAP state holds after its first 64 bytes (the VST 2
// module's bank chunk): a run of records, each a four-character id (its
// characters in order), a 32-bit little-endian length and that many bytes of
// payload. A reader takes the records it knows and steps over the others, so
// a later version adds a record without making its states unreadable here,
// and a record's payload may grow at its end. A run cut short inside a record
// is malformed, and the whole state is refused.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class StateRecords {
public:
    static constexpr std::size_t kHeaderBytes = 8;
    // The bypass: a 32-bit little-endian 0 (off) or 1 (on).
    static constexpr char kBypassId[4] = {'B', 'Y', 'P', 'S'};
    static constexpr std::uint32_t kBypassBytes = 4;

    // Appends a record; allocates, and may throw.
    static void append(std::vector<unsigned char>& out, const char (&id)[4], const unsigned char* payload,
                       std::uint32_t bytes);
    // Whether `size` bytes are a well-formed run of records; where one has
    // the id, *payload and *bytes tell the first such record's.
    static bool find(const unsigned char* data, std::size_t size, const char (&id)[4], const unsigned char** payload,
                     std::uint32_t* bytes);

    static void putWord(unsigned char* at, std::uint32_t word);
    static std::uint32_t word(const unsigned char* at);
};
