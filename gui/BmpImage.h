// Windows BMP files held in memory: decoding the uncompressed 24-bit and 8-bit
// palettised kinds into 24-bit pixels, and encoding 24-bit pixels as a BMP file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// A 24-bit image: rows from top to bottom, each row width x 3 bytes in the order
// blue, green, red (as a 24-bit DIB stores them), with no row padding.
struct BmpImage {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<unsigned char> pixels;
};

// Images larger than this on either side, or with more pixels in all, are refused.
constexpr std::int32_t kBmpMaxSide = 32768;
constexpr std::int64_t kBmpMaxPixels = std::int64_t{1} << 26;

// Decodes a whole BMP file: BITMAPFILEHEADER ("BM"), then a BITMAPINFOHEADER of
// 40 bytes or one of its longer versions (52, 56, 108 or 124 bytes; the extra
// fields are ignored), uncompressed (BI_RGB), 24 bits per pixel or 8 bits with a
// palette of up to 256 entries, rows stored bottom-up (positive height) or
// top-down (negative height), each padded to a multiple of 4 bytes. The pixel
// data must be complete, including the padding of the last row.
// A palette entry gives its blue, green and red bytes unchanged; an index past
// the end of the palette gives black. Anything else (other depths or planes,
// compression, a zero or oversized image, a header or palette that overlaps the
// pixel data, truncated data) is refused with false and leaves image untouched.
// Never reads outside data[0, size).
bool decodeBmp(const unsigned char* data, std::size_t size, BmpImage& image);

