// An 8 x 8 lamp bound to a band's gain: unlit while the gain lies in the dead zone
// around its centre, where the effect leaves the band out, and lit otherwise.
#pragma once

#include "gui/GuiControl.h"

class LedControl : public GuiControl {
public:
    LedControl(std::int32_t left, std::int32_t top, BitmapHandle ledBitmap);

    void draw(DeviceHandle device, Colour lineColour, Colour fillColour) override;
    void setValue(float newValue, bool report) override;
    float getValue() override;

    // Whether the lamp shows its lit image for the current value.
    bool isLit() const;
    // Dark whatever the value (the effect bypassed), or back to the value.
    void setDark(bool isDark);

    BitmapHandle ledBitmap;
    std::int32_t unlitOffset = 8;

private:
    bool dark = false;
};
