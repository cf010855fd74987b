#include "gui/BmpImage.h"

#include <cstring>
#include <utility>

namespace {

constexpr std::size_t kFileHeaderBytes = 14;
constexpr std::size_t kInfoHeaderBytes = 40;

std::uint16_t readU16(const unsigned char* p)
{
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t readU32(const unsigned char* p)
{
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

std::int64_t readI32(const unsigned char* p)
{
    const std::uint32_t raw = readU32(p);
    return raw < 0x80000000u ? static_cast<std::int64_t>(raw)
                             : static_cast<std::int64_t>(raw) - (std::int64_t{1} << 32);
}

// BITMAPINFOHEADER and the later versions that begin with it.
bool isKnownHeaderSize(std::uint32_t size)
{
    return size == 40 || size == 52 || size == 56 || size == 108 || size == 124;
}

}  // namespace

bool decodeBmp(const unsigned char* data, std::size_t size, BmpImage& image)
{
    if (data == nullptr || size < kFileHeaderBytes + kInfoHeaderBytes) {
        return false;
    }
    if (data[0] != 'B' || data[1] != 'M') {
        return false;
    }
    const std::uint64_t pixelOffset = readU32(data + 10);
    const std::uint32_t headerSize = readU32(data + 14);
    if (!isKnownHeaderSize(headerSize) || kFileHeaderBytes + headerSize > size) {
        return false;
    }
    const std::int64_t width = readI32(data + 18);
    const std::int64_t storedHeight = readI32(data + 22);
    const std::uint16_t planes = readU16(data + 26);
    const std::uint16_t bitsPerPixel = readU16(data + 28);
    const std::uint32_t compression = readU32(data + 30);
    const std::uint32_t coloursUsed = readU32(data + 46);

    if (planes != 1 || compression != 0 || (bitsPerPixel != 24 && bitsPerPixel != 8)) {
        return false;
    }
    const bool topDown = storedHeight < 0;
    const std::int64_t height = topDown ? -storedHeight : storedHeight;
    if (width <= 0 || height <= 0 || width > kBmpMaxSide || height > kBmpMaxSide ||
        width * height > kBmpMaxPixels) {
        return false;
    }

    const std::uint64_t paletteStart = kFileHeaderBytes + headerSize;
    std::uint64_t paletteEntries = 0;
    if (bitsPerPixel == 8) {
        paletteEntries = coloursUsed == 0 ? 256 : coloursUsed;
        if (paletteEntries > 256) {
            return false;
        }
    }
    if (pixelOffset < paletteStart + 4 * paletteEntries) {
        return false;
    }
    const std::uint64_t stride = (static_cast<std::uint64_t>(width) * bitsPerPixel + 31) / 32 * 4;
    const std::uint64_t rows = static_cast<std::uint64_t>(height);
    if (pixelOffset > size || stride * rows > size - pixelOffset) {
        return false;
    }

    const std::size_t rowBytes = static_cast<std::size_t>(width) * 3;
    BmpImage decoded;
    decoded.width = static_cast<std::int32_t>(width);
    decoded.height = static_cast<std::int32_t>(height);
    decoded.pixels.resize(rowBytes * static_cast<std::size_t>(height));
    const unsigned char* palette = data + paletteStart;
    for (std::uint64_t row = 0; row < rows; ++row) {
        const std::uint64_t storedRow = topDown ? row : rows - 1 - row;
        const unsigned char* in = data + pixelOffset + storedRow * stride;
        unsigned char* out = decoded.pixels.data() + static_cast<std::size_t>(row) * rowBytes;
        if (bitsPerPixel == 24) {
            std::memcpy(out, in, rowBytes);
            continue;
        }
        for (std::int64_t x = 0; x < width; ++x, out += 3) {
            const unsigned index = in[x];
            if (index < paletteEntries) {
                // An RGBQUAD: blue, green, red, reserved.
                out[0] = palette[4 * index];
                out[1] = palette[4 * index + 1];
                out[2] = palette[4 * index + 2];
            } else {
                out[0] = out[1] = out[2] = 0;
            }
        }
    }
    image = std::move(decoded);
    return true;
}

