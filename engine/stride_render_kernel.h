// The stride render kernel, written once over a vector-operations type V whose lanes hold
// consecutive samples of one grain (SSE2: two, AVX2: four, AVX-512: eight). A grain that moves
// through its source by exactly one sample per output sample keeps the fraction of its read
// position, so its interpolation weights stay fixed and its three-point reads are plain loads of
// neighbouring samples. Per sample it performs RenderPair's operations in RenderPair's order (the
// envelope phase is stepped one sample after the other, as there), so its output is the same to
// the bit. Near a wrap of the source, where a step would round, and for other increments it falls
// back to one sample at a time. Each path's translation unit includes it; its unnamed namespace
// gives each of them its own copy.
#pragma once

#include <emmintrin.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>

#include "engine/grain_render.h"

namespace engine {

namespace {

// Scalar steps shared by the kernels. Every function is a member of a template, so each copy is
// named after the path it serves.
template <class V>
struct WholeSteps {
  // Truncation as the vector conversions do it (out of range: the lowest value).
  static int Trunc32(double x) { return _mm_cvttsd_si32(_mm_set1_pd(x)); }
  static std::int64_t Trunc64(double x) { return _mm_cvttsd_si64(_mm_set1_pd(x)); }

  // The weights of the three-point read at fraction f.
  static void Weights(double f, double* ca, double* cb, double* cc) {
    const double fm1 = f - 1.0;
    const double fm2 = fm1 - 1.0;
    const double halfFm1 = fm1 * 0.5;
    *ca = halfFm1 * fm2;
    *cb = f * fm2;
    *cc = f * halfFm1;
  }

  // How many of the next samples (at most `limit`) a lane at `pos` moving by `inc` through a
  // source of `length` samples can take in whole-sample steps: its reads need no wrap and every
  // step is exact, since position and 1 share a binade's grid (the fraction stays as it is). 0
  // for increments other than +1 and -1.
  static int Span(double pos, double inc, std::int64_t length, int limit) {
    const std::int64_t i = Trunc64(pos);
    std::int64_t span = 0;
    if (inc == 1.0) {
      if (i >= 1) {
        const std::int64_t binade = std::int64_t{1}
                                    << std::bit_width(static_cast<std::uint64_t>(i));
        span = std::min(length, binade) - 1 - i;  // the last step ends below both
      }
    } else if (inc == -1.0) {
      if (i <= length - 2) span = i;  // the last sample reads index 0
    }
    return static_cast<int>(std::clamp<std::int64_t>(span, 0, limit));
  }
};

// Every function is a member of the template, so each copy is named after the path it serves.
// The per-vector steps are always inlined: a call would pass the vectors through memory.
template <class V>
struct StrideKernel {
  using Vec = typename V::Vec;
  static constexpr int kW = V::kLanes;  // samples per vector

  // One lane's settings and state for one render.
  struct Lane {
    double pos, phase, inc, len, phaseInc, pan, panLeft, amp, mix, mixRight;
    std::int64_t lenI;
    const double *s0, *s1, *env;
    int first, last;  // the block samples it sounds at
  };

  static int Trunc32(double x) { return WholeSteps<V>::Trunc32(x); }
  static std::int64_t Trunc64(double x) { return WholeSteps<V>::Trunc64(x); }
  // minpd and maxpd: the second operand unless the first is smaller (larger), so NaN ends at 1.
  static double Clamp1(double x) {
    const double m = x < 1.0 ? x : 1.0;
    return m > -1.0 ? m : -1.0;
  }
  static Vec Clamp1(Vec x) { return V::Max(V::Min(x, V::Set(1.0)), V::Set(-1.0)); }

