// The drawing target of an editor: its off-screen draw bitmap at the device scale, the draw
// rectangle of the current redraw (which clips blended drawing) and the drawing operations the
// surface offers its controls in editor pixels.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "gui/device_scale.h"
#include "gui/records.h"
#include "gui/resources.h"
#include "raster/bitmap.h"

namespace raster {
class Font;
}

namespace gui {

// All operations run on the editor's user-interface thread and take no lock. Coordinates are
// editor pixels; shapes put integer coordinates on pixel centres (a point at (x, y) fills pixel
// (x, y)). Blended drawing is clipped to the draw rectangle; the direct pixel operations
// (SetPixel, DrawVerticalLine, DrawHorizontalLine, DrawRect) write anywhere inside the bitmap.
//
// At a scale above 1 every editor pixel covers scale × scale device pixels of the draw bitmap:
// fills, outlines and pixel runs cover the device pixels of their editor pixels, lines, arcs and
// circles are drawn on the device grid as wide as an editor pixel, texts are rendered by the font
// at the scaled size, and bitmaps come from their image at twice the size (filtered down below 2,
// interpolated up above) or, for images without one, from their own pixels resampled. At scale 1
// every pixel is what the unscaled editor draws.
class DrawContext {
 public:
  // Creates the draw bitmap of width × height editor pixels at scale, opaque black, with the whole
  // editor as draw rectangle. images: where bitmaps' twiceId images are found.
  DrawContext(int width, int height, DeviceScale scale = DeviceScale(), ResourceTable images = {});
  ~DrawContext();
  DrawContext(const DrawContext&) = delete;
  DrawContext& operator=(const DrawContext&) = delete;

  // The editor's size in editor pixels; Target() holds its device pixels.
  int Width() const { return width_; }
  int Height() const { return height_; }
  const DeviceScale& Scale() const { return scale_; }
  raster::Bitmap& Target() { return bitmap_; }
  const raster::Bitmap& Target() const { return bitmap_; }

  void SetDrawRect(const Rect& r) { drawRect_ = r; }
  const Rect& DrawRect() const { return drawRect_; }

  // Blits the dest-sized area at (srcX, srcY) of the bitmap to dest's top-left corner.
  void DrawBitmap(const BitmapRef& bitmap, const Rect& dest, int srcX, int srcY,
                  const Blend* blend);
  // Frame (1-based, clamped to 1..frames) of a multi-frame bitmap at dest's top-left corner.
  void DrawBitmapFrame(const BitmapRef& bitmap, const Rect& dest, int frame, const Blend* blend);
  // The bitmap rotated by angle (radians, clockwise) about (cx, cy), its centre yOffset below
  // the point at angle 0.
  void DrawRotatedBitmap(const BitmapRef& bitmap, int cx, int cy, double angle, int yOffset,
                         const Blend* blend);

  void DrawPoint(const Color& color, float x, float y, const Blend* blend, bool antialias);
  void SetPixel(const Color& color, int x, int y);
  void DrawLine(const Color& color, float x1, float y1, float x2, float y2, const Blend* blend,
                bool antialias);
  // Angles in degrees, 0 at twelve o'clock, clockwise from minAngle to maxAngle.
  void DrawArc(const Color& color, float cx, float cy, float radius, float minAngle, float maxAngle,
               const Blend* blend, bool antialias);
  void DrawCircle(const Color& color, float cx, float cy, float radius, const Blend* blend,
                  bool antialias);
  // Fills the rectangle (right and bottom exclusive), blended with the colour's alpha.
  void FillRect(const Color& color, const Rect& r, const Blend* blend);

  // Draws text from the rectangle's top edge, aligned left, centred or right by the style, not
  // clipped to the rectangle (only to the draw rectangle). A font is realised the first time its
  // family, size and weight are asked for and kept for the context's life; the colour is taken
  // from the style at every call (alpha ignored); the orientation is not used (every text of this
  // editor is level). Without a usable font, texts are skipped and the reason is printed once per
  // process on stderr.
  void DrawText(const TextStyle& style, const char* text, const Rect& r);
  // The width DrawText gives text in editor pixels (rounded up); an estimate without a usable font.
  int TextWidth(const TextStyle& style, const char* text);

  // The device pixel at the top-left of editor pixel (x, y); transparent black outside.
  Color GetPixel(int x, int y) const;
  std::uint32_t* GetPixels() { return bitmap_.Data(); }

  // Direct pixel runs, both ends inclusive: x clamped to 0..width-1 and y to 0..height-1;
  // nothing when yHigh < yLow. DrawHorizontalLine swaps the roles of x and y.
  void DrawVerticalLine(const Color& color, int x, int yLow, int yHigh);
  void DrawHorizontalLine(const Color& color, int y, int xLow, int xHigh);
  // The outline of r with its right and bottom coordinates included, as four pixel runs.
  void DrawRect(const Color& color, const Rect& r);
  // Writes the colour directly into a rectangle of device pixels (clamped to the bitmap), for
  // controls that plot finer than an editor pixel (an envelope curve).
  void FillDeviceRect(const Color& color, const Rect& deviceRect);

 private:
  // At a scale: the editor pixels x0 .. x1, y0 .. y1 (both ends included, clamped to the
  // editor) filled at device resolution.
  void FillPixelsBetween(const Color& color, int x0, int y0, int x1, int y1);

  // A realised font, or null when the lookup failed (it is not tried again).
  struct FontEntry {
    std::string family;
    int size = 0;  // device pixels
    int style = 0;
    std::unique_ptr<raster::Font> font;
  };
  // A bitmap's pixels at this context's scale: the same frames, each resampled on its own.
  struct DeviceBitmap {
    std::shared_ptr<const raster::Bitmap> source;  // the editor-sized bitmap it stands for
    std::shared_ptr<const raster::Bitmap> pixels;
  };

  raster::Box ClipBox() const;
  const raster::Font* FontFor(const TextStyle& style);
  const raster::Bitmap* DeviceBitmapOf(const BitmapRef& bitmap);
  // A source coordinate of a multi-frame bitmap on its device bitmap: whole frames by the device
  // frame height, the rest by the scale.
  int DeviceSourceY(const BitmapRef& bitmap, int srcY) const;

  int width_, height_;
  DeviceScale scale_;
  ResourceTable images_;
  raster::Bitmap bitmap_;
  Rect drawRect_;
  std::vector<FontEntry> fonts_;
  std::vector<DeviceBitmap> deviceBitmaps_;
};

// The raster pixel of a colour, channels clamped to 0..255.
raster::Pixel PixelOf(const Color& color);

}  // namespace gui
