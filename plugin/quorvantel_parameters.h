// The 89 parameters of the effect: their indices, the modulated settings they form, and the
// definition of the whole table.
#pragma once

class IEffectBase;

constexpr int kParameterCount = 89;

// Indices the engine and the editor address directly.
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
  kParamEnvelopeShape1 = 46,  // slot k (0..3): shape 46 + 2k, skew 47 + 2k
  kParamEnvelopeSkew1 = 47,
  kParamLfoShape1 = 54,  // LFO k (0..7): shape, rate, sync, skew at 54 + 4k .. 57 + 4k
  kParamLfoRate1 = 55,
  kParamLfoSync1 = 56,
  kParamLfoSkew1 = 57,
  kParamMidSide = 86,
  kParamDry = 87,
  kParamWet = 88,
};

constexpr int kEnvelopeSlotCount = 4;
constexpr int kUserLfoCount = 8;
constexpr int kModulatedSettingTotal = 15;

// One modulatable grain setting: its base, modulation source (LFO 0..7) and depth parameters.
struct ModulatedSetting {
  int base;
  int source;
  int depth;
};

// Settings 0..14: Length, Onset, Source, Envelope, Pan, Dir, Pitch, Speed, Delay, Feedback,
// FB Apply, Ampl, Freeze, BufLen, ScanRate.
constexpr ModulatedSetting kModulatedSettings[kModulatedSettingTotal] = {
    {0, 1, 2},    {3, 4, 5},    {6, 7, 8},    {43, 44, 45}, {9, 10, 11},
    {12, 13, 14}, {15, 16, 17}, {18, 19, 20}, {21, 22, 23}, {25, 26, 27},
    {28, 29, 30}, {31, 32, 33}, {34, 35, 36}, {37, 38, 39}, {40, 41, 42},
};

// Defines every parameter of the table on a freshly constructed instance (constructor only).
void DefineQuorvantelParameters(IEffectBase& effect);
