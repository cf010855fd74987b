// The band cascade against the bands run one after another: outputs and final
// histories equal bit for bit (a NaN only has to be a NaN), for every routine
// this machine can run, every set of active bands, short and long blocks,
// blocks split over several calls, and the buffer arrangements hosts use.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "eq/BandFilter.h"
#include "eq/Cascade.h"
#include "eq/EqEffect.h"
#include "eq/FlushDenormals.h"
#include "eq/Parameters.h"

namespace {

constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr double kRates[] = {44100.0, 96000.0, 192000.0};

std::vector<CascadeVariant> variants()
{
    CascadeVariant all[2];
    const int count = cascadeVariants(all);
    return std::vector<CascadeVariant>(all, all + count);
}

bool sameSample(float a, float b)
{
    if (std::isnan(a) || std::isnan(b)) {
        return std::isnan(a) && std::isnan(b);
    }
    return std::memcmp(&a, &b, sizeof(float)) == 0;
}

bool sameHistory(const BandHistory& a, const BandHistory& b)
{
    return sameSample(a.y1, b.y1) && sameSample(a.y2, b.y2) && sameSample(a.x1, b.x1) && sameSample(a.x2, b.x2);
}

// The first differing sample, or -1.
int firstDifference(const float* a, const float* b, int n)
{
    for (int i = 0; i < n; ++i) {
        if (!sameSample(a[i], b[i])) {
            return i;
        }
    }
    return -1;
}

float uniform(std::mt19937& rng, float lo, float hi) { return std::uniform_real_distribution<float>(lo, hi)(rng); }

// Four bands designed as the effect designs them from parameter values: random
// values, with each value pushed to an end of its range now and then.
void randomDesigns(std::mt19937& rng, double rate, BandCoefficients (&out)[kCascadeBands])
{
    float values[kNumParameters];
    for (float& v : values) {
        const unsigned pick = static_cast<unsigned>(rng() % 6);
        v = pick == 0 ? 0.0f : pick == 1 ? 1.0f : uniform(rng, 0.0f, 1.0f);
    }
    for (int b = 0; b < kCascadeBands; ++b) {
        out[b] = EqEffect::designBand(b, values, rate);
    }
}

BandHistory randomHistory(std::mt19937& rng)
{
    return {uniform(rng, -1, 1), uniform(rng, -1, 1), uniform(rng, -1, 1), uniform(rng, -1, 1)};
}

CascadeHistory makeHistory(std::mt19937& rng, bool zero)
{
    CascadeHistory h;
    for (int b = 0; b < kCascadeBands; ++b) {
        h.left[b] = zero ? BandHistory{0, 0, 0, 0} : randomHistory(rng);
        h.right[b] = zero ? BandHistory{0, 0, 0, 0} : randomHistory(rng);
    }
    return h;
}

std::vector<float> noise(std::mt19937& rng, int n)
{
    std::vector<float> v(static_cast<size_t>(n));
    for (float& s : v) s = uniform(rng, -1.0f, 1.0f);
    return v;
}

// Noise with signed zeros, denormals, huge values, infinities and NaNs in it.
std::vector<float> rough(std::mt19937& rng, int n)
{
    const float specials[] = {0.0f, -0.0f, 1.0e-40f, -3.0e-42f, std::numeric_limits<float>::denorm_min(),
                              -std::numeric_limits<float>::min(), 3.0e38f, -3.4e38f, kInf, -kInf, kNaN};
    std::vector<float> v = noise(rng, n);
    for (float& s : v) {
        if (rng() % 8 == 0) s = specials[rng() % (sizeof(specials) / sizeof(specials[0]))];
    }
    return v;
}

// An infinity or a NaN among the samples made +0, as the bands take their input.
void finiteInPlace(float* samples, int n)
{
    for (int i = 0; i < n; ++i) {
        if (!std::isfinite(samples[i])) samples[i] = 0.0f;
    }
}

// The reference: the inputs copied to the outputs (infinities and NaNs as +0),
// then each active band's processBlock in turn over the outputs.
struct Bands {
    BandCoefficients coefficients[kCascadeBands];
    unsigned active;
    CascadeHistory history;

