// The editor's size menu, opened by a right click anywhere on the editor and
// drawn on the editor itself, so it looks and works the same on every window
// system: 100 %, 150 %, 200 %, 300 % and "automatic" (the host's or the
// system's scale), the current choice marked.
#pragma once

#include <cstdint>

#include "gui/BmpImage.h"
#include "gui/GuiPlatform.h"

class ScaleMenu {
public:
    static constexpr std::int32_t kItems = 5;
    // The scale an item chooses; 0 for automatic.
    static float choiceOf(std::int32_t item);
    static const char* textOf(std::int32_t item);

    // Opens with its top left at the point, moved inside the window, drawn for
    // the editor's scale, the item of the chosen scale marked.
    void open(std::int32_t x, std::int32_t y, float scale, std::int32_t windowWidth, std::int32_t windowHeight,
              float chosen);
    void close() { shown = false; }
    bool isOpen() const { return shown; }
    GuiRect box() const { return shown ? area : GuiRect{0, 0, 0, 0}; }
    // The item under the point, or -1.
    std::int32_t itemAt(std::int32_t x, std::int32_t y) const;
    // Lights the item under the point (or none); answers whether that changed.
    bool hover(std::int32_t x, std::int32_t y);
    // The menu's pixels, box() in size.
    BmpImage render() const;

private:
    GuiRect area{0, 0, 0, 0};
    std::int32_t block = 1;     // window pixels a font pixel
    std::int32_t marked = -1;   // the current choice
    std::int32_t lit = -1;      // under the pointer
    bool shown = false;
};
