// Clipped blits, rotated blits and resampling.
#include "raster/blit.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace raster {
namespace {

// Clamps a 64-bit coordinate into int range without overflow.
int Clamp64(std::int64_t v) {
  return int(std::clamp<std::int64_t>(v, -(std::int64_t(1) << 30), std::int64_t(1) << 30));
}

// Premultiplied floating-point pixel used while resampling.
struct Premul {
  float a = 0, r = 0, g = 0, b = 0;
};

Premul ToPremul(Pixel p) {
  const float a = float(AlphaOf(p)) / 255.0f;
  return Premul{a, float(RedOf(p)) * a, float(GreenOf(p)) * a, float(BlueOf(p)) * a};
}

Pixel FromPremul(const Premul& q) {
  if (q.a <= 0.0f) return 0;
  auto channel = [&](float c) { return int(std::clamp(c / q.a, 0.0f, 255.0f) + 0.5f); };
  const int a = int(std::clamp(q.a, 0.0f, 1.0f) * 255.0f + 0.5f);
  return MakePixel(a, channel(q.r), channel(q.g), channel(q.b));
}

// Weights of the source cells that make destination cell i when n source cells map to m: the
// area each covers when shrinking (m <= n), the two nearest centres when growing.
template <typename F>
void ForEachCover(int i, int n, int m, F&& f) {
  const double scale = double(n) / double(m);
  if (m > n) {
    const double u = (i + 0.5) * scale - 0.5;
    const int j = int(std::floor(u));
    const float t = float(u - j);
    if (j < 0) return f(0, 1.0f);
    if (j >= n - 1) return f(n - 1, 1.0f);
    f(j, 1.0f - t);
    if (t > 0.0f) f(j + 1, t);
    return;
  }
  const double lo = i * scale, hi = (i + 1) * scale;
  for (int j = int(lo); j < n && j < hi; ++j) {
    const double w = std::min(hi, double(j + 1)) - std::max(lo, double(j));
    if (w > 0.0) f(j, float(w / scale));
  }
}

}  // namespace

void Blit(Bitmap& dst, const Box& clip, int dx, int dy, const Bitmap& src, int sx, int sy, int w,
          int h, BlendMode mode, float weight) {
  const int opacity = OpacityOf(weight);
  if (opacity == 0 || w <= 0 || h <= 0 || src.Empty() || dst.Empty()) return;
  // Destination area, then the part backed by source pixels (offset between the two is fixed).
  const std::int64_t ox = std::int64_t(sx) - dx, oy = std::int64_t(sy) - dy;
  Box area{dx, dy, Clamp64(std::int64_t(dx) + w), Clamp64(std::int64_t(dy) + h)};
  area = area.Intersect(clip).Intersect(dst.Bounds());
  area = area.Intersect(
      Box{Clamp64(-ox), Clamp64(-oy), Clamp64(src.Width() - ox), Clamp64(src.Height() - oy)});
  if (area.Empty()) return;
  const int n = area.x1 - area.x0;
  for (int y = area.y0; y < area.y1; ++y) {
    Pixel* d = dst.Row(y) + area.x0;
    const Pixel* s = src.Row(int(y + oy)) + (area.x0 + ox);
    if (mode == BlendMode::kCopy && opacity == 255) {
      std::memcpy(d, s, std::size_t(n) * sizeof(Pixel));
      continue;
    }
    for (int i = 0; i < n; ++i) Composite(d[i], s[i], mode, opacity);
  }
}

