#include "tools/LevelMeter.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <limits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr float kLargestFinite = std::numeric_limits<float>::max();

}  // namespace

void LevelMeter::add(const float* left, const float* right, std::size_t count)
{
    for (const float* channel : {left, right}) {
        if (!channel) continue;
        std::size_t i = 0;
#if defined(__SSE2__)
        // Four samples at a time, without a branch: masks count and pick.
        const __m128 signBit = _mm_set1_ps(-0.0f), fullScale = _mm_set1_ps(1.0f);
        const __m128 largestFinite = _mm_set1_ps(kLargestFinite);
        __m128 peaks = _mm_set1_ps(largest);
        __m128i overs = _mm_setzero_si128(), invalids = _mm_setzero_si128();
        for (std::size_t lanes = 0; i + 4 <= count; i += 4, lanes += 4) {
            if (lanes >= (std::size_t(1) << 30)) {  // before a lane's count could overflow
                over += _mm_cvtsi128_si32(overs) + _mm_cvtsi128_si32(_mm_srli_si128(overs, 4)) +
                        _mm_cvtsi128_si32(_mm_srli_si128(overs, 8)) + _mm_cvtsi128_si32(_mm_srli_si128(overs, 12));
                invalid += _mm_cvtsi128_si32(invalids) + _mm_cvtsi128_si32(_mm_srli_si128(invalids, 4)) +
                           _mm_cvtsi128_si32(_mm_srli_si128(invalids, 8)) +
                           _mm_cvtsi128_si32(_mm_srli_si128(invalids, 12));
                overs = invalids = _mm_setzero_si128();
                lanes = 0;
            }
            const __m128 magnitude = _mm_andnot_ps(signBit, _mm_loadu_ps(channel + i));
            const __m128 finite = _mm_cmple_ps(magnitude, largestFinite);  // false for NaN
            peaks = _mm_max_ps(peaks, _mm_and_ps(magnitude, finite));
            overs = _mm_sub_epi32(overs, _mm_castps_si128(_mm_and_ps(_mm_cmpgt_ps(magnitude, fullScale), finite)));
            invalids = _mm_sub_epi32(invalids, _mm_castps_si128(_mm_cmpnle_ps(magnitude, largestFinite)));
        }
        alignas(16) float peak[4];
        alignas(16) std::int32_t overCount[4], invalidCount[4];
        _mm_store_ps(peak, peaks);
        _mm_store_si128(reinterpret_cast<__m128i*>(overCount), overs);
        _mm_store_si128(reinterpret_cast<__m128i*>(invalidCount), invalids);
        for (int lane = 0; lane < 4; ++lane) {
            largest = std::max(largest, peak[lane]);
            over += overCount[lane];
            invalid += invalidCount[lane];
        }
#endif
        for (; i < count; ++i) {
            if (!std::isfinite(channel[i])) {
                ++invalid;
                continue;
            }
            const float magnitude = std::fabs(channel[i]);
            if (magnitude > largest) largest = magnitude;
            if (magnitude > 1.0f) ++over;
        }
    }
}

double LevelMeter::peakDbfs() const
{
    if (largest <= 0.0f) return -std::numeric_limits<double>::infinity();
    return 20.0 * std::log10(static_cast<double>(largest));
}
