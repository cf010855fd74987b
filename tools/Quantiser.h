// Turns float samples into integers of 16, 24 or 32 bits, left-justified in 32
// as libsndfile takes them: rounded to the nearest step, clipped at full
// scale, and for 16 and 24 bits with TPDF dither (the sum of two independent
// uniform values of one step each) from a generator that always starts in the
// same state, so the same render gives the same file. The noise runs through
// the samples in order, so the result does not depend on how they are handed
// over.
#pragma once

#include <cstddef>
#include <cstdint>

class Quantiser {
public:
    Quantiser(int bits, bool dither);

    void convert(const float* samples, int* out, std::size_t count);
    // The largest magnitude converted so far, 1.0 being full scale.
    double peak() const { return largest / scale; }

private:
    // Uniform in [0, 1), from a 64-bit xorshift* generator.
    double uniform();

    double scale;    // full scale in steps: 2^(bits - 1)
    int shift;       // 32 - bits
    bool dithered;
    double largest = 0.0;  // in steps
    std::uint64_t state = 0x4b6f72766f455121ULL;
};
