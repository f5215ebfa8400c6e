// The parameter table of the effect, one row per parameter in index order with the engine input
// the parameter drives, and the hand-over of its values to the engine.
#include "quorvantel/parameters/parameter_table.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <iterator>

#include "engine/grain_engine.h"
#include "engine/mod_slot.h"
#include "modulation/lfo_bank.h"

namespace quorvantel {
namespace {

using framework::CopyBounded;
using framework::kParameterTextSize;
using framework::ParameterDefinition;

enum class Kind { kDouble, kInt, kEnum, kBool };
// Which fixed texts a parameter shows (Bool parameters get "off"/"on" by their definition).
enum class Texts { kNone, kLfos, kEnvelopeShapes, kLfoShapes };

struct ParameterRow {
  const char* name;  // for the LFO parameters a printf format of the LFO number 1..8
  ParameterTarget target;
  Kind kind;
  double defaultValue;
  double min;
  double max;
  double step;
  const char* label;
  double exponent;
  Texts texts;
};

using enum EngineInput;
using enum Kind;
using enum Texts;
// Every LFO's Rate has the range and curve the LFO bank computes tempo divisions with.
constexpr double kRMin = modulation::kLfoRateMin, kRMax = modulation::kLfoRateMax, kRExp = modulation::kLfoRateExponent;

// clang-format off
constexpr ParameterRow kParameterTable[kParameterCount] = {
  // name      drives                   kind     dflt  min   max  step  label exp texts
  {"Length",   {kBase, engine::kSetLength},     kDouble, 30,   1,    150, 0.1,  "ms", 2, kNone},
  {"Lng Mod",  {kSource, engine::kSetLength},   kEnum,   0,    0,    7,   1,    "",   1, kLfos},
  {"Lng Dpth", {kDepth, engine::kSetLength},    kDouble, 0,    0,    1,   0.05, "",   1, kNone},
  {"Onset",    {kBase, engine::kSetOnset},      kDouble, 20,   0.1,  50,  0.1,  "ms", 1, kNone},
  {"Ons Mod",  {kSource, engine::kSetOnset},    kEnum,   0,    0,    7,   1,    "",   1, kLfos},
  {"Ons Dpth", {kDepth, engine::kSetOnset},     kDouble, 0,    0,    1,   0.05, "",   1, kNone},
  {"Source",   {kBase, engine::kSetSource},     kDouble, 0,    0,    1,   0.01, "",   1, kNone},
  {"Src Mod",  {kSource, engine::kSetSource},   kEnum,   0,    0,    7,   1,    "",   1, kLfos},
  {"Src Dpth", {kDepth, engine::kSetSource},    kDouble, 0,    0,    1,   0.05, "",   1, kNone},
  {"Pan",      {kBase, engine::kSetPan},        kDouble, 0.5,  0,    1,   0.01, "",   1, kNone},
  {"Pan Mod",  {kSource, engine::kSetPan},      kEnum,   0,    0,    7,   1,    "",   1, kLfos},
  {"Pan Dpth", {kDepth, engine::kSetPan},       kDouble, 0,    0,    1,   0.05, "",   1, kNone},
  {"Dir",      {kBase, engine::kSetDir},        kDouble, 1,    -1,   1,   1,    "",   1, kNone},
  {"Dir Mod",  {kSource, engine::kSetDir},      kEnum,   0,    0,    7,   1,    "",   1, kLfos},
  {"Dir Dpth", {kDepth, engine::kSetDir},       kDouble, 0,    0,    1,   0.05, "",   1, kNone},
  {"Pitch",    {kBase, engine::kSetPitch},      kDouble, 0,    -24,  24,  0.1,  "",   1, kNone},
  {"Pch Mod",  {kSource, engine::kSetPitch},    kEnum,   0,    0,    7,   1,    "",   1, kLfos},
  {"Pch Dpth", {kDepth, engine::kSetPitch},     kDouble, 0,    0,    1,   0.05, "",   1, kNone},
  {"Speed",    {kBase, engine::kSetSpeed},      kDouble, 1,    0,    1,   0.01, "",   1, kNone},
  {"Spd Mod",  {kSource, engine::kSetSpeed},    kEnum,   0,    0,    7,   1,    "",   1, kLfos},
  {"Spd Dpth", {kDepth, engine::kSetSpeed},     kDouble, 0,    0,    1,   0.05, "",   1, kNone},
  {"Delay",    {kBase, engine::kSetDelay},      kDouble, 0,    0,    150, 0.1,  "ms", 1, kNone},
  {"Dly Mod",  {kSource, engine::kSetDelay},    kEnum,   0,    0,    7,   1,    "",   1, kLfos},
  {"Dly Dpth", {kDepth, engine::kSetDelay},     kDouble, 0,    0,    1,   0.05, "",   1, kNone},
  {"Dly Sync", {kDelaySync},            kBool,   0,    0,    1,   1,    "",   1, kNone},
  {"Feedback", {kBase, engine::kSetFeedback},   kDouble, 0,    0,    1,   0.01, "",   1, kNone},
  {"FB Mod",   {kSource, engine::kSetFeedback}, kEnum,   0,    0,    7,   1,    "",   1, kLfos},
  {"FB Dpth",  {kDepth, engine::kSetFeedback},  kDouble, 0,    0,    1,   0.05, "",   1, kNone},
  {"FB Apply", {kBase, engine::kSetFBApply},    kDouble, 0.25, 0,    1,   0.01, "%",  1, kNone},
  {"FBA Mod",  {kSource, engine::kSetFBApply},  kEnum,   0,    0,    7,   1,    "",   1, kLfos},
  {"FBA Dpth", {kDepth, engine::kSetFBApply},   kDouble, 0,    0,    1,   0.05, "",   1, kNone},
  {"Ampl",     {kBase, engine::kSetAmpl},       kDouble, 1,    0.1,  1,   0.01, "",   1, kNone},
  {"Ampl Mod", {kSource, engine::kSetAmpl},     kEnum,   0,    0,    7,   1,    "",   1, kLfos},
  {"Amp Dpth", {kDepth, engine::kSetAmpl},      kDouble, 0,    0,    1,   0.05, "",   1, kNone},
  {"Freeze",   {kBase, engine::kSetFreeze},     kDouble, 0,    0,    1,   0.1,  "",   1, kNone},
  {"Frz Mod",  {kSource, engine::kSetFreeze},   kEnum,   0,    0,    7,   1,    "",   1, kLfos},
  {"Frz Dpth", {kDepth, engine::kSetFreeze},    kDouble, 0,    0,    1,   0.05, "",   1, kNone},
  {"BufLen",   {kBase, engine::kSetBufLen},     kDouble, 1,    0,    1,   0.01, "",   1, kNone},
  {"BfLn Mod", {kSource, engine::kSetBufLen},   kEnum,   0,    0,    7,   1,    "",   1, kLfos},
  {"BfLnDpth", {kDepth, engine::kSetBufLen},    kDouble, 0,    0,    1,   0.05, "",   1, kNone},
  {"ScanRate", {kBase, engine::kSetScanRate},   kDouble, 1,    -2,   2,   0.01, "",   1, kNone},
  {"Scan Mod", {kSource, engine::kSetScanRate}, kEnum,   0,    0,    7,   1,    "",   1, kLfos},
  {"ScanDpth", {kDepth, engine::kSetScanRate},  kDouble, 0,    0,    1,   0.05, "",   1, kNone},
  {"Envelope", {kBase, engine::kSetEnvelope},   kInt,    1,    1,    4,   1,    "",   1, kNone},
  {"Dst Mod",  {kSource, engine::kSetEnvelope}, kEnum,   0,    0,    7,   1,    "",   1, kLfos},
  {"Dst Dpth", {kDepth, engine::kSetEnvelope},  kDouble, 0,    0,    1,   0.05, "",   1, kNone},
  {"Envelope", {kEnvelopeShape, 0},     kEnum,   1,    0,    9,   1,    "",   1, kEnvelopeShapes},
  {"Env Skew", {kEnvelopeSkew, 0},      kDouble, 0.5,  0,    1,   0.01, "",   1, kNone},
  {"Envelope", {kEnvelopeShape, 1},     kEnum,   1,    0,    9,   1,    "",   1, kEnvelopeShapes},
  {"Env Skew", {kEnvelopeSkew, 1},      kDouble, 0.5,  0,    1,   0.01, "",   1, kNone},
  {"Envelope", {kEnvelopeShape, 2},     kEnum,   1,    0,    9,   1,    "",   1, kEnvelopeShapes},
  {"Env Skew", {kEnvelopeSkew, 2},      kDouble, 0.5,  0,    1,   0.01, "",   1, kNone},
  {"Envelope", {kEnvelopeShape, 3},     kEnum,   1,    0,    9,   1,    "",   1, kEnvelopeShapes},
  {"Env Skew", {kEnvelopeSkew, 3},      kDouble, 0.5,  0,    1,   0.01, "",   1, kNone},
  {"Shape%d",  {kLfoShape, 0},          kEnum,   4,    0,    6,   1,    "",   1, kLfoShapes},
  {"Rate%d",   {kLfoRate, 0},           kDouble, 1,    kRMin,kRMax,0.01, "Hz", kRExp,kNone},
  {"Sync%d",   {kLfoSync, 0},           kBool,   0,    0,    1,   1,    "",   1, kNone},
  {"Skew%d",   {kLfoSkew, 0},           kDouble, 0.5,  0,    1,   0.01, "",   1, kNone},
  {"Shape%d",  {kLfoShape, 1},          kEnum,   4,    0,    6,   1,    "",   1, kLfoShapes},
  {"Rate%d",   {kLfoRate, 1},           kDouble, 1,    kRMin,kRMax,0.01, "Hz", kRExp,kNone},
  {"Sync%d",   {kLfoSync, 1},           kBool,   0,    0,    1,   1,    "",   1, kNone},
  {"Skew%d",   {kLfoSkew, 1},           kDouble, 0.5,  0,    1,   0.01, "",   1, kNone},
  {"Shape%d",  {kLfoShape, 2},          kEnum,   4,    0,    6,   1,    "",   1, kLfoShapes},
  {"Rate%d",   {kLfoRate, 2},           kDouble, 1,    kRMin,kRMax,0.01, "Hz", kRExp,kNone},
  {"Sync%d",   {kLfoSync, 2},           kBool,   0,    0,    1,   1,    "",   1, kNone},
  {"Skew%d",   {kLfoSkew, 2},           kDouble, 0.5,  0,    1,   0.01, "",   1, kNone},
  {"Shape%d",  {kLfoShape, 3},          kEnum,   4,    0,    6,   1,    "",   1, kLfoShapes},
  {"Rate%d",   {kLfoRate, 3},           kDouble, 1,    kRMin,kRMax,0.01, "Hz", kRExp,kNone},
  {"Sync%d",   {kLfoSync, 3},           kBool,   0,    0,    1,   1,    "",   1, kNone},
  {"Skew%d",   {kLfoSkew, 3},           kDouble, 0.5,  0,    1,   0.01, "",   1, kNone},
  {"Shape%d",  {kLfoShape, 4},          kEnum,   4,    0,    6,   1,    "",   1, kLfoShapes},
  {"Rate%d",   {kLfoRate, 4},           kDouble, 1,    kRMin,kRMax,0.01, "Hz", kRExp,kNone},
  {"Sync%d",   {kLfoSync, 4},           kBool,   0,    0,    1,   1,    "",   1, kNone},
  {"Skew%d",   {kLfoSkew, 4},           kDouble, 0.5,  0,    1,   0.01, "",   1, kNone},
  {"Shape%d",  {kLfoShape, 5},          kEnum,   4,    0,    6,   1,    "",   1, kLfoShapes},
  {"Rate%d",   {kLfoRate, 5},           kDouble, 1,    kRMin,kRMax,0.01, "Hz", kRExp,kNone},
  {"Sync%d",   {kLfoSync, 5},           kBool,   0,    0,    1,   1,    "",   1, kNone},
  {"Skew%d",   {kLfoSkew, 5},           kDouble, 0.5,  0,    1,   0.01, "",   1, kNone},
  {"Shape%d",  {kLfoShape, 6},          kEnum,   4,    0,    6,   1,    "",   1, kLfoShapes},
  {"Rate%d",   {kLfoRate, 6},           kDouble, 1,    kRMin,kRMax,0.01, "Hz", kRExp,kNone},
  {"Sync%d",   {kLfoSync, 6},           kBool,   0,    0,    1,   1,    "",   1, kNone},
  {"Skew%d",   {kLfoSkew, 6},           kDouble, 0.5,  0,    1,   0.01, "",   1, kNone},
  {"Shape%d",  {kLfoShape, 7},          kEnum,   4,    0,    6,   1,    "",   1, kLfoShapes},
  {"Rate%d",   {kLfoRate, 7},           kDouble, 1,    kRMin,kRMax,0.01, "Hz", kRExp,kNone},
  {"Sync%d",   {kLfoSync, 7},           kBool,   0,    0,    1,   1,    "",   1, kNone},
  {"Skew%d",   {kLfoSkew, 7},           kDouble, 0.5,  0,    1,   0.01, "",   1, kNone},
  {"MidSide",  {kMidSide},              kBool,   0,    0,    1,   1,    "",   1, kNone},
  {"Dry",      {kDry},                  kDouble, 0,    0,    1,   0.01, "",   1, kNone},
  {"Wet",      {kWet},                  kDouble, 1,    0,    2,   0.01, "",   1, kNone},
};
// clang-format on

constexpr const char* kLfoTexts[] = {"LFO 1", "LFO 2", "LFO 3", "LFO 4",
                                     "LFO 5", "LFO 6", "LFO 7", "LFO 8"};

constexpr const char* kEnvelopeShapeTexts[] = {
    "Rectangle", "Triangle",  "Hann",        "Hamming",         "Tukey",
    "Gaussian",  "Trapezoid", "Exponential", "Rev Exponential", "Weibull",
};

constexpr const char* kLfoShapeTexts[] = {"Const",  "Triangle",   "Square",    "Sine",
                                          "Random", "Random Sqr", "SampleHold"};

static_assert(std::size(kLfoTexts) == modulation::kLfoCount && std::size(kLfoShapeTexts) == modulation::kLfoShapeCount,
              "a text for every LFO and every LFO shape");

template <std::size_t N>
void AddTexts(ParameterDefinition& parameter, const char* const (&texts)[N]) {
  for (std::size_t value = 0; value < N; ++value) {
    parameter.AddDisplayText(static_cast<int>(value), texts[value]);
  }
}

constexpr bool Drives(int index, EngineInput input, int which = 0) {
  return kParameterTable[index].target.input == input &&
         kParameterTable[index].target.which == which;
}

// The named indices point at the rows they name.
static_assert(Drives(kParamLength, kBase, engine::kSetLength) && Drives(kParamOnset, kBase, engine::kSetOnset) &&
              Drives(kParamSource, kBase, engine::kSetSource) && Drives(kParamPan, kBase, engine::kSetPan) &&
              Drives(kParamDir, kBase, engine::kSetDir) && Drives(kParamPitch, kBase, engine::kSetPitch) &&
              Drives(kParamSpeed, kBase, engine::kSetSpeed) && Drives(kParamDelay, kBase, engine::kSetDelay) &&
              Drives(kParamDelaySync, kDelaySync) && Drives(kParamFeedback, kBase, engine::kSetFeedback) &&
              Drives(kParamFeedbackApply, kBase, engine::kSetFBApply) &&
              Drives(kParamAmplitude, kBase, engine::kSetAmpl) && Drives(kParamFreeze, kBase, engine::kSetFreeze) &&
              Drives(kParamBufferLength, kBase, engine::kSetBufLen) &&
              Drives(kParamScanRate, kBase, engine::kSetScanRate) &&
              Drives(kParamEnvelopeSelect, kBase, engine::kSetEnvelope) &&
              Drives(kParamEnvelopeShape1, kEnvelopeShape, 0) &&
              Drives(kParamEnvelopeSkew1, kEnvelopeSkew, 0) &&
              Drives(kParamLfoShape1, kLfoShape, 0) && Drives(kParamLfoRate1, kLfoRate, 0) &&
              Drives(kParamLfoSync1, kLfoSync, 0) && Drives(kParamLfoSkew1, kLfoSkew, 0) &&
              Drives(kParamLfoSkew8, kLfoSkew, 7) && Drives(kParamMidSide, kMidSide) &&
              Drives(kParamDry, kDry) && Drives(kParamWet, kWet));
static_assert(Drives(SourceParameter(kParamOnset), kSource, engine::kSetOnset) &&
              Drives(DepthParameter(kParamScanRate), kDepth, engine::kSetScanRate) &&
              Drives(EnvelopeShapeParameter(3), kEnvelopeShape, 3) &&
              Drives(EnvelopeSkewParameter(3), kEnvelopeSkew, 3) &&
              Drives(LfoParameter(7, 0), kLfoShape, 7) && Drives(LfoParameter(2, 3), kLfoSkew, 2));
// The LFO parameters are one block: LFO by LFO, shape, rate, sync and skew.
constexpr bool LfoParametersAreOneBlock() {
  for (int index = 0; index < kParameterCount; ++index) {
    const bool inBlock = index >= LfoParameter(0, 0) && index < LfoParameter(modulation::kLfoCount, 0);
    const EngineInput input = kParameterTable[index].target.input;
    if (IsLfoInput(input) != inBlock) return false;
    if (inBlock) {
      const int lfo = (index - LfoParameter(0, 0)) / kParametersPerLfo;
      const int which = (index - LfoParameter(0, 0)) % kParametersPerLfo;
      if (kParameterTable[index].target.which != lfo ||
          static_cast<int>(input) - static_cast<int>(kLfoShape) != which)
        return false;
    }
  }
  return true;
}
static_assert(LfoParametersAreOneBlock());

constexpr bool EveryBaseParameterDrivesItsSetting() {
  for (int setting = 0; setting < modulation::kModulatedSettingCount; ++setting) {
    const int base = kBaseParameters[setting];
    if (!Drives(base, kBase, setting) || !Drives(SourceParameter(base), kSource, setting) ||
        !Drives(DepthParameter(base), kDepth, setting))
      return false;
  }
  return true;
}
static_assert(EveryBaseParameterDrivesItsSetting());

// Each modulated setting's value parameter stays inside the limits of the engine's slot for it,
// and its default is the slot's value at construction, so a new engine and an opened effect
// agree.
constexpr bool BaseRowFitsSlot(int setting) {
  for (const ParameterRow& row : kParameterTable) {
    if (row.target.input != kBase || row.target.which != setting) continue;
    const engine::ModSlotLimits& slot = engine::kModSlotLimits[setting];
    return static_cast<float>(row.min) >= slot.min && static_cast<float>(row.max) <= slot.max &&
           static_cast<float>(row.defaultValue) == slot.base;
  }
  return false;
}
constexpr bool EveryBaseRowFitsItsSlot() {
  for (int setting = 0; setting < modulation::kModulatedSettingCount; ++setting)
    if (!BaseRowFitsSlot(setting)) return false;
  return true;
}
static_assert(EveryBaseRowFitsItsSlot(), "a value parameter's range or default leaves its slot");

// Truncation toward zero that stays defined for any finite value.
int TruncToInt(double v) { return static_cast<int>(std::clamp(v, -1.0e6, 1.0e6)); }

}  // namespace

std::vector<ParameterDefinition> QuorvantelParameters() {
  std::vector<ParameterDefinition> parameters(kParameterCount);
  for (int index = 0; index < kParameterCount; ++index) {
    const ParameterRow& row = kParameterTable[index];
    char name[kParameterTextSize];
    if (std::strchr(row.name, '%') != nullptr) {  // an LFO's parameter
      std::snprintf(name, sizeof name, row.name, row.target.which + 1);
    } else {
      CopyBounded(name, row.name, sizeof name);
    }
    ParameterDefinition& parameter = parameters[index];
    switch (row.kind) {
      case kDouble:
        parameter.DefineDouble(name, row.defaultValue, row.min, row.max, row.step, row.label);
        break;
      case kInt:
        parameter.DefineInt(name, static_cast<int>(row.defaultValue), static_cast<int>(row.min),
                            static_cast<int>(row.max), row.label);
        break;
      case kEnum:
        parameter.DefineEnum(name, static_cast<int>(row.defaultValue),
                             static_cast<int>(row.max) + 1);
        break;
      case kBool:
        parameter.DefineBool(name, row.defaultValue != 0.0);
        break;
    }
    parameter.SetExponent(row.exponent);
    switch (row.texts) {
      case kNone:
        break;
      case kLfos:
        AddTexts(parameter, kLfoTexts);
        break;
      case kEnvelopeShapes:
        AddTexts(parameter, kEnvelopeShapeTexts);
        break;
      case kLfoShapes:
        AddTexts(parameter, kLfoShapeTexts);
        break;
    }
  }
  return parameters;
}

ParameterTarget TargetOf(int index) { return kParameterTable[index].target; }

void ApplyDefaults(engine::GrainEngine& engine) {
  for (const ParameterRow& row : kParameterTable)
    ApplyToEngine(engine, row.target, row.defaultValue);
}

void ApplyToEngine(engine::GrainEngine& engine, ParameterTarget target, double value) {
  if (!std::isfinite(value)) return;
  const auto setting = static_cast<engine::ModulatedSetting>(target.which);
  switch (target.input) {
    case kBase:
      return engine.SetBase(setting, value);
    case kSource:
      return engine.SetSource(setting, TruncToInt(value));
    case kDepth:
      return engine.SetDepth(setting, value);
    case kEnvelopeShape:
      return engine.SetEnvelopeShape(target.which, TruncToInt(value));
    case kEnvelopeSkew:
      return engine.SetEnvelopeSkew(target.which, value);
    case kLfoShape:
      return engine.SetLfoParameter(target.which, modulation::LfoParam::kShape, value);
    case kLfoRate:
      return engine.SetLfoParameter(target.which, modulation::LfoParam::kRate, value);
    case kLfoSync:
      return engine.SetLfoParameter(target.which, modulation::LfoParam::kSync, value);
    case kLfoSkew:
      return engine.SetLfoParameter(target.which, modulation::LfoParam::kSkew, value);
    case kDelaySync:
      return engine.SetDelaySync(value > 0.5);
    case kMidSide:
      return engine.SetMidSide(value > 0.5);
    case kDry:
      return engine.SetDryGain(value);
    case kWet:
      return engine.SetWetGain(value);
  }
}

}  // namespace quorvantel
