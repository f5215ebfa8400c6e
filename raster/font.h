// Antialiased text: FreeType with the font file found by family name through fontconfig, or on
// Windows GDI (win32/font.cpp) with the face found by name.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "raster/bitmap.h"

namespace raster {

// One face at one size. Text is UTF-8 (bytes that are not valid UTF-8 are taken as Latin-1).
// A Font is used by one thread at a time: it caches rendered glyphs without a lock.
class Font {
 public:
  // Finds the best match for the family (fontconfig, or GDI's font mapper) and opens it with a
  // cell height (ascent + descent) of cellHeight pixels. Returns null and the reason in error on
  // failure.
  static std::unique_ptr<Font> Find(const std::string& family, int cellHeight, bool bold,
                                    bool italic, std::string& error);
  // Opens a font file directly, as Find does after its lookup; on Windows path is a face name as
  // Path() reports it, and a face GDI does not have is an error.
  static std::unique_ptr<Font> OpenFile(const std::string& path, int cellHeight,
                                        std::string& error);

  ~Font();
  Font(const Font&) = delete;
  Font& operator=(const Font&) = delete;

  const std::string& Path() const;
  int Ascent() const;      // pixels from the top of the cell to the baseline
  int CellHeight() const;  // pixels from the top of the cell to its bottom
  int TextWidth(std::string_view text) const;

  // Draws text with the top of its cell at yTop and its pen starting at x. The colour's alpha is
  // ignored (text is opaque, antialiased by glyph coverage); only pixels inside clip are touched.
  void Draw(Bitmap& dst, const Box& clip, int x, int yTop, std::string_view text,
            Pixel color) const;

 private:
  struct Impl;
  explicit Font(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

}  // namespace raster
