// The wide render kernel, written once over a vector-operations type V (AVX2 or AVX-512 lanes of
// doubles, two per pair). Per lane it performs RenderPair's operations in RenderPair's order, so
// its output is the same to the bit. Only the translation units built for a wide target include
// it; its unnamed namespace gives each of them its own copy, so no code built for AVX can stand
// in for a baseline function at link time.
#pragma once

#include <immintrin.h>

#include <cstdint>

#include "engine/pair_group.h"

namespace {

constexpr int kWideChunk = 64;  // samples per two-pass chunk

inline std::int64_t Words(const double* p) {
  return static_cast<std::int64_t>(reinterpret_cast<std::uintptr_t>(p) >> 3);
}

template <class V>
typename V::Vec Clamp(typename V::Vec x, typename V::Vec lo, typename V::Vec hi) {
  return V::Max(V::Min(x, hi), lo);
}

// Renders the group; masks[k] receives real pair k's new lane mask.
template <class V>
void RenderGroupWide(const PairGroup& g, const RenderTarget& t, int* masks) {
  using Vec = typename V::Vec;
  using Mask = typename V::Mask;
  using Idx = typename V::Idx;
  constexpr int kLanes = V::kLanes;
  constexpr int kPairs = kLanes / 2;

  // Lane 2k + l holds lane l of pair k.
  auto lanes = [&g](double(GrainPair::*field)[2]) {
    alignas(64) double v[kLanes];
    for (int k = 0; k < kPairs; ++k) {
      v[2 * k] = (g.pair[k]->*field)[0];
      v[2 * k + 1] = (g.pair[k]->*field)[1];
    }
    return V::Load(v);
  };
  auto store = [&g](double(GrainPair::*field)[2], Vec x) {
    alignas(64) double v[kLanes];
    V::Store(v, x);
    for (int k = 0; k < g.pairCount; ++k) {
      (g.pair[k]->*field)[0] = v[2 * k];
      (g.pair[k]->*field)[1] = v[2 * k + 1];
    }
  };

  const Vec zero = V::Set(0.0);
  const Vec one = V::Set(1.0);
  const Vec minusOne = V::Set(-1.0);
  const Vec half = V::Set(0.5);
  const Idx oneI = V::SetI(1);

  const Vec startV = lanes(&GrainPair::start);
  const Vec endV = lanes(&GrainPair::end);
  Vec pos = lanes(&GrainPair::readPos);
  Vec phase = lanes(&GrainPair::phase);
  const Vec inc = lanes(&GrainPair::readInc);
  const Vec len = lanes(&GrainPair::bufferLength);
  const Vec phaseInc = lanes(&GrainPair::phaseInc);
  const Vec fb = lanes(&GrainPair::feedback);
  const Vec pan = lanes(&GrainPair::pan);
  const Vec panLeft = V::Sub(one, pan);
  const Vec amp = lanes(&GrainPair::amplitude);
  const Vec mix = lanes(&GrainPair::sourceMix);
  const Vec mixRight = V::Sub(one, mix);
  Vec unused;
  const Idx lenI = V::Split(len, &unused);

  // Gathers address memory as (array address / 8 + index) x 8: doubles are 8-byte aligned.
  alignas(64) std::int64_t a0[kLanes], a1[kLanes], ae[kLanes];
  for (int k = 0; k < kPairs; ++k) {
    for (int l = 0; l < 2; ++l) {
      a0[2 * k + l] = Words(g.pair[k]->source0[l]);
      a1[2 * k + l] = Words(g.pair[k]->source1[l]);
      ae[2 * k + l] = Words(g.pair[k]->envelope[l]);
    }
  }
  const Idx src0 = V::LoadIdx(a0);
  const Idx src1 = V::LoadIdx(a1);
  const Idx env = V::LoadIdx(ae);

  // One sample of every lane: the per-pair sums {left lane 0 + left lane 1, right lane 0 +
  // right lane 1}; moves read positions (pairs in range) and envelope phases (sounding lanes) on.
  auto next = [&](Mask active, Mask move, Vec phaseStep) {
    // Three-point read: indices I - 1, I, I + 1 wrapped once into 0 .. L - 1 (0 <= pos < L).
    Vec f;
    const Idx i = V::Split(pos, &f);
    const Idx prev = V::Below(i, lenI);
    const Idx after = V::Above(i, lenI);
    const Vec fm1 = V::Sub(f, one);
    const Vec fm2 = V::Sub(fm1, one);
    const Vec halfFm1 = V::Mul(fm1, half);
    const Vec ca = V::Mul(halfFm1, fm2);
    const Vec cb = V::Mul(f, fm2);
    const Vec cc = V::Mul(f, halfFm1);
    const Vec v0 = V::Add(
        V::Sub(V::Mul(V::Gather(V::AddI(src0, prev)), ca), V::Mul(V::Gather(V::AddI(src0, i)), cb)),
        V::Mul(V::Gather(V::AddI(src0, after)), cc));
    const Vec v1 = V::Add(
        V::Sub(V::Mul(V::Gather(V::AddI(src1, prev)), ca), V::Mul(V::Gather(V::AddI(src1, i)), cb)),
        V::Mul(V::Gather(V::AddI(src1, after)), cc));
    const Vec signal = V::Add(V::Mul(mixRight, v1), V::Mul(mix, v0));

    // Envelope entries K and K + 1, K held at 200 (entries 200 and 201 mirror 0 and 1).
    Vec frac;
    const Idx k = V::AddI(env, V::MinI(V::Split(phase, &frac), kWindowSize));
    const Vec envelope =
        V::Add(V::Mul(V::Gather(k), V::Sub(one, frac)), V::Mul(V::Gather(V::AddI(k, oneI)), frac));

    // pos + inc, then plus L if negative, then minus L if not below L.
    Vec moved = V::Add(pos, inc);
    moved = V::Add(moved, V::Zero(len, V::Less(moved, zero)));
    moved = V::Sub(moved, V::Zero(len, V::AtLeast(moved, len)));
    pos = V::Select(move, moved, pos);
    phase = V::Select(move, V::Add(phase, phaseStep), phase);

    const Vec out = V::Zero(V::Mul(V::Mul(envelope, signal), amp), active);
    const Vec left = Clamp<V>(V::Mul(out, panLeft), minusOne, one);
    const Vec right = Clamp<V>(V::Mul(out, pan), minusOne, one);
    return V::PairSums(left, right);
  };

  alignas(64) double sums[kWideChunk * kLanes];
  for (int s = 0; s < g.segmentCount; ++s) {
    const PairSegment& seg = g.segment[s];
    unsigned moving = 0;
    int inRange[kPairs];
    int inRangeCount = 0;
    for (int k = 0; k < kPairs; ++k) {
      if ((seg.inRange >> k) & 1u) {
        moving |= 3u << (2 * k);
        inRange[inRangeCount++] = k;
      }
    }
    const Mask active = V::MaskOf(seg.active);
    const Mask move = V::MaskOf(moving);
    const Vec phaseStep = V::Zero(phaseInc, active);
    for (int base = seg.begin; base < seg.end; base += kWideChunk) {
      const int m = seg.end - base < kWideChunk ? seg.end - base : kWideChunk;
      for (int j = 0; j < m; ++j) V::Store(sums + j * kLanes, next(active, move, phaseStep));
      // Pair by pair in group order, as if the pairs had been rendered one after another.
      for (int j = 0; j < m; ++j) {
        double* w = t.wet + 2 * (base + j);
        __m128d acc = _mm_load_pd(w);
        for (int r = 0; r < inRangeCount; ++r) {
          acc = _mm_add_pd(acc, _mm_load_pd(sums + j * kLanes + 2 * inRange[r]));
        }
        _mm_store_pd(w, acc);
      }
    }
  }

  // Times relative to the sample after each pair's range; lanes without a sample left retire.
  alignas(64) double last[kLanes];
  for (int k = 0; k < kPairs; ++k) last[2 * k] = last[2 * k + 1] = g.last[k];
  const Vec lastV = V::Load(last);
  const Vec relStart = V::Sub(startV, lastV);
  const Vec relEnd = V::Sub(endV, lastV);
  const Mask alive = V::AtLeast(relEnd, one);
  store(&GrainPair::start, V::Zero(relStart, alive));
  store(&GrainPair::end, V::Zero(relEnd, alive));
  store(&GrainPair::readPos, V::Zero(pos, alive));
  store(&GrainPair::phase, V::Zero(phase, alive));
  store(&GrainPair::feedback, V::Zero(fb, alive));
  const unsigned bits = V::Bits(alive);
  for (int k = 0; k < g.pairCount; ++k) masks[k] = static_cast<int>((bits >> (2 * k)) & 3u);
}

}  // namespace
