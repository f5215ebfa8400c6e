// Routing the latched LFO values onto the fifteen settings: depth 0 and 1, clamping to the
// limits, and the SSE result against a plain scalar reading.
#include "modulation/mod_routing.h"

#include <gtest/gtest.h>

#include "modulation/lfo_bank.h"

namespace {

struct Limits {
  float min, max, base;
};

// The fifteen settings' limits and construction bases, in slot order.
constexpr Limits kSlots[kModulatedSettingCount] = {
    {1, 150, 30},  {0.1f, 50, 20}, {0, 1, 0}, {0.1f, 4, 1}, {0, 1, 0.5f},
    {-1, 1, 1},    {-24, 24, 0},   {0, 1, 1}, {0, 150, 0},  {0, 1, 0},
    {0, 1, 0.25f}, {0.1f, 1, 1},   {0, 1, 0}, {0, 1, 1},    {-2, 2, 1},
};

// The engine's slot refresh: the window of width depth × range centred on the base.
void Refresh(ModSlotGroup (&groups)[kModSlotGroupCount], int k, float base, float depth) {
  ModSlotGroup& g = groups[k / 4];
  const int lane = k % 4;
  const float range = kSlots[k].max - kSlots[k].min;
  g.low[lane] = base - depth * 0.5f * range;
  g.high[lane] = 0.5f * depth * range + base;
  g.span[lane] = g.high[lane] - g.low[lane];
  g.min[lane] = kSlots[k].min;
  g.max[lane] = kSlots[k].max;
  g.current[lane] = base;
}

// A bank whose LFO 1 holds 1, LFO 2 holds 0 and LFO 3 holds 0.5, LFO 4 a given value.
void HoldValues(LfoBank& bank, double fourth) {
  const double values[4] = {1.0, 0.0, 0.5, fourth};
  for (int lfo = 0; lfo < 4; ++lfo) {
    bank.ApplyLfoParameter(LfoParam::Shape, lfo, kLfoConst);
    bank.ApplyLfoParameter(LfoParam::Skew, lfo, values[lfo]);
  }
  bank.TickBank();
}

float Current(const ModSlotGroup (&groups)[kModSlotGroupCount], int k) {
  return groups[k / 4].current[k % 4];
}

TEST(Routing, DepthZeroKeepsEveryBaseExactly) {
  LfoBank bank;
  HoldValues(bank, 0.3);
  alignas(16) ModSlotGroup groups[kModSlotGroupCount] = {};
  int selectors[kModulatedSettingCount];
  for (int k = 0; k < kModulatedSettingCount; ++k) {
    Refresh(groups, k, kSlots[k].base, 0.0f);
    selectors[k] = k % 8;  // LFOs 5..8 stay Random
  }
  for (int tick = 0; tick < 20; ++tick) {
    bank.TickBank();
    RouteModulation(groups, selectors, bank);
    for (int k = 0; k < kModulatedSettingCount; ++k) ASSERT_EQ(Current(groups, k), kSlots[k].base);
  }
}

TEST(Routing, DepthOneMovesHalfTheRangeAndClampsToTheLimits) {
  LfoBank bank;
  HoldValues(bank, 0.3);
  alignas(16) ModSlotGroup groups[kModSlotGroupCount] = {};
  int selectors[kModulatedSettingCount] = {};
  for (int k = 0; k < kModulatedSettingCount; ++k) Refresh(groups, k, kSlots[k].base, 1.0f);

  RouteModulation(groups, selectors, bank);     // every setting on LFO 1, which holds 1
  EXPECT_FLOAT_EQ(Current(groups, 0), 104.5f);  // Length 30 + 149 / 2
  EXPECT_FLOAT_EQ(Current(groups, 4), 1.0f);    // Pan 0.5 + 0.5
  EXPECT_FLOAT_EQ(Current(groups, 6), 24.0f);   // Pitch 0 + 24
  EXPECT_FLOAT_EQ(Current(groups, 14), 2.0f);   // ScanRate 1 + 2, clamped to 2

  for (int& s : selectors) s = 1;  // LFO 2 holds 0
  RouteModulation(groups, selectors, bank);
  EXPECT_FLOAT_EQ(Current(groups, 0), 1.0f);  // -44.5 clamped to Length's minimum
  EXPECT_FLOAT_EQ(Current(groups, 6), -24.0f);

  for (int& s : selectors) s = 2;  // LFO 3 holds 0.5: the base
  RouteModulation(groups, selectors, bank);
  for (int k = 0; k < kModulatedSettingCount; ++k) {
    EXPECT_NEAR(Current(groups, k), kSlots[k].base, 1e-5) << "slot " << k;
  }
}

TEST(Routing, LengthLeavesItsMinimumNearAThirdOfTheLfoRange) {
  LfoBank bank;
  alignas(16) ModSlotGroup groups[kModSlotGroupCount] = {};
  int selectors[kModulatedSettingCount] = {};
  for (int k = 0; k < kModulatedSettingCount; ++k) Refresh(groups, k, kSlots[k].base, 0.0f);
  Refresh(groups, 0, 30.0f, 1.0f);
  selectors[0] = 3;
  HoldValues(bank, 0.30);
  RouteModulation(groups, selectors, bank);
  EXPECT_EQ(Current(groups, 0), 1.0f);
  HoldValues(bank, 0.31);
  RouteModulation(groups, selectors, bank);
  EXPECT_NEAR(Current(groups, 0), -44.5f + 0.31f * 149.0f, 1e-4);
}

TEST(Routing, VectorResultMatchesTheScalarFormula) {
  LfoBank bank;  // eight Random LFOs
  alignas(16) ModSlotGroup groups[kModSlotGroupCount] = {};
  int selectors[kModulatedSettingCount];
  for (int k = 0; k < kModulatedSettingCount; ++k) {
    Refresh(groups, k, kSlots[k].base, 0.1f * (k % 11));
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

TEST(Routing, SelectorOutsideTheEightLfosLeavesTheBase) {
  LfoBank bank;
  HoldValues(bank, 0.3);
  alignas(16) ModSlotGroup groups[kModSlotGroupCount] = {};
  int selectors[kModulatedSettingCount] = {};
  for (int k = 0; k < kModulatedSettingCount; ++k) Refresh(groups, k, kSlots[k].base, 1.0f);
  selectors[6] = 8;
  selectors[7] = -1;
  RouteModulation(groups, selectors, bank);
  EXPECT_FLOAT_EQ(Current(groups, 6), kSlots[6].base);
  EXPECT_FLOAT_EQ(Current(groups, 7), kSlots[7].base);
}

}  // namespace
