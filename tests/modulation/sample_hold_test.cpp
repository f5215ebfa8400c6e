// SampleHold: holding, gliding into the next value, and the recompute on a rate or skew change.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "modulation/sample_hold_lfo.h"

// The LFOs' names, as the tests use them throughout.
using namespace modulation;

namespace {

constexpr float kTwoPi = 6.2831855f;

void Prepare(SampleHoldLfo& lfo, float rate, float glide) {
  lfo.StoreSampleRate(44100.0f);
  for (int lane = 0; lane < 4; ++lane) lfo.SetRateAndSkew(lane, rate, glide);
}

TEST(SampleHoldGlide, WithoutGlideTheOutputStepsOnlyAtTheWrapToTheOlderDraw) {
  SampleHoldLfo lfo;
  Prepare(lfo, 20.0f, 0.0f);  // about 138 ticks per cycle
  int steps = 0;
  for (int i = 0; i < 2000; ++i) {
    const float before = lfo.Output(1);
    const float phaseBefore = lfo.Phase(1);
    const float drawnLastCycle = lfo.CoefficientA(1);
    lfo.Tick();
    const bool wrapped = lfo.Phase(1) < phaseBefore;
    if (wrapped) {
      ++steps;
      ASSERT_EQ(lfo.Output(1), drawnLastCycle);
    } else {
      ASSERT_EQ(lfo.Output(1), before) << "tick " << i;
    }
  }
  EXPECT_NEAR(steps, 2000 / 138, 1);
}

TEST(SampleHoldGlide, HalfGlideIsFlatThenAStraightLineIntoTheNextValue) {
  SampleHoldLfo lfo;
  Prepare(lfo, 10.0f, 0.5f);
  // Run to the start of a fresh cycle.
  float phase = lfo.Phase(0);
  while (true) {
    lfo.Tick();
    if (lfo.Phase(0) < phase) break;
    phase = lfo.Phase(0);
  }
  const float held = lfo.Output(0);
  const float target = lfo.CoefficientA(0);
  EXPECT_FLOAT_EQ(lfo.CoefficientB(0), kTwoPi / 2.0f);
  std::vector<float> phases;
  std::vector<float> outputs;
  while (true) {
    const float before = lfo.Phase(0);
    lfo.Tick();
    if (lfo.Phase(0) < before) break;  // wrapped: the next held value is the target
    phases.push_back(before);
    outputs.push_back(lfo.Output(0));
  }
  EXPECT_EQ(lfo.Output(0), target);
  float lastGlide = held;
  for (size_t i = 0; i < phases.size(); ++i) {
    if (phases[i] < kTwoPi / 2.0f) {
      ASSERT_EQ(outputs[i], held);
    } else {
      const float expected = held + (target - held) * (phases[i] - kTwoPi / 2.0f) / (kTwoPi / 2.0f);
      ASSERT_NEAR(outputs[i], expected, 1e-5);
      lastGlide = outputs[i];
    }
  }
  // The last recorded glide value is at most two ticks of the line short of the target.
  const float step = std::abs(target - held) * lfo.Increment(0) / (kTwoPi / 2.0f);
  EXPECT_NEAR(lastGlide, target, 2.0f * step + 1e-6f);
}

TEST(SampleHoldRecompute, RateChangeDrawsAtOnceAndJumpsToThePreviousTarget) {
  SampleHoldLfo lfo;
  Prepare(lfo, 2.0f, 0.5f);
  for (int i = 0; i < 1000; ++i) lfo.Tick();
  const float phase = lfo.Phase(2);
  const float previousTarget = lfo.CoefficientA(2);
  Xorshift128 next = lfo.Generator();
  const float expectedTarget = next.Next();

  lfo.SetRate(2, 3.0f);
  EXPECT_EQ(lfo.Output(2), previousTarget);
  EXPECT_EQ(lfo.CoefficientA(2), expectedTarget);
  EXPECT_EQ(lfo.Phase(2), phase);
  // The line runs from (glide start, previous target) to (2π, new target).
  const float start = lfo.CoefficientB(2);
  EXPECT_NEAR(lfo.CoefficientC(2) * start + lfo.CoefficientD(2), previousTarget, 1e-5);
  EXPECT_NEAR(lfo.CoefficientC(2) * kTwoPi + lfo.CoefficientD(2), expectedTarget, 1e-5);

  lfo.SetSkew(2, 1.0f);
  EXPECT_EQ(lfo.Output(2), expectedTarget);
  EXPECT_EQ(lfo.CoefficientB(2), 0.0f);
}

TEST(SampleHoldGlide, PreviewHoldsThenGlidesToTheTarget) {
  SampleHoldLfo lfo;
  Prepare(lfo, 1.0f, 0.25f);
  std::vector<float> preview(100);
  lfo.RenderCycle(3, preview.data(), 100);
  EXPECT_FLOAT_EQ(preview[0], lfo.Output(3));
  EXPECT_FLOAT_EQ(preview[74], lfo.Output(3));
  // Step 99 is 24 of the glide's 25 steps into the line from the held value to the target.
  const float held = lfo.Output(3);
  EXPECT_NEAR(preview[99], held + (lfo.CoefficientA(3) - held) * 24.0f / 25.0f, 1e-5);
}

}  // namespace
