// What the Windows editor tests under Wine share: a top-level host window,
// the message loop a host runs, mouse positions for messages, and a window's
// pixels read back to compare with the software canvas's rendering.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "tests/support/CanvasEditor.h"

// A visible top-level window whose client area is this size (the editor's at 100 %).
HWND makeHostWindow(int width = CanvasEditor::kWidth, int height = CanvasEditor::kHeight);
// Dispatches what is queued; answers how many of the messages were thread
// timers' (WM_TIMER for no window), the kind the VST 3 view ticks on.
int pumpMessages();
// Lets the windows' timers run for a while, as a host's message loop does.
void runMessageLoop(DWORD milliseconds);
// A window-relative point as the mouse messages carry it.
inline LPARAM point(int x, int y) { return MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)); }

// What a window's client area shows, as 0x00BBGGRR colours.
class Capture {
public:
    explicit Capture(HWND window);
    int width() const { return columns; }
    int height() const { return rows; }
    // A pixel, or SoftwareCanvas::kNoPixel outside the window.
    Colour at(int x, int y) const
    {
        return x < 0 || y < 0 || x >= columns || y >= rows ? SoftwareCanvas::kNoPixel
                                                            : pixels[static_cast<std::size_t>(y * columns + x)];
    }
    // A 24-bit BMP of the capture.
    bool save(const std::string& path) const;

private:
    int columns = 0;
    int rows = 0;
    std::vector<Colour> pixels;
};

// The pixels of a box that differ between the real window and the canvas.
int differences(const Capture& real, CanvasEditor& expected, const Box& box);
// The pixels that differ between the whole window and the canvas's whole
// picture (CanvasEditor::pixels()); all of them when the sizes differ.
int differences(const Capture& real, const std::vector<unsigned char>& expected);
// The same over the boxes the editor tests look at: the A-Gain knob and its LED, the A-Freq knob.
int differencesInKnobs(const Capture& real, CanvasEditor& expected);
