// The editor's own lettering: hand-made glyphs seven pixels high, drawn into
// pixels in blocks of a whole number of pixels, so text looks the same and as
// sharp on every window system and at every scale.
#pragma once

#include <cstdint>

#include "gui/BmpImage.h"
#include "gui/GuiPlatform.h"

class PixelFont {
public:
    static constexpr std::int32_t kGlyphHeight = 7;

    // The width of the text in font pixels, with one pixel between glyphs;
    // characters the font lacks are drawn as a hollow box.
    static std::int32_t textWidth(const char* text);
    // Draws the text with its top left at x, y of the image, each font pixel a
    // block x block square of the colour; what falls outside is left out.
    static void drawText(BmpImage& image, std::int32_t x, std::int32_t y, const char* text, Colour colour,
                         std::int32_t block);
    // An image of the size filled with the colour inside a frame of another,
    // border pixels wide; empty when there is no memory for it.
    static BmpImage framedBox(std::int32_t width, std::int32_t height, Colour frame, Colour inside, std::int32_t border);
    // Fills [left, right) x [top, bottom) of the image, clipped.
    static void fill(BmpImage& image, std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom,
                     Colour colour);
};
