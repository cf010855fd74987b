#include "tools/Quantiser.h"

#include <cmath>

Quantiser::Quantiser(int bits, bool dither)
    : scale(std::ldexp(1.0, bits - 1)), shift(32 - bits), dithered(dither && bits < 32)
{
}

double Quantiser::uniform()
{
    state ^= state >> 12;
    state ^= state << 25;
    state ^= state >> 27;
    return static_cast<double>((state * 0x2545F4914F6CDD1DULL) >> 11) * 0x1p-53;
}

void Quantiser::convert(const float* samples, int* out, std::size_t count)
{
    const double lowest = -scale, highest = scale - 1.0;
    for (std::size_t i = 0; i < count; ++i) {
        double step = static_cast<double>(samples[i]) * scale;
        if (dithered) {
            const double first = uniform();  // in this order on every compiler
            step += first - uniform();
        }
        step = std::floor(step + 0.5);
        if (std::isnan(step)) step = 0.0;
        step = std::fmin(highest, std::fmax(lowest, step));
        largest = std::fmax(largest, std::fabs(step));
        // The shift is done on the unsigned pattern: left-shifting a negative
        // int is undefined before C++20.
        out[i] = static_cast<int>(static_cast<std::uint32_t>(static_cast<std::int64_t>(step)) << shift);
    }
}
