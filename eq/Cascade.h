// The active bands of both channels run together. Lanes are numbered
// [left 0..3 | right 0..3]; lane j of each half runs the j-th active band. The
// chains of one sample position are independent once each band is a few
// samples behind the band before it, so the routines keep them all in flight
// at once (a wavefront: the j-th active band works on sample n - 3j while the
// first takes in sample n). Every lane rounds exactly as
// BandFilter::processBlock does for its channel, so the output and the final
// histories equal running each active band's processBlock in turn, bit for bit.
//
// This header is also read by the translation unit built for AVX: keep it to
// plain data and declarations (no inline code, no library templates).
#pragma once

#include <cstdint>

#include "eq/BandFilter.h"

constexpr int kCascadeBands = 4;
constexpr int kCascadeLanes = 8;
// Samples between one active band and the next in the wavefront.
constexpr int kCascadeSkew = 3;

// The coefficients as the lanes use them, laid out when a design changes.
// Lanes j and j + 4 hold the band order[j], for j < activeCount; the lanes
// after those are zero.
struct CascadeCoefficients {
    float b0[kCascadeLanes];
    float b1[kCascadeLanes];
    float b2[kCascadeLanes];
    float a1[kCascadeLanes];
    float a2[kCascadeLanes];
    std::int32_t order[kCascadeBands];
    std::int32_t activeCount;
    unsigned activeBands;  // bit k: band k runs
};

// The four bands' histories, as BandFilter keeps them.
struct CascadeHistory {
    BandHistory left[kCascadeBands];
    BandHistory right[kCascadeBands];
};

// Runs the active bands over frameCount frames: reads inLeft/inRight, writes
// outLeft/outRight, and updates the histories of the active bands (the others
// are left as they are). An input sample that is not finite (an infinity or a
// NaN) enters the bands as +0; every other sample enters as it is. Answers the
// active bands (bit k for band k) whose history holds a value that is not
// finite afterwards (finite samples can overflow). frameCount <= 0 does
// nothing.
//
// Buffers: the outputs are apart from each other, and each output is either
// apart from an input or the very same buffer; where the left output is the
// right input, it is the left input too. (The band loop below takes any
// arrangement: it copies, left first, then filters the outputs in place.)
using CascadeKernel = unsigned (*)(const CascadeCoefficients& coefficients, CascadeHistory& history,
                                   const float* inLeft, const float* inRight,
                                   float* outLeft, float* outRight, std::int32_t frameCount);

struct CascadeVariant {
    const char* name;
    CascadeKernel run;
};

// Lays out the coefficients of the four bands; bit k of activeBands marks band k active.
void cascadeLayout(CascadeCoefficients& out, const BandCoefficients (&bands)[kCascadeBands],
                   unsigned activeBands);

// The coefficients of one active band (bit `band` of activeBands) laid out
// anew in its lanes; the rest as they are.
void cascadeReplaceBand(CascadeCoefficients& out, int band, const BandCoefficients& c);

// The histories of the bands marked in `bands` (bit k for band k), both
// channels: whether every value is exactly +0; whether every magnitude is
// below `floor`; set to +0.
bool cascadeHistoriesAreZero(const CascadeHistory& history, unsigned bands);
bool cascadeHistoriesAreBelow(const CascadeHistory& history, unsigned bands, float floor);
void cascadeClearHistories(CascadeHistory& history, unsigned bands);

// The fastest routine this processor and operating system can run, chosen on
// the first call and kept (always the baseline in a build made with
// KORVO_CASCADE_BASELINE, which the tests use to run it inside a module).
CascadeKernel cascadeKernel();

// Every routine this machine can run, the baseline first; answers how many.
int cascadeVariants(CascadeVariant (&out)[2]);

// Whether the processor has AVX and the operating system saves its registers.
bool cascadeHasAvx();

// The routines themselves. Call one only where it can run.
unsigned cascadeRunSse2(const CascadeCoefficients& coefficients, CascadeHistory& history,
                        const float* inLeft, const float* inRight,
                        float* outLeft, float* outRight, std::int32_t frameCount);
unsigned cascadeRunAvx(const CascadeCoefficients& coefficients, CascadeHistory& history,
                       const float* inLeft, const float* inRight,
                       float* outLeft, float* outRight, std::int32_t frameCount);

// The bands one after another: the inputs copied to the outputs (left first),
// any infinity or NaN among them made +0, then each active band's filtering
// over the outputs in turn. The effect's path for outputs that share
// samples, and the routines' for a set of bands they do not know.
unsigned cascadeRunBandLoop(const CascadeCoefficients& coefficients, CascadeHistory& history,
                            const float* inLeft, const float* inRight,
                            float* outLeft, float* outRight, std::int32_t frameCount);
