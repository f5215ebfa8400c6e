// Laying out the pairs that write feedback lane by lane, and storing their state back.
#include "engine/feedback_lanes.h"

void LoadFeedbackLanes(FeedbackLanes& L, GrainPair* const* pairs, int count,
                       const GrainPair& idle) {
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
  // A padding lane never sounds and stays at position 0, where every source has spare elements
  // to read; it may as well read what the pairs read.
  L.sharedSources = lanes > 0;
  const FeedbackBlock& first = L.block[0];
  for (int i = 0; i < lanes; ++i) {
    const FeedbackBlock& b = L.block[i / kFeedbackBlockLanes];
    const int o = i % kFeedbackBlockLanes;
    if (b.source0[o] != first.source0[0] || b.source1[o] != first.source1[0]) {
      L.sharedSources = false;
    }
  }
  if (L.sharedSources) {
    for (int i = lanes; i < padded; ++i) {
      FeedbackBlock& b = L.block[i / kFeedbackBlockLanes];
      b.source0[i % kFeedbackBlockLanes] = first.source0[0];
      b.source1[i % kFeedbackBlockLanes] = first.source1[0];
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
