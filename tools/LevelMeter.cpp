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

#if defined(__SSE2__)
long long laneSum(__m128i counts)
{
    alignas(16) std::int32_t lanes[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes), counts);
    return static_cast<long long>(lanes[0]) + lanes[1] + lanes[2] + lanes[3];
}
#endif

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
        // The counts go per lane, in pieces short enough that no lane overflows.
        while (count - i >= 4) {
            const std::size_t end = i + std::min<std::size_t>((count - i) & ~std::size_t(3), std::size_t(1) << 30);
            __m128i overs = _mm_setzero_si128(), invalids = _mm_setzero_si128();
            for (; i < end; i += 4) {
                const __m128 magnitude = _mm_andnot_ps(signBit, _mm_loadu_ps(channel + i));
                const __m128 finite = _mm_cmple_ps(magnitude, largestFinite);  // false for NaN
                peaks = _mm_max_ps(peaks, _mm_and_ps(magnitude, finite));
                overs = _mm_sub_epi32(overs, _mm_castps_si128(_mm_and_ps(_mm_cmpgt_ps(magnitude, fullScale), finite)));
                invalids = _mm_sub_epi32(invalids, _mm_castps_si128(_mm_cmpnle_ps(magnitude, largestFinite)));
            }
            over += laneSum(overs);
            invalid += laneSum(invalids);
        }
        alignas(16) float peak[4];
        _mm_store_ps(peak, peaks);
        largest = std::max({largest, peak[0], peak[1], peak[2], peak[3]});
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
