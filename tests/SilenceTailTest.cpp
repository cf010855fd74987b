#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>

#include "eq/SilenceTail.h"

namespace {

void expectOrdered(const SilenceTail& tail, float rate)
{
    EXPECT_GE(tail.checkFrames(), 1) << rate;
    EXPECT_LE(tail.checkFrames(), tail.holdFrames()) << rate;
    EXPECT_LT(tail.holdFrames(), tail.endFrames()) << rate;
    EXPECT_LE(tail.endFrames(), 2 * SilenceTail::kLongest) << rate;
}

// A host may announce any float as its rate; a tail holds 1.5 s and fades over 50 ms.
TEST(SilenceTail, EveryRateGivesLengthsThatGrowWithIt)
{
    SilenceTail tail;
    tail.setRate(44100.0f);
    EXPECT_EQ(tail.holdFrames(), 3 * 44100 / 2);
    EXPECT_EQ(tail.endFrames() - tail.holdFrames(), 44100 / 20);

    std::int64_t shorter = 0;
    for (float rate : {1.0e-3f, 1.0f, 2731.0f, 192000.0f, 1.0e12f, 6.0e18f, 1.4e22f, FLT_MAX, INFINITY}) {
        tail.setRate(rate);
        expectOrdered(tail, rate);
        EXPECT_GE(tail.holdFrames(), shorter) << rate;
        shorter = tail.holdFrames();
    }
    EXPECT_EQ(tail.holdFrames(), SilenceTail::kLongest);
    for (float odd : {0.0f, -44100.0f, -INFINITY, std::nanf("")}) {
        tail.setRate(odd);
        expectOrdered(tail, odd);
    }
}

}  // namespace
