// The process-wide bitmap cache: decoded resources by id and retained bitmaps, shared by all
// editor instances and guarded by its own lock. Entries live until released or the process ends.
#pragma once

#include <cstddef>
#include <memory>

#include "gui/records.h"
#include "gui/resources.h"
#include "raster/bitmap.h"

namespace gui {

// Id under which bitmaps made at run time (scaled, cropped, retained) are cached.
constexpr int kRetainedBitmapId = -1;

// The cached bitmap of resource id, decoded from the table on the first request, with frames
// (below 1 counts as 1) stacked vertically. Retained bitmaps (kRetainedBitmapId) are never found by
// id. A resource that cannot be loaded is a build fault: a debug build stops with the assertion
// "imgResourceFound"; a release build reports it once on stderr and hands out an empty bitmap,
// which draws nothing, so a host process is never taken down by it. Thread: any; takes the cache
// lock.
BitmapRef LoadBitmap(ResourceTable table, int id, const char* name, int frames);

// Hands a bitmap to the cache under kRetainedBitmapId. Thread: any; takes the cache lock.
BitmapRef RetainBitmap(std::unique_ptr<raster::Bitmap> bitmap, int frames);

// Removes the bitmap from the cache; a bitmap the cache does not hold is ignored. References
// still held keep it alive until the last one goes. Thread: any; takes the cache lock.
void ReleaseBitmap(const BitmapRef& ref);

// A retained copy of ref scaled to width × height (all frames), each frame scaled on its own
// so frames do not bleed into each other. Thread: any; takes the cache lock.
BitmapRef ScaleBitmap(const BitmapRef& ref, int width, int height);

// A retained one-frame copy of the rectangle of ref (parts outside are transparent).
// Thread: any; takes the cache lock.
BitmapRef CropBitmap(const BitmapRef& ref, const Rect& r);

// Number of cached bitmaps (resources and retained). Thread: any; takes the cache lock.
std::size_t CachedBitmapCount();

}  // namespace gui
