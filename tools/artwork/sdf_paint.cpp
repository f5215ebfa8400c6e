// Signed-distance rasterisation for the artwork generator.
#include "tools/artwork/sdf_paint.h"

#include <algorithm>
#include <cmath>

#include "raster/blend.h"

namespace artwork {
namespace {

constexpr double kPi = 3.14159265358979323846;

// Distance from (px, py) to the rounded box; negative inside.
double RoundBoxDistance(double px, double py, double x, double y, double w, double h, double r) {
  const double cx = x + w * 0.5, cy = y + h * 0.5;
  const double qx = std::fabs(px - cx) - (w * 0.5 - r), qy = std::fabs(py - cy) - (h * 0.5 - r);
  const double ox = std::max(qx, 0.0), oy = std::max(qy, 0.0);
  return std::sqrt(ox * ox + oy * oy) + std::min(std::max(qx, qy), 0.0) - r;
}

void Put(raster::Bitmap& dst, int x, int y, raster::Pixel color, double cover) {
  if (cover <= 0.0 || !dst.Bounds().Contains(x, y)) return;
  raster::Composite(dst.At(x, y), color, raster::BlendMode::kAlpha,
                    int(std::min(cover, 1.0) * 255.0 + 0.5));
}

template <typename F>
void ForArea(raster::Bitmap& dst, double x0, double y0, double x1, double y1, F&& f) {
  const int ix0 = std::max(0, int(std::floor(x0)) - 1), iy0 = std::max(0, int(std::floor(y0)) - 1);
  const int ix1 = std::min(dst.Width(), int(std::ceil(x1)) + 1);
  const int iy1 = std::min(dst.Height(), int(std::ceil(y1)) + 1);
  for (int y = iy0; y < iy1; ++y)
    for (int x = ix0; x < ix1; ++x) f(x, y, x + 0.5, y + 0.5);
}

double Coverage(double distance) { return std::clamp(0.5 - distance, 0.0, 1.0); }

}  // namespace

raster::Pixel MixColor(raster::Pixel a, raster::Pixel b, double t) {
  auto m = [&](int ca, int cb) { return int(std::lround(ca + (cb - ca) * t)); };
  return raster::MakePixel(
      m(raster::AlphaOf(a), raster::AlphaOf(b)), m(raster::RedOf(a), raster::RedOf(b)),
      m(raster::GreenOf(a), raster::GreenOf(b)), m(raster::BlueOf(a), raster::BlueOf(b)));
}

void FillRoundBox(raster::Bitmap& dst, double x, double y, double w, double h, double r,
                  raster::Pixel color) {
  GradientRoundBox(dst, x, y, w, h, r, color, color);
}

void GradientRoundBox(raster::Bitmap& dst, double x, double y, double w, double h, double r,
                      raster::Pixel top, raster::Pixel bottom) {
  ForArea(dst, x, y, x + w, y + h, [&](int ix, int iy, double px, double py) {
    const double t = h > 1.0 ? std::clamp((py - y) / h, 0.0, 1.0) : 0.0;
    Put(dst, ix, iy, MixColor(top, bottom, t), Coverage(RoundBoxDistance(px, py, x, y, w, h, r)));
  });
}

void StrokeRoundBox(raster::Bitmap& dst, double x, double y, double w, double h, double r,
                    raster::Pixel color, double width) {
  ForArea(dst, x, y, x + w, y + h, [&](int ix, int iy, double px, double py) {
    const double d = RoundBoxDistance(px, py, x, y, w, h, r);
    Put(dst, ix, iy, color, Coverage(d) - Coverage(d + width));
  });
}

void FillDisc(raster::Bitmap& dst, double cx, double cy, double r, raster::Pixel top,
              raster::Pixel bottom) {
  ForArea(dst, cx - r, cy - r, cx + r, cy + r, [&](int ix, int iy, double px, double py) {
    const double d = std::hypot(px - cx, py - cy) - r;
    const double t = std::clamp((py - (cy - r)) / (2.0 * r), 0.0, 1.0);
    Put(dst, ix, iy, MixColor(top, bottom, t), Coverage(d));
  });
}

void StrokeArc(raster::Bitmap& dst, double cx, double cy, double r, double a0, double a1,
               double width, raster::Pixel color) {
  const double sweep = a1 - a0;
  auto at = [&](double deg) {
    const double rad = deg * kPi / 180.0;
    return std::pair<double, double>{cx + r * std::sin(rad), cy - r * std::cos(rad)};
  };
  const auto [ex0, ey0] = at(a0);
  const auto [ex1, ey1] = at(a1);
  const double reach = r + width;
  ForArea(dst, cx - reach, cy - reach, cx + reach, cy + reach,
          [&](int ix, int iy, double px, double py) {
            double a = std::atan2(px - cx, -(py - cy)) * 180.0 / kPi - a0;
            a = std::fmod(a, 360.0);
            if (a < 0) a += 360.0;
            double d;
            if (a <= sweep)
              d = std::fabs(std::hypot(px - cx, py - cy) - r);
            else
              d = std::min(std::hypot(px - ex0, py - ey0), std::hypot(px - ex1, py - ey1));
            Put(dst, ix, iy, color, Coverage(d - width * 0.5));
          });
}

void StrokeSegment(raster::Bitmap& dst, double x1, double y1, double x2, double y2, double width,
                   raster::Pixel color) {
  const double dx = x2 - x1, dy = y2 - y1, len2 = dx * dx + dy * dy;
  ForArea(dst, std::min(x1, x2) - width, std::min(y1, y2) - width, std::max(x1, x2) + width,
          std::max(y1, y2) + width, [&](int ix, int iy, double px, double py) {
            const double t =
                len2 > 0.0 ? std::clamp(((px - x1) * dx + (py - y1) * dy) / len2, 0.0, 1.0) : 0.0;
            const double d = std::hypot(px - (x1 + t * dx), py - (y1 + t * dy));
            Put(dst, ix, iy, color, Coverage(d - width * 0.5));
          });
}

}  // namespace artwork