  // Envelope x signal x amplitude of a sounding lane at its position and phase anywhere in its
  // source, then one step: RenderPair's sample for one lane.
  static double Sample(Lane& l) {
    const double pos = l.pos;
    const double f = pos - static_cast<double>(Trunc32(pos));
    const std::int64_t i = Trunc64(pos);
    const std::int64_t below = i - 1 + (i == 0 ? l.lenI : 0);
    const std::int64_t above = i + 1 - (i + 1 == l.lenI ? l.lenI : 0);
    double ca, cb, cc;
    WholeSteps<V>::Weights(f, &ca, &cb, &cc);
    const double v0 = (l.s0[below] * ca - l.s0[i] * cb) + l.s0[above] * cc;
    const double v1 = (l.s1[below] * ca - l.s1[i] * cb) + l.s1[above] * cc;
    const double signal = l.mixRight * v1 + l.mix * v0;
    const int k = Trunc32(l.phase);
    const double g = l.phase - static_cast<double>(k);
    const int kk = std::min(k, kWindowSize);
    const double envelope = l.env[kk] * (1.0 - g) + l.env[kk + 1] * g;
    double p = pos + l.inc;
    p = p + (p < 0.0 ? l.len : 0.0);
    l.pos = p - (p >= l.len ? l.len : 0.0);
    l.phase = l.phase + l.phaseInc;
    return envelope * signal * l.amp;
  }

  static int StrideSpan(const Lane& l, int limit) {
    return WholeSteps<V>::Span(l.pos, l.inc, l.lenI, limit);
  }

  // A lane's settings as vectors for a stride of whole-sample steps, with the read weights of its
  // position's fraction, which the stride keeps.
  struct Stretch {
    Vec ca, cb, cc, mix, mixRight, amp, pan, panLeft;
    const double *s0, *s1, *env;
    double phaseInc;
  };

  [[gnu::always_inline]] static Stretch BeginStride(const Lane& l) {
    double ca, cb, cc;
    WholeSteps<V>::Weights(l.pos - static_cast<double>(Trunc32(l.pos)), &ca, &cb, &cc);
    Stretch s;
    s.ca = V::Set(ca);
    s.cb = V::Set(cb);
    s.cc = V::Set(cc);
    s.mix = V::Set(l.mix);
    s.mixRight = V::Set(l.mixRight);
    s.amp = V::Set(l.amp);
    s.pan = V::Set(l.pan);
    s.panLeft = V::Set(l.panLeft);
    s.s0 = l.s0;
    s.s1 = l.s1;
    s.env = l.env;
    s.phaseInc = l.phaseInc;
    return s;
  }

  // Envelope entries K and K + 1 (K held at 200) of each sample, given the phases of the first
  // and the last sample in time.
  template <bool kDown>
  [[gnu::always_inline]] static void EnvelopeEntries(const double* e, Vec phase, Vec whole,
                                                     double first, double last, Vec* tk, Vec* tk1) {
    const int k0 = std::min(Trunc32(first), kWindowSize);
    if constexpr (kW == 2) {
      // The later sample comes first when moving down.
      const int kl = std::min(Trunc32(last), kWindowSize);
      const int a = kDown ? kl : k0;
      const int b = kDown ? k0 : kl;
      *tk = V::Pair(e + a, e + b);
      *tk1 = V::Pair(e + a + 1, e + b + 1);
    } else if (const double moved = last - first; moved >= 0.0 && moved <= 1.0) {
      // The phase rises by at most one entry over the vector: entry K is K0 or K0 + 1.
      const typename V::Mask atFirst = V::Equal(V::Min(whole, V::Set(kWindowSize)), V::Set(k0));
      const Vec next = V::Set(e[k0 + 1]);
      *tk = V::Select(atFirst, V::Set(e[k0]), next);
      *tk1 = V::Select(atFirst, next, V::Set(e[std::min(k0 + 2, kWindowSize + 1)]));
    } else {
      alignas(64) double ph[kW], a[kW], b[kW];
      V::Store(ph, phase);
      for (int j = 0; j < kW; ++j) {
        const int k = std::min(Trunc32(ph[j]), kWindowSize);
        a[j] = e[k];
        b[j] = e[k + 1];
      }
      *tk = V::Load(a);
      *tk1 = V::Load(b);
    }
  }

