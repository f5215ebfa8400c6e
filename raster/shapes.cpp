// Rasterisation of points, lines, arcs, circles and fills.
#include "raster/shapes.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace raster {
namespace {

constexpr double kPi = 3.14159265358979323846;

// Composites one pixel with a coverage of 0..1 if it lies inside the clip box.
void Plot(Bitmap& dst, const Box& clip, int x, int y, const Paint& p, int opacity,
          double coverage) {
  if (!clip.Contains(x, y)) return;
  const int a = coverage >= 1.0 ? opacity : int(opacity * coverage + 0.5);
  Composite(dst.At(x, y), p.color, p.mode, a);
}

bool Finite(double a, double b, double c = 0.0, double d = 0.0) {
  return std::isfinite(a) && std::isfinite(b) && std::isfinite(c) && std::isfinite(d);
}

// Liang-Barsky: shortens the segment to the box grown by a margin; false if nothing remains.
bool ClipSegment(double& x1, double& y1, double& x2, double& y2, const Box& box) {
  const double m = 2.0;
  const double lo[2] = {box.x0 - m, box.y0 - m}, hi[2] = {box.x1 + m, box.y1 + m};
  const double p0[2] = {x1, y1}, d[2] = {x2 - x1, y2 - y1};
  double t0 = 0.0, t1 = 1.0;
  for (int k = 0; k < 2; ++k) {
    if (d[k] == 0.0) {
      if (p0[k] < lo[k] || p0[k] > hi[k]) return false;
      continue;
    }
    double ta = (lo[k] - p0[k]) / d[k], tb = (hi[k] - p0[k]) / d[k];
    if (ta > tb) std::swap(ta, tb);
    t0 = std::max(t0, ta);
    t1 = std::min(t1, tb);
    if (t0 > t1) return false;
  }
  x1 = p0[0] + d[0] * t0, y1 = p0[1] + d[1] * t0;
  x2 = p0[0] + d[0] * t1, y2 = p0[1] + d[1] * t1;
  return true;
}

// The part of the bitmap a shape around (cx, cy) with the given reach can touch.
Box AreaAround(const Bitmap& dst, const Box& clip, double cx, double cy, double reach) {
  const double lim = 1e9;
  Box b{int(std::floor(std::clamp(cx - reach, -lim, lim))),
        int(std::floor(std::clamp(cy - reach, -lim, lim))),
        int(std::ceil(std::clamp(cx + reach, -lim, lim))) + 1,
        int(std::ceil(std::clamp(cy + reach, -lim, lim))) + 1};
  return b.Intersect(clip).Intersect(dst.Bounds());
}

// True if the direction from the centre (dx, dy) lies in the clockwise sweep from a0 (degrees).
bool InSweep(double dx, double dy, double a0, double sweep) {
  if (sweep >= 360.0) return true;
  double a = std::atan2(dx, -dy) * 180.0 / kPi - a0;
  a = std::fmod(a, 360.0);
  if (a < 0) a += 360.0;
  return a <= sweep;
}

// The width of a stroke: at least one pixel, at most a sane size.
double StrokeWidth(const Paint& p) {
  return p.width > 1.0 && std::isfinite(p.width) ? std::min(p.width, 1e4) : 1.0;
}

// Ring of radius r around (cx, cy), paint.width wide, optionally restricted to an angular sweep.
void Ring(Bitmap& dst, const Box& clip, double cx, double cy, double r, double a0, double sweep,
          const Paint& p) {
  const int opacity = OpacityOf(p.weight);
  if (opacity == 0 || !Finite(cx, cy, r, a0) || !std::isfinite(sweep) || r < 0.0) return;
  const double half = StrokeWidth(p) * 0.5;
  const Box area = AreaAround(dst, clip, cx, cy, r + half + 0.5);
  for (int y = area.y0; y < area.y1; ++y) {
    for (int x = area.x0; x < area.x1; ++x) {
      const double dx = x + 0.5 - cx, dy = y + 0.5 - cy;
      // Distance outside the stroke's middle half-width: 0.5 - e of the one-pixel ring.
      const double e = std::fabs(std::sqrt(dx * dx + dy * dy) - r) - (half - 0.5);
      double cover = p.antialias ? std::min(1.0 - e, 1.0) : (e < 0.5 ? 1.0 : 0.0);
      if (cover <= 0.0 || !InSweep(dx, dy, a0, sweep)) continue;
      Plot(dst, area, x, y, p, opacity, cover);
    }
  }
}

// A segment wider than a pixel: a rectangle around it reaching half the width past both ends;
// each pixel takes the coverage of its centre's distance from the rectangle's edge.
void WideLine(Bitmap& dst, const Box& area, double x1, double y1, double x2, double y2,
              const Paint& p, int opacity) {
  const double half = StrokeWidth(p) * 0.5;
  const double dx = x2 - x1, dy = y2 - y1, length = std::sqrt(dx * dx + dy * dy);
  // Unit vectors along and across the segment (any direction for a zero-length one).
  const double ux = length > 0.0 ? dx / length : 1.0, uy = length > 0.0 ? dy / length : 0.0;
  const Box box =
      Box{int(std::floor(std::min(x1, x2) - half)) - 1,
          int(std::floor(std::min(y1, y2) - half)) - 1, int(std::ceil(std::max(x1, x2) + half)) + 2,
          int(std::ceil(std::max(y1, y2) + half)) + 2}
          .Intersect(area);
  for (int y = box.y0; y < box.y1; ++y) {
    for (int x = box.x0; x < box.x1; ++x) {
      const double px = x + 0.5 - x1, py = y + 0.5 - y1;
      const double along = px * ux + py * uy, across = std::fabs(-px * uy + py * ux);
      const double outside =
          std::max(across - half, std::max(-half - along, along - length - half));
      const double cover =
          p.antialias ? std::clamp(0.5 - outside, 0.0, 1.0) : (outside < 0.0 ? 1.0 : 0.0);
      if (cover > 0.0) Plot(dst, area, x, y, p, opacity, cover);
    }
  }
}

}  // namespace

