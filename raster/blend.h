// Per-pixel compositing: the four blend modes and the opacity they are applied with.
#pragma once

#include "raster/bitmap.h"

namespace raster {

enum class BlendMode {
  kCopy,   // replaces all four channels (faded by the opacity), ignores the source alpha
  kAlpha,  // source over destination, weighted by the source alpha
  kAdd,    // adds the source colour, weighted by the source alpha, saturating at 255
  kDodge,  // colour dodge (destination brightened by the source), weighted by the source alpha
};

// Maps a weight of 0..1 to an opacity of 0..255; values outside are clamped and NaN gives 0.
inline int OpacityOf(float weight) {
  if (!(weight > 0.0f)) return 0;
  if (weight >= 1.0f) return 255;
  return int(weight * 255.0f + 0.5f);
}

// (a * b) / 255 rounded, for a and b in 0..255.
inline int Mul255(int a, int b) { return (a * b + 127) / 255; }

// Linear mix of d towards s by a / 255, exact at a = 0 and a = 255.
inline int Mix255(int d, int s, int a) { return (d * (255 - a) + s * a + 127) / 255; }

inline int DodgeChannel(int d, int s) {
  if (s >= 255) return d > 0 ? 255 : 0;
  int r = d * 255 / (255 - s);
  return r > 255 ? 255 : r;
}

// Composites src onto dst with an opacity of 0..255 (weight × coverage). The destination's
// colour is treated as opaque; its alpha accumulates as "over" so an opaque target stays opaque.
inline void Composite(Pixel& dst, Pixel src, BlendMode mode, int opacity) {
  if (opacity <= 0) return;
  const Pixel d = dst;
  const int da = AlphaOf(d), dr = RedOf(d), dg = GreenOf(d), db = BlueOf(d);
  const int sa = AlphaOf(src), sr = RedOf(src), sg = GreenOf(src), sb = BlueOf(src);
  if (mode == BlendMode::kCopy) {
    if (opacity >= 255) {
      dst = src;
      return;
    }
    dst = MakePixel(Mix255(da, sa, opacity), Mix255(dr, sr, opacity), Mix255(dg, sg, opacity),
                    Mix255(db, sb, opacity));
    return;
  }
  const int a = Mul255(sa, opacity > 255 ? 255 : opacity);
  if (a == 0) return;
  const int oa = da + Mul255(255 - da, a);
  switch (mode) {
    case BlendMode::kAlpha:
      dst = MakePixel(oa, Mix255(dr, sr, a), Mix255(dg, sg, a), Mix255(db, sb, a));
      break;
    case BlendMode::kAdd: {
      const int r = dr + Mul255(sr, a), g = dg + Mul255(sg, a), b = db + Mul255(sb, a);
      dst = MakePixel(oa, r > 255 ? 255 : r, g > 255 ? 255 : g, b > 255 ? 255 : b);
      break;
    }
    case BlendMode::kDodge:
      dst = MakePixel(oa, Mix255(dr, DodgeChannel(dr, sr), a), Mix255(dg, DodgeChannel(dg, sg), a),
                      Mix255(db, DodgeChannel(db, sb), a));
      break;
    case BlendMode::kCopy:
      break;
  }
}

}  // namespace raster
