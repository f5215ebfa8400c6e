// The lockstep feedback kernel, written once over a vector-operations type V with two lanes per
// grain pair (SSE2: one pair per vector, AVX2: two, AVX-512: four). At every block sample it
// renders all pairs that write feedback from the buffer as the samples before left it, adds their
// outputs into the wet accumulators and their feedback into one sum, pair by pair in order, then
// writes the sum; per lane it performs RenderFeedbackPairs' operations in its order, so the output
// is the same to the bit. Each path's translation unit includes it; its unnamed namespace gives
// each of them its own copy.
#pragma once

#include <emmintrin.h>

#include <cmath>
#include <cstddef>
#include <cstdint>

#include "engine/capture_buffer.h"
#include "engine/feedback_lanes.h"
#include "engine/stride_render_kernel.h"

namespace engine {

namespace {

// Every function is a member of the template, so each copy is named after the path it serves.
// The per-sample steps are always inlined: a call would pass the vectors through memory.
template <class V>
struct FeedbackKernel {
  using Vec = typename V::Vec;
  using Mask = typename V::Mask;
  using Idx = typename V::Idx;
  static constexpr int kW = V::kLanes;
  static constexpr int kChunk = 64;  // samples between checks of how near the lanes are to a wrap
  static constexpr int kMaxGroups = kFeedbackLaneCapacity / kW;

  // What a group does over a chunk of samples. Silent: no lane sounds. Steady: every lane sounds
  // at every sample (no masks needed). Inner: no lane that sounds comes near either end of its
  // source, so reads and steps need no wrap (the same margin as the wide kernel's). Whole: besides,
  // every lane that sounds steps by exactly one sample and each step is exact, so the fraction of
  // its position and its read weights stay as they are (computed here, kept in the block).
  enum Mode : unsigned char { kSilent = 0, kGeneral = 1, kSteady = 2, kInner = 4, kWhole = 8 };

  static unsigned char ModeOf(FeedbackBlock& B, int o, int n, int m) {
    bool any = false, steady = true, inner = true, whole = true;
    for (int i = o; i < o + kW; ++i) {
      if (!(B.start[i] <= n && B.end[i] > n + m - 1)) steady = false;
      if (!(B.start[i] < n + m && B.end[i] > n)) continue;  // silent throughout
      any = true;
      const double span = std::fabs(B.inc[i]) * (m + 1.0);
      if (!(B.pos[i] - span >= 2.0 && B.pos[i] + span < B.len[i] - 2.0)) inner = false;
      const auto length = static_cast<std::int64_t>(B.len[i]);
      if (WholeSteps<V>::Span(B.pos[i], B.inc[i], length, m) < m) whole = false;
    }
    if (!any) return kSilent;
    if (inner && whole) {
      for (int i = o; i < o + kW; ++i) {
        const double f = B.pos[i] - static_cast<double>(WholeSteps<V>::Trunc32(B.pos[i]));
        WholeSteps<V>::Weights(f, &B.ca[i], &B.cb[i], &B.cc[i]);
      }
    }
    return static_cast<unsigned char>(kGeneral | (steady ? kSteady : 0) | (inner ? kInner : 0) |
                                      (inner && whole ? kWhole : 0));
  }

  // The envelope value at each lane's phase: entries K and K + 1 (K held at 200) blended by the
  // phase's fraction.
  [[gnu::always_inline]] static Vec Envelope(Vec phase, const double* const* tables) {
    Vec g, tk, tk1;
    V::EnvelopePairs(tables, V::EnvelopeIndex(phase, &g), &tk, &tk1);
    return V::Add(V::Mul(tk, V::Sub(V::Set(1.0), g)), V::Mul(tk1, g));
  }

  // The first sample's read indices and envelope values, as the steps work out the later ones.
  static void Prepare(FeedbackLanes& L, int blocks) {
    for (int b = 0; b < blocks; ++b) {
      FeedbackBlock& B = L.block[b];
      for (int o = 0; o < kFeedbackBlockLanes; o += kW) {
        const Vec pos = V::Load(B.pos + o);
        V::StoreIdx(B.at + o, V::Whole(pos));
        V::Store(B.envelopeValue + o, Envelope(V::Load(B.phase + o), B.envelope + o));
      }
    }
  }

