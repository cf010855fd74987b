#include "eq/StereoBuffers.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#define KORVO_SSE2 1
#endif

namespace {

std::uint32_t bitsOf(float value)
{
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

// One channel copied with any subnormal value flushed to a zero of the same
// sign, and any infinity or NaN made +0. In place is fine.
void copyFlushed(float* to, const float* from, std::int32_t frames)
{
    const std::size_t bytes = sizeof(float) * static_cast<std::size_t>(frames);
    if (to != from && reinterpret_cast<std::uintptr_t>(to) < reinterpret_cast<std::uintptr_t>(from) + bytes &&
        reinterpret_cast<std::uintptr_t>(from) < reinterpret_cast<std::uintptr_t>(to) + bytes) {
        std::memmove(to, from, bytes);
        from = to;
    }
    std::int32_t i = 0;
#if defined(KORVO_SSE2)
    // Where the exponent is zero, everything but the sign goes; where it is
    // all ones, everything.
    const __m128i exponent = _mm_set1_epi32(0x7F800000);
    const __m128i magnitude = _mm_set1_epi32(0x7FFFFFFF);
    const __m128i zero = _mm_setzero_si128();
    for (; i + 4 <= frames; i += 4) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + i));
        const __m128i e = _mm_and_si128(v, exponent);
        const __m128i gone = _mm_or_si128(_mm_and_si128(_mm_cmpeq_epi32(e, zero), magnitude), _mm_cmpeq_epi32(e, exponent));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(to + i), _mm_andnot_si128(gone, v));
    }
#endif
    for (; i < frames; ++i) {
        std::uint32_t bits = bitsOf(from[i]);
        if ((bits & 0x7F800000u) == 0) {
            bits &= 0x80000000u;
        } else if ((bits & 0x7F800000u) == 0x7F800000u) {
            bits = 0;
        }
        std::memcpy(&to[i], &bits, sizeof bits);
    }
}

}  // namespace

void StereoBuffers::moveInputsToOutputs()
{
    std::memmove(left, inLeft, sizeof(float) * static_cast<std::size_t>(frames));
    std::memmove(right, inRight, sizeof(float) * static_cast<std::size_t>(frames));
    inLeft = left;
    inRight = right;
}

void StereoBuffers::copyFlushed() const
{
    ::copyFlushed(left, inLeft, frames);
    ::copyFlushed(right, inRight, frames);
}

void StereoBuffers::clearOutputs() const
{
    std::memset(left, 0, sizeof(float) * static_cast<std::size_t>(frames));
    std::memset(right, 0, sizeof(float) * static_cast<std::size_t>(frames));
}

std::uint32_t StereoBuffers::orOfInputs(std::int32_t count) const
{
    std::uint32_t all = 0;
    for (std::int32_t start = 0; start < count && isSilence(all); start += 64) {
        const std::int32_t end = count - start < 64 ? count : start + 64;
        std::int32_t i = start;
#if defined(KORVO_SSE2)
        __m128i a = _mm_setzero_si128(), b = _mm_setzero_si128();
        for (; i + 8 <= end; i += 8) {
            a = _mm_or_si128(a, _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(inLeft + i)),
                                             _mm_loadu_si128(reinterpret_cast<const __m128i*>(inRight + i))));
            b = _mm_or_si128(b, _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(inLeft + i + 4)),
                                             _mm_loadu_si128(reinterpret_cast<const __m128i*>(inRight + i + 4))));
        }
        a = _mm_or_si128(a, b);
        a = _mm_or_si128(a, _mm_shuffle_epi32(a, 0x4E));
        a = _mm_or_si128(a, _mm_shuffle_epi32(a, 0xB1));
        all |= static_cast<std::uint32_t>(_mm_cvtsi128_si32(a));
#endif
        for (; i < end; ++i) {
            all |= bitsOf(inLeft[i]) | bitsOf(inRight[i]);
        }
    }
    return all;
}

std::int32_t StereoBuffers::leadingSilence(std::int32_t count) const
{
    std::int32_t n = 0;
    while (n < count && isSilent(inLeft[n], inRight[n])) {
        ++n;
    }
    return n;
}

std::int32_t StereoBuffers::trailingSilence() const
{
    std::int32_t n = 0;
    while (n < frames && isSilent(inLeft[frames - 1 - n], inRight[frames - 1 - n])) {
        ++n;
    }
    return n;
}
