// The drawing target of an editor: its off-screen draw bitmap, the draw rectangle of the current
// redraw (which clips blended drawing) and the drawing operations the surface offers its controls.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "gui/records.h"
#include "raster/bitmap.h"

namespace raster {
class Font;
}

namespace gui {

// All operations run on the editor's user-interface thread and take no lock. Coordinates are
// editor pixels; shapes put integer coordinates on pixel centres (a point at (x, y) fills pixel
// (x, y)). Blended drawing is clipped to the draw rectangle; the direct pixel operations
// (SetPixel, DrawVerticalLine, DrawHorizontalLine, DrawRect) write anywhere inside the bitmap.
class DrawContext {
 public:
  // Creates the width × height draw bitmap, opaque black, with the whole bitmap as draw rectangle.
  DrawContext(int width, int height);
  ~DrawContext();
  DrawContext(const DrawContext&) = delete;
  DrawContext& operator=(const DrawContext&) = delete;

  int Width() const { return bitmap_.Width(); }
  int Height() const { return bitmap_.Height(); }
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
  // The width DrawText gives text in pixels; an estimate without a usable font.
  int TextWidth(const TextStyle& style, const char* text);

  // Transparent black outside the bitmap.
  Color GetPixel(int x, int y) const;
  std::uint32_t* GetPixels() { return bitmap_.Data(); }

  // Direct pixel runs, both ends inclusive: x clamped to 0..width-1 and y to 0..height-1;
  // nothing when yHigh < yLow. DrawHorizontalLine swaps the roles of x and y.
  void DrawVerticalLine(const Color& color, int x, int yLow, int yHigh);
  void DrawHorizontalLine(const Color& color, int y, int xLow, int xHigh);
  // The outline of r with its right and bottom coordinates included, as four pixel runs.
  void DrawRect(const Color& color, const Rect& r);

 private:
  // A realised font, or null when the lookup failed (it is not tried again).
  struct FontEntry {
    std::string family;
    int size = 0;
    int style = 0;
    std::unique_ptr<raster::Font> font;
  };

  raster::Box ClipBox() const;
  const raster::Font* FontFor(const TextStyle& style);

  raster::Bitmap bitmap_;
  Rect drawRect_;
  std::vector<FontEntry> fonts_;
};

// The raster pixel of a colour, channels clamped to 0..255.
raster::Pixel PixelOf(const Color& color);

}  // namespace gui
