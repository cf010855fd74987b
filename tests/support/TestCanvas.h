// The software canvas with what tests need to look inside it: pixels, live
// objects, capture, focus, invalid areas, timers, failing window creation.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "gui/SoftwareCanvas.h"

class TestCanvas : public SoftwareCanvas {
public:
    // Fails once after failNextWindowCreation, as a window system may.
    WindowHandle createChildWindow(void* instance, const char* className, WindowHandle parent, std::int32_t width,
                                   std::int32_t height) override;
    // Counted by defaultHandlingCount.
    std::intptr_t defaultHandling(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                                  std::intptr_t lParam) override;

    // The next createChildWindow fails (once).
    void failNextWindowCreation();
    using SoftwareCanvas::createBitmap;
    // A bitmap of one colour, or null for a size below 1 or too large.
    BitmapHandle createBitmap(std::int32_t width, std::int32_t height, Colour colour);
    // Sends the window one timer message for each of its timers, on the
    // calling thread; answers how many it has.
    int fireTimers(WindowHandle window);

    // One pixel as 0x00BBGGRR, or kNoPixel.
    Colour pixel(WindowHandle window, std::int32_t x, std::int32_t y);
    Colour bitmapPixel(BitmapHandle bitmap, std::int32_t x, std::int32_t y);
    // Width and height of the window, or {0, 0} when it is dead.
    BitmapSize windowSize(WindowHandle window);
    bool isWindowVisible(WindowHandle window);
    // The accumulated invalid rectangle; all zero when nothing is invalid. Safe from any thread.
    GuiRect invalidArea(WindowHandle window);
    WindowHandle capturedWindow();
    WindowHandle focusedWindow();
    // Live contexts (memory, window and paint), brushes, pens and bitmaps, stock
    // objects not counted: equal before and after a drawing step that releases
    // everything it made.
    int liveObjects();
    bool isWindowAlive(WindowHandle window);
    void fillWindow(WindowHandle window, Colour colour);
    // How many times defaultHandling ran, on any window.
    int defaultHandlingCount();

private:
    std::atomic<bool> failNext{false};
    std::atomic<int> defaultHandlings{0};
};
