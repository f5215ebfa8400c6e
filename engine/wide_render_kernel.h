// The wide render kernel, written once over a vector-operations type V (AVX2 or AVX-512 lanes of
// doubles, two per pair) and its reader of the source and envelope arrays. Per lane it performs
// RenderPair's operations in RenderPair's order, so its output is the same to the bit. Only the
// translation units built for a wide target include it; its unnamed namespace gives each of them
// its own copy, so no code built for AVX can stand in for a baseline function at link time.
#pragma once

#include <immintrin.h>

#include <cstdint>

#include "engine/pair_group.h"

namespace engine {

namespace {

constexpr int kWideChunk = 64;  // samples per two-pass chunk

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
  auto lanes = [&](double(GrainPair::*field)[2]) {
    alignas(64) double v[kLanes];
    for (int k = 0; k < kPairs; ++k) {
      v[2 * k] = (g.pair[k]->*field)[0];
      v[2 * k + 1] = (g.pair[k]->*field)[1];
    }
    return V::Load(v);
  };
  auto store = [&](double(GrainPair::*field)[2], Vec x) {
    alignas(64) double v[kLanes];
    V::Store(v, x);
    for (int k = 0; k < g.pairCount; ++k) {
      (g.pair[k]->*field)[0] = v[2 * k];
      (g.pair[k]->*field)[1] = v[2 * k + 1];
    }
  };

  const Vec zero = V::Set(0.0);
  const Vec one = V::Set(1.0);
  const Vec two = V::Set(2.0);
  const Vec minusOne = V::Set(-1.0);
  const Vec half = V::Set(0.5);

  // Lanes never seen are parked at position 0 without moving: they read the spare elements
  // around the start of their source and never leave it.
  const Mask live = V::MaskOf(g.live);
  const Vec startV = lanes(&GrainPair::start);
  const Vec endV = lanes(&GrainPair::end);
  Vec pos = V::Zero(lanes(&GrainPair::readPos), live);
  Vec phase = lanes(&GrainPair::phase);
  const Vec inc = V::Zero(lanes(&GrainPair::readInc), live);
  const Vec len = lanes(&GrainPair::bufferLength);
  const Vec phaseInc = lanes(&GrainPair::phaseInc);
  const Vec fb = lanes(&GrainPair::feedback);
  const Vec pan = lanes(&GrainPair::pan);
  const Vec panLeft = V::Sub(one, pan);
  const Vec amp = lanes(&GrainPair::amplitude);
  const Vec mix = lanes(&GrainPair::sourceMix);
  const Vec mixRight = V::Sub(one, mix);
  const Vec absInc = V::Max(inc, V::Sub(zero, inc));
  const Vec lenLessTwo = V::Sub(len, two);
  Vec unused;
  const Idx lenI = V::Split(len, &unused);
  typename V::Reader reader(g);

  // The three-point read of both channels, then everything after it: envelope, amplitude, pan,
  // clamps and the per-pair sums {left lane 0 + left lane 1, right lane 0 + right lane 1}.
  auto shape = [&](Vec f, const Vec* r, Vec tk, Vec tk1, Vec frac, Mask active) {
    const Vec fm1 = V::Sub(f, one);
    const Vec fm2 = V::Sub(fm1, one);
    const Vec halfFm1 = V::Mul(fm1, half);  // halving is exact: same as halving last
    const Vec ca = V::Mul(halfFm1, fm2);
    const Vec cb = V::Mul(f, fm2);
    const Vec cc = V::Mul(f, halfFm1);
    const Vec v0 = V::Add(V::Sub(V::Mul(r[0], ca), V::Mul(r[1], cb)), V::Mul(r[2], cc));
    const Vec v1 = V::Add(V::Sub(V::Mul(r[3], ca), V::Mul(r[4], cb)), V::Mul(r[5], cc));
    const Vec signal = V::Add(V::Mul(mixRight, v1), V::Mul(mix, v0));
    const Vec envelope = V::Add(V::Mul(tk, V::Sub(one, frac)), V::Mul(tk1, frac));
    const Vec out = V::Zero(V::Mul(V::Mul(envelope, signal), amp), active);
    const Vec left = Clamp<V>(V::Mul(out, panLeft), minusOne, one);
    const Vec right = Clamp<V>(V::Mul(out, pan), minusOne, one);
    return V::PairSums(left, right);
  };

  // Envelope entries K and K + 1, K held at 200 (entries 200 and 201 mirror 0 and 1).
  auto envelopeReads = [&](Vec* tk, Vec* tk1, Vec* frac) {
    reader.Envelope(V::MinI(V::Split(phase, frac), kWindowSize), tk, tk1);
  };