  // One sample of the group of lanes o .. o + kW - 1 of block B: both sides into the wet sum and
  // the clamped feedback into the feedback sum, pair by pair; read positions and phases move on.
  template <bool kAll, bool kNoWrap, bool kFixed, class Base>
  [[gnu::always_inline]] static void Step(FeedbackBlock& B, int o, Vec at, Base s0, Base s1,
                                          __m128d* wet, __m128d* total) {
    Mask active{};
    if constexpr (!kAll) {
      active = V::And(V::AtLeast(at, V::Load(B.start + o)), V::Less(at, V::Load(B.end + o)));
      if (V::Bits(active) == 0) return;  // as RenderFeedbackPairs skips such pairs
    }
    // Masking with every lane set changes no bit.
    auto masked = [&](Vec x) {
      if constexpr (kAll) {
        return x;
      } else {
        return V::Zero(x, active);
      }
    };
    const Vec one = V::Set(1.0);
    const Vec minusOne = V::Set(-1.0);
    Vec pos = V::Load(B.pos + o);
    Vec f;
    Vec r[6];
    if constexpr (kNoWrap) {
      if constexpr (!kFixed) V::Split(pos, &f);
      V::InnerTriples(s0, s1, B.at + o, r);
      pos = V::Add(pos, masked(V::Load(B.inc + o)));
    } else {
      const Idx i = V::Split(pos, &f);
      const Vec len = V::Load(B.len + o);
      Vec unused;
      const Idx lenI = V::Split(len, &unused);
      V::Triples(s0, s1, V::Below(i, lenI), i, V::Above(i, lenI), r);
      // pos + step, then plus L if negative, then minus L if not below L.
      pos = V::Add(pos, masked(V::Load(B.inc + o)));
      pos = V::Add(pos, V::Zero(len, V::Less(pos, V::Set(0.0))));
      pos = V::Sub(pos, V::Zero(len, V::AtLeast(pos, len)));
    }
    V::Store(B.pos + o, pos);
    V::StoreIdx(B.at + o, V::Whole(pos));

    Vec ca, cb, cc;
    if constexpr (kFixed) {
      ca = V::Load(B.ca + o);
      cb = V::Load(B.cb + o);
      cc = V::Load(B.cc + o);
    } else {
      const Vec fm1 = V::Sub(f, one);
      const Vec fm2 = V::Sub(fm1, one);
      const Vec halfFm1 = V::Mul(fm1, V::Set(0.5));  // halving is exact: same as halving last
      ca = V::Mul(halfFm1, fm2);
      cb = V::Mul(f, fm2);
      cc = V::Mul(f, halfFm1);
    }
    const Vec v0 = V::Add(V::Sub(V::Mul(r[0], ca), V::Mul(r[1], cb)), V::Mul(r[2], cc));
    const Vec v1 = V::Add(V::Sub(V::Mul(r[3], ca), V::Mul(r[4], cb)), V::Mul(r[5], cc));
    const Vec signal = V::Add(V::Mul(V::Load(B.mixRight + o), v1), V::Mul(V::Load(B.mix + o), v0));
    const Vec envelope = V::Load(B.envelopeValue + o);
    const Vec phase = V::Add(V::Load(B.phase + o), masked(V::Load(B.phaseInc + o)));
    V::Store(B.phase + o, phase);
    V::Store(B.envelopeValue + o, Envelope(phase, B.envelope + o));

    const Vec out = masked(V::Mul(V::Mul(envelope, signal), V::Load(B.amp + o)));
    const Vec left = V::Max(V::Min(V::Mul(out, V::Load(B.panLeft + o)), one), minusOne);
    const Vec right = V::Max(V::Min(V::Mul(out, V::Load(B.pan + o)), one), minusOne);
    const Vec fb = V::Load(B.feedback + o);
    const Vec fl = V::Max(V::Min(V::Mul(fb, left), one), minusOne);
    const Vec fr = V::Max(V::Min(V::Mul(fb, right), one), minusOne);
    Vec sums = V::PairSums(left, right);
    Vec feedback = V::PairSums(fl, fr);
    if constexpr (!kAll) {
      // A pair without a sounding lane adds nothing (-0 changes no sum).
      const Mask pairs = V::PairAny(active);
      sums = V::Select(pairs, sums, V::Set(-0.0));
      feedback = V::Select(pairs, feedback, V::Set(-0.0));
    }
    *wet = V::AddPairs(*wet, sums);
    *total = V::AddPairs(*total, feedback);
  }

