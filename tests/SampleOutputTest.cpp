// The last steps before samples reach a file: the level meter and the
// quantiser, whose vector code must give what plain arithmetic gives, sample
// for sample, whatever the length and wherever the odd values fall.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "tools/LevelMeter.h"
#include "tools/Quantiser.h"

namespace {

const float kNan = std::numeric_limits<float>::quiet_NaN();
const float kInf = std::numeric_limits<float>::infinity();

// A signal with every kind of sample, at places that fall in every lane.
std::vector<float> awkwardSamples(std::size_t count)
{
    std::vector<float> samples(count);
    std::uint32_t noise = 1;
    for (std::size_t i = 0; i < count; ++i) {
        noise = noise * 1664525u + 1013904223u;
        samples[i] = (static_cast<float>(noise >> 8) / 16777216.0f - 0.5f) * 2.5f;  // some above full scale
    }
    const float odd[] = {kNan, kInf, -kInf, 1.0f, -1.0f, 1.0000001f, -0.0f, 3.0e38f, -2.0f};
    for (std::size_t k = 0; k < sizeof odd / sizeof odd[0] && 7 * k + 3 < count; ++k) samples[7 * k + 3] = odd[k];
    return samples;
}

}  // namespace

TEST(LevelMeter, CountsAndPeakAsPlainArithmeticDoes)
{
    for (std::size_t count : {0u, 3u, 4u, 37u, 1000u}) {
        const std::vector<float> left = awkwardSamples(count), right = awkwardSamples(count + 5);
        float peak = 0.0f;
        long long over = 0, invalid = 0;
        for (const std::vector<float>* channel : {&left, &right}) {
            for (std::size_t i = 0; i < count; ++i) {
                const float v = (*channel)[i];
                if (std::isnan(v) || std::isinf(v)) {
                    ++invalid;
                } else {
                    peak = std::fmax(peak, std::fabs(v));
                    over += std::fabs(v) > 1.0f;
                }
            }
        }
        LevelMeter meter;
        meter.add(left.data(), right.data(), count);
        EXPECT_EQ(meter.peak(), peak) << count;
        EXPECT_EQ(meter.overs(), over) << count;
        EXPECT_EQ(meter.notFinite(), invalid) << count;
    }
}

TEST(Quantiser, RoundsHalfUpClipsAndSilencesWhatIsNotANumber)
{
    for (int bits : {16, 24, 32}) {
        const double scale = std::ldexp(1.0, bits - 1);
        std::vector<float> samples = awkwardSamples(1001);
        // Exact halves of a step, either side of zero: half up.
        const float halves[] = {static_cast<float>(2.5 / scale), static_cast<float>(-2.5 / scale),
                                static_cast<float>(-0.5 / scale), static_cast<float>(0.5 / scale)};
        for (std::size_t k = 0; k < 4; ++k) samples[500 + k] = halves[k];
        std::vector<int> out(samples.size());
        Quantiser quantiser(bits, false);
        quantiser.convert(samples.data(), out.data(), samples.size());
        double largest = 0.0;
        for (std::size_t i = 0; i < samples.size(); ++i) {
            double step = std::floor(static_cast<double>(samples[i]) * scale + 0.5);
            if (!std::isfinite(samples[i])) step = 0.0;
            step = std::fmin(scale - 1.0, std::fmax(-scale, step));
            largest = std::fmax(largest, std::fabs(step));
            const auto expected = static_cast<std::int64_t>(step) * (std::int64_t(1) << (32 - bits));
            ASSERT_EQ(out[i], expected) << bits << " bits, sample " << i << " = " << samples[i];
        }
        EXPECT_EQ(quantiser.peak(), largest / scale) << bits;
        EXPECT_EQ(out[500], 3 << (32 - bits));
        EXPECT_EQ(out[501], -2 * (1 << (32 - bits)));
    }
}

TEST(Quantiser, DitherIsOneStepTriangularAndTheSameHoweverTheSamplesArrive)
{
    const std::vector<float> samples = awkwardSamples(4099);
    std::vector<int> whole(samples.size()), pieces(samples.size());
    Quantiser once(16, true), inPieces(16, true);
    once.convert(samples.data(), whole.data(), samples.size());
    for (std::size_t at = 0, n = 1; at < samples.size(); at += n, n = n * 3 % 517 + 1) {
        n = std::min(n, samples.size() - at);
        inPieces.convert(samples.data() + at, pieces.data() + at, n);
    }
    EXPECT_EQ(whole, pieces);
    // Within a step and a half of the exact value, and on both sides of it.
    double mean = 0.0;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        if (!std::isfinite(samples[i]) || std::fabs(samples[i]) > 0.99f) continue;
        const double error = whole[i] / 65536.0 - static_cast<double>(samples[i]) * 32768.0;
        ASSERT_LE(std::fabs(error), 1.5) << i;
        mean += error;
    }
    EXPECT_NEAR(mean / static_cast<double>(samples.size()), 0.0, 0.05);
}
