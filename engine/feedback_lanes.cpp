// Laying out the pairs that write feedback lane by lane, and storing their state back.
#include "engine/feedback_lanes.h"

namespace engine {

void LoadFeedbackLanes(FeedbackLanes& L, GrainPair* const* pairs, int count, const GrainPair& idle,
                       int blockCount) {
  const int lanes = 2 * count;
  const int padded = (lanes + kFeedbackBlockLanes - 1) / kFeedbackBlockLanes * kFeedbackBlockLanes;
  for (int i = 0; i < padded; ++i) {
    const GrainPair& p = i < lanes ? *pairs[i / 2] : idle;
    const int l = i < lanes ? i % 2 : 0;
    FeedbackBlock& b = L.block[i / kFeedbackBlockLanes];
    const int o = i % kFeedbackBlockLanes;
    b.start[o] = p.start[l];
    b.end[o] = p.end[l];
    b.pos[o] = p.readPos[l];
    b.phase[o] = p.phase[l];
    b.inc[o] = p.readInc[l];
    b.len[o] = p.bufferLength[l];
    b.phaseInc[o] = p.phaseInc[l];
    b.feedback[o] = p.feedback[l];
    b.pan[o] = p.pan[l];
    b.panLeft[o] = 1.0 - p.pan[l];
    b.amp[o] = p.amplitude[l];
    b.mix[o] = p.sourceMix[l];
    b.mixRight[o] = 1.0 - p.sourceMix[l];
    b.source0[o] = p.source0[l];
    b.source1[o] = p.source1[l];
    b.envelope[o] = p.envelope[l];
  }
  // A lane that does not sound in this block, at position 0, reads (and ignores) the spare
  // elements around the start of its source; any source will do for it, read as one of length 1
  // (where it stays at 0, as it does in any length). When all others read the same pair of
  // sources, every lane reads them.
  auto spare = [&](const FeedbackBlock& b, int o) {
    return b.pos[o] == 0.0 && !(b.start[o] < blockCount && b.end[o] > 0.0);
  };
  const double* shared0 = nullptr;
  const double* shared1 = nullptr;
  L.sharedSources = true;
  for (int i = 0; i < padded; ++i) {
    const FeedbackBlock& b = L.block[i / kFeedbackBlockLanes];
    const int o = i % kFeedbackBlockLanes;
    if (spare(b, o)) continue;
    if (shared0 == nullptr) {
      shared0 = b.source0[o];
      shared1 = b.source1[o];
    } else if (b.source0[o] != shared0 || b.source1[o] != shared1) {
      L.sharedSources = false;
    }
  }
  if (shared0 == nullptr) L.sharedSources = false;
  if (L.sharedSources) {
    for (int i = 0; i < padded; ++i) {
      FeedbackBlock& b = L.block[i / kFeedbackBlockLanes];
      const int o = i % kFeedbackBlockLanes;
      if (spare(b, o)) b.len[o] = 1.0;
      b.source0[o] = shared0;
      b.source1[o] = shared1;
    }
  }
  L.pairCount = count;
}

void StoreFeedbackLanes(const FeedbackLanes& L, GrainPair* const* pairs, int blockCount,
                        int* masks) {
  for (int k = 0; k < L.pairCount; ++k) {
    const FeedbackBlock& b = L.block[2 * k / kFeedbackBlockLanes];
    const int o = 2 * k % kFeedbackBlockLanes;
    masks[k] = RetirePair(*pairs[k], blockCount, b.pos + o, b.phase + o);
  }
}

}  // namespace engine
