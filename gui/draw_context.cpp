// Drawing operations over the draw bitmap, with the editor's blend mapping onto the raster layer
// and the mapping of editor pixels onto device pixels.
#include "gui/draw_context.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "gui/bitmap_cache.h"
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

// Strokes are as wide as an editor pixel on the device.
raster::Paint PaintOf(const Color& color, const Blend* blend, bool antialias, double width = 1.0) {
  return raster::Paint{PixelOf(color), ModeOf(blend), WeightOf(blend), antialias, width};
}

raster::Box BoxOf(const Rect& r) { return raster::Box{r.left, r.top, r.right, r.bottom}; }

// Shapes take integer editor coordinates as pixel centres.
constexpr double kCentre = 0.5;

// frames frames of src (stacked, frame k in rows [k × H / n, (k + 1) × H / n)) each resampled on
// its own to width × frameHeight, so no frame bleeds into its neighbours.
raster::Bitmap ResampledFrames(const raster::Bitmap& src, int frames, int width, int frameHeight) {
  raster::Bitmap out(width, frameHeight * frames, 0);
  if (out.Empty()) return out;
  for (int k = 0; k < frames; ++k) {
    const int s0 = int(std::int64_t{k} * src.Height() / frames),
              s1 = int(std::int64_t{k + 1} * src.Height() / frames);
    if (s1 <= s0) continue;
    const raster::Bitmap frame =
        raster::Scaled(raster::Cropped(src, 0, s0, src.Width(), s1 - s0), width, frameHeight);
    raster::Blit(out, out.Bounds(), 0, k * frameHeight, frame, 0, 0, width, frameHeight,
                 raster::BlendMode::kCopy, 1.0f);
  }
  return out;
}

}  // namespace

raster::Pixel PixelOf(const Color& c) {
  auto ch = [](int v) { return std::clamp(v, 0, 255); };
  return raster::MakePixel(ch(c.alpha), ch(c.red), ch(c.green), ch(c.blue));
}

DrawContext::DrawContext(int width, int height, DeviceScale scale, ResourceTable images)
    : width_(std::max(width, 0)),
      height_(std::max(height, 0)),
      scale_(scale),
      images_(images),
      bitmap_(scale.ToDevice(width_), scale.ToDevice(height_), 0xFF000000u),
      drawRect_{0, 0, width_, height_} {}

DrawContext::~DrawContext() = default;

raster::Box DrawContext::ClipBox() const { return BoxOf(scale_.ToDevice(drawRect_)); }

const raster::Bitmap* DrawContext::DeviceBitmapOf(const BitmapRef& ref) {
  if (ref.bitmap == nullptr) return nullptr;
  if (scale_.IsOne()) return ref.bitmap.get();
  for (const DeviceBitmap& known : deviceBitmaps_)
    if (known.source == ref.bitmap) return known.pixels.get();
  const int frames = std::max(ref.frames, 1);
  const int width = scale_.LengthToDevice(ref.width),
            frameHeight = scale_.LengthToDevice(ref.FrameHeight());
  std::shared_ptr<const raster::Bitmap> from = ref.bitmap;
  if (const ResourceEntry* twice = FindResource(images_, ref.twiceId)) {
    const BitmapRef loaded = LoadBitmap(images_, twice->id, twice->name, frames);
    if (loaded.bitmap != nullptr && !loaded.bitmap->Empty()) from = loaded.bitmap;
  }
  std::shared_ptr<const raster::Bitmap> pixels = from;
  if (from->Width() != width || from->Height() != frameHeight * frames)
    pixels = std::make_shared<raster::Bitmap>(ResampledFrames(*from, frames, width, frameHeight));
  deviceBitmaps_.push_back(DeviceBitmap{ref.bitmap, pixels});
  return pixels.get();
}

int DrawContext::DeviceSourceY(const BitmapRef& ref, int srcY) const {
  const int frameHeight = ref.FrameHeight();
  if (ref.frames < 2 || frameHeight < 1) return scale_.LengthToDevice(srcY);
  const int frame = srcY >= 0 ? srcY / frameHeight : -((-srcY + frameHeight - 1) / frameHeight);
  return frame * scale_.LengthToDevice(frameHeight) +
         scale_.LengthToDevice(srcY - frame * frameHeight);
}

