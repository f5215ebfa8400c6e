// PNG encoding of a bitmap, for the artwork and preview tools and for tests.
#pragma once

#include <string>
#include <vector>

#include "raster/bitmap.h"

namespace raster {

// Encodes the bitmap as an 8-bit RGBA PNG. Returns false with the reason in error on failure.
bool EncodePng(const Bitmap& bitmap, std::vector<unsigned char>& out, std::string& error);

// Writes the bitmap as a PNG file; the file is written completely or not replaced.
bool WritePngFile(const Bitmap& bitmap, const std::string& path, std::string& error);

}  // namespace raster
