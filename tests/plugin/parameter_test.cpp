// ParameterDefinition arithmetic: definition, normalised mapping both ways, step rounding and
// display texts; the values a parameter set holds for its definitions.
#include "framework/parameter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "framework/parameter_set.h"

using namespace framework;

namespace {

std::string Display(const ParameterDefinition& p, double v, bool normalized = false) {
  char text[kParameterTextSize];
  p.DisplayString(v, normalized, text, sizeof text);
  return text;
}

ParameterDefinition Length() {
  ParameterDefinition p;
  p.DefineDouble("Length", 30, 1, 150, 0.1, "ms");
  p.SetExponent(2);
  return p;
}

// A set of one parameter: where a definition's value lives.
ParameterSet One(const ParameterDefinition& definition) { return ParameterSet({definition}); }

TEST(ParameterDefinition, EmptyRangeGrowsByOneStep) {
  ParameterDefinition p;
  p.DefineDouble("Zero", 0, 0, 0, 1, "");
  EXPECT_EQ(p.Max(), 1.0);
  ParameterDefinition dir;
  dir.DefineDouble("Dir", 1, -1, 1, 1, "");
  EXPECT_EQ(dir.Max(), 1.0);
  EXPECT_EQ(dir.Min(), -1.0);
}

TEST(ParameterDefinition, DecimalsFollowTheStep) {
  const double steps[] = {1, 0.1, 0.05, 0.01, 0.001, 1e-9};
  const int decimals[] = {0, 1, 2, 2, 3, 6};
  for (int i = 0; i < 6; ++i) {
    ParameterDefinition p;
    p.DefineDouble("x", 0, 0, 10, steps[i], "");
    EXPECT_EQ(p.Decimals(), decimals[i]) << "step " << steps[i];
  }
}

TEST(ParameterDefinition, FirstDefinitionFixesTheTypeAndBoolGetsTexts) {
  ParameterDefinition b;
  b.DefineBool("MidSide", true);
  EXPECT_EQ(b.Type(), ParameterType::kBool);
  EXPECT_EQ(b.DefaultValue(), 1.0);
  EXPECT_STREQ(b.DisplayTextFor(0), "off");
  EXPECT_STREQ(b.DisplayTextFor(1), "on");
  ParameterDefinition e;
  e.DefineEnum("Shape", 4, 7);
  EXPECT_EQ(e.Type(), ParameterType::kEnum);
  EXPECT_EQ(e.Max(), 6.0);
  e.DefineDouble("Again", 0, 0, 1, 0.1, "");
  EXPECT_EQ(e.Type(), ParameterType::kEnum);
}

TEST(ParameterDefinition, ZeroExponentIsIgnoredAndDefaultIsNotClamped) {
  ParameterDefinition p;
  p.DefineDouble("x", 500, 0, 1, 0.01, "");
  p.SetExponent(0.0);
  EXPECT_EQ(p.Exponent(), 1.0);
  EXPECT_EQ(p.DefaultValue(), 500.0);
  EXPECT_EQ(One(p).Value(0), 500.0);  // a set starts at the defaults, unclamped
}

TEST(ParameterDefinition, LongTextsAreTruncatedAndTerminated) {
  ParameterDefinition p;
  const std::string longName(100, 'n');
  p.DefineDouble(longName.c_str(), 0, 0, 1, 0.1, longName.c_str());
  p.AddDisplayText(0, longName.c_str());
  EXPECT_EQ(std::string(p.Name()), std::string(31, 'n'));
  EXPECT_EQ(std::string(p.Label()), std::string(31, 'n'));
  EXPECT_EQ(std::string(p.DisplayTextFor(0)), std::string(31, 'n'));
}

TEST(NormalisedMapping, ExponentCurvesBothWays) {
  ParameterSet p = One(Length());
  EXPECT_NEAR(p.Normalized(0), std::sqrt(29.0 / 149.0), 1e-12);
  EXPECT_NEAR(p.Normalized(0), 0.44117, 1e-5);
  p.SetFromNormalized(0, 0.5);
  EXPECT_DOUBLE_EQ(p.Value(0), 38.25);  // a Double is not rounded to its step

  ParameterDefinition rateDefinition;
  rateDefinition.DefineDouble("Rate1", 1, 0.01, 12, 0.01, "Hz");
  rateDefinition.SetExponent(2);
  ParameterSet rate = One(rateDefinition);
  EXPECT_NEAR(rate.Normalized(0), 0.28735, 1e-5);
  rate.SetFromNormalized(0, 0.5);
  EXPECT_NEAR(rate.Value(0), 3.0075, 1e-12);

  ParameterDefinition onset;
  onset.DefineDouble("Onset", 20, 0.1, 50, 0.1, "ms");
  EXPECT_NEAR(One(onset).Normalized(0), 0.39880, 1e-5);
}

TEST(NormalisedMapping, NonDoubleValuesSnapToTheStep) {
  ParameterDefinition envelope;
  envelope.DefineInt("Envelope", 1, 1, 4, "");
  ParameterSet p = One(envelope);
  p.SetFromNormalized(0, 0.5);
  EXPECT_EQ(p.Value(0), 3.0);
  p.SetFromNormalized(0, 0.49);
  EXPECT_EQ(p.Value(0), 2.0);
  ParameterDefinition lngMod;
  lngMod.DefineEnum("Lng Mod", 0, 8);
  ParameterSet source = One(lngMod);
  source.SetClamped(0, 3);
  EXPECT_NEAR(source.Normalized(0), 3.0 / 7.0, 1e-12);
  source.SetFromNormalized(0, 3.0 / 7.0);
  EXPECT_EQ(source.Value(0), 3.0);
}

TEST(NormalisedMapping, DoubleWithWholeStepKeepsInBetweenValues) {
  ParameterDefinition dir;
  dir.DefineDouble("Dir", 1, -1, 1, 1, "");
  EXPECT_NEAR(dir.ValueFromNormalized(0.7), 0.4, 1e-12);
  EXPECT_EQ(Display(dir, dir.ValueFromNormalized(0.7)), "0");
  EXPECT_EQ(Display(dir, -1), "-1");
}

TEST(NormalisedMapping, OutOfRangeInputsStayInRange) {
  ParameterSet p = One(Length());
  EXPECT_EQ(p.Definition(0).NormalizedOf(1000), 1.0);
  EXPECT_EQ(p.Definition(0).NormalizedOf(-1000), 0.0);
  p.SetFromNormalized(0, 1.7);
  EXPECT_EQ(p.Value(0), 150.0);
  p.SetFromNormalized(0, -0.5);  // below 0 counts as 0
  EXPECT_EQ(p.Value(0), 1.0);
  ParameterDefinition e;
  e.DefineEnum("Shape", 4, 7);
  EXPECT_EQ(e.ValueFromNormalized(-3.0), 0.0);
}

TEST(NormalisedMapping, NonFiniteValuesChangeNothing) {
  ParameterSet p = One(Length());
  const double bad[] = {std::numeric_limits<double>::quiet_NaN(),
                        std::numeric_limits<double>::infinity(),
                        -std::numeric_limits<double>::infinity()};
  for (double v : bad) {
    p.SetFromNormalized(0, v);
    EXPECT_EQ(p.Value(0), 30.0);
    EXPECT_FALSE(p.SetClamped(0, v));
    EXPECT_EQ(p.Value(0), 30.0);
  }
  // Without a value to keep, a definition maps NaN to the bottom of the range.
  EXPECT_EQ(Length().ValueFromNormalized(std::numeric_limits<double>::quiet_NaN()), 1.0);
}

TEST(NormalisedMapping, SetClampedLimitsWithoutRounding) {
  ParameterDefinition envelope;
  envelope.DefineInt("Envelope", 1, 1, 4, "");
  ParameterSet p = One(envelope);
  p.SetClamped(0, 2.6);
  EXPECT_EQ(p.Value(0), 2.6);
  p.SetClamped(0, 9);
  EXPECT_EQ(p.Value(0), 4.0);
  p.SetClamped(0, -9);
  EXPECT_EQ(p.Value(0), 1.0);
}

TEST(DisplayStrings, NumbersFollowDecimals) {
  EXPECT_EQ(Display(Length(), 30), "30.0");
  ParameterDefinition pan;
  pan.DefineDouble("Pan", 0.5, 0, 1, 0.01, "");
  EXPECT_EQ(Display(pan, 0.5), "0.50");
  EXPECT_EQ(Display(pan, 0.0), "0");
  EXPECT_EQ(Display(pan, -0.0), "0");
  ParameterDefinition pitch;
  pitch.DefineDouble("Pitch", 0, -24, 24, 0.1, "");
  EXPECT_EQ(Display(pitch, -12.3), "-12.3");
}

TEST(DisplayStrings, NormalisedValuesUseTheCurve) {
  EXPECT_EQ(Display(Length(), 1.0, true), "150.0");
  EXPECT_EQ(Display(Length(), 0.5, true), "38.2");  // 38.25 printed with one decimal
}

TEST(DisplayStrings, TextsReplaceNumbers) {
  ParameterDefinition b;
  b.DefineBool("MidSide", false);
  EXPECT_EQ(Display(b, 1), "on");
  EXPECT_EQ(Display(b, 0.9), "off");  // truncated toward zero
  ParameterDefinition source;
  source.DefineEnum("Lng Mod", 0, 8);
  source.AddDisplayText(3, "LFO 4");
  source.AddDisplayText(4, "");
  EXPECT_EQ(Display(source, 3), "LFO 4");
  EXPECT_EQ(Display(source, 4), "4");  // an empty text falls back to the number
  EXPECT_EQ(Display(source, 5), "5");
}

TEST(DisplayStrings, ExtremeValuesNeitherOverflowNorCrash) {
  ParameterDefinition p;
  p.DefineDouble("x", 0, 0, 1, 1, "");
  p.AddDisplayText(0, "zero");
  EXPECT_EQ(Display(p, 1e20), "100000000000000000000");  // beyond int: no overflow
  EXPECT_EQ(Display(p, 1e300).size(), kParameterTextSize - 1);
  EXPECT_EQ(Display(p, std::numeric_limits<double>::quiet_NaN()), "nan");
  char small[4];
  ParameterDefinition pitch;
  pitch.DefineDouble("Pitch", 0, -24, 24, 0.1, "");
  pitch.DisplayString(-12.3, false, small, sizeof small);
  EXPECT_STREQ(small, "-12");
}

TEST(DisplayStrings, TextLookupBothWays) {
  ParameterDefinition e;
  e.DefineEnum("Shape", 0, 3);
  e.AddDisplayText(0, "Const");
  e.AddDisplayText(1, "Sine");
  e.AddDisplayText(2, "Sine");
  int k = -1;
  EXPECT_TRUE(e.ValueForDisplayText("Sine", &k));
  EXPECT_EQ(k, 1);  // first match wins
  k = -1;
  EXPECT_FALSE(e.ValueForDisplayText("sine", &k));  // case-sensitive
  EXPECT_EQ(k, -1);
  EXPECT_STREQ(e.DisplayTextFor(7), "");
  ParameterDefinition none;
  EXPECT_FALSE(none.ValueForDisplayText("x", &k));
}

}  // namespace
