// The deterministic and random LFO kinds: first ticks, shapes, the generator's fixed seeds, and
// the SSE ticks against a scalar reading of the same formulas.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "modulation/periodic_lfos.h"
#include "modulation/random_lfos.h"
#include "modulation/static_lfo.h"
#include "modulation/xorshift128.h"

// The LFOs' names, as the tests use them throughout.
using namespace modulation;

namespace {

constexpr double kTicksPerSecond = 44100.0 / 16.0;

template <typename Lfo>
void Prepare(Lfo& lfo, float rate, float skew) {
  lfo.StoreSampleRate(44100.0f);
  for (int lane = 0; lane < 4; ++lane) lfo.SetRateAndSkew(lane, rate, skew);
}

// Ticks n times and returns lane's output after the last tick.
float TickTimes(LfoSoa& lfo, int n, int lane = 0) {
  for (int i = 0; i < n; ++i) lfo.Tick();
  return lfo.Output(lane);
}

TEST(XorshiftSeeds, FreshGeneratorYieldsTheKnownFirstDraws) {
  Xorshift128 words;
  EXPECT_EQ(words.NextWord(), 3701687786u);
  EXPECT_EQ(words.NextWord(), 458299110u);
  EXPECT_EQ(words.NextWord(), 2500872618u);
  EXPECT_EQ(words.NextWord(), 3633119408u);
  Xorshift128 values;
  EXPECT_FLOAT_EQ(values.Next(), 0.86186635f);
  EXPECT_FLOAT_EQ(values.Next(), 0.10670608f);
  EXPECT_FLOAT_EQ(values.Next(), 0.58227980f);
  EXPECT_FLOAT_EQ(values.Next(), 0.84590155f);
}

TEST(LfoIncrement, OneHertzAdvancesTheKnownAnglePerTick) {
  SineLfo sine;
  Prepare(sine, 1.0f, 0.5f);
  EXPECT_NEAR(sine.Increment(0), 0.0022796, 1e-7);
  sine.StoreSampleRate(48000.0f);
  sine.Recompute(0);
  EXPECT_NEAR(sine.Increment(0), 6.2831855 / 3000.0, 1e-8);
}

TEST(LfoIncrement, AbsurdRatesNeverLetThePhaseLeaveOneCycle) {
  TriangleLfo triangle;
  Prepare(triangle, 1.0e9f, 0.5f);
  triangle.SetRate(1, std::nanf(""));
  for (int i = 0; i < 100; ++i) triangle.Tick();
  for (int lane = 0; lane < 4; ++lane) {
    EXPECT_GE(triangle.Phase(lane), 0.0f);
    EXPECT_LE(triangle.Phase(lane), 6.2831855f);
    EXPECT_GE(triangle.Output(lane), 0.0f);
    EXPECT_LE(triangle.Output(lane), 1.0f);
  }
}

TEST(ConstLfo, OutputsItsSkewWhateverTheRate) {
  StaticLfo constant;
  Prepare(constant, 1.0f, 0.25f);
  EXPECT_FLOAT_EQ(constant.Output(0), 0.25f);
  constant.SetRate(0, 11.0f);
  EXPECT_FLOAT_EQ(TickTimes(constant, 1000), 0.25f);
  constant.SetSkew(0, 0.8f);
  EXPECT_EQ(constant.Output(0), 0.8f);
}

TEST(TriangleLfo, HalfSkewPeaksHalfwayAndReturnsToZero) {
  TriangleLfo triangle;
  Prepare(triangle, 1.0f, 0.5f);
  EXPECT_NEAR(TickTimes(triangle, 1), 0.0f, 1e-6);
  TriangleLfo half;
  Prepare(half, 1.0f, 0.5f);
  EXPECT_NEAR(TickTimes(half, static_cast<int>(0.5 * kTicksPerSecond) + 1), 1.0f, 1e-3);
  TriangleLfo whole;
  Prepare(whole, 1.0f, 0.5f);
  EXPECT_NEAR(TickTimes(whole, static_cast<int>(kTicksPerSecond) + 1), 0.0f, 1e-3);
}

TEST(TriangleLfo, ZeroSkewFallsAndFullSkewOnlyRises) {
  TriangleLfo falling;
  Prepare(falling, 1.0f, 0.0f);
  EXPECT_FLOAT_EQ(TickTimes(falling, 1), 1.0f);
  EXPECT_LT(TickTimes(falling, 100), 1.0f);

  TriangleLfo rising;
  Prepare(rising, 1.0f, 1.0f);
  float previous = TickTimes(rising, 1);
  for (int i = 0; i < 2700; ++i) {
    const float next = TickTimes(rising, 1);
    ASSERT_GT(next, previous) << "tick " << i;
    previous = next;
  }
}

// A host may send any skew in 0..1; one so small that its peak phase is a subnormal float must
// not turn the rising line into inf × 0 (a NaN output at phase 0).
TEST(TriangleLfo, SubnormalPeakStaysFiniteAndInRange) {
  TriangleLfo triangle;
  Prepare(triangle, 1.0f, 1.0e-40f);
  ASSERT_GT(triangle.SkewPhase(0), 0.0f);
  EXPECT_TRUE(std::isfinite(triangle.CoefficientA(0)));
  EXPECT_TRUE(std::isfinite(triangle.CoefficientB(0)));
  std::vector<float> preview(16);
  triangle.RenderCycle(0, preview.data(), 16);
  EXPECT_TRUE(std::isfinite(preview[0]));
  for (int i = 0; i < 3000; ++i) {
    const float out = TickTimes(triangle, 1);
    ASSERT_GE(out, 0.0f) << "tick " << i;
    ASSERT_LE(out, 1.0f) << "tick " << i;
  }
}

TEST(TriangleLfo, RateChangeContinuesFromTheSamePhase) {
  TriangleLfo triangle;
  Prepare(triangle, 1.0f, 0.5f);
  TickTimes(triangle, 500);
  const float phase = triangle.Phase(0);
  const float expected = triangle.CoefficientA(0) * phase + triangle.CoefficientB(0);
  triangle.SetRate(0, 5.0f);
  EXPECT_EQ(triangle.Phase(0), phase);
  EXPECT_FLOAT_EQ(TickTimes(triangle, 1), expected);
}

TEST(SquareLfo, SkewIsTheFractionSpentHigh) {
  SquareLfo silent;
  Prepare(silent, 1.0f, 0.0f);
  for (int i = 0; i < 3000; ++i) ASSERT_EQ(TickTimes(silent, 1), 0.0f);

  SquareLfo half;
  Prepare(half, 1.0f, 0.5f);
  int high = 0;
  const int cycle = static_cast<int>(kTicksPerSecond);
  for (int i = 0; i < cycle; ++i) {
    const float phase = half.Phase(0);
    const float out = TickTimes(half, 1);
    ASSERT_EQ(out, phase < 3.1415927f ? 1.0f : 0.0f);
    high += out == 1.0f;
  }
  EXPECT_NEAR(high, cycle / 2, 2);
}

TEST(SineLfo, StartsAtExactlyHalfAndStaysInRange) {
  SineLfo sine;
  Prepare(sine, 3.0f, 0.5f);
  EXPECT_EQ(TickTimes(sine, 1), 0.5f);
  for (int i = 0; i < 5000; ++i) {
    const float out = TickTimes(sine, 1);
    ASSERT_GE(out, 0.0f);
    ASSERT_LE(out, 1.0f);
  }
  EXPECT_NEAR(SineLfo::Shape(3.1415927f / 2.0f), 0.0f, 2e-3);
  EXPECT_NEAR(SineLfo::Shape(3.0f * 3.1415927f / 2.0f), 1.0f, 2e-3);
}

TEST(SineLfo, VectorTickMatchesTheScalarFormulaOnEveryLane) {
  SineLfo sine;
  sine.StoreSampleRate(44100.0f);
  const float rates[4] = {0.3f, 1.0f, 7.0f, 24.0f};
  for (int lane = 0; lane < 4; ++lane) sine.SetRate(lane, rates[lane]);
  for (int i = 0; i < 4000; ++i) {
    float phases[4];
    for (int lane = 0; lane < 4; ++lane) phases[lane] = sine.Phase(lane);
    sine.Tick();
    for (int lane = 0; lane < 4; ++lane) {
      ASSERT_EQ(sine.Output(lane), SineLfo::Shape(phases[lane])) << "lane " << lane;
    }
  }
}

TEST(TriangleLfo, VectorTickMatchesTheScalarLinesOnEveryLane) {
  TriangleLfo triangle;
  triangle.StoreSampleRate(44100.0f);
  const float skews[4] = {0.0f, 0.2f, 0.75f, 1.0f};
  for (int lane = 0; lane < 4; ++lane) triangle.SetRateAndSkew(lane, 2.0f + lane, skews[lane]);
  for (int i = 0; i < 4000; ++i) {
    float expected[4];
    for (int lane = 0; lane < 4; ++lane) {
      const float p = triangle.Phase(lane);
      const double peak = skews[lane] * 6.2831854820251465;
      // Plain reading: rise from 0 to 1 until the peak, fall back to 0 at 2π.
      expected[lane] = static_cast<float>(
          p < triangle.SkewPhase(lane) ? p / peak : (6.2831855 - p) / (6.2831855 - peak));
    }
    triangle.Tick();
    for (int lane = 0; lane < 4; ++lane) ASSERT_NEAR(triangle.Output(lane), expected[lane], 2e-6);
  }
}

TEST(RandomLfo, EveryTickDrawsNewValuesInLaneOrder) {
  RandomLfo random;
  Prepare(random, 0.01f, 0.5f);
  Xorshift128 reference;
  for (int i = 0; i < 4; ++i) reference.Next();  // the four draws of Prepare's Recompute
  for (int tick = 0; tick < 100; ++tick) {
    const float before = random.Output(0);
    random.Tick();
    for (int lane = 0; lane < 4; ++lane) ASSERT_EQ(random.Output(lane), reference.Next());
    ASSERT_NE(random.Output(0), before);
  }
}

TEST(RandomSquareLfo, OutputsOnlyZeroOrOneAndHalfCountsAsZero) {
  RandomSquareLfo square;
  Prepare(square, 1.0f, 0.5f);
  for (int i = 0; i < 1000; ++i) {
    square.Tick();
    for (int lane = 0; lane < 4; ++lane) {
      ASSERT_TRUE(square.Output(lane) == 0.0f || square.Output(lane) == 1.0f);
    }
  }
  // A state whose next word is exactly 2^31, the draw 0.5: with w = 0 the next word is
  // t ^ (t >> 8), which is 2^31 for t = 0x80808080 = x ^ (x << 11).
  const std::uint32_t t = 0x80808080u;
  Xorshift128& generator = square.Generator();
  generator.x = t ^ (t << 11) ^ (t << 22);
  generator.y = generator.z = generator.w = 0;
  Xorshift128 check = generator;
  ASSERT_EQ(check.Next(), 0.5f);
  square.Tick();
  EXPECT_EQ(square.Output(0), 0.0f);
}

TEST(RenderCycle, PreviewMatchesOneCycleOfTicks) {
  constexpr int kCount = 64;
  const float rate = static_cast<float>(kTicksPerSecond / kCount);
  TriangleLfo triangle;
  SquareLfo square;
  SineLfo sine;
  Prepare(triangle, rate, 0.3f);
  Prepare(square, rate, 0.3f);
  Prepare(sine, rate, 0.3f);
  std::vector<float> preview(kCount);
  LfoSoa* kinds[] = {&triangle, &square, &sine};
  for (LfoSoa* lfo : kinds) {
    lfo->RenderCycle(2, preview.data(), kCount);
    for (int i = 0; i < kCount; ++i) {
      lfo->Tick();
      ASSERT_NEAR(lfo->Output(2), preview[i], 1e-4) << "step " << i;
    }
  }
  RandomLfo random;
  Prepare(random, 1.0f, 0.5f);
  random.RenderCycle(0, preview.data(), 4);
  random.Tick();
  EXPECT_EQ(random.Output(0), preview[0]);  // the preview consumed no draw
  EXPECT_EQ(random.Output(1), preview[1]);
}

}  // namespace
