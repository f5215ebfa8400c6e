// The sound of the grains measured from the engine's output against stated tolerances: pitch,
// speed and direction as frequency ratios, the echo time of Delay, feedback decay per pass, the
// pan law and the envelope shapes against their window formulas.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <vector>

#include "engine_test_support.h"

// The engine's and the LFOs' names, as the tests use them throughout.
using namespace engine;
using namespace modulation;

namespace {

using enginetest::Base;
using enginetest::Dry;
using enginetest::Engine;
using enginetest::EnvelopeShape;
using enginetest::EnvelopeSkew;
using enginetest::Process;
using enginetest::Stereo;

constexpr double kPi = std::numbers::pi;
constexpr int kBlock = 64;
// 125685 samples, the buffer at BufLen 1 and 44.1 kHz, hold exactly 1995 cycles of 63 samples, so
// a periodic input of that period lies in the circular buffer without a seam.
constexpr int kPeriod = 63;
constexpr int kFullBuffer = 125685;
// Isolated grains: 40 ms (1764 samples) every 50 ms, read with a flat window, panned hard left
// (left = the grain's signal), no dry signal.
const enginetest::Changes kIsolatedFlatGrains = {Base(kSetLength, 40.0),
                                                 Base(kSetOnset, 50.0),
                                                 EnvelopeShape(0, kRectangle),
                                                 Base(kSetPan, 0.0),
                                                 Dry(0.0),
                                                 Base(kSetFeedback, 0.0)};

// The playback rate of the grains in input cycles per output cycle, signed (negative when they
// play backwards), measured from the output. Channel 0 carries sin and channel 1 cos of the same
// phase; two renders that differ only in the channel the grains read ("Source") give each grain's
// signal as a rotating phasor whose mean phase step is the played frequency.
double MeasuredRate(const enginetest::Changes& changes) {
  constexpr int kWarmup = 132300;  // the whole buffer written once
  constexpr int kLength = kWarmup + 4 * 2205;
  Stereo in(kLength);
  for (int t = 0; t < kLength; ++t) {
    in.l[t] = std::sin(2.0 * kPi * t / kPeriod);
    in.r[t] = std::cos(2.0 * kPi * t / kPeriod);
  }
  Engine sine(kIsolatedFlatGrains);
  sine.Apply(changes);
  sine.Apply({Base(kSetSource, 1.0)});
  Engine cosine(kIsolatedFlatGrains);
  cosine.Apply(changes);
  cosine.Apply({Base(kSetSource, 0.0)});
  const Stereo s = Process(sine.e, in, kBlock);
  const Stereo c = Process(cosine.e, in, kBlock);
  double phase = 0.0;
  int steps = 0;
  for (int t = kWarmup; t + 1 < kLength; ++t) {
    const std::complex<double> z0(c.l[t], s.l[t]), z1(c.l[t + 1], s.l[t + 1]);
    if (std::abs(z0) < 0.5 || std::abs(z1) < 0.5) continue;  // between grains
    phase += std::arg(z1 * std::conj(z0));
    ++steps;
  }
  EXPECT_GT(steps, 3 * 1700) << "three grains measured";
  return phase / steps / (2.0 * kPi / kPeriod);
}

double Cents(double measured, double expected) { return 1200.0 * std::log2(measured / expected); }

TEST(SoundPitch, GrainsPlayAtTheRatioOfTheirSemitonesWithinACent) {
  for (double semitones : {12.0, 7.0, -7.0, -12.0}) {
    const double rate = MeasuredRate({Base(kSetPitch, semitones)});
    EXPECT_NEAR(Cents(rate, std::exp2(semitones / 12.0)), 0.0, 1.0) << semitones << ": " << rate;
  }
}

TEST(SoundSpeedAndDir, SpeedScalesTheRateAndDirReversesIt) {
  EXPECT_NEAR(Cents(MeasuredRate({Base(kSetSpeed, 0.5)}), 0.5), 0.0, 1.0);
  EXPECT_NEAR(Cents(MeasuredRate({Base(kSetSpeed, 0.25), Base(kSetPitch, 12.0)}), 0.5), 0.0, 1.0);
  const double backwards = MeasuredRate({Base(kSetDir, -1.0)});
  EXPECT_NEAR(Cents(-backwards, 1.0), 0.0, 1.0) << backwards;
  const double down =
      MeasuredRate({Base(kSetDir, 0.0), Base(kSetPitch, -7.0), Base(kSetSpeed, 0.75)});
  EXPECT_NEAR(Cents(-down, 0.75 * std::exp2(-7.0 / 12.0)), 0.0, 1.0) << down;
}

// Everything the engine puts out after an impulse at sample `at` (left channel, no dry signal).
std::vector<double> ImpulseResponse(const enginetest::Changes& scene,
                                    const enginetest::Changes& changes, int at, int length) {
  Engine x(scene);
  x.Apply(changes);
  Stereo in(length);
  in.l[at] = 1.0;
  const Stereo out = Process(x.e, in, kBlock);
  return std::vector<double>(out.l.begin() + at, out.l.end());
}

// Delay reads ahead of the scan position in the circular buffer: past the block just captured
// lies the oldest content, so an impulse comes back after the buffer length minus the delay. The
// grains' start offsets could spread that by up to a block; with the scan following the write
// position it is the interpolation's lag of one sample alone.
TEST(SoundDelay, EchoComesBackAfterTheBufferLengthLessTheDelay) {
  const int buffer = static_cast<int>(0.25f * kFullBuffer);  // BufLen 0.25
  // Overlapping flat grains (150 ms every 10 ms) cover every sample.
  const enginetest::Changes covered = {Base(kSetLength, 150.0),      Base(kSetOnset, 10.0),
                                       EnvelopeShape(0, kRectangle), Base(kSetSource, 1.0),
                                       Base(kSetBufLen, 0.25),       Dry(0.0)};
  for (double delayMs : {20.0, 75.0, 150.0}) {
    const int expected = buffer - static_cast<int>(delayMs * 44.1);
    const std::vector<double> response =
        ImpulseResponse(covered, {Base(kSetDelay, delayMs)}, 5000, 5000 + buffer + 2 * kBlock);
    int first = -1, last = -1;
    for (int t = 0; t < static_cast<int>(response.size()); ++t) {
      if (std::fabs(response[t]) > 1e-9) {
        if (first < 0) first = t;
        last = t;
      }
    }
    ASSERT_GE(first, 0) << delayMs << " ms: no echo";
    EXPECT_NEAR(first, expected, 2) << delayMs << " ms";
    EXPECT_NEAR(last, expected, 2) << delayMs << " ms";
  }
}

// One isolated grain that is sounding when the impulse arrives hears its own feedback once per
// pass through a short buffer; each pass scales the echo by Feedback (flat window, hard left,
// reading the left channel that the feedback is added to). The feedback write's 5 Hz high-pass
// moves a little of each echo into a slow tail: well under 1 % per pass.
TEST(SoundFeedback, EachPassThroughTheBufferScalesTheEchoByTheFeedback) {
  const int buffer = static_cast<int>(0.005f * kFullBuffer);  // BufLen 0.005: 628 samples
  const int period = buffer - 441 + 1;                        // Delay 10 ms, one sample lag
  for (double feedback : {0.5, 0.9}) {
    Engine x(kIsolatedFlatGrains);
    x.Apply({Base(kSetSource, 1.0), Base(kSetBufLen, 0.005), Base(kSetDelay, 10.0),
             Base(kSetFeedback, feedback), Base(kSetFBApply, 1.0)});
    // Silence in 16-sample blocks until a grain has just started, then the impulse.
    const Stereo quiet(16);
    int before = 0;
    for (int block = 0; block < 1000; ++block) {
      Process(x.e, quiet, 16);
      if (block > 200 && before == 0 && Inspect(x.e).ActiveGrainCount() == 1) break;
      before = Inspect(x.e).ActiveGrainCount();
    }
    Stereo in(1600);
    in.l[0] = 1.0;
    const Stereo out = Process(x.e, in, 16);
    double previous = 1.0;
    for (int pass = 1; pass * period < 1600; ++pass) {
      // Each echo stands on the slow tail: measured from the samples around it.
      const double before = out.l[pass * period - 1], after = out.l[pass * period + 1];
      const double echo = out.l[pass * period] - 0.5 * (before + after);
      // Feedback is a float setting.
      EXPECT_NEAR(echo / previous, pass == 1 ? 1.0 : static_cast<float>(feedback), 0.01)
          << "feedback " << feedback << ", pass " << pass;
      EXPECT_LT(std::fabs(after - before), 0.01 * std::fabs(echo)) << "a single-sample echo";
      previous = echo;
    }
  }
}

// Linear pan law: left = (1 - pan) x grain, right = pan x grain, so the two sides always add up
// to the grain and the centre gives each side half (-6 dB).
TEST(SoundPan, LinearLawAtBothEdgesAndTheCentre) {
  const Stereo dc(20000, 0.5, 0.5);
  double total = -1.0;
  for (double pan : {0.0, 0.5, 1.0}) {
    Engine x({Base(kSetPan, pan), EnvelopeShape(0, kRectangle), Dry(0.0)});
    const Stereo out = Process(x.e, dc, kBlock);
    double left = 0.0, right = 0.0;
    for (int t = 0; t < out.size(); ++t) {
      left += out.l[t];
      right += out.r[t];
    }
    EXPECT_NEAR(left / (left + right), 1.0 - pan, 1e-12) << pan;
    if (total < 0.0) total = left + right;
    EXPECT_NEAR(left + right, total, 1e-9 * total) << pan;
  }
  EXPECT_GT(total, 1000.0);
}

// The window formulas at a continuous entry index i (0 .. 199), skew s as the float it is stored
// in.
double WindowFormula(int shape, double s, double i) {
  switch (shape) {
    case 1: {  // Triangle
      const double p = std::trunc(200.0 * s);
      return i <= p ? i / p : (200.0 - i) / (200.0 - p);
    }
    case 2:
      return 0.5 - 0.5 * std::cos(i * 2.0 * kPi / 199.0);
    case 3:
      return 0.54 - 0.46 * std::cos(i * 2.0 * kPi / 199.0);
    case 4: {  // Tukey
      const double n1 = std::trunc(100.0 * s), n2 = std::trunc(200.0 * (1.0 - 0.5 * s));
      if (i < n1) return 0.5 * (1.0 + std::cos(kPi * (i * (2.0 / (200.0 * s)) - 1.0)));
      if (i < n2) return 1.0;
      return 0.5 * (1.0 + std::cos(kPi * (i * (2.0 / (200.0 * s)) - 2.0 / s + 1.0)));
    }
    case 5: {  // Gaussian
      const double t = (i - 99.5) / ((0.49 * s + 0.01) * 99.5);
      return std::exp(-0.5 * t * t);
    }
    case 6: {  // Trapezoid
      const double r = std::trunc(100.0 * s);
      return i < r ? i / r : i < 200.0 - r ? 1.0 : (200.0 - i) / r;
    }
    case 7:
      return std::exp(-11.0 * s * (200.0 - i) / 200.0);
    case 8:
      return std::exp(-11.0 * s * i / 200.0);
    case 9: {  // Weibull, scaled by the spread of its 200 entries
      const double k = 1.0 + 2.0 * s;
      auto raw = [k](double j) {
        const double x = 0.015 * j;
        return k * std::pow(x, k - 1.0) * std::exp(-std::pow(x, k));
      };
      double lo = raw(0.0), hi = lo;
      for (int j = 1; j < 200; ++j) {
        lo = std::min(lo, raw(j));
        hi = std::max(hi, raw(j));
      }
      return raw(i) / (hi - lo);
    }
    default:
      return 1.0;
  }
}

// One isolated grain over a constant buffer of 0.5: its output is 0.5 x the envelope at the
// grain's phase, which runs through the 200 entries once over the grain's 1764 samples.
TEST(SoundEnvelope, RenderedGrainsFollowTheirWindowFormulas) {
  const Stereo dc(12000, 0.5, 0.5);
  auto render = [&dc](int shape, double skew) {
    Engine x(kIsolatedFlatGrains);
    x.Apply({EnvelopeShape(0, shape), EnvelopeSkew(0, skew), Base(kSetSource, 1.0)});
    return Process(x.e, dc, kBlock).l;
  };
  // The flat window shows where a grain after the first ones starts and how long it sounds.
  const std::vector<double> flat = render(0, 0.5);
  int start = 5000;
  while (flat[start] != 0.0) ++start;
  while (flat[start] == 0.0) ++start;
  int length = 0;
  while (flat[start + length] != 0.0) ++length;
  ASSERT_EQ(length, 1764);

  const double step = 200.0 / (40.0 * 44.1);
  for (int shape = 1; shape <= 9; ++shape) {
    const double skew = static_cast<float>(shape == 1 ? 0.3 : 0.5);
    const std::vector<double> out = render(shape, skew);
    double worst = 0.0;
    for (int k = 0; k < length; ++k) {
      const double i = k * step;
      if (i > 199.0) break;  // the last step interpolates towards the first entry
      worst = std::max(worst, std::fabs(out[start + k] / 0.5 - WindowFormula(shape, skew, i)));
    }
    EXPECT_LT(worst, 1e-3) << "shape " << shape;  // linear interpolation between entries
    EXPECT_EQ(out[start - 1], 0.0) << "shape " << shape;
    EXPECT_EQ(out[start + length], 0.0) << "shape " << shape;
  }
}

}  // namespace
