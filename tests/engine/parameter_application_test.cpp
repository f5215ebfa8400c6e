// The engine's inputs: modulation windows of the slots, envelope slot rebuilds, mix settings, the
// sample rate, and values that must not reach the engine.
#include <gtest/gtest.h>

#include <cmath>

#include "engine_test_support.h"

// The engine's and the LFOs' names, as the tests use them throughout.
using namespace engine;
using namespace modulation;

namespace {

TEST(EngineModSlotWindow, LengthWithFullDepthSpansItsRange) {
  GrainEngine e;
  e.SetBase(kSetLength, 30.0);
  e.SetDepth(kSetLength, 1.0);
  const ModSlotGroup& g = Inspect(e).ModSlots().Group(0);
  EXPECT_FLOAT_EQ(g.low[kSetLength], -44.5f);
  EXPECT_FLOAT_EQ(g.span[kSetLength], 149.0f);
  EXPECT_FLOAT_EQ(g.current[kSetLength], 30.0f);
  EXPECT_EQ(g.min[kSetLength], 1.0f);
}

TEST(EngineModSlotWindow, EachSettingReachesItsSlot) {
  GrainEngine e;
  for (int slot = 0; slot < kModulatedSettingCount; ++slot) {
    const auto setting = static_cast<ModulatedSetting>(slot);
    const ModSlot& s = Inspect(e).ModSlots().Slot(slot);
    const double mid = 0.5 * (s.min + s.max) + 0.01;
    e.SetBase(setting, mid);
    EXPECT_FLOAT_EQ(Inspect(e).ModSlots().Current(slot), static_cast<float>(mid)) << slot;
    e.SetSource(setting, 5);
    EXPECT_EQ(Inspect(e).ModSlots().Slot(slot).selector, 5) << slot;
    e.SetDepth(setting, 0.35);
    EXPECT_FLOAT_EQ(Inspect(e).ModSlots().Slot(slot).depth, 0.35f) << slot;
  }
}

TEST(EngineModSlotWindow, SelectorsAndValuesStayInsideTheirRanges) {
  GrainEngine e;
  e.SetSource(kSetLength, 99);
  EXPECT_EQ(Inspect(e).ModSlots().Slot(kSetLength).selector, 7);
  e.SetSource(kSetLength, -3);
  EXPECT_EQ(Inspect(e).ModSlots().Slot(kSetLength).selector, 0);
  e.SetBase(kSetLength, 1e300);
  EXPECT_EQ(Inspect(e).ModSlots().Current(kSetLength), 150.0f);
  e.SetDepth(kSetLength, -1.0);
  EXPECT_EQ(Inspect(e).ModSlots().Slot(kSetLength).depth, 0.0f);
}

TEST(EngineModSlotWindow, NonFiniteValuesAndUnknownTargetsAreIgnored) {
  GrainEngine e;
  enginetest::ApplyDefaults(e);
  for (double bad : {double{NAN}, double{INFINITY}, -double{INFINITY}}) {
    for (int k = 0; k < kModulatedSettingCount; ++k) {
      e.SetBase(static_cast<ModulatedSetting>(k), bad);
      e.SetDepth(static_cast<ModulatedSetting>(k), bad);
    }
    for (int slot = 0; slot < kEnvelopeSlotCount; ++slot) e.SetEnvelopeSkew(slot, bad);
    for (int lfo = 0; lfo < kLfoCount; ++lfo) {
      for (LfoParam which : {LfoParam::kShape, LfoParam::kRate, LfoParam::kSync, LfoParam::kSkew})
        e.SetLfoParameter(lfo, which, bad);
    }
    e.SetDryGain(bad);
    e.SetWetGain(bad);
  }
  EXPECT_EQ(Inspect(e).ModSlots().Current(kSetLength), 30.0f);
  EXPECT_EQ(Inspect(e).DryGain(), 0.0);
  EXPECT_EQ(Inspect(e).WetGain(), 1.0);
  EXPECT_EQ(Inspect(e).Envelope(0).shape, kTriangle);
  EXPECT_EQ(Inspect(e).Envelope(0).skew, 0.5f);
  EXPECT_EQ(e.Lfos().Settings(0).rate, 1.0f);
  for (int g = 0; g < kModSlotGroupCount; ++g) {
    const ModSlotGroup& group = Inspect(e).ModSlots().Group(g);
    for (int lane = 0; lane < 4; ++lane) {
      EXPECT_TRUE(std::isfinite(group.low[lane]) && std::isfinite(group.span[lane]));
    }
  }
  e.SetBase(static_cast<ModulatedSetting>(-1), 1.0);
  e.SetSource(static_cast<ModulatedSetting>(kModulatedSettingCount), 1);
  e.SetEnvelopeShape(4, kHann);
  e.SetEnvelopeSkew(-1, 0.2);
  e.SetLfoParameter(8, LfoParam::kRate, 2.0);
}

TEST(EngineEnvelopeSlotParameters, ShapeChangeUsesSkewHalfUntilSkewIsAppliedAgain) {
  GrainEngine e;
  e.SetEnvelopeSkew(1, 0.8);
  e.SetEnvelopeShape(1, kTriangle);
  EXPECT_EQ(Inspect(e).Envelope(1).skew, 0.5f);
  EXPECT_EQ(e.EnvelopeTable(1)[100], 1.0);
  e.SetEnvelopeSkew(1, 0.8);
  EXPECT_EQ(e.EnvelopeTable(1)[160], 1.0);
  const double before = e.EnvelopeTable(1)[10];
  e.SetEnvelopeShape(1, 12);  // stored, table untouched
  EXPECT_EQ(Inspect(e).Envelope(1).shape, 12);
  EXPECT_EQ(e.EnvelopeTable(1)[10], before);
}

TEST(EngineMixParameters, GainsStayInRange) {
  GrainEngine e;
  e.SetMidSide(true);
  EXPECT_TRUE(Inspect(e).MidSide());
  e.SetDryGain(5.0);
  EXPECT_EQ(Inspect(e).DryGain(), 1.0);
  e.SetWetGain(5.0);
  EXPECT_EQ(Inspect(e).WetGain(), 2.0);
  e.SetWetGain(-1.0);
  EXPECT_EQ(Inspect(e).WetGain(), 0.0);
}

TEST(EngineMixParameters, DelaySyncMakesNoDifference) {
  GrainEngine a, b;
  enginetest::ApplyDefaults(a);
  enginetest::ApplyDefaults(b);
  a.SetBase(kSetDelay, 40.0);
  b.SetBase(kSetDelay, 40.0);
  b.SetDelaySync(true);
  EXPECT_TRUE(Inspect(b).DelaySync());
  const enginetest::Stereo in = enginetest::TestSignal(8192);
  EXPECT_EQ(enginetest::Process(a, in, 512).l, enginetest::Process(b, in, 512).l);
}

TEST(EngineSampleRate, NextGrainsFollowItWhileTheBufferLengthWaitsForBufLen) {
  GrainEngine e;
  enginetest::ApplyDefaults(e);
  enginetest::Process(e, enginetest::Stereo(512), 512);
  e.ResetProcessing(96000.0);
  EXPECT_EQ(Inspect(e).SamplesPerMs(), 96.0);
  enginetest::Process(e, enginetest::Stereo(2048), 512);
  EXPECT_EQ(Inspect(e).Settings().lengthSamples, 30.0 * 96.0);
  EXPECT_EQ(Inspect(e).Capture().BufferLength, 125685);
  e.SetBase(kSetBufLen, 0.5);
  enginetest::Process(e, enginetest::Stereo(2048), 512);
  EXPECT_EQ(Inspect(e).Capture().BufferLength, static_cast<int>(0.5 * (132300 - 150 * 96.0)));
}

TEST(EngineSampleRate, UnusableRatesAreIgnored) {
  GrainEngine e;
  for (double rate : {0.0, -44100.0, double{NAN}, double{INFINITY}, 1e12}) e.ResetProcessing(rate);
  EXPECT_EQ(Inspect(e).SampleRate(), 44100.0);
  EXPECT_EQ(Inspect(e).SamplesPerMs(), 44100.0 * 0.001);
}

}  // namespace
