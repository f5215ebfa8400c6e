// Antialiased text with GDI: the face found by name, glyphs rasterised by GDI into a scratch DIB
// section and composited by coverage, so text lands in our bitmaps as it does with FreeType.
#include "raster/font.h"

#include <algorithm>
#include <cstring>
#include <cwchar>

#include "common/platform/win32/windows_api.h"
#include "raster/blend.h"
#include "raster/utf8.h"

namespace raster {
namespace {

// UTF-16 for GDI, read the way the FreeType fonts read UTF-8 (invalid bytes as Latin-1).
std::wstring Wide(std::string_view text) {
  std::wstring out;
  for (std::size_t i = 0; i < text.size();) {
    const char32_t cp = NextCodePoint(text, i);
    if (cp < 0x10000) {
      out.push_back(wchar_t(cp));
    } else {
      out.push_back(wchar_t(0xD800 + ((cp - 0x10000) >> 10)));
      out.push_back(wchar_t(0xDC00 + ((cp - 0x10000) & 0x3FF)));
    }
  }
  return out;
}

std::string Narrow(const wchar_t* text) {
  std::string out;
  for (; *text != 0; ++text) out.push_back(*text < 128 ? char(*text) : '?');
  return out;
}

}  // namespace

struct Font::Impl {
  HDC dc = nullptr;
  HFONT font = nullptr;
  HGDIOBJ previousFont = nullptr;
  std::string face;  // the face GDI chose: what Path() reports and OpenFile takes
  int ascent = 0, cellHeight = 0;
  // White-on-black scratch image the glyphs are rasterised into; grows to the longest text.
  HBITMAP scratch = nullptr;
  HGDIOBJ previousBitmap = nullptr;
  std::uint32_t* scratchBits = nullptr;
  int scratchWidth = 0, scratchHeight = 0;

  ~Impl() {
    if (dc != nullptr) {
      if (previousBitmap != nullptr) SelectObject(dc, previousBitmap);
      if (previousFont != nullptr) SelectObject(dc, previousFont);
      DeleteDC(dc);
    }
    if (scratch != nullptr) DeleteObject(scratch);
    if (font != nullptr) DeleteObject(font);
  }

  bool Scratch(int width, int height) {
    if (width <= scratchWidth && height <= scratchHeight) return true;
    width = std::max(width, scratchWidth);
    height = std::max(height, scratchHeight);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // rows top to bottom
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap == nullptr) return false;
    HGDIOBJ old = SelectObject(dc, bitmap);
    if (previousBitmap == nullptr) previousBitmap = old;
    if (scratch != nullptr) DeleteObject(scratch);
    scratch = bitmap;
    scratchBits = static_cast<std::uint32_t*>(bits);
    scratchWidth = width;
    scratchHeight = height;
    return true;
  }
};

Font::Font(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
Font::~Font() = default;

std::unique_ptr<Font> Font::Find(const std::string& family, int cellHeight, bool bold, bool italic,
                                 std::string& error) {
  if (cellHeight < 1 || cellHeight > 1000) {
    error = "font height " + std::to_string(cellHeight) + " out of range";
    return nullptr;
  }
  const std::wstring name = Wide(family);
  if (name.size() >= LF_FACESIZE) {
    error = "font name \"" + family + "\" too long";
    return nullptr;
  }
  auto impl = std::make_unique<Impl>();
  // A positive height asks for the cell height (ascent + descent), as FreeType's request does.
  impl->font = CreateFontW(cellHeight, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, italic ? TRUE : FALSE,
                           FALSE, FALSE, DEFAULT_CHARSET, OUT_TT_PRECIS, CLIP_DEFAULT_PRECIS,
                           ANTIALIASED_QUALITY, DEFAULT_PITCH | FF_DONTCARE, name.c_str());
  impl->dc = CreateCompatibleDC(nullptr);
  if (impl->font == nullptr || impl->dc == nullptr) {
    error = "GDI cannot create the font \"" + family + "\"";
    return nullptr;
  }
  impl->previousFont = SelectObject(impl->dc, impl->font);
  TEXTMETRICW metrics{};
  wchar_t face[LF_FACESIZE] = {};
  if (!GetTextMetricsW(impl->dc, &metrics) || GetTextFaceW(impl->dc, LF_FACESIZE, face) == 0) {
    error = "GDI has no metrics for the font \"" + family + "\"";
    return nullptr;
  }
  impl->face = Narrow(face);
  impl->ascent = int(metrics.tmAscent);
  impl->cellHeight = int(metrics.tmHeight);
  return std::unique_ptr<Font>(new Font(std::move(impl)));
}

std::unique_ptr<Font> Font::OpenFile(const std::string& path, int cellHeight, std::string& error) {
  // GDI finds installed fonts by face name; "path" is the face a Font reports. A name GDI does
  // not know would silently give some other face, so that is an error here.
  auto font = Find(path, cellHeight, false, false, error);
  if (font != nullptr && _stricmp(font->Path().c_str(), path.c_str()) != 0) {
    error = "no font face named \"" + path + "\"";
    return nullptr;
  }
  return font;
}

const std::string& Font::Path() const { return impl_->face; }
int Font::Ascent() const { return impl_->ascent; }
int Font::CellHeight() const { return impl_->cellHeight; }

int Font::TextWidth(std::string_view text) const {
  const std::wstring wide = Wide(text);
  SIZE size{};
  if (wide.empty() || !GetTextExtentPoint32W(impl_->dc, wide.c_str(), int(wide.size()), &size))
    return 0;
  return int(size.cx);
}

void Font::Draw(Bitmap& dst, const Box& clip, int x, int yTop, std::string_view text,
                Pixel color) const {
  const Box area = clip.Intersect(dst.Bounds());
  const std::wstring wide = Wide(text);
  if (area.Empty() || wide.empty()) return;
  // Room for glyphs that reach left of the pen or past the advance (italics, overhangs).
  const int margin = impl_->cellHeight;
  const int width = TextWidth(text) + 2 * margin, height = impl_->cellHeight;
  if (width > Bitmap::kMaxSide || !impl_->Scratch(width, height)) return;
  std::memset(impl_->scratchBits, 0,
              std::size_t(impl_->scratchWidth) * std::size_t(impl_->scratchHeight) * 4);
  SetBkMode(impl_->dc, TRANSPARENT);
  SetTextColor(impl_->dc, RGB(255, 255, 255));
  SetTextAlign(impl_->dc, TA_LEFT | TA_TOP | TA_NOUPDATECP);
  TextOutW(impl_->dc, margin, 0, wide.c_str(), int(wide.size()));
  GdiFlush();
  // White on black: any channel is the coverage (GDI's grayscale antialiasing keeps them equal).
  const Pixel opaque = color | 0xFF000000u;
  for (int row = 0; row < height; ++row) {
    const int y = yTop + row;
    if (y < area.y0 || y >= area.y1) continue;
    const std::uint32_t* line = impl_->scratchBits + std::size_t(row) * impl_->scratchWidth;
    for (int col = 0; col < width; ++col) {
      const int px = x - margin + col;
      if (px < area.x0 || px >= area.x1) continue;
      const int c = GreenOf(line[col]);
      if (c != 0) Composite(dst.At(px, y), opaque, BlendMode::kAlpha, c);
    }
  }
}

}  // namespace raster