  // A sample anywhere: indices I - 1 and I + 1 wrap into 0 .. L - 1, and so does the position.
  auto wrappedSample = [&](Mask active, Mask move, Vec phaseStep) {
    Vec f;
    const Idx i = V::Split(pos, &f);
    Vec r[6];
    reader.Wrapped(V::Below(i, lenI), i, V::Above(i, lenI), r);
    Vec tk, tk1, frac;
    envelopeReads(&tk, &tk1, &frac);
    // pos + inc, then plus L if negative, then minus L if not below L.
    Vec moved = V::Add(pos, inc);
    moved = V::Add(moved, V::Zero(len, V::Less(moved, zero)));
    moved = V::Sub(moved, V::Zero(len, V::AtLeast(moved, len)));
    pos = V::Select(move, moved, pos);
    phase = V::Select(move, V::Add(phase, phaseStep), phase);
    return shape(f, r, tk, tk1, frac, active);
  };

  // A sample of a chunk in which no lane that matters comes near either end of its buffer:
  // nothing wraps, and the additions of 0 that the wraps make elsewhere change no value.
  auto innerSample = [&]<bool kAllMove>(Mask active, Mask move, Vec phaseStep) {
    Vec f;
    const Idx i = V::Split(pos, &f);
    Vec r[6];
    reader.Inner(i, r);
    Vec tk, tk1, frac;
    envelopeReads(&tk, &tk1, &frac);
    if constexpr (kAllMove) {
      pos = V::Add(pos, inc);
      phase = V::Add(phase, phaseStep);
    } else {
      pos = V::Select(move, V::Add(pos, inc), pos);
      phase = V::Select(move, V::Add(phase, phaseStep), phase);
    }
    return shape(f, r, tk, tk1, frac, active);
  };

  alignas(64) double sums[kWideChunk * kLanes];
  for (int s = 0; s < g.segmentCount; ++s) {
    const PairSegment& seg = g.segment[s];
    int inRange[kPairs];
    int inRangeCount = 0;
    for (int k = 0; k < kPairs; ++k) {
      if ((seg.inRange >> k) & 1u) inRange[inRangeCount++] = k;
    }
    // Only sounding lanes move.
    const Mask active = V::MaskOf(seg.active);
    const Mask move = active;
    const Mask watched = V::MaskOf(seg.active & g.live);
    const bool allMove = seg.active == (1u << kLanes) - 1;
    const Vec phaseStep = V::Zero(phaseInc, active);
    for (int base = seg.begin; base < seg.end; base += kWideChunk) {
      const int m = seg.end - base < kWideChunk ? seg.end - base : kWideChunk;
      // Every watched position stays within 2 .. L - 2 over the chunk (a margin of a sample
      // beyond what three-point reads without wrapping need, for the rounding of the steps).
      const Vec span = V::Mul(absInc, V::Set(m + 1.0));
      const bool inner = V::AllSet(V::AtLeast(V::Sub(pos, span), two),
                                   V::Less(V::Add(pos, span), lenLessTwo), watched);
      reader.Restart(active, inc);
      if (inner && allMove) {
        for (int j = 0; j < m; ++j) {
          V::Store(sums + j * kLanes,
                   innerSample.template operator()<true>(active, move, phaseStep));
        }
      } else if (inner) {
        for (int j = 0; j < m; ++j) {
          V::Store(sums + j * kLanes,
                   innerSample.template operator()<false>(active, move, phaseStep));
        }
      } else {
        for (int j = 0; j < m; ++j) {
          V::Store(sums + j * kLanes, wrappedSample(active, move, phaseStep));
        }
      }
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

  // Times relative to the next block; lanes whose end lies within this block retire.
  const Vec after = V::Set(g.blockCount);
  const Vec relStart = V::Sub(startV, after);
  const Vec relEnd = V::Sub(endV, after);
  const Mask alive = V::Less(zero, relEnd);
  store(&GrainPair::start, V::Zero(relStart, alive));
  store(&GrainPair::end, V::Zero(relEnd, alive));
  store(&GrainPair::readPos, V::Zero(pos, alive));
  store(&GrainPair::phase, V::Zero(phase, alive));
  store(&GrainPair::feedback, V::Zero(fb, alive));
  const unsigned bits = V::Bits(alive);
  for (int k = 0; k < g.pairCount; ++k) masks[k] = static_cast<int>((bits >> (2 * k)) & 3u);
}

}  // namespace

}  // namespace engine
