// Parameter definitions: building them, the normalised mapping and display texts.
#include "framework/parameter.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

namespace framework {
namespace {

// Number of decimals shown for a step: 1 -> 0, 0.1 -> 1, 0.05 -> 2, 0.01 -> 2; at most 6.
int DecimalsFromStep(double step) {
  double c = step;
  int d = 0;
  while (d < 6) {
    if (c == std::floor(c)) break;
    ++d;
    c *= 10.0;
  }
  return d;
}

}  // namespace

void CopyBounded(char* dst, const char* src, std::size_t dstSize) {
  if (dst == nullptr || dstSize == 0) return;
  if (src == nullptr) {
    dst[0] = '\0';
    return;
  }
  const std::size_t n = strnlen(src, dstSize - 1);
  std::memcpy(dst, src, n);
  dst[n] = '\0';
}

void ParameterDefinition::DefineDouble(const char* name, double defaultValue, double min,
                                       double max, double step, const char* label) {
  if (type_ == ParameterType::kNone) type_ = ParameterType::kDouble;
  CopyBounded(name_, name, sizeof name_);
  CopyBounded(label_, label, sizeof label_);
  default_ = defaultValue;
  min_ = min;
  max_ = (min + step > max) ? min + step : max;
  step_ = step;
  decimals_ = DecimalsFromStep(step);
}

void ParameterDefinition::DefineInt(const char* name, int defaultValue, int min, int max,
                                    const char* label) {
  if (type_ == ParameterType::kNone) type_ = ParameterType::kInt;
  DefineDouble(name, defaultValue, min, max, 1.0, label);
}

void ParameterDefinition::DefineEnum(const char* name, int defaultValue, int count) {
  if (type_ == ParameterType::kNone) type_ = ParameterType::kEnum;
  DefineDouble(name, defaultValue, 0.0, count - 1, 1.0, "");
}

void ParameterDefinition::DefineBool(const char* name, bool defaultValue) {
  if (type_ == ParameterType::kNone) type_ = ParameterType::kBool;
  DefineDouble(name, defaultValue ? 1.0 : 0.0, 0.0, 1.0, 1.0, "");
  AddDisplayText(0, "off");
  AddDisplayText(1, "on");
}

void ParameterDefinition::AddDisplayText(int value, const char* text) {
  DisplayText entry;
  entry.value = value;
  CopyBounded(entry.text, text, sizeof entry.text);
  displayTexts_.push_back(entry);
}

void ParameterDefinition::SetExponent(double exponent) {
  if (exponent != 0.0) exponent_ = exponent;
}

double ParameterDefinition::NormalizedOf(double v) const {
  if (!(max_ > min_)) return 0.0;
  if (v < min_) v = min_;
  if (v > max_) v = max_;
  return std::pow((v - min_) / (max_ - min_), 1.0 / exponent_);
}

double ParameterDefinition::ValueFromNormalized(double x) const {
  if (!(x >= 0.0)) x = 0.0;
  double v = min_ + std::pow(x, exponent_) * (max_ - min_);
  if (type_ != ParameterType::kDouble) v = std::floor(v / step_ + 0.5) * step_;
  return v < max_ ? v : max_;
}

void ParameterDefinition::DisplayString(double v, bool normalized, char* out,
                                        std::size_t outSize) const {
  if (out == nullptr || outSize == 0) return;
  if (normalized) v = min_ + std::pow(v, exponent_) * (max_ - min_);
  // Only values an int can hold are truncated to one; anything else (NaN, huge) has no entry.
  const bool fitsInt = v > -2147483649.0 && v < 2147483648.0;
  if (!displayTexts_.empty()) {
    if (fitsInt) {
      const int k = static_cast<int>(v);
      for (const DisplayText& entry : displayTexts_) {
        if (entry.value != k) continue;
        if (entry.text[0] != '\0') {
          CopyBounded(out, entry.text, outSize);
          return;
        }
        break;
      }
    }
  }
  if (negateDisplay_) v = -v;
  if (v == 0.0) {
    CopyBounded(out, "0", outSize);
  } else if (decimals_ == 0) {
    if (fitsInt) {
      std::snprintf(out, outSize, "%d", static_cast<int>(v));
    } else {
      std::snprintf(out, outSize, "%.0f", std::trunc(v));
    }
  } else {
    std::snprintf(out, outSize, "%.*f", decimals_, v);
  }
}

const char* ParameterDefinition::DisplayTextFor(int k) const {
  for (const DisplayText& entry : displayTexts_) {
    if (entry.value == k) return entry.text;
  }
  return "";
}

bool ParameterDefinition::ValueForDisplayText(const char* text, int* k) const {
  if (text == nullptr) return false;
  for (const DisplayText& entry : displayTexts_) {
    if (std::strcmp(entry.text, text) == 0) {
      if (k != nullptr) *k = entry.value;
      return true;
    }
  }
  return false;
}

}  // namespace framework
