// The lanes of the pairs that write feedback, laid out field by field so that the lockstep render
// (every such pair at one sample, then the next sample) takes several pairs per vector, and the
// entry points of that render for each path.
#pragma once

#include <cstdint>

#include "engine/grain_pair.h"
#include "engine/grain_render.h"

namespace engine {

// Every lane of the pool, in blocks of the widest path's vector (8 lanes, 4 pairs).
constexpr int kFeedbackBlockLanes = 8;
constexpr int kFeedbackLaneCapacity = 2 * kPoolPairs;
static_assert(kFeedbackLaneCapacity % kFeedbackBlockLanes == 0);

// Eight lanes field by field in 1.3 kB: a vector's fields lie side by side in the cache.
struct alignas(64) FeedbackBlock {
  double start[kFeedbackBlockLanes];
  double end[kFeedbackBlockLanes];
  double pos[kFeedbackBlockLanes];
  double phase[kFeedbackBlockLanes];
  double inc[kFeedbackBlockLanes];
  double len[kFeedbackBlockLanes];
  double phaseInc[kFeedbackBlockLanes];
  double feedback[kFeedbackBlockLanes];
  double pan[kFeedbackBlockLanes];
  double panLeft[kFeedbackBlockLanes];  // 1 - pan
  double amp[kFeedbackBlockLanes];
  double mix[kFeedbackBlockLanes];
  double mixRight[kFeedbackBlockLanes];  // 1 - mix
  const double* source0[kFeedbackBlockLanes];
  const double* source1[kFeedbackBlockLanes];
  const double* envelope[kFeedbackBlockLanes];
  // Set by the render: the read weights while the lanes step by whole samples, and for the coming
  // sample the envelope value and the index of the read position, worked out a sample ahead (they
  // do not depend on the buffer) so that the sample's own work waits for neither.
  double ca[kFeedbackBlockLanes];
  double cb[kFeedbackBlockLanes];
  double cc[kFeedbackBlockLanes];
  double envelopeValue[kFeedbackBlockLanes];
  std::int32_t at[kFeedbackBlockLanes];
};

// Lane 2k + l holds lane l of the k-th pair; lanes after the last pair up to the end of its block
// never sound. Sized at construction, filled for each block of audio.
struct FeedbackLanes {
  FeedbackBlock block[kFeedbackLaneCapacity / kFeedbackBlockLanes];
  int pairCount = 0;
  // Every lane reads the same two sources (source0[0], source1[0]).
  bool sharedSources = false;
};

// Audio thread: lays out `count` pairs (at most kPoolPairs) for a block of `blockCount` samples
// and pads them with lanes of `idle`.
void LoadFeedbackLanes(FeedbackLanes& lanes, GrainPair* const* pairs, int count,
                       const GrainPair& idle, int blockCount);
// Audio thread: stores the pairs' read positions and phases back, moves their times on to the next
// block (of `blockCount` samples) and writes each pair's new lane mask to masks[k].
void StoreFeedbackLanes(const FeedbackLanes& lanes, GrainPair* const* pairs, int blockCount,
                        int* masks);

// Audio thread, under the instance lock: RenderFeedbackPairs for the loaded lanes, several pairs
// per vector, to the bit the same. Each path's function runs only where the processor has it.
void RenderFeedbackLanesSse2(FeedbackLanes& lanes, const RenderTarget& target);
void RenderFeedbackLanesAvx2(FeedbackLanes& lanes, const RenderTarget& target);
void RenderFeedbackLanesAvx512(FeedbackLanes& lanes, const RenderTarget& target);

}  // namespace engine
