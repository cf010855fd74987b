#include "eq/BandFilter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <complex>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr BandType kAllTypes[] = {Peaking, LowShelf, HighShelf};

double radians(double hz, double rate) { return 2.0 * kPi * hz / rate; }

// |H(e^jw)| in dB, evaluated in double from the stored coefficients.
double responseDb(const BandCoefficients& c, double w)
{
    const std::complex<double> z1 = std::polar(1.0, -w);
    const std::complex<double> z2 = z1 * z1;
    const std::complex<double> num = double(c.b0) + double(c.b1) * z1 + double(c.b2) * z2;
    const std::complex<double> den = 1.0 + double(c.a1) * z1 + double(c.a2) * z2;
    return 20.0 * std::log10(std::abs(num / den));
}

// Amplitude of the sinusoid of angular frequency w in y[first..], by a least
// squares fit of p*sin + q*cos (exact for a pure sinusoid, whatever the window).
double sineAmplitude(const std::vector<float>& y, size_t first, double w)
{
    double ss = 0, sc = 0, cc = 0, ys = 0, yc = 0;
    for (size_t n = first; n < y.size(); ++n) {
        const double s = std::sin(w * double(n)), c = std::cos(w * double(n));
        ss += s * s; sc += s * c; cc += c * c;
        ys += y[n] * s; yc += y[n] * c;
    }
    const double det = ss * cc - sc * sc;
    return std::hypot((ys * cc - yc * sc) / det, (yc * ss - ys * sc) / det);
}

float uniform(std::mt19937& rng, float lo, float hi)
{
    return std::uniform_real_distribution<float>(lo, hi)(rng);
}

std::vector<float> noise(std::mt19937& rng, size_t n)
{
    std::vector<float> v(n);
    for (float& s : v) s = uniform(rng, -1.0f, 1.0f);
    return v;
}

BandHistory randomHistory(std::mt19937& rng)
{
    return {uniform(rng, -1, 1), uniform(rng, -1, 1), uniform(rng, -1, 1), uniform(rng, -1, 1)};
}

// A filter of random type and settings (the effect's ranges) with random history.
BandFilter randomFilter(std::mt19937& rng)
{
    BandFilter f(kAllTypes[rng() % 3]);
    f.design(uniform(rng, 40, 20100), uniform(rng, 0.001f, 1.001f), uniform(rng, -20, 20));
    f.setHistory(randomHistory(rng), randomHistory(rng));
    return f;
}

template <class T> bool sameBits(const T& a, const T& b) { return std::memcmp(&a, &b, sizeof(T)) == 0; }
bool sameBits(const std::vector<float>& a, const std::vector<float>& b)
{
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0;
}

// Plain one-sample Direct Form I with the two channel groupings, every
// operation in float.
void referenceFilter(const BandCoefficients& c, BandHistory& l, BandHistory& r,
                     float* left, float* right, int n)
{
    for (int i = 0; i < n; ++i) {
        const float xl = left[i], xr = right[i];
        const float yl = ((c.b1 * l.x1 + c.b2 * l.x2) + c.b0 * xl) - c.a1 * l.y1 - c.a2 * l.y2;
        const float yr = ((c.b1 * r.x1 + c.b0 * xr) + c.b2 * r.x2) - c.a1 * r.y1 - c.a2 * r.y2;
        l = {yl, l.y1, xl, l.x1};
        r = {yr, r.y1, xr, r.x1};
        left[i] = yl;
        right[i] = yr;
    }
}

// Runs n samples of noise through f and returns the largest |output - input|
// over both channels.
float maxDeviationFromInput(BandFilter& f, std::mt19937& rng, size_t n)
{
    const std::vector<float> inL = noise(rng, n), inR = noise(rng, n);
    std::vector<float> l = inL, r = inR;
    f.processBlock(int32_t(n), l.data(), r.data());
    float worst = 0;
    for (size_t i = 0; i < n; ++i)
        worst = std::fmax(worst, std::fmax(std::fabs(l[i] - inL[i]), std::fabs(r[i] - inR[i])));
    return worst;
}

// Bound on the rounding error of a flat band over n samples of input within
// +-1: each step rounds a few times at the scale of sum|b|, and the recursion
// can grow an error by at most the sum of |h| of 1 / (1 + a1 z^-1 + a2 z^-2).
double flatTolerance(const BandCoefficients& c, size_t n)
{
    double h1 = 0, h2 = 0, gain = 0;
    for (size_t i = 0; i < n; ++i) {
        const double h = (i == 0 ? 1.0 : 0.0) - c.a1 * h1 - c.a2 * h2;
        gain += std::fabs(h);
        h2 = h1;
        h1 = h;
    }
    return 8.0 * FLT_EPSILON * gain * (std::fabs(c.b0) + std::fabs(c.b1) + std::fabs(c.b2));
}

} // namespace

