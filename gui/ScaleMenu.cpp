#include "gui/ScaleMenu.h"

#include <algorithm>

#include "gui/PixelFont.h"

namespace {

struct Item {
    float choice;
    const char* text;
};
constexpr Item kMenuItems[ScaleMenu::kItems] = {
    {1.0f, "100 %"}, {1.5f, "150 %"}, {2.0f, "200 %"}, {3.0f, "300 %"}, {0.0f, "AUTOMATIC"}};

// In font pixels: the frame, the room for the mark, and each item's height.
constexpr std::int32_t kBorder = 1;
constexpr std::int32_t kPad = 2;
constexpr std::int32_t kMarkWidth = 6;
constexpr std::int32_t kItemHeight = PixelFont::kGlyphHeight + 2 * kPad;

constexpr const char* kValueItems[] = {"ENTER VALUE...", "RESET"};
constexpr std::int32_t kValueRows = 2;

constexpr Colour kFrame = 0x00C8C8C8;
constexpr Colour kFill = 0x00401E14;
constexpr Colour kLitFill = 0x00A05A3C;
constexpr Colour kInk = 0x00FFFFFF;

}  // namespace

float ScaleMenu::choiceOf(std::int32_t item) { return item >= 0 && item < kItems ? kMenuItems[item].choice : 0.0f; }

const char* ScaleMenu::textOf(std::int32_t item) { return item >= 0 && item < kItems ? kMenuItems[item].text : ""; }

const char* ScaleMenu::rowText(std::int32_t row) const
{
    return row < extra ? kValueItems[row] : textOf(row - extra);
}

void ScaleMenu::open(std::int32_t x, std::int32_t y, float scale, std::int32_t windowWidth, std::int32_t windowHeight,
                     float chosen, bool valueItems)
{
    block = std::max(1, static_cast<std::int32_t>(scale + 0.5f));
    extra = valueItems ? kValueRows : 0;
    std::int32_t textWidth = 0;
    marked = -1;
    for (std::int32_t row = 0; row < extra + kItems; ++row) {
        textWidth = std::max(textWidth, PixelFont::textWidth(rowText(row)));
        if (row >= extra && kMenuItems[row - extra].choice == chosen) {
            marked = row;
        }
    }
    const std::int32_t width = (2 * kBorder + kPad + kMarkWidth + textWidth + kPad) * block;
    const std::int32_t height = (2 * kBorder + (extra + kItems) * kItemHeight) * block;
    const std::int32_t left = std::max(0, std::min(x, windowWidth - width));
    const std::int32_t top = std::max(0, std::min(y, windowHeight - height));
    area = GuiRect{left, top, left + width, top + height};
    lit = -1;
    shown = true;
}

std::int32_t ScaleMenu::itemAt(std::int32_t x, std::int32_t y) const
{
    const std::int32_t inner = area.top + kBorder * block;
    if (!shown || x < area.left || x >= area.right || y < inner || y >= area.bottom - kBorder * block) {
        return -1;
    }
    return (y - inner) / (kItemHeight * block);
}

ScaleMenu::Pick ScaleMenu::pickAt(std::int32_t x, std::int32_t y, float& choice) const
{
    const std::int32_t row = itemAt(x, y);
    choice = 0.0f;
    if (row < 0) {
        return Pick::Nothing;
    }
    if (row < extra) {
        return row == 0 ? Pick::EnterValue : Pick::Reset;
    }
    choice = choiceOf(row - extra);
    return Pick::Size;
}

bool ScaleMenu::hover(std::int32_t x, std::int32_t y)
{
    const std::int32_t item = itemAt(x, y);
    if (item == lit) {
        return false;
    }
    lit = item;
    return true;
}

BmpImage ScaleMenu::render() const
{
    if (!shown) {
        return BmpImage{};
    }
    const std::int32_t b = block;
    BmpImage image = PixelFont::framedBox(area.right - area.left, area.bottom - area.top, kFrame, kFill, kBorder * b);
    for (std::int32_t item = 0; item < extra + kItems; ++item) {
        const std::int32_t top = (kBorder + item * kItemHeight) * b;
        PixelFont::fill(image, kBorder * b, top, image.width - kBorder * b, top + kItemHeight * b,
                        item == lit ? kLitFill : kFill);
        const std::int32_t textTop = top + kPad * b;
        if (item == marked) {
            PixelFont::drawText(image, (kBorder + kPad) * b, textTop, ">", kInk, b);
        }
        PixelFont::drawText(image, (kBorder + kPad + kMarkWidth) * b, textTop, rowText(item), kInk, b);
    }
    return image;
}