  template <class Base>
  static void Run(FeedbackLanes& L, const RenderTarget& t, Base s0, Base s1) {
    const int blocks = (2 * L.pairCount + kFeedbackBlockLanes - 1) / kFeedbackBlockLanes;
    const int groups = blocks * (kFeedbackBlockLanes / kW);
    const bool writes = t.bufferLength > 0;
    __m128d dc = t.feedbackDc != nullptr ? _mm_loadu_pd(t.feedbackDc) : _mm_setzero_pd();
    const __m128d a = _mm_set1_pd(t.feedbackDc != nullptr ? t.feedbackDcCoefficient : 0.0);
    int at = writes ? WrapIndex(t.writePos, t.bufferLength) : 0;
    unsigned char mode[kMaxGroups];
    Prepare(L, blocks);
    for (int n = 0; n < t.count; ++n) {
      if (n % kChunk == 0) {
        const int m = t.count - n < kChunk ? t.count - n : kChunk;
        for (int b = 0, g = 0; b < blocks; ++b) {
          for (int o = 0; o < kFeedbackBlockLanes; o += kW) mode[g++] = ModeOf(L.block[b], o, n, m);
        }
      }
      const Vec nv = V::Set(n);
      __m128d wet = _mm_load_pd(t.wet + 2 * n);
      __m128d total = _mm_setzero_pd();  // {channel 0, channel 1}
      for (int g = 0; g < groups; ++g) {
        FeedbackBlock& B = L.block[g * kW / kFeedbackBlockLanes];
        const int o = g * kW % kFeedbackBlockLanes;
        const auto s0g = LaneBase(s0, B.source0 + o);
        const auto s1g = LaneBase(s1, B.source1 + o);
        switch (mode[g]) {
          case kSilent:
            break;
          case kGeneral:
            Step<false, false, false>(B, o, nv, s0g, s1g, &wet, &total);
            break;
          case kGeneral | kSteady:
            Step<true, false, false>(B, o, nv, s0g, s1g, &wet, &total);
            break;
          case kGeneral | kInner:
            Step<false, true, false>(B, o, nv, s0g, s1g, &wet, &total);
            break;
          case kGeneral | kInner | kWhole:
            Step<false, true, true>(B, o, nv, s0g, s1g, &wet, &total);
            break;
          case kGeneral | kSteady | kInner:
            Step<true, true, false>(B, o, nv, s0g, s1g, &wet, &total);
            break;
          default:
            Step<true, true, true>(B, o, nv, s0g, s1g, &wet, &total);
            break;
        }
      }
      _mm_store_pd(t.wet + 2 * n, wet);
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
  }

  // The sources of a group: one array for every lane, or the group's own.
  static const double* LaneBase(const double* shared, const double* const*) { return shared; }
  static const double* const* LaneBase(std::nullptr_t, const double* const* own) { return own; }

  static void Render(FeedbackLanes& L, const RenderTarget& t) {
    if (L.sharedSources) {
      Run<const double*>(L, t, L.block[0].source0[0], L.block[0].source1[0]);
    } else {
      Run<std::nullptr_t>(L, t, nullptr, nullptr);
    }
  }
};

}  // namespace

}  // namespace engine
