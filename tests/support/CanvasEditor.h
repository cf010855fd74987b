// The software canvas's picture of the equaliser's editor for a set of
// parameter values: what a real window (Win32 or X11) must show.
#pragma once

#include <memory>
#include <vector>

#include "tests/support/TestCanvas.h"

class EqEffect;

// A part of the editor that a test compares, pixel by pixel.
struct Box {
    int left, top, width, height;
    const char* what;
};
const Box kGainKnob{234, 24, 26, 26, "A-Gain knob"};
const Box kGainLed{259, 24, 8, 8, "A-Gain LED"};
const Box kFreqKnob{193, 24, 26, 26, "A-Freq knob"};

class CanvasEditor {
public:
    static constexpr int kWidth = 785;
    static constexpr int kHeight = 82;

    // Ten values; the editor drawn at the scale (1 to 3).
    explicit CanvasEditor(const float* values, float scale = 1.0f);
    ~CanvasEditor();
    Colour at(int x, int y) { return canvas.pixel(child, x, y); }
    // The whole picture: rows top to bottom of blue, green, red bytes.
    std::vector<unsigned char> pixels() { return canvas.windowPixels(child); }

    CanvasEditor(const CanvasEditor&) = delete;
    CanvasEditor& operator=(const CanvasEditor&) = delete;

private:
    TestCanvas canvas;
    std::unique_ptr<EqEffect> effect;
    WindowHandle child = nullptr;
};
