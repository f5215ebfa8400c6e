// Where the engine's settings live in the effect's list of 89 parameters: the indices that
// parameter application and the plug-in's table agree on.
#pragma once

#include "modulation/mod_routing.h"

constexpr int kParameterCount = 89;

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

// The base, modulation source (LFO 0..7) and depth parameters of each modulated setting, in
// setting order: Length, Onset, Source, Envelope, Pan, Dir, Pitch, Speed, Delay, Feedback,
// FB Apply, Ampl, Freeze, BufLen, ScanRate.
struct ModulatedSettingParameters {
  int base;
  int source;
  int depth;
};

inline constexpr ModulatedSettingParameters kModulatedSettingParameters[kModulatedSettingCount] = {
    {0, 1, 2},     // "Length", "Lng Mod", "Lng Dpth"
    {3, 4, 5},     // "Onset", "Ons Mod", "Ons Dpth"
    {6, 7, 8},     // "Source", "Src Mod", "Src Dpth"
    {43, 44, 45},  // "Envelope", "Dst Mod", "Dst Dpth"
    {9, 10, 11},   // "Pan", "Pan Mod", "Pan Dpth"
    {12, 13, 14},  // "Dir", "Dir Mod", "Dir Dpth"
    {15, 16, 17},  // "Pitch", "Pch Mod", "Pch Dpth"
    {18, 19, 20},  // "Speed", "Spd Mod", "Spd Dpth"
    {21, 22, 23},  // "Delay", "Dly Mod", "Dly Dpth"
    {25, 26, 27},  // "Feedback", "FB Mod", "FB Dpth"
    {28, 29, 30},  // "FB Apply", "FBA Mod", "FBA Dpth"
    {31, 32, 33},  // "Ampl", "Ampl Mod", "Amp Dpth"
    {34, 35, 36},  // "Freeze", "Frz Mod", "Frz Dpth"
    {37, 38, 39},  // "BufLen", "BfLn Mod", "BfLnDpth"
    {40, 41, 42},  // "ScanRate", "Scan Mod", "ScanDpth"
};
