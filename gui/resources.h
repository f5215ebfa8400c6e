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
  // For the same image drawn at twice the size (for scaled editors): the id of the image it
  // doubles. 0 for an image at its own size.
  int twiceOf = 0;
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

// The entry of the table with this id, null when none has it.
const ResourceEntry* FindResource(ResourceTable table, int id);
// The id of the table's image drawn at twice the size of image id; 0 when there is none.
int TwiceIdOf(ResourceTable table, int id);

}  // namespace gui
