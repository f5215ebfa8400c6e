// Stand-in for the LFO bank until the modulation work lands: every LFO holds 0.5, so every
// routed setting sits at its base value.
#include "modulation/lfo_bank.h"

#include "modulation/mod_routing.h"

LfoBank::LfoBank() = default;
LfoBank::~LfoBank() = default;
void LfoBank::SetSampleRate(double) {}
void LfoBank::ApplyLfoParameter(LfoParam, int, double) {}
void LfoBank::TickBank() {}
double LfoBank::LatchedValue(int) const { return 0.5; }

void RouteModulation(ModSlotGroup (&groups)[kModSlotGroupCount],
                     const int (&selectors)[kModulatedSettingCount], const LfoBank& bank) {
  for (int k = 0; k < kModulatedSettingCount; ++k) {
    ModSlotGroup& g = groups[k / 4];
    const int lane = k % 4;
    g.lfo[lane] = static_cast<float>(bank.LatchedValue(selectors[k]));
    float v = g.low[lane] + g.lfo[lane] * g.span[lane];
    v = v < g.min[lane] ? g.min[lane] : v;
    g.current[lane] = v > g.max[lane] ? g.max[lane] : v;
  }
}
