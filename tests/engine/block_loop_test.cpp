// The block loop: dry and wet paths, mid/side, freeze, buffer length and scan changes, the
// statistics, long blocks, determinism and bad input.
#include <gtest/gtest.h>
#include <xmmintrin.h>

#include <cmath>

#include "engine_test_support.h"

// The engine's and the LFOs' names, as the tests use them throughout.
using namespace engine;
using namespace modulation;

namespace {

using enginetest::Base;
using enginetest::Dry;
using enginetest::Engine;
using enginetest::MidSide;
using enginetest::Process;
using enginetest::Stereo;
using enginetest::TestSignal;
using enginetest::Wet;

TEST(EngineDryWetMix, SilentInputGivesExactZerosAndDryOneWetZeroGivesTheInput) {
  Engine silent;
  const Stereo zeros = Process(silent.e, Stereo(8192), 512);
  for (int i = 0; i < zeros.size(); ++i) ASSERT_EQ(zeros.l[i], 0.0);
  Engine dry({Dry(1.0), Wet(0.0)});
  const Stereo in = TestSignal(8192);
  const Stereo out = Process(dry.e, in, 512);
  EXPECT_EQ(out.l, in.l);
  EXPECT_EQ(out.r, in.r);
}

TEST(EngineDryWetMix, GrainsReachTheWetOutputScaledByWet) {
  Engine one;
  Engine two({Wet(2.0)});
  const Stereo in = TestSignal(8192);
  const Stereo a = Process(one.e, in, 512);
  const Stereo b = Process(two.e, in, 512);
  double energy = 0.0;
  for (int i = 0; i < a.size(); ++i) {
    ASSERT_DOUBLE_EQ(b.l[i], 2.0 * a.l[i]);
    energy += a.l[i] * a.l[i];
  }
  EXPECT_GT(energy, 1.0);
}

TEST(EngineMidSide, DryPassesUnchangedWhileWetIsDecoded) {
  Engine dry({MidSide(true), Dry(1.0), Wet(0.0)});
  const Stereo in = TestSignal(4096);
  const Stereo out = Process(dry.e, in, 512);
  EXPECT_EQ(out.l, in.l);
  EXPECT_EQ(out.r, in.r);

  // With equal channels the mid equals the input: decoding puts the whole grain on channel 0.
  Stereo mono = TestSignal(8192);
  mono.r = mono.l;
  Engine ms({MidSide(true), Base(kSetSource, 1.0)});
  Engine plain({Base(kSetSource, 1.0)});
  const Stereo a = Process(ms.e, mono, 512);
  const Stereo b = Process(plain.e, mono, 512);
  for (int i = 0; i < a.size(); ++i) {
    ASSERT_NEAR(a.l[i], 2.0 * b.l[i], 1e-12);
    ASSERT_NEAR(a.r[i], 0.0, 1e-12);
  }
}

TEST(EngineMidSide, CaptureIsEncoded) {
  Engine ms({MidSide(true)});
  Stereo in(64, 0.75, 0.25);
  Process(ms.e, in, 64);
  EXPECT_DOUBLE_EQ(Inspect(ms.e).Capture().channel[0][10], 0.5);
  EXPECT_DOUBLE_EQ(Inspect(ms.e).Capture().channel[1][10], 0.25);
}

double CapturedAfterFreeze(double freeze) {
  Engine x({Base(kSetFreeze, freeze)});
  Process(x.e, Stereo(512), 512);  // the first tick takes Freeze into the settings
  Process(x.e, Stereo(512, 1.0, 1.0), 512);
  return Inspect(x.e).Capture().channel[0][700];
}

TEST(EngineFreeze, HalfStillCapturesAndAboveHalfDoesNot) {
  EXPECT_EQ(CapturedAfterFreeze(0.5), 1.0);
  EXPECT_EQ(CapturedAfterFreeze(0.51), 0.0);
}

TEST(EngineFreeze, PositionsKeepMovingWhileFrozen) {
  Engine x({Base(kSetFreeze, 1.0)});
  Process(x.e, Stereo(2048), 512);
  EXPECT_EQ(Inspect(x.e).Capture().WritePos, 2048);
  EXPECT_EQ(Inspect(x.e).Capture().ScanPos, 2048);
}

TEST(EngineBufferLength, HalfBufLenShortensTheBufferAndRestartsPositionsBeyondIt) {
  Engine x;
  Process(x.e, Stereo(512 * 140), 512);  // WritePos 71680
  EXPECT_EQ(Inspect(x.e).Capture().BufferLength, 125685);
  x.e.SetBase(kSetBufLen, 0.5);
  Process(x.e, Stereo(1024), 512);
  EXPECT_EQ(Inspect(x.e).Capture().BufferLength, 62842);
  EXPECT_LE(Inspect(x.e).Capture().WritePos, 1024);  // restarted at 0 in the first of the two blocks
  EXPECT_EQ(Inspect(x.e).Capture().WritePos, Inspect(x.e).Capture().ScanPos);
}

TEST(EngineBufferLength, UnchangedBufLenLeavesLengthAndPositionsAlone) {
  Engine x;
  Process(x.e, Stereo(512 * 10), 512);
  const int write = Inspect(x.e).Capture().WritePos;
  x.e.SetBase(kSetBufLen, 1.0);
  Process(x.e, Stereo(512), 512);
  EXPECT_EQ(Inspect(x.e).Capture().WritePos, write + 512);
  EXPECT_EQ(Inspect(x.e).Capture().BufferLength, 125685);
}

TEST(EngineBufferLength, TinyAndEmptyBuffersStayTotal) {
  for (double bufLen : {0.0, 0.00001, 0.00003, 0.001}) {
    Engine x({Base(kSetBufLen, bufLen), Base(kSetFeedback, 1.0), Base(kSetFBApply, 1.0),
              Base(kSetPitch, 24.0), Base(kSetDelay, 150.0)});
    Process(x.e, Stereo(16), 16);  // captured at full length, then the first tick shortens it
    const Stereo out = Process(x.e, TestSignal(20000), 4096);
    const CaptureBuffer& c = Inspect(x.e).Capture();
    EXPECT_GE(c.WritePos, 0);
    EXPECT_TRUE(c.BufferLength == 0 || c.WritePos < c.BufferLength) << bufLen;
    EXPECT_TRUE(c.BufferLength == 0 || c.ScanPos < c.BufferLength) << bufLen;
    for (int i = 0; i < out.size(); ++i) ASSERT_TRUE(std::isfinite(out.l[i])) << bufLen;
    for (int i = std::max(c.BufferLength, 16); i < c.BufferLength + 4096; ++i) {
      ASSERT_EQ(c.channel[0][i], 0.0) << "written beyond the length " << bufLen;
    }
  }
}

TEST(EngineScanRate, ZeroHoldsAndMinusOneMovesBackwardsWrapping) {
  Engine hold({Base(kSetScanRate, 0.0)});
  Process(hold.e, Stereo(2048), 512);
  EXPECT_EQ(Inspect(hold.e).Capture().ScanPos, 0);
  Engine back({Base(kSetScanRate, -1.0)});
  Process(back.e, Stereo(1024), 512);
  EXPECT_EQ(Inspect(back.e).Capture().ScanPos, 125685 - 1024);
}

// The scan position moves by the float rate on every sample: after 1440 samples at 0.7
// (0.699999988 as a float) it stands at 1007, whatever blocks brought it there; a block-wise
// truncation would have lost up to a sample per block (0 per sample at blocks of 1).
TEST(EngineScanRate, MovesByTheRateOnEverySampleWhateverTheBlocks) {
  for (int block : {1, 7, 480, 1440}) {
    Engine slow({Base(kSetScanRate, 0.7)});
    Process(slow.e, Stereo(1440), block);
    EXPECT_EQ(Inspect(slow.e).Capture().ScanPos, 1007) << block;
    Engine back({Base(kSetScanRate, -1.3)});
    Process(back.e, Stereo(1000), block);
    EXPECT_EQ(Inspect(back.e).Capture().ScanPos, 125685 - 1300) << block;  // -1.29999995 x 1000
  }
}

TEST(EngineStatistics, FirstBlockReportsThenAboutOncePerSecond) {
  Engine x;
  int rate = -1, density = -1;
  EXPECT_FALSE(x.e.TakeStatistics(&rate, &density));
  Process(x.e, Stereo(512), 512);
  ASSERT_TRUE(x.e.TakeStatistics(&rate, &density));
  EXPECT_EQ(rate, 1);
  EXPECT_EQ(density, 1);
  EXPECT_FALSE(x.e.TakeStatistics(&rate, &density));
  int blocks = 0;
  while (!x.e.TakeStatistics(&rate, &density)) {
    Process(x.e, Stereo(512), 512);
    ++blocks;
  }
  EXPECT_EQ(blocks, 87);  // 44100 / 512 rounded up past the reload
  EXPECT_EQ(rate, 51);    // starts 882 + 880 k inside samples 512 .. 45055
  EXPECT_EQ(density, 1);  // 1323-sample grains 880 apart: 1 or 2 alive, mostly 1 at block ends
}

TEST(EngineLongBlocks, AreProcessedAsPiecesOfAtMost4096) {
  const Stereo in = TestSignal(10000);
  Engine whole;
  const Stereo a = Process(whole.e, in, 10000);
  Engine pieces;
  Stereo b(10000);
  for (int at : {0, 4096, 8192}) {
    const int n = std::min(4096, 10000 - at);
    const double* ip[2] = {in.l.data() + at, in.r.data() + at};
    double* op[2] = {b.l.data() + at, b.r.data() + at};
    pieces.e.ProcessBlock(ip, op, n, 120.0);
  }
  EXPECT_EQ(a.l, b.l);
  EXPECT_EQ(a.r, b.r);
}

TEST(EngineDeterminism, SameParametersInputAndBlocksGiveTheSameOutput) {
  const Stereo in = TestSignal(30000);
  Engine a({Base(kSetFeedback, 0.8), Base(kSetPitch, 7.0), Base(kSetDir, -1.0)});
  Engine b({Base(kSetFeedback, 0.8), Base(kSetPitch, 7.0), Base(kSetDir, -1.0)});
  const Stereo x = Process(a.e, in, 300);
  const Stereo y = Process(b.e, in, 300);
  EXPECT_EQ(x.l, y.l);
  EXPECT_EQ(x.r, y.r);
}

TEST(EngineBadInput, NonFiniteInputNeverReachesTheBufferOrTheOutput) {
  Engine x({Dry(1.0), Base(kSetFeedback, 1.0), Base(kSetFBApply, 1.0)});
  Stereo in = TestSignal(4096);
  in.l[100] = NAN;
  in.r[200] = INFINITY;
  in.l[300] = -INFINITY;
  const Stereo out = Process(x.e, in, 512);
  for (int i = 0; i < out.size(); ++i) {
    ASSERT_TRUE(std::isfinite(out.l[i]) && std::isfinite(out.r[i])) << i;
  }
  for (int i = 0; i < 4096; ++i) ASSERT_TRUE(std::isfinite(Inspect(x.e).Capture().channel[0][i]));
}

TEST(EngineBadInput, TempoMissingMeans120AndNegativeCountsDoNothing) {
  Engine x;
  Process(x.e, Stereo(64), 64, 0.0);
  EXPECT_EQ(Inspect(x.e).Tempo(), 120.0);
  Process(x.e, Stereo(64), 64, 90.0);
  EXPECT_EQ(Inspect(x.e).Tempo(), 90.0);
  Process(x.e, Stereo(64), 64, NAN);
  EXPECT_EQ(Inspect(x.e).Tempo(), 120.0);
  const double* in[2] = {nullptr, nullptr};
  double* out[2] = {nullptr, nullptr};
  x.e.ProcessBlock(in, out, -5, 120.0);
  EXPECT_EQ(Inspect(x.e).Capture().WritePos, 192);
}

TEST(EngineDenormals, FlushedWhileProcessingAndTheCallersModeRestored) {
  Engine x;
  const unsigned before = _mm_getcsr();
  _mm_setcsr(before & ~0x8040u);
  Process(x.e, TestSignal(1024), 512);
  EXPECT_EQ(_mm_getcsr() & 0x8040u, 0u);
  _mm_setcsr(before);
}

// A caller that left the rounding mode at "toward zero" gets the same output: grain ranges end
// at the nearest sample (a 458.64-sample grain keeps its last sample), and its mode comes back.
TEST(EngineDenormals, RoundingIsToNearestWhateverTheCallersMode) {
  const Stereo in = TestSignal(20000);
  Engine nearest({Base(kSetLength, 10.4), Base(kSetOnset, 2.0)});
  const Stereo a = Process(nearest.e, in, 512);
  Engine towardZero({Base(kSetLength, 10.4), Base(kSetOnset, 2.0)});
  const unsigned before = _mm_getcsr();
  _mm_setcsr((before & ~0x6000u) | 0x6000u);
  const Stereo b = Process(towardZero.e, in, 512);
  const unsigned during = _mm_getcsr();
  _mm_setcsr(before);
  EXPECT_EQ(during & 0x6000u, 0x6000u);
  EXPECT_EQ(a.l, b.l);
  EXPECT_EQ(a.r, b.r);
}

}  // namespace
