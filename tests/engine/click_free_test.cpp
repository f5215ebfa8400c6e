// What a listener hears as clicks, measured: the energy above 10 kHz at grain ends for every
// window, at mix and mid/side changes, at envelope changes under sounding grains; and that the
// feedback loop lets a constant die away.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "engine_test_support.h"

// The engine's and the LFOs' names, as the tests use them throughout.
using namespace engine;
using namespace modulation;

namespace {

using enginetest::Base;
using enginetest::Changes;
using enginetest::Dry;
using enginetest::Engine;
using enginetest::EnvelopeShape;
using enginetest::EnvelopeSkew;
using enginetest::MidSide;
using enginetest::Process;
using enginetest::Stereo;
using enginetest::Wet;

constexpr double kPi = std::numbers::pi;
constexpr double kRate = 44100.0;

// An eighth-order Butterworth high-pass at 10 kHz (four biquads): a full-scale 441 Hz or 1 kHz
// sine comes out more than 150 dB down, so what passes is the clicks.
std::vector<double> HighPass10k(const std::vector<double>& x) {
  std::vector<double> y = x;
  for (double q : {0.50979558, 0.60134489, 0.89997622, 2.5629154}) {
    const double w = 2.0 * kPi * 10000.0 / kRate;
    const double alpha = std::sin(w) / (2.0 * q), c = std::cos(w);
    const double a0 = 1.0 + alpha;
    const double b0 = (1.0 + c) / 2.0 / a0, b1 = -(1.0 + c) / a0, b2 = b0;
    const double a1 = -2.0 * c / a0, a2 = (1.0 - alpha) / a0;
    double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    for (double& v : y) {
      const double out = b0 * v + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
      x2 = x1, x1 = v, y2 = y1, y1 = out;
      v = out;
    }
  }
  return y;
}

// The mean power above 10 kHz over samples from .. to - 1, in dB below a full-scale sine.
double HighBandDb(const std::vector<double>& x, int from, int to) {
  const std::vector<double> h = HighPass10k(x);
  double sum = 0.0;
  for (int i = from; i < to; ++i) sum += h[i] * h[i];
  return 10.0 * std::log10(sum / (to - from) / 0.5 + 1e-30);
}

Stereo Sine(int samples, double hz, double level = 1.0) {
  Stereo s(samples);
  for (int i = 0; i < samples; ++i) s.l[i] = s.r[i] = level * std::sin(2.0 * kPi * hz * i / kRate);
  return s;
}

// One grain of a 1 kHz sine through window `shape` at `skew`, and where it ends. Grains of
// 30 ms (1323 samples) every 50 ms start at 0, 2205, then every 2192 samples (ticks fall every
// 16 samples); the grain measured is the one starting at sample 8781.
struct Grain {
  std::vector<double> out;
  int end = 0;
};
Grain RenderGrain(int shape, double skew) {
  Engine x({Base(kSetLength, 30.0), Base(kSetOnset, 50.0), Base(kSetSource, 1.0),
            Base(kSetPan, 0.0), EnvelopeShape(0, shape), EnvelopeSkew(0, skew), Dry(0.0)});
  const Stereo out = Process(x.e, Sine(13230, 1000.0), 64);
  return Grain{out.l, 8781 + 1323};
}

// Every window ends on its own last value: the energy above 10 kHz around a grain's end is no
// more than the step from that value to silence makes. For windows that end at (or near) zero it
// is as low as Hann's.
TEST(ClickFreeGrainEnds, EveryWindowEndsOnItsOwnLastValue) {
  const Grain hann = RenderGrain(kHann, 0.5);
  const double hannDb = HighBandDb(hann.out, hann.end - 88, hann.end + 88);
  EXPECT_LT(hannDb, -90.0);
  for (int shape = 0; shape < kWindowShapeCount; ++shape) {
    for (double skew : {0.0, 0.5, 1.0}) {
      const Grain g = RenderGrain(shape, skew);
      EXPECT_EQ(g.out[g.end], 0.0);
      // The grain's last sample against the same window's own last entry (interpolation between
      // entries 199 and the repeated 199 keeps it there).
      double w[kWindowSize];
      FillWindow(shape, static_cast<float>(skew), w);
      const double sine = std::sin(2.0 * kPi * 1000.0 * (g.end - 2) / kRate);
      if (std::fabs(sine) > 0.1) {
        EXPECT_NEAR(g.out[g.end - 1] / sine, w[kWindowSize - 1], 0.02 + 0.2 * std::fabs(w[198] - w[199]))
            << "shape " << shape << " skew " << skew;
      }
      // The step at the end is the window's last value times the sine there; its energy above
      // 10 kHz is bounded by that of a step of that size.
      const double db = HighBandDb(g.out, g.end - 88, g.end + 88);
      const double stepDb = 20.0 * std::log10(std::fabs(w[kWindowSize - 1]) + 1e-6) - 20.0;
      EXPECT_LT(db, std::max(hannDb + 6.0, stepDb))
          << "shape " << shape << " skew " << skew << ": " << db << " dB";
    }
  }
}

// Host changes of Dry, Wet and MidSide at a sine peak move over about 10 ms: nothing above 10 kHz
// reaches -70 dBFS (a jump puts it near -17 dBFS).
TEST(ClickFreeMix, DryWetAndMidSideChangesDoNotClick) {
  const int samples = 8820;
  const int at = 2205 + 25;  // a peak of the 441 Hz sine, on a block boundary
  struct Step {
    const char* name;
    Changes before, after;
  };
  // Long overlapping Hann grains of the sine: a wet signal with nothing above 10 kHz itself.
  const Changes smooth = {Base(kSetLength, 150.0), Base(kSetOnset, 5.0), EnvelopeShape(0, kHann),
                          Base(kSetSource, 1.0), Base(kSetAmpl, 0.1)};
  const std::vector<Step> steps = {
      {"Dry 0 to 1", {Dry(0.0), Wet(0.0)}, {Dry(1.0)}},
      {"Dry 1 to 0", {Dry(1.0), Wet(0.0)}, {Dry(0.0)}},
      {"Wet 0 to 1", {Dry(0.0), Wet(0.0)}, {Wet(1.0)}},
      {"MidSide on", {Dry(0.0), Wet(1.0), MidSide(false)}, {MidSide(true)}},
      {"MidSide off", {Dry(0.0), Wet(1.0), MidSide(true)}, {MidSide(false)}},
  };
  Stereo in = Sine(samples, 441.0, 0.5);
  for (int i = 0; i < samples; ++i) in.r[i] = 0.5 * std::sin(2.0 * kPi * 441.0 * i / kRate + 1.0);
  for (const Step& s : steps) {
    Engine x(smooth);
    x.Apply(s.before);
    Stereo out(samples);
    auto run = [&](int from, int to) {
      const double* ip[2] = {in.l.data() + from, in.r.data() + from};
      double* op[2] = {out.l.data() + from, out.r.data() + from};
      x.e.ProcessBlock(ip, op, to - from, 120.0);
    };
    for (int b = 0; b < at; b += 105) run(b, std::min(at, b + 105));
    x.Apply(s.after);
    run(at, samples);
    for (const std::vector<double>* ch : {&out.l, &out.r}) {
      EXPECT_LT(HighBandDb(*ch, at - 200, at + 800), -70.0) << s.name;
    }
  }
}

// The first block after construction, and every block after SkipRamps (a loaded state or
// program), has the mix at its values from the first sample.
TEST(ClickFreeMix, NoRampBeforeTheFirstBlockOrAfterALoad) {
  const Stereo in = Sine(64, 441.0);
  Engine x({Dry(0.7), Wet(0.0)});
  const Stereo first = Process(x.e, in, 64);
  EXPECT_EQ(first.l[0], in.l[0] * 0.7);
  x.e.SetDryGain(0.2);
  x.e.SkipRamps();
  const Stereo loaded = Process(x.e, in, 64);
  EXPECT_EQ(loaded.l[5], in.l[5] * 0.2);
  x.e.SetDryGain(1.0);  // now it ramps: 441 samples from 0.2 to 1
  const Stereo ramped = Process(x.e, in, 64);
  EXPECT_NEAR(ramped.l[9] / in.l[9], 0.2 + 0.8 * 10 / 441.0, 1e-12);
}

// A grain keeps the envelope it started with: changing the slot's shape while a flat grain
// sounds leaves it flat to its end, and the next grain has the new shape.
TEST(ClickFreeEnvelopes, ASoundingGrainKeepsItsEnvelope) {
  const Stereo dc(8000, 0.5, 0.5);
  // 40 ms grains every 50 ms: one at 0, one at 2205 (to 3969), one at 4397.
  Engine x({Base(kSetLength, 40.0), Base(kSetOnset, 50.0), EnvelopeShape(0, kRectangle),
            Base(kSetSource, 1.0), Base(kSetPan, 0.0), Dry(0.0)});
  Stereo out(dc.size());
  auto run = [&](int from, int to) {
    const double* ip[2] = {dc.l.data() + from, dc.r.data() + from};
    double* op[2] = {out.l.data() + from, out.r.data() + from};
    x.e.ProcessBlock(ip, op, to - from, 120.0);
  };
  run(0, 3000);
  x.e.SetEnvelopeShape(0, kHann);
  run(3000, 8000);
  for (int i = 2205; i < 3969; ++i) ASSERT_EQ(out.l[i], 0.5) << i;
  EXPECT_EQ(out.l[4397], 0.0);                // Hann starts at 0
  EXPECT_NEAR(out.l[4397 + 882], 0.5, 1e-3);  // and peaks in the middle
}

// Changes faster than grains end: each lane's table stays what it was when the lane started,
// even with more changes than a slot has copies (the newest waits for a copy to come free), and
// once the old grains are gone new grains get the newest shape.
TEST(ClickFreeEnvelopes, TablesInUseAreNeverRewritten) {
  Engine x({Base(kSetLength, 40.0), Base(kSetOnset, 3.0)});
  const Stereo in = enginetest::TestSignal(64);
  struct Held {
    const GrainPair* pair;
    int lane;
    double end;  // in samples since the start: tells the grain from a later one in its lane
    std::vector<double> table;
  };
  std::vector<Held> held;
  const int shapes[] = {kHann, kGaussian, kTukey, kWeibull, kTrapezoid, kHamming, kRectangle};
  int processed = 0, checked = 0;
  for (int k = 0; k < 8 * kEnvelopeCopies; ++k) {
    x.e.SetEnvelopeShape(0, shapes[k % 7]);
    Process(x.e, in, 64);
    processed += 64;
    for (const Held& h : held) {
      if (((h.pair->laneMask >> h.lane) & 1) == 0 || processed + h.pair->end[h.lane] != h.end) {
        continue;
      }
      ++checked;
      ASSERT_TRUE(std::equal(h.table.begin(), h.table.end(), h.pair->envelope[h.lane])) << k;
    }
    held.clear();
    for (int i = 0; i < kPoolPairs; ++i) {
      const GrainPair& p = Inspect(x.e).Pool().Pair(i);
      for (int lane = 0; lane < 2; ++lane) {
        if (((p.laneMask >> lane) & 1) == 0) continue;
        held.push_back({&p, lane, processed + p.end[lane],
                        std::vector<double>(p.envelope[lane], p.envelope[lane] + kWindowSize)});
      }
    }
  }
  EXPECT_GT(checked, 50);
  x.e.SetEnvelopeShape(0, kHann);
  Process(x.e, Stereo(4410), 64);  // every grain from before has ended
  double hann[kWindowSize];
  FillWindow(kHann, 0.5, hann);
  EXPECT_TRUE(std::equal(hann, hann + kWindowSize, Inspect(x.e).GrainEnvelope(0)));
}

// The shimmer recipe turned up to Feedback 1 on every grain: after the input ends the output
// dies away or keeps moving, never settling on a constant (DC under -60 dBFS after 2 s).
TEST(ClickFreeFeedback, TheLoopHoldsNoConstant) {
  const int samples = static_cast<int>(5 * kRate);
  Stereo in(samples);
  for (int i = 0; i < kRate; ++i) {
    in.l[i] = 0.5 * std::sin(0.05 * i) + 0.3;  // with DC of its own
    in.r[i] = 0.5 * std::sin(0.031 * i) - 0.4;
  }
  Engine x({Base(kSetPitch, 12.0), Base(kSetLength, 80.0), Base(kSetOnset, 15.0),
            Base(kSetDelay, 60.0), Base(kSetBufLen, 0.06), Base(kSetFeedback, 1.0),
            Base(kSetFBApply, 1.0), Dry(0.0), Wet(1.0)});
  const Stereo out = Process(x.e, in, 512);
  for (const std::vector<double>* ch : {&out.l, &out.r}) {
    const int from = static_cast<int>(3 * kRate), to = samples;
    double mean = 0.0;
    for (int i = from; i < to; ++i) mean += (*ch)[i];
    mean /= to - from;
    EXPECT_LT(20.0 * std::log10(std::fabs(mean) + 1e-30), -60.0);
  }
}

}  // namespace
