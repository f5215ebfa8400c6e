// The fixed pool of grain pairs filed in FullList, PartialList and FreeList, with the count of
// lanes in use and the walk that renders and retires them.
#pragma once

#include <memory>

#include "engine/feedback_lanes.h"
#include "engine/grain_pair.h"
#include "engine/grain_render.h"
#include "engine/render_path.h"

namespace engine {

class GrainPool {
 public:
  // Allocates all pairs, every lane idle on `silence`/`envelope`, all of them in FreeList.
  // `envelopeUsers` counts the lanes holding each envelope copy; a lane's count is lowered when
  // it retires.
  GrainPool(const double* silence, const double* envelope, int* envelopeUsers);

  // Audio thread: the pair a new grain goes into: the head of PartialList, else the head of
  // FreeList; nullptr when all 512 lanes are in use. The pair is unlinked from its list.
  GrainPair* TakeForSpawn();
  // Audio thread: files a pair after a lane was set: FullList when both lanes are in use, else
  // PartialList; raises ActiveGrainCount by one.
  void FileAfterSpawn(GrainPair* pair);
  // Audio thread: the grains still sounding at block sample t or later (end > t). Lanes that
  // ended earlier in the block keep their pair until the block is rendered, but no longer count.
  int GrainsSoundingAfter(double t) const;

  // Audio thread, under the instance lock: renders every pair in PartialList, then FullList, each
  // for the whole block (those that write feedback first, together, sample by sample), and
  // refiles pairs whose lanes retired. Every render path gives the same output to the bit: that
  // of RenderFeedbackPairs for the pairs that write feedback and of RenderPair for each other one
  // in turn. Also runs the feedback DC blocker when it is still moving. Returns true when a pair
  // wrote feedback.
  bool RenderGrains(const RenderTarget& target);

  // Under the instance lock: the render path; false (path unchanged) when the processor lacks it.
  bool SetRenderPath(RenderPath path);
  RenderPath GetRenderPath() const { return path_; }

  // Lanes in use: between blocks the grains sounding, during one also those ended in it.
  int ActiveGrainCount() const { return activeGrainCount_; }
  const GrainList& FullList() const { return full_; }
  const GrainList& PartialList() const { return partial_; }
  const GrainList& FreeList() const { return free_; }
  const GrainPair& Pair(int i) const { return pairs_[i]; }

 private:
  // Renders pairs that write no feedback in order, each by the kernel that suits it; masks[i]
  // gets pair i's new lane mask.
  void RenderReaders(GrainPair* const* pairs, int count, const RenderTarget& target, int* masks);
  // Renders pairs that write no feedback, several at once where the wide path allows.
  void RenderWide(GrainPair* const* pairs, int count, const RenderTarget& target, int* masks);
  void ReleaseEnvelope(GrainPair& pair, int lane);

  std::unique_ptr<GrainPair[]> pairs_;
  std::unique_ptr<FeedbackLanes> feedbackLanes_;  // the pairs that write feedback, lane by lane
  GrainPair idle_;                       // pads a wide group; never in range, never written
  GrainPair* order_[kPoolPairs] = {};    // the render walk's pairs in list order
  int masks_[kPoolPairs] = {};           // and their new lane masks
  GrainPair* writers_[kPoolPairs] = {};  // the walk's pairs that write feedback, in walk order
  int writerAt_[kPoolPairs] = {};        // and where they are in the walk
  GrainPair* readers_[kPoolPairs] = {};  // the others
  int readerAt_[kPoolPairs] = {};
  int groupMasks_[kPoolPairs] = {};
  int* envelopeUsers_ = nullptr;
  RenderPath path_ = DefaultRenderPath();
  GrainList full_;
  GrainList partial_;
  GrainList free_;
  int activeGrainCount_ = 0;
};

}  // namespace engine
