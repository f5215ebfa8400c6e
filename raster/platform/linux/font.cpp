// FreeType glyph rendering and caching, and the fontconfig lookup by family name.
#include "raster/font.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <mutex>
#include <unordered_map>
#include <vector>

#include "raster/blend.h"
#include "raster/utf8.h"

namespace raster {
namespace {

struct Glyph {
  int width = 0, rows = 0, left = 0, top = 0, advance = 0;  // pixels; advance is horizontal
  std::vector<unsigned char> coverage;                      // width × rows, 0..255
};

bool InitFontconfig() {
  static std::once_flag once;
  static bool ok = false;
  std::call_once(once, [] { ok = FcInit() == FcTrue; });
  return ok;
}

}  // namespace

struct Font::Impl {
  FT_Library library = nullptr;
  FT_Face face = nullptr;
  std::string path;
  int ascent = 0, cellHeight = 0;
  mutable std::unordered_map<char32_t, Glyph> glyphs;

  ~Impl() {
    if (face != nullptr) FT_Done_Face(face);
    if (library != nullptr) FT_Done_FreeType(library);
  }

  const Glyph& GlyphFor(char32_t cp) const {
    auto it = glyphs.find(cp);
    if (it != glyphs.end()) return it->second;
    Glyph g;
    if (FT_Load_Char(face, FT_ULong(cp), FT_LOAD_RENDER | FT_LOAD_TARGET_LIGHT) == 0) {
      const FT_GlyphSlot slot = face->glyph;
      const FT_Bitmap& bm = slot->bitmap;
      g.advance = int((slot->advance.x + 32) >> 6);
      if (bm.pixel_mode == FT_PIXEL_MODE_GRAY && bm.buffer != nullptr) {
        g.width = int(bm.width);
        g.rows = int(bm.rows);
        g.left = slot->bitmap_left;
        g.top = slot->bitmap_top;
        g.coverage.resize(std::size_t(g.width) * std::size_t(g.rows));
        for (int y = 0; y < g.rows; ++y)
          for (int x = 0; x < g.width; ++x)
            g.coverage[std::size_t(y * g.width + x)] = bm.buffer[y * bm.pitch + x];
      }
    }
    return glyphs.emplace(cp, std::move(g)).first->second;
  }
};

Font::Font(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
Font::~Font() = default;

std::unique_ptr<Font> Font::Find(const std::string& family, int cellHeight, bool bold, bool italic,
                                 std::string& error) {
  if (!InitFontconfig()) {
    error = "fontconfig could not be initialised";
    return nullptr;
  }
  FcPattern* pattern = FcPatternCreate();
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(nullptr, pattern, &result);
  FcPatternDestroy(pattern);
  std::string path;
  FcChar8* file = nullptr;
  if (match != nullptr && FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch)
    path = reinterpret_cast<const char*>(file);
  if (match != nullptr) FcPatternDestroy(match);
  if (path.empty()) {
    error = "no font matches \"" + family + "\" (fontconfig found no font files)";
    return nullptr;
  }
  return OpenFile(path, cellHeight, error);
}

std::unique_ptr<Font> Font::OpenFile(const std::string& path, int cellHeight, std::string& error) {
  if (cellHeight < 1 || cellHeight > 1000) {
    error = "font height " + std::to_string(cellHeight) + " out of range";
    return nullptr;
  }
  auto impl = std::make_unique<Impl>();
  impl->path = path;
  if (FT_Init_FreeType(&impl->library) != 0) {
    error = "FreeType could not be initialised";
    return nullptr;
  }
  if (FT_New_Face(impl->library, path.c_str(), 0, &impl->face) != 0) {
    error = "cannot open font file " + path;
    return nullptr;
  }
  // The cell height (ascent + descent) is the requested height, as font heights usually are.
  FT_Size_RequestRec request{FT_SIZE_REQUEST_TYPE_CELL, 0, FT_Long(cellHeight) << 6, 0, 0};
  if (FT_Request_Size(impl->face, &request) != 0) {
    error = "font " + path + " cannot be scaled to " + std::to_string(cellHeight) + " pixels";
    return nullptr;
  }
  const FT_Size_Metrics& m = impl->face->size->metrics;
  impl->ascent = int((m.ascender + 63) >> 6);
  impl->cellHeight = impl->ascent + int((-m.descender + 63) >> 6);
  return std::unique_ptr<Font>(new Font(std::move(impl)));
}

const std::string& Font::Path() const { return impl_->path; }
int Font::Ascent() const { return impl_->ascent; }
int Font::CellHeight() const { return impl_->cellHeight; }

int Font::TextWidth(std::string_view text) const {
  int width = 0;
  for (std::size_t i = 0; i < text.size();)
    width += impl_->GlyphFor(NextCodePoint(text, i)).advance;
  return width;
}

void Font::Draw(Bitmap& dst, const Box& clip, int x, int yTop, std::string_view text,
                Pixel color) const {
  const Box area = clip.Intersect(dst.Bounds());
  if (area.Empty()) return;
  const Pixel opaque = color | 0xFF000000u;
  const int baseline = yTop + impl_->ascent;
  int pen = x;
  for (std::size_t i = 0; i < text.size();) {
    const Glyph& g = impl_->GlyphFor(NextCodePoint(text, i));
    const int gx = pen + g.left, gy = baseline - g.top;
    for (int row = 0; row < g.rows; ++row) {
      const int y = gy + row;
      if (y < area.y0 || y >= area.y1) continue;
      for (int col = 0; col < g.width; ++col) {
        const int px = gx + col;
        if (px < area.x0 || px >= area.x1) continue;
        const int c = g.coverage[std::size_t(row * g.width + col)];
        if (c != 0) Composite(dst.At(px, y), opaque, BlendMode::kAlpha, c);
      }
    }
    pen += g.advance;
  }
}

}  // namespace raster
