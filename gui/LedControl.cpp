#include "gui/LedControl.h"

#include "eq/Parameters.h"
#include "gui/GuiWindow.h"

LedControl::LedControl(std::int32_t x, std::int32_t y, BitmapHandle bitmap) : ledBitmap(bitmap)
{
    left = x;
    top = y;
    width = 8;
    height = 8;
    value = 0.0f;
    elliptic = false;
}

bool LedControl::isLit() const
{
    // Lit exactly while the effect runs the band and is heard; a NaN leaves it out.
    return !dark && gainIsActive(value);
}

void LedControl::setDark(bool isDark)
{
    const bool wasLit = isLit();
    dark = isDark;
    if (isLit() != wasLit) {
        dirty = true;
    }
}

void LedControl::draw(DeviceHandle device, Colour, Colour)
{
    if (!owner) {
        return;
    }
    GuiPlatform& platform = owner->getPlatform();
    const std::int32_t row = isLit() ? 0 : unlitOffset;
    DeviceHandle memory = platform.createCompatibleContext(device);
    if (!memory) {
        return;
    }
    GdiObject previous = platform.selectObject(memory, ledBitmap);
    platform.bitBlt(device, left, top, width, height, memory, 0, row, RasterOp::Copy);
    platform.selectObject(memory, previous);
    platform.deleteContext(memory);
}

void LedControl::setValue(float newValue, bool reportIt)
{
    const bool wasLit = isLit();
    value = newValue;
    if (reportIt) {
        report(newValue);
    }
    if (isLit() != wasLit) {
        dirty = true;
    }
}

float LedControl::getValue() { return value; }
