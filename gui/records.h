// The plain records every editor part shares: Rect, Color, TextStyle, BitmapRef, Blend, MouseMod.
#pragma once

#include <memory>

namespace raster {
class Bitmap;
}

namespace gui {

// A rectangle in editor pixels. All four fields 0 is the empty rectangle; right and bottom are
// exclusive for hit tests.
struct Rect {
  int left = 0, top = 0, right = 0, bottom = 0;

  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool IsEmpty() const { return left == 0 && top == 0 && right == 0 && bottom == 0; }
  bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
  // Neither empty, a.right >= b.left, a.left < b.right, a.bottom >= b.top, a.top < b.bottom.
  bool Intersects(const Rect& b) const;
  // The bounding box of both; the union with an empty rectangle is the other one.
  Rect Union(const Rect& b) const;
  // The overlap of both when they intersect, else the empty rectangle.
  Rect Clip(const Rect& b) const;

  bool operator==(const Rect&) const = default;
};

// A colour with channels of 0..255 (values outside are clamped where pixels are made).
struct Color {
  int alpha = 255, red = 0, green = 0, blue = 0;

  bool operator==(const Color&) const = default;
};

enum TextStyleKind : int { kTextNormal = 0, kTextBold = 1, kTextItalic = 2 };
enum TextAlignment : int { kAlignLeft = 0, kAlignCenter = 1, kAlignRight = 2 };

struct TextStyle {
  char fontName[32] = "Arial";  // NUL-terminated family name
  int size = 14;                // font height in pixels
  Color color{255, 255, 255, 255};
  int style = kTextNormal;
  int alignment = kAlignLeft;
  int orientation = 0;  // degrees
};

// A bitmap with its frames stacked vertically. The cache and every reference share ownership, so
// a reference stays valid after the cache releases the bitmap. Width and height are editor
// pixels; a scaled editor draws the image from twiceId (the resource of the same image drawn at
// twice the size) where the module has one, else from this bitmap resampled.
struct BitmapRef {
  std::shared_ptr<const raster::Bitmap> bitmap;
  int width = 0;
  int height = 0;  // all frames
  int frames = 1;
  int twiceId = 0;  // 0: none

  int FrameHeight() const { return frames > 0 ? height / frames : height; }
};

enum BlendMethod : int { BlendNone = 0, BlendCopy = 1, BlendAdd = 2, BlendDodge = 3 };

// How a bitmap or shape is put down; weight 1.0 is full opacity. A null Blend* means BlendNone
// at weight 1.0.
struct Blend {
  BlendMethod method = BlendNone;
  float weight = 1.0f;
};

// Buttons and modifier keys held during a mouse event.
struct MouseMod {
  bool left = false, right = false, shift = false, ctrl = false, alt = false;
};

}  // namespace gui
