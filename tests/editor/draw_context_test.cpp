// The editor's drawing target: blend mapping, clipping to the draw rectangle, outlines,
// multi-frame bitmaps and aligned text.
#include "gui/draw_context.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "gui/bitmap_cache.h"
#include "raster/bitmap.h"

using namespace gui;

namespace {

const Color kWhite{255, 255, 255, 255};
const Color kBlack{255, 0, 0, 0};

// A retained one-pixel-per-frame strip; frame k (0-based) has red = 10 * (k + 1).
BitmapRef FrameStrip(int frames, int frameHeight) {
  auto b = std::make_unique<raster::Bitmap>(1, frames * frameHeight);
  for (int y = 0; y < b->Height(); ++y)
    b->At(0, y) = raster::MakePixel(255, 10 * (y / frameHeight + 1), 0, 0);
  return RetainBitmap(std::move(b), frames);
}

TEST(BlendMapping, EachMethodMapsToItsRasterMode) {
  DrawContext dc(4, 1);
  dc.FillRect(Color{255, 100, 100, 100}, Rect{0, 0, 4, 1}, nullptr);
  const BitmapRef src = RetainBitmap(std::make_unique<raster::Bitmap>(1, 1, 0x80FF0000u), 1);
  const Blend copy{BlendCopy, 1.0f}, none{BlendNone, 1.0f}, add{BlendAdd, 1.0f};
  dc.DrawBitmap(src, Rect{0, 0, 1, 1}, 0, 0, &copy);
  dc.DrawBitmap(src, Rect{1, 0, 2, 1}, 0, 0, &none);
  dc.DrawBitmap(src, Rect{2, 0, 3, 1}, 0, 0, nullptr);
  dc.DrawBitmap(src, Rect{3, 0, 4, 1}, 0, 0, &add);
  EXPECT_EQ(dc.GetPixel(0, 0), (Color{128, 255, 0, 0})) << "BlendCopy ignores alpha";
  EXPECT_EQ(dc.GetPixel(1, 0), (Color{255, 178, 50, 50})) << "BlendNone blends by alpha";
  EXPECT_EQ(dc.GetPixel(2, 0), dc.GetPixel(1, 0)) << "no blend is BlendNone";
  EXPECT_EQ(dc.GetPixel(3, 0), (Color{255, 228, 100, 100})) << "BlendAdd adds by alpha";
  const Blend dodge{BlendDodge, 0.0f};
  dc.DrawBitmap(src, Rect{0, 0, 4, 1}, 0, 0, &dodge);
  EXPECT_EQ(dc.GetPixel(3, 0), (Color{255, 228, 100, 100})) << "weight 0 draws nothing";
  ReleaseBitmap(src);
}

TEST(DrawRectangle, BlendedDrawingStaysInsideItButDirectRunsDoNot) {
  DrawContext dc(20, 20);
  dc.SetDrawRect(Rect{5, 5, 10, 10});
  dc.FillRect(kWhite, Rect{0, 0, 20, 20}, nullptr);
  dc.DrawLine(kWhite, 0, 12, 19, 12, nullptr, true);
  dc.DrawCircle(kWhite, 7, 7, 9, nullptr, false);
  EXPECT_EQ(dc.GetPixel(5, 5), kWhite);
  EXPECT_EQ(dc.GetPixel(9, 9), kWhite);
  EXPECT_EQ(dc.GetPixel(10, 9), kBlack);
  EXPECT_EQ(dc.GetPixel(4, 12), kBlack);
  dc.SetPixel(kWhite, 0, 0);
  dc.DrawHorizontalLine(kWhite, 19, 0, 3);
  EXPECT_EQ(dc.GetPixel(0, 0), kWhite);
  EXPECT_EQ(dc.GetPixel(3, 19), kWhite);
  EXPECT_EQ(dc.GetPixel(-1, 0), (Color{0, 0, 0, 0}));
}

TEST(DrawRectangle, OutlineIncludesRightAndBottomEdges) {
  DrawContext dc(12, 12);
  dc.DrawRect(kWhite, Rect{2, 3, 6, 8});
  int lit = 0;
  for (int y = 0; y < 12; ++y)
    for (int x = 0; x < 12; ++x) lit += dc.GetPixel(x, y) == kWhite;
  EXPECT_EQ(lit, 2 * 5 + 2 * 4);
  EXPECT_EQ(dc.GetPixel(6, 8), kWhite);
  EXPECT_EQ(dc.GetPixel(4, 5), kBlack);
  // An outline of the whole editor lands on its last row and column.
  DrawContext full(8, 6);
  full.DrawRect(kWhite, Rect{0, 0, 8, 6});
  EXPECT_EQ(full.GetPixel(7, 5), kWhite);
}

TEST(MultiFrameBitmaps, FrameIStartsAtTheRoundedShareOfTheHeight) {
  // Three frames in a 10-pixel strip: sources at 0, int(10/3 + 0.5) = 3, int(20/3 + 0.5) = 7.
  auto b = std::make_unique<raster::Bitmap>(1, 10);
  for (int y = 0; y < 10; ++y) b->At(0, y) = raster::MakePixel(255, y, 0, 0);
  const BitmapRef strip = RetainBitmap(std::move(b), 3);
  DrawContext dc(3, 1);
  for (int i = 1; i <= 3; ++i) dc.DrawBitmapFrame(strip, Rect{i - 1, 0, i, 1}, i, nullptr);
  EXPECT_EQ(dc.GetPixel(0, 0).red, 0);
  EXPECT_EQ(dc.GetPixel(1, 0).red, 3);
  EXPECT_EQ(dc.GetPixel(2, 0).red, 7);
  ReleaseBitmap(strip);
}

TEST(MultiFrameBitmaps, FramesOutsideTheStripAreClamped) {
  const BitmapRef strip = FrameStrip(2, 10);
  DrawContext dc(2, 1);
  dc.DrawBitmapFrame(strip, Rect{0, 0, 1, 1}, 0, nullptr);
  dc.DrawBitmapFrame(strip, Rect{1, 0, 2, 1}, 9, nullptr);
  EXPECT_EQ(dc.GetPixel(0, 0).red, 10);
  EXPECT_EQ(dc.GetPixel(1, 0).red, 20);
  ReleaseBitmap(strip);
}

// Horizontal extent of the white ink in the draw bitmap.
std::pair<int, int> InkColumns(const DrawContext& dc) {
  int lo = dc.Width(), hi = -1;
  for (int y = 0; y < dc.Height(); ++y)
    for (int x = 0; x < dc.Width(); ++x)
      if (!(dc.GetPixel(x, y) == kBlack)) lo = std::min(lo, x), hi = std::max(hi, x);
  return {lo, hi};
}

TEST(EditorText, AlignmentPlacesTheTextInItsBox) {
  TextStyle style;
  for (int align : {kAlignLeft, kAlignCenter, kAlignRight}) {
    DrawContext dc(200, 40);
    style.alignment = align;
    dc.DrawText(style, "Density", Rect{60, 10, 140, 26});
    const auto [lo, hi] = InkColumns(dc);
    if (hi < 0) GTEST_SKIP() << "no fonts installed";
    const int mid = (lo + hi + 1) / 2;
    const int offset = align == kAlignLeft ? lo - 60 : align == kAlignCenter ? mid - 100 : hi - 139;
    EXPECT_NEAR(offset, 0, 2) << "alignment " << align;
    for (int y = 0; y < 10; ++y)
      for (int x = 0; x < 200; ++x) ASSERT_EQ(dc.GetPixel(x, y), kBlack) << "drawn from the top";
  }
}

TEST(EditorText, LongTextRunsOutOfItsBoxButNotTheDrawRectangle) {
  TextStyle style;
  style.alignment = kAlignRight;
  DrawContext dc(200, 40);
  dc.DrawText(style, "Scan Rate", Rect{110, 10, 150, 26});
  const auto [lo, hi] = InkColumns(dc);
  if (hi < 0) GTEST_SKIP() << "no fonts installed";
  EXPECT_LT(lo, 105) << "a right-aligned label longer than its box extends to the left";
  DrawContext clipped(200, 40);
  clipped.SetDrawRect(Rect{130, 0, 200, 40});
  clipped.DrawText(style, "Scan Rate", Rect{110, 10, 150, 26});
  EXPECT_GE(InkColumns(clipped).first, 130);
  clipped.DrawText(style, nullptr, Rect{0, 0, 10, 10});
  clipped.DrawText(style, "", Rect{0, 0, 10, 10});
}

}  // namespace

