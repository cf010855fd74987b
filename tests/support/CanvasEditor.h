// The software canvas's picture of the equaliser's editor for a set of
// parameter values: what a real window (Win32 or X11) must show.
#pragma once

#include <memory>

#include "tests/support/TestCanvas.h"

class EqEffect;

class CanvasEditor {
public:
    explicit CanvasEditor(const float* values);  // ten values
    ~CanvasEditor();
    Colour at(int x, int y) { return canvas.pixel(child, x, y); }

    CanvasEditor(const CanvasEditor&) = delete;
    CanvasEditor& operator=(const CanvasEditor&) = delete;

private:
    TestCanvas canvas;
    std::unique_ptr<EqEffect> effect;
    WindowHandle child = nullptr;
};
