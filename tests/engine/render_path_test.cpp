// Render paths: every wide path the processor runs gives the SSE2 path's output to the bit, for
// whole engine scenes and for random pools of pairs, and the path choice follows the processor
// and QUORVANTEL_SIMD.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstddef>
#include <cstring>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "engine/grain_pool.h"
#include "engine_test_support.h"

namespace {

#if defined(_WIN32)  // Windows' C runtime spells these differently; an empty value removes
int setenv(const char* name, const char* value, int) { return _putenv_s(name, value); }
int unsetenv(const char* name) { return _putenv_s(name, ""); }
#endif

using enginetest::ApplyDefaults;
using enginetest::Base;
using enginetest::Change;
using enginetest::Changes;
using enginetest::Depth;
using enginetest::Dry;
using enginetest::EnvelopeShape;
using enginetest::EnvelopeSkew;
using enginetest::Lfo;
using enginetest::MidSide;
using enginetest::Stereo;
using enginetest::TestSignal;

std::vector<RenderPath> WidePathsHere() {
  std::vector<RenderPath> paths;
  for (RenderPath p : {RenderPath::kAvx2, RenderPath::kAvx512}) {
    if (RenderPathSupported(p)) paths.push_back(p);
  }
  return paths;
}

// The lane fields of a pair, start to sourceMix, lie side by side.
constexpr int kLaneDoubles = 2 * 11;
static_assert(offsetof(GrainPair, sourceMix) + 2 * sizeof(double) ==
              offsetof(GrainPair, start) + kLaneDoubles * sizeof(double));

bool SameBits(const double* a, const double* b, int n) {
  return std::memcmp(a, b, sizeof(double) * static_cast<std::size_t>(n)) == 0;
}

// Changes applied before the first block, and others applied halfway through.
struct Scene {
  const char* name;
  double sampleRate;
  Changes setup;
  Changes halfway;
  std::vector<int> blocks;  // block sizes, used in turn
};

const std::vector<Scene>& Scenes() {
  static const std::vector<Scene> scenes = {
      {"dense", 44100, {Base(kSetLength, 150), Base(kSetOnset, 0.1)}, {}, {512}},
      {"pool full at 96 kHz",
       96000,
       {Base(kSetLength, 150), Base(kSetOnset, 0.1), Depth(kSetLength, 0.5)},
       {Base(kSetPan, 0.1)},
       {480, 97}},
      {"feedback on",
       44100,
       {Base(kSetLength, 80), Base(kSetOnset, 0.5), Base(kSetFeedback, 0.9), Base(kSetFBApply, 0.5),
        Depth(kSetFeedback, 1.0), Base(kSetDelay, 3.0)},
       {Base(kSetFeedback, 1.0), Base(kSetDelay, 0.0)},
       {256, 100}},
      {"reverse and pitched",
       44100,
       {Base(kSetLength, 60), Base(kSetOnset, 0.3), Base(kSetDir, 0), Depth(kSetDir, 1),
        Base(kSetPitch, 7), Depth(kSetPitch, 1), Base(kSetSpeed, 0.8), Depth(kSetSpeed, 0.5),
        Base(kSetDelay, 40)},
       {Base(kSetDir, -1), Base(kSetPitch, -19)},
       {512, 33}},
      {"mid/side",
       44100,
       {MidSide(true), Dry(0.5), Base(kSetLength, 40), Base(kSetOnset, 0.2), Base(kSetSource, 0.3),
        Depth(kSetSource, 1), Depth(kSetPan, 1), Base(kSetFeedback, 0.4)},
       {MidSide(false)},
       {128}},
      {"all four envelopes",
       44100,
       {Base(kSetLength, 30), Base(kSetOnset, 0.2), Base(kSetEnvelope, 2), Depth(kSetEnvelope, 1),
        EnvelopeShape(0, kHann), EnvelopeShape(1, kGaussian), EnvelopeSkew(1, 0.2),
        EnvelopeShape(2, kExponential), EnvelopeShape(3, kWeibull), EnvelopeSkew(3, 0.8),
        Lfo(0, LfoParam::kRate, 9)},
       {EnvelopeShape(0, kRectangle), Base(kSetEnvelope, 4)},
       {64, 512}},
      {"buffer length changes",
       44100,
       {Base(kSetLength, 50), Base(kSetOnset, 0.2), Base(kSetBufLen, 0.3), Depth(kSetBufLen, 1),
        Base(kSetScanRate, -1), Depth(kSetScanRate, 1), Base(kSetDelay, 120),
        Base(kSetFeedback, 0.5)},
       {Base(kSetBufLen, 0.01), Depth(kSetBufLen, 0), Base(kSetScanRate, 2)},
       {300, 4096, 17}},
  };
  return scenes;
}

struct Rendered {
  Stereo out{0};
  std::vector<double> capture0, capture1;
};

Rendered RenderScene(const Scene& s, RenderPath path, int samples) {
  GrainEngine e;
  EXPECT_TRUE(e.SetRenderPath(path));
  e.ResetProcessing(s.sampleRate);
  ApplyDefaults(e);
  for (int n = 1; n < 8; ++n) e.SetLfoParameter(n, LfoParam::kRate, 1.0 + 2.5 * n);
  for (const Change& change : s.setup) change(e);
  const Stereo in = TestSignal(samples);
  Rendered r;
  r.out = Stereo(samples);
  bool changed = false;
  for (int at = 0, b = 0; at < samples; ++b) {
    if (!changed && at >= samples / 2) {
      for (const Change& change : s.halfway) change(e);
      changed = true;
    }
    const int n = std::min(s.blocks[b % s.blocks.size()], samples - at);
    const double* ip[2] = {in.l.data() + at, in.r.data() + at};
    double* op[2] = {r.out.l.data() + at, r.out.r.data() + at};
    e.ProcessBlock(ip, op, n, 120.0);
    at += n;
  }
  const CaptureBuffer& c = e.Capture();
  r.capture0.assign(c.channel[0].data(), c.channel[0].data() + kCaptureCapacity);
  r.capture1.assign(c.channel[1].data(), c.channel[1].data() + kCaptureCapacity);
  return r;
}

TEST(EngineRenderPaths, EveryPathHereRendersEverySceneAsSse2DoesToTheBit) {
  const std::vector<RenderPath> wide = WidePathsHere();
  std::string compared;
  for (RenderPath p : wide) compared += std::string(" ") + RenderPathName(p);
  std::printf("wide paths compared with sse2 on this processor:%s\n",
              compared.empty() ? " none" : compared.c_str());
  for (const Scene& s : Scenes()) {
    const int samples = static_cast<int>(s.sampleRate * 0.6);
    const Rendered base = RenderScene(s, RenderPath::kSse2, samples);
    double energy = 0.0;
    for (double x : base.out.l) energy += x * x;
    EXPECT_GT(energy, 1.0) << s.name << ": the scene must sound";
    for (RenderPath p : wide) {
      const Rendered r = RenderScene(s, p, samples);
      EXPECT_TRUE(SameBits(r.out.l.data(), base.out.l.data(), samples) &&
                  SameBits(r.out.r.data(), base.out.r.data(), samples))
          << s.name << ": output of " << RenderPathName(p);
      EXPECT_TRUE(SameBits(r.capture0.data(), base.capture0.data(), kCaptureCapacity) &&
                  SameBits(r.capture1.data(), base.capture1.data(), kCaptureCapacity))
          << s.name << ": capture buffer (feedback) of " << RenderPathName(p);
    }
  }
}

// A pool of random grains in both lists, each lane with its own range, position, increment,
// envelope phase, pan, mix, buffer length and (for some) feedback; built identically from a seed.
// Sources carry four spare elements on each side, as the engine's arrays do.
struct RandomPool {
  static constexpr int kSpare = 4;
  std::vector<double> wet, store0, store1, env;
  double* buf0 = store0.data() + kSpare;
  double* buf1 = store1.data() + kSpare;
  GrainPool pool;
  RenderTarget target;

