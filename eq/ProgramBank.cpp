#include "eq/ProgramBank.h"

#include <cstring>
#include <new>

ProgramBank::ProgramBank(std::int32_t programs, std::int32_t params)
    : count(programs > 0 ? programs : 0), paramCount(params), records(nullptr)
{
    if (count > 0) {
        records = new (std::nothrow) ProgramRecord[count]();
    }
    if (!records) {
        count = 0;
    }
}

ProgramBank::~ProgramBank() { delete[] records; }

void ProgramBank::initialise()
{
    const std::int32_t values = paramCount < kValuesPerRecord ? paramCount : kValuesPerRecord;
    for (std::int32_t p = 0; p < count; ++p) {
        ProgramRecord& program = records[p];
        std::memset(program.name, 0, sizeof(program.name));
        std::memcpy(program.name, "DEFAULT", 7);
        for (std::int32_t k = 0; k < values; ++k) {
            program.values[k] = kInitialValue;
        }
    }
}