TEST(BandFilterDesign, ZeroGainIsFlatForEveryTypeIncludingAFreshFilter)
{
    std::mt19937 rng(2);
    for (BandType t : kAllTypes) {
        BandFilter fresh(t);
        EXPECT_EQ(fresh.getType(), t);
        EXPECT_EQ(fresh.getDesignRate(), 44100.0);
        EXPECT_TRUE(sameBits(fresh.leftHistory(), BandHistory{0, 0, 0, 0}));
        EXPECT_TRUE(sameBits(fresh.rightHistory(), BandHistory{0, 0, 0, 0}));
        EXPECT_TRUE(sameBits(fresh.coefficients(), BandFilter::makeDesign(t, 44100.0, 2000.0f, 0.1f, 0.0f)));
        EXPECT_LE(maxDeviationFromInput(fresh, rng, 4096), flatTolerance(fresh.coefficients(), 4096)) << t;
    }
    for (int trial = 0; trial < 300; ++trial) {
        BandFilter f(kAllTypes[trial % 3]);
        f.design(uniform(rng, 40, 20100), uniform(rng, 0.001f, 1.001f), 0.0f);
        const BandCoefficients c = f.coefficients();
        SCOPED_TRACE(trial);
        ASSERT_EQ(c.b1, c.a1);
        ASSERT_EQ(c.b2, c.a2);
        ASSERT_NEAR(c.b0, 1.0f, 2 * FLT_EPSILON);
        ASSERT_LE(maxDeviationFromInput(f, rng, 512), flatTolerance(c, 512));
    }
}

TEST(BandFilterDesign, PeakingBandReachesItsGainAtTheCentre)
{
    for (double rate : {44100.0, 48000.0, 96000.0}) {
        for (float freq : {100.0f, 1000.0f, 5000.0f, 15000.0f}) {
            for (float q : {0.001f, 0.101f, 0.501f, 1.001f, 4.0f}) {
                for (float gain : {-20.0f, -6.0f, 3.0f, 12.0f, 20.0f}) {
                    BandFilter f(Peaking);
                    f.setDesignRate(rate);
                    f.design(freq, q, gain);
                    const double w = radians(freq, rate);
                    SCOPED_TRACE(::testing::Message() << rate << " Hz rate, " << freq << " Hz, Q "
                                                      << q << ", " << gain << " dB");
                    EXPECT_NEAR(responseDb(f.coefficients(), w), gain, 0.01);
                    // The centre is the extreme of the response (a band of Q 0.001 is
                    // so wide that it is flat at g dB around its centre).
                    if (q < 0.1f) continue;
                    EXPECT_LT(std::fabs(responseDb(f.coefficients(), w * 0.9)), std::fabs(gain));
                    EXPECT_LT(std::fabs(responseDb(f.coefficients(), w / 0.9)), std::fabs(gain));
                }
            }
        }
    }
}

TEST(BandFilterDesign, PeakingBandAmplifiesASteadySineByItsGain)
{
    for (double rate : {44100.0, 48000.0, 96000.0}) {
        for (float freq : {150.0f, 1000.0f, 12000.0f}) {
            for (float gain : {-15.0f, 9.0f}) {
                BandFilter f(Peaking);
                f.setDesignRate(rate);
                f.design(freq, 0.7f, gain);
                const double w = radians(freq, rate);
                const size_t settle = size_t(rate), n = settle + size_t(rate / 2);
                std::vector<float> l(n), r(n);
                for (size_t i = 0; i < n; ++i) l[i] = r[i] = float(0.5 * std::sin(w * double(i)));
                f.processBlock(int32_t(n), l.data(), r.data());
                SCOPED_TRACE(::testing::Message() << rate << " Hz rate, " << freq << " Hz, " << gain << " dB");
                EXPECT_NEAR(20.0 * std::log10(sineAmplitude(l, settle, w) / 0.5), gain, 0.01);
                EXPECT_NEAR(20.0 * std::log10(sineAmplitude(r, settle, w) / 0.5), gain, 0.01);
            }
        }
    }
}

