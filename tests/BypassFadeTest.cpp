#include "eq/BypassFade.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

// The smooth step 3t^2 - 2t^3 at step k of n, in double.
double smoothStep(int k, int n)
{
    const double t = static_cast<double>(k) / n;
    return t * t * (3.0 - 2.0 * t);
}

// `frames` frames mixed in pieces, the dry signal 1 on the left and -2 on the
// right, the equalised one 0: the left output is the dry gain itself.
std::vector<float> run(BypassFade& fade, bool on, int frames, std::vector<float>* rightOut = nullptr)
{
    std::vector<float> left(static_cast<std::size_t>(frames)), right(left.size());
    const std::vector<float> one(BypassFade::kPiece, 1.0f), minusTwo(BypassFade::kPiece, -2.0f);
    for (int done = 0; done < frames; done += BypassFade::kPiece) {
        const int count = std::min(BypassFade::kPiece, frames - done);
        fade.keepDry(one.data(), minusTwo.data(), count);
        std::fill(fade.wetBuffer(0), fade.wetBuffer(0) + count, 0.0f);
        std::fill(fade.wetBuffer(1), fade.wetBuffer(1) + count, 0.0f);
        fade.mix(on, left.data() + done, right.data() + done, count);
    }
    if (rightOut) {
        *rightOut = right;
    }
    return left;
}

TEST(BypassFadeTest, FadesAlongASmoothStepOverTenMillisecondsAndArrivesBitForBit)
{
    auto fade = std::make_unique<BypassFade>();
    fade->setRate(48000.0f);
    ASSERT_EQ(fade->fadeFrames(), 480);
    std::vector<float> right;
    const std::vector<float> in = run(*fade, true, 700, &right);
    for (int i = 0; i < 700; ++i) {
        const int step = std::min(i + 1, 480);
        ASSERT_NEAR(in[static_cast<std::size_t>(i)], smoothStep(step, 480), 1e-6) << "frame " << i;
        ASSERT_NEAR(right[static_cast<std::size_t>(i)], -2.0 * smoothStep(step, 480), 2e-6) << "frame " << i;
        if (i > 0) {
            ASSERT_GE(in[static_cast<std::size_t>(i)], in[static_cast<std::size_t>(i) - 1]) << "frame " << i;
        }
    }
    EXPECT_EQ(in[479], 1.0f);  // all dry: the input's bits
    EXPECT_EQ(right[699], -2.0f);

    // Back, turned round half way: it retraces its steps, and arrives at the
    // equalised signal's bits.
    const std::vector<float> back = run(*fade, false, 200);
    EXPECT_NEAR(back[0], smoothStep(479, 480), 1e-6);
    EXPECT_NEAR(back[199], smoothStep(280, 480), 1e-6);
    const std::vector<float> again = run(*fade, true, 1);
    EXPECT_NEAR(again[0], smoothStep(281, 480), 1e-6);
    const std::vector<float> rest = run(*fade, false, 400);
    EXPECT_NEAR(rest[0], smoothStep(280, 480), 1e-6);
    EXPECT_NEAR(rest[279], smoothStep(1, 480), 1e-6);
    EXPECT_EQ(rest[280], 0.0f);
    EXPECT_EQ(rest[399], 0.0f);
}

TEST(BypassFadeTest, LastsTenMillisecondsAtAnyRateAndAtLeastAFrame)
{
    BypassFade fade;
    fade.setRate(44100.0f);
    EXPECT_EQ(fade.fadeFrames(), 441);
    fade.setRate(96000.0f);
    EXPECT_EQ(fade.fadeFrames(), 960);
    fade.setRate(1.0f);
    EXPECT_EQ(fade.fadeFrames(), 1);
    fade.setRate(3.0e12f);
    EXPECT_EQ(fade.fadeFrames(), BypassFade::kLongest);
    // A rate changed while bypassed keeps it all dry.
    fade.setRate(48000.0f);
    run(fade, true, 480);
    fade.setRate(44100.0f);
    EXPECT_EQ(run(fade, true, 1)[0], 1.0f);
}

}  // namespace
