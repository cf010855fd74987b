// The editor's bitmaps, at 100 % and 200 %, as BMP files built into the
// module, for platforms without bitmap resources: found by resource number.
#pragma once

#include <cstddef>
#include <cstdint>

// The BMP file of a resource number; false for a number the module does not hold.
bool findEmbeddedBitmap(std::int32_t resourceId, const unsigned char*& data, std::size_t& size);
