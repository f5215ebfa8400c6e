// RenderPair and RenderFeedbackPairs: both lanes of a pair in two-wide SSE2 double arithmetic,
// with masks instead of per-lane branches.
#include "engine/grain_render.h"

#include <emmintrin.h>

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "engine/capture_buffer.h"

namespace engine {

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

constexpr int kChunk = 64;  // samples per two-pass chunk

// A pair's settings for one render as two-lane vectors, and one sample of both lanes.
struct PairSampler {
  __m128d inc, len, phaseInc, fb, pan, panLeft, amp, mix, mixRight;
  std::int64_t la, lb;
  const double *s0a, *s0b, *s1a, *s1b, *ea, *eb;

  explicit PairSampler(const GrainPair& p)
      : inc(_mm_load_pd(p.readInc)),
        len(_mm_load_pd(p.bufferLength)),
        phaseInc(_mm_load_pd(p.phaseInc)),
        fb(_mm_load_pd(p.feedback)),
        pan(_mm_load_pd(p.pan)),
        panLeft(_mm_sub_pd(_mm_set1_pd(1.0), pan)),
        amp(_mm_load_pd(p.amplitude)),
        mix(_mm_load_pd(p.sourceMix)),
        mixRight(_mm_sub_pd(_mm_set1_pd(1.0), mix)),
        la(static_cast<std::int64_t>(p.bufferLength[0])),
        lb(static_cast<std::int64_t>(p.bufferLength[1])),
        s0a(p.source0[0]),
        s0b(p.source0[1]),
        s1a(p.source1[0]),
        s1b(p.source1[1]),
        ea(p.envelope[0]),
        eb(p.envelope[1]) {}

  // Envelope x signal x amplitude of both lanes at pos and phase, 0 for lanes outside `active`;
  // then moves pos and phase by the steps (0 for lanes that do not sound).
  __m128d Sample(__m128d& pos, __m128d& phase, __m128d active, __m128d posStep,
                 __m128d phaseStep) const {
    const __m128d zero = _mm_setzero_pd();
    const __m128d one = _mm_set1_pd(1.0);
    const __m128d half = _mm_set1_pd(0.5);
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

    // Envelope: g is the fraction of the phase itself. A sounding lane's phase stays below 200,
    // and entries 200 and 201 repeat entry 199, so the last step never wraps to the start of the
    // table; a larger phase is held at 200 (such a lane's output is masked anyway).
    const __m128i k = _mm_cvttpd_epi32(phase);
    const __m128d g = _mm_sub_pd(phase, _mm_cvtepi32_pd(k));
    const int ka = std::min(_mm_cvtsi128_si32(k), kWindowSize);
    const int kb = std::min(_mm_cvtsi128_si32(_mm_shuffle_epi32(k, 1)), kWindowSize);
    const __m128d tableA = _mm_loadu_pd(ea + ka);  // entries K, K + 1 of lane 0
    const __m128d tableB = _mm_loadu_pd(eb + kb);
    const __m128d envelope =
        _mm_add_pd(_mm_mul_pd(_mm_unpacklo_pd(tableA, tableB), _mm_sub_pd(one, g)),
                   _mm_mul_pd(_mm_unpackhi_pd(tableA, tableB), g));

    // pos + step, then plus L if negative, then minus L if not below L (|inc| < L).
    pos = _mm_add_pd(pos, posStep);
    pos = _mm_add_pd(pos, _mm_and_pd(len, _mm_cmplt_pd(pos, zero)));
    pos = _mm_sub_pd(pos, _mm_and_pd(len, _mm_cmpge_pd(pos, len)));
    phase = _mm_add_pd(phase, phaseStep);
    return _mm_and_pd(_mm_mul_pd(_mm_mul_pd(envelope, signal), amp), active);
  }
};

// Both lanes' contributions to the two sides, each clamped to -1 .. 1.
inline void Pan(const PairSampler& s, __m128d out, __m128d* left, __m128d* right) {
  const __m128d one = _mm_set1_pd(1.0);
  const __m128d minusOne = _mm_set1_pd(-1.0);
  *left = Clamp(_mm_mul_pd(out, s.panLeft), minusOne, one);
  *right = Clamp(_mm_mul_pd(out, s.pan), minusOne, one);
}

// Lanes that sound at block sample n: start <= n < end.
inline __m128d ActiveAt(const GrainPair& p, double n) {
  const __m128d at = _mm_set1_pd(n);
  return _mm_and_pd(_mm_cmple_pd(_mm_load_pd(p.start), at), _mm_cmpgt_pd(_mm_load_pd(p.end), at));
}

// Times relative to the next block; a lane lives on while its end lies beyond this block. Stores
// the lanes' state and returns the new lane mask.
int Retire(GrainPair& p, int count, __m128d pos, __m128d phase) {
  const __m128d after = _mm_set1_pd(count);
  const __m128d relStart = _mm_sub_pd(_mm_load_pd(p.start), after);
  const __m128d relEnd = _mm_sub_pd(_mm_load_pd(p.end), after);
  const __m128d alive = _mm_cmpgt_pd(relEnd, _mm_setzero_pd());  // an idle lane's end is 0
  _mm_store_pd(p.start, _mm_and_pd(relStart, alive));
  _mm_store_pd(p.end, _mm_and_pd(relEnd, alive));
  _mm_store_pd(p.readPos, _mm_and_pd(pos, alive));
  _mm_store_pd(p.phase, _mm_and_pd(phase, alive));
  _mm_store_pd(p.feedback, _mm_and_pd(_mm_load_pd(p.feedback), alive));  // no feedback work left
  return _mm_movemask_pd(alive);
}

}  // namespace

