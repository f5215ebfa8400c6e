// The fixed pool of kPairCount grain pairs filed in FullList, PartialList and FreeList, with the
// count of grains in use and the walk that renders and retires them.
#pragma once

#include <memory>

#include "engine/grain_pair.h"
#include "engine/grain_render.h"
#include "engine/render_path.h"

class GrainPool {
 public:
  // Allocates all pairs, every lane idle on `silence`/`envelope`, all of them in FreeList.
  GrainPool(const double* silence, const double* envelope);

  // Audio thread: the pair a new grain goes into: the head of PartialList, else the head of
  // FreeList; nullptr when all 512 lanes are in use. The pair is unlinked from its list.
  GrainPair* TakeForSpawn();
  // Audio thread: files a pair after a lane was set: FullList when both lanes are in use, else
  // PartialList; raises ActiveGrainCount by one.
  void FileAfterSpawn(GrainPair* pair);

  // Audio thread, under the instance lock: renders every pair in PartialList, then FullList,
  // each for the whole block, and refiles pairs whose lanes retired. Every render path gives
  // the same output to the bit.
  void RenderGrains(const RenderTarget& target);

  // Under the instance lock: the render path; false (path unchanged) when the processor lacks it.
  bool SetRenderPath(RenderPath path);
  RenderPath GetRenderPath() const { return path_; }

  int ActiveGrainCount() const { return activeGrainCount_; }
  const GrainList& FullList() const { return full_; }
  const GrainList& PartialList() const { return partial_; }
  const GrainList& FreeList() const { return free_; }
  const GrainPair& Pair(int i) const { return pairs_[i]; }

 private:
  // Renders the pairs in list order, several at once where the wide path allows; masks[i] gets
  // pair i's new lane mask.
  void RenderWide(GrainPair* const* pairs, int count, const RenderTarget& target, int* masks);

  std::unique_ptr<GrainPair[]> pairs_;
  GrainPair idle_;                     // pads a wide group; never in range, never written
  GrainPair* order_[kPairCount] = {};  // the render walk's pairs in list order
  int masks_[kPairCount] = {};         // and their new lane masks
  RenderPath path_ = DefaultRenderPath();
  GrainList full_;
  GrainList partial_;
  GrainList free_;
  int activeGrainCount_ = 0;
};
