// Grain rendering: the SIMD pair renderer against a plain scalar reading of the formula, grain
// lifetimes across blocks, pair sharing, pan and clamps, and lanes without a buffer.
#include "engine/grain_render.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

// The engine's names, as the tests use them throughout.
using namespace engine;

namespace {

// The render formula read literally, one lane and one sample at a time: a lane in use sounds at
// block sample n when start <= n < end, and only then do its read position and phase move.
int ReferenceRenderPair(GrainPair& p, const RenderTarget& t) {
  for (int n = 0; n < t.count; ++n) {
    double left[2] = {}, right[2] = {};
    bool any = false;
    for (int k = 0; k < 2; ++k) {
      if (((p.laneMask >> k) & 1) == 0 || !(p.start[k] <= n && n < p.end[k])) continue;
      any = true;
      const int len = static_cast<int>(p.bufferLength[k]);
      const int i = static_cast<int>(p.readPos[k]);
      const double f = p.readPos[k] - i;
      int im = i - 1, ip = i + 1;
      if (im < 0) im += len;
      if (ip >= len) ip -= len;
      auto read = [&](const double* b) {
        return b[im] * ((f - 1) * (f - 2)) * 0.5 - b[i] * (f * (f - 2)) +
               b[ip] * (f * (f - 1)) * 0.5;
      };
      const double signal =
          (1 - p.sourceMix[k]) * read(p.source1[k]) + p.sourceMix[k] * read(p.source0[k]);
      const int kk = std::min(static_cast<int>(p.phase[k]), 199);
      const double g = p.phase[k] - static_cast<int>(p.phase[k]);
      const double* w = p.envelope[k];
      const double env = w[kk] * (1 - g) + (kk + 1 < 200 ? w[kk + 1] : w[199]) * g;
      const double out = env * signal * p.amplitude[k];
      left[k] = std::clamp(out * (1 - p.pan[k]), -1.0, 1.0);
      right[k] = std::clamp(out * p.pan[k], -1.0, 1.0);
      p.phase[k] += p.phaseInc[k];
      p.readPos[k] += p.readInc[k];
      if (p.readPos[k] < 0) p.readPos[k] += p.bufferLength[k];
      if (p.readPos[k] >= p.bufferLength[k]) p.readPos[k] -= p.bufferLength[k];
    }
    if (!any) continue;
    t.wet[2 * n] += left[0] + left[1];
    t.wet[2 * n + 1] += right[0] + right[1];
    if (t.bufferLength > 0) {
      const int at = (t.writePos + n) % t.bufferLength;
      t.feedback0[at] += std::clamp(p.feedback[0] * left[0], -1.0, 1.0) +
                         std::clamp(p.feedback[1] * left[1], -1.0, 1.0);
      t.feedback1[at] += std::clamp(p.feedback[0] * right[0], -1.0, 1.0) +
                         std::clamp(p.feedback[1] * right[1], -1.0, 1.0);
    }
  }
  int mask = 0;
  for (int k = 0; k < 2; ++k) {
    const bool alive = ((p.laneMask >> k) & 1) != 0 && p.end[k] > t.count;
    mask |= alive << k;
    p.start[k] = alive ? p.start[k] - t.count : 0;
    p.end[k] = alive ? p.end[k] - t.count : 0;
    if (!alive) p.readPos[k] = p.phase[k] = 0;
  }
  return mask;
}

// Buffers for one render: wet accumulators and a capture buffer with a known signal.
struct Scene {
  std::vector<double> wet, buf0, buf1, env;
  RenderTarget target;
  explicit Scene(int count, int bufferLength = 1000, int writePos = 0)
      : wet(2 * count + 2),
        buf0(bufferLength + 8),
        buf1(bufferLength + 8),
        env(202) {
    for (int i = 0; i < bufferLength; ++i) {
      buf0[i] = std::sin(0.05 * i);
      buf1[i] = 0.5 * std::cos(0.02 * i);
    }
    for (int i = 0; i < 200; ++i) env[i] = 0.3 + 0.7 * std::sin(i * 3.14159 / 200);
    env[200] = env[201] = env[199];
    Retarget(writePos, bufferLength, count);
  }
  Scene(const Scene& other) : Scene(0) { *this = other; }
  Scene& operator=(const Scene& other) {
    wet = other.wet, buf0 = other.buf0, buf1 = other.buf1, env = other.env;
    Retarget(other.target.writePos, other.target.bufferLength, other.target.count);
    return *this;
  }
  void Retarget(int writePos, int bufferLength, int count) {
    target = RenderTarget{wet.data(), buf0.data(), buf1.data(), nullptr, 0.0,
                          writePos,   bufferLength, count};
  }
  double L(int n) const { return wet[2 * n]; }
  double R(int n) const { return wet[2 * n + 1]; }
};

GrainPair MakeLane(GrainPair p, int lane, const Scene& s, double start, double length,
                   double pos = 0.0, double inc = 1.0) {
  p.laneMask |= 1 << lane;
  p.start[lane] = start;
  p.end[lane] = start + length;
  p.readPos[lane] = pos;
  p.readInc[lane] = inc;
  p.bufferLength[lane] = s.target.bufferLength;
  p.phaseInc[lane] = 200.0 / length;
  p.pan[lane] = 0.5;
  p.amplitude[lane] = 1.0;
  p.sourceMix[lane] = 1.0;
  p.source0[lane] = s.buf0.data();
  p.source1[lane] = s.buf1.data();
  p.envelope[lane] = s.env.data();
  return p;
}

GrainPair IdlePair(const Scene& s) {
  GrainPair p;
  MakeLaneIdle(p, 0, s.buf0.data() + s.target.bufferLength + 2, s.env.data());
  MakeLaneIdle(p, 1, s.buf0.data() + s.target.bufferLength + 2, s.env.data());
  return p;
}

// Lane sample counts sounding in a block, measured by a grain that reads a constant 1.
int SoundingSamples(const Scene& s, int count) {
  int n = 0;
  for (int i = 0; i < count; ++i) n += s.L(i) != 0.0;
  return n;
}

TEST(EngineGrainRenderSimd, MatchesScalarReadingOnRandomPairs) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> u(0.0, 1.0);
  for (int trial = 0; trial < 400; ++trial) {
    const int count = 1 + static_cast<int>(u(rng) * 600);
    const int length = 1 + static_cast<int>(u(rng) < 0.2 ? u(rng) * 6 : u(rng) * 3000);
    Scene a(count, length, static_cast<int>(u(rng) * length));
    for (double& x : a.env) x = u(rng);
    a.env[200] = a.env[201] = a.env[199];
    GrainPair p = IdlePair(a);
    for (int lane = 0; lane < 2; ++lane) {
      if (u(rng) < 0.15) continue;
      const double inc = std::fmod((u(rng) * 8 - 4), static_cast<double>(length));
      p = MakeLane(p, lane, a, std::floor(u(rng) * (count + 17)) - 16, 0.5 + u(rng) * 900,
                   u(rng) * length * 0.999, inc);
      p.pan[lane] = u(rng);
      p.amplitude[lane] = 0.1 + u(rng);
      p.sourceMix[lane] = u(rng);
      p.feedback[lane] = u(rng) < 0.5 ? 0.0 : u(rng) * 3;
    }
    Scene b = a;
    GrainPair q = p;
    for (int lane = 0; lane < 2; ++lane) {
      q.source0[lane] = p.source0[lane] == a.buf0.data() ? b.buf0.data() : p.source0[lane];
      q.source1[lane] = p.source1[lane] == a.buf1.data() ? b.buf1.data() : p.source1[lane];
      q.envelope[lane] = b.env.data();
    }
    const int maskSimd = RenderPair(p, a.target);
    const int maskRef = ReferenceRenderPair(q, b.target);
    ASSERT_EQ(maskSimd, maskRef) << "trial " << trial;
    for (int i = 0; i < count; ++i) {
      ASSERT_NEAR(a.L(i), b.L(i), 1e-12) << "trial " << trial << " sample " << i;
      ASSERT_NEAR(a.R(i), b.R(i), 1e-12) << "trial " << trial << " sample " << i;
    }
    for (int i = 0; i < length; ++i) {
      ASSERT_NEAR(a.buf0[i], b.buf0[i], 1e-12) << "trial " << trial;
      ASSERT_NEAR(a.buf1[i], b.buf1[i], 1e-12) << "trial " << trial;
    }
    for (int lane = 0; lane < 2; ++lane) {
      ASSERT_NEAR(p.readPos[lane], q.readPos[lane], 1e-9);
      ASSERT_NEAR(p.phase[lane], q.phase[lane], 1e-9);
      ASSERT_EQ(p.start[lane], q.start[lane]);
      ASSERT_EQ(p.end[lane], q.end[lane]);
    }
  }
}

