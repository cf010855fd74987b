// The knob's and the LED's value arithmetic: frames, drags, the detent, the
// reporting rule and the LED's dead zone.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "gui/GuiWindow.h"
#include "gui/KnobControl.h"
#include "gui/LedControl.h"
#include "host/EffectBase.h"

namespace {

// An effect that records what the knobs report.
class ReportedEffect : public EffectBase {
public:
    ReportedEffect() : EffectBase(nullptr, 1, 10) {}
    void processReplacing(float**, float**, VstInt32) override {}
    void setParameter(VstInt32 index, float value) override { reports.push_back({index, value}); }
    struct Report {
        VstInt32 index;
        float value;
    };
    std::vector<Report> reports;
};

class KnobLed : public testing::Test {
protected:
    void SetUp() override { setGuiPlatform(&inertGuiPlatform()); }
    void TearDown() override { setGuiPlatform(nullptr); }

    // A knob in a frame, so that what it reports reaches the effect.
    KnobControl* knob(float detentHalfWidth, float start)
    {
        auto* k = new KnobControl(70, 24, 26, 26, detentHalfWidth, detentHalfWidth > 0 ? 0.5f : 0.0f, nullptr, nullptr,
                                  26, 64);
        k->paramIndex = 3;
        frame.addControl(k);
        k->setValue(start, false);
        return k;
    }

    ReportedEffect effect;
    GuiWindow frame{&effect, 785, 82};
};

TEST_F(KnobLed, FramesFollowTheTruncatedProduct)
{
    KnobControl* k = knob(0.0f, 0.5f);
    EXPECT_EQ(k->offsetFor(0.0f), 0);
    EXPECT_EQ(k->offsetFor(0.5f), 31 * 26);
    EXPECT_EQ(k->offsetFor(1.0f), 63 * 26);
    for (int frameIndex = 1; frameIndex < 63; ++frameIndex) {
        const float start = static_cast<float>(frameIndex) / 63.0f;
        EXPECT_EQ(k->offsetFor(start), frameIndex * 26) << frameIndex;
        EXPECT_EQ(k->offsetFor(std::nextafter(start, 0.0f)), (frameIndex - 1) * 26) << frameIndex;
    }
    EXPECT_EQ(k->offsetFor(std::nextafter(1.0f, 0.0f)), 62 * 26) << "frame 63 only at 1";
}

TEST_F(KnobLed, SetValueClampsAndRedrawsOnlyWhenTheFrameChanges)
{
    KnobControl fresh(0, 0, 26, 26, 0.0f, 0.0f, nullptr, nullptr, 26, 64);
    fresh.dirty = false;
    fresh.setValue(0.6f, false);
    EXPECT_TRUE(fresh.dirty) << "the first change always counts";

    KnobControl* k = knob(0.0f, 0.25f);
    k->dirty = false;
    k->setValue(0.26f, false);
    EXPECT_TRUE(k->dirty) << "frame 15 to 16";
    k->setValue(0.5f, false);
    k->dirty = false;
    k->setValue(0.505f, false);
    EXPECT_EQ(k->getValue(), 0.505f);
    EXPECT_FALSE(k->dirty) << "frame 31 to 31";
    k->setValue(0.505f, false);
    EXPECT_FALSE(k->dirty);
    k->setValue(1.5f, false);
    EXPECT_EQ(k->getValue(), 1.0f);
    k->setValue(-0.2f, false);
    EXPECT_EQ(k->getValue(), 0.0f);
    k->setValue(std::nanf(""), false);
    EXPECT_EQ(k->getValue(), 0.5f) << "a NaN shows as the band uses it";
    EXPECT_TRUE(effect.reports.empty()) << "values from the window are not reported back";
}

TEST_F(KnobLed, APlainKnobFollowsThePointerAndClampsWithoutOvershoot)
{
    KnobControl* k = knob(0.0f, 0.0f);
    k->onMouseDown(0, 80, 300);
    EXPECT_TRUE(k->dragging);
    const int ys[] = {299, 250, 200, 150, 101, 100, 99, 50, 51};
    const float expected[] = {0.005f, 0.25f, 0.5f, 0.75f, 0.995f, 1.0f, 1.0f, 1.0f, 0.995f};
    for (int i = 0; i < 9; ++i) {
        k->onDrag(80, ys[i]);
        EXPECT_NEAR(k->getValue(), expected[i], 1e-5f) << "y " << ys[i];
    }
    // Each reported step reached the effect as it happened; the clamped steps at the top did not.
    ASSERT_EQ(effect.reports.size(), 7u);
    EXPECT_EQ(effect.reports.back().index, 3);
    EXPECT_NEAR(effect.reports.back().value, 0.995f, 1e-5f);
    k->onCaptureEnd(80, 51);
    EXPECT_FALSE(k->dragging);
    EXPECT_TRUE(k->dirty);
    EXPECT_EQ(effect.reports.size(), 7u) << "the release reports nothing";
}

TEST_F(KnobLed, AGainKnobCatchesTheCentreAndLetsGoAfterEightPixels)
{
    KnobControl* down = knob(0.038f, 0.545f);
    down->onMouseDown(0, 0, 100);
    down->onDrag(0, 101);
    EXPECT_NEAR(down->getValue(), 0.54f, 1e-6f);
    for (int y = 102; y <= 108; ++y) {
        down->onDrag(0, y);
        EXPECT_EQ(down->getValue(), 0.5f) << y;
        EXPECT_EQ(down->lastY, 101);
    }
    down->onDrag(0, 109);
    EXPECT_NEAR(down->getValue(), 0.46f, 1e-6f);
    down->onDrag(0, 110);
    EXPECT_NEAR(down->getValue(), 0.455f, 1e-6f);

    KnobControl* up = knob(0.038f, 0.5f);
    up->onMouseDown(0, 0, 100);
    for (int y = 99; y >= 93; --y) {
        up->onDrag(0, y);
        EXPECT_EQ(up->getValue(), 0.5f) << y;
    }
    up->onDrag(0, 92);
    EXPECT_NEAR(up->getValue(), 0.54f, 1e-6f);

    KnobControl* hostSet = knob(0.038f, 0.52f);
    hostSet->onMouseDown(0, 10, 100);
    hostSet->onDrag(20, 100);
    EXPECT_EQ(hostSet->getValue(), 0.5f) << "a sideways move snaps a value inside the detent";
}

TEST_F(KnobLed, TheLedIsDarkOnlyInsideTheDeadZone)
{
    LedControl led(136, 24, nullptr);
    // Lit exactly while the band runs: the edges themselves are inside.
    const float dark[] = {0.5f, 0.47f, 0.53f, 0.537f, 0.463f, std::nanf("")};
    const float lit[] = {0.4f, 0.6f, 0.0f, 1.0f, 0.5370001f, 0.4629999f, 7.0f};
    for (float v : dark) {
        led.setValue(v, false);
        EXPECT_FALSE(led.isLit()) << v;
    }
    for (float v : lit) {
        led.setValue(v, false);
        EXPECT_TRUE(led.isLit()) << v;
    }
    led.dirty = false;
    led.setValue(0.9f, false);
    EXPECT_FALSE(led.dirty) << "still lit: nothing to draw";
    led.setValue(0.5f, false);
    EXPECT_TRUE(led.dirty);
    EXPECT_EQ(led.width, 8);
    EXPECT_EQ(led.height, 8);
}

}  // namespace