  // Both sides of kW samples of a lane in a stride, reading from index `at` on with envelope
  // phase `phase` (both moved on). The steps add up exactly, so the position is set once the
  // stride ends. Moving down, the vectors hold the samples last to first.
  template <bool kDown>
  [[gnu::always_inline]] static void Stride(const Stretch& s, std::int64_t& at, double& phase,
                                            Vec* left, Vec* right) {
    const std::int64_t from = kDown ? at - kW : at - 1;
    at += kDown ? -kW : kW;
    const double* a0 = s.s0 + from;
    const double* a1 = s.s1 + from;
    const Vec v0 = V::Add(V::Sub(V::Mul(V::LoadU(a0), s.ca), V::Mul(V::LoadU(a0 + 1), s.cb)),
                          V::Mul(V::LoadU(a0 + 2), s.cc));
    const Vec v1 = V::Add(V::Sub(V::Mul(V::LoadU(a1), s.ca), V::Mul(V::LoadU(a1 + 1), s.cb)),
                          V::Mul(V::LoadU(a1 + 2), s.cc));
    const Vec signal = V::Add(V::Mul(s.mixRight, v1), V::Mul(s.mix, v0));

    // The phases one step after the other, as RenderPair steps them.
    const double firstPhase = phase;
    double lastPhase;
    const Vec ph = V::template Steps<kDown>(&phase, s.phaseInc, &lastPhase);
    const Vec whole = V::Trunc(ph);
    const Vec g = V::Sub(ph, whole);
    Vec tk, tk1;
    EnvelopeEntries<kDown>(s.env, ph, whole, firstPhase, lastPhase, &tk, &tk1);
    const Vec envelope = V::Add(V::Mul(tk, V::Sub(V::Set(1.0), g)), V::Mul(tk1, g));
    const Vec out = V::Mul(V::Mul(envelope, signal), s.amp);
    *left = Clamp1(V::Mul(out, s.panLeft));
    *right = Clamp1(V::Mul(out, s.pan));
    if (kDown) {
      *left = V::Reverse(*left);
      *right = V::Reverse(*right);
    }
  }

  static void EndStride(Lane& l, int samples) {
    l.pos = l.inc > 0.0 ? l.pos + samples : l.pos - samples;
  }

  // wet[2n] += left, wet[2n + 1] += right for kW samples from w on.
  [[gnu::always_inline]] static void AddWet(double* w, Vec left, Vec right) {
    Vec lo, hi;
    V::Interleave(left, right, &lo, &hi);
    V::StoreU(w, V::Add(V::LoadU(w), lo));
    V::StoreU(w + kW, V::Add(V::LoadU(w + kW), hi));
  }

  // Samples n .. n + m - 1 (m a multiple of kW) of the lanes in `use` (bit k: lane k), each in a
  // stride. A pair adds {left 0 + left 1, right 0 + right 1}; a lane that does not sound adds 0.
  template <bool kDown0, bool kDown1>
  static void Strides(Lane* lane, unsigned use, double* w, int m) {
    const Vec zero = V::Set(0.0);
    Vec l0, r0, l1, r1;
    if (use == 3) {
      const Stretch s0 = BeginStride(lane[0]), s1 = BeginStride(lane[1]);
      std::int64_t at0 = Trunc64(lane[0].pos), at1 = Trunc64(lane[1].pos);
      double phase0 = lane[0].phase, phase1 = lane[1].phase;
      for (int j = 0; j < m; j += kW, w += 2 * kW) {
        Stride<kDown0>(s0, at0, phase0, &l0, &r0);
        Stride<kDown1>(s1, at1, phase1, &l1, &r1);
        AddWet(w, V::Add(l0, l1), V::Add(r0, r1));
      }
      lane[0].phase = phase0;
      lane[1].phase = phase1;
    } else {
      const int k = use == 1 ? 0 : 1;
      const Stretch s = BeginStride(lane[k]);
      std::int64_t at = Trunc64(lane[k].pos);
      double phase = lane[k].phase;
      for (int j = 0; j < m; j += kW, w += 2 * kW) {
        if (k == 0) {
          Stride<kDown0>(s, at, phase, &l0, &r0);
          AddWet(w, V::Add(l0, zero), V::Add(r0, zero));
        } else {
          Stride<kDown1>(s, at, phase, &l1, &r1);
          AddWet(w, V::Add(zero, l1), V::Add(zero, r1));
        }
      }
      lane[k].phase = phase;
    }
    for (int k = 0; k < 2; ++k) {
      if ((use >> k) & 1u) EndStride(lane[k], m);
    }
  }

