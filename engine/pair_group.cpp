// BuildPairGroup: the pairs' common sample ranges and the segments of constant lane state.
#include "engine/pair_group.h"

#include <algorithm>
#include <cmath>

void BuildPairGroup(PairGroup& g, GrainPair* const* pairs, int count, int width, GrainPair* idle,
                    int blockCount) {
  int first[kMaxGroupPairs] = {};
  int cut[6 * kMaxGroupPairs];
  int cuts = 0;
  g.pairCount = count;
  g.live = 0;
  for (int k = 0; k < width; ++k) {
    g.pair[k] = k < count ? pairs[k] : idle;
    if (k >= count) {
      g.last[k] = 0;
      continue;
    }
    // The same range as RenderPair: starts are whole samples, ends round to nearest (ties even).
    const GrainPair& p = *pairs[k];
    const double s = std::max(0.0, std::min(p.start[0], p.start[1]));
    const double e = std::min(static_cast<double>(blockCount), std::max(p.end[0], p.end[1]));
    first[k] = static_cast<int>(std::nearbyint(s));
    g.last[k] = std::max(first[k], static_cast<int>(std::nearbyint(e)));
    const double lo = first[k];
    const double hi = g.last[k];
    cut[cuts++] = first[k];
    cut[cuts++] = g.last[k];
    for (int l = 0; l < 2; ++l) {
      if (p.end[l] - hi >= 1.0) g.live |= 1u << (2 * k + l);
      cut[cuts++] = static_cast<int>(std::clamp(p.start[l], lo, hi));
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
