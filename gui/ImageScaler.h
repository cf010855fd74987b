#pragma once
#include "gui/BmpImage.h"
BmpImage scaleImage(const BmpImage& source, std::int32_t width, std::int32_t height);
BmpImage scaleTiles(const BmpImage& source, std::int32_t tiles, std::int32_t width, std::int32_t tileHeight);
