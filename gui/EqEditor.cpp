#include "gui/EqEditor.h"

#include <new>

#include "eq/ProgramBank.h"
#include "gui/KnobControl.h"
#include "gui/LedControl.h"

namespace {

constexpr std::int32_t kRowTop = 24;
constexpr std::int32_t kKnobSize = 26;
constexpr std::int32_t kFrameCount = 64;
constexpr float kGainDetentHalfWidth = 0.038f;
constexpr float kGainDetentCentre = 0.5f;

struct LedPlace {
    std::int32_t left;
    std::int32_t paramIndex;
};
constexpr LedPlace kLeds[] = {{136, 1}, {259, 3}, {423, 6}, {586, 9}};

struct KnobPlace {
    std::int32_t left;
    std::int32_t paramIndex;
    bool gain;
};
constexpr KnobPlace kKnobs[] = {{70, 0, false},  {111, 1, true},  {193, 2, false}, {234, 3, true},
                                {275, 4, false}, {357, 5, false}, {398, 6, true},  {439, 7, false},
                                {521, 8, false}, {562, 9, true}};

}  // namespace

EqEditor::EqEditor(EffectBase* owner) : EqEditor(owner, modulePlatform()) {}

EqEditor::EqEditor(EffectBase* owner, GuiPlatform& on)
    : GuiWindow(owner, kWidth, kHeight, on),
      backgroundImage(platform.loadBitmap(instance, kBackgroundId)),
      knobStrip(platform.loadBitmap(instance, kKnobStripId)),
      knobMask(platform.loadBitmap(instance, kKnobMaskId)),
      ledImage(platform.loadBitmap(instance, kLedId))
{
    backgroundBitmap = backgroundImage;
    hasBackground = backgroundImage != nullptr;

    if (ledImage) {
        for (const LedPlace& place : kLeds) {
            auto* led = new (std::nothrow) LedControl(place.left, kRowTop, ledImage);
            if (led) {
                led->paramIndex = place.paramIndex;
                addControl(led);
            }
        }
    }
    if (knobStrip && knobMask) {
        for (const KnobPlace& place : kKnobs) {
            auto* knob = new (std::nothrow)
                KnobControl(place.left, kRowTop, kKnobSize, kKnobSize, place.gain ? kGainDetentHalfWidth : 0.0f,
                            place.gain ? kGainDetentCentre : 0.0f, knobStrip, knobMask, kKnobSize, kFrameCount);
            if (knob) {
                knob->paramIndex = place.paramIndex;
                knob->defaultValue = kInitialValue;
                addControl(knob);
            }
        }
    }
}

EqEditor::~EqEditor()
{
    for (BitmapHandle bitmap : {backgroundImage, knobStrip, knobMask, ledImage}) {
        if (bitmap) {
            platform.deleteObject(bitmap);
        }
    }
}
