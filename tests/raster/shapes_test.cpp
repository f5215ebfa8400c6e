// Points, lines, arcs, circles, fills and the clamping rules of direct pixel runs.
#include "raster/shapes.h"

#include <gtest/gtest.h>

#include <cmath>

using raster::Bitmap;
using raster::BlendMode;
using raster::Box;
using raster::MakePixel;
using raster::Paint;
using raster::Pixel;

namespace {

constexpr Pixel kBlack = MakePixel(255, 0, 0, 0);
constexpr Pixel kWhite = MakePixel(255, 255, 255, 255);

Paint White(bool antialias = false) { return Paint{kWhite, BlendMode::kAlpha, 1.0f, antialias}; }

int Lit(const Bitmap& b) {
  int n = 0;
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x) n += b.At(x, y) != kBlack;
  return n;
}

double Brightness(const Bitmap& b) {
  double sum = 0;
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x) sum += raster::RedOf(b.At(x, y)) / 255.0;
  return sum;
}

TEST(PixelRuns, CoordinatesAreClampedIntoTheBitmap) {
  Bitmap b(10, 8, kBlack);
  raster::VerticalRun(b, -5, -3, 100, kWhite);  // whole first column
  EXPECT_EQ(Lit(b), 8);
  EXPECT_EQ(b.At(0, 7), kWhite);
  raster::HorizontalRun(b, 50, 8, 200, kWhite);  // last row from x = 8
  EXPECT_EQ(b.At(9, 7), kWhite);
  EXPECT_EQ(b.At(8, 7), kWhite);
  EXPECT_EQ(Lit(b), 10);
  // A run entirely above the bitmap clamps onto its first row.
  raster::VerticalRun(b, 4, -9, -2, kWhite);
  EXPECT_EQ(b.At(4, 0), kWhite);
  EXPECT_EQ(Lit(b), 11);
}

TEST(PixelRuns, ReversedEndsDrawNothingAndRunsDoNotBlend) {
  Bitmap b(10, 8, kBlack);
  raster::VerticalRun(b, 3, 6, 5, kWhite);
  raster::HorizontalRun(b, 3, 6, 2, kWhite);
  EXPECT_EQ(Lit(b), 0);
  raster::HorizontalRun(b, 2, 1, 3, MakePixel(0, 9, 9, 9));
  EXPECT_EQ(b.At(2, 2), MakePixel(0, 9, 9, 9)) << "written directly, alpha included";
  Bitmap empty;
  raster::VerticalRun(empty, 0, 0, 5, kWhite);
  raster::HorizontalRun(empty, 0, 0, 5, kWhite);
}

TEST(PixelAccess, OutsideReadsAreTransparentAndWritesIgnored) {
  Bitmap b(4, 4, kBlack);
  raster::PutPixel(b, 4, 0, kWhite);
  raster::PutPixel(b, -1, 2, kWhite);
  EXPECT_EQ(Lit(b), 0);
  raster::PutPixel(b, 3, 3, kWhite);
  EXPECT_EQ(raster::GetPixel(b, 3, 3), kWhite);
  EXPECT_EQ(raster::GetPixel(b, 0, 4), 0u);
  EXPECT_EQ(raster::GetPixel(b, -1, -1), 0u);
}

TEST(Lines, PlainLinesIncludeBothEnds) {
  Bitmap b(20, 20, kBlack);
  raster::DrawLine(b, b.Bounds(), 2.5, 3.5, 12.5, 3.5, White());
  EXPECT_EQ(Lit(b), 11);
  EXPECT_EQ(b.At(2, 3), kWhite);
  EXPECT_EQ(b.At(12, 3), kWhite);
  Bitmap d(20, 20, kBlack);
  raster::DrawLine(d, d.Bounds(), 1.5, 1.5, 9.5, 9.5, White());
  for (int i = 1; i <= 9; ++i) EXPECT_EQ(d.At(i, i), kWhite);
  EXPECT_EQ(Lit(d), 9);
}

TEST(Lines, AntialiasedLinesCarryTheirLengthInCoverage) {
  Bitmap b(40, 40, kBlack);
  // A line of slope 1/3 from x = 5 to x = 35 puts about one pixel of coverage per column.
  raster::DrawLine(b, b.Bounds(), 5.5, 10.5, 35.5, 20.5, White(true));
  EXPECT_NEAR(Brightness(b), 31.0, 1.5);
  EXPECT_GT(Lit(b), 31) << "edges are spread over neighbouring pixels";
}

