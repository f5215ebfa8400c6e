// Several consecutive grain pairs rendered together by a wide path (AVX2: two pairs, AVX-512:
// four), with each pair's sample range and the stretches of the block over which every lane's
// state (in range, sounding) stays the same.
#pragma once

#include "engine/grain_pair.h"
#include "engine/grain_render.h"

namespace engine {

constexpr int kMaxGroupPairs = 4;
// Each pair contributes its range ends and both lanes' start and end samples.
constexpr int kMaxGroupSegments = 6 * kMaxGroupPairs - 1;

// Block samples begin .. end - 1. Bit 2k + l of `active` is lane l of pair k sounding (only
// sounding lanes move); bit k of `inRange` is the sample inside pair k's range, over which the
// pair adds into the wet accumulators.
struct PairSegment {
  int begin = 0;
  int end = 0;
  unsigned active = 0;
  unsigned inRange = 0;
};

struct PairGroup {
  // pairCount real pairs first, then idle padding pairs that are never in range.
  GrainPair* pair[kMaxGroupPairs] = {};
  int pairCount = 0;
  int last[kMaxGroupPairs] = {};  // the sample after each pair's range
  int blockCount = 0;
  // Bit 2k + l: lane l of pair k sounds in this block or lives on after it. Other lanes are
  // never seen (their output is masked, their state zeroed afterwards).
  unsigned live = 0;
  PairSegment segment[kMaxGroupSegments];
  int segmentCount = 0;  // only segments with at least one pair in range, in block order
};

// Audio thread: fills `group` for `count` pairs (1 .. width) of a block of `blockCount` samples,
// padded to `width` pairs with `idle`. The ranges are those RenderPair uses.
void BuildPairGroup(PairGroup& group, GrainPair* const* pairs, int count, int width,
                    GrainPair* idle, int blockCount);

// Audio thread, under the instance lock: render a group of pairs that write no feedback, each
// exactly as RenderPair would, adding into the wet accumulators in the group's pair order.
// Store each real pair's new lane state and write its new lane mask to masks[k]. Only call a
// path the processor runs (RenderPathSupported).
void RenderGroupAvx2(const PairGroup& group, const RenderTarget& target, int* masks);    // 2 pairs
void RenderGroupAvx512(const PairGroup& group, const RenderTarget& target, int* masks);  // 4 pairs

}  // namespace engine
