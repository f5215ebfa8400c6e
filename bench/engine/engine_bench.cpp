// Grain engine speed at 512-frame stereo blocks, once per render path the processor runs: default
// settings, the densest setting at 44.1 kHz (Length 150 ms, Onset 0.1 ms: about 413 grains at
// once), the same at 96 kHz (the pool of 512 grains full), with feedback and with every grain at
// its own pitch, and how the cost grows with the number of grains (about 1, 10, 100 and 412).
// Prints the real-time factor (seconds of audio per CPU second), grain-samples per CPU second and
// the mean grain count.
// Compare paths within one run: --benchmark_repetitions=5
// --benchmark_enable_random_interleaving=true --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/grain_engine.h"

namespace {

constexpr int kBlock = 512;

struct Setting {
  double sampleRate = 44100.0;
  double lengthMs = 30.0;  // the defaults
  double onsetMs = 20.0;
  double feedback = 0.0;    // FB Apply 0.25: a quarter of the grains feed back
  double pitchDepth = 0.0;  // LFO 1 at 9 Hz moves each grain's pitch
};

// What opening the effect gives a new engine: every input at its parameter's default.
void ApplyDefaults(GrainEngine& e) {
  // Length, Onset, Source, Envelope, Pan, Dir, Pitch, Speed, Delay, Feedback, FB Apply, Ampl,
  // Freeze, BufLen, ScanRate; each with LFO 1 at depth 0.
  const double bases[kModulatedSettingCount] = {30, 20, 0, 1, 0.5, 1, 0, 1, 0, 0, 0.25, 1, 0, 1, 1};
  for (int k = 0; k < kModulatedSettingCount; ++k) {
    const auto setting = static_cast<ModulatedSetting>(k);
    e.SetBase(setting, bases[k]);
    e.SetSource(setting, 0);
    e.SetDepth(setting, 0.0);
  }
  for (int slot = 0; slot < kEnvelopeSlotCount; ++slot) {
    e.SetEnvelopeShape(slot, kTriangle);
    e.SetEnvelopeSkew(slot, 0.5);
  }
  for (int lfo = 0; lfo < kLfoCount; ++lfo) {
    e.SetLfoParameter(lfo, LfoParam::kShape, kLfoRandom);
    e.SetLfoParameter(lfo, LfoParam::kRate, 1.0);
    e.SetLfoParameter(lfo, LfoParam::kSkew, 0.5);
  }
  e.SetDryGain(0.0);
  e.SetWetGain(1.0);
}

void RunEngine(benchmark::State& state, Setting s, RenderPath path) {
  auto engine = std::make_unique<GrainEngine>();
  engine->SetRenderPath(path);
  engine->ResetProcessing(s.sampleRate);
  ApplyDefaults(*engine);
  engine->SetBase(kSetLength, s.lengthMs);
  engine->SetBase(kSetOnset, s.onsetMs);
  engine->SetBase(kSetFeedback, s.feedback);
  if (s.pitchDepth > 0.0) {
    engine->SetDepth(kSetPitch, s.pitchDepth);
    engine->SetLfoParameter(0, LfoParam::kRate, 9.0);
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
  for (int b = 0; b < static_cast<int>(s.sampleRate) / kBlock; ++b) {
    engine->ProcessBlock(in, out, kBlock, 120.0);
  }
  std::int64_t grainSamples = 0;
  for (auto _ : state) {
    engine->ProcessBlock(in, out, kBlock, 120.0);
    grainSamples += std::int64_t{engine->ActiveGrainCount()} * kBlock;
    benchmark::DoNotOptimize(outL.data());
  }
  const double blocks = static_cast<double>(state.iterations());
  state.counters["realtime_x"] =
      benchmark::Counter(blocks * kBlock / s.sampleRate, benchmark::Counter::kIsRate);
  state.counters["grain_samples_per_s"] =
      benchmark::Counter(static_cast<double>(grainSamples), benchmark::Counter::kIsRate);
  state.counters["grains"] = blocks > 0 ? static_cast<double>(grainSamples) / (blocks * kBlock) : 0;
}

// Each setting once per supported path, the paths of one setting next to each other.
const bool kRegistered = [] {
  struct Named {
    std::string name;
    Setting setting;
  };
  const std::vector<Named> settings = {
      {"Default44k", {}},
      {"Densest44k", {44100.0, 150.0, 0.1}},
      {"Densest96k", {96000.0, 150.0, 0.1}},
      {"Densest44kFeedback", {44100.0, 150.0, 0.1, 0.5}},
      {"Densest44kPitched", {44100.0, 150.0, 0.1, 0.0, 1.0}},
      // Lengths and onsets whose 16-sample spacing gives about 1, 10, 100 and 412 grains.
      {"Grains1", {44100.0, 50.0, 50.0}},
      {"Grains10", {44100.0, 150.0, 15.0}},
      {"Grains100", {44100.0, 150.0, 1.6}},
      {"Grains412", {44100.0, 150.0, 0.1}},
  };
  for (const Named& n : settings) {
    for (RenderPath path : {RenderPath::kSse2, RenderPath::kAvx2, RenderPath::kAvx512}) {
      if (!RenderPathSupported(path)) continue;
      benchmark::RegisterBenchmark((n.name + "/" + RenderPathName(path)).c_str(), RunEngine,
                                   n.setting, path);
    }
  }
  return true;
}();

}  // namespace
