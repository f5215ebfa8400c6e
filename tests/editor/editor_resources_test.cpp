// Embedded image resources, the extension check, and the process-wide bitmap cache.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "gui/bitmap_cache.h"
#include "gui/resources.h"
#include "quorvantel/editor/images.h"
#include "raster/bitmap.h"

using namespace gui;
using namespace quorvantel;

namespace {

TEST(Resources, TheThreeImagesAndTheirDoublesDecodeAtTheirSizes) {
  struct Expect {
    int id;
    const char* name;
    int width, height;
  };
  for (const Expect e :
       {Expect{105, "img/800x600.png", 800, 600}, Expect{101, "img/live knob.png", 26, 127 * 26},
        Expect{107, "img/sq_button_10.png", 10, 20},
        // and each at twice the size, for scaled editors
        Expect{205, "img/800x600@2x.png", 1600, 1200},
        Expect{201, "img/live knob@2x.png", 52, 127 * 52},
        Expect{207, "img/sq_button_10@2x.png", 20, 40}}) {
    std::string error;
    auto bitmap = LoadResourceBitmap(EditorImages(), e.id, e.name, &error);
    ASSERT_NE(bitmap, nullptr) << e.name << ": " << error;
    EXPECT_EQ(bitmap->Width(), e.width);
    EXPECT_EQ(bitmap->Height(), e.height);
  }
  EXPECT_EQ(EditorImages().size(), 6u);
  EXPECT_EQ(TwiceIdOf(EditorImages(), 101), 201);
  EXPECT_EQ(TwiceIdOf(EditorImages(), 201), 0);
}

TEST(Resources, OnlyPngNamesAreLoadedAndTheIdDecides) {
  EXPECT_NE(LoadResourceBitmap(EditorImages(), 107, "IMG/ANY NAME.PNG"), nullptr);
  EXPECT_NE(LoadResourceBitmap(EditorImages(), 107, "x.pNg"), nullptr);
  EXPECT_EQ(LoadResourceBitmap(EditorImages(), 107, "img/sq_button_10.bmp"), nullptr);
  EXPECT_EQ(LoadResourceBitmap(EditorImages(), 107, "png"), nullptr);
  EXPECT_EQ(LoadResourceBitmap(EditorImages(), 107, "img.png/button"), nullptr);
  EXPECT_EQ(LoadResourceBitmap(EditorImages(), 107, "button.pngx"), nullptr);
  EXPECT_EQ(LoadResourceBitmap(EditorImages(), 107, nullptr), nullptr);
  std::string error;
  EXPECT_EQ(LoadResourceBitmap(EditorImages(), 999, "img/800x600.png", &error), nullptr);
  EXPECT_NE(error.find("999"), std::string::npos);
}

TEST(BitmapCache, ResourcesAreDecodedOnceAndShared) {
  const BitmapRef a = LoadBitmap(EditorImages(), 101, "img/live knob.png", 127);
  const std::size_t count = CachedBitmapCount();
  const BitmapRef b = LoadBitmap(EditorImages(), 101, "img/live knob.png", 127);
  EXPECT_EQ(a.bitmap, b.bitmap);
  EXPECT_EQ(CachedBitmapCount(), count);
  EXPECT_EQ(a.width, 26);
  EXPECT_EQ(a.height, 3302);
  EXPECT_EQ(a.FrameHeight(), 26);
  EXPECT_EQ(LoadBitmap(EditorImages(), 107, "img/sq_button_10.png", 0).frames, 1);
}

TEST(BitmapCache, ConcurrentLoadsGetTheSameBitmap) {
  std::vector<const raster::Bitmap*> seen(4);
  std::vector<std::thread> threads;
  for (int i = 0; i < 4; ++i)
    threads.emplace_back([&seen, i] {
      seen[i] = LoadBitmap(EditorImages(), 105, "img/800x600.png", 1).bitmap.get();
    });
  for (auto& t : threads) t.join();
  for (const raster::Bitmap* p : seen) EXPECT_EQ(p, seen[0]);
}

TEST(BitmapCache, RetainAndReleaseAddAndRemoveEntries) {
  const std::size_t before = CachedBitmapCount();
  const BitmapRef r = RetainBitmap(std::make_unique<raster::Bitmap>(4, 6), 3);
  EXPECT_EQ(CachedBitmapCount(), before + 1);
  EXPECT_EQ(r.FrameHeight(), 2);
  ReleaseBitmap(r);
  EXPECT_EQ(CachedBitmapCount(), before);
  // A reference outlives the release: the bitmap goes with the last reference.
  EXPECT_EQ(r.bitmap->Height(), 6);
  ReleaseBitmap(r);  // no longer held: ignored
  ReleaseBitmap(BitmapRef{});
  EXPECT_EQ(CachedBitmapCount(), before);
}

TEST(BitmapCache, ScalingKeepsFramesApartAndCroppingTakesTheRectangle) {
  // Two frames of 4 × 4: red above blue.
  auto strip = std::make_unique<raster::Bitmap>(4, 8, raster::MakePixel(255, 255, 0, 0));
  for (int y = 4; y < 8; ++y)
    for (int x = 0; x < 4; ++x) strip->At(x, y) = raster::MakePixel(255, 0, 0, 255);
  const BitmapRef src = RetainBitmap(std::move(strip), 2);
  const BitmapRef scaled = ScaleBitmap(src, 3, 6);
  ASSERT_NE(scaled.bitmap, nullptr);
  EXPECT_EQ(scaled.frames, 2);
  EXPECT_EQ(scaled.height, 6);
  EXPECT_EQ(scaled.bitmap->At(1, 2), raster::MakePixel(255, 255, 0, 0)) << "no blue bleeding in";
  EXPECT_EQ(scaled.bitmap->At(1, 3), raster::MakePixel(255, 0, 0, 255));
  const BitmapRef cropped = CropBitmap(src, Rect{1, 3, 3, 6});
  ASSERT_NE(cropped.bitmap, nullptr);
  EXPECT_EQ(cropped.width, 2);
  EXPECT_EQ(cropped.height, 3);
  EXPECT_EQ(cropped.bitmap->At(0, 0), raster::MakePixel(255, 255, 0, 0));
  EXPECT_EQ(cropped.bitmap->At(0, 1), raster::MakePixel(255, 0, 0, 255));
  EXPECT_EQ(ScaleBitmap(src, 0, 5).bitmap, nullptr);
  EXPECT_EQ(CropBitmap(src, Rect{3, 3, 3, 9}).bitmap, nullptr);
  ReleaseBitmap(cropped);
  ReleaseBitmap(scaled);
  ReleaseBitmap(src);
}

// A missing image is a broken build: a debug build stops at its assertion, a release build
// must not take the host down and draws nothing instead.
#ifdef NDEBUG
TEST(BitmapCache, AMissingResourceGivesAnEmptyBitmap) {
  for (const BitmapRef& missing :
       {LoadBitmap(EditorImages(), 4242, "img/none.png", 1),
        LoadBitmap(EditorImages(), 4243, "img/800x600.bmp", 2),
        LoadBitmap(EditorImages(), kRetainedBitmapId, "img/800x600.png", 1)}) {
    ASSERT_NE(missing.bitmap, nullptr);
    EXPECT_TRUE(missing.bitmap->Empty());
    EXPECT_EQ(missing.width, 0);
  }
}
#else
TEST(BitmapCacheDeathTest, AMissingResourceStopsWithItsAssertion) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_DEATH(LoadBitmap(EditorImages(), 4242, "img/none.png", 1), "imgResourceFound");
  EXPECT_DEATH(LoadBitmap(EditorImages(), 4243, "img/800x600.bmp", 1), "imgResourceFound");
  // The id of retained bitmaps is no resource, even while one is retained.
  const BitmapRef kept = RetainBitmap(std::make_unique<raster::Bitmap>(2, 2), 1);
  EXPECT_DEATH(LoadBitmap(EditorImages(), kRetainedBitmapId, "img/800x600.png", 1),
               "imgResourceFound");
  ReleaseBitmap(kept);
}
#endif

}  // namespace
