#include "gui/ValueField.h"

#include <algorithm>
#include <new>

#include "gui/PixelFont.h"

namespace {

// In font pixels: the frame, the room around the text, the gap under the
// control, and the least room for text, about a dozen figures.
constexpr std::int32_t kBorder = 1;
constexpr std::int32_t kPad = 2;
constexpr std::int32_t kGap = 2;
constexpr std::int32_t kLeastText = 47;

constexpr Colour kFrame = 0x00FFFFFF;
constexpr Colour kFill = 0x00401E14;
constexpr Colour kSelection = 0x00A05A3C;
constexpr Colour kInk = 0x00FFFFFF;
constexpr Colour kNoticeFrame = 0x004040FF;
constexpr Colour kNoticeFill = 0x00100A60;

bool printable(std::uint32_t character) { return character >= 0x20 && character < 0x7F; }

}  // namespace

void ValueField::open(const GuiRect& control, const std::string& text, float scale, std::int32_t width,
                      std::int32_t height)
{
    try {
        words = text.substr(0, kMaxLength);
    } catch (const std::bad_alloc&) {
        words.clear();
    }
    caret = words.size();
    selected = !words.empty();
    editing = true;
    noticing = false;
    anchor = control;
    block = std::max(1, static_cast<std::int32_t>(scale + 0.5f));
    windowWidth = width;
    windowHeight = height;
    place();
}

void ValueField::showNotice(const std::string& reason)
{
    try {
        words = reason;
    } catch (const std::bad_alloc&) {
        words.clear();
    }
    editing = false;
    noticing = true;
    selected = false;
    place();
}

void ValueField::close()
{
    editing = noticing = selected = false;
    words.clear();
    caret = 0;
}

void ValueField::place()
{
    const std::int32_t textWidth = std::max(kLeastText, PixelFont::textWidth(words.c_str()) + 1);
    const std::int32_t width = (2 * (kBorder + kPad) + textWidth) * block;
    const std::int32_t height = (2 * (kBorder + kPad) + PixelFont::kGlyphHeight) * block;
    const std::int32_t centre = (anchor.left + anchor.right) / 2;
    const std::int32_t left = std::max(0, std::min(centre - width / 2, windowWidth - width));
    const std::int32_t top = std::max(0, std::min(anchor.bottom + kGap * block, windowHeight - height));
    area = GuiRect{left, top, left + width, top + height};
}

bool ValueField::wants(GuiKey named, std::uint32_t character) const
{
    return editing && (named != GuiKey::Character || printable(character));
}

ValueField::Outcome ValueField::key(GuiKey named, std::uint32_t character)
{
    if (!wants(named, character)) {
        return Outcome::Unused;
    }
    const bool wasSelected = selected;
    selected = false;
    switch (named) {
    case GuiKey::Enter:
        return Outcome::Apply;
    case GuiKey::Escape:
        return Outcome::Cancel;
    case GuiKey::Backspace:
    case GuiKey::Delete:
        if (wasSelected) {
            words.clear();
            caret = 0;
        } else if (named == GuiKey::Backspace && caret > 0) {
            words.erase(--caret, 1);
        } else if (named == GuiKey::Delete && caret < words.size()) {
            words.erase(caret, 1);
        }
        break;
    case GuiKey::Left:
        caret = wasSelected ? 0 : caret - (caret > 0 ? 1 : 0);
        break;
    case GuiKey::Right:
        caret = wasSelected ? words.size() : std::min(caret + 1, words.size());
        break;
    case GuiKey::Home:
        caret = 0;
        break;
    case GuiKey::End:
        caret = words.size();
        break;
    case GuiKey::Character:
    default:
        if (wasSelected) {
            words.clear();
            caret = 0;
        }
        if (words.size() < kMaxLength) {
            words.insert(caret++, 1, static_cast<char>(character));
        }
        break;
    }
    place();
    return Outcome::Edited;
}

BmpImage ValueField::render() const
{
    if (!isShown()) {
        return BmpImage{};
    }
    const std::int32_t b = block;
    BmpImage image = PixelFont::framedBox(area.right - area.left, area.bottom - area.top,
                                          noticing ? kNoticeFrame : kFrame, noticing ? kNoticeFill : kFill, kBorder * b);
    const std::int32_t textLeft = (kBorder + kPad) * b, textTop = (kBorder + kPad) * b;
    if (selected) {
        PixelFont::fill(image, textLeft - b, textTop - b, textLeft + (PixelFont::textWidth(words.c_str()) + 1) * b,
                        textTop + (PixelFont::kGlyphHeight + 1) * b, kSelection);
    }
    PixelFont::drawText(image, textLeft, textTop, words.c_str(), kInk, b);
    if (editing) {
        // In the gap after the character before it.
        const std::string before = words.substr(0, caret);
        const std::int32_t x = textLeft + (before.empty() ? -1 : PixelFont::textWidth(before.c_str())) * b;
        PixelFont::fill(image, x, textTop - b, x + b, textTop + (PixelFont::kGlyphHeight + 1) * b, kInk);
    }
    return image;
}
