// The whole grain effect stays deterministic with all seven LFO kinds modulating its settings:
// equal parameters and input give bit-identical output, whichever instance runs, whatever other
// instance runs beside it, and across mid-run shape, rate and sample-rate changes.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <vector>

#include "engine/grain_engine.h"
#include "modulation/lfo_bank.h"

// The engine's and the LFOs' names, as the tests use them throughout.
using namespace engine;
using namespace modulation;

namespace {

constexpr int kFrames = 3 * 44100;
constexpr double kTempo = 133.0;

struct LfoSetup {
  int shape;
  double rate;  // Hz
  bool sync;
  double skew;
};

// LFOs 1 to 7 take one kind each; LFO 8 is a second SampleHold, synced.
constexpr LfoSetup kLfos[kLfoCount] = {
    {kLfoConst, 1.0, false, 0.3},      {kLfoTriangle, 3.7, false, 0.2},
    {kLfoSquare, 5.0, true, 0.6},      {kLfoSine, 0.9, false, 0.5},
    {kLfoRandom, 2.0, false, 0.5},     {kLfoRandomSquare, 7.0, false, 0.5},
    {kLfoSampleHold, 6.0, false, 0.4}, {kLfoSampleHold, 10.0, true, 0.0},
};

struct SettingSetup {
  double base;
  int lfo;  // 0..7
  double depth;
};

// In setting order (Length, Onset, Source, Envelope, Pan, Dir, Pitch, Speed, Delay, Feedback,
// FB Apply, Ampl, Freeze, BufLen, ScanRate); every LFO is the source of at least one setting.
constexpr SettingSetup kSettings[kModulatedSettingCount] = {
    {40, 1, 0.3},  {8, 6, 0.2},   {0.5, 2, 1.0}, {2, 3, 0.6},  {0.5, 4, 1.0},
    {0, 5, 1.0},   {0, 7, 0.25},  {1, 0, 0.5},   {20, 1, 0.2}, {0.3, 2, 0.5},
    {0.5, 3, 1.0}, {0.8, 4, 0.4}, {0, 0, 0.0},   {1, 6, 0.3},  {1, 7, 0.5},
};

// Every input as opening the effect gives them.
void Open(GrainEngine& e) {
  for (int k = 0; k < kModulatedSettingCount; ++k) {
    const auto setting = static_cast<ModulatedSetting>(k);
    e.SetBase(setting, kSettings[k].base);
    e.SetSource(setting, kSettings[k].lfo);
    e.SetDepth(setting, kSettings[k].depth);
  }
  for (int j = 0; j < kEnvelopeSlotCount; ++j) {
    e.SetEnvelopeShape(j, 2 * j + 1);
    e.SetEnvelopeSkew(j, 0.3 + 0.1 * j);
  }
  for (int n = 0; n < kLfoCount; ++n) {
    e.SetLfoParameter(n, LfoParam::kShape, kLfos[n].shape);
    e.SetLfoParameter(n, LfoParam::kRate, kLfos[n].rate);
    e.SetLfoParameter(n, LfoParam::kSync, kLfos[n].sync ? 1.0 : 0.0);
    e.SetLfoParameter(n, LfoParam::kSkew, kLfos[n].skew);
  }
  e.SetDryGain(0.5);
  e.SetWetGain(1.0);
}

// Mid-run changes before the block that starts at sample `at` (the positions are multiples of
// every block size used here): LFOs trade kinds (lanes are reassigned and keep their phase), a
// synced LFO takes a new rate, and processing restarts at another sample rate.
void Automate(GrainEngine& e, int at) {
  if (at == 25600) {
    e.SetLfoParameter(1, LfoParam::kShape, kLfoSampleHold);
    e.SetLfoParameter(6, LfoParam::kShape, kLfoTriangle);
    e.SetLfoParameter(3, LfoParam::kSkew, 0.9);
  } else if (at == 51200) {
    e.SetLfoParameter(2, LfoParam::kRate, 9.5);
    e.SetLfoParameter(0, LfoParam::kShape, kLfoRandomSquare);
    e.SetLfoParameter(5, LfoParam::kShape, kLfoConst);
  } else if (at == 76800) {
    e.ResetProcessing(48000.0);
  }
}

// Two unrelated sines plus a ramp.
double Input(int channel, int i) {
  return channel == 0 ? 0.5 * std::sin(0.031 * i) + 0.1 * ((i % 97) / 97.0)
                      : 0.4 * std::sin(0.017 * i + 1.0);
}

struct Rendered {
  std::vector<double> left, right;
};

// One engine's run from opening on; several runs advance block by block in turn, so that
// instances alive side by side interleave their processing.
class Player {
 public:
  explicit Player(int block, const std::function<void(GrainEngine&)>& setup = nullptr)
      : engine_(std::make_unique<GrainEngine>()), block_(block) {
    Open(*engine_);
    if (setup) setup(*engine_);
    out_.left.assign(kFrames, 0.0);
    out_.right.assign(kFrames, 0.0);
    in_[0].resize(kFrames);
    in_[1].resize(kFrames);
    for (int i = 0; i < kFrames; ++i) {
      in_[0][i] = Input(0, i);
      in_[1][i] = Input(1, i);
    }
  }

