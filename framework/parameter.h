// What one automatable value is: its type and range, the normalised mapping the host and the
// controls use, and the texts shown for it. The value itself lives in the ParameterSet.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace framework {

enum class ParameterType : std::int32_t { kNone = 0, kBool = 1, kInt = 2, kEnum = 3, kDouble = 4 };

// Names, labels and display texts hold at most 31 characters plus the terminator.
constexpr std::size_t kParameterTextSize = 32;

// A fixed text shown instead of the number for one plain value.
struct DisplayText {
  std::int32_t value = 0;
  char text[kParameterTextSize] = {};
};

// Built once while the instance is constructed (the Define calls), then handed to the
// ParameterSet, which keeps it unchanged: from then on any thread may read it without a lock.
class ParameterDefinition {
 public:
  ParameterDefinition() = default;

  // Building. The first Define call sets the type. The default is stored unclamped; max becomes
  // min + step when that is greater, so the range is never empty.
  void DefineDouble(const char* name, double defaultValue, double min, double max, double step,
                    const char* label);
  void DefineInt(const char* name, int defaultValue, int min, int max, const char* label);
  void DefineEnum(const char* name, int defaultValue, int count);
  void DefineBool(const char* name, bool defaultValue);
  void AddDisplayText(int value, const char* text);
  // Curve of the normalised mapping; exactly 0.0 is ignored.
  void SetExponent(double exponent);

  // Normalised value 0..1 of v, which is clamped into [min, max] first.
  double NormalizedOf(double v) const;
  // The plain value of a normalised x: min + x^exponent * (max - min), rounded to the step for
  // all but Double parameters, capped at max; x below 0 counts as 0 (and so does NaN), so the
  // value never leaves [min, max].
  double ValueFromNormalized(double x) const;

  // Writes the display text of v (of the plain value for a normalised v when normalized is set)
  // into out, at most outSize bytes including the terminator. The label is never part of it.
  void DisplayString(double v, bool normalized, char* out, std::size_t outSize) const;
  // The text of the first entry with value k; "" when there is none.
  const char* DisplayTextFor(int k) const;
  // Exact, case-sensitive match against the entries in order; stores the entry's value in *k.
  bool ValueForDisplayText(const char* text, int* k) const;

  ParameterType Type() const { return type_; }
  double DefaultValue() const { return default_; }
  double Min() const { return min_; }
  double Max() const { return max_; }
  double Step() const { return step_; }
  double Exponent() const { return exponent_; }
  int Decimals() const { return decimals_; }
  const char* Name() const { return name_; }
  const char* Label() const { return label_; }
  bool NegateDisplay() const { return negateDisplay_; }
  int DisplayTextCount() const { return static_cast<int>(displayTexts_.size()); }
  const DisplayText& DisplayTextAt(int i) const { return displayTexts_[i]; }

 private:
  ParameterType type_ = ParameterType::kNone;
  double default_ = 0.0;
  double min_ = 0.0;
  double max_ = 1.0;
  double step_ = 1.0;
  double exponent_ = 1.0;
  int decimals_ = 0;
  char name_[kParameterTextSize] = {};
  char label_[kParameterTextSize] = {};
  bool negateDisplay_ = false;
  std::vector<DisplayText> displayTexts_;
};

// Copies src into dst of size dstSize (> 0), truncating, always terminated.
void CopyBounded(char* dst, const char* src, std::size_t dstSize);

}  // namespace framework
