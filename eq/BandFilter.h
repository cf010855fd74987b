// One band of the equaliser: a biquad section (Direct Form I) that turns a
// frequency, Q and gain into five normalised coefficients for a peaking band
// or a shelf, and filters a stereo pair of buffers in place.
//
// All audio and all coefficients are single precision. The arithmetic is
// written operation by operation so that its results do not depend on the
// compiler: build with -ffp-contract=off, never -ffast-math, and with SSE2
// (not x87) arithmetic on 32-bit x86.
#pragma once

#include <cstdint>

enum BandType : int32_t { Peaking = 0, LowShelf = 1, HighShelf = 2 };

// Coefficients already divided by a0 (a0 itself is not kept).
struct BandCoefficients { float b0, b1, b2, a1, a2; };

// One channel's state: last output, output before that, last input, input
// before that.
struct BandHistory { float y1, y2, x1, x2; };

// Whether all four values of a history are finite.
bool isFinite(const BandHistory& h);

// The sine and cosine of a band's centre (or corner) frequency as an angle.
struct BandAngle { float sn, cs; };

class BandFilter {
public:
    // Design rate 44100 Hz, coefficients and histories zero, then a flat
    // design at 2000 Hz, Q 0.1, 0 dB. Runs wherever the owner is built.
    explicit BandFilter(BandType type);

    // Pure computation: type, design rate (Hz), frequency (Hz), Q and gain
    // (dB) to normalised coefficients. Safe from any thread.
    static BandCoefficients makeDesign(BandType bandType, double rate,
                                       float frequency, float q, float gain);
    // The same design in its parts, each depending on one setting, so that a
    // caller can keep a part whose setting did not change: makeDesign is
    // designFrom(type, amplitudeOf(gain), angleOf(rate, frequency), q), bit
    // for bit.
    static float amplitudeOf(float gain);
    static BandAngle angleOf(double rate, float frequency);
    static BandCoefficients designFrom(BandType bandType, float amplitude, BandAngle angle, float q);

    // Recomputes the coefficients for the stored type and design rate and
    // keeps both histories. Called from whichever thread changes a setting.
    void design(float frequency, float q, float gain);

    // Filters frameCount samples of each buffer in place, left with the left
    // history and right with the right history; frameCount <= 0 does nothing.
    // Runs on the host's audio thread: no allocation, no locks, no calls out.
    void processBlock(int32_t frameCount, float* left, float* right);

    // The same filtering with coefficients and histories held by the caller:
    // bit for bit what processBlock does for a band in that state.
    static void processBlockWith(const BandCoefficients& c, BandHistory& leftHistory,
                                 BandHistory& rightHistory, int32_t frameCount,
                                 float* left, float* right);

    // Coefficient access. Called from whichever thread changes a setting.
    void setCoefficients(const BandCoefficients& c);
    BandCoefficients coefficients() const;

    // Design rate used by design(); 44100 Hz unless changed. Setting thread only.
    void setDesignRate(double rate);
    double getDesignRate() const;

    BandType getType() const;

    // History access. Not for use while the audio thread is processing.
    const BandHistory& leftHistory() const;
    const BandHistory& rightHistory() const;
    void setHistory(const BandHistory& left, const BandHistory& right);
    bool historyIsFinite() const;   // all eight history values finite
    void clearHistory();            // both histories to zero

private:
    float b0, b1, b2;
    float a1, a2;
    BandHistory leftHist;
    BandHistory rightHist;
    BandType type;
    double designRate;
};