void DrawContext::DrawBitmap(const BitmapRef& bitmap, const Rect& dest, int srcX, int srcY,
                             const Blend* blend) {
  const raster::Bitmap* src = DeviceBitmapOf(bitmap);
  if (src == nullptr) return;
  if (scale_.IsOne()) {
    raster::Blit(bitmap_, ClipBox(), dest.left, dest.top, *src, srcX, srcY, dest.Width(),
                 dest.Height(), ModeOf(blend), WeightOf(blend));
    return;
  }
  // The device size of the area, not the distance between its rounded edges: a frame keeps its
  // size wherever it lands.
  raster::Blit(bitmap_, ClipBox(), scale_.ToDevice(dest.left), scale_.ToDevice(dest.top), *src,
               scale_.LengthToDevice(srcX), DeviceSourceY(bitmap, srcY),
               scale_.LengthToDevice(dest.Width()), scale_.LengthToDevice(dest.Height()),
               ModeOf(blend), WeightOf(blend));
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
  const raster::Bitmap* src = DeviceBitmapOf(bitmap);
  if (src == nullptr) return;
  const double k = scale_.Factor();
  raster::RotatedBlit(bitmap_, ClipBox(), *src, cx * k, cy * k, angle, yOffset * k, ModeOf(blend),
                      WeightOf(blend));
}

void DrawContext::DrawPoint(const Color& color, float x, float y, const Blend* blend,
                            bool antialias) {
  const raster::Paint paint = PaintOf(color, blend, antialias);
  if (scale_.IsOne()) {
    raster::DrawPoint(bitmap_, ClipBox(), x + kCentre, y + kCentre, paint);
    return;
  }
  const double k = scale_.Factor();
  if (antialias) {
    // The unscaled point spreads a pixel-sized square over its neighbours; so does this one.
    const double cx = (x + kCentre) * k, cy = (y + kCentre) * k;
    raster::FillArea(bitmap_, ClipBox(), cx - k * 0.5, cy - k * 0.5, cx + k * 0.5, cy + k * 0.5,
                     paint);
    return;
  }
  if (!std::isfinite(x) || !std::isfinite(y) || std::fabs(x) > 1e6 || std::fabs(y) > 1e6) return;
  const int px = int(std::floor(x + kCentre)), py = int(std::floor(y + kCentre));
  raster::FillBox(bitmap_, ClipBox(), BoxOf(scale_.ToDevice(Rect{px, py, px + 1, py + 1})), paint);
}

void DrawContext::SetPixel(const Color& color, int x, int y) {
  if (scale_.IsOne()) {
    raster::PutPixel(bitmap_, x, y, PixelOf(color));
    return;
  }
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  FillDeviceRect(color, scale_.ToDevice(Rect{x, y, x + 1, y + 1}));
}

void DrawContext::DrawLine(const Color& color, float x1, float y1, float x2, float y2,
                           const Blend* blend, bool antialias) {
  const double k = scale_.Factor();
  raster::DrawLine(bitmap_, ClipBox(), (x1 + kCentre) * k, (y1 + kCentre) * k, (x2 + kCentre) * k,
                   (y2 + kCentre) * k, PaintOf(color, blend, antialias, k));
}

void DrawContext::DrawArc(const Color& color, float cx, float cy, float radius, float minAngle,
                          float maxAngle, const Blend* blend, bool antialias) {
  const double k = scale_.Factor();
  raster::DrawArc(bitmap_, ClipBox(), (cx + kCentre) * k, (cy + kCentre) * k, radius * k, minAngle,
                  maxAngle, PaintOf(color, blend, antialias, k));
}

void DrawContext::DrawCircle(const Color& color, float cx, float cy, float radius,
                             const Blend* blend, bool antialias) {
  const double k = scale_.Factor();
  raster::DrawCircle(bitmap_, ClipBox(), (cx + kCentre) * k, (cy + kCentre) * k, radius * k,
                     PaintOf(color, blend, antialias, k));
}

