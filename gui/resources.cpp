// Resource lookup by id with the extension check, and decoding of the embedded PNG files.
#include "gui/resources.h"

#include <cctype>
#include <cstring>

#include "raster/png_read.h"

namespace gui {

bool HasPngExtension(const char* name) {
  if (name == nullptr) return false;
  const char* dot = std::strrchr(name, '.');
  if (dot == nullptr || std::strchr(dot, '/') != nullptr || std::strchr(dot, '\\') != nullptr)
    return false;
  const char* ext = dot + 1;
  if (std::strlen(ext) != 3) return false;
  return std::tolower(static_cast<unsigned char>(ext[0])) == 'p' &&
         std::tolower(static_cast<unsigned char>(ext[1])) == 'n' &&
         std::tolower(static_cast<unsigned char>(ext[2])) == 'g';
}

std::unique_ptr<raster::Bitmap> LoadResourceBitmap(ResourceTable table, int id, const char* name,
                                                   std::string* error) {
  std::string reason;
  if (!HasPngExtension(name)) {
    reason = "resource name is not a .png file";
  } else {
    for (const ResourceEntry& entry : table) {
      if (entry.id != id) continue;
      auto bitmap = std::make_unique<raster::Bitmap>();
      if (raster::DecodePng(entry.data, entry.size, *bitmap, reason)) return bitmap;
      break;
    }
    if (reason.empty()) reason = "no resource with id " + std::to_string(id);
  }
  if (error != nullptr) *error = reason;
  return nullptr;
}

const ResourceEntry* FindResource(ResourceTable table, int id) {
  for (const ResourceEntry& entry : table)
    if (entry.id == id) return &entry;
  return nullptr;
}

int TwiceIdOf(ResourceTable table, int id) {
  if (id == 0) return 0;
  for (const ResourceEntry& entry : table)
    if (entry.twiceOf == id) return entry.id;
  return 0;
}

}  // namespace gui