namespace {

#if !defined(_WIN32)  // fontconfig can be left without fonts; Windows always has GDI's

// Runs in a fresh child process whose fontconfig sees an empty configuration: no fonts at all.
void DrawWithoutFonts() {
  const std::string conf = ::testing::TempDir() + "qv-no-fonts.conf";
  std::FILE* f = std::fopen(conf.c_str(), "w");
  if (f == nullptr) std::exit(2);
  std::fputs("<?xml version=\"1.0\"?>\n<fontconfig></fontconfig>\n", f);
  std::fclose(f);
  setenv("FONTCONFIG_FILE", conf.c_str(), 1);
  DrawContext dc(100, 30);
  TextStyle style;
  dc.DrawText(style, "Length", Rect{0, 0, 100, 20});
  dc.DrawText(style, "Onset", Rect{0, 0, 100, 20});
  DrawContext other(100, 30);
  other.DrawText(style, "Pan", Rect{0, 0, 100, 20});
  const bool untouched = InkColumns(dc).second < 0 && InkColumns(other).second < 0;
  std::exit(untouched ? 0 : 1);
}

// Matches a stderr text that holds the missing-font report exactly once.
class ReportedOnce : public ::testing::MatcherInterface<const std::string&> {
 public:
  bool MatchAndExplain(const std::string& err, ::testing::MatchResultListener*) const override {
    const std::string report = "texts are not drawn: no font matches \"Arial\"";
    const std::size_t first = err.find(report);
    return first != std::string::npos && err.find(report, first + 1) == std::string::npos;
  }
  void DescribeTo(std::ostream* os) const override { *os << "reports the missing font once"; }
};

TEST(EditorTextDeathTest, WithoutAnyFontTextsAreSkippedAndTheReasonIsReportedOnce) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(DrawWithoutFonts(), ::testing::ExitedWithCode(0),
              ::testing::MakeMatcher(new ReportedOnce));
}

#endif

}  // namespace
