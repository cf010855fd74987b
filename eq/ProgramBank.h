// The equaliser's programs: a name and ten parameter values each, in 64-byte
// records that are also the layout of the bank chunk the host stores.
#pragma once

#include <cstdint>

constexpr int kProgramNameLength = 24;
constexpr int kValuesPerRecord = 10;

struct ProgramRecord {
    char name[kProgramNameLength];  // zero-terminated unless all 24 bytes are used
    float values[kValuesPerRecord]; // parameter values in index order
};
static_assert(sizeof(ProgramRecord) == 64, "a program record is 64 bytes, as stored in the bank chunk");

// Every parameter's value in a fresh program: the default the editor's knobs return to.
constexpr float kInitialValue = 0.5f;

class ProgramBank {
public:
    // Allocates count records, zero-filled; isValid() is false when that failed.
    ProgramBank(std::int32_t count, std::int32_t paramCount);
    ~ProgramBank();

    // Every program named "DEFAULT", every value kInitialValue.
    void initialise();

    bool isValid() const { return records != nullptr; }
    std::int32_t getCount() const { return count; }
    std::int32_t getParamCount() const { return paramCount; }

    // The record of a program; the index must lie in 0..count-1.
    ProgramRecord& record(std::int32_t program) { return records[program]; }
    const ProgramRecord& record(std::int32_t program) const { return records[program]; }

    // The whole storage, count x 64 bytes, as the bank chunk.
    void* storage() { return records; }
    std::int32_t storageBytes() const { return count * static_cast<std::int32_t>(sizeof(ProgramRecord)); }

    ProgramBank(const ProgramBank&) = delete;
    ProgramBank& operator=(const ProgramBank&) = delete;

private:
    std::int32_t count;
    std::int32_t paramCount;
    ProgramRecord* records;
};
