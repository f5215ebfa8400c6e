// Value texts with units and the typed forms of the read-outs.
#include "quorvantel/editor/value_texts.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "framework/parameter.h"
#include "gui/value_entry.h"
#include "gui/window_layer.h"
#include "quorvantel/editor/lfo_texts.h"
#include "quorvantel/editor/read_outs.h"
#include "quorvantel/parameters/parameter_table.h"

namespace quorvantel {

namespace {

using framework::ParameterDefinition;

// The effect's parameters whose texts are not their display text and label.
constexpr int kSource = kParamSource;
constexpr int kPan = kParamPan;
constexpr int kDir = kParamDir;
constexpr int kFeedbackApply = kParamFeedbackApply;
constexpr int kMidSide = kParamMidSide;

bool IsLfoRate(int index) {
  for (int lfo = 0; lfo < modulation::kLfoCount; ++lfo)
    if (index == LfoParameter(lfo, 1)) return true;
  return false;
}

std::string Lower(std::string s) {
  for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::string WithoutSpaces(const std::string& text) {
  std::string out;
  for (char c : text)
    if (!std::isspace(static_cast<unsigned char>(c))) out += c;
  return out;
}

// "30%l" (spaces already removed, lower case): the percentage and the side letter.
bool PercentAndSide(const std::string& text, double* percent, char* side) {
  const std::size_t sign = text.find('%');
  if (sign == std::string::npos || sign == 0 || sign + 2 != text.size()) return false;
  const std::string number = text.substr(0, sign);
  char* end = nullptr;
  const double v = std::strtod(number.c_str(), &end);
  if (end != number.c_str() + number.size() || !std::isfinite(v) || v < 0.0) return false;
  *percent = v;
  *side = text.back();
  return true;
}

// Pan and Source forms: "c" is the centre, "N%<low>" lies N percent of the way from the centre
// towards 0, "N%<high>" towards 1.
bool SideForm(const std::string& text, const char* lowSides, const char* highSides, double* plain) {
  if (text == "c") {
    *plain = 0.5;
    return true;
  }
  double percent = 0.0;
  char side = 0;
  if (!PercentAndSide(text, &percent, &side)) return false;
  if (std::strchr(lowSides, side) != nullptr) {
    *plain = 0.5 - percent / 200.0;
    return true;
  }
  if (std::strchr(highSides, side) != nullptr) {
    *plain = 0.5 + percent / 200.0;
    return true;
  }
  return false;
}

// The Rate in the middle of the rates whose normalised value picks division row k (the bank
// takes row int(normalised × 22)); the last row is picked by the top of the range only.
double RateForDivision(const framework::ParameterDefinition& rate, int k) {
  const double rows = modulation::kSyncDivisionCount - 1;
  const double x = k >= modulation::kSyncDivisionCount - 1 ? 1.0 : (k + 0.5) / rows;
  return rate.ValueFromNormalized(x);
}

std::string Printf(const char* format, double v) {
  char text[64];
  std::snprintf(text, sizeof text, format, v);
  return text;
}

}  // namespace

std::string ValueText(const framework::ParameterDefinition& parameter, int index, double plain,
                      const PlainValueOf& others) {
  if (index == kPan) return FormatPan(plain, plain);
  if (index == kSource)
    return others(kMidSide) > 0.5 ? FormatSourceMidSide(plain, plain) : FormatSource(plain, plain);
  if (index == kDir) return Printf("%.2f", plain);
  if (index == kFeedbackApply) return Printf("%.0f %%", std::clamp(plain, 0.0, 1.0) * 100.0);
  if (IsLfoRate(index) && others(index + 1) > 0.5) {
    const int row = int(parameter.NormalizedOf(plain) * (modulation::kSyncDivisionCount - 1));
    return kSyncDivisionLabels[std::clamp(row, 0, modulation::kSyncDivisionCount - 1)];
  }
  char text[64] = {};
  parameter.DisplayString(plain, false, text, sizeof text);
  // The host's display writes a bare "0" for zero; the read-outs keep the decimals.
  if (std::string(text) == "0" && parameter.Decimals() > 0 && parameter.DisplayTextCount() == 0)
    std::snprintf(text, sizeof text, "%.*f", parameter.Decimals(), 0.0);
  std::string out = text;
  if (parameter.Label()[0] != '\0') out += std::string(" ") + parameter.Label();
  return out;
}

bool ValueFromText(const framework::ParameterDefinition& parameter, int index, const std::string& text, double* plain) {
  const std::string compact = Lower(WithoutSpaces(text.substr(0, gui::kEntryTextLimit)));
  if (index == kPan && SideForm(compact, "l", "r", plain)) return true;
  if (index == kSource && SideForm(compact, "rs", "lm", plain)) return true;
  if (index == kFeedbackApply && compact.size() > 1 && compact.back() == '%') {
    double percent = 0.0;
    char* end = nullptr;
    const std::string number = compact.substr(0, compact.size() - 1);
    percent = std::strtod(number.c_str(), &end);
    if (end == number.c_str() + number.size() && std::isfinite(percent)) {
      *plain = percent / 100.0;
      return true;
    }
    return false;
  }
  if (IsLfoRate(index)) {
    for (int k = 0; k < modulation::kSyncDivisionCount; ++k) {
      if (compact == kSyncDivisionLabels[k]) {
        *plain = RateForDivision(parameter, k);
        return true;
      }
    }
  }
  return gui::ParseTypedValue(parameter, text, plain);
}

}  // namespace quorvantel
