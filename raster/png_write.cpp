// PNG encoding with libpng's simplified write API.
#include "raster/png_write.h"

#include <png.h>

#include <cstdio>
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

bool WritePngFile(const Bitmap& bitmap, const std::string& path, std::string& error) {
  std::vector<unsigned char> bytes;
  if (!EncodePng(bitmap, bytes, error)) return false;
  const std::string tmp = path + ".tmp";
  std::FILE* f = std::fopen(tmp.c_str(), "wb");
  if (f == nullptr) {
    error = "cannot write " + tmp;
    return false;
  }
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  if (std::fclose(f) != 0 || !ok || std::rename(tmp.c_str(), path.c_str()) != 0) {
    std::remove(tmp.c_str());
    error = "cannot write " + path;
    return false;
  }
  return true;
}

}  // namespace raster
