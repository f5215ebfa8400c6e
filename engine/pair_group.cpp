// BuildPairGroup: the pairs' common sample ranges and the segments of constant lane state.
#include "engine/pair_group.h"

#include <algorithm>
#include <cmath>

namespace engine {

void BuildPairGroup(PairGroup& g, GrainPair* const* pairs, int count, int width, GrainPair* idle,
                    int blockCount) {
  int first[kMaxGroupPairs] = {};
  int cut[6 * kMaxGroupPairs];
  int cuts = 0;
  g.pairCount = count;
  g.blockCount = blockCount;
  g.live = 0;
  for (int k = 0; k < width; ++k) {
    g.pair[k] = k < count ? pairs[k] : idle;
    if (k >= count) {
      g.last[k] = 0;
      continue;
    }
    // The same range and segment cuts as RenderPair.
    const GrainPair& p = *pairs[k];
    const PairRange range = RangeOf(p, blockCount);
    first[k] = range.first;
    g.last[k] = range.last;
    const double lo = first[k];
    const double hi = g.last[k];
    cut[cuts++] = first[k];
    cut[cuts++] = g.last[k];
    for (int l = 0; l < 2; ++l) {
      if (p.end[l] > blockCount) g.live |= 1u << (2 * k + l);
      cut[cuts++] = static_cast<int>(std::clamp(std::ceil(p.start[l]), lo, hi));
      cut[cuts++] = static_cast<int>(std::clamp(std::ceil(p.end[l]), lo, hi));
    }
  }
  std::sort(cut, cut + cuts);

  // Between two neighbouring cuts no lane starts, ends, enters or leaves its range.
  g.segmentCount = 0;
  for (int c = 0; c + 1 < cuts; ++c) {
    const int n = cut[c];
    if (n == cut[c + 1]) continue;
    PairSegment seg;
    seg.begin = n;
    seg.end = cut[c + 1];
    for (int k = 0; k < count; ++k) {
      if (n < first[k] || n >= g.last[k]) continue;
      seg.inRange |= 1u << k;
      for (int l = 0; l < 2; ++l) {
        if (pairs[k]->start[l] <= n && pairs[k]->end[l] > n) seg.active |= 1u << (2 * k + l);
      }
    }
    g.live |= seg.active;
    if (seg.inRange != 0) g.segment[g.segmentCount++] = seg;
  }
}

}  // namespace engine
