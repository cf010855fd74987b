// The sample rates the effect accepts (eq/Parameters.h, isUsableRate): at both
// ends of the range every band, whatever its settings, keeps its poles inside
// the unit circle with a margin and its output bounded. (That any other rate
// leaves the effect at its own is tested through each face.)
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "eq/EqEffect.h"
#include "eq/Parameters.h"

namespace {

// The larger pole radius of 1 + a1/z + a2/z^2.
long double poleRadius(long double a1, long double a2)
{
    const long double d = a1 * a1 - 4.0L * a2;
    if (d < 0.0L) {
        return std::sqrt(a2);
    }
    const long double s = std::sqrt(d);
    return std::max(std::fabs((-a1 + s) / 2.0L), std::fabs((-a1 - s) / 2.0L));
}

// The published cookbook band in long double with the exact 2 pi: its
// larger pole radius, the radius the band is meant to have.
long double idealRadius(BandType type, double rate, double frequency, double q, double gain)
{
    const long double A = std::pow(10.0L, gain / 40.0L);
    const long double w0 = 2.0L * 3.141592653589793238462643383279502884L * frequency / rate;
    const long double sn = std::sin(w0), cs = std::cos(w0);
    const long double alpha = sn / (2.0L * q), beta = std::sqrt(A) / q * sn;
    long double a0, a1, a2;
    if (type == Peaking) {
        a0 = 1.0L + alpha / A, a1 = -2.0L * cs, a2 = 1.0L - alpha / A;
    } else if (type == LowShelf) {
        a0 = (A + 1.0L) + (A - 1.0L) * cs + beta, a1 = -2.0L * ((A - 1.0L) + (A + 1.0L) * cs);
        a2 = (A + 1.0L) + (A - 1.0L) * cs - beta;
    } else {
        a0 = (A + 1.0L) - (A - 1.0L) * cs + beta, a1 = 2.0L * ((A - 1.0L) - (A + 1.0L) * cs);
        a2 = (A + 1.0L) - (A - 1.0L) * cs - beta;
    }
    return poleRadius(a1 / a0, a2 / a0);
}

// A band's settings as stored values, the other bands' gains flat.
void bandValues(int band, float frequency, float gain, float q, float (&values)[kNumParameters])
{
    std::fill(values, values + kNumParameters, 0.5f);
    const BandInfo& info = kBands[band];
    values[info.frequencyIndex] = frequency;
    values[info.gainIndex] = gain;
    if (info.qIndex >= 0) {
        values[info.qIndex] = q;
    }
}

// The lowest frequencies densely (the poles nearest z = 1 are theirs), every
// gain that runs a band (the edge of the dead zone included), Q over its range.
TEST(RateRange, EveryBandKeepsItsPolesInsideTheUnitCircleAtBothEnds)
{
    std::vector<float> frequencies, gains, qs;
    for (int k = 0; k < 64; ++k) frequencies.push_back(static_cast<float>(k) / 1024.0f);
    for (int k = 2; k <= 20; ++k) frequencies.push_back(static_cast<float>(k) / 20.0f);
    for (int k = 0; k <= 256; ++k) {
        if (gainIsActive(static_cast<float>(k) / 256.0f)) gains.push_back(static_cast<float>(k) / 256.0f);
    }
    gains.push_back(std::nextafter(0.537f, 1.0f));
    gains.push_back(std::nextafter(0.463f, 0.0f));
    for (int k = 0; k <= 8; ++k) qs.push_back(static_cast<float>(k) / 8.0f);

    for (double rate : {kMinSampleRate, kMaxSampleRate}) {
        for (int band = 0; band < kNumBands; ++band) {
            const BandInfo& info = kBands[band];
            for (float f : frequencies) {
                for (float g : gains) {
                    for (float q : qs) {
                        if (info.qIndex < 0 && q != qs.front()) continue;
                        float values[kNumParameters];
                        bandValues(band, f, g, q, values);
                        const BandCoefficients c = EqEffect::designBand(band, values, rate);
                        const long double radius = poleRadius(c.a1, c.a2);
                        const double plainQ = info.qIndex >= 0 ? toPlain(info.qIndex, q) : kShelfQ;
                        const long double ideal = idealRadius(info.type, rate, effectivePlain(info.frequencyIndex, f, rate),
                                                              plainQ, toPlain(info.gainIndex, g));
                        // The single-precision design keeps at least a quarter of the
                        // distance from the unit circle that the band is meant to have.
                        const double share = static_cast<double>((1.0L - radius) / (1.0L - ideal));
                        ASSERT_GE(share, 0.25) << "rate " << rate << " band " << band << " values " << f << " " << g
                                               << " " << q << ": radius " << static_cast<double>(radius);
                    }
                }
            }
        }
    }
}

// Full-scale input, a slow square under noise, through each band alone at
// its extreme settings for 2^20 frames: the output stays finite and within
// 40 dB of the input, however near z = 1 the band's poles lie.
TEST(RateRange, EveryBandAtItsExtremesKeepsItsOutputBoundedAtBothEnds)
{
    constexpr int kBlock = 4096, kBlocks = 256;
    std::vector<float> left(kBlock), right(kBlock);
    for (double rate : {kMinSampleRate, kMaxSampleRate}) {
        for (int band = 0; band < kNumBands; ++band) {
            for (int corner = 0; corner < 8; ++corner) {
                if (kBands[band].qIndex < 0 && (corner & 4)) continue;
                EqEffect effect(nullptr);
                effect.setSampleRate(static_cast<float>(rate));
                float values[kNumParameters];
                bandValues(band, static_cast<float>(corner & 1), static_cast<float>((corner >> 1) & 1),
                           static_cast<float>((corner >> 2) & 1), values);
                for (int k = 0; k < kNumParameters; ++k) effect.setParameter(k, values[k]);
                std::mt19937 random(static_cast<unsigned>(corner));
                std::uniform_real_distribution<float> noise(-0.5f, 0.5f);
                float peak = 0.0f;
                for (int b = 0; b < kBlocks; ++b) {
                    for (int i = 0; i < kBlock; ++i) {
                        const float square = (b / 4) % 2 ? 0.5f : -0.5f;
                        left[i] = square + noise(random);
                        right[i] = -square + noise(random);
                    }
                    float* io[2] = {left.data(), right.data()};
                    effect.processReplacing(io, io, kBlock);
                    for (int i = 0; i < kBlock; ++i) {
                        peak = std::max({peak, std::fabs(left[i]), std::fabs(right[i])});
                    }
                    ASSERT_LT(peak, 100.0f) << "rate " << rate << " band " << band << " corner " << corner
                                            << " block " << b;
                }
            }
        }
    }
}

}  // namespace
