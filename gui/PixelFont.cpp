#include "gui/PixelFont.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

struct Glyph {
    char character;
    const char* rows;  // seven rows of '#' and '.', separated by '|'
};

// Figures and the few letters the editor writes, in the narrow cut of the
// panel's captions.
constexpr Glyph kGlyphs[] = {
    {'0', "###|#.#|#.#|#.#|#.#|#.#|###"},   {'1', ".#.|##.|.#.|.#.|.#.|.#.|###"},
    {'2', "###|..#|..#|###|#..|#..|###"},   {'3', "###|..#|..#|.##|..#|..#|###"},
    {'4', "#.#|#.#|#.#|###|..#|..#|..#"},   {'5', "###|#..|#..|###|..#|..#|###"},
    {'6', "###|#..|#..|###|#.#|#.#|###"},   {'7', "###|..#|..#|.#.|.#.|.#.|.#."},
    {'8', "###|#.#|#.#|###|#.#|#.#|###"},   {'9', "###|#.#|#.#|###|..#|..#|###"},
    {'.', ".|.|.|.|.|.|#"},                 {'+', "...|...|.#.|###|.#.|...|..."},
    {'-', "...|...|...|###|...|...|..."},   {' ', "..|..|..|..|..|..|.."},
    {'%', "#...|#..#|..#.|.#..|#...|#..#|...#"},
    {'H', "#.#|#.#|#.#|###|#.#|#.#|#.#"},   {'z', "...|...|###|..#|.#.|#..|###"},
    {'k', "#..|#..|#.#|##.|#..|##.|#.#"},   {'d', "..#|..#|###|#.#|#.#|#.#|###"},
    {'B', "###.|#..#|#..#|###.|#..#|#..#|###."},
    {'A', ".##.|#..#|#..#|####|#..#|#..#|#..#"},
    {'U', "#..#|#..#|#..#|#..#|#..#|#..#|.##."},
    {'T', "###|.#.|.#.|.#.|.#.|.#.|.#."},   {'O', ".##.|#..#|#..#|#..#|#..#|#..#|.##."},
    {'M', "#...#|##.##|#.#.#|#.#.#|#...#|#...#|#...#"},
    {'I', "###|.#.|.#.|.#.|.#.|.#.|###"},   {'C', ".###|#...|#...|#...|#...|#...|.###"},
    {'Q', ".##.|#..#|#..#|#..#|#.##|#..#|.###"},
    {'>', "#...|.#..|..#.|...#|..#.|.#..|#..."},
    // The rest of the capitals, for menu items, typed text and the reasons a
    // typed value is refused; a small letter the font lacks is drawn as its capital.
    {'D', "##.|#.#|#.#|#.#|#.#|#.#|##."},   {'E', "###|#..|#..|###|#..|#..|###"},
    {'F', "###|#..|#..|###|#..|#..|#.."},   {'G', ".##|#..|#..|#.#|#.#|#.#|.##"},
    {'J', "..#|..#|..#|..#|..#|#.#|.#."},   {'K', "#.#|#.#|##.|#..|##.|#.#|#.#"},
    {'L', "#..|#..|#..|#..|#..|#..|###"},   {'N', "#..#|##.#|##.#|#.##|#.##|#..#|#..#"},
    {'P', "###|#.#|#.#|###|#..|#..|#.."},   {'R', "###.|#..#|#..#|###.|#.#.|#..#|#..#"},
    {'S', ".##|#..|#..|.#.|..#|..#|##."},   {'V', "#.#|#.#|#.#|#.#|#.#|.#.|.#."},
    {'W', "#...#|#...#|#...#|#.#.#|#.#.#|##.##|#...#"},
    {'X', "#.#|#.#|#.#|.#.|#.#|#.#|#.#"},   {'Y', "#.#|#.#|#.#|.#.|.#.|.#.|.#."},
    {'n', "...|...|##.|#.#|#.#|#.#|#.#"},   {'\'', "#|#|.|.|.|.|."},
    {':', ".|.|#|.|#|.|."},                 {',', ".|.|.|.|.|#|#"},
    {'(', ".#|#.|#.|#.|#.|#.|.#"},          {')', "#.|.#|.#|.#|.#|.#|#."},
    {'/', "..#|..#|.#.|.#.|.#.|#..|#.."},   {'=', "...|...|###|...|###|...|..."},
    {'Z', "###|..#|..#|.#.|#..|#..|###"},
};
constexpr const char* kMissing = "###|#.#|#.#|#.#|#.#|#.#|###";

const char* rowsOf(char character)
{
    for (const Glyph& glyph : kGlyphs) {
        if (glyph.character == character) {
            return glyph.rows;
        }
    }
    if (character >= 'a' && character <= 'z') {
        return rowsOf(static_cast<char>(character - 'a' + 'A'));
    }
    return kMissing;
}

std::int32_t widthOf(const char* rows) { return static_cast<std::int32_t>(std::strcspn(rows, "|")); }

}  // namespace

std::int32_t PixelFont::textWidth(const char* text)
{
    std::int32_t width = 0;
    for (const char* c = text; *c; ++c) {
        width += widthOf(rowsOf(*c)) + (c == text ? 0 : 1);
    }
    return width;
}

void PixelFont::fill(BmpImage& image, std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom,
                     Colour colour)
{
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, image.width);
    bottom = std::min(bottom, image.height);
    for (std::int32_t y = top; y < bottom; ++y) {
        unsigned char* p = image.pixels.data() + (static_cast<std::size_t>(y) * static_cast<std::size_t>(image.width) +
                                                  static_cast<std::size_t>(left)) * 3u;
        for (std::int32_t x = left; x < right; ++x, p += 3) {
            p[0] = static_cast<unsigned char>(colour >> 16);
            p[1] = static_cast<unsigned char>(colour >> 8);
            p[2] = static_cast<unsigned char>(colour);
        }
    }
}

void PixelFont::drawText(BmpImage& image, std::int32_t x, std::int32_t y, const char* text, Colour colour,
                         std::int32_t block)
{
    for (const char* c = text; *c; ++c) {
        const char* rows = rowsOf(*c);
        const std::int32_t width = widthOf(rows);
        std::int32_t row = 0, column = 0;
        for (const char* p = rows; *p; ++p) {
            if (*p == '|') {
                ++row;
                column = 0;
                continue;
            }
            if (*p == '#') {
                const std::int32_t left = x + column * block, top = y + row * block;
                fill(image, left, top, left + block, top + block, colour);
            }
            ++column;
        }
        x += (width + 1) * block;
    }
}

BmpImage PixelFont::framedBox(std::int32_t width, std::int32_t height, Colour frame, Colour inside, std::int32_t border)
{
    BmpImage image;
    if (width < 1 || height < 1) {
        return image;
    }
    try {
        image.pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3u);
    } catch (const std::bad_alloc&) {
        return image;
    }
    image.width = width;
    image.height = height;
    fill(image, 0, 0, width, height, frame);
    fill(image, border, border, width - border, height - border, inside);
    return image;
}
