// The process-wide bitmap cache and its lock.
#include "gui/bitmap_cache.h"

#include <algorithm>
#include <atomic>
#include <cassert>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "gui/resources.h"
#include "raster/blit.h"

namespace gui {
namespace {

struct CacheEntry {
  int id;
  std::shared_ptr<const raster::Bitmap> bitmap;
};

struct BitmapCache {
  std::mutex lock;
  std::vector<CacheEntry> entries;
};

// Destroyed when the module is unloaded; editors still alive then keep their bitmaps through
// their own references.
BitmapCache& Cache() {
  static BitmapCache cache;
  return cache;
}

BitmapRef RefOf(std::shared_ptr<const raster::Bitmap> bitmap, int frames) {
  const int width = bitmap->Width(), height = bitmap->Height();
  return BitmapRef{std::move(bitmap), width, height, std::max(frames, 1)};
}

// The images are part of the module, so this only follows a broken build.
void ResourceMissing(int id, const char* name, const std::string& reason) {
  static std::atomic<bool> reported{false};
  if (!reported.exchange(true))
    std::fprintf(stderr, "Quorvantel editor: bitmap resource %d \"%s\": %s; drawn empty\n", id,
                 name != nullptr ? name : "(null)", reason.c_str());
  const bool imgResourceFound = false;
  assert(imgResourceFound);
  (void)imgResourceFound;
}

}  // namespace

BitmapRef LoadBitmap(ResourceTable table, int id, const char* name, int frames) {
  // The image at twice the size is only named here; a scaled editor loads it when it draws.
  auto WithTwice = [&](BitmapRef ref) {
    ref.twiceId = id != kRetainedBitmapId ? TwiceIdOf(table, id) : 0;
    return ref;
  };
  BitmapCache& cache = Cache();
  std::lock_guard<std::mutex> guard(cache.lock);
  // Retained bitmaps share one id and are no resource: never hand one out for a lookup.
  for (CacheEntry& entry : cache.entries)
    if (entry.id == id && id != kRetainedBitmapId) return WithTwice(RefOf(entry.bitmap, frames));
  std::string reason;
  std::unique_ptr<raster::Bitmap> bitmap = LoadResourceBitmap(table, id, name, &reason);
  if (bitmap == nullptr) {
    ResourceMissing(id, name, reason);
    return RefOf(std::make_shared<raster::Bitmap>(), frames);
  }
  cache.entries.push_back(CacheEntry{id, std::move(bitmap)});
  return WithTwice(RefOf(cache.entries.back().bitmap, frames));
}

BitmapRef RetainBitmap(std::unique_ptr<raster::Bitmap> bitmap, int frames) {
  if (bitmap == nullptr) return BitmapRef{};
  BitmapCache& cache = Cache();
  std::lock_guard<std::mutex> guard(cache.lock);
  cache.entries.push_back(CacheEntry{kRetainedBitmapId, std::move(bitmap)});
  return RefOf(cache.entries.back().bitmap, frames);
}

void ReleaseBitmap(const BitmapRef& ref) {
  if (ref.bitmap == nullptr) return;
  BitmapCache& cache = Cache();
  std::shared_ptr<const raster::Bitmap> doomed;  // freed after the lock is released
  std::lock_guard<std::mutex> guard(cache.lock);
  auto it = std::find_if(cache.entries.begin(), cache.entries.end(),
                         [&](const CacheEntry& e) { return e.bitmap == ref.bitmap; });
  if (it == cache.entries.end()) return;
  doomed = std::move(it->bitmap);
  cache.entries.erase(it);
}

BitmapRef ScaleBitmap(const BitmapRef& ref, int width, int height) {
  if (ref.bitmap == nullptr || width < 1 || height < 1) return BitmapRef{};
  const raster::Bitmap& src = *ref.bitmap;
  const int frames = std::max(ref.frames, 1);
  auto out = std::make_unique<raster::Bitmap>(width, height);
  if (out->Empty()) return BitmapRef{};
  // Frame k occupies source rows [k * h / n, (k + 1) * h / n) and the same share of the result.
  for (int k = 0; k < frames; ++k) {
    const int s0 = int(std::int64_t{k} * src.Height() / frames),
              s1 = int(std::int64_t{k + 1} * src.Height() / frames);
    const int d0 = int(std::int64_t{k} * height / frames),
              d1 = int(std::int64_t{k + 1} * height / frames);
    if (s1 <= s0 || d1 <= d0) continue;
    const raster::Bitmap frame =
        raster::Scaled(raster::Cropped(src, 0, s0, src.Width(), s1 - s0), width, d1 - d0);
    raster::Blit(*out, out->Bounds(), 0, d0, frame, 0, 0, width, d1 - d0, raster::BlendMode::kCopy,
                 1.0f);
  }
  return RetainBitmap(std::move(out), frames);
}

BitmapRef CropBitmap(const BitmapRef& ref, const Rect& r) {
  if (ref.bitmap == nullptr || r.Width() < 1 || r.Height() < 1) return BitmapRef{};
  auto out = std::make_unique<raster::Bitmap>(
      raster::Cropped(*ref.bitmap, r.left, r.top, r.Width(), r.Height()));
  if (out->Empty()) return BitmapRef{};
  return RetainBitmap(std::move(out), 1);
}

std::size_t CachedBitmapCount() {
  BitmapCache& cache = Cache();
  std::lock_guard<std::mutex> guard(cache.lock);
  return cache.entries.size();
}

}  // namespace gui
