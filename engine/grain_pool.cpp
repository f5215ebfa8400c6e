// The grain pool's lists: taking a pair for a spawn, filing it, and the render walk.
#include "engine/grain_pool.h"

#include <algorithm>

#include "engine/pair_group.h"
#include "engine/stride_render.h"

namespace engine {

GrainPool::GrainPool(const double* silence, const double* envelope, int* envelopeUsers)
    : pairs_(new GrainPair[kPoolPairs]),
      feedbackLanes_(new FeedbackLanes),
      envelopeUsers_(envelopeUsers) {
  for (int i = 0; i < kPoolPairs; ++i) {
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

int GrainPool::GrainsSoundingAfter(double t) const {
  int sounding = 0;
  for (const GrainList* list : {&partial_, &full_}) {
    for (const GrainPair* p = list->Head(); p; p = p->next) {
      for (int lane = 0; lane < 2; ++lane) {
        if (((p->laneMask >> lane) & 1) != 0 && p->end[lane] > t) ++sounding;
      }
    }
  }
  return sounding;
}

bool GrainPool::SetRenderPath(RenderPath path) {
  if (!RenderPathSupported(path)) return false;
  path_ = path;
  return true;
}

void GrainPool::ReleaseEnvelope(GrainPair& pair, int lane) {
  if (envelopeUsers_ != nullptr && pair.envelopeCopy[lane] >= 0) {
    --envelopeUsers_[pair.envelopeCopy[lane]];
  }
  pair.envelopeCopy[lane] = -1;
}

bool GrainPool::RenderGrains(const RenderTarget& target) {
  // Rendering never looks at the lists, so every pair can be rendered before any is refiled.
  // The pairs that write feedback go first, together; the others read the buffer after them.
  GrainPair** order = order_;
  int* masks = masks_;
  int count = 0;
  for (GrainPair* p = partial_.Head(); p; p = p->next) order[count++] = p;
  const int partialCount = count;
  for (GrainPair* p = full_.Head(); p; p = p->next) order[count++] = p;

  int writers = 0, readers = 0;
  for (int i = 0; i < count; ++i) {
    if (WritesFeedback(*order[i], target)) {
      writers_[writers] = order[i];
      writerAt_[writers++] = i;
    } else {
      readers_[readers] = order[i];
      readerAt_[readers++] = i;
    }
  }
  const bool dcMoving =
      target.feedbackDc != nullptr && (target.feedbackDc[0] != 0.0 || target.feedbackDc[1] != 0.0);
  if (writers > 0 || dcMoving) {
    LoadFeedbackLanes(*feedbackLanes_, writers_, writers, idle_, target.count);
    switch (path_) {
      case RenderPath::kSse2:
        RenderFeedbackLanesSse2(*feedbackLanes_, target);
        break;
      case RenderPath::kAvx2:
        RenderFeedbackLanesAvx2(*feedbackLanes_, target);
        break;
      case RenderPath::kAvx512:
        RenderFeedbackLanesAvx512(*feedbackLanes_, target);
        break;
    }
    StoreFeedbackLanes(*feedbackLanes_, writers_, target.count, groupMasks_);
    for (int k = 0; k < writers; ++k) masks[writerAt_[k]] = groupMasks_[k];
  }
  RenderReaders(readers_, readers, target, groupMasks_);
  for (int k = 0; k < readers; ++k) masks[readerAt_[k]] = groupMasks_[k];

  for (int i = 0; i < count; ++i) {
    GrainPair* p = order[i];
    for (int lane = 0; lane < 2; ++lane) {
      if ((p->laneMask & ~masks[i] & (1 << lane)) != 0) ReleaseEnvelope(*p, lane);
    }
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
  return writers > 0;
}

// In walk order: a pair whose sounding lanes step by exactly one sample goes to the stride kernel,
// runs of the others to the lane-wise paths.
void GrainPool::RenderReaders(GrainPair* const* pairs, int count, const RenderTarget& target,
                              int* masks) {
  for (int i = 0; i < count;) {
    if (StrideEligible(*pairs[i], target.count)) {
      switch (path_) {
        case RenderPath::kSse2:
          masks[i] = RenderStridePairSse2(*pairs[i], target);
          break;
        case RenderPath::kAvx2:
          masks[i] = RenderStridePairAvx2(*pairs[i], target);
          break;
        case RenderPath::kAvx512:
          masks[i] = RenderStridePairAvx512(*pairs[i], target);
          break;
      }
      ++i;
      continue;
    }
    int end = i + 1;
    while (end < count && !StrideEligible(*pairs[end], target.count)) ++end;
    if (path_ == RenderPath::kSse2) {
      for (int k = i; k < end; ++k) masks[k] = RenderPair(*pairs[k], target);
    } else {
      RenderWide(pairs + i, end - i, target, masks + i);
    }
    i = end;
  }
}

// Pairs that only read render together, each run of them by the narrowest path that holds it (a
// lone pair by RenderPair, two by AVX2): every path gives the same output, and idle lanes would
// cost as much as busy ones.
void GrainPool::RenderWide(GrainPair* const* pairs, int count, const RenderTarget& target,
                           int* masks) {
  const int width = path_ == RenderPath::kAvx512 ? 4 : 2;
  PairGroup group;
  for (int i = 0; i < count;) {
    const int n = std::min(width, count - i);
    if (n == 1) {
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

}  // namespace engine
