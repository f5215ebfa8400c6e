// The settings the engine benchmarks render: an engine opened with every input at its default,
// then a grain length, onset, feedback and pitch modulation, driven by a fixed noise input in
// 512-frame blocks after one second of audio has filled the pool.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/grain_engine.h"
#include "quorvantel/parameters/parameter_table.h"
#include "tests/engine/grain_engine_inspect.h"

namespace benchscene {

constexpr int kBlock = 512;

struct Setting {
  double sampleRate = 44100.0;
  double lengthMs = 30.0;  // the defaults
  double onsetMs = 20.0;
  double feedback = 0.0;    // FB Apply 0.25: a quarter of the grains feed back
  double pitchDepth = 0.0;  // LFO 1 at 9 Hz moves each grain's pitch
};

struct Named {
  std::string name;
  Setting setting;
};

// Every setting the benchmarks measure, by name.
inline const std::vector<Named>& Settings() {
  static const std::vector<Named> settings = {
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
  return settings;
}

// An engine on `path` with setting `s`, its input block and output buffers, the pool filled.
struct Scene {
  std::unique_ptr<engine::GrainEngine> engine = std::make_unique<engine::GrainEngine>();
  std::vector<double> inL, inR, outL, outR;
  const double* in[2] = {};
  double* out[2] = {};

  Scene(const Setting& s, engine::RenderPath path) : inL(kBlock), inR(kBlock), outL(kBlock), outR(kBlock) {
    engine->SetRenderPath(path);
    engine->ResetProcessing(s.sampleRate);
    quorvantel::ApplyDefaults(*engine);  // what opening the effect gives a new engine
    engine->SetBase(engine::kSetLength, s.lengthMs);
    engine->SetBase(engine::kSetOnset, s.onsetMs);
    engine->SetBase(engine::kSetFeedback, s.feedback);
    if (s.pitchDepth > 0.0) {
      engine->SetDepth(engine::kSetPitch, s.pitchDepth);
      engine->SetLfoParameter(0, modulation::LfoParam::kRate, 9.0);
    }
    std::uint32_t noise = 12345;
    for (int i = 0; i < kBlock; ++i) {
      noise = noise * 1664525u + 1013904223u;
      inL[i] = (noise >> 8) * (1.0 / 16777216.0) - 0.5;
      inR[i] = 0.5 * inL[i];
    }
    in[0] = inL.data();
    in[1] = inR.data();
    out[0] = outL.data();
    out[1] = outR.data();
    for (int b = 0; b < static_cast<int>(s.sampleRate) / kBlock; ++b) Block();
  }

  void Block() { engine->ProcessBlock(in, out, kBlock, 120.0); }
};

}  // namespace benchscene
