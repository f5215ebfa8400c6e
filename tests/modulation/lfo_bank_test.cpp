// The LFO bank: the layout after construction, lanes and active-list order after shape changes,
// and what a tick visits and latches.
#include "modulation/lfo_bank.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "modulation/lfo_soa.h"

// The LFOs' names, as the tests use them throughout.
using namespace modulation;

namespace {

const Node* ObjectNode(const LfoBank& bank, int shape, int k) {
  return &bank.Object(LfoBank::ObjectIndex(shape, k));
}

std::vector<const Node*> ActiveList(const LfoBank& bank) {
  std::vector<const Node*> nodes;
  for (const Node* node = bank.ActiveHead(); node != nullptr; node = node->NextNode()) {
    nodes.push_back(node);
  }
  return nodes;
}

void SetShape(LfoBank& bank, int lfo, int shape) {
  bank.ApplyLfoParameter(LfoParam::kShape, lfo, shape);
}

void ExpectOn(const LfoBank& bank, int lfo, int shape, int k, int lane) {
  const LfoRecord& record = bank.Record(lfo);
  EXPECT_EQ(record.objectIndex, LfoBank::ObjectIndex(shape, k)) << "LFO " << lfo + 1;
  EXPECT_EQ(record.object, &bank.Object(LfoBank::ObjectIndex(shape, k)));
  EXPECT_EQ(record.lane, lane) << "LFO " << lfo + 1;
  EXPECT_EQ(record.output, &record.object->Output(lane));
}

TEST(BankConstruction, EightRandomLfosOnTheTwoRandomObjects) {
  LfoBank bank;
  for (int lfo = 0; lfo < kLfoCount; ++lfo) {
    ExpectOn(bank, lfo, kLfoRandom, lfo / 4, lfo % 4);
    EXPECT_EQ(bank.Settings(lfo).shape, kLfoRandom);
    EXPECT_EQ(bank.Settings(lfo).rate, 1.0f);
    EXPECT_EQ(bank.Settings(lfo).skew, 0.5f);
  }
  const std::vector<const Node*> expected = {ObjectNode(bank, kLfoRandom, 0),
                                             ObjectNode(bank, kLfoRandom, 1)};
  EXPECT_EQ(ActiveList(bank), expected);
  EXPECT_EQ(bank.ActiveTail(), expected[1]);
  EXPECT_EQ(expected[0]->LaneMask(), 0xFu);
  EXPECT_EQ(expected[1]->LaneMask(), 0xFu);
  EXPECT_EQ(bank.Object(0).SampleRate(0), 44100.0f);
}

TEST(BankConstruction, EveryTickGivesEveryLfoANewValue) {
  LfoBank bank;
  double previous[kLfoCount];
  for (int lfo = 0; lfo < kLfoCount; ++lfo) previous[lfo] = bank.LatchedValue(lfo);
  for (int tick = 0; tick < 50; ++tick) {
    bank.TickBank();
    for (int lfo = 0; lfo < kLfoCount; ++lfo) {
      const double value = bank.LatchedValue(lfo);
      ASSERT_GE(value, 0.0);
      ASSERT_LE(value, 1.0);
      ASSERT_NE(value, previous[lfo]);
      previous[lfo] = value;
    }
  }
}

TEST(BankConstruction, SharedDefaultSourceHoldsZero) {
  EXPECT_EQ(SharedDefaultSource().Output(0), 0.0f);
  EXPECT_EQ(SharedDefaultSource().LaneMask(), 0u);
}

TEST(ShapeChanges, AllEightToTriangleFillBothTriangleObjects) {
  LfoBank bank;
  for (int lfo = 0; lfo < kLfoCount; ++lfo) SetShape(bank, lfo, kLfoTriangle);
  for (int lfo = 0; lfo < kLfoCount; ++lfo) ExpectOn(bank, lfo, kLfoTriangle, lfo / 4, lfo % 4);
  const std::vector<const Node*> expected = {ObjectNode(bank, kLfoTriangle, 0),
                                             ObjectNode(bank, kLfoTriangle, 1)};
  EXPECT_EQ(ActiveList(bank), expected);
  EXPECT_EQ(bank.ActiveTail(), expected[1]);
  EXPECT_EQ(ObjectNode(bank, kLfoRandom, 0)->LaneMask(), 0u);
  EXPECT_EQ(ObjectNode(bank, kLfoRandom, 1)->LaneMask(), 0u);
  EXPECT_EQ(ObjectNode(bank, kLfoRandom, 0)->NextNode(), nullptr);
  EXPECT_EQ(ObjectNode(bank, kLfoRandom, 1)->PreviousNode(), nullptr);

  // Both Triangle objects full: re-selecting Triangle keeps the LFO where it is.
  SetShape(bank, 5, kLfoTriangle);
  ExpectOn(bank, 5, kLfoTriangle, 1, 1);
}

TEST(ShapeChanges, SineOnOneObjectIsTickedOncePerTick) {
  LfoBank bank;
  for (int lfo = 0; lfo < kLfoCount; ++lfo) SetShape(bank, lfo, kLfoConst);
  EXPECT_EQ(bank.ActiveHead(), nullptr);
  EXPECT_EQ(bank.ActiveTail(), nullptr);

  SetShape(bank, 0, kLfoSine);
  const Node* sine = ObjectNode(bank, kLfoSine, 0);
  EXPECT_EQ(ActiveList(bank), std::vector<const Node*>{sine});
  EXPECT_EQ(sine->NextNode(), nullptr);
  EXPECT_EQ(sine->PreviousNode(), nullptr);

  SetShape(bank, 1, kLfoSine);
  ExpectOn(bank, 1, kLfoSine, 0, 1);
  EXPECT_EQ(ActiveList(bank), std::vector<const Node*>{sine});
  EXPECT_EQ(bank.ActiveTail(), sine);

  const LfoSoa& object = bank.Object(LfoBank::ObjectIndex(kLfoSine, 0));
  const float before = object.Phase(1);
  bank.TickBank();
  EXPECT_FLOAT_EQ(object.Phase(1), before + object.Increment(1));
  EXPECT_EQ(bank.LatchedValue(1), static_cast<double>(object.Output(1)));
}

TEST(ShapeChanges, TheFreeObjectIsChosenBeforeTheOldLaneIsReleased) {
  LfoBank bank;
  SetShape(bank, 0, kLfoTriangle);  // frees lane 0 of Random object 0
  SetShape(bank, 4, kLfoRandom);    // Random object 0 has room: LFO 5 moves there
  ExpectOn(bank, 4, kLfoRandom, 0, 0);
  EXPECT_EQ(ObjectNode(bank, kLfoRandom, 1)->LaneMask(), 0xEu);

  // Re-selecting its own kind with room in its object can land on a lower lane.
  SetShape(bank, 1, kLfoSquare);  // frees Random object 0 lane 1
  SetShape(bank, 2, kLfoRandom);  // LFO 3 leaves lane 2 and takes lane 1
  ExpectOn(bank, 2, kLfoRandom, 0, 1);
}

TEST(ShapeChanges, ListKeepsOrderOfEntryWhenTheHeadLeaves) {
  LfoBank bank;
  for (int lfo = 0; lfo < 4; ++lfo) SetShape(bank, lfo, kLfoSquare);  // Random 0 leaves
  SetShape(bank, 4, kLfoSampleHold);
  const std::vector<const Node*> expected = {ObjectNode(bank, kLfoRandom, 1),
                                             ObjectNode(bank, kLfoSquare, 0),
                                             ObjectNode(bank, kLfoSampleHold, 0)};
  EXPECT_EQ(ActiveList(bank), expected);
  EXPECT_EQ(expected[1]->PreviousNode(), expected[0]);
  EXPECT_EQ(bank.ActiveTail(), expected[2]);
}

TEST(ShapeChanges, OutOfRangeShapesChangeNothing) {
  LfoBank bank;
  const double bad[] = {7.0, -1.0, 100.0, std::nan(""), INFINITY};
  for (double value : bad) {
    bank.ApplyLfoParameter(LfoParam::kShape, 3, value);
    EXPECT_EQ(bank.Settings(3).shape, kLfoRandom);
    ExpectOn(bank, 3, kLfoRandom, 0, 3);
  }
  bank.ApplyLfoParameter(LfoParam::kShape, 8, 1.0);  // no ninth LFO
  bank.ApplyLfoParameter(LfoParam::kShape, -1, 1.0);
  EXPECT_EQ(ActiveList(bank).size(), 2u);
}

TEST(ShapeChanges, ConstLfoLatchesItsSkewAndIgnoresTheRate) {
  LfoBank bank;
  SetShape(bank, 6, kLfoConst);
  bank.ApplyLfoParameter(LfoParam::kSkew, 6, 0.25);
  bank.ApplyLfoParameter(LfoParam::kRate, 6, 9.0);
  for (int tick = 0; tick < 10; ++tick) {
    bank.TickBank();
    EXPECT_EQ(bank.LatchedValue(6), 0.25);
  }
}

TEST(ShapeChanges, NewLaneKeepsItsPhaseButTakesTheLfoSettings) {
  LfoBank bank;
  SetShape(bank, 0, kLfoTriangle);
  bank.ApplyLfoParameter(LfoParam::kRate, 0, 5.0);
  for (int tick = 0; tick < 100; ++tick) bank.TickBank();
  const LfoSoa& triangle = bank.Object(LfoBank::ObjectIndex(kLfoTriangle, 0));
  const float phase = triangle.Phase(0);
  SetShape(bank, 0, kLfoSine);
  SetShape(bank, 1, kLfoTriangle);  // LFO 2 inherits lane 0 of Triangle object 0
  ExpectOn(bank, 1, kLfoTriangle, 0, 0);
  EXPECT_EQ(triangle.Phase(0), phase);
  EXPECT_EQ(triangle.Rate(0), 1.0f);
  EXPECT_EQ(bank.LatchedValue(1), static_cast<double>(triangle.Output(0)));
}

TEST(BankSampleRate, RecomputesEveryLaneAndRefusesNonsense) {
  LfoBank bank;
  SetShape(bank, 0, kLfoSine);
  const LfoSoa& sine = bank.Object(LfoBank::ObjectIndex(kLfoSine, 0));
  bank.SetSampleRate(48000.0);
  EXPECT_NEAR(sine.Increment(0), 6.2831855 / 3000.0, 1e-8);
  bank.SetSampleRate(0.0);
  bank.SetSampleRate(-44100.0);
  bank.SetSampleRate(std::nan(""));
  EXPECT_EQ(sine.SampleRate(0), 48000.0f);
  EXPECT_NEAR(sine.Increment(0), 6.2831855 / 3000.0, 1e-8);
}

}  // namespace
