// Speed of the control-rate LFO tick and of the per-grain routing, printed as ticks per second
// and as seconds of 44.1 kHz audio whose LFO work fits in one CPU second.
#include <benchmark/benchmark.h>

#include "modulation/lfo_bank.h"
#include "modulation/mod_routing.h"

namespace {

constexpr double kTicksPerAudioSecond = 44100.0 / 16.0;

// shape < 0: one LFO per kind from Triangle on, the eighth on Random.
void TickBank(benchmark::State& state) {
  modulation::LfoBank bank;
  const int shape = static_cast<int>(state.range(0));
  for (int lfo = 0; lfo < modulation::kLfoCount; ++lfo) {
    const int kind = shape >= 0 ? shape : 1 + lfo % (modulation::kLfoShapeCount - 1);
    bank.ApplyLfoParameter(modulation::LfoParam::kShape, lfo, kind);
    bank.ApplyLfoParameter(modulation::LfoParam::kRate, lfo, 0.5 + lfo);
    bank.ApplyLfoParameter(modulation::LfoParam::kSkew, lfo, 0.3);
  }
  for (auto _ : state) {
    bank.TickBank();
    benchmark::DoNotOptimize(bank.LatchedValue(0));
  }
  state.SetItemsProcessed(state.iterations());
  state.counters["audio_s_per_cpu_s"] = benchmark::Counter(
      static_cast<double>(state.iterations()) / kTicksPerAudioSecond, benchmark::Counter::kIsRate);
}
BENCHMARK(TickBank)
    ->ArgName("shape")
    ->Arg(modulation::kLfoRandom)
    ->Arg(modulation::kLfoTriangle)
    ->Arg(modulation::kLfoSine)
    ->Arg(modulation::kLfoSampleHold)
    ->Arg(-1);

void Route(benchmark::State& state) {
  modulation::LfoBank bank;
  alignas(16) modulation::ModSlotGroup groups[modulation::kModSlotGroupCount] = {};
  int selectors[modulation::kModulatedSettingCount];
  for (int k = 0; k < modulation::kModulatedSettingCount; ++k) {
    selectors[k] = k % modulation::kLfoCount;
    groups[k / 4].span[k % 4] = 1.0f;
    groups[k / 4].max[k % 4] = 1.0f;
  }
  for (auto _ : state) {
    modulation::RouteModulation(groups, selectors, bank);
    benchmark::DoNotOptimize(groups[0].current[0]);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(Route);

}  // namespace

BENCHMARK_MAIN();