    // Answers the active bands whose history is not finite afterwards.
    unsigned run(const float* inL, const float* inR, float* outL, float* outR, int n)
    {
        if (n <= 0) return 0;
        if (outL != inL) std::memmove(outL, inL, sizeof(float) * size_t(n));
        if (outR != inR) std::memmove(outR, inR, sizeof(float) * size_t(n));
        finiteInPlace(outL, n);
        finiteInPlace(outR, n);
        unsigned notFinite = 0;
        for (int b = 0; b < kCascadeBands; ++b) {
            if (!((active >> b) & 1u)) continue;
            BandFilter f(Peaking);
            f.setCoefficients(coefficients[b]);
            f.setHistory(history.left[b], history.right[b]);
            f.processBlock(n, outL, outR);
            history.left[b] = f.leftHistory();
            history.right[b] = f.rightHistory();
            if (!f.historyIsFinite()) notFinite |= 1u << b;
        }
        return notFinite;
    }
};

// One case: runs the routine and the reference over the same input and state,
// the block split at `cuts`, in place or into separate outputs, and reports
// the first difference.
::testing::AssertionResult matches(CascadeKernel kernel, const BandCoefficients (&designs)[kCascadeBands],
                                   unsigned active, const CascadeHistory& start, const std::vector<float>& inL,
                                   const std::vector<float>& inR, const std::vector<int>& cuts, bool inPlace)
{
    const int n = static_cast<int>(inL.size());
    CascadeCoefficients laid;
    cascadeLayout(laid, designs, active);
    Bands reference{{designs[0], designs[1], designs[2], designs[3]}, active, start};
    CascadeHistory history = start;

    std::vector<float> refL = inL, refR = inR;
    std::vector<float> l = inL, r = inR;                                  // in place
    std::vector<float> outL(inL.size(), 123.0f), outR(inR.size(), -7.0f);  // or apart
    int from = 0;
    for (size_t c = 0; c <= cuts.size(); ++c) {
        const int to = c < cuts.size() ? cuts[c] : n;
        const unsigned expected = reference.run(refL.data() + from, refR.data() + from, refL.data() + from,
                                                refR.data() + from, to - from);
        const unsigned got =
            inPlace ? kernel(laid, history, l.data() + from, r.data() + from, l.data() + from, r.data() + from,
                             to - from)
                    : kernel(laid, history, inL.data() + from, inR.data() + from, outL.data() + from,
                             outR.data() + from, to - from);
        if (got != expected) {
            return ::testing::AssertionFailure() << "bands with a non-finite history " << got << " instead of "
                                                 << expected << " after frame " << to;
        }
        from = to;
    }
    const std::vector<float>& gotL = inPlace ? l : outL;
    const std::vector<float>& gotR = inPlace ? r : outR;
    const int dl = firstDifference(gotL.data(), refL.data(), n);
    const int dr = firstDifference(gotR.data(), refR.data(), n);
    if (dl >= 0 || dr >= 0) {
        const bool left = dl >= 0;
        const int i = left ? dl : dr;
        return ::testing::AssertionFailure() << (left ? "left" : "right") << " sample " << i << " of " << n << ": "
                                             << (left ? gotL : gotR)[size_t(i)] << " instead of "
                                             << (left ? refL : refR)[size_t(i)];
    }
    for (int b = 0; b < kCascadeBands; ++b) {
        if (!sameHistory(history.left[b], reference.history.left[b]) ||
            !sameHistory(history.right[b], reference.history.right[b])) {
            return ::testing::AssertionFailure() << "history of band " << b;
        }
    }
    return ::testing::AssertionSuccess();
}

std::vector<int> blockSizes()
{
    std::vector<int> sizes;
    for (int n = 1; n <= 21; ++n) sizes.push_back(n);
    for (int n : {64, 1023, 1024}) sizes.push_back(n);
    return sizes;
}

TEST(CascadeKernel, TheDispatchedRoutineIsTheBestThisMachineRuns)
{
    const std::vector<CascadeVariant> all = variants();
    ASSERT_FALSE(all.empty());
    EXPECT_EQ(cascadeKernel(), all.back().run);
    EXPECT_EQ(all.size(), cascadeHasAvx() ? 2u : 1u);
    EXPECT_EQ(all.front().run, &cascadeRunSse2);
}

TEST(CascadeKernel, MatchesTheBandsInTurnForEverySetOfBandsAndBlockSize)
{
    for (const CascadeVariant& v : variants()) {
        std::mt19937 rng(21);
        for (unsigned active = 0; active < 16; ++active) {
            for (int n : blockSizes()) {
                for (int variation = 0; variation < 4; ++variation) {
                    const bool zeroHistory = variation & 1, inPlace = variation & 2;
                    BandCoefficients designs[kCascadeBands];
                    randomDesigns(rng, kRates[rng() % 3], designs);
                    const CascadeHistory start = makeHistory(rng, zeroHistory);
                    const std::vector<float> l = noise(rng, n), r = noise(rng, n);
                    ASSERT_TRUE(matches(v.run, designs, active, start, l, r, {}, inPlace))
                        << v.name << ", bands " << active << ", " << n << " frames, "
                        << (zeroHistory ? "zero" : "random") << " history, " << (inPlace ? "in place" : "apart");
                }
            }
        }
    }
}

TEST(CascadeKernel, ExtremeSettingsAtEveryRate)
{
    for (const CascadeVariant& v : variants()) {
        std::mt19937 rng(22);
        for (double rate : kRates) {
            for (int trial = 0; trial < 40; ++trial) {
                // Every value at one end of its range or the other.
                float values[kNumParameters];
                for (float& x : values) x = (rng() & 1) ? 1.0f : 0.0f;
                BandCoefficients designs[kCascadeBands];
                for (int b = 0; b < kCascadeBands; ++b) {
                    designs[b] = EqEffect::designBand(b, values, rate);
                }
                const unsigned active = 1u + static_cast<unsigned>(rng() % 15u);
                const int n = 1024;
                const std::vector<float> l = noise(rng, n), r = noise(rng, n);
                ASSERT_TRUE(matches(v.run, designs, active, makeHistory(rng, trial & 1), l, r, {}, trial & 2))
                    << v.name << ", rate " << rate << ", trial " << trial;
            }
        }
    }
}

TEST(CascadeKernel, BlocksSplitOverSeveralCalls)
{
    for (const CascadeVariant& v : variants()) {
        std::mt19937 rng(23);
        for (int trial = 0; trial < 300; ++trial) {
            const int n = 1 + static_cast<int>(rng() % 400);
            std::vector<int> cuts;
            for (int at = 0;;) {
                // Pieces around the wavefront's length and longer ones.
                at += 1 + static_cast<int>(rng() % (trial % 2 ? 24 : 150));
                if (at >= n) break;
                cuts.push_back(at);
            }
            BandCoefficients designs[kCascadeBands];
            randomDesigns(rng, kRates[rng() % 3], designs);
            const std::vector<float> l = noise(rng, n), r = noise(rng, n);
            ASSERT_TRUE(matches(v.run, designs, static_cast<unsigned>(rng() % 16), makeHistory(rng, trial % 3 == 0), l, r, cuts, trial % 4 < 2))
                << v.name << ", trial " << trial;
        }
    }
}

TEST(CascadeKernel, SignedZerosDenormalsHugeValuesInfinitiesAndNaNs)
{
    for (const CascadeVariant& v : variants()) {
        std::mt19937 rng(24);
        for (unsigned active = 1; active < 16; ++active) {
            for (int n : {5, 9, 13, 20, 64, 333}) {
                BandCoefficients designs[kCascadeBands];
                randomDesigns(rng, kRates[rng() % 3], designs);
                // Zeros of one sign only, from a zero history: the sign of each
                // zero output depends on the exact order of the operations.
                for (float zero : {0.0f, -0.0f}) {
                    const std::vector<float> l(static_cast<size_t>(n), zero), r(static_cast<size_t>(n), -zero);
                    ASSERT_TRUE(matches(v.run, designs, active, makeHistory(rng, true), l, r, {}, n % 2))
                        << v.name << ", zeros, bands " << active << ", " << n << " frames";
                }
                // Denormals only: products and sums below the normal range.
                std::vector<float> l(static_cast<size_t>(n)), r(static_cast<size_t>(n));
                for (int i = 0; i < n; ++i) {
                    l[size_t(i)] = uniform(rng, -1, 1) * 1.0e-39f;
                    r[size_t(i)] = std::numeric_limits<float>::denorm_min() * float(int(rng() % 9) - 4);
                }
                ASSERT_TRUE(matches(v.run, designs, active, makeHistory(rng, true), l, r, {}, false))
                    << v.name << ", denormals, bands " << active << ", " << n << " frames";
                // Everything mixed into noise, with a random history.
                const std::vector<float> ml = rough(rng, n), mr = rough(rng, n);
                ASSERT_TRUE(matches(v.run, designs, active, makeHistory(rng, false), ml, mr, {}, n % 2 == 0))
                    << v.name << ", specials, bands " << active << ", " << n << " frames";
            }
        }
    }
}

// The effect as it ran before the cascade: copy (infinities and NaNs as +0),
// then each active band in turn over the outputs, a band with a non-finite
// history cleared after its block.
struct PlainEffect {
    BandFilter bands[kNumBands] = {BandFilter(LowShelf), BandFilter(Peaking), BandFilter(Peaking),
                                   BandFilter(HighShelf)};
    bool active[kNumBands];

