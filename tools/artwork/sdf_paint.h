// Antialiased drawing by signed distance, for the artwork generator: rounded boxes, thick arcs
// and strokes, vertical gradients; everything composited with raster's blend arithmetic.
#pragma once

#include "raster/bitmap.h"

namespace artwork {

// Fills the rounded box (x, y, w, h) with corner radius r.
void FillRoundBox(raster::Bitmap& dst, double x, double y, double w, double h, double r,
                  raster::Pixel color);
// An outline just inside the rounded box, width pixels wide.
void StrokeRoundBox(raster::Bitmap& dst, double x, double y, double w, double h, double r,
                    raster::Pixel color, double width = 1.0);
// Fills the rounded box with a vertical gradient from top to bottom.
void GradientRoundBox(raster::Bitmap& dst, double x, double y, double w, double h, double r,
                      raster::Pixel top, raster::Pixel bottom);
// A filled disc, optionally shaded from top to bottom.
void FillDisc(raster::Bitmap& dst, double cx, double cy, double r, raster::Pixel top,
              raster::Pixel bottom);
// A stroke of the given width along the arc (degrees, 0 at twelve o'clock, clockwise from a0 to
// a1) with round caps.
void StrokeArc(raster::Bitmap& dst, double cx, double cy, double r, double a0, double a1,
               double width, raster::Pixel color);
// A stroke of the given width from (x1, y1) to (x2, y2) with round caps.
void StrokeSegment(raster::Bitmap& dst, double x1, double y1, double x2, double y2, double width,
                   raster::Pixel color);

// Linear mix of two colours, t in 0..1.
raster::Pixel MixColor(raster::Pixel a, raster::Pixel b, double t);

}  // namespace artwork
