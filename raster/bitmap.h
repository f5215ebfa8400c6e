// 32-bit pixel bitmaps and the clip box every raster operation takes.
#pragma once

#include <cstdint>
#include <vector>

namespace raster {

// One pixel as 0xAARRGGBB with straight (not premultiplied) alpha. On little-endian machines the
// bytes lie in memory as B, G, R, A, which is what X11 takes for a 24/32-bit TrueColor ZPixmap.
using Pixel = std::uint32_t;

constexpr Pixel MakePixel(int a, int r, int g, int b) {
  return (Pixel(a & 255) << 24) | (Pixel(r & 255) << 16) | (Pixel(g & 255) << 8) | Pixel(b & 255);
}
constexpr int AlphaOf(Pixel p) { return int(p >> 24); }
constexpr int RedOf(Pixel p) { return int((p >> 16) & 255); }
constexpr int GreenOf(Pixel p) { return int((p >> 8) & 255); }
constexpr int BlueOf(Pixel p) { return int(p & 255); }

// A half-open box of pixels: x0 <= x < x1, y0 <= y < y1. Empty when it holds no pixel.
struct Box {
  int x0 = 0, y0 = 0, x1 = 0, y1 = 0;

  bool Empty() const { return x1 <= x0 || y1 <= y0; }
  bool Contains(int x, int y) const { return x >= x0 && x < x1 && y >= y0 && y < y1; }
  Box Intersect(const Box& o) const;
};

// A width × height array of pixels, rows top to bottom without padding. Sizes below 1 give an
// empty bitmap; every operation accepts an empty bitmap and does nothing with it.
class Bitmap {
 public:
  // Largest accepted side and area; larger requests give an empty bitmap rather than a huge
  // allocation (16 M pixels = 64 MB).
  static constexpr int kMaxSide = 1 << 15;
  static constexpr long kMaxPixels = 1L << 24;

  Bitmap() = default;
  Bitmap(int width, int height, Pixel fill = 0);

  int Width() const { return width_; }
  int Height() const { return height_; }
  bool Empty() const { return pixels_.empty(); }
  Box Bounds() const { return Box{0, 0, width_, height_}; }

  Pixel* Data() { return pixels_.data(); }
  const Pixel* Data() const { return pixels_.data(); }
  Pixel* Row(int y) { return pixels_.data() + std::size_t(y) * std::size_t(width_); }
  const Pixel* Row(int y) const { return pixels_.data() + std::size_t(y) * std::size_t(width_); }

  // Unchecked access; callers keep (x, y) inside Bounds().
  Pixel At(int x, int y) const { return Row(y)[x]; }
  Pixel& At(int x, int y) { return Row(y)[x]; }

  void Fill(Pixel p);

 private:
  int width_ = 0;
  int height_ = 0;
  std::vector<Pixel> pixels_;
};

}  // namespace raster
