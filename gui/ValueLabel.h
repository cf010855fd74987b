// The value of the knob being turned or pointed at, in its unit, drawn in a
// small box under the knob (inside the editor) until the pointer moves on.
#pragma once

#include <cstdint>
#include <string>

#include "gui/BmpImage.h"
#include "gui/GuiPlatform.h"

class ValueLabel {
public:
    // Shows the text under the control's box, at the editor's scale, moved
    // inside the window.
    void place(const GuiRect& control, const std::string& text, float scale, std::int32_t windowWidth,
               std::int32_t windowHeight);
    void clear() { words.clear(); }
    bool isShown() const { return !words.empty(); }
    GuiRect box() const { return isShown() ? area : GuiRect{0, 0, 0, 0}; }
    const std::string& text() const { return words; }
    // The label's pixels, box() in size.
    BmpImage render() const;

private:
    std::string words;
    GuiRect area{0, 0, 0, 0};
    std::int32_t block = 1;
};
