#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "eq/Parameters.h"
#include "eq/ParameterParser.h"

namespace {

Setting parsed(const std::string& text)
{
    Setting setting{-1, -1.0f};
    std::string error;
    EXPECT_TRUE(parseSetting(text, setting, error)) << text << ": " << error;
    return setting;
}

std::string refused(const std::string& text)
{
    Setting setting{-1, -1.0f};
    std::string error;
    EXPECT_FALSE(parseSetting(text, setting, error)) << text;
    EXPECT_EQ(error.find('\n'), std::string::npos) << "one line";
    return error;
}

TEST(ParameterParser, ValuesInTheParameterUnitMapBackThroughTheTable)
{
    struct Case {
        const char* text;
        int index;
        float plain;
    };
    const Case cases[] = {
        {"A-Freq=1000Hz", 2, 1000.0f},  {"B-Freq=2.5kHz", 5, 2500.0f}, {"LS-Freq=40hz", 0, 40.0f},
        {"HS-Freq=15k", 8, 15000.0f},   {"LS-Gain=+6dB", 1, 6.0f},     {"hs-gain=-20db", 9, -20.0f},
        {"A-Q=0.7", 4, 0.7f},           {"B-Q=1.001", 7, 1.001f},      {" A-Gain = 12 dB ", 3, 12.0f},
    };
    for (const Case& c : cases) {
        const Setting s = parsed(c.text);
        EXPECT_EQ(s.index, c.index) << c.text;
        EXPECT_NEAR(toPlain(s.index, s.value), c.plain, 1e-3f * std::max(1.0f, std::fabs(c.plain))) << c.text;
    }
}

TEST(ParameterParser, PlainNumbersAreInTheUnitAndNormalisedValuesEndInN)
{
    EXPECT_NEAR(toPlain(3, parsed("A-Gain=12").value), 12.0f, 1e-4f);
    EXPECT_NEAR(toPlain(9, parsed("HS-Gain=-6.5").value), -6.5f, 1e-4f);
    EXPECT_NEAR(toPlain(0, parsed("LS-Freq=120").value), 120.0f, 1e-3f);
    EXPECT_NEAR(toPlain(4, parsed("A-Q=0.7").value), 0.7f, 1e-6f);
    // A normalised value is stored as the float it names, bit for bit.
    EXPECT_EQ(parsed("A-Freq=0.045n").value, 0.045f);
    EXPECT_EQ(parsed("A-Gain=0.8N").value, 0.8f);
    EXPECT_EQ(parsed("HS-Gain=0.75n").value, 0.75f);
    EXPECT_EQ(parsed("LS-Gain=1n").value, 1.0f);
    EXPECT_EQ(parsed("B-Q=0n").value, 0.0f);
}

TEST(ParameterParser, EveryParameterRoundTripsThroughItsUnit)
{
    for (int index = 0; index < kNumParameters; ++index) {
        for (float v : {0.0f, 0.25f, 0.5f, 0.8f, 1.0f}) {
            const float plain = toPlain(index, v);
            const char* unit = kParameters[index].unit == ParameterUnit::Frequency ? "Hz"
                               : kParameters[index].unit == ParameterUnit::Gain  ? "dB"
                                                                                 : "";
            const Setting s = parsed(std::string(kParameters[index].name) + "=" + std::to_string(plain) + unit);
            EXPECT_NEAR(s.value, v, 2e-6f) << kParameters[index].name << " " << plain;
        }
    }
}

TEST(ParameterParser, BadSettingsAreRefusedWithAReason)
{
    EXPECT_EQ(refused("A-Gain=30"), "A-Gain=30: out of range -20..+20 dB");
    EXPECT_EQ(refused("A-Freq=30000Hz"), "A-Freq=30000Hz: out of range 100..20100 Hz");
    EXPECT_EQ(refused("A-Q=0"), "A-Q=0: out of range 0.001..1.001");
    EXPECT_NE(refused("LS-Gain=+21dB").find("-20..+20 dB"), std::string::npos);
    EXPECT_NE(refused("HS-Freq=20k").find("5000..15000 Hz"), std::string::npos);
    EXPECT_NE(refused("LS-Freq=0.3").find("written 0.3n"), std::string::npos);
    EXPECT_NE(refused("LS-Freq=1.5n").find("0..1"), std::string::npos);
    EXPECT_NE(refused("Volume=0.5").find("unknown parameter"), std::string::npos);
    EXPECT_NE(refused("A-Gain=loud").find("not a number"), std::string::npos);
    EXPECT_NE(refused("A-Gain=6Hz").find("not a unit"), std::string::npos);
    EXPECT_NE(refused("A-Q=0.5dB").find("not a unit"), std::string::npos);
    EXPECT_NE(refused("A-Gain=nan").find("not a number"), std::string::npos);
    EXPECT_NE(refused("A-Gain").find("NAME=VALUE"), std::string::npos);
}

TEST(ParameterParser, QuantitiesReadTheUnitsSettingsDo)
{
    const struct {
        const char* text;
        Quantity quantity;
        double value;
    } read[] = {{"44.1k", Quantity::Frequency, 44100.0}, {"44.1kHz", Quantity::Frequency, 44100.0},
                {"44100HZ", Quantity::Frequency, 44100.0}, {"48000", Quantity::Frequency, 48000.0},
                {"-3dB", Quantity::Gain, -3.0},           {"-1dBFS", Quantity::Level, -1.0},
                {"-1 db", Quantity::Level, -1.0}};
    for (const auto& r : read) {
        double value = 0.0;
        std::string unit;
        EXPECT_EQ(parseQuantity(r.text, r.quantity, value, unit), QuantityReading::Read) << r.text;
        EXPECT_EQ(value, r.value) << r.text;
    }
    double value = 0.0;
    std::string unit;
    EXPECT_EQ(parseQuantity("-1dBFS", Quantity::Gain, value, unit), QuantityReading::NotItsUnit);
    EXPECT_EQ(unit, "dBFS");
    EXPECT_EQ(parseQuantity("44.1 kHz", Quantity::Level, value, unit), QuantityReading::NotItsUnit);
    EXPECT_EQ(parseQuantity("loud", Quantity::Gain, value, unit), QuantityReading::NotANumber);
}

TEST(ParameterParser, RangesAreWrittenInTheUnit)
{
    EXPECT_EQ(describeRange(0), "40 to 540 Hz");
    EXPECT_EQ(describeRange(3), "-20 to +20 dB");
    EXPECT_EQ(describeRange(4), "0.001 to 1.001");
}

}  // namespace

