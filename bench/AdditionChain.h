// The clock of the benchmarks: a timed chain of dependent integer additions,
// one cycle each, so cycles can be counted in the same run as the timings.
#pragma once

#include <chrono>
#include <cstdint>

// Nanoseconds for `rounds` x 1000 dependent additions: about rounds x 1000 cycles.
inline double additionChainNanoseconds(long rounds)
{
    std::uint32_t acc = 0, one = 1;
    const auto start = std::chrono::steady_clock::now();
    for (long r = 0; r < rounds; ++r) {
        __asm__ volatile(".rept 1000\n\tadd %1, %0\n\t.endr" : "+r"(acc) : "r"(one));
    }
    const auto end = std::chrono::steady_clock::now();
    return std::chrono::duration<double, std::nano>(end - start).count();
}
