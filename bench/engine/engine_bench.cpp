// Grain engine speed at 512-frame stereo blocks: default settings, the densest setting at
// 44.1 kHz (Length 150 ms, Onset 0.1 ms: about 413 grains at once) and the same at 96 kHz
// (the pool of 512 grains full). Prints the real-time factor (seconds of audio per CPU second)
// and grain-samples per CPU second.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/grain_engine.h"
#include "engine/parameter_indices.h"

namespace {

constexpr int kBlock = 512;

// Default plain values of the parameters that differ from 0.
void ApplyDefaults(GrainEngine& e) {
  const std::pair<int, double> nonZero[] = {{0, 30}, {3, 20},    {9, 0.5}, {12, 1},
                                            {18, 1}, {28, 0.25}, {31, 1},  {37, 1},
                                            {40, 1}, {43, 1},    {88, 1}};
  for (int i = 0; i < kParameterCount; ++i) e.OnParameterChanged(i, 0.0);
  for (auto [i, v] : nonZero) e.OnParameterChanged(i, v);
  for (int j = 0; j < 4; ++j) {
    e.OnParameterChanged(46 + 2 * j, 1);
    e.OnParameterChanged(47 + 2 * j, 0.5);
  }
  for (int n = 0; n < 8; ++n) {
    e.OnParameterChanged(54 + 4 * n, 4);
    e.OnParameterChanged(55 + 4 * n, 1);
    e.OnParameterChanged(57 + 4 * n, 0.5);
  }
}

void RunEngine(benchmark::State& state, double sampleRate, bool densest, double feedback = 0.0) {
  auto engine = std::make_unique<GrainEngine>();
  engine->ResetProcessing(sampleRate);
  ApplyDefaults(*engine);
  if (densest) {
    engine->OnParameterChanged(0, 150.0);
    engine->OnParameterChanged(3, 0.1);
    engine->OnParameterChanged(25, feedback);  // FB Apply 0.25: a quarter of the grains
  }
  std::vector<double> inL(kBlock), inR(kBlock), outL(kBlock), outR(kBlock);
  std::uint32_t noise = 12345;
  for (int i = 0; i < kBlock; ++i) {
    noise = noise * 1664525u + 1013904223u;
    inL[i] = (noise >> 8) * (1.0 / 16777216.0) - 0.5;
    inR[i] = 0.5 * inL[i];
  }
  const double* in[2] = {inL.data(), inR.data()};
  double* out[2] = {outL.data(), outR.data()};
  // Fill the pool before measuring.
  for (int b = 0; b < static_cast<int>(sampleRate) / kBlock; ++b) {
    engine->ProcessBlock(in, out, kBlock, 120.0);
  }
  std::int64_t grainSamples = 0;
  for (auto _ : state) {
    engine->ProcessBlock(in, out, kBlock, 120.0);
    grainSamples += std::int64_t{engine->ActiveGrainCount()} * kBlock;
    benchmark::DoNotOptimize(outL.data());
  }
  const double audioSeconds = static_cast<double>(state.iterations()) * kBlock / sampleRate;
  state.counters["realtime_x"] = benchmark::Counter(audioSeconds, benchmark::Counter::kIsRate);
  state.counters["grain_samples_per_s"] =
      benchmark::Counter(static_cast<double>(grainSamples), benchmark::Counter::kIsRate);
  state.counters["grains"] = engine->ActiveGrainCount();
}

void BM_Default44k(benchmark::State& s) { RunEngine(s, 44100.0, false); }
void BM_Densest44k(benchmark::State& s) { RunEngine(s, 44100.0, true); }
void BM_Densest96k(benchmark::State& s) { RunEngine(s, 96000.0, true); }
void BM_Densest44kFeedback(benchmark::State& s) { RunEngine(s, 44100.0, true, 0.5); }

BENCHMARK(BM_Default44k);
BENCHMARK(BM_Densest44k);
BENCHMARK(BM_Densest96k);
BENCHMARK(BM_Densest44kFeedback);

}  // namespace