TEST(Lines, ClippedAndHugeLinesStayInsideTheClip) {
  Bitmap b(30, 30, kBlack);
  const Box clip{10, 10, 20, 20};
  raster::DrawLine(b, clip, -1e9, -1e9, 1e9, 1e9, White());
  raster::DrawLine(b, clip, -1e9, 15.5, 1e9, 15.5, White(true));
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 30; ++x)
      if (!clip.Contains(x, y)) {
        ASSERT_EQ(b.At(x, y), kBlack) << x << "," << y;
      }
  EXPECT_EQ(b.At(15, 15), kWhite);
  EXPECT_EQ(b.At(12, 15), kWhite);
  raster::DrawLine(b, b.Bounds(), std::nan(""), 0, 5, 5, White());
  raster::DrawLine(b, b.Bounds(), 0, 0, INFINITY, 5, White(true));
}

TEST(Points, PlainAndAntialiased) {
  Bitmap b(8, 8, kBlack);
  raster::DrawPoint(b, b.Bounds(), 3.5, 4.5, White());
  EXPECT_EQ(b.At(3, 4), kWhite);
  EXPECT_EQ(Lit(b), 1);
  Bitmap a(8, 8, kBlack);
  raster::DrawPoint(a, a.Bounds(), 4.0, 4.0, White(true));  // a pixel corner: four quarters
  EXPECT_EQ(Lit(a), 4);
  EXPECT_NEAR(raster::RedOf(a.At(3, 3)), 64, 1);
  EXPECT_NEAR(Brightness(a), 1.0, 0.02);
}

TEST(Circles, RingPixelsLieAtTheRadius) {
  Bitmap b(40, 40, kBlack);
  raster::DrawCircle(b, b.Bounds(), 20.0, 20.0, 10.0, White());
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 40; ++x)
      if (b.At(x, y) != kBlack) {
        EXPECT_NEAR(std::hypot(x + 0.5 - 20.0, y + 0.5 - 20.0), 10.0, 0.5);
      }
  EXPECT_EQ(b.At(20, 10), kWhite);
  EXPECT_EQ(b.At(29, 20), kWhite);
  EXPECT_EQ(b.At(20, 20), kBlack);
  Bitmap a(40, 40, kBlack);
  raster::DrawCircle(a, a.Bounds(), 20.0, 20.0, 10.0, White(true));
  EXPECT_NEAR(Brightness(a), 2 * M_PI * 10.0, 3.0);
}

TEST(Circles, ArcsCoverOnlyTheirSweep) {
  Bitmap b(40, 40, kBlack);
  // Twelve to three o'clock: the top-right quarter.
  raster::DrawArc(b, b.Bounds(), 20.0, 20.0, 10.0, 0.0, 90.0, White(true));
  int outside = 0;
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 40; ++x)
      if (b.At(x, y) != kBlack && (x < 19 || y > 20)) ++outside;
  EXPECT_EQ(outside, 0);
  EXPECT_GT(Lit(b), 14);
  // Reversed angles give the same arc; a negative radius nothing.
  Bitmap r(40, 40, kBlack);
  raster::DrawArc(r, r.Bounds(), 20.0, 20.0, 10.0, 90.0, 0.0, White(true));
  EXPECT_EQ(Lit(r), Lit(b));
  Bitmap n(40, 40, kBlack);
  raster::DrawArc(n, n.Bounds(), 20.0, 20.0, -3.0, 0.0, 360.0, White(true));
  EXPECT_EQ(Lit(n), 0);
}

TEST(Fills, AlphaBlendedAndClipped) {
  Bitmap b(10, 10, kBlack);
  raster::FillBox(b, Box{0, 0, 5, 10}, Box{-3, 2, 8, 4},
                  Paint{MakePixel(128, 255, 255, 255), BlendMode::kAlpha, 1.0f, false});
  EXPECT_EQ(Lit(b), 10);
  EXPECT_EQ(raster::RedOf(b.At(4, 3)), 128);
  EXPECT_EQ(b.At(5, 3), kBlack);
  raster::FillBox(b, b.Bounds(), Box{6, 6, 6, 9}, White());
  EXPECT_EQ(Lit(b), 10);
}

}  // namespace
