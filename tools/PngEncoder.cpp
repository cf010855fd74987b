#include "tools/PngEncoder.h"

#include <png.h>

#include <cstring>

bool encodePng(const unsigned char* bgr, int width, int height, std::vector<unsigned char>& png, std::string& error)
{
    if (!bgr || width < 1 || height < 1) {
        error = "there is no picture to encode";
        return false;
    }
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = PNG_FORMAT_BGR;  // written as 8-bit RGB
    const png_int_32 stride = static_cast<png_int_32>(width) * 3;

    // Once for the size, then into a buffer of that size.
    png_alloc_size_t size = 0;
    if (!png_image_write_to_memory(&image, nullptr, &size, 0, bgr, stride, nullptr)) {
        error = std::string("cannot encode the PNG: ") + image.message;
        png_image_free(&image);
        return false;
    }
    png.assign(size, 0);
    if (!png_image_write_to_memory(&image, png.data(), &size, 0, bgr, stride, nullptr)) {
        error = std::string("cannot encode the PNG: ") + image.message;
        png_image_free(&image);
        png.clear();
        return false;
    }
    png.resize(size);
    return true;
}
