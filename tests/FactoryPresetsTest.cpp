// The factory presets' table: every setting a knob can reach, and every band a
// preset boosts or cuts really running.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "eq/FactoryPresets.h"

namespace {

TEST(FactoryPresets, EverySettingIsWithinItsKnobAndEveryBandSetToBoostOrCutRuns)
{
    // Each parameter's range, as the knobs reach it: LS-Freq, LS-Gain, A-Freq, A-Gain, A-Q, B-Freq, B-Gain,
    // B-Q, HS-Freq, HS-Gain.
    const double low[kNumParameters] = {40, -20, 100, -20, 0.001, 100, -20, 0.001, 5000, -20};
    const double high[kNumParameters] = {540, 20, 20100, 20, 1.001, 20100, 20, 1.001, 15000, 20};
    for (int i = 0; i < FactoryPresets::count(); ++i) {
        const FactoryPreset& preset = FactoryPresets::at(i);
        float stored[kNumParameters];
        FactoryPresets::values(i, stored);
        for (int k = 0; k < kNumParameters; ++k) {
            EXPECT_GE(preset.plain[k], low[k]) << preset.name << " " << k;
            EXPECT_LE(preset.plain[k], high[k]) << preset.name << " " << k;
            EXPECT_GE(stored[k], 0.0f);
            EXPECT_LE(stored[k], 1.0f);
        }
        // A gain the table writes is heard: a band within 1.48 dB of flat is left out.
        for (int gain : {1, 3, 6, 9}) {
            const double dB = preset.plain[gain];
            EXPECT_TRUE(dB == 0.0 || std::fabs(dB) >= 2.0) << preset.name << ": " << dB << " dB";
            EXPECT_EQ(dB != 0.0, std::fabs(stored[gain] - 0.5f) > 0.037f) << preset.name;
        }
        EXPECT_NE(std::string(preset.purpose), "");
        EXPECT_EQ(FactoryPresets::find(preset.name), i);
    }
    EXPECT_EQ(FactoryPresets::find("vocal presence"), -1);
    EXPECT_EQ(FactoryPresets::find(nullptr), -1);
}

}  // namespace