void RotatedBlit(Bitmap& dst, const Box& clip, const Bitmap& src, double cx, double cy,
                 double angle, double yOffset, BlendMode mode, float weight) {
  const int opacity = OpacityOf(weight);
  if (opacity == 0 || src.Empty() || dst.Empty()) return;
  if (!std::isfinite(cx) || !std::isfinite(cy) || !std::isfinite(angle) || !std::isfinite(yOffset))
    return;
  const double hw = src.Width() * 0.5, hh = src.Height() * 0.5;
  const double reach = std::sqrt(hw * hw + hh * hh) + std::fabs(yOffset) + 2.0;
  Box area{int(std::floor(std::max(cx - reach, -1e9))), int(std::floor(std::max(cy - reach, -1e9))),
           int(std::ceil(std::min(cx + reach, 1e9))), int(std::ceil(std::min(cy + reach, 1e9)))};
  area = area.Intersect(clip).Intersect(dst.Bounds());
  if (area.Empty()) return;
  const double c = std::cos(angle), s = std::sin(angle);
  auto texel = [&](int x, int y) -> Premul {
    if (x < 0 || y < 0 || x >= src.Width() || y >= src.Height()) return Premul{};
    return ToPremul(src.At(x, y));
  };
  for (int y = area.y0; y < area.y1; ++y) {
    for (int x = area.x0; x < area.x1; ++x) {
      const double rx = x + 0.5 - cx, ry = y + 0.5 - cy;
      // Inverse rotation into the bitmap's frame, then to source pixel-centre coordinates.
      const double u = rx * c + ry * s + hw - 0.5;
      const double v = -rx * s + ry * c - yOffset + hh - 0.5;
      if (u <= -1.0 || v <= -1.0 || u >= src.Width() || v >= src.Height()) continue;
      const int x0 = int(std::floor(u)), y0 = int(std::floor(v));
      const float fx = float(u - x0), fy = float(v - y0);
      const Premul p00 = texel(x0, y0), p10 = texel(x0 + 1, y0), p01 = texel(x0, y0 + 1),
                   p11 = texel(x0 + 1, y0 + 1);
      auto lerp2 = [&](float a, float b, float cc, float d) {
        return (a * (1 - fx) + b * fx) * (1 - fy) + (cc * (1 - fx) + d * fx) * fy;
      };
      const Premul q{lerp2(p00.a, p10.a, p01.a, p11.a), lerp2(p00.r, p10.r, p01.r, p11.r),
                     lerp2(p00.g, p10.g, p01.g, p11.g), lerp2(p00.b, p10.b, p01.b, p11.b)};
      const Pixel px = FromPremul(q);
      if (AlphaOf(px) == 0) continue;
      Composite(dst.At(x, y), px, mode, opacity);
    }
  }
}

Bitmap Scaled(const Bitmap& src, int width, int height) {
  Bitmap out(width, height);
  if (out.Empty() || src.Empty()) return Bitmap();
  const int sw = src.Width(), sh = src.Height();
  // Horizontal pass into a premultiplied buffer of width × sh, then the vertical pass.
  std::vector<Premul> tmp(std::size_t(width) * std::size_t(sh));
  for (int y = 0; y < sh; ++y) {
    const Pixel* row = src.Row(y);
    for (int x = 0; x < width; ++x) {
      Premul acc;
      ForEachCover(x, sw, width, [&](int j, float w) {
        const Premul p = ToPremul(row[j]);
        acc.a += p.a * w, acc.r += p.r * w, acc.g += p.g * w, acc.b += p.b * w;
      });
      tmp[std::size_t(y) * std::size_t(width) + std::size_t(x)] = acc;
    }
  }
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      Premul acc;
      ForEachCover(y, sh, height, [&](int j, float w) {
        const Premul& p = tmp[std::size_t(j) * std::size_t(width) + std::size_t(x)];
        acc.a += p.a * w, acc.r += p.r * w, acc.g += p.g * w, acc.b += p.b * w;
      });
      out.At(x, y) = FromPremul(acc);
    }
  }
  return out;
}

Bitmap Cropped(const Bitmap& src, int x, int y, int w, int h) {
  Bitmap out(w, h, 0);
  if (out.Empty()) return out;
  Blit(out, out.Bounds(), 0, 0, src, x, y, w, h, BlendMode::kCopy, 1.0f);
  return out;
}

}  // namespace raster
