// Encodes pictures as PNG files with libpng.
#pragma once

#include <string>
#include <vector>

// A 24-bit RGB PNG file of a picture given as rows top to bottom of blue,
// green, red bytes, width * 3 bytes a row and no padding. False with a
// one-line reason.
bool encodePng(const unsigned char* bgr, int width, int height, std::vector<unsigned char>& png, std::string& error);
