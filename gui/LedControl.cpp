#include "gui/LedControl.h"

#include <cmath>

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
    // The distance is compared unrounded, as a double. A NaN leaves the band out,
    // as the effect does, so the lamp stays dark.
    if (std::isnan(value)) {
        return false;
    }
    return !(static_cast<double>(deadZone) > std::fabs(static_cast<double>(value) - static_cast<double>(centre)));
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
    value = newValue;
    if (reportIt) {
        report(newValue);
    }
    dirty = true;
}

float LedControl::getValue() { return value; }
