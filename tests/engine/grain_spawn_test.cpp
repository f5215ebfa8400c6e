// Grain spawn: spacing of grain starts, the pool's lists and their order, pool exhaustion, and the
// values frozen into a new lane (increment, read position, envelope slot, feedback draw).
#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "engine_test_support.h"

// The engine's and the LFOs' names, as the tests use them throughout.
using namespace engine;
using namespace modulation;

namespace {

using enginetest::Base;
using enginetest::Dry;
using enginetest::Engine;
using enginetest::Process;
using enginetest::Stereo;

struct Lane {
  const GrainPair* pair;
  int lane;
};

std::vector<Lane> LanesInUse(const GrainEngine& e) {
  std::vector<Lane> lanes;
  for (int i = 0; i < kPoolPairs; ++i) {
    const GrainPair& p = Inspect(e).Pool().Pair(i);
    for (int k = 0; k < 2; ++k) {
      if (p.laneMask & (1 << k)) lanes.push_back({&p, k});
    }
  }
  return lanes;
}

// The first tick finds the countdown at 0 - 16: that grain starts at the tick itself, sample 0,
// never before the block that starts it.
TEST(EngineSpawnSpacing, DefaultOnsetStartsGrains880SamplesApartAfterTheFirstAtZero) {
  Engine x;
  std::set<double> starts;
  int processed = 0;
  for (int b = 0; b < 10; ++b) {
    Process(x.e, Stereo(512), 512);
    processed += 512;
    for (const Lane& l : LanesInUse(x.e)) starts.insert(processed + l.pair->start[l.lane]);
  }
  const std::vector<double> expected = {0, 882, 1762, 2642, 3522, 4402};
  EXPECT_EQ(std::vector<double>(starts.begin(), starts.end()), expected);
}

TEST(EngineGrainPoolLists, FirstSpawnsFillBothLanesOfAPairBeforeOpeningTheNext) {
  Engine x({Base(kSetLength, 150.0), Base(kSetOnset, 0.1)});
  Process(x.e, Stereo(16), 16);
  const GrainPool& pool = Inspect(x.e).Pool();
  EXPECT_EQ(pool.PartialList().Head(), &pool.Pair(0));
  EXPECT_EQ(pool.Pair(0).laneMask, 1);
  Process(x.e, Stereo(16), 16);
  EXPECT_EQ(pool.FullList().Head(), &pool.Pair(0));
  EXPECT_TRUE(pool.PartialList().Empty());
  Process(x.e, Stereo(16), 16);
  EXPECT_EQ(pool.PartialList().Head(), &pool.Pair(1));
  EXPECT_EQ(pool.FreeList().Size(), kPoolPairs - 2);
  EXPECT_EQ(Inspect(x.e).ActiveGrainCount(), 3);
}

TEST(EngineGrainPoolLists, RetiringLanesMovePairsBackAndLowerTheCount) {
  // 44-sample grains, one per tick: at most 4 at once.
  Engine x({Base(kSetLength, 1.0), Base(kSetOnset, 0.1)});
  for (int b = 0; b < 50; ++b) Process(x.e, Stereo(64), 64);
  const GrainPool& pool = Inspect(x.e).Pool();
  EXPECT_EQ(pool.FullList().Size() * 2 + pool.PartialList().Size(), Inspect(x.e).ActiveGrainCount());
  EXPECT_EQ(pool.FullList().Size() + pool.PartialList().Size() + pool.FreeList().Size(),
            kPoolPairs);
  EXPECT_LE(Inspect(x.e).ActiveGrainCount(), 8);
  x.e.SetBase(kSetOnset, 50.0);
  for (int b = 0; b < 50; ++b) Process(x.e, Stereo(64), 64);
  EXPECT_LE(Inspect(x.e).ActiveGrainCount(), 1);
  EXPECT_GE(pool.FreeList().Size(), kPoolPairs - 1);
}

// 512 grains sound at most. A grain that ends inside a block makes room for the next one at
// once, so the pool stays full at every block size instead of emptying between block ends.
TEST(EngineGrainPoolLists, ExhaustedPoolDropsSpawnsButKeepsRescheduling) {
  for (int block : {16, 512, 4096}) {
    Engine x({Base(kSetLength, 150.0), Base(kSetOnset, 0.1)});
    x.e.ResetProcessing(96000.0);  // 150 ms at 96 kHz needs 900 grains at once
    int fewest = 512;
    for (int at = 0; at < 96000; at += block) {
      Process(x.e, Stereo(block), block);
      if (at > 20000) fewest = std::min(fewest, Inspect(x.e).ActiveGrainCount());
    }
    EXPECT_EQ(Inspect(x.e).ActiveGrainCount(), 512) << block;
    EXPECT_GE(fewest, 511) << block;
    EXPECT_EQ(Inspect(x.e).SpawnCountdown(), 9);  // trunc(0.1 ms * 96) even for a dropped grain
  }
}

const GrainPair& NewestPair(const GrainEngine& e) {
  const GrainPool& pool = Inspect(e).Pool();
  return pool.PartialList().Head() ? *pool.PartialList().Head() : *pool.FullList().Head();
}

double FirstIncrement(const enginetest::Changes& changes) {
  Engine x(changes);
  Process(x.e, Stereo(16), 16);
  return NewestPair(x.e).readInc[0];
}

TEST(EngineSpawnValues, IncrementFollowsPitchDirectionAndSpeed) {
  EXPECT_EQ(FirstIncrement({Base(kSetPitch, 12.0)}), 2.0);
  EXPECT_EQ(FirstIncrement({Base(kSetPitch, -12.0)}), 0.5);
  EXPECT_EQ(FirstIncrement({Base(kSetPitch, 0.0)}), 1.0);
  EXPECT_EQ(FirstIncrement({Base(kSetDir, 0.0)}), -1.0);
  EXPECT_EQ(FirstIncrement({Base(kSetDir, -1.0)}), -1.0);
  EXPECT_EQ(FirstIncrement({Base(kSetDir, 0.01)}), 1.0);
  EXPECT_EQ(FirstIncrement({Base(kSetSpeed, 0.0)}), 0.0);
  EXPECT_NEAR(FirstIncrement({Base(kSetPitch, 24.0), Base(kSetSpeed, 0.5)}), 2.0, 1e-12);
}

TEST(EngineSpawnValues, EnvelopeParameterNPicksSlotNMinus1AndNeverAFifth) {
  for (int n = 1; n <= 4; ++n) {
    Engine x({Base(kSetEnvelope, n)});
    Process(x.e, Stereo(16), 16);
    EXPECT_EQ(NewestPair(x.e).envelope[0], Inspect(x.e).GrainEnvelope(n - 1)) << n;
  }
  Engine low({Base(kSetEnvelope, 0.1)});
  Process(low.e, Stereo(16), 16);
  EXPECT_EQ(NewestPair(low.e).envelope[0], Inspect(low.e).GrainEnvelope(0));
  Engine high({Base(kSetEnvelope, 1e9)});
  Process(high.e, Stereo(16), 16);
  EXPECT_EQ(NewestPair(high.e).envelope[0], Inspect(high.e).GrainEnvelope(3));
}

TEST(EngineSpawnValues, FeedbackGoesToGrainsWhoseDrawIsAtMostFBApply) {
  // FB Apply stays at its default, 0.25.
  Engine x({Base(kSetLength, 150.0), Base(kSetOnset, 0.1), Base(kSetFeedback, 0.7)});
  Process(x.e, Stereo(16 * 40), 16 * 40);
  Xorshift128 draws;
  for (int g = 0; g < 40; ++g) {
    const GrainPair& p = Inspect(x.e).Pool().Pair(g / 2);
    const double expected = 0.25f >= draws.Next() ? double{0.7f} : 0.0;
    EXPECT_EQ(p.feedback[g % 2], expected) << "grain " << g;
  }
  Engine all({Base(kSetOnset, 0.1), Base(kSetFeedback, 0.7), Base(kSetFBApply, 1.0)});
  Process(all.e, Stereo(16), 16);
  EXPECT_EQ(NewestPair(all.e).feedback[0], double{0.7f});
}

TEST(EngineSpawnValues, ReadPositionIsScanPosPlusDelayWrappedIntoTheBuffer) {
  Engine zero;
  Process(zero.e, Stereo(16), 16);
  EXPECT_EQ(NewestPair(zero.e).readPos[0], 16.0);  // 0 at spawn, moved by the 16 samples
  // BufLen 0.01: 1256 samples; a 150 ms delay (6615 samples) wraps around 5 times.
  Engine x({Base(kSetBufLen, 0.01), Base(kSetDelay, 150.0), Base(kSetLength, 150.0)});
  Process(x.e, Stereo(16), 16);
  const int length = Inspect(x.e).Capture().BufferLength;
  EXPECT_EQ(length, static_cast<int>(0.01f * (132300 - 150 * 44.1)));
  const double delay = double{150.0f} * 44.1;
  EXPECT_NEAR(NewestPair(x.e).readPos[0], std::fmod(delay + 16, length), 1e-9);
}

TEST(EngineSpawnValues, EmptyBufferLanesReadSilenceNotTheCaptureBuffer) {
  Engine x({Base(kSetBufLen, 0.0), Dry(0.0)});
  const Stereo out = Process(x.e, enginetest::TestSignal(4096), 256);
  const GrainPair& p = NewestPair(x.e);
  EXPECT_NE(p.source0[0], Inspect(x.e).Capture().channel[0].data());
  EXPECT_EQ(Inspect(x.e).Capture().BufferLength, 0);
  EXPECT_EQ(Inspect(x.e).Capture().WritePos, 0);
  EXPECT_EQ(Inspect(x.e).Capture().ScanPos, 0);
  for (int i = 0; i < out.size(); ++i) ASSERT_EQ(out.l[i], 0.0);
}

}  // namespace
