// Bitmap-to-bitmap operations: clipped blits in the four blend modes, rotation, scaling, cropping.
#pragma once

#include "raster/bitmap.h"
#include "raster/blend.h"

namespace raster {

// Copies the w × h source area at (sx, sy) to (dx, dy) in dst with the given mode and weight
// (0..1). Only pixels inside clip, inside dst and backed by a source pixel are touched.
void Blit(Bitmap& dst, const Box& clip, int dx, int dy, const Bitmap& src, int sx, int sy, int w,
          int h, BlendMode mode, float weight);

// Draws src rotated by angle (radians, clockwise on screen) about (cx, cy). At angle 0 the
// bitmap's centre sits at (cx, cy + yOffset); the offset turns with the bitmap. Bilinear sampling,
// edges fade out antialiased; pixels outside the rotated source are left alone in every mode.
void RotatedBlit(Bitmap& dst, const Box& clip, const Bitmap& src, double cx, double cy,
                 double angle, double yOffset, BlendMode mode, float weight);

// A new width × height bitmap of src resampled with alpha-weighted colours (transparent pixels do
// not darken edges): along an axis that shrinks (or keeps its size) by area averaging, along one
// that grows by bilinear interpolation between pixel centres, edges held. Empty when either size
// is below 1 or src is empty.
Bitmap Scaled(const Bitmap& src, int width, int height);

// A new w × h bitmap holding the area of src at (x, y); parts outside src are transparent.
Bitmap Cropped(const Bitmap& src, int x, int y, int w, int h);

}  // namespace raster
