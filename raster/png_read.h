// PNG decoding from memory into a bitmap.
#pragma once

#include <cstddef>
#include <string>

#include "raster/bitmap.h"

namespace raster {

// Decodes a PNG image held in memory (any PNG colour type and depth) into out as 8-bit straight
// alpha pixels. On failure returns false, leaves out empty and puts the reason into error; a
// damaged or hostile image never crashes and never causes an allocation beyond Bitmap::kMaxSide.
bool DecodePng(const void* data, std::size_t size, Bitmap& out, std::string& error);

}  // namespace raster