int RetirePair(GrainPair& p, int count, const double* pos, const double* phase) {
  return Retire(p, count, _mm_loadu_pd(pos), _mm_loadu_pd(phase));
}

PairRange RangeOf(const GrainPair& p, int count) {
  double first = count;
  double last = 0.0;
  for (int k = 0; k < 2; ++k) {
    if (((p.laneMask >> k) & 1) == 0) continue;
    first = std::min(first, std::ceil(p.start[k]));
    last = std::max(last, std::ceil(p.end[k]));
  }
  PairRange r;
  r.first = static_cast<int>(std::clamp(first, 0.0, static_cast<double>(count)));
  r.last =
      static_cast<int>(std::clamp(last, static_cast<double>(r.first), static_cast<double>(count)));
  return r;
}

int RenderPair(GrainPair& p, const RenderTarget& t) {
  if (WritesFeedback(p, t)) {
    GrainPair* one = &p;
    int mask = 0;
    RenderFeedbackPairs(&one, 1, t, &mask);
    return mask;
  }
  const PairRange range = RangeOf(p, t.count);
  const PairSampler s(p);
  __m128d pos = _mm_load_pd(p.readPos);
  __m128d phase = _mm_load_pd(p.phase);

  // Activity changes only where a lane starts or passes its end, so the range splits into at
  // most five segments with a constant active mask each.
  const double lo = range.first;
  const double hi = range.last;
  int cut[6] = {range.first, range.last, 0, 0, 0, 0};
  for (int k = 0; k < 2; ++k) {
    cut[2 + 2 * k] = static_cast<int>(std::clamp(std::ceil(p.start[k]), lo, hi));
    cut[3 + 2 * k] = static_cast<int>(std::clamp(std::ceil(p.end[k]), lo, hi));
  }
  std::sort(cut, cut + 6);

  for (int c = 0; c < 5; ++c) {
    const __m128d active = ActiveAt(p, cut[c]);
    const __m128d posStep = _mm_and_pd(s.inc, active);
    const __m128d phaseStep = _mm_and_pd(s.phaseInc, active);
    // The grain outputs of a chunk are computed first and panned into the accumulators after:
    // two short dependency chains per sample instead of one long one.
    alignas(16) double outs[2 * kChunk];
    for (int base = cut[c]; base < cut[c + 1]; base += kChunk) {
      const int m = std::min(kChunk, cut[c + 1] - base);
      for (int j = 0; j < m; ++j) {
        _mm_store_pd(outs + 2 * j, s.Sample(pos, phase, active, posStep, phaseStep));
      }
      for (int j = 0; j < m; ++j) {
        __m128d left, right;
        Pan(s, _mm_load_pd(outs + 2 * j), &left, &right);
        double* w = t.wet + 2 * (base + j);
        _mm_store_pd(w, _mm_add_pd(_mm_load_pd(w), LaneSums(left, right)));
      }
    }
  }
  return Retire(p, t.count, pos, phase);
}

