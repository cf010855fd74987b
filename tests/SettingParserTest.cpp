#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "eq/Parameters.h"
#include "tools/SettingParser.h"

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

TEST(SettingParser, ValuesInTheParameterUnitMapBackThroughTheTable)
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

TEST(SettingParser, PlainNumbersAreNormalisedExceptForQ)
{
    EXPECT_EQ(parsed("A-Freq=0.045").value, 0.045f);
    EXPECT_EQ(parsed("LS-Gain=1").value, 1.0f);
    EXPECT_EQ(parsed("HS-Gain=0").value, 0.0f);
    EXPECT_NEAR(parsed("A-Q=0.501").value, 0.5f, 1e-6f);
}

TEST(SettingParser, EveryParameterRoundTripsThroughItsUnit)
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

TEST(SettingParser, BadSettingsAreRefusedWithAReason)
{
    EXPECT_NE(refused("A-Freq=30000Hz").find("100 Hz to 20100 Hz"), std::string::npos);
    EXPECT_NE(refused("LS-Gain=+21dB").find("-20 dB to 20 dB"), std::string::npos);
    EXPECT_NE(refused("A-Q=0").find("0.001 to 1.001"), std::string::npos);
    EXPECT_NE(refused("LS-Freq=1.5").find("0..1"), std::string::npos);
    EXPECT_NE(refused("Volume=0.5").find("unknown parameter"), std::string::npos);
    EXPECT_NE(refused("A-Gain=loud").find("not a number"), std::string::npos);
    EXPECT_NE(refused("A-Gain=6Hz").find("not a unit"), std::string::npos);
    EXPECT_NE(refused("A-Gain=nan").find("not a number"), std::string::npos);
    EXPECT_NE(refused("A-Gain").find("NAME=VALUE"), std::string::npos);
}

}  // namespace
