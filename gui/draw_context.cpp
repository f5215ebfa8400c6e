// Drawing operations over the draw bitmap, with the editor's blend mapping onto the raster layer.
#include "gui/draw_context.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "raster/blit.h"
#include "raster/font.h"
#include "raster/shapes.h"

namespace gui {
namespace {

// BlendCopy copies without alpha, BlendAdd and BlendDodge blend with alpha, BlendNone (and no
// blend) copies with alpha.
raster::BlendMode ModeOf(const Blend* blend) {
  if (blend == nullptr) return raster::BlendMode::kAlpha;
  switch (blend->method) {
    case BlendCopy:
      return raster::BlendMode::kCopy;
    case BlendAdd:
      return raster::BlendMode::kAdd;
    case BlendDodge:
      return raster::BlendMode::kDodge;
    case BlendNone:
      break;
  }
  return raster::BlendMode::kAlpha;
}

float WeightOf(const Blend* blend) { return blend == nullptr ? 1.0f : blend->weight; }

raster::Paint PaintOf(const Color& color, const Blend* blend, bool antialias) {
  return raster::Paint{PixelOf(color), ModeOf(blend), WeightOf(blend), antialias};
}

// Shapes take integer editor coordinates as pixel centres.
constexpr double kCentre = 0.5;

}  // namespace

raster::Pixel PixelOf(const Color& c) {
  auto ch = [](int v) { return std::clamp(v, 0, 255); };
  return raster::MakePixel(ch(c.alpha), ch(c.red), ch(c.green), ch(c.blue));
}

DrawContext::DrawContext(int width, int height)
    : bitmap_(width, height, 0xFF000000u), drawRect_{0, 0, bitmap_.Width(), bitmap_.Height()} {}

DrawContext::~DrawContext() = default;

raster::Box DrawContext::ClipBox() const {
  return raster::Box{drawRect_.left, drawRect_.top, drawRect_.right, drawRect_.bottom};
}

void DrawContext::DrawBitmap(const BitmapRef& bitmap, const Rect& dest, int srcX, int srcY,
                             const Blend* blend) {
  if (bitmap.bitmap == nullptr) return;
  raster::Blit(bitmap_, ClipBox(), dest.left, dest.top, *bitmap.bitmap, srcX, srcY, dest.Width(),
               dest.Height(), ModeOf(blend), WeightOf(blend));
}

void DrawContext::DrawBitmapFrame(const BitmapRef& bitmap, const Rect& dest, int frame,
                                  const Blend* blend) {
  const int n = std::max(bitmap.frames, 1);
  const int i = std::clamp(frame, 1, n);
  int srcY = 0;
  if (n >= 2 && i >= 2) srcY = int(double(bitmap.height) * (i - 1) / n + 0.5);
  DrawBitmap(bitmap, dest, 0, srcY, blend);
}

void DrawContext::DrawRotatedBitmap(const BitmapRef& bitmap, int cx, int cy, double angle,
                                    int yOffset, const Blend* blend) {
  if (bitmap.bitmap == nullptr) return;
  raster::RotatedBlit(bitmap_, ClipBox(), *bitmap.bitmap, cx, cy, angle, yOffset, ModeOf(blend),
                      WeightOf(blend));
}

void DrawContext::DrawPoint(const Color& color, float x, float y, const Blend* blend,
                            bool antialias) {
  raster::DrawPoint(bitmap_, ClipBox(), x + kCentre, y + kCentre, PaintOf(color, blend, antialias));
}

void DrawContext::SetPixel(const Color& color, int x, int y) {
  raster::PutPixel(bitmap_, x, y, PixelOf(color));
}

void DrawContext::DrawLine(const Color& color, float x1, float y1, float x2, float y2,
                           const Blend* blend, bool antialias) {
  raster::DrawLine(bitmap_, ClipBox(), x1 + kCentre, y1 + kCentre, x2 + kCentre, y2 + kCentre,
                   PaintOf(color, blend, antialias));
}

void DrawContext::DrawArc(const Color& color, float cx, float cy, float radius, float minAngle,
                          float maxAngle, const Blend* blend, bool antialias) {
  raster::DrawArc(bitmap_, ClipBox(), cx + kCentre, cy + kCentre, radius, minAngle, maxAngle,
                  PaintOf(color, blend, antialias));
}

void DrawContext::DrawCircle(const Color& color, float cx, float cy, float radius,
                             const Blend* blend, bool antialias) {
  raster::DrawCircle(bitmap_, ClipBox(), cx + kCentre, cy + kCentre, radius,
                     PaintOf(color, blend, antialias));
}

void DrawContext::FillRect(const Color& color, const Rect& r, const Blend* blend) {
  raster::FillBox(bitmap_, ClipBox(), raster::Box{r.left, r.top, r.right, r.bottom},
                  PaintOf(color, blend, false));
}

const raster::Font* DrawContext::FontFor(const TextStyle& style) {
  const std::string family(style.fontName, strnlen(style.fontName, sizeof style.fontName));
  for (const FontEntry& entry : fonts_)
    if (entry.size == style.size && entry.style == style.style && entry.family == family)
      return entry.font.get();
  std::string error;
  FontEntry entry{family, style.size, style.style,
                  raster::Font::Find(family, style.size, style.style == kTextBold,
                                     style.style == kTextItalic, error)};
  static std::atomic<bool> reported{false};
  if (entry.font == nullptr && !reported.exchange(true))
    std::fprintf(stderr, "Quorvantel editor: texts are not drawn: %s\n", error.c_str());
  fonts_.push_back(std::move(entry));
  return fonts_.back().font.get();
}

void DrawContext::DrawText(const TextStyle& style, const char* text, const Rect& r) {
  if (text == nullptr || text[0] == '\0') return;
  const raster::Font* font = FontFor(style);
  if (font == nullptr) return;
  const int width = font->TextWidth(text);
  int x = r.left;
  if (style.alignment == kAlignCenter)
    x = r.left + (r.Width() - width) / 2;
  else if (style.alignment == kAlignRight)
    x = r.right - width;
  font->Draw(bitmap_, ClipBox(), x, r.top, text, PixelOf(style.color));
}

int DrawContext::TextWidth(const TextStyle& style, const char* text) {
  if (text == nullptr) return 0;
  const raster::Font* font = FontFor(style);
  return font != nullptr ? font->TextWidth(text) : int(std::strlen(text)) * style.size / 2;
}

Color DrawContext::GetPixel(int x, int y) const {
  const raster::Pixel p = raster::GetPixel(bitmap_, x, y);
  return Color{raster::AlphaOf(p), raster::RedOf(p), raster::GreenOf(p), raster::BlueOf(p)};
}

void DrawContext::DrawVerticalLine(const Color& color, int x, int yLow, int yHigh) {
  raster::VerticalRun(bitmap_, x, yLow, yHigh, PixelOf(color));
}

void DrawContext::DrawHorizontalLine(const Color& color, int y, int xLow, int xHigh) {
  raster::HorizontalRun(bitmap_, y, xLow, xHigh, PixelOf(color));
}

void DrawContext::DrawRect(const Color& color, const Rect& r) {
  DrawHorizontalLine(color, r.top, r.left, r.right);
  DrawHorizontalLine(color, r.bottom, r.left, r.right);
  DrawVerticalLine(color, r.left, r.top, r.bottom);
  DrawVerticalLine(color, r.right, r.top, r.bottom);
}

}  // namespace gui
