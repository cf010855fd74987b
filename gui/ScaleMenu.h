// The editor's right-click menu, drawn on the editor itself, so it looks and
// works the same on every window system: over a knob "ENTER VALUE..." and
// "RESET" first, then the sizes 100 %, 150 %, 200 %, 300 % and "automatic"
// (the host's or the system's scale), the current choice marked.
#pragma once

#include <cstdint>

#include "gui/BmpImage.h"
#include "gui/GuiPlatform.h"

class ScaleMenu {
public:
    static constexpr std::int32_t kItems = 5;  // the sizes
    // The scale a size item chooses; 0 for automatic.
    static float choiceOf(std::int32_t item);
    static const char* textOf(std::int32_t item);

    // What a row of the menu does.
    enum class Pick { Nothing, EnterValue, Reset, Size };

    // Opens with its top left at the point, moved inside the window, drawn for
    // the editor's scale, the item of the chosen scale marked; with the value
    // items above the sizes when it is opened over a knob.
    void open(std::int32_t x, std::int32_t y, float scale, std::int32_t windowWidth, std::int32_t windowHeight,
              float chosen, bool valueItems = false);
    void close() { shown = false; }
    bool isOpen() const { return shown; }
    bool hasValueItems() const { return shown && extra > 0; }
    GuiRect box() const { return shown ? area : GuiRect{0, 0, 0, 0}; }
    // The row under the point, or -1.
    std::int32_t itemAt(std::int32_t x, std::int32_t y) const;
    // What the row under the point does; for a size, the scale it chooses.
    Pick pickAt(std::int32_t x, std::int32_t y, float& choice) const;
    // Lights the item under the point (or none); answers whether that changed.
    bool hover(std::int32_t x, std::int32_t y);
    // The menu's pixels, box() in size.
    BmpImage render() const;

private:
    const char* rowText(std::int32_t row) const;

    GuiRect area{0, 0, 0, 0};
    std::int32_t block = 1;     // window pixels a font pixel
    std::int32_t marked = -1;   // the row of the current choice
    std::int32_t lit = -1;      // under the pointer
    std::int32_t extra = 0;     // value rows above the sizes
    bool shown = false;
};
