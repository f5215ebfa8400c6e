// The module's image resources: the table of embedded PNG files and their decoding by id.
#pragma once

#include <cstddef>
#include <memory>
#include <span>
#include <string>

#include "raster/bitmap.h"

namespace editor {

constexpr int kBackgroundId = 105;
constexpr int kKnobId = 101;
constexpr int kSwitchId = 107;

constexpr const char* kBackgroundName = "img/800x600.png";
constexpr const char* kKnobName = "img/live knob.png";
constexpr const char* kSwitchName = "img/sq_button_10.png";

struct ResourceEntry {
  int id;
  const char* name;
  const unsigned char* data;  // the PNG file's bytes, embedded at build time
  std::size_t size;
};

std::span<const ResourceEntry> ResourceTable();

// True if the name's extension (after the last '.' of its last path element) is "png" in any
// letter case.
bool HasPngExtension(const char* name);

// Decodes the PNG resource with this id. Null when the name does not end in a "png" extension,
// no resource has the id, or the image does not decode; the reason goes to error if given.
// Thread: any; touches no shared state.
std::unique_ptr<raster::Bitmap> LoadResourceBitmap(int id, const char* name,
                                                   std::string* error = nullptr);

}  // namespace editor
