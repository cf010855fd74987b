// Everything in the editor window that shows or changes a parameter: a box of
// the window's client area bound to one parameter and holding its value.
#pragma once

#include <cstdint>

#include "gui/GuiPlatform.h"

class GuiWindow;

class GuiControl {
public:
    GuiControl();
    virtual ~GuiControl();

    // Mouse input, on the window's thread. Coordinates are client pixels and may lie
    // outside the control, and the window, during a drag.
    virtual void onMouseDown(std::int32_t button, std::int32_t x, std::int32_t y);
    virtual void onMouseUp(std::int32_t button, std::int32_t x, std::int32_t y);
    virtual void onMouseEnter(std::int32_t x, std::int32_t y);
    virtual void onMouseLeave(std::int32_t x, std::int32_t y);
    virtual void onCaptureEnd(std::int32_t x, std::int32_t y);
    virtual void onDrag(std::int32_t x, std::int32_t y);
    virtual void onWheel(std::int32_t step);
    virtual void onDoubleClick(std::int32_t x, std::int32_t y);
    // Draws the control's whole box; on the window's thread.
    virtual void draw(DeviceHandle device, Colour lineColour, Colour fillColour);
    // A new value, from the window (report false) or from the control itself (report true).
    virtual void setValue(float newValue, bool report) = 0;
    virtual float getValue() = 0;
    // Whether the editor shows the parameter's value beside the control while
    // it is turned or pointed at.
    virtual bool showsValue() const { return false; }
    // A value the user gave outright (typed, or a reset): set and reported as
    // one host edit gesture of its own, or inside the one already open.
    virtual void enterValue(float entered);

    // Draws the control when it is dirty, then clears the flag.
    void paint(DeviceHandle device, Colour lineColour, Colour fillColour);

    // The box, as the hit test sees it: strictly inside on all four sides.
    bool contains(std::int32_t x, std::int32_t y) const;
    GuiRect box() const { return GuiRect{left, top, left + width, top + height}; }

    GuiControl(const GuiControl&) = delete;
    GuiControl& operator=(const GuiControl&) = delete;

    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    float value = 0.0f;
    std::int32_t paramIndex = 0;
    GuiWindow* owner = nullptr;
    bool reportAsAutomation = false;
    bool dirty = true;
    bool dragging = false;
    bool elliptic = false;
    bool erase = false;
    // Whether the control has asked the host to begin an edit of its parameter
    // that it has not yet ended.
    bool editing = false;

protected:
    // Sends a value the control set itself to the effect, as automation when asked.
    void report(float reported);
    // The host's edit gesture on the parameter: every value the control reports
    // lies between one begin and its end.
    void beginGesture();
    void endGesture();
};