  // Samples n .. end - 1, over which the lanes in `use` sound throughout.
  static void RenderSegment(Lane* lane, unsigned use, double* wet, int n, int end) {
    while (n < end) {
      int m = end - n;
      for (int k = 0; k < 2; ++k) {
        if ((use >> k) & 1u) m = StrideSpan(lane[k], m);
      }
      m -= m % kW;
      if (m == 0) {
        double left[2] = {0.0, 0.0}, right[2] = {0.0, 0.0};
        for (int k = 0; k < 2; ++k) {
          if (((use >> k) & 1u) == 0) continue;
          const double out = Sample(lane[k]);
          left[k] = Clamp1(out * lane[k].panLeft);
          right[k] = Clamp1(out * lane[k].pan);
        }
        wet[2 * n] += left[0] + left[1];
        wet[2 * n + 1] += right[0] + right[1];
        ++n;
        continue;
      }
      const bool down0 = (use & 1u) && lane[0].inc < 0.0;
      const bool down1 = (use & 2u) && lane[1].inc < 0.0;
      double* w = wet + 2 * n;
      if (!down0 && !down1) {
        Strides<false, false>(lane, use, w, m);
      } else if (!down0) {
        Strides<false, true>(lane, use, w, m);
      } else if (!down1) {
        Strides<true, false>(lane, use, w, m);
      } else {
        Strides<true, true>(lane, use, w, m);
      }
      n += m;
    }
  }

  // Renders a pair that writes no feedback exactly as RenderPair does; returns the new lane mask.
  static int Render(GrainPair& p, const RenderTarget& t) {
    const PairRange range = RangeOf(p, t.count);
    const double lo = range.first;
    const double hi = range.last;
    Lane lane[2];
    for (int k = 0; k < 2; ++k) {
      Lane& l = lane[k];
      l.pos = p.readPos[k];
      l.phase = p.phase[k];
      l.inc = p.readInc[k];
      l.len = p.bufferLength[k];
      l.lenI = static_cast<std::int64_t>(p.bufferLength[k]);
      l.phaseInc = p.phaseInc[k];
      l.pan = p.pan[k];
      l.panLeft = 1.0 - p.pan[k];
      l.amp = p.amplitude[k];
      l.mix = p.sourceMix[k];
      l.mixRight = 1.0 - p.sourceMix[k];
      l.s0 = p.source0[k];
      l.s1 = p.source1[k];
      l.env = p.envelope[k];
      // A lane sounds at n when start <= n < end: from its start rounded up to its end rounded up.
      l.first = static_cast<int>(std::clamp(std::ceil(p.start[k]), lo, hi));
      l.last = std::max(l.first, static_cast<int>(std::clamp(std::ceil(p.end[k]), lo, hi)));
    }
    // Segments between the samples where a lane starts or stops sounding.
    int n = range.first;
    while (n < range.last) {
      int end = range.last;
      unsigned use = 0;
      for (int k = 0; k < 2; ++k) {
        if (lane[k].first <= n && n < lane[k].last) use |= 1u << k;
        if (lane[k].first > n) end = std::min(end, lane[k].first);
        if (lane[k].last > n) end = std::min(end, lane[k].last);
      }
      if (use == 0) {
        // Inside the range a silent pair still adds 0 (which turns a -0 into 0).
        for (int j = n; j < end; ++j) {
          t.wet[2 * j] += 0.0;
          t.wet[2 * j + 1] += 0.0;
        }
      } else {
        RenderSegment(lane, use, t.wet, n, end);
      }
      n = end;
    }

    // Times relative to the next block; a lane lives on while its end lies beyond this block.
    int mask = 0;
    for (int k = 0; k < 2; ++k) {
      const double relStart = p.start[k] - t.count;
      const double relEnd = p.end[k] - t.count;
      const bool alive = relEnd > 0.0;
      p.start[k] = alive ? relStart : 0.0;
      p.end[k] = alive ? relEnd : 0.0;
      p.readPos[k] = alive ? lane[k].pos : 0.0;
      p.phase[k] = alive ? lane[k].phase : 0.0;
      p.feedback[k] = alive ? p.feedback[k] : 0.0;
      mask |= static_cast<int>(alive) << k;
    }
    return mask;
  }
};

}  // namespace

}  // namespace engine
