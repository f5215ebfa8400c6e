// Damaged and hostile PNG images for the raster library's decoder: no crash, no allocation beyond
// its limits, and an image that decodes survives our encoder and decodes to the same pixels.
#include <cstdint>
#include <cstring>
#include <vector>

#include "raster/png_read.h"
#include "raster/png_write.h"
#include "tests/fuzz/fuzz_finding.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  raster::Bitmap image;
  std::string error;
  if (!raster::DecodePng(data, size, image, error)) {
    if (error.empty() || !image.Empty()) fuzz::Finding("a refusal without a reason or with pixels");
    return 0;
  }
  if (image.Width() < 1 || image.Height() < 1 ||
      long{image.Width()} * image.Height() > raster::Bitmap::kMaxPixels) {
    fuzz::Finding("decoded size out of range");
  }
  std::vector<unsigned char> encoded;
  if (!raster::EncodePng(image, encoded, error)) fuzz::Finding("re-encoding failed: " + error);
  raster::Bitmap again;
  if (!raster::DecodePng(encoded.data(), encoded.size(), again, error)) {
    fuzz::Finding("a re-encoded image does not decode: " + error);
  }
  if (again.Width() != image.Width() || again.Height() != image.Height() ||
      std::memcmp(again.Data(), image.Data(),
                  sizeof(*image.Data()) * static_cast<std::size_t>(image.Width()) *
                      static_cast<std::size_t>(image.Height())) != 0) {
    fuzz::Finding("a re-encoded image decodes to other pixels");
  }
  return 0;
}
