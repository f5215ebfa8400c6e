// Blits in the four blend modes, their weights, and clipping at every edge.
#include "raster/blit.h"

#include <gtest/gtest.h>

#include <cmath>

using raster::Bitmap;
using raster::BlendMode;
using raster::Box;
using raster::MakePixel;
using raster::Pixel;

namespace {

constexpr Pixel kGrey = MakePixel(255, 100, 100, 100);

Bitmap Solid(int w, int h, Pixel p) { return Bitmap(w, h, p); }

int CountEqual(const Bitmap& b, Pixel p) {
  int n = 0;
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x) n += b.At(x, y) == p;
  return n;
}

Pixel BlitOne(Pixel dst, Pixel src, BlendMode mode, float weight) {
  Bitmap d = Solid(1, 1, dst);
  const Bitmap s = Solid(1, 1, src);
  raster::Blit(d, d.Bounds(), 0, 0, s, 0, 0, 1, 1, mode, weight);
  return d.At(0, 0);
}

TEST(BlendModes, CopyReplacesAllChannelsIgnoringAlpha) {
  EXPECT_EQ(BlitOne(kGrey, MakePixel(0, 10, 20, 30), BlendMode::kCopy, 1.0f),
            MakePixel(0, 10, 20, 30));
}

TEST(BlendModes, CopyWithAlphaWeighsBySourceAlpha) {
  // Half-transparent white over grey 100: 100 + (255 - 100) * 128 / 255 = 178.
  const Pixel p = BlitOne(kGrey, MakePixel(128, 255, 255, 255), BlendMode::kAlpha, 1.0f);
  EXPECT_EQ(raster::RedOf(p), 178);
  EXPECT_EQ(raster::AlphaOf(p), 255) << "an opaque target stays opaque";
  EXPECT_EQ(BlitOne(kGrey, MakePixel(0, 255, 0, 0), BlendMode::kAlpha, 1.0f), kGrey);
  EXPECT_EQ(BlitOne(kGrey, MakePixel(255, 1, 2, 3), BlendMode::kAlpha, 1.0f),
            MakePixel(255, 1, 2, 3));
}

TEST(BlendModes, AddSaturatesAndWeighsByAlpha) {
  EXPECT_EQ(BlitOne(kGrey, MakePixel(255, 200, 50, 0), BlendMode::kAdd, 1.0f),
            MakePixel(255, 255, 150, 100));
  // Half alpha adds half the colour.
  const Pixel p = BlitOne(kGrey, MakePixel(128, 100, 100, 100), BlendMode::kAdd, 1.0f);
  EXPECT_EQ(raster::GreenOf(p), 150);
}

TEST(BlendModes, DodgeBrightensByTheSource) {
  // 100 / (1 - 51 / 255) = 125; black source leaves the target; white source saturates.
  EXPECT_EQ(raster::RedOf(BlitOne(kGrey, MakePixel(255, 51, 51, 51), BlendMode::kDodge, 1.0f)),
            125);
  EXPECT_EQ(BlitOne(kGrey, MakePixel(255, 0, 0, 0), BlendMode::kDodge, 1.0f), kGrey);
  EXPECT_EQ(BlitOne(kGrey, MakePixel(255, 255, 255, 255), BlendMode::kDodge, 1.0f),
            MakePixel(255, 255, 255, 255));
  EXPECT_EQ(
      BlitOne(MakePixel(255, 0, 0, 0), MakePixel(255, 255, 255, 255), BlendMode::kDodge, 1.0f),
      MakePixel(255, 0, 0, 0));
}

TEST(BlendWeights, ZeroLeavesTheTargetAndOneIsFull) {
  const Pixel src = MakePixel(255, 250, 0, 40);
  for (BlendMode mode : {BlendMode::kCopy, BlendMode::kAlpha, BlendMode::kAdd, BlendMode::kDodge}) {
    EXPECT_EQ(BlitOne(kGrey, src, mode, 0.0f), kGrey);
    EXPECT_EQ(BlitOne(kGrey, src, mode, -3.0f), kGrey);
    EXPECT_EQ(BlitOne(kGrey, src, mode, std::nanf("")), kGrey);
  }
  EXPECT_EQ(BlitOne(kGrey, src, BlendMode::kCopy, 1.0f), src);
  EXPECT_EQ(BlitOne(kGrey, src, BlendMode::kCopy, 7.0f), src);
  const Pixel half = BlitOne(kGrey, src, BlendMode::kCopy, 0.5f);
  EXPECT_EQ(raster::RedOf(half), 175);
  EXPECT_EQ(raster::GreenOf(half), 50);
}

TEST(BlitClipping, PartsOutsideTheTargetOnAllFourSidesAreDropped) {
  const Pixel red = MakePixel(255, 255, 0, 0);
  const Bitmap src = Solid(4, 4, red);
  struct Case {
    int dx, dy, expected;
  };
  // Overhanging the left, top, right, bottom edge and a corner of an 8 × 8 target.
  for (const Case c : {Case{-2, 2, 8}, Case{2, -3, 4}, Case{6, 2, 8}, Case{2, 7, 4},
                       Case{-3, -3, 1}, Case{9, 0, 0}, Case{0, -4, 0}}) {
    Bitmap dst = Solid(8, 8, kGrey);
    raster::Blit(dst, dst.Bounds(), c.dx, c.dy, src, 0, 0, 4, 4, BlendMode::kCopy, 1.0f);
    EXPECT_EQ(CountEqual(dst, red), c.expected) << c.dx << "," << c.dy;
    EXPECT_EQ(CountEqual(dst, kGrey), 64 - c.expected);
  }
}

