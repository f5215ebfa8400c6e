// The grain pool's lists: taking a pair for a spawn, filing it, and the render walk.
#include "engine/grain_pool.h"

GrainPool::GrainPool(const double* silence, const double* envelope)
    : pairs_(new GrainPair[kPairCount]), silence_(silence), envelope_(envelope) {
  for (int i = 0; i < kPairCount; ++i) {
    MakeLaneIdle(pairs_[i], 0, silence, envelope);
    MakeLaneIdle(pairs_[i], 1, silence, envelope);
    free_.PushBack(&pairs_[i]);
  }
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

void GrainPool::RenderGrains(const RenderTarget& target) {
  // The next link is read before a pair is rendered and possibly moved.
  for (GrainPair* p = partial_.head; p;) {
    GrainPair* next = p->next;
    p->laneMask = RenderPair(*p, target);
    if (p->laneMask == 0) {
      partial_.Unlink(p);
      free_.PushBack(p);
      --activeGrainCount_;
    }
    p = next;
  }
  for (GrainPair* p = full_.head; p;) {
    GrainPair* next = p->next;
    p->laneMask = RenderPair(*p, target);
    if (p->laneMask != 3) {
      full_.Unlink(p);
      if (p->laneMask != 0) {
        --activeGrainCount_;
        partial_.PushBack(p);  // not rendered again in this block
      } else {
        activeGrainCount_ -= 2;
        free_.PushBack(p);
      }
    }
    p = next;
  }
}