TEST(EngineGrainLifetime, GrainOf1323SamplesSpansThreeBlocksOf512) {
  Scene s(512);
  std::fill(s.buf0.begin(), s.buf0.end(), 1.0);
  GrainPair p = MakeLane(IdlePair(s), 0, s, 0.0, 1323.0);
  const int expected[3] = {512, 512, 299};
  for (int block = 0; block < 3; ++block) {
    std::fill(s.wet.begin(), s.wet.end(), 0.0);
    p.laneMask = RenderPair(p, s.target);
    EXPECT_EQ(SoundingSamples(s, 512), expected[block]) << "block " << block;
    if (block == 2) {
      EXPECT_NE(s.L(298), 0.0);
    }
  }
  EXPECT_EQ(p.laneMask, 0);
  EXPECT_EQ(p.start[0], 0.0);
  EXPECT_EQ(p.readPos[0], 0.0);
}

TEST(EngineGrainLifetime, OffsetMinus16SoundsFromSampleZeroWithPhaseZeroAndEnds16Early) {
  Scene s(512);
  std::fill(s.buf0.begin(), s.buf0.end(), 1.0);
  std::fill(s.env.begin(), s.env.end(), 1.0);
  for (int i = 0; i < 200; ++i) s.env[i] = i * 0.001;  // the envelope value shows the phase
  s.env[200] = s.env[201] = s.env[199];
  GrainPair p = MakeLane(IdlePair(s), 0, s, -16.0, 100.0);
  p.pan[0] = 0.0;
  p.laneMask = RenderPair(p, s.target);
  EXPECT_EQ(s.L(0), 0.0);  // phase 0 at sample 0: table[0] = 0
  EXPECT_NEAR(s.L(1), 0.002, 1e-12);
  EXPECT_NE(s.L(83), 0.0);
  EXPECT_EQ(s.L(84), 0.0);
  EXPECT_EQ(p.laneMask, 0);
}