  RandomPool(unsigned seed, int count, RenderPath path)
      : wet(2 * count + 2),
        store0(3000 + 8 + 2 * kSpare),
        store1(3000 + 8 + 2 * kSpare),
        env(202 + 2 * kSpare),
        pool(buf0 + 3004, env.data() + kSpare, nullptr) {
    EXPECT_TRUE(pool.SetRenderPath(path));
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    const int length = 1 + static_cast<int>(u(rng) < 0.2 ? u(rng) * 6 : u(rng) * 3000);
    for (int i = 0; i < 3000; ++i) {
      buf0[i] = std::sin(0.05 * i) + u(rng) * 0.1;
      buf1[i] = 0.5 * std::cos(0.02 * i);
    }
    double* table = env.data() + kSpare;
    for (int i = 0; i < 200; ++i) table[i] = u(rng);
    table[200] = table[201] = table[199];
    const int grains = 1 + static_cast<int>(u(rng) * 300);
    for (int g = 0; g < grains; ++g) {
      GrainPair* p = pool.TakeForSpawn();
      const int lane = (p->laneMask & 1) ? 1 : 0;
      p->laneMask |= 1 << lane;
      p->start[lane] = std::floor(u(rng) * (count + 40)) - 20;
      p->end[lane] = p->start[lane] + 0.5 + u(rng) * (u(rng) < 0.5 ? 60 : 900);
      p->bufferLength[lane] = length;
      p->readPos[lane] = u(rng) * length * 0.999;
      p->readInc[lane] = std::fmod(u(rng) * 8 - 4, static_cast<double>(length));
      if (u(rng) < 0.3) p->readInc[lane] = u(rng) < 0.5 ? 1.0 : -1.0;
      p->phase[lane] = u(rng) < 0.1 ? 199.99 : u(rng) * 20;
      p->phaseInc[lane] = 200.0 / (1 + u(rng) * 900);
      p->pan[lane] = u(rng);
      p->amplitude[lane] = 0.1 + u(rng) * 2;
      p->sourceMix[lane] = u(rng);
      p->feedback[lane] = u(rng) < 0.7 ? 0.0 : u(rng) * 3;
      p->source0[lane] = buf0;
      p->source1[lane] = buf1;
      p->envelope[lane] = table;
      pool.FileAfterSpawn(p);
    }
    target = RenderTarget{wet.data(), buf0,   buf1, nullptr, 0.0, static_cast<int>(u(rng) * length),
                          length,     count};
  }
};

TEST(EngineRenderPaths, RandomPoolsRenderAndRetireAsSse2DoesToTheBit) {
  for (RenderPath path : WidePathsHere()) {
    for (unsigned seed = 1; seed <= 60; ++seed) {
      const int count = 1 + static_cast<int>((seed * 2654435761u) % 700);
      RandomPool a(seed, count, RenderPath::kSse2);
      RandomPool b(seed, count, path);
      for (int block = 0; block < 4; ++block) {
        std::fill(a.wet.begin(), a.wet.end(), 0.0);
        std::fill(b.wet.begin(), b.wet.end(), 0.0);
        a.pool.RenderGrains(a.target);
        b.pool.RenderGrains(b.target);
        const std::string where =
            std::string(RenderPathName(path)) + " seed " + std::to_string(seed);
        ASSERT_TRUE(SameBits(a.wet.data(), b.wet.data(), 2 * count)) << where;
        ASSERT_TRUE(SameBits(a.buf0, b.buf0, 3000) && SameBits(a.buf1, b.buf1, 3000)) << where;
        ASSERT_EQ(a.pool.ActiveGrainCount(), b.pool.ActiveGrainCount()) << where;
        for (int i = 0; i < kPairCount; ++i) {
          const GrainPair& x = a.pool.Pair(i);
          const GrainPair& y = b.pool.Pair(i);
          ASSERT_EQ(x.laneMask, y.laneMask) << where;
          ASSERT_TRUE(SameBits(x.start, y.start, kLaneDoubles)) << where << " pair " << i;
        }
        // The lists hold the same pairs in the same order.
        for (const auto list :
             {&GrainPool::FullList, &GrainPool::PartialList, &GrainPool::FreeList}) {
          const GrainPair* x = (a.pool.*list)().Head();
          const GrainPair* y = (b.pool.*list)().Head();
          for (; x && y; x = x->next, y = y->next) {
            ASSERT_EQ(x - &a.pool.Pair(0), y - &b.pool.Pair(0)) << where;
          }
          ASSERT_EQ(x, nullptr) << where;
          ASSERT_EQ(y, nullptr) << where;
        }
      }
    }
  }
}

TEST(EngineRenderPaths, ChoiceFollowsTheProcessorAndTheEnvironment) {
  EXPECT_TRUE(RenderPathSupported(RenderPath::kSse2));
  RenderPath widest = RenderPath::kSse2;
  for (RenderPath p : WidePathsHere()) widest = p;
  const char* saved = std::getenv(kRenderPathVariable);
  const std::string kept = saved ? saved : "";

  unsetenv(kRenderPathVariable);
  EXPECT_EQ(DefaultRenderPath(), widest);
  setenv(kRenderPathVariable, "sse2", 1);
  EXPECT_EQ(DefaultRenderPath(), RenderPath::kSse2);
  EXPECT_EQ(GrainEngine().GetRenderPath(), RenderPath::kSse2);
  setenv(kRenderPathVariable, "avx2", 1);
  EXPECT_EQ(DefaultRenderPath(),
            RenderPathSupported(RenderPath::kAvx2) ? RenderPath::kAvx2 : RenderPath::kSse2);
  setenv(kRenderPathVariable, "avx512", 1);  // narrowed to what the processor runs
  EXPECT_EQ(DefaultRenderPath(), widest);
  setenv(kRenderPathVariable, "AVX-1024", 1);  // unknown: ignored
  EXPECT_EQ(DefaultRenderPath(), widest);
  if (saved) {
    setenv(kRenderPathVariable, kept.c_str(), 1);
  } else {
    unsetenv(kRenderPathVariable);
  }

  GrainEngine e;
  for (RenderPath p : {RenderPath::kSse2, RenderPath::kAvx2, RenderPath::kAvx512}) {
    EXPECT_EQ(e.SetRenderPath(p), RenderPathSupported(p));
    if (RenderPathSupported(p)) {
      EXPECT_EQ(e.GetRenderPath(), p);
    }
    RenderPath parsed = RenderPath::kSse2;
    EXPECT_TRUE(ParseRenderPath(RenderPathName(p), &parsed));
    EXPECT_EQ(parsed, p);
  }
}

}  // namespace
