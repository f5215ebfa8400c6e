// SpawnGrain: rescheduling, choosing a lane in the pool and freezing the current settings into it.
#include <algorithm>
#include <cassert>
#include <cmath>

#include "engine/grain_engine.h"

namespace engine {

void GrainEngine::SpawnGrain(int offset) {
  const GrainSettings& s = settings_;
  spawnCountdown_ = static_cast<int>(s.onsetSamples);  // even when no lane is free

  // 512 grains at most: the grains that ended before this one starts no longer count, even
  // while their pairs wait for the block to be rendered.
  constexpr int kMaxGrains = 2 * kPairCount;
  if (pool_.ActiveGrainCount() >= kMaxGrains && pool_.GrainsSoundingAfter(offset) >= kMaxGrains) {
    return;  // the grain is dropped
  }
  GrainPair* p = pool_.TakeForSpawn();
  if (p == nullptr) return;
  ++grainsStarted_;
  const int lane = (p->laneMask & 1) ? 1 : 0;
  p->laneMask |= 1 << lane;

  const double lengthSamples = s.lengthSamples;
  // Length is at least 1 ms, so only a broken build gets here with none; the text is the one
  // such a failure has always been reported with.
  assert(lengthSamples > 0.0 && "mLengthSamples>0.0");

  const int length = capture_.BufferLength;
  double increment = 1.0;
  if (s.pitch > 0.0f) {
    increment = std::pow(2.0, s.pitch / 12.0);
  } else if (s.pitch < 0.0f) {
    increment = 1.0 / std::pow(2.0, -s.pitch / 12.0);
  }
  increment *= (s.dir > 0.0f ? 1.0 : -1.0) * s.speed;

  if (length > 0) {
    p->source0[lane] = capture_.channel[0].data();
    p->source1[lane] = capture_.channel[1].data();
    p->bufferLength[lane] = length;
    // The scan position at the grain's own start sample.
    const double scan = static_cast<double>(ScanAt(offset) >> 32);
    p->readPos[lane] = WrapPosition(scan + s.delaySamples, length);
    // Moving by the increment modulo the length is the same move in a circular buffer, and keeps
    // |increment| < length so that one add or subtract wraps the position.
    p->readInc[lane] = std::fmod(increment, static_cast<double>(length));
  } else {
    // An empty buffer: the lane reads silence and never indexes the capture buffer.
    p->source0[lane] = p->source1[lane] = silence_.data();
    p->bufferLength[lane] = 1.0;
    p->readPos[lane] = 0.0;
    p->readInc[lane] = 0.0;
  }
  p->sourceMix[lane] = s.source;
  p->start[lane] = offset;
  p->end[lane] = offset + lengthSamples;
  p->amplitude[lane] = s.ampl;
  p->phase[lane] = 0.0;
  p->phaseInc[lane] = kWindowSize / lengthSamples;
  const int slot = std::clamp(s.windowIndex - 1, 0, kEnvelopeSlotCount - 1);
  const int copy = currentCopy_[slot];  // kept for the grain's whole life
  p->envelope[lane] = EnvelopeCopy(copy);
  p->envelopeCopy[lane] = copy;
  ++envelopeUsers_[copy];
  const float r = random_.Next();  // one draw for every spawned grain
  p->feedback[lane] = s.fbApply >= r ? s.feedback : 0.0;
  p->pan[lane] = s.pan;

  pool_.FileAfterSpawn(p);
}

}  // namespace engine