// A lane starting at or after the block's end waits with its read position where its spawn put
// it, however the blocks fall; so does a lane sharing a pair with one that started earlier.
TEST(EngineGrainLifetime, ALaneReadsFromItsOwnStartWhateverTheBlockLayout) {
  Scene s(64);
  GrainPair p = MakeLane(IdlePair(s), 0, s, 64.0, 100.0, 10.0, 1.0);
  p.laneMask = RenderPair(p, s.target);
  EXPECT_EQ(SoundingSamples(s, 64), 0);
  EXPECT_EQ(p.laneMask, 1);
  EXPECT_EQ(p.start[0], 0.0);
  EXPECT_EQ(p.end[0], 100.0);
  EXPECT_EQ(p.readPos[0], 10.0);

  Scene t(512);
  GrainPair q = MakeLane(IdlePair(t), 0, t, -100.0, 1000.0, 50.0, 2.0);
  q = MakeLane(q, 1, t, 300.0, 1000.0, 50.0, 2.0);
  q.laneMask = RenderPair(q, t.target);
  EXPECT_EQ(q.readPos[0], 50.0 + 2 * 512 - 1000);  // wrapped into the 1000-sample buffer
  EXPECT_EQ(q.readPos[1], 50.0 + 2 * 212);
  EXPECT_NEAR(q.phase[0], 512 * 0.2, 1e-9);
  EXPECT_NEAR(q.phase[1], 212 * 0.2, 1e-9);
}

// A grain's last sample is the last one before its end, wherever a block ends: a lane whose end
// lies 0.3 samples into the next block still plays that sample there.
TEST(EngineGrainLifetime, AFractionalEndPlaysTheSameSamplesAcrossABlockBoundary) {
  std::vector<int> sounding;
  for (int block : {10, 11}) {
    Scene s(block);
    std::fill(s.buf0.begin(), s.buf0.end(), 1.0);
    std::fill(s.env.begin(), s.env.end(), 1.0);
    GrainPair p = MakeLane(IdlePair(s), 0, s, 0.0, 10.3);
    p.laneMask = RenderPair(p, s.target);
    int n = SoundingSamples(s, block);
    if (p.laneMask != 0) {
      std::fill(s.wet.begin(), s.wet.end(), 0.0);
      p.laneMask = RenderPair(p, s.target);
      n += SoundingSamples(s, block);
    }
    EXPECT_EQ(p.laneMask, 0);
    sounding.push_back(n);
  }
  EXPECT_EQ(sounding[0], 11);
  EXPECT_EQ(sounding[1], 11);
}

