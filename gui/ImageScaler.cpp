#include "gui/ImageScaler.h"
BmpImage scaleImage(const BmpImage& source, std::int32_t width, std::int32_t height)
{ return scaleTiles(source, 1, width, height); }
BmpImage scaleTiles(const BmpImage& source, std::int32_t tiles, std::int32_t width, std::int32_t tileHeight)
{
    BmpImage out; out.width = width; out.height = tileHeight * tiles;
    out.pixels.resize(static_cast<std::size_t>(width) * out.height * 3);
    const int th = source.height / tiles;
    for (int y = 0; y < out.height; ++y) for (int x = 0; x < width; ++x) {
        int t = y / tileHeight, yy = (y % tileHeight) * th / tileHeight + t * th, xx = x * source.width / width;
        for (int c = 0; c < 3; ++c) out.pixels[(static_cast<std::size_t>(y) * width + x) * 3 + c] = source.pixels[(static_cast<std::size_t>(yy) * source.width + xx) * 3 + c];
    }
    return out;
}