TEST(ParameterParser, AFaceReadsTheTextItShowsBackToTheSameKnob)
{
    // What a host shows beside a knob (the display text, with or without its
    // label) reads back to a value that shows the same text.
    for (int index = 0; index < kNumParameters; ++index) {
        for (const float value : {0.0f, 0.13f, 0.5f, 0.77f, 1.0f}) {
            char shown[16], again[16];
            formatPlain(index, toPlain(index, value), shown, 10);
            for (const std::string& text : {std::string(shown), std::string(shown) + " " + kParameters[index].label}) {
                float read = -1.0f;
                std::string error;
                ASSERT_TRUE(parseParameterValue(index, text, read, error)) << text << ": " << error;
                formatPlain(index, toPlain(index, read), again, 10);
                EXPECT_STREQ(again, shown) << kParameters[index].name << " " << text;
            }
        }
    }
    // A decimal comma is not a decimal point, whatever locale the host runs in.
    float read = -1.0f;
    std::string error;
    EXPECT_FALSE(parseParameterValue(2, "1,5 kHz", read, error));
    EXPECT_FALSE(parseParameterValue(kNumParameters, "1", read, error));
    EXPECT_EQ(read, -1.0f);
}

// Every text a face shows at a rate (and `korvo --set` reads) reads back there
// to a value that shows the same text: the gains just past the dead zone, and
// the frequency a low rate holds a band at, below the knob's range, included.
TEST(ParameterParser, EveryTextShownAtARateReadsBackToTheSameText)
{
    std::vector<float> values;
    for (int k = 0; k <= 16384; ++k) {
        values.push_back(static_cast<float>(k) / 16384.0f);
    }
    for (float edge : {0.537f, 0.463f}) {
        values.push_back(std::nextafter(edge, edge > 0.5f ? 1.0f : 0.0f));
    }
    for (double rate : {8000.0, 44100.0, 192000.0}) {
        for (int index = 0; index < kNumParameters; ++index) {
            const std::string name = kParameters[index].name;
            for (float value : values) {
                char shown[16], again[16];
                formatStored(index, value, rate, shown, 8);
                Setting setting{-1, -1.0f};
                std::string error;
                ASSERT_TRUE(parseSetting(name + "=" + shown, setting, error, rate)) << rate << ": " << error;
                formatStored(index, setting.value, rate, again, 8);
                ASSERT_STREQ(again, shown) << name << " at " << rate << " from " << value;
                float read = -1.0f;
                ASSERT_TRUE(parseParameterValue(index, std::string(shown) + " " + kParameters[index].label, read,
                                                error, rate))
                    << error;
                EXPECT_EQ(read, setting.value);
            }
        }
    }
    // HS-Freq shows 3680.0 whatever its value at 8000 Hz: that reads back as the
    // knob's lowest there, and only there; a value shown nowhere is still refused.
    Setting setting{-1, -1.0f};
    std::string error;
    ASSERT_TRUE(parseSetting("HS-Freq=3680.0", setting, error, 8000.0));
    EXPECT_EQ(setting.value, 0.0f);
    EXPECT_FALSE(parseSetting("HS-Freq=3680.0", setting, error));
    EXPECT_FALSE(parseSetting("HS-Freq=3680.0", setting, error, 44100.0));
    EXPECT_FALSE(parseSetting("HS-Freq=4000", setting, error, 8000.0));
}
