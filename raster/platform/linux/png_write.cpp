// PNG encoding with libpng's simplified write API.
#include "raster/png_write.h"

#include <png.h>

#include <cstring>

namespace raster {

bool EncodePng(const Bitmap& bitmap, std::vector<unsigned char>& out, std::string& error) {
  out.clear();
  if (bitmap.Empty()) {
    error = "empty bitmap";
    return false;
  }
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = png_uint_32(bitmap.Width());
  image.height = png_uint_32(bitmap.Height());
  image.format = PNG_FORMAT_BGRA;
  png_alloc_size_t size = 0;
  const int stride = bitmap.Width() * 4;
  if (!png_image_write_to_memory(&image, nullptr, &size, 0, bitmap.Data(), stride, nullptr)) {
    error = std::string("PNG encoder: ") + image.message;
    return false;
  }
  out.resize(size);
  if (!png_image_write_to_memory(&image, out.data(), &size, 0, bitmap.Data(), stride, nullptr)) {
    error = std::string("PNG encoder: ") + image.message;
    out.clear();
    return false;
  }
  out.resize(size);
  return true;
}

}  // namespace raster
