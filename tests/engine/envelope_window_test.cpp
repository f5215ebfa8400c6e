// Envelope windows: the ten shapes checked against their figures, skew handling and slot rules.
#include "engine/envelope_window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

// The engine's names, as the tests use them throughout.
using namespace engine;

namespace {

struct Table {
  double w[200];
  Table(int shape, float skew) { EXPECT_TRUE(FillWindow(shape, static_cast<double>(skew), w)); }
};

TEST(EngineEnvelopeWindowFigures, Triangle) {
  const Table half(kTriangle, 0.5f);
  EXPECT_EQ(half.w[0], 0.0);
  EXPECT_EQ(half.w[100], 1.0);
  EXPECT_DOUBLE_EQ(half.w[199], 0.01);
  const Table zero(kTriangle, 0.0f);
  EXPECT_EQ(zero.w[0], 1.0);
  EXPECT_DOUBLE_EQ(zero.w[199], 0.005);
  const Table one(kTriangle, 1.0f);
  EXPECT_EQ(one.w[0], 0.0);
  EXPECT_DOUBLE_EQ(one.w[199], 0.995);
  // 0.29f * 200 lies just below 58: the peak is entry 57.
  const Table t(kTriangle, 0.29f);
  EXPECT_EQ(t.w[57], 1.0);
  EXPECT_LT(t.w[58], 1.0);
  EXPECT_DOUBLE_EQ(t.w[56], 56.0 / 57.0);
}

TEST(EngineEnvelopeWindowFigures, HannAndHammingAreSymmetric) {
  const Table hann(kHann, 0.5f);
  EXPECT_NEAR(hann.w[0], 0.0, 1e-15);
  EXPECT_NEAR(hann.w[199], 0.0, 1e-15);
  EXPECT_NEAR(hann.w[99], 0.99994, 1e-5);
  EXPECT_NEAR(hann.w[100], 0.99994, 1e-5);
  const Table hamming(kHamming, 0.5f);
  EXPECT_NEAR(hamming.w[0], 0.08, 1e-15);
  EXPECT_NEAR(hamming.w[199], 0.08, 1e-15);
}

TEST(EngineEnvelopeWindowFigures, Tukey) {
  const Table one(kTukey, 1.0f);
  EXPECT_NEAR(one.w[0], 0.0, 1e-15);
  EXPECT_EQ(one.w[100], 1.0);
  EXPECT_NEAR(one.w[199], 0.00025, 5e-6);
  const Table t(kTukey, 0.2f);  // N1 = 20, N2 = 179
  EXPECT_LT(t.w[19], 1.0);
  EXPECT_EQ(t.w[20], 1.0);
  EXPECT_EQ(t.w[178], 1.0);
  EXPECT_LT(t.w[179], 1.0);
  const Table zero(kTukey, 0.0f);
  EXPECT_TRUE(std::all_of(zero.w, zero.w + 200, [](double x) { return x == 1.0; }));
}

TEST(EngineEnvelopeWindowFigures, Gaussian) {
  const Table half(kGaussian, 0.5f);
  EXPECT_NEAR(half.w[0], 0.00045768, 1e-8);
  EXPECT_NEAR(half.w[199], 0.00045768, 1e-8);
  const Table one(kGaussian, 1.0f);
  EXPECT_NEAR(one.w[0], 0.13534, 1e-5);
  const Table zero(kGaussian, 0.0f);
  EXPECT_TRUE(std::all_of(zero.w, zero.w + 200, [](double x) { return std::isfinite(x); }));
}

TEST(EngineEnvelopeWindowFigures, Trapezoid) {
  const Table t(kTrapezoid, 0.2f);
  EXPECT_DOUBLE_EQ(t.w[10], 0.5);
  EXPECT_TRUE(std::all_of(t.w + 20, t.w + 180, [](double x) { return x == 1.0; }));
  EXPECT_DOUBLE_EQ(t.w[190], 0.5);
  EXPECT_DOUBLE_EQ(t.w[199], 0.05);
  const Table one(kTrapezoid, 1.0f);
  EXPECT_EQ(one.w[100], 1.0);
  EXPECT_DOUBLE_EQ(one.w[199], 0.01);
  const Table zero(kTrapezoid, 0.0f);
  EXPECT_TRUE(std::all_of(zero.w, zero.w + 200, [](double x) { return x == 1.0; }));
}

TEST(EngineEnvelopeWindowFigures, ExponentialAndReverse) {
  const Table e(kExponential, 0.5f);
  EXPECT_NEAR(e.w[0], 0.0040868, 1e-7);
  EXPECT_NEAR(e.w[199], 0.97287, 1e-5);
  const Table r(kRevExponential, 0.5f);
  EXPECT_NEAR(r.w[0], 1.0, 1e-15);
  EXPECT_NEAR(r.w[199], 0.0042007, 1e-7);
  const Table flat(kExponential, 0.0f);
  EXPECT_TRUE(std::all_of(flat.w, flat.w + 200, [](double x) { return x == 1.0; }));
}

TEST(EngineEnvelopeWindowFigures, Weibull) {
  const Table zero(kWeibull, 0.0f);
  EXPECT_NEAR(zero.w[0], 1.0532297, 1e-7);
  EXPECT_LT(zero.w[1], zero.w[0]);
  const Table half(kWeibull, 0.5f);
  EXPECT_EQ(half.w[0], 0.0);
  EXPECT_EQ(std::max_element(half.w, half.w + 200) - half.w, 47);
  EXPECT_NEAR(half.w[47], 1.0, 1e-12);
  const Table one(kWeibull, 1.0f);
  EXPECT_EQ(std::max_element(one.w, one.w + 200) - one.w, 58);
}

TEST(EngineEnvelopeSlotRules, ConstructionIsExponentialAtHalfSkewAndUnknownShapesKeepTheTable) {
  EnvelopeSlot slot;
  EXPECT_EQ(slot.shape, kRectangle);
  EXPECT_NEAR(slot.table[0], 0.0040868, 1e-7);
  EXPECT_EQ(slot.table[200], slot.table[199]);  // the guard the renderer reads as K + 1
  slot.shape = 10;
  BuildWindow(slot);
  EXPECT_NEAR(slot.table[0], 0.0040868, 1e-7);
  slot.shape = kHamming;
  BuildWindow(slot);
  EXPECT_NEAR(slot.table[0], 0.08, 1e-15);
  EXPECT_EQ(slot.table[200], slot.table[0]);
}

TEST(EngineEnvelopeSlotRules, SkewOutsideZeroToOneNeverWritesOutsideTheTable) {
  double w[220];
  std::fill(w, w + 220, -7.0);
  FillWindow(kTriangle, -3.0, w + 10);
  FillWindow(kTrapezoid, 40.0, w + 10);
  FillWindow(kTukey, 2.0, w + 10);
  for (int i = 0; i < 10; ++i) EXPECT_EQ(w[i], -7.0);
  for (int i = 210; i < 220; ++i) EXPECT_EQ(w[i], -7.0);
}

}  // namespace
