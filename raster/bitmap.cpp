// Bitmap storage and box arithmetic.
#include "raster/bitmap.h"

#include <algorithm>

namespace raster {

Box Box::Intersect(const Box& o) const {
  Box r{std::max(x0, o.x0), std::max(y0, o.y0), std::min(x1, o.x1), std::min(y1, o.y1)};
  if (r.Empty()) return Box{};
  return r;
}

Bitmap::Bitmap(int width, int height, Pixel fill) {
  if (width < 1 || height < 1 || width > kMaxSide || height > kMaxSide ||
      long(width) * long(height) > kMaxPixels)
    return;
  width_ = width;
  height_ = height;
  pixels_.assign(std::size_t(width) * std::size_t(height), fill);
}

void Bitmap::Fill(Pixel p) { std::fill(pixels_.begin(), pixels_.end(), p); }

}  // namespace raster
