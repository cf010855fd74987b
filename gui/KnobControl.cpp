#include "gui/KnobControl.h"

#include <cmath>

#include "eq/Parameters.h"
#include "gui/GuiWindow.h"

namespace {

// Thousandths of a value, cut toward zero: a drag step reports only when these change.
std::int32_t thousandths(float v) { return static_cast<std::int32_t>(v * 1000.0f); }

}  // namespace

KnobControl::KnobControl(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h, float halfWidth,
                         float centre, BitmapHandle strip, BitmapHandle mask, std::int32_t frameSize,
                         std::int32_t frames)
    : detentHalfWidth(halfWidth),
      detentCentre(centre),
      frameCount(frames),
      frameHeight(frameSize),
      stripBitmap(strip),
      maskBitmap(mask)
{
    left = x;
    top = y;
    width = w;
    height = h;
    value = 0.5f;
    elliptic = true;
}

std::int32_t KnobControl::offsetFor(float v) const
{
    const float position = static_cast<float>(frameCount - 1) * v;
    return static_cast<std::int32_t>(position) * frameHeight;
}

void KnobControl::onMouseDown(std::int32_t, std::int32_t, std::int32_t y)
{
    dragging = true;
    lastY = y;
    beginGesture();
}

void KnobControl::onDrag(std::int32_t, std::int32_t y)
{
    const bool fine = owner && owner->isFine();
    // The same distance on the screen turns the knob as far at every scale.
    const float perPixel = (fine ? 0.0005f : 0.005f) / (owner ? owner->getScale() : 1.0f);
    float candidate = value - static_cast<float>(y - lastY) * perPixel;
    candidate = usableValue(candidate);
    float next = candidate;
    // The difference is compared unrounded, as a double: a float minus a float is exact there.
    if (static_cast<double>(detentHalfWidth) >
        std::fabs(static_cast<double>(candidate) - static_cast<double>(detentCentre))) {
        next = detentCentre;
    } else {
        lastY = y;
    }
    // A fine step is below a thousandth: it reports whenever the value moves.
    if (fine ? next != value : thousandths(next) != thousandths(value)) {
        setValue(next, !sendOnRelease);
    }
}

void KnobControl::onCaptureEnd(std::int32_t, std::int32_t)
{
    if (sendOnRelease) {
        report(value);
    }
    endGesture();
    dragging = false;
    dirty = true;
}

void KnobControl::onWheel(std::int32_t step)
{
    const float notch = owner && owner->isFine() ? 0.001f : 0.01f;
    const float next = usableValue(value + static_cast<float>(step) * notch);
    if (next == value) {
        return;  // at the end of the range: nothing to tell the host
    }
    // Inside a drag the notch belongs to the drag's gesture.
    const bool own = !editing;
    beginGesture();
    setValue(next, true);
    if (own) {
        endGesture();
    }
}

void KnobControl::onDoubleClick(std::int32_t, std::int32_t) { enterValue(defaultValue); }

void KnobControl::enterValue(float entered)
{
    const bool own = !editing;
    beginGesture();
    setValue(entered, false);
    report(value);  // even when the knob stood there already: the host hears the one value
    if (own) {
        endGesture();
    }
}

void KnobControl::setValue(float newValue, bool reportIt)
{
    newValue = usableValue(newValue);
    if (newValue == value) {
        return;
    }
    value = newValue;
    if (reportIt) {
        report(newValue);
    }
    const std::int32_t offset = offsetFor(value);
    if (offset != frameOffset) {
        frameOffset = offset;
        dirty = true;
    }
}

float KnobControl::getValue() { return value; }

void KnobControl::draw(DeviceHandle device, Colour, Colour)
{
    if (!owner) {
        return;
    }
    GuiPlatform& platform = owner->getPlatform();
    const std::int32_t offset = offsetFor(value);
    DeviceHandle memory = platform.createCompatibleContext(device);
    if (!memory) {
        return;
    }
    GdiObject previous = platform.selectObject(memory, maskBitmap);
    platform.bitBlt(device, left, top, width, height, memory, 0, 0, RasterOp::And);
    platform.selectObject(memory, stripBitmap);
    platform.bitBlt(device, left, top, width, height, memory, 0, offset, RasterOp::Or);
    platform.selectObject(memory, previous);
    platform.deleteContext(memory);
}
