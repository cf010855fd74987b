// The field in which a knob's value is typed, drawn on the editor at the knob
// with the pixel font: the text, a caret, the whole text selected at first so
// that typing replaces it. When a typed value is refused, the reason stands in
// its place for a moment.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "gui/BmpImage.h"
#include "gui/GuiPlatform.h"

class ValueField {
public:
    static constexpr std::size_t kMaxLength = 24;

    // What a key did to the field.
    enum class Outcome { Unused, Edited, Apply, Cancel };

    // Opens under the control's box with the text selected, at the editor's
    // scale, moved inside the window.
    void open(const GuiRect& control, const std::string& text, float scale, std::int32_t windowWidth,
              std::int32_t windowHeight);
    // Shows the reason in the field's place; it takes no keys.
    void showNotice(const std::string& reason);
    void close();
    // The field takes keys.
    bool isEditing() const { return editing; }
    // The field or a notice is on the editor.
    bool isShown() const { return editing || noticing; }
    bool isNotice() const { return noticing; }
    GuiRect box() const { return isShown() ? area : GuiRect{0, 0, 0, 0}; }
    const std::string& text() const { return words; }
    std::size_t caretAt() const { return caret; }
    bool isSelected() const { return selected; }
    // A key: a named one, or else the character (printable ASCII only).
    Outcome key(GuiKey named, std::uint32_t character);
    // Whether key() would use it.
    bool wants(GuiKey named, std::uint32_t character) const;
    // The field's pixels, box() in size.
    BmpImage render() const;

private:
    void place();

    std::string words;
    std::size_t caret = 0;
    bool selected = false;
    bool editing = false;
    bool noticing = false;
    GuiRect anchor{0, 0, 0, 0};  // the control's box
    GuiRect area{0, 0, 0, 0};
    std::int32_t block = 1;
    std::int32_t windowWidth = 0;
    std::int32_t windowHeight = 0;
};