  bool Done() const { return at_ >= kFrames; }

  void Step() {
    Automate(*engine_, at_);
    const int n = std::min(block_, kFrames - at_);
    const double* in[2] = {in_[0].data() + at_, in_[1].data() + at_};
    double* out[2] = {out_.left.data() + at_, out_.right.data() + at_};
    engine_->ProcessBlock(in, out, n, kTempo);
    at_ += n;
  }

  const Rendered& Output() const { return out_; }
  const GrainEngine& Engine() const { return *engine_; }

 private:
  std::unique_ptr<GrainEngine> engine_;
  int block_;
  int at_ = 0;
  std::vector<double> in_[2];
  Rendered out_;
};

Rendered Solo(int block, const std::function<void(GrainEngine&)>& setup = nullptr) {
  Player p(block, setup);
  while (!p.Done()) p.Step();
  return p.Output();
}

// Bit-identical, sample by sample (the first difference is reported).
void ExpectIdentical(const Rendered& a, const Rendered& b) {
  for (int i = 0; i < kFrames; ++i) {
    ASSERT_EQ(a.left[i], b.left[i]) << "left, sample " << i;
    ASSERT_EQ(a.right[i], b.right[i]) << "right, sample " << i;
  }
}

TEST(EffectDeterminism, EveryLfoKindReachesTheOutput) {
  Player p(256);
  std::vector<bool> kinds(kLfoShapeCount, false);
  for (int n = 0; n < kLfoCount; ++n) kinds[p.Engine().Lfos().Settings(n).shape] = true;
  for (int shape = 0; shape < kLfoShapeCount; ++shape) EXPECT_TRUE(kinds[shape]) << shape;
  while (!p.Done()) p.Step();
  const Rendered& run = p.Output();
  double wet = 0.0;
  for (int i = 0; i < kFrames; ++i) {
    ASSERT_TRUE(std::isfinite(run.left[i]) && std::isfinite(run.right[i])) << "sample " << i;
    wet += std::fabs(run.left[i] - 0.5 * Input(0, i));
  }
  EXPECT_GT(wet, 100.0);  // the grains are audible beside the dry signal

  // Without the depths of the settings it drives, each LFO's absence changes the output, so the
  // identical runs below are not identical for want of modulation.
  for (int n = 0; n < kLfoCount; ++n) {
    const Rendered without = Solo(256, [n](GrainEngine& e) {
      for (int k = 0; k < kModulatedSettingCount; ++k) {
        if (kSettings[k].lfo == n) e.SetDepth(static_cast<ModulatedSetting>(k), 0.0);
      }
    });
    bool differs = false;
    for (int i = 0; i < kFrames && !differs; ++i) differs = without.left[i] != run.left[i];
    EXPECT_TRUE(differs) << "LFO " << n + 1;
  }
}

TEST(EffectDeterminism, FreshInstancesRepeatTheRunExactly) {
  const Rendered first = Solo(256);
  const Rendered second = Solo(256);
  ExpectIdentical(first, second);
}

TEST(EffectDeterminism, InstancesSideBySideDoNotDisturbEachOther) {
  const Rendered alone = Solo(256);
  // A third instance with other LFO settings runs between the two, block by block.
  Player a(256);
  Player other(256, [](GrainEngine& e) {
    for (int n = 0; n < kLfoCount; ++n) e.SetLfoParameter(n, LfoParam::kShape, n % 7);
  });
  Player b(256);
  while (!a.Done()) {
    a.Step();
    other.Step();
    b.Step();
  }
  ExpectIdentical(alone, a.Output());
  ExpectIdentical(alone, b.Output());
}

}  // namespace
