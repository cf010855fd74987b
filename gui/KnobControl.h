// A rotary knob drawn from a vertical filmstrip through a disc-shaped mask, turned
// by dragging up and down at 0.005 per pixel at 100 % (0.0005 with Shift or
// Ctrl; at other scales per as long a distance on the screen), with
// an optional centre detent; the wheel turns it by 0.01 a notch (0.001 with
// Shift or Ctrl), and a double click brings it to its default. Each press to
// its release, each notch and each double click is one host edit gesture.
#pragma once

#include "gui/GuiControl.h"

class KnobControl : public GuiControl {
public:
    KnobControl(std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height, float detentHalfWidth,
                float detentCentre, BitmapHandle stripBitmap, BitmapHandle maskBitmap, std::int32_t frameHeight,
                std::int32_t frameCount);

    void onMouseDown(std::int32_t button, std::int32_t x, std::int32_t y) override;
    void onCaptureEnd(std::int32_t x, std::int32_t y) override;
    void onDrag(std::int32_t x, std::int32_t y) override;
    void onWheel(std::int32_t step) override;
    void onDoubleClick(std::int32_t x, std::int32_t y) override;
    void enterValue(float entered) override;
    void draw(DeviceHandle device, Colour lineColour, Colour fillColour) override;
    void setValue(float newValue, bool report) override;
    float getValue() override;
    bool showsValue() const override { return true; }

    // The filmstrip offset, in pixels, of the frame that shows a value.
    std::int32_t offsetFor(float v) const;

    std::int32_t lastY = 0;
    float defaultValue = 0.5f;  // the value a double click sets
    float detentHalfWidth;
    float detentCentre;
    std::int32_t frameOffset = -1000;
    std::int32_t frameCount;
    std::int32_t frameHeight;
    BitmapHandle stripBitmap;
    BitmapHandle maskBitmap;
    bool sendOnRelease = false;
};
