// PNG decoding with libpng's simplified read API (which keeps libpng's longjmp inside libpng).
#include "raster/png_read.h"

#include <png.h>

#include <cstring>

namespace raster {

namespace {

// Frees libpng's state on every way out, an allocation failure (exception) included.
struct ImageGuard {
  png_image image;
  ImageGuard() {
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
  }
  ~ImageGuard() { png_image_free(&image); }
};

}  // namespace

bool DecodePng(const void* data, std::size_t size, Bitmap& out, std::string& error) {
  out = Bitmap();
  if (data == nullptr || size < 8) {
    error = "not a PNG image: too short";
    return false;
  }
  if (png_sig_cmp(static_cast<png_const_bytep>(data), 0, 8) != 0) {
    error = "not a PNG image: bad signature";
    return false;
  }
  ImageGuard guard;
  png_image& image = guard.image;
  if (!png_image_begin_read_from_memory(&image, data, size)) {
    error = std::string("PNG header: ") + image.message;
    return false;
  }
  if (image.width < 1 || image.height < 1 || image.width > unsigned(Bitmap::kMaxSide) ||
      image.height > unsigned(Bitmap::kMaxSide) ||
      long(image.width) * long(image.height) > Bitmap::kMaxPixels) {
    error = "PNG image size " + std::to_string(image.width) + " x " + std::to_string(image.height) +
            " out of range";
    return false;
  }
  // B, G, R, A bytes in memory are the 0xAARRGGBB pixels on little-endian machines.
  image.format = PNG_FORMAT_BGRA;
  Bitmap bitmap(int(image.width), int(image.height));
  if (bitmap.Empty()) {
    error = "PNG image too large";
    return false;
  }
  if (!png_image_finish_read(&image, nullptr, bitmap.Data(), int(image.width * 4), nullptr)) {
    error = std::string("PNG data: ") + image.message;
    return false;
  }
  out = std::move(bitmap);
  return true;
}

}  // namespace raster
