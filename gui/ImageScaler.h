// Resampling of the editor's bitmaps to the scales between those they are drawn
// at. The filter is a Catmull-Rom cubic, separable, with clamp-to-edge sampling;
// when an axis shrinks the kernel is widened by the ratio, so fine detail
// averages out instead of aliasing. The weights become 14-bit integers and the
// pixels are filtered in integers, so every build computes the same bytes.
#pragma once

#include <cstdint>

#include "gui/BmpImage.h"

// source resampled to width x height. Output pixel i's centre lies at source
// position (i + 0.5) * sourceSize / size - 0.5 on each axis, so an image kept at
// its size comes back unchanged. A size below 1, an empty or inconsistent source,
// a result larger than kBmpMaxSide or kBmpMaxPixels, or a failed allocation
// answers an empty image (width 0).
BmpImage scaleImage(const BmpImage& source, std::int32_t width, std::int32_t height);

// source as `tiles` frames of equal height stacked from the top (a filmstrip),
// each resampled on its own to width x tileHeight so that no frame bleeds into
// its neighbours; answers the frames stacked in the same order. tiles must
// divide the source's height; otherwise as scaleImage.
BmpImage scaleTiles(const BmpImage& source, std::int32_t tiles, std::int32_t width, std::int32_t tileHeight);
