// The parameter table of the effect, one row per parameter in index order.
#include "plugin/quorvantel_parameters.h"

#include <cstdio>

#include "modulation/lfo_bank.h"
#include "plugin/effect_base.h"

namespace {

enum class Kind { Double, Int, Enum, Bool };
// Which fixed texts a parameter shows (Bool parameters get "off"/"on" by their definition).
enum class Texts { None, Lfos, EnvelopeShapes, LfoShapes };

struct ParameterRow {
  const char* name;  // a printf format when number > 0
  int number;        // LFO number 1..8 for the LFO parameters, else 0
  Kind kind;
  double defaultValue;
  double min;
  double max;
  double step;
  const char* label;
  double exponent;
  Texts texts;
};

using K = Kind;
using T = Texts;
// Every LFO's Rate has the range and curve the LFO bank computes tempo divisions with.
constexpr double kRMin = kLfoRateMin, kRMax = kLfoRateMax, kRExp = kLfoRateExponent;

// clang-format off
constexpr ParameterRow kParameterTable[kParameterCount] = {
  //  name         nr  kind     default  min    max  step  label exp  texts
    {"Length",     0, K::Double, 30,   1,    150, 0.1,  "ms", 2, T::None},
    {"Lng Mod",    0, K::Enum,   0,    0,    7,   1,    "",   1, T::Lfos},
    {"Lng Dpth",   0, K::Double, 0,    0,    1,   0.05, "",   1, T::None},
    {"Onset",      0, K::Double, 20,   0.1,  50,  0.1,  "ms", 1, T::None},
    {"Ons Mod",    0, K::Enum,   0,    0,    7,   1,    "",   1, T::Lfos},
    {"Ons Dpth",   0, K::Double, 0,    0,    1,   0.05, "",   1, T::None},
    {"Source",     0, K::Double, 0,    0,    1,   0.01, "",   1, T::None},
    {"Src Mod",    0, K::Enum,   0,    0,    7,   1,    "",   1, T::Lfos},
    {"Src Dpth",   0, K::Double, 0,    0,    1,   0.05, "",   1, T::None},
    {"Pan",        0, K::Double, 0.5,  0,    1,   0.01, "",   1, T::None},
    {"Pan Mod",    0, K::Enum,   0,    0,    7,   1,    "",   1, T::Lfos},
    {"Pan Dpth",   0, K::Double, 0,    0,    1,   0.05, "",   1, T::None},
    {"Dir",        0, K::Double, 1,    -1,   1,   1,    "",   1, T::None},
    {"Dir Mod",    0, K::Enum,   0,    0,    7,   1,    "",   1, T::Lfos},
    {"Dir Dpth",   0, K::Double, 0,    0,    1,   0.05, "",   1, T::None},
    {"Pitch",      0, K::Double, 0,    -24,  24,  0.1,  "",   1, T::None},
    {"Pch Mod",    0, K::Enum,   0,    0,    7,   1,    "",   1, T::Lfos},
    {"Pch Dpth",   0, K::Double, 0,    0,    1,   0.05, "",   1, T::None},
    {"Speed",      0, K::Double, 1,    0,    1,   0.01, "",   1, T::None},
    {"Spd Mod",    0, K::Enum,   0,    0,    7,   1,    "",   1, T::Lfos},
    {"Spd Dpth",   0, K::Double, 0,    0,    1,   0.05, "",   1, T::None},
    {"Delay",      0, K::Double, 0,    0,    150, 0.1,  "ms", 1, T::None},
    {"Dly Mod",    0, K::Enum,   0,    0,    7,   1,    "",   1, T::Lfos},
    {"Dly Dpth",   0, K::Double, 0,    0,    1,   0.05, "",   1, T::None},
    {"Dly Sync",   0, K::Bool,   0,    0,    1,   1,    "",   1, T::None},
    {"Feedback",   0, K::Double, 0,    0,    1,   0.01, "",   1, T::None},
    {"FB Mod",     0, K::Enum,   0,    0,    7,   1,    "",   1, T::Lfos},
    {"FB Dpth",    0, K::Double, 0,    0,    1,   0.05, "",   1, T::None},
    {"FB Apply",   0, K::Double, 0.25, 0,    1,   0.01, "%",  1, T::None},
    {"FBA Mod",    0, K::Enum,   0,    0,    7,   1,    "",   1, T::Lfos},
    {"FBA Dpth",   0, K::Double, 0,    0,    1,   0.05, "",   1, T::None},
    {"Ampl",       0, K::Double, 1,    0.1,  1,   0.01, "",   1, T::None},
    {"Ampl Mod",   0, K::Enum,   0,    0,    7,   1,    "",   1, T::Lfos},
    {"Amp Dpth",   0, K::Double, 0,    0,    1,   0.05, "",   1, T::None},
    {"Freeze",     0, K::Double, 0,    0,    1,   0.1,  "",   1, T::None},
    {"Frz Mod",    0, K::Enum,   0,    0,    7,   1,    "",   1, T::Lfos},
    {"Frz Dpth",   0, K::Double, 0,    0,    1,   0.05, "",   1, T::None},
    {"BufLen",     0, K::Double, 1,    0,    1,   0.01, "",   1, T::None},
    {"BfLn Mod",   0, K::Enum,   0,    0,    7,   1,    "",   1, T::Lfos},
    {"BfLnDpth",   0, K::Double, 0,    0,    1,   0.05, "",   1, T::None},
    {"ScanRate",   0, K::Double, 1,    -2,   2,   0.01, "",   1, T::None},
    {"Scan Mod",   0, K::Enum,   0,    0,    7,   1,    "",   1, T::Lfos},
    {"ScanDpth",   0, K::Double, 0,    0,    1,   0.05, "",   1, T::None},
    {"Envelope",   0, K::Int,    1,    1,    4,   1,    "",   1, T::None},
    {"Dst Mod",    0, K::Enum,   0,    0,    7,   1,    "",   1, T::Lfos},
    {"Dst Dpth",   0, K::Double, 0,    0,    1,   0.05, "",   1, T::None},
    {"Envelope",   0, K::Enum,   1,    0,    9,   1,    "",   1, T::EnvelopeShapes},
    {"Env Skew",   0, K::Double, 0.5,  0,    1,   0.01, "",   1, T::None},
    {"Envelope",   0, K::Enum,   1,    0,    9,   1,    "",   1, T::EnvelopeShapes},
    {"Env Skew",   0, K::Double, 0.5,  0,    1,   0.01, "",   1, T::None},
    {"Envelope",   0, K::Enum,   1,    0,    9,   1,    "",   1, T::EnvelopeShapes},
    {"Env Skew",   0, K::Double, 0.5,  0,    1,   0.01, "",   1, T::None},
    {"Envelope",   0, K::Enum,   1,    0,    9,   1,    "",   1, T::EnvelopeShapes},
    {"Env Skew",   0, K::Double, 0.5,  0,    1,   0.01, "",   1, T::None},
    {"Shape%d",    1, K::Enum,   4,    0,    6,   1,    "",   1, T::LfoShapes},
    {"Rate%d",     1, K::Double, 1,    kRMin, kRMax, 0.01, "Hz", kRExp, T::None},
    {"Sync%d",     1, K::Bool,   0,    0,    1,   1,    "",   1, T::None},
    {"Skew%d",     1, K::Double, 0.5,  0,    1,   0.01, "",   1, T::None},
    {"Shape%d",    2, K::Enum,   4,    0,    6,   1,    "",   1, T::LfoShapes},
    {"Rate%d",     2, K::Double, 1,    kRMin, kRMax, 0.01, "Hz", kRExp, T::None},
    {"Sync%d",     2, K::Bool,   0,    0,    1,   1,    "",   1, T::None},
    {"Skew%d",     2, K::Double, 0.5,  0,    1,   0.01, "",   1, T::None},
    {"Shape%d",    3, K::Enum,   4,    0,    6,   1,    "",   1, T::LfoShapes},
    {"Rate%d",     3, K::Double, 1,    kRMin, kRMax, 0.01, "Hz", kRExp, T::None},
    {"Sync%d",     3, K::Bool,   0,    0,    1,   1,    "",   1, T::None},
    {"Skew%d",     3, K::Double, 0.5,  0,    1,   0.01, "",   1, T::None},
    {"Shape%d",    4, K::Enum,   4,    0,    6,   1,    "",   1, T::LfoShapes},
    {"Rate%d",     4, K::Double, 1,    kRMin, kRMax, 0.01, "Hz", kRExp, T::None},
    {"Sync%d",     4, K::Bool,   0,    0,    1,   1,    "",   1, T::None},
    {"Skew%d",     4, K::Double, 0.5,  0,    1,   0.01, "",   1, T::None},
    {"Shape%d",    5, K::Enum,   4,    0,    6,   1,    "",   1, T::LfoShapes},
    {"Rate%d",     5, K::Double, 1,    kRMin, kRMax, 0.01, "Hz", kRExp, T::None},
    {"Sync%d",     5, K::Bool,   0,    0,    1,   1,    "",   1, T::None},
    {"Skew%d",     5, K::Double, 0.5,  0,    1,   0.01, "",   1, T::None},
    {"Shape%d",    6, K::Enum,   4,    0,    6,   1,    "",   1, T::LfoShapes},
    {"Rate%d",     6, K::Double, 1,    kRMin, kRMax, 0.01, "Hz", kRExp, T::None},
    {"Sync%d",     6, K::Bool,   0,    0,    1,   1,    "",   1, T::None},
    {"Skew%d",     6, K::Double, 0.5,  0,    1,   0.01, "",   1, T::None},
    {"Shape%d",    7, K::Enum,   4,    0,    6,   1,    "",   1, T::LfoShapes},
    {"Rate%d",     7, K::Double, 1,    kRMin, kRMax, 0.01, "Hz", kRExp, T::None},
    {"Sync%d",     7, K::Bool,   0,    0,    1,   1,    "",   1, T::None},
    {"Skew%d",     7, K::Double, 0.5,  0,    1,   0.01, "",   1, T::None},
    {"Shape%d",    8, K::Enum,   4,    0,    6,   1,    "",   1, T::LfoShapes},
    {"Rate%d",     8, K::Double, 1,    kRMin, kRMax, 0.01, "Hz", kRExp, T::None},
    {"Sync%d",     8, K::Bool,   0,    0,    1,   1,    "",   1, T::None},
    {"Skew%d",     8, K::Double, 0.5,  0,    1,   0.01, "",   1, T::None},
    {"MidSide",    0, K::Bool,   0,    0,    1,   1,    "",   1, T::None},
    {"Dry",        0, K::Double, 0,    0,    1,   0.01, "",   1, T::None},
    {"Wet",        0, K::Double, 1,    0,    2,   0.01, "",   1, T::None},
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

template <std::size_t N>
void AddTexts(Parameter& parameter, const char* const (&texts)[N]) {
  for (std::size_t value = 0; value < N; ++value) {
    parameter.AddDisplayText(static_cast<int>(value), texts[value]);
  }
}

}  // namespace

void DefineQuorvantelParameters(IEffectBase& effect) {
  for (int index = 0; index < kParameterCount && index < effect.ParameterCount(); ++index) {
    const ParameterRow& row = kParameterTable[index];
    char name[kParameterTextSize];
    if (row.number > 0) {
      std::snprintf(name, sizeof name, row.name, row.number);
    } else {
      CopyBounded(name, row.name, sizeof name);
    }
    Parameter& parameter = effect.GetParam(index);
    switch (row.kind) {
      case Kind::Double:
        parameter.DefineDouble(name, row.defaultValue, row.min, row.max, row.step, row.label);
        break;
      case Kind::Int:
        parameter.DefineInt(name, static_cast<int>(row.defaultValue), static_cast<int>(row.min),
                            static_cast<int>(row.max), row.label);
        break;
      case Kind::Enum:
        parameter.DefineEnum(name, static_cast<int>(row.defaultValue),
                             static_cast<int>(row.max) + 1);
        break;
      case Kind::Bool:
        parameter.DefineBool(name, row.defaultValue != 0.0);
        break;
    }
    parameter.SetExponent(row.exponent);
    switch (row.texts) {
      case Texts::None:
        break;
      case Texts::Lfos:
        AddTexts(parameter, kLfoTexts);
        break;
      case Texts::EnvelopeShapes:
        AddTexts(parameter, kEnvelopeShapeTexts);
        break;
      case Texts::LfoShapes:
        AddTexts(parameter, kLfoShapeTexts);
        break;
    }
  }
}
