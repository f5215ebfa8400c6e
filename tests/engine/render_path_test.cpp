// Render paths: every path the processor runs renders random pools of pairs as the pair-wise
// renderer does and whole engine scenes as the SSE2 path does, to the bit, and the path choice
// follows the processor and QUORVANTEL_SIMD.
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
#include "random_pool.h"

// The engine's and the LFOs' names, as the tests use them throughout.
using namespace engine;
using namespace modulation;

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
using enginetest::kLaneDoubles;
using enginetest::Lfo;
using enginetest::MidSide;
using enginetest::RandomPool;
using enginetest::RenderPairwise;
using enginetest::SameBits;
using enginetest::Stereo;
using enginetest::TestSignal;

std::vector<RenderPath> WidePathsHere() {
  std::vector<RenderPath> paths;
  for (RenderPath p : {RenderPath::kAvx2, RenderPath::kAvx512}) {
    if (RenderPathSupported(p)) paths.push_back(p);
  }
  return paths;
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
  const CaptureBuffer& c = Inspect(e).Capture();
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

std::vector<RenderPath> PathsHere() {
  std::vector<RenderPath> paths = {RenderPath::kSse2};
  for (RenderPath p : WidePathsHere()) paths.push_back(p);
  return paths;
}

// Every path renders, retires and refiles a random pool as the pair-wise renderer does, block
// after block: the wet signal, the buffer with its feedback, the DC blocker, every lane.
TEST(EngineRenderPaths, RandomPoolsRenderAsPairByPairToTheBit) {
  for (RenderPath path : PathsHere()) {
    for (unsigned seed = 1; seed <= 80; ++seed) {
      const int count = 1 + static_cast<int>((seed * 2654435761u) % 700);
      RandomPool a(seed, count, path);
      RandomPool b(seed, count, path);
      std::vector<GrainPair> reference(kPoolPairs);
      for (int i = 0; i < kPoolPairs; ++i) reference[i] = b.pool.Pair(i);
      for (int block = 0; block < 4; ++block) {
        const std::vector<int> walk = a.Walk();
        std::fill(a.wet.begin(), a.wet.end(), 0.0);
        std::fill(b.wet.begin(), b.wet.end(), 0.0);
        a.pool.RenderGrains(a.target);
        RenderPairwise(reference, walk, b.target);
        const std::string where =
            std::string(RenderPathName(path)) + " seed " + std::to_string(seed);
        ASSERT_TRUE(SameBits(a.wet.data(), b.wet.data(), 2 * count)) << where;
        ASSERT_TRUE(SameBits(a.buf0, b.buf0, RandomPool::kSource) &&
                    SameBits(a.buf1, b.buf1, RandomPool::kSource))
            << where;
        ASSERT_TRUE(SameBits(a.dc, b.dc, 2)) << where;
        for (int i = 0; i < kPoolPairs; ++i) {
          const GrainPair& x = a.pool.Pair(i);
          ASSERT_EQ(x.laneMask, reference[i].laneMask) << where << " pair " << i;
          ASSERT_TRUE(SameBits(x.start, reference[i].start, kLaneDoubles))
              << where << " pair " << i;
        }
      }
    }
  }
}

// The paths keep the pool's lists alike: the same pairs in the same order, the same lane count.
TEST(EngineRenderPaths, EveryPathRefilesAsSse2Does) {
  for (RenderPath path : WidePathsHere()) {
    for (unsigned seed = 1; seed <= 20; ++seed) {
      const int count = 1 + static_cast<int>((seed * 2654435761u) % 700);
      RandomPool a(seed, count, RenderPath::kSse2);
      RandomPool b(seed, count, path);
      for (int block = 0; block < 4; ++block) {
        a.pool.RenderGrains(a.target);
        b.pool.RenderGrains(b.target);
        const std::string where =
            std::string(RenderPathName(path)) + " seed " + std::to_string(seed);
        ASSERT_EQ(a.pool.ActiveGrainCount(), b.pool.ActiveGrainCount()) << where;
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
  EXPECT_EQ(Inspect(GrainEngine()).GetRenderPath(), RenderPath::kSse2);
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
      EXPECT_EQ(Inspect(e).GetRenderPath(), p);
    }
    RenderPath parsed = RenderPath::kSse2;
    EXPECT_TRUE(ParseRenderPath(RenderPathName(p), &parsed));
    EXPECT_EQ(parsed, p);
  }
}

}  // namespace
