#include "eq/Cascade.h"

#include <cmath>
#include <cstring>

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#endif

namespace {

// Lane `lane` of both halves.
void setLane(CascadeCoefficients& out, int lane, const BandCoefficients& c)
{
    for (int half = 0; half < kCascadeLanes; half += kCascadeBands) {
        out.b0[half + lane] = c.b0;
        out.b1[half + lane] = c.b1;
        out.b2[half + lane] = c.b2;
        out.a1[half + lane] = c.a1;
        out.a2[half + lane] = c.a2;
    }
}

}  // namespace

void cascadeLayout(CascadeCoefficients& out, const BandCoefficients (&bands)[kCascadeBands],
                   unsigned activeBands)
{
    out = CascadeCoefficients{};
    int lane = 0;
    for (int k = 0; k < kCascadeBands; ++k) {
        if (!((activeBands >> k) & 1u)) {
            continue;
        }
        setLane(out, lane, bands[k]);
        out.order[lane++] = k;
    }
    out.activeCount = lane;
    out.activeBands = activeBands & ((1u << kCascadeBands) - 1u);
}

void cascadeReplaceBand(CascadeCoefficients& out, int band, const BandCoefficients& c)
{
    for (int lane = 0; lane < out.activeCount; ++lane) {
        if (out.order[lane] == band) {
            setLane(out, lane, c);
        }
    }
}

namespace {

std::uint32_t bitsOf(float value)
{
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

// Infinities and NaNs (every exponent bit set) to +0, in place.
void zeroNonFinite(float* samples, std::int32_t count)
{
    for (std::int32_t i = 0; i < count; ++i) {
        if ((bitsOf(samples[i]) & 0x7F800000u) == 0x7F800000u) {
            samples[i] = 0.0f;
        }
    }
}

// Whether every value is finite, told from the bits (this runs after each
// band of every short stretch).
bool finiteBits(const BandHistory& h)
{
    const std::uint32_t e = 0x7F800000u;
    return (bitsOf(h.y1) & e) != e && (bitsOf(h.y2) & e) != e && (bitsOf(h.x1) & e) != e && (bitsOf(h.x2) & e) != e;
}

bool isZero(const BandHistory& h) { return (bitsOf(h.y1) | bitsOf(h.y2) | bitsOf(h.x1) | bitsOf(h.x2)) == 0; }

bool isBelow(const BandHistory& h, float floor)
{
    return std::fabs(h.y1) < floor && std::fabs(h.y2) < floor && std::fabs(h.x1) < floor && std::fabs(h.x2) < floor;
}

}  // namespace

bool cascadeHistoriesAreZero(const CascadeHistory& history, unsigned bands)
{
    for (int b = 0; b < kCascadeBands; ++b) {
        if (((bands >> b) & 1u) && !(isZero(history.left[b]) && isZero(history.right[b]))) {
            return false;
        }
    }
    return true;
}

bool cascadeHistoriesAreBelow(const CascadeHistory& history, unsigned bands, float floor)
{
    for (int b = 0; b < kCascadeBands; ++b) {
        if (((bands >> b) & 1u) && !(isBelow(history.left[b], floor) && isBelow(history.right[b], floor))) {
            return false;
        }
    }
    return true;
}

void cascadeClearHistories(CascadeHistory& history, unsigned bands)
{
    for (int b = 0; b < kCascadeBands; ++b) {
        if ((bands >> b) & 1u) {
            history.left[b] = BandHistory{0.0f, 0.0f, 0.0f, 0.0f};
            history.right[b] = BandHistory{0.0f, 0.0f, 0.0f, 0.0f};
        }
    }
}

unsigned cascadeRunBandLoop(const CascadeCoefficients& coefficients, CascadeHistory& history,
                            const float* inLeft, const float* inRight,
                            float* outLeft, float* outRight, std::int32_t frameCount)
{
    if (frameCount <= 0) {
        return 0;
    }
    const std::size_t bytes = sizeof(float) * static_cast<std::size_t>(frameCount);
    if (outLeft != inLeft) {
        std::memmove(outLeft, inLeft, bytes);
    }
    if (outRight != inRight) {
        std::memmove(outRight, inRight, bytes);
    }
    zeroNonFinite(outLeft, frameCount);
    zeroNonFinite(outRight, frameCount);
    unsigned notFinite = 0;
    for (int lane = 0; lane < coefficients.activeCount; ++lane) {
        const int k = coefficients.order[lane];
        const BandCoefficients c{coefficients.b0[lane], coefficients.b1[lane], coefficients.b2[lane],
                                 coefficients.a1[lane], coefficients.a2[lane]};
        BandFilter::processBlockWith(c, history.left[k], history.right[k], frameCount, outLeft, outRight);
        if (!finiteBits(history.left[k]) || !finiteBits(history.right[k])) {
            notFinite |= 1u << k;
        }
    }
    return notFinite;
}

bool cascadeHasAvx()
{
#if defined(__i386__) || defined(__x86_64__)
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx)) {
        return false;
    }
    const unsigned avx = 1u << 28, osxsave = 1u << 27;
    if ((ecx & (avx | osxsave)) != (avx | osxsave)) {
        return false;
    }
    // XGETBV with ECX = 0 reads XCR0: bit 1 is the XMM state, bit 2 the YMM state.
    unsigned xcr0 = 0, xcr0High = 0;
    __asm__ volatile(".byte 0x0f, 0x01, 0xd0" : "=a"(xcr0), "=d"(xcr0High) : "c"(0));
    (void)xcr0High;
    return (xcr0 & 6u) == 6u;
#else
    return false;
#endif
}

CascadeKernel cascadeKernel()
{
#if defined(KORVO_CASCADE_BASELINE)
    // A build held to the baseline routine, so that it can be tested on a
    // machine with AVX.
    return cascadeRunSse2;
#else
    static const CascadeKernel chosen = cascadeHasAvx() ? cascadeRunAvx : cascadeRunSse2;
    return chosen;
#endif
}

int cascadeVariants(CascadeVariant (&out)[2])
{
    int count = 0;
    out[count++] = CascadeVariant{"sse2", cascadeRunSse2};
    if (cascadeHasAvx()) {
        out[count++] = CascadeVariant{"avx", cascadeRunAvx};
    }
    return count;
}
