// Random grain pools for the render tests, and the pair-wise renderer every path must match: the
// pairs that write feedback together sample by sample (RenderFeedbackPairs), then the others one
// after another (RenderPair), in the pool's walk order.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <random>
#include <vector>

#include "engine/grain_pool.h"

// The engine's names, as the tests use them throughout.
using namespace engine;

namespace enginetest {

inline bool SameBits(const double* a, const double* b, int n) {
  return std::memcmp(a, b, sizeof(double) * static_cast<std::size_t>(n)) == 0;
}

// The lane fields of a pair, start to sourceMix, lie side by side.
constexpr int kLaneDoubles = 2 * 11;
static_assert(offsetof(GrainPair, sourceMix) + 2 * sizeof(double) ==
              offsetof(GrainPair, start) + kLaneDoubles * sizeof(double));

// A pool of random grains in both lists, built identically from a seed: each lane with its own
// range (some starting between samples), position, increment (half of them exactly +1 or -1,
// some of those crossing a power of two or the buffer's end within the block), envelope phase,
// pan, mix and buffer length; some feed back, a few read an empty buffer (silence, length 1).
// Sources carry four spare elements on each side, as the engine's arrays do.
struct RandomPool {
  static constexpr int kSpare = 4;
  static constexpr int kSource = 3000;
  std::vector<double> wet, store0, store1, quiet, env;
  double* buf0 = store0.data() + kSpare;
  double* buf1 = store1.data() + kSpare;
  double* silence = quiet.data() + kSpare;
  double dc[2] = {};
  GrainPool pool;
  RenderTarget target;

  RandomPool(unsigned seed, int count, RenderPath path)
      : wet(2 * count + 2),
        store0(kSource + 8 + 2 * kSpare),
        store1(kSource + 8 + 2 * kSpare),
        quiet(4 + 2 * kSpare),
        env(202 + 2 * kSpare),
        pool(silence, env.data() + kSpare, nullptr) {
    EXPECT_TRUE(pool.SetRenderPath(path));
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    const int length = 1 + static_cast<int>(u(rng) < 0.2 ? u(rng) * 6 : u(rng) * kSource);
    for (int i = 0; i < kSource; ++i) {
      buf0[i] = std::sin(0.05 * i) + u(rng) * 0.1;
      buf1[i] = 0.5 * std::cos(0.02 * i);
    }
    double* table = env.data() + kSpare;
    for (int i = 0; i < 200; ++i) table[i] = u(rng);
    table[200] = table[201] = table[199];
    const int grains = 1 + static_cast<int>(u(rng) * 400);
    for (int g = 0; g < grains; ++g) {
      GrainPair* p = pool.TakeForSpawn();
      const int lane = (p->laneMask & 1) ? 1 : 0;
      p->laneMask |= 1 << lane;
      p->start[lane] = std::floor(u(rng) * (count + 40)) - 20 + (u(rng) < 0.2 ? 0.5 : 0.0);
      p->end[lane] = p->start[lane] + 0.5 + u(rng) * (u(rng) < 0.5 ? 60 : 900);
      p->bufferLength[lane] = length;
      p->readPos[lane] = u(rng) * length * 0.999;
      p->readInc[lane] = std::fmod(u(rng) * 8 - 4, static_cast<double>(length));
      if (u(rng) < 0.5) {
        p->readInc[lane] = u(rng) < 0.7 ? 1.0 : -1.0;
        const double near = u(rng);
        if (near < 0.2) {
          // A fraction with its last bits set, just below a power of two or the buffer's end.
          const double edge = near < 0.1 ? std::ldexp(1.0, 4 + static_cast<int>(u(rng) * 8))
                                         : static_cast<double>(length);
          p->readPos[lane] = edge - u(rng) * 40 - 0x1.fffffp-40;
          if (p->readPos[lane] < 0 || p->readPos[lane] >= length) p->readPos[lane] = 0.25;
        }
      }
      p->phase[lane] = u(rng) < 0.1 ? 199.99 : u(rng) * 20;
      p->phaseInc[lane] = 200.0 / (1 + u(rng) * (u(rng) < 0.3 ? 40 : 900));
      p->pan[lane] = u(rng);
      p->amplitude[lane] = 0.1 + u(rng) * 2;
      p->sourceMix[lane] = u(rng);
      p->feedback[lane] = u(rng) < 0.7 ? 0.0 : u(rng) * 3;
      p->source0[lane] = buf0;
      p->source1[lane] = buf1;
      if (u(rng) < 0.03) {  // spawned while the buffer was empty
        p->source0[lane] = p->source1[lane] = silence;
        p->bufferLength[lane] = 1.0;
        p->readPos[lane] = p->readInc[lane] = 0.0;
      }
      p->envelope[lane] = table;
      pool.FileAfterSpawn(p);
    }
    if (u(rng) < 0.5) dc[0] = dc[1] = 0.01 * (u(rng) - 0.5);
    target = RenderTarget{wet.data(), buf0,
                          buf1,       u(rng) < 0.5 ? dc : nullptr,
                          0.001,      static_cast<int>(u(rng) * length),
                          length,     count};
  }

  // The pairs in render order: PartialList, then FullList, as indices into the pool.
  std::vector<int> Walk() const {
    std::vector<int> walk;
    for (const GrainList* list : {&pool.PartialList(), &pool.FullList()}) {
      for (const GrainPair* p = list->Head(); p; p = p->next) {
        walk.push_back(static_cast<int>(p - &pool.Pair(0)));
      }
    }
    return walk;
  }
};

// Renders pairs[walk[0]], pairs[walk[1]], .. pair by pair as the pool's walk would, into
// `target`, and sets each pair's new lane mask.
inline void RenderPairwise(std::vector<GrainPair>& pairs, const std::vector<int>& walk,
                           const RenderTarget& target) {
  std::vector<GrainPair*> writers;
  for (int i : walk) {
    if (WritesFeedback(pairs[i], target)) writers.push_back(&pairs[i]);
  }
  const bool dcMoving =
      target.feedbackDc != nullptr && (target.feedbackDc[0] != 0.0 || target.feedbackDc[1] != 0.0);
  if (!writers.empty() || dcMoving) {
    std::vector<int> masks(writers.size());
    RenderFeedbackPairs(writers.data(), static_cast<int>(writers.size()), target, masks.data());
    for (std::size_t k = 0; k < writers.size(); ++k) writers[k]->laneMask = masks[k];
  }
  for (int i : walk) {
    if (std::find(writers.begin(), writers.end(), &pairs[i]) == writers.end()) {
      pairs[i].laneMask = RenderPair(pairs[i], target);
    }
  }
}

}  // namespace enginetest
