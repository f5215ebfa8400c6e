// A voice record holding two grains side by side (lane 0, lane 1) so that rendering computes
// both with one two-wide double operation, and the doubly linked list that files such records.
#pragma once

#include "common/intrusive_list.h"

namespace engine {

constexpr int kPairCount = 256;  // 512 grains at most
// Pairs in the pool: a lane that ends inside a block keeps its pair until the block has been
// rendered, while the grains started after it in the same block need lanes of their own, so the
// pool holds room for 512 sounding grains plus one block's worth of spawns.
constexpr int kPoolPairs = 2 * kPairCount;
constexpr int kWindowSize = 200;

struct alignas(16) GrainPair {
  int laneMask = 0;  // bit 0: lane 0 in use, bit 1: lane 1 in use
  GrainPair* next = nullptr;
  GrainPair* previous = nullptr;
  // Each field: lane 0 then lane 1. Times are samples relative to the first sample of the block.
  alignas(16) double start[2] = {};
  double end[2] = {};
  double readPos[2] = {};       // fractional index into the source, 0 <= p < bufferLength
  double readInc[2] = {};       // source samples per output sample, signed, |inc| < bufferLength
  double bufferLength[2] = {};  // the length this lane wraps in (at least 1 once spawned)
  double phase[2] = {};         // envelope phase, 0 .. 200
  double phaseInc[2] = {};
  double feedback[2] = {};
  double pan[2] = {};
  double amplitude[2] = {};
  double sourceMix[2] = {};
  // Channel-0 and channel-1 source of each lane; like every array of doubles here they carry
  // spare elements on both sides, which the wide render paths may read (and then ignore).
  const double* source0[2] = {};
  const double* source1[2] = {};
  const double* envelope[2] = {};  // kWindowSize entries, then two copies of the last one
  int envelopeCopy[2] = {-1, -1};  // which of the engine's envelope copies the lane holds
};

// FullList, PartialList and FreeList: records are taken from the head and appended at the tail.
using GrainList = common::IntrusiveList<GrainPair, &GrainPair::next, &GrainPair::previous>;

}  // namespace engine