TEST(EngineGrainPan, ClampsEachLaneToOneAndSplitsLinearly) {
  Scene s(32);
  std::fill(s.buf0.begin(), s.buf0.end(), 6.0);
  std::fill(s.env.begin(), s.env.end(), 1.0);
  GrainPair p = MakeLane(IdlePair(s), 0, s, 0.0, 1000.0);  // output 6 at pan 0.5: 3 per side
  p = MakeLane(p, 1, s, 0.0, 1000.0);
  p.pan[1] = 0.0;  // all left
  p.amplitude[1] = 0.1;
  RenderPair(p, s.target);
  EXPECT_DOUBLE_EQ(s.L(5), 1.0 + 0.6);
  EXPECT_DOUBLE_EQ(s.R(5), 1.0);
}

TEST(EngineGrainRead, IncrementZeroRepeatsOnePositionAndMinusOneWrapsBelowZero) {
  Scene s(8, 10);
  GrainPair p = MakeLane(IdlePair(s), 0, s, 0.0, 1000.0, 1.0, -1.0);
  p = MakeLane(p, 1, s, 0.0, 1000.0, 3.5, 0.0);
  RenderPair(p, s.target);
  EXPECT_EQ(p.readPos[0], 3.0);  // 1 - 8 wrapped into 0 .. 9
  EXPECT_EQ(p.readPos[1], 3.5);
}

// The step after the last entry repeats it: a grain ends on its window's own last value, never
// on a blend towards the first (the click at the end of a falling or rising window).
TEST(EngineGrainPhase, TheLastStepInterpolatesTowardsTheLastEntry) {
  Scene s(4);
  std::fill(s.buf0.begin(), s.buf0.end(), 1.0);
  std::fill(s.env.begin(), s.env.end(), 0.5);
  s.env[0] = 1.0;
  s.env[199] = s.env[200] = s.env[201] = 0.25;
  GrainPair p = MakeLane(IdlePair(s), 0, s, 0.0, 10.0);
  p.phase[0] = 199.5;
  p.phaseInc[0] = 0.5;
  p.pan[0] = 0.0;
  RenderPair(p, s.target);
  EXPECT_DOUBLE_EQ(s.L(0), 0.25);  // between entry 199 and its guard
  EXPECT_DOUBLE_EQ(s.L(1), 0.25);  // a phase of 200 is held on the guard
}

TEST(EngineGrainFeedback, WritesAtWritePosWrappedIntoABufferShorterThanTheBlock) {
  Scene s(64, 10, 7);
  std::fill(s.buf0.begin(), s.buf0.end(), 0.0);
  std::fill(s.buf1.begin(), s.buf1.end(), 0.0);
  std::fill(s.env.begin(), s.env.end(), 1.0);
  const std::vector<double> ones(16, 1.0);
  GrainPair p = MakeLane(IdlePair(s), 0, s, 0.0, 1000.0, 0.0, 0.0);
  p.feedback[0] = 1.0;
  p.source0[0] = p.source1[0] = ones.data();
  RenderPair(p, s.target);  // 0.5 into each channel at (7 + n) mod 10
  double sum = 0.0;
  for (int i = 0; i < 10; ++i) sum += s.buf0[i];
  EXPECT_DOUBLE_EQ(sum, 64 * 0.5);
  EXPECT_DOUBLE_EQ(s.buf0[7], 7 * 0.5);  // n = 0, 10, .., 60
  for (int i = 10; i < 18; ++i) EXPECT_EQ(s.buf0[i], 0.0) << "beyond the length at " << i;
}

TEST(EngineGrainFeedback, GrowsTheBufferButEachLaneAddsAtMostOne) {
  Scene s(100, 100, 0);
  std::fill(s.buf0.begin(), s.buf0.begin() + 100, 5.0);
  std::fill(s.env.begin(), s.env.end(), 1.0);
  GrainPair p = MakeLane(IdlePair(s), 0, s, 0.0, 1000.0, 50.0, 0.0);
  p.pan[0] = 0.0;
  p.feedback[0] = 1.0;
  RenderPair(p, s.target);
  EXPECT_DOUBLE_EQ(s.buf0[10], 6.0);
  EXPECT_DOUBLE_EQ(s.buf1[10], 0.5 * std::cos(0.2));
}

}  // namespace