void DrawContext::FillRect(const Color& color, const Rect& r, const Blend* blend) {
  raster::FillBox(bitmap_, ClipBox(), BoxOf(scale_.ToDevice(r)), PaintOf(color, blend, false));
}

const raster::Font* DrawContext::FontFor(const TextStyle& style) {
  const std::string family(style.fontName, strnlen(style.fontName, sizeof style.fontName));
  const int size = scale_.LengthToDevice(style.size);
  for (const FontEntry& entry : fonts_)
    if (entry.size == size && entry.style == style.style && entry.family == family)
      return entry.font.get();
  std::string error;
  FontEntry entry{family, size, style.style,
                  raster::Font::Find(family, size, style.style == kTextBold,
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
  // Aligned on the device grid, where the text is measured.
  const Rect d = Rect{scale_.ToDevice(r.left), scale_.ToDevice(r.top), scale_.ToDevice(r.right),
                      scale_.ToDevice(r.bottom)};
  const int width = font->TextWidth(text);
  int x = d.left;
  if (style.alignment == kAlignCenter)
    x = d.left + (d.Width() - width) / 2;
  else if (style.alignment == kAlignRight)
    x = d.right - width;
  font->Draw(bitmap_, ClipBox(), x, d.top, text, PixelOf(style.color));
}

int DrawContext::TextWidth(const TextStyle& style, const char* text) {
  if (text == nullptr) return 0;
  const raster::Font* font = FontFor(style);
  return font != nullptr ? scale_.LengthToEditor(font->TextWidth(text))
                         : int(std::strlen(text)) * style.size / 2;
}

Color DrawContext::GetPixel(int x, int y) const {
  const raster::Pixel p = x < 0 || y < 0 || x >= width_ || y >= height_
                              ? 0
                              : raster::GetPixel(bitmap_, scale_.ToDevice(x), scale_.ToDevice(y));
  return Color{raster::AlphaOf(p), raster::RedOf(p), raster::GreenOf(p), raster::BlueOf(p)};
}

void DrawContext::DrawVerticalLine(const Color& color, int x, int yLow, int yHigh) {
  if (scale_.IsOne()) {
    raster::VerticalRun(bitmap_, x, yLow, yHigh, PixelOf(color));
    return;
  }
  FillPixelsBetween(color, x, yLow, x, yHigh);
}

void DrawContext::DrawHorizontalLine(const Color& color, int y, int xLow, int xHigh) {
  if (scale_.IsOne()) {
    raster::HorizontalRun(bitmap_, y, xLow, xHigh, PixelOf(color));
    return;
  }
  FillPixelsBetween(color, xLow, y, xHigh, y);
}

void DrawContext::FillPixelsBetween(const Color& color, int x0, int y0, int x1, int y1) {
  if (width_ < 1 || height_ < 1) return;
  x0 = std::clamp(x0, 0, width_ - 1);
  x1 = std::clamp(x1, 0, width_ - 1);
  y0 = std::clamp(y0, 0, height_ - 1);
  y1 = std::clamp(y1, 0, height_ - 1);
  if (x1 < x0 || y1 < y0) return;
  FillDeviceRect(color, scale_.ToDevice(Rect{x0, y0, x1 + 1, y1 + 1}));
}

void DrawContext::DrawRect(const Color& color, const Rect& r) {
  DrawHorizontalLine(color, r.top, r.left, r.right);
  DrawHorizontalLine(color, r.bottom, r.left, r.right);
  DrawVerticalLine(color, r.left, r.top, r.bottom);
  DrawVerticalLine(color, r.right, r.top, r.bottom);
}

void DrawContext::FillDeviceRect(const Color& color, const Rect& deviceRect) {
  // A copy at full weight writes the colour as it is, alpha included.
  raster::FillBox(bitmap_, bitmap_.Bounds(), BoxOf(deviceRect),
                  raster::Paint{PixelOf(color), raster::BlendMode::kCopy, 1.0f, false});
}

}  // namespace gui