// Sample by sample, all pairs in turn: every grain computes its output at sample n from the
// buffer as it stands, then the feedback of all of them at n is summed in pair order, high-passed
// and added at the position where input n was captured. So a grain that reads right behind the
// write position hears every grain's feedback of the sample before, however the blocks fall.
void RenderFeedbackPairs(GrainPair* const* pairs, int count, const RenderTarget& t, int* masks) {
  const __m128d one = _mm_set1_pd(1.0);
  const __m128d minusOne = _mm_set1_pd(-1.0);
  const bool writes = t.bufferLength > 0;
  __m128d dc = t.feedbackDc != nullptr ? _mm_loadu_pd(t.feedbackDc) : _mm_setzero_pd();
  const __m128d a = _mm_set1_pd(t.feedbackDc != nullptr ? t.feedbackDcCoefficient : 0.0);
  int at = writes ? WrapIndex(t.writePos, t.bufferLength) : 0;
  for (int n = 0; n < t.count; ++n) {
    __m128d total = _mm_setzero_pd();  // {channel 0, channel 1}
    for (int k = 0; k < count; ++k) {
      GrainPair& p = *pairs[k];
      const __m128d active = ActiveAt(p, n);
      if (_mm_movemask_pd(active) == 0) continue;
      const PairSampler s(p);
      __m128d pos = _mm_load_pd(p.readPos);
      __m128d phase = _mm_load_pd(p.phase);
      const __m128d out =
          s.Sample(pos, phase, active, _mm_and_pd(s.inc, active), _mm_and_pd(s.phaseInc, active));
      _mm_store_pd(p.readPos, pos);
      _mm_store_pd(p.phase, phase);
      __m128d left, right;
      Pan(s, out, &left, &right);
      double* w = t.wet + 2 * n;
      _mm_store_pd(w, _mm_add_pd(_mm_load_pd(w), LaneSums(left, right)));
      const __m128d fl = Clamp(_mm_mul_pd(s.fb, left), minusOne, one);
      const __m128d fr = Clamp(_mm_mul_pd(s.fb, right), minusOne, one);
      total = _mm_add_pd(total, LaneSums(fl, fr));
    }
    if (!writes) continue;
    // y = x - lowpass(x): the loop keeps no constant however long it runs.
    const __m128d y = _mm_sub_pd(total, dc);
    dc = _mm_add_pd(dc, _mm_mul_pd(a, y));
    double* c0 = t.feedback0 + at;
    double* c1 = t.feedback1 + at;
    const __m128d sum = _mm_add_pd(_mm_loadh_pd(_mm_load_sd(c0), c1), y);
    _mm_storel_pd(c0, sum);
    _mm_storeh_pd(c1, sum);
    if (++at == t.bufferLength) at = 0;
  }
  if (t.feedbackDc != nullptr) {
    _mm_storeu_pd(t.feedbackDc, dc);
    // Far below any audible level the state is dropped, so the pass stops once the loop is quiet.
    for (int c = 0; c < 2; ++c) {
      if (std::fabs(t.feedbackDc[c]) < 1e-20) t.feedbackDc[c] = 0.0;
    }
  }
  for (int k = 0; k < count; ++k) {
    GrainPair& p = *pairs[k];
    masks[k] = Retire(p, t.count, _mm_load_pd(p.readPos), _mm_load_pd(p.phase));
  }
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

}  // namespace engine