TEST(BandFilterDesign, ShelvesApproachTheirGainOnOneSideAndHalfOfItAtTheCorner)
{
    // Near DC the response of a low-corner shelf is limited by its
    // single-precision coefficients, so the tolerances widen for the lowest
    // corners (the error grows roughly as 1 / corner^2).
    struct Case { float corner; double atCorner, farSide; };
    const Case cases[] = {{40, 0.05, 0.3}, {100, 0.01, 0.05}, {290, 0.01, 0.02}, {540, 0.01, 0.02},
                          {5000, 0.01, 0.02}, {10000, 0.01, 0.02}, {15000, 0.01, 0.02}};
    for (BandType t : {LowShelf, HighShelf}) {
        for (const Case& k : cases) {
            for (float gain : {-20.0f, -7.5f, 4.0f, 20.0f}) {
                BandFilter f(t);
                f.design(k.corner, 0.5f, gain);
                const BandCoefficients c = f.coefficients();
                const double w0 = radians(k.corner, 44100.0);
                const double farBelow = responseDb(c, w0 / 100.0), nyquist = responseDb(c, kPi);
                SCOPED_TRACE(::testing::Message() << "type " << t << ", " << k.corner << " Hz, " << gain << " dB");
                EXPECT_NEAR(responseDb(c, w0), gain / 2.0, k.atCorner);
                EXPECT_NEAR(farBelow, t == LowShelf ? gain : 0.0, k.farSide);
                EXPECT_NEAR(nyquist, t == LowShelf ? 0.0 : gain, 0.01);
            }
        }
    }
}

TEST(BandFilterProcess, MatchesAOneSampleLoopBitForBit)
{
    std::mt19937 rng(3);
    for (int n : {1, 2, 3, 4, 5, 6, 7, 8, 9, 13, 64, 255, 1024}) {
        for (int trial = 0; trial < 20; ++trial) {
            BandFilter f = randomFilter(rng);
            BandHistory l = f.leftHistory(), r = f.rightHistory();
            std::vector<float> left = noise(rng, size_t(n)), right = noise(rng, size_t(n));
            std::vector<float> refLeft = left, refRight = right;
            referenceFilter(f.coefficients(), l, r, refLeft.data(), refRight.data(), n);
            f.processBlock(n, left.data(), right.data());
            SCOPED_TRACE(::testing::Message() << "frames " << n << ", trial " << trial);
            ASSERT_TRUE(sameBits(left, refLeft) && sameBits(right, refRight));
            ASSERT_TRUE(sameBits(f.leftHistory(), l) && sameBits(f.rightHistory(), r));
        }
    }
}

TEST(BandFilterProcess, SplitBlocksGiveTheSameOutputAsOneBlock)
{
    std::mt19937 rng(4);
    for (int trial = 0; trial < 50; ++trial) {
        BandFilter whole = randomFilter(rng), pieces = whole;
        const int n = trial == 0 ? 8 : 1 + int(rng() % 600);
        std::vector<float> l1 = noise(rng, size_t(n)), r1 = noise(rng, size_t(n));
        std::vector<float> l2 = l1, r2 = r1;
        whole.processBlock(n, l1.data(), r1.data());
        for (int done = 0; done < n;) {
            const int k = trial == 0 ? (done == 0 ? 5 : 3) : std::min(n - done, int(rng() % 12));
            pieces.processBlock(k, l2.data() + done, r2.data() + done);
            done += k;
        }
        SCOPED_TRACE(trial);
        ASSERT_TRUE(sameBits(l1, l2) && sameBits(r1, r2));
        ASSERT_TRUE(sameBits(whole.leftHistory(), pieces.leftHistory()));
        ASSERT_TRUE(sameBits(whole.rightHistory(), pieces.rightHistory()));
    }
}

TEST(BandFilterProcess, ChannelsAreIndependent)
{
    std::mt19937 rng(5);
    for (int trial = 0; trial < 20; ++trial) {
        const int n = 1 + int(rng() % 300);
        const std::vector<float> l1 = noise(rng, size_t(n)), l2 = noise(rng, size_t(n));
        const std::vector<float> r1 = noise(rng, size_t(n)), r2 = noise(rng, size_t(n));
        const BandFilter start = randomFilter(rng);
        BandFilter f11 = start, f12 = start, f21 = start;
        std::vector<float> out11L = l1, out11R = r1, out12L = l1, out12R = r2, out21L = l2, out21R = r1;
        f11.processBlock(n, out11L.data(), out11R.data());
        f12.processBlock(n, out12L.data(), out12R.data());   // only the right input differs
        f21.processBlock(n, out21L.data(), out21R.data());   // only the left input differs
        EXPECT_TRUE(sameBits(out11L, out12L) && sameBits(f11.leftHistory(), f12.leftHistory())) << trial;
        EXPECT_TRUE(sameBits(out11R, out21R) && sameBits(f11.rightHistory(), f21.rightHistory())) << trial;
        EXPECT_FALSE(sameBits(out11R, out12R)) << trial;
        EXPECT_FALSE(sameBits(out11L, out21L)) << trial;
    }
}

