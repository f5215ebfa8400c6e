// Grain engine speed at 512-frame stereo blocks, once per render path the processor runs: default
// settings, the densest setting at 44.1 kHz (Length 150 ms, Onset 0.1 ms: about 413 grains at
// once), the same at 96 kHz (the pool of 512 grains full), with feedback and with every grain at
// its own pitch, and how the cost grows with the number of grains (Grains1 .. Grains412).
// Prints the real-time factor (seconds of audio per CPU second), grain-samples per CPU second,
// CPU microseconds per block and the mean grain count.
// Compare paths within one run: --benchmark_repetitions=5
// --benchmark_enable_random_interleaving=true --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

#include "bench_scenes.h"

namespace {

using benchscene::kBlock;

void RunEngine(benchmark::State& state, benchscene::Setting s, engine::RenderPath path) {
  benchscene::Scene scene(s, path);
  std::int64_t grainSamples = 0;
  for (auto _ : state) {
    scene.Block();
    grainSamples += std::int64_t{engine::Inspect(*scene.engine).ActiveGrainCount()} * kBlock;
    benchmark::DoNotOptimize(scene.outL.data());
  }
  const double blocks = static_cast<double>(state.iterations());
  state.counters["realtime_x"] =
      benchmark::Counter(blocks * kBlock / s.sampleRate, benchmark::Counter::kIsRate);
  state.counters["grain_samples_per_s"] =
      benchmark::Counter(static_cast<double>(grainSamples), benchmark::Counter::kIsRate);
  // Blocks per CPU second, inverted: CPU microseconds per block.
  state.counters["us_per_block"] =
      benchmark::Counter(blocks * 1e-6, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.counters["grains"] = blocks > 0 ? static_cast<double>(grainSamples) / (blocks * kBlock) : 0;
}

// Each setting once per supported path, the paths of one setting next to each other.
const bool kRegistered = [] {
  for (const benchscene::Named& n : benchscene::Settings()) {
    for (engine::RenderPath path : {engine::RenderPath::kSse2, engine::RenderPath::kAvx2, engine::RenderPath::kAvx512}) {
      if (!engine::RenderPathSupported(path)) continue;
      benchmark::RegisterBenchmark((n.name + "/" + engine::RenderPathName(path)).c_str(), RunEngine,
                                   n.setting, path);
    }
  }
  return true;
}();

}  // namespace