void DrawPoint(Bitmap& dst, const Box& clip, double x, double y, const Paint& p) {
  const int opacity = OpacityOf(p.weight);
  if (opacity == 0 || !Finite(x, y) || std::fabs(x) > 1e9 || std::fabs(y) > 1e9) return;
  const Box area = clip.Intersect(dst.Bounds());
  if (!p.antialias) {
    Plot(dst, area, int(std::floor(x)), int(std::floor(y)), p, opacity, 1.0);
    return;
  }
  const double u = x - 0.5, v = y - 0.5;
  const int ix = int(std::floor(u)), iy = int(std::floor(v));
  const double fx = u - ix, fy = v - iy;
  Plot(dst, area, ix, iy, p, opacity, (1 - fx) * (1 - fy));
  Plot(dst, area, ix + 1, iy, p, opacity, fx * (1 - fy));
  Plot(dst, area, ix, iy + 1, p, opacity, (1 - fx) * fy);
  Plot(dst, area, ix + 1, iy + 1, p, opacity, fx * fy);
}

void DrawLine(Bitmap& dst, const Box& clip, double x1, double y1, double x2, double y2,
              const Paint& p) {
  const int opacity = OpacityOf(p.weight);
  if (opacity == 0 || !Finite(x1, y1, x2, y2)) return;
  const Box area = clip.Intersect(dst.Bounds());
  if (area.Empty() || !ClipSegment(x1, y1, x2, y2, area)) return;
  if (StrokeWidth(p) > 1.0) return WideLine(dst, area, x1, y1, x2, y2, p, opacity);
  if (!p.antialias) {
    // Bresenham between the pixels holding the two ends.
    int ax = int(std::floor(x1)), ay = int(std::floor(y1));
    const int bx = int(std::floor(x2)), by = int(std::floor(y2));
    const int dx = std::abs(bx - ax), dy = -std::abs(by - ay);
    const int sx = ax < bx ? 1 : -1, sy = ay < by ? 1 : -1;
    int err = dx + dy;
    for (;;) {
      Plot(dst, area, ax, ay, p, opacity, 1.0);
      if (ax == bx && ay == by) break;
      const int e2 = 2 * err;
      if (e2 >= dy) err += dy, ax += sx;
      if (e2 <= dx) err += dx, ay += sy;
    }
    return;
  }
  // Wu's algorithm on pixel-centre coordinates: two pixels per step across the major axis.
  x1 -= 0.5, y1 -= 0.5, x2 -= 0.5, y2 -= 0.5;
  const bool steep = std::fabs(y2 - y1) > std::fabs(x2 - x1);
  if (steep) std::swap(x1, y1), std::swap(x2, y2);
  if (x1 > x2) std::swap(x1, x2), std::swap(y1, y2);
  const double gradient = x2 - x1 > 0.0 ? (y2 - y1) / (x2 - x1) : 0.0;
  const int xs = int(std::lround(x1)), xe = int(std::lround(x2));
  for (int x = xs; x <= xe; ++x) {
    const double y = y1 + gradient * (x - x1);
    const int iy = int(std::floor(y));
    const double f = y - iy;
    if (steep) {
      Plot(dst, area, iy, x, p, opacity, 1.0 - f);
      if (f > 0.0) Plot(dst, area, iy + 1, x, p, opacity, f);
    } else {
      Plot(dst, area, x, iy, p, opacity, 1.0 - f);
      if (f > 0.0) Plot(dst, area, x, iy + 1, p, opacity, f);
    }
  }
}

