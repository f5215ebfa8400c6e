// RenderPair: both lanes of a pair in two-wide SSE2 double arithmetic, with masks instead of
// per-lane branches; the only branches per sample are the loop test and the feedback wrap.
#include "engine/grain_render.h"

#include <emmintrin.h>

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "engine/capture_buffer.h"

namespace {

// Lane 0 from x[i], lane 1 from y[j].
inline __m128d LoadLanes(const double* x, std::int64_t i, const double* y, std::int64_t j) {
  return _mm_loadh_pd(_mm_load_sd(x + i), y + j);
}

// minpd/maxpd return their second operand when the first is NaN, so NaN ends at a limit.
inline __m128d Clamp(__m128d x, __m128d lo, __m128d hi) {
  return _mm_max_pd(_mm_min_pd(x, hi), lo);
}

// {left lane 0 + left lane 1, right lane 0 + right lane 1}.
inline __m128d LaneSums(__m128d left, __m128d right) {
  return _mm_add_pd(_mm_unpacklo_pd(left, right), _mm_unpackhi_pd(left, right));
}

constexpr int kChunk = 64;  // samples per two-pass chunk of a pair without feedback

template <bool kFeedback>
int RenderPairImpl(GrainPair& p, const RenderTarget& t) {
  // Common range of both lanes; starts are whole samples, ends fractional (ties to even).
  const double s = std::max(0.0, std::min(p.start[0], p.start[1]));
  const double e = std::min(static_cast<double>(t.count), std::max(p.end[0], p.end[1]));
  const int n0 = static_cast<int>(std::nearbyint(s));
  const int n1 = static_cast<int>(std::nearbyint(e));

  const __m128d zero = _mm_setzero_pd();
  const __m128d one = _mm_set1_pd(1.0);
  const __m128d minusOne = _mm_set1_pd(-1.0);
  const __m128d half = _mm_set1_pd(0.5);

  // A lane sounds at block sample n when start <= n < end.
  const __m128d startV = _mm_load_pd(p.start);
  const __m128d endV = _mm_load_pd(p.end);
  __m128d pos = _mm_load_pd(p.readPos);
  __m128d phase = _mm_load_pd(p.phase);
  const __m128d inc = _mm_load_pd(p.readInc);
  const __m128d len = _mm_load_pd(p.bufferLength);
  const __m128d phaseInc = _mm_load_pd(p.phaseInc);
  const __m128d fb = _mm_load_pd(p.feedback);
  const __m128d pan = _mm_load_pd(p.pan);
  const __m128d panLeft = _mm_sub_pd(one, pan);
  const __m128d amp = _mm_load_pd(p.amplitude);
  const __m128d mix = _mm_load_pd(p.sourceMix);
  const __m128d mixRight = _mm_sub_pd(one, mix);

  const std::int64_t la = static_cast<std::int64_t>(p.bufferLength[0]);
  const std::int64_t lb = static_cast<std::int64_t>(p.bufferLength[1]);

  const double* s0a = p.source0[0];
  const double* s0b = p.source0[1];
  const double* s1a = p.source1[0];
  const double* s1b = p.source1[1];
  const double* ea = p.envelope[0];
  const double* eb = p.envelope[1];

  double* const wet = t.wet;
  int fbIdx = 0;
  if constexpr (kFeedback) fbIdx = WrapIndex(std::int64_t{t.writePos} + n0, t.bufferLength);

  // Activity changes only where a lane starts or passes its end, so the range splits into at
  // most five segments with a constant active mask each.
  const int nEnd = std::max(n0, n1);
  const double lo = n0;
  const double hi = nEnd;
  int cut[6] = {n0, nEnd, 0, 0, 0, 0};
  for (int k = 0; k < 2; ++k) {
    cut[2 + 2 * k] = static_cast<int>(std::clamp(p.start[k], lo, hi));
    cut[3 + 2 * k] = static_cast<int>(std::clamp(std::ceil(p.end[k]), lo, hi));
  }
  std::sort(cut, cut + 6);
  // One sample of both lanes: returns envelope x signal x amplitude (0 for idle lanes), then
  // moves the read positions and, for active lanes, the envelope phases on.
  auto next = [&](__m128d active, __m128d phaseStep) {
    // Three-point read: indices I - 1, I, I + 1 wrapped once into 0 .. L - 1 (0 <= pos < L).
    const __m128d f = _mm_sub_pd(pos, _mm_cvtepi32_pd(_mm_cvttpd_epi32(pos)));
    const std::int64_t ia = _mm_cvttsd_si64(pos);
    const std::int64_t ib = _mm_cvttsd_si64(_mm_unpackhi_pd(pos, pos));
    const std::int64_t pa = ia - 1 + (la & -(ia == 0));
    const std::int64_t pb = ib - 1 + (lb & -(ib == 0));
    const std::int64_t na = ia + 1 - (la & -(ia + 1 == la));
    const std::int64_t nb = ib + 1 - (lb & -(ib + 1 == lb));

    const __m128d fm1 = _mm_sub_pd(f, one);
    const __m128d fm2 = _mm_sub_pd(fm1, one);
    const __m128d halfFm1 = _mm_mul_pd(fm1, half);  // halving is exact: same as halving last
    const __m128d ca = _mm_mul_pd(halfFm1, fm2);
    const __m128d cb = _mm_mul_pd(f, fm2);
    const __m128d cc = _mm_mul_pd(f, halfFm1);
    const __m128d v0 = _mm_add_pd(_mm_sub_pd(_mm_mul_pd(LoadLanes(s0a, pa, s0b, pb), ca),
                                             _mm_mul_pd(LoadLanes(s0a, ia, s0b, ib), cb)),
                                  _mm_mul_pd(LoadLanes(s0a, na, s0b, nb), cc));
    const __m128d v1 = _mm_add_pd(_mm_sub_pd(_mm_mul_pd(LoadLanes(s1a, pa, s1b, pb), ca),
                                             _mm_mul_pd(LoadLanes(s1a, ia, s1b, ib), cb)),
                                  _mm_mul_pd(LoadLanes(s1a, na, s1b, nb), cc));
    const __m128d signal = _mm_add_pd(_mm_mul_pd(mixRight, v1), _mm_mul_pd(mix, v0));

    // Envelope: g is the fraction of the phase itself. An active lane's phase stays below 200
    // (up to rounding), and entries 200 and 201 mirror 0 and 1, so K = 200 reads what the wrap
    // to 0 would; an idle lane's larger phase is held at 200 (its output is masked anyway).
    const __m128i k = _mm_cvttpd_epi32(phase);
    const __m128d g = _mm_sub_pd(phase, _mm_cvtepi32_pd(k));
    const int ka = std::min(_mm_cvtsi128_si32(k), kWindowSize);
    const int kb = std::min(_mm_cvtsi128_si32(_mm_shuffle_epi32(k, 1)), kWindowSize);
    const __m128d tableA = _mm_loadu_pd(ea + ka);  // entries K, K + 1 of lane 0
    const __m128d tableB = _mm_loadu_pd(eb + kb);
    const __m128d envelope =
        _mm_add_pd(_mm_mul_pd(_mm_unpacklo_pd(tableA, tableB), _mm_sub_pd(one, g)),
                   _mm_mul_pd(_mm_unpackhi_pd(tableA, tableB), g));

    // pos + inc, then plus L if negative, then minus L if not below L (|inc| < L).
    pos = _mm_add_pd(pos, inc);
    pos = _mm_add_pd(pos, _mm_and_pd(len, _mm_cmplt_pd(pos, zero)));
    pos = _mm_sub_pd(pos, _mm_and_pd(len, _mm_cmpge_pd(pos, len)));
    phase = _mm_add_pd(phase, phaseStep);
    return _mm_and_pd(_mm_mul_pd(_mm_mul_pd(envelope, signal), amp), active);
  };

  for (int c = 0; c < 5; ++c) {
    const __m128d first = _mm_set1_pd(cut[c]);
    const __m128d active = _mm_and_pd(_mm_cmple_pd(startV, first), _mm_cmpgt_pd(endV, first));
    const __m128d phaseStep = _mm_and_pd(phaseInc, active);
    if constexpr (kFeedback) {
      // Sample by sample: the feedback written at one sample can be read at the next.
      for (int n = cut[c]; n < cut[c + 1]; ++n) {
        const __m128d out = next(active, phaseStep);
        const __m128d left = Clamp(_mm_mul_pd(out, panLeft), minusOne, one);
        const __m128d right = Clamp(_mm_mul_pd(out, pan), minusOne, one);
        double* w = wet + 2 * n;
        _mm_store_pd(w, _mm_add_pd(_mm_load_pd(w), LaneSums(left, right)));
        const __m128d fl = Clamp(_mm_mul_pd(fb, left), minusOne, one);
        const __m128d fr = Clamp(_mm_mul_pd(fb, right), minusOne, one);
        double* c0 = t.feedback0 + fbIdx;
        double* c1 = t.feedback1 + fbIdx;
        const __m128d sum = _mm_add_pd(_mm_loadh_pd(_mm_load_sd(c0), c1), LaneSums(fl, fr));
        _mm_storel_pd(c0, sum);
        _mm_storeh_pd(c1, sum);
        if (++fbIdx == t.bufferLength) fbIdx = 0;
      }
    } else {
      // Without feedback nothing is written that a read could see, so the grain outputs of a
      // chunk are computed first and panned into the accumulators after: two short dependency
      // chains per sample instead of one long one.
      alignas(16) double outs[2 * kChunk];
      for (int base = cut[c]; base < cut[c + 1]; base += kChunk) {
        const int m = std::min(kChunk, cut[c + 1] - base);
        for (int j = 0; j < m; ++j) _mm_store_pd(outs + 2 * j, next(active, phaseStep));
        for (int j = 0; j < m; ++j) {
          const __m128d out = _mm_load_pd(outs + 2 * j);
          const __m128d left = Clamp(_mm_mul_pd(out, panLeft), minusOne, one);
          const __m128d right = Clamp(_mm_mul_pd(out, pan), minusOne, one);
          double* w = wet + 2 * (base + j);
          _mm_store_pd(w, _mm_add_pd(_mm_load_pd(w), LaneSums(left, right)));
        }
      }
    }
  }
  // Times relative to the sample after the range, which is the next block's first sample
  // whenever a lane lives on.
  const __m128d after = _mm_set1_pd(hi);
  const __m128d relStart = _mm_sub_pd(startV, after);
  const __m128d relEnd = _mm_sub_pd(endV, after);

  // A lane lives on while it still has a sample to play in the next block.
  const __m128d alive = _mm_cmpge_pd(relEnd, one);
  _mm_store_pd(p.start, _mm_and_pd(relStart, alive));
  _mm_store_pd(p.end, _mm_and_pd(relEnd, alive));
  _mm_store_pd(p.readPos, _mm_and_pd(pos, alive));
  _mm_store_pd(p.phase, _mm_and_pd(phase, alive));
  _mm_store_pd(p.feedback, _mm_and_pd(fb, alive));  // a retired lane never costs feedback work
  return _mm_movemask_pd(alive);
}

}  // namespace

int RenderPair(GrainPair& pair, const RenderTarget& target) {
  return WritesFeedback(pair, target) ? RenderPairImpl<true>(pair, target)
                                      : RenderPairImpl<false>(pair, target);
}

void MakeLaneIdle(GrainPair& pair, int lane, const double* silence, const double* envelope) {
  pair.start[lane] = pair.end[lane] = 0.0;
  pair.readPos[lane] = pair.readInc[lane] = 0.0;
  pair.bufferLength[lane] = 1.0;
  pair.phase[lane] = pair.phaseInc[lane] = 0.0;
  pair.feedback[lane] = pair.pan[lane] = pair.amplitude[lane] = pair.sourceMix[lane] = 0.0;
  pair.source0[lane] = pair.source1[lane] = silence;
  pair.envelope[lane] = envelope;
}
