// Image resources: a module's table of embedded PNG files and their decoding by id. The module
// that links the editor supplies its own table.
#pragma once

#include <cstddef>
#include <memory>
#include <span>
#include <string>

#include "raster/bitmap.h"

namespace gui {

struct ResourceEntry {
  int id;
  const char* name;
  const unsigned char* data;  // the PNG file's bytes, embedded at build time
  std::size_t size;
};

using ResourceTable = std::span<const ResourceEntry>;

// True if the name's extension (after the last '.' of its last path element) is "png" in any
// letter case.
bool HasPngExtension(const char* name);

// Decodes the PNG resource of the table with this id. Null when the name does not end in a
// "png" extension, no resource has the id, or the image does not decode; the reason goes to
// error if given. Thread: any; touches no shared state.
std::unique_ptr<raster::Bitmap> LoadResourceBitmap(ResourceTable table, int id, const char* name,
                                                   std::string* error = nullptr);

}  // namespace gui
