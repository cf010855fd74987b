// The equaliser's editor: a 785 x 82 frame (at 100 %) with the artwork, ten
// knobs and four LEDs, each bound to a parameter of the effect. At 100 % and
// 200 % it draws the artwork as it was drawn for that size; at other scales
// it makes the artwork once from the nearer of the two, when the scale changes.
#pragma once

#include "gui/GuiWindow.h"

class EqEditor : public GuiWindow {
public:
    // On the module's platform.
    explicit EqEditor(EffectBase* effect);
    // On the given one, which must outlive the editor.
    EqEditor(EffectBase* effect, GuiPlatform& platform);
    ~EqEditor() override;

    // Bitmap resource numbers.
    static constexpr std::int32_t kBackgroundId = 101;
    static constexpr std::int32_t kKnobStripId = 102;
    static constexpr std::int32_t kKnobMaskId = 103;
    static constexpr std::int32_t kLedId = 104;

    static constexpr std::int32_t kWidth = 785;
    static constexpr std::int32_t kHeight = 82;

    // The 100 % bitmaps drawn again at 200 %.
    static constexpr std::int32_t kDoubleSizeOffset = 4;

    // The logo's part of the artwork at 100 %, dimmed while the effect is bypassed.
    static constexpr std::int32_t kLogoLeft = 610;

protected:
    void scaleChanged() override;
    // Bypassed (EqEffect::isBypassed): the LEDs dark and the logo dimmed.
    void effectShown() override;

private:
    // The artwork with its logo dimmed, made from `artwork` at the scale now;
    // null where it cannot be made.
    BitmapHandle makeDimmed(BmpImage artwork);

    bool bypassShown = false;
    BitmapHandle dimmedImage = nullptr;
    BitmapHandle backgroundImage;
    BitmapHandle knobStrip;
    BitmapHandle knobMask;
    BitmapHandle ledImage;
};