TEST(BlitClipping, TheClipBoxBoundsEveryMode) {
  const Bitmap src = Solid(8, 8, MakePixel(255, 255, 255, 255));
  const Box clip{2, 3, 5, 7};
  for (BlendMode mode : {BlendMode::kCopy, BlendMode::kAlpha, BlendMode::kAdd, BlendMode::kDodge}) {
    Bitmap dst = Solid(8, 8, kGrey);
    raster::Blit(dst, clip, 0, 0, src, 0, 0, 8, 8, mode, 1.0f);
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 8; ++x)
        EXPECT_EQ(dst.At(x, y) != kGrey, clip.Contains(x, y)) << x << "," << y;
  }
}

TEST(BlitClipping, EmptyAreasAndMissingSourceDrawNothing) {
  const Bitmap src = Solid(4, 4, MakePixel(255, 255, 0, 0));
  Bitmap dst = Solid(8, 8, kGrey);
  raster::Blit(dst, Box{}, 0, 0, src, 0, 0, 4, 4, BlendMode::kCopy, 1.0f);
  raster::Blit(dst, dst.Bounds(), 0, 0, src, 0, 0, 0, 4, BlendMode::kCopy, 1.0f);
  raster::Blit(dst, dst.Bounds(), 0, 0, src, 0, 0, 4, -1, BlendMode::kCopy, 1.0f);
  raster::Blit(dst, dst.Bounds(), 0, 0, src, 4, 0, 4, 4, BlendMode::kCopy, 1.0f);
  raster::Blit(dst, dst.Bounds(), 0, 0, Bitmap(), 0, 0, 4, 4, BlendMode::kCopy, 1.0f);
  raster::Blit(dst, Box{0, 0, 1 << 30, 1 << 30}, -(1 << 30), 0, src, 0, 0, 1 << 30, 4,
               BlendMode::kCopy, 1.0f);
  EXPECT_EQ(CountEqual(dst, kGrey), 64);
  // A source area that runs past the source copies only the pixels that exist.
  raster::Blit(dst, dst.Bounds(), 0, 0, src, 2, 2, 8, 8, BlendMode::kCopy, 1.0f);
  EXPECT_EQ(CountEqual(dst, kGrey), 60);
}

TEST(RotatedBlit, QuarterTurnMovesTheMarkedCorner) {
  // 4 × 4 transparent bitmap with an opaque red top-left corner pixel.
  Bitmap src = Solid(4, 4, 0);
  src.At(0, 0) = MakePixel(255, 255, 0, 0);
  Bitmap plain = Solid(20, 20, kGrey), turned = Solid(20, 20, kGrey);
  raster::RotatedBlit(plain, plain.Bounds(), src, 10, 10, 0.0, 0.0, BlendMode::kAlpha, 1.0f);
  EXPECT_EQ(plain.At(8, 8), MakePixel(255, 255, 0, 0));
  EXPECT_EQ(plain.At(11, 11), kGrey);
  // A clockwise quarter turn takes the top-left corner to the top-right.
  raster::RotatedBlit(turned, turned.Bounds(), src, 10, 10, M_PI / 2, 0.0, BlendMode::kAlpha, 1.0f);
  EXPECT_GT(raster::RedOf(turned.At(11, 8)), 200);
  EXPECT_EQ(turned.At(8, 8), kGrey);
}

TEST(RotatedBlit, OffsetTurnsWithTheBitmapAndCopyLeavesTheOutside) {
  Bitmap src = Solid(2, 2, MakePixel(255, 0, 0, 255));
  Bitmap dst = Solid(20, 20, kGrey);
  // Centre 5 below (10, 10) at angle 0; half a turn puts it 5 above.
  raster::RotatedBlit(dst, dst.Bounds(), src, 10, 10, M_PI, 5.0, BlendMode::kCopy, 1.0f);
  EXPECT_EQ(raster::BlueOf(dst.At(9, 4)), 255);
  EXPECT_EQ(dst.At(9, 15), kGrey);
  EXPECT_EQ(CountEqual(dst, kGrey), 400 - 4);
}

TEST(Resampling, AveragesAreaAndKeepsTransparentEdgesClean) {
  Bitmap src = Solid(2, 2, MakePixel(255, 200, 0, 0));
  src.At(1, 1) = MakePixel(0, 0, 0, 0);
  const Bitmap one = raster::Scaled(src, 1, 1);
  ASSERT_EQ(one.Width(), 1);
  EXPECT_EQ(raster::RedOf(one.At(0, 0)), 200) << "transparent black must not darken";
  EXPECT_EQ(raster::AlphaOf(one.At(0, 0)), 191);
  const Bitmap big = raster::Scaled(Solid(3, 2, kGrey), 7, 5);
  EXPECT_EQ(big.Width(), 7);
  EXPECT_EQ(CountEqual(big, kGrey), 35);
  EXPECT_TRUE(raster::Scaled(src, 0, 4).Empty());
  EXPECT_TRUE(raster::Scaled(Bitmap(), 4, 4).Empty());
}

TEST(Resampling, CroppingOutsideTheSourceIsTransparent) {
  const Bitmap c = raster::Cropped(Solid(4, 4, kGrey), 2, -1, 4, 3);
  ASSERT_EQ(c.Width(), 4);
  EXPECT_EQ(c.At(0, 0), 0u);
  EXPECT_EQ(c.At(1, 1), kGrey);
  EXPECT_EQ(c.At(2, 1), 0u);
}

}  // namespace
