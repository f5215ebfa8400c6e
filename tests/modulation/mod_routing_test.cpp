// Routing the latched LFO values onto the fifteen settings: each slot's window (low end and span)
// and limits as parameter application leaves them, the LFO's value placing the setting in that
// window, clamping, and the SSE result against a plain scalar reading.
#include "modulation/mod_routing.h"

#include <gtest/gtest.h>

#include "modulation/lfo_bank.h"

// The LFOs' names, as the tests use them throughout.
using namespace modulation;

namespace {

// A slot's window as given numbers: low end, span and limits.
void SetSlot(ModSlotGroup (&groups)[kModSlotGroupCount], int k, float low, float span, float min,
             float max) {
  ModSlotGroup& g = groups[k / 4];
  const int lane = k % 4;
  g.low[lane] = low;
  g.span[lane] = span;
  g.high[lane] = low + span;
  g.min[lane] = min;
  g.max[lane] = max;
}

// A bank whose LFO 1 holds 1, LFO 2 holds 0 and LFO 3 holds 0.5, LFO 4 a given value.
void HoldValues(LfoBank& bank, double fourth) {
  const double values[4] = {1.0, 0.0, 0.5, fourth};
  for (int lfo = 0; lfo < 4; ++lfo) {
    bank.ApplyLfoParameter(LfoParam::kShape, lfo, kLfoConst);
    bank.ApplyLfoParameter(LfoParam::kSkew, lfo, values[lfo]);
  }
  bank.TickBank();
}

float Current(const ModSlotGroup (&groups)[kModSlotGroupCount], int k) {
  return groups[k / 4].current[k % 4];
}

TEST(Routing, AnEmptyWindowKeepsItsValueWhateverTheLfoDoes) {
  LfoBank bank;  // eight Random LFOs
  alignas(16) ModSlotGroup groups[kModSlotGroupCount] = {};
  int selectors[kModulatedSettingCount];
  for (int k = 0; k < kModulatedSettingCount; ++k) {
    SetSlot(groups, k, 0.25f * k, 0.0f, -10.0f, 10.0f);
    selectors[k] = k % 8;
  }
  for (int tick = 0; tick < 20; ++tick) {
    bank.TickBank();
    RouteModulation(groups, selectors, bank);
    for (int k = 0; k < kModulatedSettingCount; ++k) ASSERT_EQ(Current(groups, k), 0.25f * k);
  }
}

TEST(Routing, TheLfoPlacesTheSettingInItsWindowWithinTheLimits) {
  LfoBank bank;
  HoldValues(bank, 0.31);
  alignas(16) ModSlotGroup groups[kModSlotGroupCount] = {};
  int selectors[kModulatedSettingCount] = {};
  // Length 30 ms at depth 1: the window 30 ± 74.5 within 1 .. 150 ms.
  SetSlot(groups, 0, -44.5f, 149.0f, 1.0f, 150.0f);
  // Pitch 0 at depth 1: -24 .. 24 semitones, the whole range.
  SetSlot(groups, 6, -24.0f, 48.0f, -24.0f, 24.0f);
  // ScanRate 1 at depth 1: the window 1 ± 2 within -2 .. 2.
  SetSlot(groups, 14, -1.0f, 4.0f, -2.0f, 2.0f);
  const struct {
    int lfo;
    float length, pitch, scan;
  } rows[] = {
      {0, 104.5f, 24.0f, 2.0f},   // LFO 1 at 1: the top, ScanRate clamped
      {1, 1.0f, -24.0f, -1.0f},   // LFO 2 at 0: the bottom, Length clamped
      {2, 30.0f, 0.0f, 1.0f},     // LFO 3 at 0.5: the base
      {3, 1.69f, -9.12f, 0.24f},  // LFO 4 at 0.31
  };
  for (const auto& row : rows) {
    for (int& s : selectors) s = row.lfo;
    RouteModulation(groups, selectors, bank);
    EXPECT_NEAR(Current(groups, 0), row.length, 1e-4) << "LFO " << row.lfo + 1;
    EXPECT_NEAR(Current(groups, 6), row.pitch, 1e-4) << "LFO " << row.lfo + 1;
    EXPECT_NEAR(Current(groups, 14), row.scan, 1e-5) << "LFO " << row.lfo + 1;
  }
}

TEST(Routing, VectorResultMatchesTheScalarFormula) {
  LfoBank bank;  // eight Random LFOs
  alignas(16) ModSlotGroup groups[kModSlotGroupCount] = {};
  int selectors[kModulatedSettingCount];
  for (int k = 0; k < kModulatedSettingCount; ++k) {
    SetSlot(groups, k, -1.0f + 0.3f * k, 0.7f * (k % 5), 0.0f, 3.0f);
    selectors[k] = (k * 3) % 8;
  }
  for (int tick = 0; tick < 100; ++tick) {
    bank.TickBank();
    RouteModulation(groups, selectors, bank);
    for (int k = 0; k < kModulatedSettingCount; ++k) {
      const ModSlotGroup& g = groups[k / 4];
      const int lane = k % 4;
      const float lfo = static_cast<float>(bank.LatchedValue(selectors[k]));
      ASSERT_EQ(g.lfo[lane], lfo);
      float expected = g.low[lane] + lfo * g.span[lane];
      expected = expected < g.min[lane] ? g.min[lane] : expected;
      expected = expected > g.max[lane] ? g.max[lane] : expected;
      ASSERT_EQ(Current(groups, k), expected) << "slot " << k;
    }
  }
}

TEST(Routing, SelectorOutsideTheEightLfosGivesTheCentreOfTheWindow) {
  LfoBank bank;
  HoldValues(bank, 0.3);
  alignas(16) ModSlotGroup groups[kModSlotGroupCount] = {};
  int selectors[kModulatedSettingCount] = {};
  for (int k = 0; k < kModulatedSettingCount; ++k) SetSlot(groups, k, 2.0f, 1.0f, 0.0f, 4.0f);
  selectors[6] = 8;
  selectors[7] = -1;
  RouteModulation(groups, selectors, bank);
  EXPECT_EQ(Current(groups, 6), 2.5f);
  EXPECT_EQ(Current(groups, 7), 2.5f);
  EXPECT_EQ(Current(groups, 5), 3.0f);  // LFO 1 holds 1
}

}  // namespace
