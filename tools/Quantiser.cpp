#include "tools/Quantiser.h"

#include <algorithm>
#include <cmath>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

Quantiser::Quantiser(int bits, bool dither)
    : scale(std::ldexp(1.0, bits - 1)), shift(32 - bits), dithered(dither && bits < 32)
{
}

void Quantiser::fillDither(double* noise, std::size_t count)
{
    // wyrand, a counter mixed by one 64 x 64 -> 128-bit multiplication: each
    // sample's noise stands alone, so the processor works on several at once,
    // where a generator that feeds on its last state makes each sample wait.
    __extension__ using Wide = unsigned __int128;
    for (std::size_t i = 0; i < count; ++i) {
        counter += 0xa0761d6478bd642fULL;
        const Wide product = static_cast<Wide>(counter) * (counter ^ 0xe7037ed1a0b428dbULL);
        const auto z = static_cast<std::uint64_t>(product >> 64) ^ static_cast<std::uint64_t>(product);
        // Two independent uniform values of 32 bits each, from the two halves.
        const auto first = static_cast<double>(static_cast<std::int64_t>(z >> 32));
        const auto second = static_cast<double>(static_cast<std::int64_t>(z & 0xFFFFFFFFu));
        noise[i] = (first - second) * 0x1p-32;
    }
}

namespace {

// One sample: rounded half up, as floor(step + 0.5), and clipped at full
// scale; what is not a finite number is silence. Answers the level in steps.
inline double quantise(float sample, double scale, double noise, double lowest, double highest)
{
    const double value = static_cast<double>(sample);
    double step = value * scale + noise + 0.5;
    step = std::fabs(value) <= 3.4028234663852886e38 ? step : 0.0;  // false for NaN too
    step = step < lowest ? lowest : step;
    step = step > highest ? highest : step;
    const double whole = static_cast<double>(static_cast<std::int32_t>(step));  // towards zero...
    return whole > step ? whole - 1.0 : whole;  // ...then down for negatives
}

}  // namespace

void Quantiser::convert(const float* samples, int* out, std::size_t count)
{
    constexpr std::size_t kPiece = 256;
    const double lowest = -scale, highest = scale - 1.0;
    double noise[kPiece] = {};
    double peakSteps = static_cast<double>(largest);
    for (std::size_t at = 0; at < count; at += kPiece) {
        const std::size_t n = std::min(kPiece, count - at);
        if (dithered) fillDither(noise, n);
        std::size_t i = 0;
#if defined(__SSE2__)
        // Two samples at a time, the same arithmetic as quantise().
        const __m128d scales = _mm_set1_pd(scale), half = _mm_set1_pd(0.5), one = _mm_set1_pd(1.0);
        const __m128d low = _mm_set1_pd(lowest), high = _mm_set1_pd(highest);
        const __m128d largestFinite = _mm_set1_pd(3.4028234663852886e38);
        const __m128d signBit = _mm_set1_pd(-0.0);
        const __m128i by = _mm_cvtsi32_si128(shift);
        __m128d peaks = _mm_set1_pd(peakSteps);
        for (; i + 2 <= n; i += 2) {
            const __m128d value = _mm_cvtps_pd(_mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(samples + at + i))));
            __m128d step = _mm_add_pd(_mm_add_pd(_mm_mul_pd(value, scales), _mm_loadu_pd(noise + i)), half);
            step = _mm_and_pd(step, _mm_cmple_pd(_mm_andnot_pd(signBit, value), largestFinite));
            step = _mm_min_pd(_mm_max_pd(step, low), high);
            const __m128d whole = _mm_cvtepi32_pd(_mm_cvttpd_epi32(step));
            const __m128d level = _mm_sub_pd(whole, _mm_and_pd(_mm_cmpgt_pd(whole, step), one));
            peaks = _mm_max_pd(peaks, _mm_andnot_pd(signBit, level));
            _mm_storel_epi64(reinterpret_cast<__m128i*>(out + at + i), _mm_sll_epi32(_mm_cvttpd_epi32(level), by));
        }
        peakSteps = std::max(peakSteps, std::max(_mm_cvtsd_f64(peaks), _mm_cvtsd_f64(_mm_unpackhi_pd(peaks, peaks))));
#endif
        for (; i < n; ++i) {
            const double level = quantise(samples[at + i], scale, noise[i], lowest, highest);
            peakSteps = std::max(peakSteps, std::fabs(level));
            // The shift is done on the unsigned pattern: left-shifting a negative
            // int is undefined before C++20.
            out[at + i] = static_cast<int>(static_cast<std::uint32_t>(static_cast<std::int32_t>(level)) << shift);
        }
    }
    largest = static_cast<std::int64_t>(peakSteps);
}
