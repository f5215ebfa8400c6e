// Text through FreeType: the font found by name, the drawn ink inside the expected box.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "raster/font.h"

using raster::Bitmap;
using raster::Box;
using raster::MakePixel;

namespace {

constexpr raster::Pixel kBlack = MakePixel(255, 0, 0, 0);

// Bounding box of the pixels that differ from black; empty when nothing was drawn.
Box Ink(const Bitmap& b) {
  Box ink{b.Width(), b.Height(), 0, 0};
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x)
      if (b.At(x, y) != kBlack) {
        ink.x0 = std::min(ink.x0, x), ink.y0 = std::min(ink.y0, y);
        ink.x1 = std::max(ink.x1, x + 1), ink.y1 = std::max(ink.y1, y + 1);
      }
  return ink.Empty() ? Box{} : ink;
}

std::unique_ptr<raster::Font> Arial(int size = 14) {
  std::string error;
  return raster::Font::Find("Arial", size, false, false, error);
}

TEST(Fonts, ArialIsFoundWithTheRequestedCellHeight) {
  auto font = Arial();
  if (font == nullptr) GTEST_SKIP() << "no fonts installed";
  EXPECT_GE(font->CellHeight(), 14);
  EXPECT_LE(font->CellHeight(), 17);
  EXPECT_GT(font->Ascent(), 9);
  EXPECT_LT(font->Ascent(), font->CellHeight());
  EXPECT_GT(font->TextWidth("Length"), 30);
  EXPECT_LT(font->TextWidth("Length"), 50);
  EXPECT_EQ(font->TextWidth(""), 0);
}

TEST(Fonts, MissingFilesAndSizesAreErrors) {
  std::string error;
  EXPECT_EQ(raster::Font::OpenFile("/nonexistent/font.ttf", 14, error), nullptr);
  EXPECT_FALSE(error.empty());
  auto font = Arial();
  if (font == nullptr) GTEST_SKIP() << "no fonts installed";
  EXPECT_EQ(raster::Font::OpenFile(font->Path(), 0, error), nullptr);
}

TEST(TextDrawing, InkStaysInTheCellFromTheTopEdge) {
  auto font = Arial();
  if (font == nullptr) GTEST_SKIP() << "no fonts installed";
  Bitmap b(120, 40, kBlack);
  font->Draw(b, b.Bounds(), 10, 12, "Grains/Sec", MakePixel(0, 255, 255, 255));
  const Box ink = Ink(b);
  ASSERT_FALSE(ink.Empty());
  EXPECT_GE(ink.x0, 10);
  EXPECT_LE(ink.x0, 12);
  EXPECT_LE(ink.x1, 10 + font->TextWidth("Grains/Sec") + 1);
  EXPECT_GE(ink.y0, 12);
  EXPECT_LE(ink.y1, 12 + font->CellHeight());
  // Colour alpha is ignored: the text is drawn opaque white.
  bool white = false;
  for (int y = ink.y0; y < ink.y1; ++y)
    for (int x = ink.x0; x < ink.x1; ++x) white |= b.At(x, y) == MakePixel(255, 255, 255, 255);
  EXPECT_TRUE(white);
}

TEST(TextDrawing, ClipBoxAndNonAsciiTextAreSafe) {
  auto font = Arial();
  if (font == nullptr) GTEST_SKIP() << "no fonts installed";
  Bitmap b(60, 30, kBlack);
  font->Draw(b, Box{0, 0, 20, 30}, 5, 5, "Wet Gain", MakePixel(255, 255, 255, 255));
  EXPECT_LE(Ink(b).x1, 20);
  // Text running off every edge of the bitmap, invalid UTF-8 and a multi-byte character.
  font->Draw(b, b.Bounds(), -30, -8, "\xC3\xA9\xFF\xE2\x82", MakePixel(255, 255, 255, 255));
  font->Draw(b, b.Bounds(), 50, 25, "Density 40 \xC2\xB5s", MakePixel(255, 255, 255, 255));
  EXPECT_GT(font->TextWidth("\xC2\xB5"), 0);
}

}  // namespace
