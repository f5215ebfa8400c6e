// The effect's 89 parameters: their indices, their definitions and the engine input each drives.
// The effect and its editor both name parameters through this table.
#pragma once

#include <vector>

#include "framework/parameter.h"
#include "modulation/mod_routing.h"

namespace engine {
class GrainEngine;
}  // namespace engine

namespace quorvantel {

constexpr int kParameterCount = 89;

// The first index of each group of the table.
enum ParameterIndex : int {
  kParamLength = 0,
  kParamOnset = 3,
  kParamSource = 6,
  kParamPan = 9,
  kParamDir = 12,
  kParamPitch = 15,
  kParamSpeed = 18,
  kParamDelay = 21,
  kParamDelaySync = 24,
  kParamFeedback = 25,
  kParamFeedbackApply = 28,
  kParamAmplitude = 31,
  kParamFreeze = 34,
  kParamBufferLength = 37,
  kParamScanRate = 40,
  kParamEnvelopeSelect = 43,
  kParamEnvelopeShape1 = 46,  // slot j (0..3): shape 46 + 2j, skew 47 + 2j
  kParamEnvelopeSkew1 = 47,
  kParamLfoShape1 = 54,  // LFO n (0..7): shape, rate, sync, skew at 54 + 4n .. 57 + 4n
  kParamLfoRate1 = 55,
  kParamLfoSync1 = 56,
  kParamLfoSkew1 = 57,
  kParamLfoSkew8 = 85,
  kParamMidSide = 86,
  kParamDry = 87,
  kParamWet = 88,
};

// The value parameter of each modulated setting, in setting order (ModulatedSetting).
constexpr int kBaseParameters[modulation::kModulatedSettingCount] = {
    kParamLength,        kParamOnset,     kParamSource, kParamEnvelopeSelect, kParamPan,
    kParamDir,           kParamPitch,     kParamSpeed,  kParamDelay,          kParamFeedback,
    kParamFeedbackApply, kParamAmplitude, kParamFreeze, kParamBufferLength,   kParamScanRate,
};
// A modulated setting's "Mod" and "Dpth" parameters follow its value parameter.
constexpr int SourceParameter(int base) { return base + 1; }
constexpr int DepthParameter(int base) { return base + 2; }
// Envelope slot 0..3: its shape and skew parameters.
constexpr int EnvelopeShapeParameter(int slot) { return kParamEnvelopeShape1 + 2 * slot; }
constexpr int EnvelopeSkewParameter(int slot) { return kParamEnvelopeSkew1 + 2 * slot; }
// LFO 0..7: its shape, rate, sync and skew parameters, in that order.
constexpr int kParametersPerLfo = 4;
constexpr int LfoParameter(int lfo, int which) {
  return kParamLfoShape1 + kParametersPerLfo * lfo + which;
}

// The GrainEngine input a parameter drives.
enum class EngineInput : int {
  kBase,  // of a modulated setting: the value, "Mod" and "Dpth" parameters
  kSource,
  kDepth,
  kEnvelopeShape,  // of an envelope slot
  kEnvelopeSkew,
  kLfoShape,  // of an LFO
  kLfoRate,
  kLfoSync,
  kLfoSkew,
  kDelaySync,
  kMidSide,
  kDry,
  kWet,
};

constexpr bool IsLfoInput(EngineInput input) {
  return input >= EngineInput::kLfoShape && input <= EngineInput::kLfoSkew;
}

struct ParameterTarget {
  EngineInput input;
  int which = 0;  // the ModulatedSetting, the envelope slot 0..3 or the LFO 0..7; else 0
};

// The definition of every parameter, in index order, as the framework takes them.
std::vector<framework::ParameterDefinition> QuorvantelParameters();

// Any thread: what parameter index (0 .. 88) drives.
ParameterTarget TargetOf(int index);

// Under the instance lock: hands a parameter's plain value to the input it drives, truncated
// toward zero for the LFO selectors and envelope shapes, on above 0.5 for the two switches.
// Values that are not finite are ignored.
void ApplyToEngine(engine::GrainEngine& engine, ParameterTarget target, double value);

// Every parameter's default, handed to the engine in index order, as opening a new instance does
// (for tests and benchmarks that drive the engine alone).
void ApplyDefaults(engine::GrainEngine& engine);

}  // namespace quorvantel
