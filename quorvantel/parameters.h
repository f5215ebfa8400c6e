// The effect's 89 parameters: their indices, their definitions and the engine input each drives.
#pragma once

class GrainEngine;
class IEffectBase;
class Parameter;

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

// Defines every parameter of the table on a freshly constructed instance (constructor only).
void DefineQuorvantelParameters(IEffectBase& effect);
// Defines parameter index (0 .. 88) of the table on a fresh Parameter: tools that only need
// the table's ranges, mappings and texts (the command-line host) build it apart from an instance.
void DefineQuorvantelParameter(int index, Parameter& parameter);

// Any thread: what parameter index (0 .. 88) drives.
ParameterTarget TargetOf(int index);

// Under the instance lock: hands a parameter's plain value to the input it drives, truncated
// toward zero for the LFO selectors and envelope shapes, on above 0.5 for the two switches.
// Values that are not finite are ignored.
void ApplyToEngine(GrainEngine& engine, ParameterTarget target, double value);
