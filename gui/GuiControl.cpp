#include "gui/GuiControl.h"

#include "gui/GuiWindow.h"
#include "host/EffectBase.h"

GuiControl::GuiControl() = default;

GuiControl::~GuiControl() = default;

void GuiControl::onMouseDown(std::int32_t, std::int32_t, std::int32_t) {}
void GuiControl::onMouseUp(std::int32_t, std::int32_t, std::int32_t) {}
void GuiControl::onMouseEnter(std::int32_t, std::int32_t) {}
void GuiControl::onMouseLeave(std::int32_t, std::int32_t) {}
void GuiControl::onCaptureEnd(std::int32_t, std::int32_t) {}
void GuiControl::onDrag(std::int32_t, std::int32_t) {}
void GuiControl::onWheel(std::int32_t) {}
void GuiControl::onDoubleClick(std::int32_t, std::int32_t) {}
void GuiControl::enterValue(float) {}
void GuiControl::draw(DeviceHandle, Colour, Colour) {}

bool GuiControl::contains(std::int32_t x, std::int32_t y) const
{
    return left < x && x < left + width && top < y && y < top + height;
}

void GuiControl::paint(DeviceHandle device, Colour lineColour, Colour fillColour)
{
    if (!dirty) {
        return;
    }
    if (erase && owner) {
        GuiPlatform& platform = owner->getPlatform();
        if (elliptic) {
            GdiObject pen = platform.createPen(lineColour);
            GdiObject brush = platform.createSolidBrush(fillColour);
            GdiObject oldPen = platform.selectObject(device, pen);
            GdiObject oldBrush = platform.selectObject(device, brush);
            platform.ellipse(device, left, top, left + width, top + height);
            platform.selectObject(device, oldPen);
            platform.selectObject(device, oldBrush);
            platform.deleteObject(brush);
            platform.deleteObject(pen);
        } else {
            GdiObject brush = platform.createSolidBrush(fillColour);
            platform.fillRect(device, box(), brush);
            platform.deleteObject(brush);
        }
    }
    draw(device, lineColour, fillColour);
    dirty = false;
}

void GuiControl::report(float reported)
{
    if (!owner || !owner->getEffect()) {
        return;
    }
    EffectBase* effect = owner->getEffect();
    if (reportAsAutomation) {
        effect->setParameterAutomated(paramIndex, reported);
    } else {
        effect->setParameter(paramIndex, reported);
    }
}

void GuiControl::beginGesture()
{
    if (editing || !owner) {
        return;
    }
    editing = true;
    owner->beginEdit(paramIndex);
}

void GuiControl::endGesture()
{
    if (!editing) {
        return;
    }
    editing = false;
    if (owner) {
        owner->endEdit(paramIndex);
    }
}
