// Parameter application: modulation windows of the slots, envelope slot rebuilds, mix settings,
// the sample rate, and values that must not reach the engine.
#include <gtest/gtest.h>

#include <cmath>

#include "engine_test_support.h"

namespace {

TEST(EngineModSlotWindow, LengthWithFullDepthSpansItsRange) {
  GrainEngine e;
  e.OnParameterChanged(0, 30.0);
  e.OnParameterChanged(2, 1.0);
  const ModSlotGroup& g = e.ModSlots().Group(0);
  EXPECT_FLOAT_EQ(g.low[kSetLength], -44.5f);
  EXPECT_FLOAT_EQ(g.span[kSetLength], 149.0f);
  EXPECT_FLOAT_EQ(g.current[kSetLength], 30.0f);
  EXPECT_EQ(g.min[kSetLength], 1.0f);
}

TEST(EngineModSlotWindow, EachValueIndexReachesItsSlot) {
  GrainEngine e;
  const int valueIndex[kModulatedSettingCount] = {0,  3,  6,  43, 9,  12, 15, 18,
                                                  21, 25, 28, 31, 34, 37, 40};
  for (int slot = 0; slot < kModulatedSettingCount; ++slot) {
    const ModSlot& s = e.ModSlots().Slot(slot);
    const double mid = 0.5 * (s.min + s.max) + 0.01;
    e.OnParameterChanged(valueIndex[slot], mid);
    EXPECT_FLOAT_EQ(e.ModSlots().Current(slot), static_cast<float>(mid)) << slot;
    e.OnParameterChanged(valueIndex[slot] + 1, 5.0);
    EXPECT_EQ(e.ModSlots().Slot(slot).selector, 5) << slot;
    e.OnParameterChanged(valueIndex[slot] + 2, 0.35);
    EXPECT_FLOAT_EQ(e.ModSlots().Slot(slot).depth, 0.35f) << slot;
  }
}

TEST(EngineModSlotWindow, SelectorsAndValuesStayInsideTheirRanges) {
  GrainEngine e;
  e.OnParameterChanged(1, 99.0);
  EXPECT_EQ(e.ModSlots().Slot(kSetLength).selector, 7);
  e.OnParameterChanged(1, -3.0);
  EXPECT_EQ(e.ModSlots().Slot(kSetLength).selector, 0);
  e.OnParameterChanged(0, 1e300);
  EXPECT_EQ(e.ModSlots().Current(kSetLength), 150.0f);
  e.OnParameterChanged(2, -1.0);
  EXPECT_EQ(e.ModSlots().Slot(kSetLength).depth, 0.0f);
}

TEST(EngineModSlotWindow, NonFiniteValuesAreIgnored) {
  GrainEngine e;
  enginetest::ApplyDefaults(e);
  for (int i = 0; i < kParameterCount; ++i) {
    e.OnParameterChanged(i, NAN);
    e.OnParameterChanged(i, INFINITY);
    e.OnParameterChanged(i, -INFINITY);
  }
  EXPECT_EQ(e.ModSlots().Current(kSetLength), 30.0f);
  EXPECT_EQ(e.WetGain(), 1.0);
  EXPECT_EQ(e.Envelope(0).shape, kTriangle);
  for (int g = 0; g < kModSlotGroupCount; ++g) {
    const ModSlotGroup& group = e.ModSlots().Group(g);
    for (int lane = 0; lane < 4; ++lane) {
      EXPECT_TRUE(std::isfinite(group.low[lane]) && std::isfinite(group.span[lane]));
    }
  }
  e.OnParameterChanged(-1, 1.0);
  e.OnParameterChanged(89, 1.0);
}

TEST(EngineEnvelopeSlotParameters, ShapeChangeUsesSkewHalfUntilSkewIsAppliedAgain) {
  GrainEngine e;
  e.OnParameterChanged(49, 0.8);  // slot 1 skew
  e.OnParameterChanged(48, 1.0);  // slot 1 Triangle
  EXPECT_EQ(e.Envelope(1).skew, 0.5f);
  EXPECT_EQ(e.EnvelopeTable(1)[100], 1.0);
  e.OnParameterChanged(49, 0.8);
  EXPECT_EQ(e.EnvelopeTable(1)[160], 1.0);
  const double before = e.EnvelopeTable(1)[10];
  e.OnParameterChanged(48, 12.0);  // stored, table untouched
  EXPECT_EQ(e.Envelope(1).shape, 12);
  EXPECT_EQ(e.EnvelopeTable(1)[10], before);
}

TEST(EngineMixParameters, MidSideHalfIsOffAndGainsStayInRange) {
  GrainEngine e;
  e.OnParameterChanged(86, 0.5);
  EXPECT_FALSE(e.MidSide());
  e.OnParameterChanged(86, 0.51);
  EXPECT_TRUE(e.MidSide());
  e.OnParameterChanged(87, 5.0);
  EXPECT_EQ(e.DryGain(), 1.0);
  e.OnParameterChanged(88, 5.0);
  EXPECT_EQ(e.WetGain(), 2.0);
}

TEST(EngineMixParameters, DelaySyncMakesNoDifference) {
  GrainEngine a, b;
  enginetest::ApplyDefaults(a);
  enginetest::ApplyDefaults(b);
  a.OnParameterChanged(21, 40.0);
  b.OnParameterChanged(21, 40.0);
  b.OnParameterChanged(24, 1.0);
  EXPECT_TRUE(b.DelaySync());
  const enginetest::Stereo in = enginetest::TestSignal(8192);
  EXPECT_EQ(enginetest::Process(a, in, 512).l, enginetest::Process(b, in, 512).l);
}

TEST(EngineSampleRate, NextGrainsFollowItWhileTheBufferLengthWaitsForBufLen) {
  GrainEngine e;
  enginetest::ApplyDefaults(e);
  enginetest::Process(e, enginetest::Stereo(512), 512);
  e.ResetProcessing(96000.0);
  EXPECT_EQ(e.SamplesPerMs(), 96.0);
  enginetest::Process(e, enginetest::Stereo(2048), 512);
  EXPECT_EQ(e.Settings().LengthSamples, 30.0 * 96.0);
  EXPECT_EQ(e.Capture().BufferLength, 125685);
  e.OnParameterChanged(37, 0.5);
  enginetest::Process(e, enginetest::Stereo(2048), 512);
  EXPECT_EQ(e.Capture().BufferLength, static_cast<int>(0.5 * (132300 - 150 * 96.0)));
}

TEST(EngineSampleRate, UnusableRatesAreIgnored) {
  GrainEngine e;
  for (double rate : {0.0, -44100.0, double{NAN}, double{INFINITY}, 1e12}) e.ResetProcessing(rate);
  EXPECT_EQ(e.SampleRate(), 44100.0);
  EXPECT_EQ(e.SamplesPerMs(), 44100.0 * 0.001);
}

}  // namespace