TEST(BandFilterProcess, NonPositiveFrameCountTouchesNothing)
{
    std::mt19937 rng(6);
    BandFilter f = randomFilter(rng);
    const BandHistory l = f.leftHistory(), r = f.rightHistory();
    const std::vector<float> left = noise(rng, 8), right = noise(rng, 8);
    for (int32_t n : {0, -1, -3, -4, -5, std::numeric_limits<int32_t>::min()}) {
        std::vector<float> bl = left, br = right;
        f.processBlock(n, bl.data(), br.data());
        EXPECT_TRUE(sameBits(bl, left)) << n;
        EXPECT_TRUE(sameBits(br, right)) << n;
        EXPECT_TRUE(sameBits(f.leftHistory(), l)) << n;
        EXPECT_TRUE(sameBits(f.rightHistory(), r)) << n;
    }
    f.processBlock(0, nullptr, nullptr);   // must not touch the buffers at all
    EXPECT_TRUE(sameBits(f.leftHistory(), l));
}

TEST(BandFilterProcess, RedesignKeepsHistoryAndTheNextSampleUsesNewCoefficients)
{
    std::mt19937 rng(7);
    for (int trial = 0; trial < 20; ++trial) {
        BandFilter f = randomFilter(rng);
        std::vector<float> l = noise(rng, 37), r = noise(rng, 37);
        f.processBlock(37, l.data(), r.data());
        const BandCoefficients oldC = f.coefficients();
        BandHistory hl = f.leftHistory(), hr = f.rightHistory();
        f.design(uniform(rng, 40, 20100), uniform(rng, 0.001f, 1.001f), uniform(rng, 1, 20));
        ASSERT_TRUE(sameBits(f.leftHistory(), hl));
        ASSERT_TRUE(sameBits(f.rightHistory(), hr));

        float x[2] = {0.25f, -0.5f}, oldY[2] = {x[0], x[1]}, newY[2] = {x[0], x[1]};
        BandHistory ol = hl, orr = hr;
        referenceFilter(oldC, ol, orr, &oldY[0], &oldY[1], 1);
        referenceFilter(f.coefficients(), hl, hr, &newY[0], &newY[1], 1);
        f.processBlock(1, &x[0], &x[1]);
        EXPECT_TRUE(sameBits(x, newY)) << "trial " << trial;
        EXPECT_FALSE(sameBits(x, oldY)) << "trial " << trial;
    }
}

TEST(BandFilterProcess, NonFiniteInputPoisonsOnlyItsChannelUntilCleared)
{
    std::mt19937 rng(8);
    const float bad[] = {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                         -std::numeric_limits<float>::infinity()};
    for (float v : bad) {
        for (int channel = 0; channel < 2; ++channel) {
            BandFilter f = randomFilter(rng);
            EXPECT_TRUE(f.historyIsFinite());
            std::vector<float> l = noise(rng, 16), r = noise(rng, 16);
            (channel == 0 ? l : r)[5] = v;
            f.processBlock(16, l.data(), r.data());
            EXPECT_FALSE(f.historyIsFinite());
            const std::vector<float>& clean = channel == 0 ? r : l;
            for (float s : clean) EXPECT_TRUE(std::isfinite(s)) << "value " << v << ", channel " << channel;
            // Finite input afterwards does not recover on its own.
            l = noise(rng, 16);
            r = noise(rng, 16);
            f.processBlock(16, l.data(), r.data());
            EXPECT_FALSE(f.historyIsFinite());

            f.clearHistory();
            EXPECT_TRUE(f.historyIsFinite());
            EXPECT_TRUE(sameBits(f.leftHistory(), BandHistory{0, 0, 0, 0}));
            EXPECT_TRUE(sameBits(f.rightHistory(), BandHistory{0, 0, 0, 0}));
            l = noise(rng, 16);
            r = noise(rng, 16);
            f.processBlock(16, l.data(), r.data());
            EXPECT_TRUE(f.historyIsFinite());
            for (size_t i = 0; i < l.size(); ++i) EXPECT_TRUE(std::isfinite(l[i]) && std::isfinite(r[i]));
        }
    }
    // Each of the eight history values counts.
    for (int i = 0; i < 8; ++i) {
        float h[8] = {0, 0, 0, 0, 0, 0, 0, 0};
        h[i] = std::numeric_limits<float>::infinity();
        BandFilter f(Peaking);
        f.setHistory({h[0], h[1], h[2], h[3]}, {h[4], h[5], h[6], h[7]});
        EXPECT_FALSE(f.historyIsFinite()) << "history value " << i;
    }
}
