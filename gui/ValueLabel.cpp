#include "gui/ValueLabel.h"

#include <algorithm>

#include "gui/PixelFont.h"

namespace {

// In font pixels: the frame, the room around the text, the gap under the knob.
constexpr std::int32_t kBorder = 1;
constexpr std::int32_t kPad = 1;
constexpr std::int32_t kGap = 2;

constexpr Colour kFrame = 0x00C8C8C8;
constexpr Colour kFill = 0x00401E14;
constexpr Colour kInk = 0x00FFFFFF;

}  // namespace

void ValueLabel::place(const GuiRect& control, const std::string& text, float scale, std::int32_t windowWidth,
                       std::int32_t windowHeight)
{
    try {
        words = text;
    } catch (const std::bad_alloc&) {
        words.clear();
        return;
    }
    block = std::max(1, static_cast<std::int32_t>(scale + 0.5f));
    const std::int32_t width = (2 * (kBorder + kPad) + PixelFont::textWidth(words.c_str())) * block;
    const std::int32_t height = (2 * (kBorder + kPad) + PixelFont::kGlyphHeight) * block;
    const std::int32_t centre = (control.left + control.right) / 2;
    const std::int32_t left = std::max(0, std::min(centre - width / 2, windowWidth - width));
    const std::int32_t top = std::max(0, std::min(control.bottom + kGap * block, windowHeight - height));
    area = GuiRect{left, top, left + width, top + height};
}

BmpImage ValueLabel::render() const
{
    if (!isShown()) {
        return BmpImage{};
    }
    const std::int32_t b = block;
    BmpImage image = PixelFont::framedBox(area.right - area.left, area.bottom - area.top, kFrame, kFill, kBorder * b);
    PixelFont::drawText(image, (kBorder + kPad) * b, (kBorder + kPad) * b, words.c_str(), kInk, b);
    return image;
}
