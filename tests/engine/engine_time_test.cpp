// Engine time: grains and LFOs keep the same pace whatever block sizes the host sends, and synced
// LFOs follow the host tempo from the first block on and through tempo changes.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "engine_test_support.h"
#include "modulation/lfo_soa.h"

// The engine's and the LFOs' names, as the tests use them throughout.
using namespace engine;
using namespace modulation;

namespace {

using enginetest::ApplyDefaults;
using enginetest::Stereo;
using enginetest::TestSignal;

constexpr double kRate = 44100.0;

// 40 ms grains every 5 ms (208 samples: 212 grains a second), each at a random pitch from two
// octaves down to unison and a random pan, wet only. Grains at differing speeds read unrelated
// stretches of the input, so their summed level does not hinge on where in a host block each
// one starts reading (grains at one speed can add up in phase or not depending on that).
void OpenTexture(GrainEngine& e) {
  ApplyDefaults(e);
  e.SetBase(kSetLength, 40.0);
  e.SetBase(kSetOnset, 5.0);
  e.SetBase(kSetPitch, -12.0);
  e.SetSource(kSetPitch, 1);   // Pch Mod: LFO 2
  e.SetDepth(kSetPitch, 0.5);  // Pch Dpth: -24 .. 0 semitones
  e.SetSource(kSetPan, 0);     // Pan Mod: LFO 1
  e.SetDepth(kSetPan, 1.0);    // Pan Dpth
}

struct Rendered {
  Stereo out;
  double grainsPerSecond;  // from the read-out statistic, over the seconds it covered
};

// Renders `in` in host blocks cycling through `blocks`, collecting the grains-started statistic.
template <typename ProcessFn>
Rendered Render(const Stereo& in, const std::vector<int>& blocks, ProcessFn process) {
  GrainEngine e;
  OpenTexture(e);
  Rendered r{Stereo(in.size()), 0.0};
  long long started = 0, covered = 0;
  int at = 0;
  for (std::size_t b = 0; at < in.size(); ++b) {
    const int n = std::min(blocks[b % blocks.size()], in.size() - at);
    const double* ip[2] = {in.l.data() + at, in.r.data() + at};
    double* op[2] = {r.out.l.data() + at, r.out.r.data() + at};
    process(e, ip, op, n);
    at += n;
    int grains = 0;
    if (e.TakeStatistics(&grains, nullptr)) {
      started += grains;
      covered = at;
    }
  }
  r.grainsPerSecond = started * kRate / static_cast<double>(covered);
  return r;
}

Rendered Render(const Stereo& in, const std::vector<int>& blocks) {
  return Render(in, blocks, [](GrainEngine& e, const double* const* i, double* const* o, int n) {
    e.ProcessBlock(i, o, n, 120.0);
  });
}

double RmsDb(const Stereo& s, int from) {
  double sum = 0.0;
  for (int i = from; i < s.size(); ++i) sum += s.l[i] * s.l[i] + s.r[i] * s.r[i];
  return 10.0 * std::log10(sum / (2.0 * (s.size() - from)));
}

// A modulated texture in blocks of any size, and in blocks split at odd points as hosts do at
// automation events, gives the samples that 16-sample blocks give (up to the order in which
// grains are summed: within -200 dB).
TEST(EngineBlockSizes, GrainRateAndSoundDoNotDependOnTheHostsBlockSize) {
  const Stereo in = TestSignal(4 * 44100);
  const Rendered reference = Render(in, {16});
  EXPECT_NEAR(reference.grainsPerSecond, kRate / 208, 0.5);
  EXPECT_GT(RmsDb(reference.out, 4410), -30.0);
  for (const std::vector<int>& blocks : std::vector<std::vector<int>>{
           {1}, {7}, {15}, {100}, {512}, {4096}, {1, 37, 300, 5, 4096, 15, 200}}) {
    const Rendered r = Render(in, blocks);
    double worst = 0.0;
    for (int i = 0; i < in.size(); ++i) {
      worst = std::max({worst, std::fabs(r.out.l[i] - reference.out.l[i]),
                        std::fabs(r.out.r[i] - reference.out.r[i])});
    }
    EXPECT_LT(worst, 1e-10) << blocks[0] << "-sample blocks";
  }
}

TEST(EngineBlockSizes, ShortBlocksCarryTheirSamplesToTheNextTick) {
  GrainEngine e;
  ApplyDefaults(e);
  e.SetBase(kSetLength, 150.0);  // every tick starts a grain that outlives the test
  e.SetBase(kSetOnset, 0.1);
  // Ticks fall on samples 0, 16, 32, ... of the audio, each run by the block that reaches it.
  for (int b = 0; b < 20; ++b) enginetest::Process(e, Stereo(15), 15);
  EXPECT_EQ(Inspect(e).ActiveGrainCount(), 19);  // samples 0 .. 288
  EXPECT_EQ(Inspect(e).NextTick(), 304 - 300);
  enginetest::Process(e, Stereo(100), 100);
  EXPECT_EQ(Inspect(e).ActiveGrainCount(), 400 / 16);
  EXPECT_EQ(Inspect(e).NextTick(), 0);
  // A stopped transport never reaches the engine, so only processed samples count.
  enginetest::Process(e, Stereo(7), 7);
  EXPECT_EQ(Inspect(e).ActiveGrainCount(), 26);
  EXPECT_EQ(Inspect(e).NextTick(), 416 - 407);
}

// LFO 1 as a Sine synced to "1/16" (Rate 8.5 Hz picks division 18): a period of 15 x 44100 / bpm
// samples.
void OpenSyncedSine(GrainEngine& e) {
  ApplyDefaults(e);
  e.SetLfoParameter(0, LfoParam::kShape, kLfoSine);
  e.SetLfoParameter(0, LfoParam::kRate, 8.5);
  e.SetLfoParameter(0, LfoParam::kSync, 1.0);
}

// Processes `samples` in 16-sample blocks at `bpm` and returns LFO 1's mean period in samples,
// measured between its first and last phase wrap.
double MeasuredPeriod(GrainEngine& e, int samples, double bpm) {
  const Stereo block(16);
  const LfoRecord& lfo = e.Lfos().Record(0);
  long long first = -1, last = -1;
  int wraps = 0;
  float phase = lfo.object->Phase(lfo.lane);
  for (int at = 16; at <= samples; at += 16) {
    enginetest::Process(e, block, 16, bpm);
    const float next = lfo.object->Phase(lfo.lane);
    if (next < phase) {
      if (first < 0) first = at;
      last = at;
      ++wraps;
    }
    phase = next;
  }
  return wraps > 1 ? static_cast<double>(last - first) / (wraps - 1) : 0.0;
}

TEST(EngineTempoSync, SyncedPeriodFollowsTheTempoTheHostReportsFromTheFirstBlock) {
  for (double bpm : {60.0, 120.0, 180.0}) {
    GrainEngine e;
    OpenSyncedSine(e);  // applied before any block, while the tempo is still 120
    const double expected = 15.0 * kRate / bpm;
    EXPECT_NEAR(MeasuredPeriod(e, static_cast<int>(6 * expected), bpm), expected, 0.002 * expected)
        << bpm << " bpm";
    EXPECT_FLOAT_EQ(e.Lfos().Settings(0).rate, static_cast<float>(bpm / 15.0));
  }
}

TEST(EngineTempoSync, SyncedPeriodFollowsATempoChangeWhilePlayingAndFreeLfosDoNot) {
  GrainEngine e;
  OpenSyncedSine(e);
  e.SetLfoParameter(1, LfoParam::kShape, kLfoTriangle);  // LFO 2 runs free at 1 Hz
  EXPECT_NEAR(MeasuredPeriod(e, 5 * 5513, 120.0), 5512.5, 12.0);
  const LfoRecord& lfo = e.Lfos().Record(0);
  const float phaseBefore = lfo.object->Phase(lfo.lane);
  enginetest::Process(e, Stereo(16), 16, 180.0);
  // The new rate takes over from the phase reached: one tick on, not a restart.
  const double expectedPhase = std::fmod(phaseBefore + 2 * M_PI * 12.0 * 16 / kRate, 2 * M_PI);
  EXPECT_NEAR(lfo.object->Phase(lfo.lane), expectedPhase, 1e-4);
  EXPECT_NEAR(MeasuredPeriod(e, 6 * 3675, 180.0), 3675.0, 8.0);
  EXPECT_EQ(e.Lfos().Settings(1).rate, 1.0f);
}

}  // namespace
