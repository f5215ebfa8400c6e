// Tempo sync: the division chosen by the Rate parameter, synced rates, switching sync off and the
// division table itself.
#include <gtest/gtest.h>

#include <cmath>

#include "modulation/lfo_bank.h"
#include "modulation/lfo_soa.h"
#include "modulation/sync_divisions.h"

// The LFOs' names, as the tests use them throughout.
using namespace modulation;

namespace {

float LaneRate(const LfoBank& bank, int lfo) {
  const LfoRecord& record = bank.Record(lfo);
  return record.object->Rate(record.lane);
}

TEST(SyncDivisionIndex, RateParameterPicksTheRow) {
  LfoBank bank;
  const struct {
    double hz;
    int index;
  } rows[] = {{0.01, 0}, {1.0, 6}, {11.99, 21}, {12.0, 22}, {0.0, 0}, {50.0, 22}};
  for (const auto& row : rows) {
    bank.ApplyLfoParameter(LfoParam::kRate, 2, row.hz);
    EXPECT_EQ(bank.Settings(2).divisionIndex, row.index) << row.hz << " Hz";
  }
}

TEST(SyncedRate, At120BeatsPerMinute) {
  LfoBank bank;
  bank.SetTempo(120.0);
  bank.ApplyLfoParameter(LfoParam::kSync, 0, 1.0);
  const struct {
    double hz;
    float synced;
    int division;
  } rows[] = {{1.0, 0.25f, 6}, {0.01, 0.0625f, 0}, {12.0, 24.0f, 22}};
  for (const auto& row : rows) {
    bank.ApplyLfoParameter(LfoParam::kRate, 0, row.hz);
    EXPECT_FLOAT_EQ(bank.Settings(0).rate, row.synced) << row.hz;
    EXPECT_FLOAT_EQ(LaneRate(bank, 0), row.synced) << row.hz;
    EXPECT_EQ(bank.Settings(0).divisionIndex, row.division);
  }
}

TEST(SyncedRate, SwitchingSyncOffReturnsToTheRateParameter) {
  LfoBank bank;
  bank.ApplyLfoParameter(LfoParam::kRate, 4, 1.0);
  bank.ApplyLfoParameter(LfoParam::kSync, 4, 1.0);
  EXPECT_TRUE(bank.Settings(4).sync);
  EXPECT_EQ(bank.Settings(4).divisionIndex, 6);  // 2/1
  bank.ApplyLfoParameter(LfoParam::kSync, 4, 0.0);
  EXPECT_FALSE(bank.Settings(4).sync);
  EXPECT_EQ(bank.Settings(4).rate, 1.0f);
  EXPECT_EQ(LaneRate(bank, 4), 1.0f);
  bank.ApplyLfoParameter(LfoParam::kSync, 4, 0.49);
  EXPECT_FALSE(bank.Settings(4).sync);
  bank.ApplyLfoParameter(LfoParam::kSync, 4, 0.5);
  EXPECT_TRUE(bank.Settings(4).sync);
}

TEST(SyncedRate, NewTempoRetunesSyncedLfosOnly) {
  LfoBank bank;
  bank.ApplyLfoParameter(LfoParam::kRate, 1, 1.0);
  bank.ApplyLfoParameter(LfoParam::kSync, 1, 1.0);
  bank.ApplyLfoParameter(LfoParam::kRate, 2, 3.0);
  EXPECT_FLOAT_EQ(LaneRate(bank, 1), 0.25f);
  bank.SetTempo(60.0);
  EXPECT_FLOAT_EQ(LaneRate(bank, 1), 0.125f);
  EXPECT_FLOAT_EQ(bank.Settings(1).rate, 0.125f);
  EXPECT_EQ(bank.Settings(1).divisionIndex, 6);
  EXPECT_EQ(LaneRate(bank, 2), 3.0f);
  // Switching sync off afterwards still returns to the Rate parameter.
  bank.ApplyLfoParameter(LfoParam::kSync, 1, 0.0);
  EXPECT_EQ(LaneRate(bank, 1), 1.0f);
  bank.SetTempo(90.0);
  EXPECT_EQ(LaneRate(bank, 1), 1.0f);
}

// A synced random LFO draws anew when its rate is set, so an unchanged tempo must not set it.
TEST(SyncedRate, UnchangedTempoLeavesSyncedLfosAlone) {
  LfoBank bank;
  bank.ApplyLfoParameter(LfoParam::kSync, 0, 1.0);
  const float output = *bank.Record(0).output;
  bank.SetTempo(120.0);
  EXPECT_EQ(*bank.Record(0).output, output);
  bank.SetTempo(121.0);
  EXPECT_NE(*bank.Record(0).output, output);
}

TEST(SyncedRate, UnusableTempoCountsAsNone) {
  LfoBank bank;
  bank.SetTempo(0.0);
  EXPECT_EQ(bank.Tempo(), 120.0);
  bank.SetTempo(std::nan(""));
  EXPECT_EQ(bank.Tempo(), 120.0);
  bank.SetTempo(-5.0);
  EXPECT_EQ(bank.Tempo(), 120.0);
  bank.SetTempo(93.5);
  EXPECT_EQ(bank.Tempo(), 93.5);
}

TEST(SyncedRate, SettingsReachTheLaneTheLfoMovesTo) {
  LfoBank bank;
  bank.ApplyLfoParameter(LfoParam::kRate, 7, 3.0);
  bank.ApplyLfoParameter(LfoParam::kSkew, 7, 0.2);
  bank.ApplyLfoParameter(LfoParam::kShape, 7, kLfoTriangle);
  const LfoRecord& record = bank.Record(7);
  EXPECT_EQ(record.object->Rate(record.lane), 3.0f);
  EXPECT_FLOAT_EQ(record.object->SkewPhase(record.lane), 0.2f * 6.2831855f);
  bank.ApplyLfoParameter(LfoParam::kSkew, 7, 1.7);  // outside 0..1: clamped
  EXPECT_EQ(bank.Settings(7).skew, 1.0f);
}

TEST(DivisionTable, FactorsAreOneOverSixtyQuarterNotes) {
  const double quarters[kSyncDivisionCount] = {
      32, 28,   24,      20,  16,    12,      8,    4,      3,       2,     1.5,     4.0 / 3,
      1,  0.75, 2.0 / 3, 0.5, 0.375, 1.0 / 3, 0.25, 0.1875, 1.0 / 6, 0.125, 1.0 / 12};
  for (int i = 0; i < kSyncDivisionCount; ++i)
    EXPECT_EQ(kSyncDivisionFactors[i], static_cast<float>(1.0 / (60.0 * quarters[i]))) << i;
  EXPECT_EQ(kSyncDivisionFactors[6], 0.0020833334f);
}

}  // namespace
