// The audio-path operations of the modulation subsystem allocate nothing: a counting global
// allocator watches ticks, parameter changes and routing.
#include <gtest/gtest.h>


#include "modulation/lfo_bank.h"
#include "modulation/mod_routing.h"
#include "tests/counting_new.h"

// The LFOs' names, as the tests use them throughout.
using namespace modulation;

namespace {

TEST(RealTime, TicksParameterChangesAndRoutingAllocateNothing) {
  LfoBank bank;
  alignas(16) ModSlotGroup groups[kModSlotGroupCount] = {};
  int selectors[kModulatedSettingCount] = {};
  const long before = qvtest::AllocationCount();
  for (int round = 0; round < 200; ++round) {
    const int lfo = round % kLfoCount;
    bank.ApplyLfoParameter(LfoParam::kShape, lfo, round % 7);
    bank.ApplyLfoParameter(LfoParam::kRate, lfo, 0.5 + round % 11);
    bank.ApplyLfoParameter(LfoParam::kSync, lfo, round % 3 == 0 ? 1.0 : 0.0);
    bank.ApplyLfoParameter(LfoParam::kSkew, lfo, (round % 10) * 0.1);
    bank.SetTempo(90.0 + round);
    for (int tick = 0; tick < 16; ++tick) bank.TickBank();
    selectors[round % kModulatedSettingCount] = lfo;
    RouteModulation(groups, selectors, bank);
  }
  bank.SetSampleRate(96000.0);
  EXPECT_EQ(qvtest::AllocationCount() - before, 0);
}

}  // namespace
