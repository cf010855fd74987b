#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "eq/Parameters.h"

namespace {

std::string display(int index, float stored, double rate = 44100.0)
{
    char text[16];
    std::memset(text, 'x', sizeof(text));
    formatPlain(index, effectivePlain(index, stored, rate), text, 8);
    EXPECT_EQ(text[8], 0);
    return text;
}

TEST(Parameters, MappingsCoverTheDocumentedRanges)
{
    struct Range {
        int index;
        float low, mid, high;
    };
    const Range ranges[] = {
        {0, 40.0f, 290.0f, 540.0f},     {1, -20.0f, 0.0f, 20.0f},     {2, 100.0f, 10100.0f, 20100.0f},
        {3, -20.0f, 0.0f, 20.0f},       {4, 0.001f, 0.501f, 1.001f},  {5, 100.0f, 10100.0f, 20100.0f},
        {6, -20.0f, 0.0f, 20.0f},       {7, 0.001f, 0.501f, 1.001f},  {8, 5000.0f, 10000.0f, 15000.0f},
        {9, -20.0f, 0.0f, 20.0f},
    };
    for (const Range& r : ranges) {
        EXPECT_FLOAT_EQ(toPlain(r.index, 0.0f), r.low) << r.index;
        EXPECT_FLOAT_EQ(toPlain(r.index, 0.5f), r.mid) << r.index;
        EXPECT_FLOAT_EQ(toPlain(r.index, 1.0f), r.high) << r.index;
    }
}

TEST(Parameters, InverseMappingRoundTrips)
{
    for (int index = 0; index < kNumParameters; ++index) {
        for (float v = 0.0f; v <= 1.0f; v += 0.0625f) {
            EXPECT_NEAR(toNormalised(index, toPlain(index, v)), v, 1e-6f) << kParameters[index].name;
        }
    }
    EXPECT_FLOAT_EQ(toNormalised(2, 1000.0f), 0.045f);
    EXPECT_FLOAT_EQ(toNormalised(1, 6.0f), 0.65f);
}

TEST(Parameters, UnsafeValuesAreMadeUsable)
{
    EXPECT_EQ(usableValue(std::nanf("")), 0.5f);
    EXPECT_EQ(usableValue(-3.0f), 0.0f);
    EXPECT_EQ(usableValue(7.0f), 1.0f);
    EXPECT_EQ(usableValue(INFINITY), 1.0f);
    EXPECT_EQ(usableValue(0.25f), 0.25f);
}

TEST(Parameters, TheGainDeadZoneIsStrict)
{
    EXPECT_FALSE(gainIsActive(0.5f));
    EXPECT_FALSE(gainIsActive(0.537f));
    EXPECT_FALSE(gainIsActive(0.463f));
    EXPECT_TRUE(gainIsActive(std::nextafter(0.537f, 1.0f)));
    EXPECT_TRUE(gainIsActive(std::nextafter(0.463f, 0.0f)));
    EXPECT_TRUE(gainIsActive(0.54f));
    EXPECT_FALSE(gainIsActive(0.53f));
    EXPECT_FALSE(gainIsActive(std::nanf("")));
    EXPECT_TRUE(gainIsActive(-2.0f));
}

TEST(Parameters, DisplaysShowTheValueTheBandUses)
{
    EXPECT_EQ(display(0, 0.5f), "290.0");
    EXPECT_EQ(display(2, 1.0f), "20100.0");
    EXPECT_EQ(display(1, 0.5f), "+0.00");
    EXPECT_EQ(display(1, 0.0f), "-20.00");
    EXPECT_EQ(display(1, 1.0f), "+20.00");
    EXPECT_EQ(display(1, 0.4999999f), "+0.00");  // never "-0.00"
    EXPECT_EQ(display(3, 0.65f), "+6.00");
    // A gain inside the dead zone leaves its band out: nothing is applied.
    EXPECT_EQ(display(3, 0.535f), "+0.00");
    EXPECT_EQ(display(9, 0.463f), "+0.00");
    EXPECT_EQ(display(9, 0.4629999f), "-1.48");
    EXPECT_EQ(display(4, 0.5f), "0.501");
    EXPECT_EQ(display(7, 0.0f), "0.001");
    // Clamped values show what the band does with them.
    EXPECT_EQ(display(1, 3.0f), "+20.00");
    EXPECT_EQ(display(4, std::nanf("")), "0.501");
    // At a low rate a band's frequency stops below Nyquist.
    EXPECT_EQ(display(2, 1.0f, 8000.0), "3680.0");
    EXPECT_EQ(display(8, 1.0f, 22050.0), "10143.0");
}

TEST(Parameters, FrequenciesStayBelowNyquistAtEveryRate)
{
    const double rates[] = {1.0, 8000.0, 22050.0, 44100.0, 48000.0, 192000.0};
    for (double rate : rates) {
        for (int index : {0, 2, 5, 8}) {
            const float f = effectivePlain(index, 1.0f, rate);
            EXPECT_LE(f, 0.46 * rate * (1.0 + 1e-7)) << rate;
            if (rate >= 44100.0) {
                EXPECT_EQ(f, toPlain(index, 1.0f)) << "no change from 44100 Hz up";
            }
        }
    }
}

}  // namespace
