// Editor and device pixels at a scale, and drawing at scale 2: where fills, runs, lines and
// bitmaps land on the device grid.
#include "gui/device_scale.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "gui/bitmap_cache.h"
#include "gui/draw_context.h"
#include "quorvantel/editor/images.h"
#include "raster/blit.h"

using namespace gui;

namespace {

TEST(DeviceScale, EveryDevicePixelBelongsToExactlyOneEditorPixelAndEdgesMeet) {
  for (double f : {1.0, 1.25, 1.5, 1.75, 2.0, 2.4, 3.0}) {
    const DeviceScale s(f);
    for (int e = -5; e <= 805; ++e) {
      ASSERT_LT(s.ToDevice(e), s.ToDevice(e + 1)) << f << " " << e;  // never an empty pixel
      for (int d = s.ToDevice(e); d < s.ToDevice(e + 1); ++d) ASSERT_EQ(s.ToEditor(d), e) << f;
    }
    EXPECT_EQ(s.ToDevice(800), int(std::lround(800 * f)));
    // Neighbouring rectangles stay neighbours; a covering rectangle covers.
    const Rect a{10, 10, 33, 20}, b{33, 10, 50, 20};
    EXPECT_EQ(s.ToDevice(a).right, s.ToDevice(b).left);
    EXPECT_EQ(s.ToEditor(s.ToDevice(a)), a);
    EXPECT_TRUE(s.ToDevice(Rect{}).IsEmpty());
  }
  // Far outside any window the mapping still answers and stays in order.
  const DeviceScale s(1.5);
  EXPECT_LE(s.ToEditor(-2000000000), s.ToEditor(2000000000));
  EXPECT_EQ(s.LengthToEditor(3), 2);
  EXPECT_EQ(s.LengthToEditor(4), 3);
}

TEST(DeviceScale, FactorsAreClampedAndTextsMustBeOneNumber) {
  EXPECT_EQ(ClampScale(0.5), 1.0);
  EXPECT_EQ(ClampScale(4.0), 3.0);
  EXPECT_EQ(ClampScale(std::nan("")), 1.0);
  EXPECT_EQ(ClampScale(INFINITY), 1.0);
  EXPECT_EQ(ScaleFromText("2"), 2.0);
  EXPECT_EQ(ScaleFromText(" 1.25 "), 1.25);
  EXPECT_EQ(ScaleFromText("9"), 3.0);
  for (const char* bad : {"", "2x", "two", "nan", "1,5"}) EXPECT_EQ(ScaleFromText(bad), 0.0) << bad;
  EXPECT_EQ(ScaleFromText(nullptr), 0.0);
}

const Color kWhite{255, 255, 255, 255};

TEST(ScaledDrawing, FillsAndRunsCoverTheirEditorPixelsDeviceSquaresAndLinesAreAPixelWide) {
  DrawContext dc(10, 10, DeviceScale(2.0));
  ASSERT_EQ(dc.Target().Width(), 20);
  EXPECT_EQ(dc.Width(), 10);
  dc.FillRect(kWhite, Rect{1, 1, 3, 2}, nullptr);
  const raster::Bitmap& t = dc.Target();
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 8; ++x)
      EXPECT_EQ(t.At(x, y) == 0xFFFFFFFFu, x >= 2 && x < 6 && y >= 2 && y < 4) << x << "," << y;
  dc.DrawVerticalLine(kWhite, 8, 5, 6);
  EXPECT_EQ(t.At(16, 10), 0xFFFFFFFFu);
  EXPECT_EQ(t.At(17, 13), 0xFFFFFFFFu);
  EXPECT_NE(t.At(18, 13), 0xFFFFFFFFu);
  // An antialiased horizontal line on editor row 7 fills both device rows of it, no more.
  dc.DrawLine(kWhite, 0, 7, 4, 7, nullptr, true);
  EXPECT_EQ(t.At(4, 14), 0xFFFFFFFFu);
  EXPECT_EQ(t.At(4, 15), 0xFFFFFFFFu);
  EXPECT_EQ(raster::RedOf(t.At(4, 13)), 0);
  EXPECT_EQ(raster::RedOf(t.At(4, 16)), 0);
  EXPECT_EQ(dc.GetPixel(1, 1), kWhite);
}

TEST(ScaledDrawing, BitmapsComeFromTheirImageAtTwiceTheSizeFrameByFrame) {
  const ResourceTable images = quorvantel::EditorImages();
  const BitmapRef knob = LoadBitmap(images, quorvantel::kKnobId, quorvantel::kKnobName, 127);
  ASSERT_NE(knob.twiceId, 0);
  const auto twice = LoadResourceBitmap(images, knob.twiceId, quorvantel::kKnob2xName);
  ASSERT_NE(twice, nullptr);
  ASSERT_EQ(twice->Width(), 2 * knob.width);
  ASSERT_EQ(twice->Height(), 2 * knob.height);
  const int fh = knob.FrameHeight();
  // At 2 frame 40 (frames count from 1) is the 2x image's frame 40 as it stands.
  DrawContext two(fh, fh, DeviceScale(2.0), images);
  two.DrawBitmapFrame(knob, Rect{0, 0, fh, fh}, 40, nullptr);
  DrawContext expect2(2 * fh, 2 * fh);
  expect2.DrawBitmap(RetainBitmap(std::make_unique<raster::Bitmap>(*twice), 127),
                     Rect{0, 0, 2 * fh, 2 * fh}, 0, 39 * 2 * fh, nullptr);
  EXPECT_TRUE(
      std::equal(two.Target().Data(), two.Target().Data() + 4 * fh * fh, expect2.Target().Data()));
  // At 1.5 it is that frame filtered down, and no neighbouring frame bleeds into its edges.
  DrawContext mid(fh, fh, DeviceScale(1.5), images);
  mid.DrawBitmapFrame(knob, Rect{0, 0, fh, fh}, 0, nullptr);
  const int d = DeviceScale(1.5).LengthToDevice(fh);
  const raster::Bitmap frame0 = raster::Scaled(raster::Cropped(*twice, 0, 0, 2 * fh, 2 * fh), d, d);
  DrawContext expect15(d, d);
  expect15.DrawBitmap(RetainBitmap(std::make_unique<raster::Bitmap>(frame0), 1), Rect{0, 0, d, d},
                      0, 0, nullptr);
  EXPECT_TRUE(
      std::equal(mid.Target().Data(), mid.Target().Data() + d * d, expect15.Target().Data()));
}

}  // namespace
