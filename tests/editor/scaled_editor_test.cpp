// The effect's editor drawn at scale factors above 1: the size hosts are told, the same picture
// at every scale, text as sharp at 2 as at 1, and the presented areas on the device grid.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "raster/bitmap.h"
#include "raster/blit.h"
#include "tests/editor/editor_harness.h"

namespace editor_test {
namespace {

#if defined(_WIN32)  // Windows' C runtime spells it differently; an empty value removes it
int unsetenv(const char* name) { return _putenv_s(name, ""); }
#endif

double Luma(raster::Pixel p) {
  return 0.299 * raster::RedOf(p) + 0.587 * raster::GreenOf(p) + 0.114 * raster::BlueOf(p);
}

// The mean width in pixels of the stem edges of light text on a dark ground in box (device
// pixels): along each row, a run of pixels between a quarter and three quarters of the way from
// the box's darkest to its lightest is one edge's ramp; it belongs to a stem (an upright edge,
// not the slope of a curve) when the rows above and below have a ramp pixel at its start too.
double MeanStemRamp(const raster::Bitmap& b, int x0, int y0, int x1, int y1) {
  double lo = 255.0, hi = 0.0;
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x)
      lo = std::fmin(lo, Luma(b.At(x, y))), hi = std::fmax(hi, Luma(b.At(x, y)));
  const double a = lo + (hi - lo) * 0.25, c = lo + (hi - lo) * 0.75;
  auto ramp = [&](int x, int y) {
    const double l = Luma(b.At(x, y));
    return l > a && l < c;
  };
  int ramps = 0, pixels = 0;
  for (int y = y0 + 1; y < y1 - 1; ++y) {
    for (int x = x0; x < x1;) {
      if (!ramp(x, y)) {
        ++x;
        continue;
      }
      const int start = x;
      while (x < x1 && ramp(x, y)) ++x;
      if (ramp(start, y - 1) && ramp(start, y + 1)) ++ramps, pixels += x - start;
    }
  }
  return ramps > 0 ? double(pixels) / ramps : 99.0;
}

// The editor's pixels at a scale, after everything is drawn.
raster::Bitmap Drawn(double scale) {
  EditorHarness h;
  h.Editor().SetScale(scale);
  h.Editor().MarkAllControlsDirty();
  h.Tick(3);
  return h.Editor().Pixels();
}

TEST(ScaledEditor, HostsAreToldTheScaledSizeAndTheDrawBitmapFollowsOnTheNextTick) {
  unsetenv("QUORVANTEL_SCALE");
  EditorHarness h;
  auto size = [&] {
    vst2::ERect* rect = nullptr;
    EXPECT_EQ(h.Dispatch(vst2::kEffectEditGetRect, 0, 0, &rect), 1);
    return std::make_pair(rect->right - rect->left, rect->bottom - rect->top);
  };
  EXPECT_EQ(size(), std::make_pair(800, 600));  // a headless editor never asks the desktop
  EXPECT_EQ(h.Dispatch(vst2::kEffectVendorSpecific, vst2::kScaleVendor, vst2::kScaleRequest,
                       nullptr, 1.5f),
            1);
  EXPECT_EQ(size(), std::make_pair(1200, 900));
  EXPECT_EQ(h.Editor().Pixels().Width(), 800);
  h.Tick();
  EXPECT_EQ(h.Editor().Pixels().Width(), 1200);
  EXPECT_EQ(h.Editor().Pixels().Height(), 900);
  // Out of range: clamped; nonsense and other vendors' messages change nothing.
  h.Dispatch(vst2::kEffectVendorSpecific, vst2::kScaleVendor, vst2::kScaleRequest, nullptr, 7.0f);
  EXPECT_EQ(size(), std::make_pair(2400, 1800));
  EXPECT_EQ(h.Dispatch(vst2::kEffectVendorSpecific, vst2::kScaleVendor, vst2::kScaleRequest,
                       nullptr, std::nanf("")),
            0);
  EXPECT_EQ(h.Dispatch(vst2::kEffectVendorSpecific, 0, vst2::kScaleRequest, nullptr, 2.0f), 0);
  EXPECT_EQ(size(), std::make_pair(2400, 1800));
  // The window layer is shown device areas: a control's redraw covers its scaled rectangle.
  h.Dispatch(vst2::kEffectVendorSpecific, vst2::kScaleVendor, vst2::kScaleRequest, nullptr, 2.0f);
  FakeWindow& window = h.OpenFakeWindow();
  h.Tick();
  window.presented.clear();
  IControl* depth = h.Bound(2);
  h.host->SetParameter(2, 0.7f);
  h.Tick(2);
  ASSERT_FALSE(window.presented.empty());
  const Rect r = depth->DrawRect();
  bool covered = false;
  for (const Rect& p : window.presented)
    covered |= p.left <= 2 * r.left && p.top <= 2 * r.top && p.right >= 2 * r.right &&
               p.bottom >= 2 * r.bottom;
  EXPECT_TRUE(covered);
}

TEST(ScaledEditor, AtTwoTheSamePictureWithTextEdgesNoWiderThanAtOne) {
  unsetenv("QUORVANTEL_SCALE");
  const raster::Bitmap one = Drawn(1.0), two = Drawn(2.0);
  ASSERT_EQ(two.Width(), 1600);
  ASSERT_EQ(two.Height(), 1200);
  // The same picture: each 2 × 2 block averages to close to its pixel at 1, over most of it
  // (edges of text and shapes differ by their finer detail).
  int close = 0;
  for (int y = 0; y < 600; ++y)
    for (int x = 0; x < 800; ++x) {
      double l = 0.0;
      for (int k = 0; k < 4; ++k) l += Luma(two.At(2 * x + k % 2, 2 * y + k / 2)) / 4.0;
      close += std::fabs(l - Luma(one.At(x, y))) < 24.0;
    }
  EXPECT_GT(close, 800 * 600 * 95 / 100);
#if defined(_WIN32)
  // GDI under Wine draws these labels without anti-aliasing: no edge ramp to measure.
  return;
#endif
  const raster::Bitmap blownUp = raster::Scaled(one, 1600, 1200);
  // Text stems: the title, and a column of labels. Rendered at the scaled size, their edges
  // stay as narrow in device pixels as at 1 (a blown-up 1x picture would double them).
  struct Box {
    int x0, y0, x1, y1;
  };
  for (const Box& t : {Box{620, 425, 790, 460}, Box{8, 25, 55, 545}}) {
    const double at1 = MeanStemRamp(one, t.x0, t.y0, t.x1, t.y1);
    const double at2 = MeanStemRamp(two, 2 * t.x0, 2 * t.y0, 2 * t.x1, 2 * t.y1);
    // The measure tells sharp from blown up: the 1x picture interpolated to 2x.
    const double blown = MeanStemRamp(blownUp, 2 * t.x0, 2 * t.y0, 2 * t.x1, 2 * t.y1);
    std::printf(
        "text stem edge ramp in (%d, %d)-(%d, %d): %.2f px at 1, %.2f px at 2, %.2f px "
        "blown up\n",
        t.x0, t.y0, t.x1, t.y1, at1, at2, blown);
    EXPECT_LE(at2, at1 + 0.05);
    EXPECT_GT(blown, at2 + 0.25);
  }
}

}  // namespace
}  // namespace editor_test
