// Turns float samples into integers of 16, 24 or 32 bits, left-justified in 32
// as libsndfile takes them: rounded to the nearest step, clipped at full
// scale, and for 16 and 24 bits with TPDF dither (the difference of two
// independent uniform values of one step each) drawn from the sample's place
// in the stream, so the same render gives the same file, however the samples
// are handed over.
#pragma once

#include <cstddef>
#include <cstdint>

class Quantiser {
public:
    Quantiser(int bits, bool dither);

    void convert(const float* samples, int* out, std::size_t count);
    // The largest magnitude converted so far, 1.0 being full scale.
    double peak() const { return static_cast<double>(largest) / scale; }

private:
    // The next samples' dither, from -1 to 1 step, triangular.
    void fillDither(double* noise, std::size_t count);

    double scale;    // full scale in steps: 2^(bits - 1)
    int shift;       // 32 - bits
    bool dithered;
    std::int64_t largest = 0;  // in steps
    std::uint64_t counter = 0x4b6f72766f455121ULL;
};