void DrawArc(Bitmap& dst, const Box& clip, double cx, double cy, double radius, double minAngle,
             double maxAngle, const Paint& p) {
  if (!Finite(minAngle, maxAngle)) return;
  if (maxAngle < minAngle) std::swap(minAngle, maxAngle);
  Ring(dst, clip, cx, cy, radius, minAngle, maxAngle - minAngle, p);
}

void DrawCircle(Bitmap& dst, const Box& clip, double cx, double cy, double radius, const Paint& p) {
  Ring(dst, clip, cx, cy, radius, 0.0, 360.0, p);
}

void FillCircle(Bitmap& dst, const Box& clip, double cx, double cy, double radius, const Paint& p) {
  const int opacity = OpacityOf(p.weight);
  if (opacity == 0 || !Finite(cx, cy, radius) || radius <= 0.0) return;
  const Box area = AreaAround(dst, clip, cx, cy, radius + 1.0);
  for (int y = area.y0; y < area.y1; ++y) {
    for (int x = area.x0; x < area.x1; ++x) {
      const double dx = x + 0.5 - cx, dy = y + 0.5 - cy;
      const double e = radius - std::sqrt(dx * dx + dy * dy);
      const double cover = p.antialias ? std::clamp(e + 0.5, 0.0, 1.0) : (e >= 0.0 ? 1.0 : 0.0);
      if (cover > 0.0) Plot(dst, area, x, y, p, opacity, cover);
    }
  }
}

void FillBox(Bitmap& dst, const Box& clip, const Box& box, const Paint& p) {
  const int opacity = OpacityOf(p.weight);
  const Box area = box.Intersect(clip).Intersect(dst.Bounds());
  if (opacity == 0 || area.Empty()) return;
  for (int y = area.y0; y < area.y1; ++y) {
    Pixel* row = dst.Row(y);
    for (int x = area.x0; x < area.x1; ++x) Composite(row[x], p.color, p.mode, opacity);
  }
}

void FillArea(Bitmap& dst, const Box& clip, double x0, double y0, double x1, double y1,
              const Paint& p) {
  const int opacity = OpacityOf(p.weight);
  if (opacity == 0 || !Finite(x0, y0, x1, y1) || x1 <= x0 || y1 <= y0) return;
  const double lim = 1e9;
  x0 = std::clamp(x0, -lim, lim), x1 = std::clamp(x1, -lim, lim);
  y0 = std::clamp(y0, -lim, lim), y1 = std::clamp(y1, -lim, lim);
  const Box area =
      Box{int(std::floor(x0)), int(std::floor(y0)), int(std::ceil(x1)), int(std::ceil(y1))}
          .Intersect(clip)
          .Intersect(dst.Bounds());
  for (int y = area.y0; y < area.y1; ++y) {
    const double h = std::min(y1, y + 1.0) - std::max(y0, double(y));
    for (int x = area.x0; x < area.x1; ++x) {
      const double w = std::min(x1, x + 1.0) - std::max(x0, double(x));
      if (w > 0.0 && h > 0.0) Plot(dst, area, x, y, p, opacity, w * h);
    }
  }
}

void PutPixel(Bitmap& dst, int x, int y, Pixel p) {
  if (dst.Bounds().Contains(x, y)) dst.At(x, y) = p;
}

Pixel GetPixel(const Bitmap& src, int x, int y) {
  return src.Bounds().Contains(x, y) ? src.At(x, y) : 0;
}

void VerticalRun(Bitmap& dst, int x, int yLow, int yHigh, Pixel p) {
  if (dst.Empty()) return;
  x = std::clamp(x, 0, dst.Width() - 1);
  yLow = std::clamp(yLow, 0, dst.Height() - 1);
  yHigh = std::clamp(yHigh, 0, dst.Height() - 1);
  for (int y = yLow; y <= yHigh; ++y) dst.At(x, y) = p;
}

void HorizontalRun(Bitmap& dst, int y, int xLow, int xHigh, Pixel p) {
  if (dst.Empty()) return;
  y = std::clamp(y, 0, dst.Height() - 1);
  xLow = std::clamp(xLow, 0, dst.Width() - 1);
  xHigh = std::clamp(xHigh, 0, dst.Width() - 1);
  Pixel* row = dst.Row(y);
  for (int x = xLow; x <= xHigh; ++x) row[x] = p;
}

}  // namespace raster