    explicit PlainEffect(const float* values) { design(values); }
    void design(const float* values, double rate = 44100.0)
    {
        for (int b = 0; b < kNumBands; ++b) {
            bands[b].setCoefficients(EqEffect::designBand(b, values, rate));
            active[b] = gainIsActive(values[kBands[b].gainIndex]);
        }
    }
    // Under the effect's floating-point mode: subnormals read and written as zero.
    void process(float** in, float** out, int n)
    {
        const FlushDenormals flush;
        for (int c = 0; c < 2; ++c) {
            if (out[c] != in[c]) std::memmove(out[c], in[c], sizeof(float) * size_t(n));
        }
        for (int c = 0; c < 2; ++c) finiteInPlace(out[c], n);
        for (int b = 0; b < kNumBands; ++b) {
            if (!active[b]) continue;
            bands[b].processBlock(n, out[0], out[1]);
            if (!bands[b].historyIsFinite()) bands[b].clearHistory();
        }
    }
};

TEST(CascadeKernel, TheEffectMatchesItsBandsForEveryBufferArrangement)
{
    // Offsets into one pool of samples: [in left, in right, out left, out right].
    struct Arrangement {
        const char* name;
        int in0, in1, out0, out1;
    };
    const int n = 300;
    const Arrangement arrangements[] = {
        {"in place", 0, 1000, 0, 1000},
        {"apart", 0, 1000, 2000, 3000},
        {"channels swapped", 0, 1000, 1000, 0},
        {"right output on the left input", 0, 1000, 2000, 0},
        {"left output on the right input", 0, 1000, 1000, 2000},
        {"one input for both", 0, 0, 0, 1000},
        {"one output for both", 0, 1000, 2000, 2000},
        {"outputs overlapping", 0, 1000, 2000, 2100},
        {"output a little ahead of its input", 0, 1000, 5, 1000},
        {"output a little behind its input", 10, 1000, 0, 1000},
        {"output ahead of the other input", 0, 1000, 2000, 20},
    };
    std::mt19937 rng(25);
    for (const Arrangement& a : arrangements) {
        for (int trial = 0; trial < 6; ++trial) {
            float values[kNumParameters];
            for (float& x : values) x = uniform(rng, 0.0f, 1.0f);
            if (trial == 0) values[kBands[2].gainIndex] = 0.5f;  // one band left out
            EqEffect effect(nullptr);
            for (int k = 0; k < kNumParameters; ++k) effect.setParameter(k, values[k]);
            PlainEffect plain(values);

            std::vector<float> pool = trial % 2 ? rough(rng, 4000) : noise(rng, 4000), expected = pool;
            for (int block : {n, 7, n}) {  // a short block between two long ones
                float* in[2] = {pool.data() + a.in0, pool.data() + a.in1};
                float* out[2] = {pool.data() + a.out0, pool.data() + a.out1};
                effect.processReplacing(in, out, block);
                float* ein[2] = {expected.data() + a.in0, expected.data() + a.in1};
                float* eout[2] = {expected.data() + a.out0, expected.data() + a.out1};
                plain.process(ein, eout, block);
                const int d = firstDifference(pool.data(), expected.data(), int(pool.size()));
                ASSERT_EQ(d, -1) << a.name << ", trial " << trial << ", block " << block;
            }
        }
    }
}

TEST(CascadeKernel, TheEffectTakesNewSettingsAtTheNextBlock)
{
    std::mt19937 rng(26);
    float values[kNumParameters];
    for (float& x : values) x = uniform(rng, 0.0f, 1.0f);
    EqEffect effect(nullptr);
    for (int k = 0; k < kNumParameters; ++k) effect.setParameter(k, values[k]);
    PlainEffect plain(values);
    for (int block = 0; block < 60; ++block) {
        // A value changed, a band switched off or on, or nothing at all.
        const int k = static_cast<int>(rng() % kNumParameters);
        const unsigned what = static_cast<unsigned>(rng() % 3);
        if (what == 1) {
            values[k] = uniform(rng, 0.0f, 1.0f);
        } else if (what == 2) {
            const int gain = kBands[rng() % kNumBands].gainIndex;
            values[gain] = values[gain] == 0.5f ? uniform(rng, 0.0f, 1.0f) : 0.5f;
        }
        for (int j = 0; j < kNumParameters; ++j) effect.setParameter(j, values[j]);
        plain.design(values);

        const int n = 1 + static_cast<int>(rng() % 200);
        std::vector<float> l = noise(rng, n), r = noise(rng, n);
        std::vector<float> el = l, er = r;
        float* io[2] = {l.data(), r.data()};
        effect.processReplacing(io, io, n);
        float* eio[2] = {el.data(), er.data()};
        plain.process(eio, eio, n);
        ASSERT_EQ(firstDifference(l.data(), el.data(), n), -1) << "block " << block;
        ASSERT_EQ(firstDifference(r.data(), er.data(), n), -1) << "block " << block;
    }
}

// Automation cut by the host: stretches of a few frames, a band's lanes given
// new coefficients between them now and then. Every routine (its path for
// stretches shorter than the wavefront included) against the bands run one
// after another from the same coefficients and histories, rough input too.
TEST(CascadeKernel, ShortStretchesWithNewCoefficientsMatchTheBandLoop)
{
    for (const CascadeVariant& v : variants()) {
        std::mt19937 rng(28);
        for (int trial = 0; trial < 60; ++trial) {
            const double rate = kRates[rng() % 3];
            BandCoefficients designs[kCascadeBands];
            randomDesigns(rng, rate, designs);
            CascadeCoefficients laid;
            cascadeLayout(laid, designs, 1u + static_cast<unsigned>(rng() % 15u));
            CascadeHistory history = makeHistory(rng, trial % 3 == 0), loopHistory = history;
            for (int stretch = 0; stretch < 40; ++stretch) {
                if (rng() % 2) {
                    randomDesigns(rng, rate, designs);
                    const int band = static_cast<int>(rng() % kCascadeBands);
                    cascadeReplaceBand(laid, band, designs[band]);
                }
                const int n = 1 + static_cast<int>(rng() % 12);
                const std::vector<float> l = trial % 4 == 1 ? rough(rng, n) : noise(rng, n), r = noise(rng, n);
                std::vector<float> outL(l.size()), outR(r.size()), loopL(l.size()), loopR(r.size());
                const unsigned got = v.run(laid, history, l.data(), r.data(), outL.data(), outR.data(), n);
                const unsigned expected =
                    cascadeRunBandLoop(laid, loopHistory, l.data(), r.data(), loopL.data(), loopR.data(), n);
                ASSERT_EQ(got, expected) << v.name << ", trial " << trial << ", stretch " << stretch;
                ASSERT_EQ(firstDifference(outL.data(), loopL.data(), n), -1) << v.name << ", trial " << trial;
                ASSERT_EQ(firstDifference(outR.data(), loopR.data(), n), -1) << v.name << ", trial " << trial;
                if (got != 0) {
                    cascadeClearHistories(history, got);
                    cascadeClearHistories(loopHistory, got);
                }
            }
            for (int b = 0; b < kCascadeBands; ++b) {
                ASSERT_TRUE(sameHistory(history.left[b], loopHistory.left[b]) &&
                            sameHistory(history.right[b], loopHistory.right[b]))
                    << v.name << ", trial " << trial << ", band " << b;
            }
        }
    }
}

// Automation as hosts send it: a few values changed between short stretches,
// one band's several at once, a gain into or out of its dead zone, a value
// set again unchanged, now and then another rate. The effect keeps what a
// design needs from the last one; it must give the bits of every band
// designed afresh for each stretch.
TEST(CascadeKernel, ValuesChangedBetweenShortStretchesGiveTheBitsOfFreshDesigns)
{
    std::mt19937 rng(27);
    float values[kNumParameters];
    for (float& x : values) x = uniform(rng, 0.0f, 1.0f);
    float rate = 44100.0f;
    EqEffect effect(nullptr);
    effect.setSampleRate(rate);
    for (int k = 0; k < kNumParameters; ++k) effect.setParameter(k, values[k]);
    PlainEffect plain(values);
    plain.design(values, rate);
    for (int stretch = 0; stretch < 600; ++stretch) {
        const int changes = static_cast<int>(rng() % 5);
        for (int c = 0; c < changes; ++c) {
            const int k = static_cast<int>(rng() % kNumParameters);
            const unsigned what = static_cast<unsigned>(rng() % 4);
            const bool gain = kParameters[k].unit == ParameterUnit::Gain;
            values[k] = what == 0 ? values[k] : what == 1 && gain ? 0.5f : uniform(rng, 0.0f, 1.0f);
            effect.setParameter(k, values[k]);
        }
        if (stretch % 97 == 50) {
            rate = rate == 44100.0f ? 96000.0f : 44100.0f;
            effect.setSampleRate(rate);
        }
        plain.design(values, rate);

        const int n = 1 + static_cast<int>(rng() % (stretch % 3 ? 12 : 80));
        std::vector<float> l = noise(rng, n), r = noise(rng, n);
        std::vector<float> el = l, er = r;
        float* io[2] = {l.data(), r.data()};
        effect.processReplacing(io, io, n);
        float* eio[2] = {el.data(), er.data()};
        plain.process(eio, eio, n);
        ASSERT_EQ(firstDifference(l.data(), el.data(), n), -1) << "stretch " << stretch;
        ASSERT_EQ(firstDifference(r.data(), er.data(), n), -1) << "stretch " << stretch;
    }
}

}  // namespace
