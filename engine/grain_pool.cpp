// The grain pool's lists: taking a pair for a spawn, filing it, and the render walk.
#include "engine/grain_pool.h"

#include "engine/pair_group.h"

GrainPool::GrainPool(const double* silence, const double* envelope)
    : pairs_(new GrainPair[kPairCount]) {
  for (int i = 0; i < kPairCount; ++i) {
    MakeLaneIdle(pairs_[i], 0, silence, envelope);
    MakeLaneIdle(pairs_[i], 1, silence, envelope);
    free_.PushBack(&pairs_[i]);
  }
  MakeLaneIdle(idle_, 0, silence, envelope);
  MakeLaneIdle(idle_, 1, silence, envelope);
}

GrainPair* GrainPool::TakeForSpawn() {
  if (GrainPair* p = partial_.PopFront()) return p;
  return free_.PopFront();
}

void GrainPool::FileAfterSpawn(GrainPair* pair) {
  ++activeGrainCount_;
  if (pair->laneMask == 3) {
    full_.PushBack(pair);
  } else {
    partial_.PushBack(pair);
  }
}

bool GrainPool::SetRenderPath(RenderPath path) {
  if (!RenderPathSupported(path)) return false;
  path_ = path;
  return true;
}

void GrainPool::RenderGrains(const RenderTarget& target) {
  // Rendering never looks at the lists, so every pair can be rendered before any is refiled.
  GrainPair** order = order_;
  int* masks = masks_;
  int count = 0;
  for (GrainPair* p = partial_.Head(); p; p = p->next) order[count++] = p;
  const int partialCount = count;
  for (GrainPair* p = full_.Head(); p; p = p->next) order[count++] = p;

  if (path_ == RenderPath::kSse2) {
    for (int i = 0; i < count; ++i) masks[i] = RenderPair(*order[i], target);
  } else {
    RenderWide(order, count, target, masks);
  }

  for (int i = 0; i < count; ++i) {
    GrainPair* p = order[i];
    p->laneMask = masks[i];
    if (i < partialCount) {
      if (p->laneMask == 0) {
        partial_.Unlink(p);
        free_.PushBack(p);
        --activeGrainCount_;
      }
    } else if (p->laneMask != 3) {
      full_.Unlink(p);
      if (p->laneMask != 0) {
        --activeGrainCount_;
        partial_.PushBack(p);  // not rendered again in this block
      } else {
        activeGrainCount_ -= 2;
        free_.PushBack(p);
      }
    }
  }
}

// A pair that feeds back renders alone, in its place in the walk: the pairs after it read what
// it wrote, the pairs before it did not. Pairs that only read render together, each run of them
// by the narrowest path that holds it (a lone pair by RenderPair, two by AVX2): every path gives
// the same output, and idle lanes would cost as much as busy ones.
void GrainPool::RenderWide(GrainPair* const* pairs, int count, const RenderTarget& target,
                           int* masks) {
  const int width = path_ == RenderPath::kAvx512 ? 4 : 2;
  PairGroup group;
  for (int i = 0; i < count;) {
    int n = 0;
    while (n < width && i + n < count && !WritesFeedback(*pairs[i + n], target)) ++n;
    if (n <= 1) {
      masks[i] = RenderPair(*pairs[i], target);
      ++i;
      continue;
    }
    const int groupWidth = n <= 2 ? 2 : 4;
    BuildPairGroup(group, pairs + i, n, groupWidth, &idle_, target.count);
    if (groupWidth == 4) {
      RenderGroupAvx512(group, target, masks + i);
    } else {
      RenderGroupAvx2(group, target, masks + i);
    }
    i += n;
  }
}
