// Points, lines, arcs, circles, rectangle fills and direct pixel access on a bitmap.
//
// Shapes use continuous coordinates: pixel (i, j) covers [i, i + 1) × [j, j + 1), so its centre
// is (i + 0.5, j + 0.5). Every shape is clipped to clip ∩ bitmap bounds; non-finite coordinates
// draw nothing. Antialiased shapes weight the colour by each pixel's coverage.
#pragma once

#include "raster/bitmap.h"
#include "raster/blend.h"

namespace raster {

// How a shape's colour is put down: the blend mode, the weight (0..1), antialiasing, and the width
// in pixels of lines, arcs and circles (1 and below: one pixel; a scaled editor draws wider).
struct Paint {
  Pixel color = 0xFF000000u;
  BlendMode mode = BlendMode::kAlpha;
  float weight = 1.0f;
  bool antialias = false;
  double width = 1.0;
};

// One point; antialiased points spread over the up to four pixels around (x, y).
void DrawPoint(Bitmap& dst, const Box& clip, double x, double y, const Paint& paint);

// A segment paint.width pixels wide, both ends included (a wide one has square ends reaching half
// its width past them).
void DrawLine(Bitmap& dst, const Box& clip, double x1, double y1, double x2, double y2,
              const Paint& paint);

// A circular arc of the given radius, paint.width pixels wide. Angles in degrees, 0 at twelve
// o'clock, growing clockwise; the arc runs clockwise from minAngle to maxAngle (swapped if
// reversed), a sweep of 360 or more is a full circle.
void DrawArc(Bitmap& dst, const Box& clip, double cx, double cy, double radius, double minAngle,
             double maxAngle, const Paint& paint);

void DrawCircle(Bitmap& dst, const Box& clip, double cx, double cy, double radius,
                const Paint& paint);

// A filled disc; its rim is antialiased when paint.antialias is set.
void FillCircle(Bitmap& dst, const Box& clip, double cx, double cy, double radius,
                const Paint& paint);

// Fills box ∩ clip with the colour in paint's mode and weight (antialias does not apply).
void FillBox(Bitmap& dst, const Box& clip, const Box& box, const Paint& paint);

// Fills the area x0 <= x < x1, y0 <= y < y1 of continuous coordinates; pixels it only partly covers
// take their share of the colour (always, antialias or not).
void FillArea(Bitmap& dst, const Box& clip, double x0, double y0, double x1, double y1,
              const Paint& paint);

// Direct pixel access without blending; writes outside the bitmap are ignored and reads outside
// it return 0 (transparent black).
void PutPixel(Bitmap& dst, int x, int y, Pixel p);
Pixel GetPixel(const Bitmap& src, int x, int y);

// Direct pixel runs, no blending, no clip box: x is clamped to 0..width-1, both y to
// 0..height-1 (after which yHigh < yLow draws nothing), ends inclusive. HorizontalRun swaps roles.
void VerticalRun(Bitmap& dst, int x, int yLow, int yHigh, Pixel p);
void HorizontalRun(Bitmap& dst, int y, int xLow, int xHigh, Pixel p);

}  // namespace raster
