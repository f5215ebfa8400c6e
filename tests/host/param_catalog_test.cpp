// Parameter names and plain values turned into normalised values through the fake plug-in's
// display query: linear and curved numbers, truncated whole numbers and enumeration texts.
#include "host/cli/param_catalog.h"

#include <gtest/gtest.h>

#include <cmath>

#include "host/cli/cli_error.h"

namespace {

using qvcli::CliError;
using qvcli::ParamCatalog;

class ParamCatalogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    host = qvhost::PluginHost::Load(FAKE_PLUGIN_PATH, &error);
    ASSERT_NE(host, nullptr) << error;
    catalog = std::make_unique<ParamCatalog>(*host);
  }
  // The message of the CliError that f throws; empty when none.
  template <typename F>
  std::string ErrorOf(F f) {
    try {
      f();
    } catch (const CliError& e) {
      EXPECT_EQ(e.ExitCode(), qvcli::kExitUsage);
      return e.what();
    }
    return "";
  }
  std::string Shown(int index, const std::string& value) {
    const float x = catalog->NormalizedFor(index, value);
    host->SetParameter(index, x);
    return host->ParamDisplay(index);
  }
  std::unique_ptr<qvhost::PluginHost> host;
  std::unique_ptr<ParamCatalog> catalog;
};

TEST_F(ParamCatalogTest, NamesResolveExactlyThenIgnoringCaseThenByIndex) {
  EXPECT_EQ(catalog->Resolve("Length"), 1);
  EXPECT_EQ(catalog->Resolve("mode"), 2);
  EXPECT_EQ(catalog->Resolve("3"), 3);
  EXPECT_EQ(ErrorOf([&] { catalog->Resolve("4"); }), "parameter index 4 is out of range (0 to 3)");
  EXPECT_EQ(ErrorOf([&] { catalog->Resolve("99999999999999"); }),
            "parameter index 99999999999999 is out of range (0 to 3)");
}

TEST_F(ParamCatalogTest, UnknownNamesSuggestTheClosest) {
  const std::string message = ErrorOf([&] { catalog->Resolve("Lenght"); });
  EXPECT_EQ(message.rfind("unknown parameter \"Lenght\"; closest: Length", 0), 0u) << message;
}

TEST_F(ParamCatalogTest, LinearNumbersLandOnTheirValue) {
  EXPECT_NEAR(catalog->NormalizedFor(0, "7.5"), 0.75f, 1e-6);
  EXPECT_EQ(Shown(0, "3.33"), "3.33");
  EXPECT_EQ(catalog->NormalizedFor(0, "0"), 0.0f);
  EXPECT_EQ(catalog->NormalizedFor(0, "10"), 1.0f);
}

TEST_F(ParamCatalogTest, CurvedNumbersLandOnTheirValue) {
  EXPECT_NEAR(catalog->NormalizedFor(1, "30"), std::sqrt(29.0 / 149.0), 1e-4);
  EXPECT_EQ(Shown(1, "30"), "30.0");
  EXPECT_EQ(Shown(1, "149.9"), "149.9");
  EXPECT_EQ(catalog->NormalizedFor(1, "150"), 1.0f);
  EXPECT_EQ(catalog->NormalizedFor(1, "1"), 0.0f);
}

TEST_F(ParamCatalogTest, ValuesOutsideTheRangeGiveTheRange) {
  EXPECT_EQ(ErrorOf([&] { catalog->NormalizedFor(1, "500"); }),
            "value 500 is out of range for \"Length\" (index 1): 1.0 to 150.0 ms");
  EXPECT_EQ(ErrorOf([&] { catalog->NormalizedFor(1, "0.5"); }),
            "value 0.5 is out of range for \"Length\" (index 1): 1.0 to 150.0 ms");
  EXPECT_EQ(ErrorOf([&] { catalog->NormalizedFor(0, "loud"); }),
            "value \"loud\" for \"Gain\" (index 0) is not a number");
}

TEST_F(ParamCatalogTest, TruncatedWholeNumbersLandOnTheirValue) {
  EXPECT_EQ(Shown(3, "-1"), "-1");
  EXPECT_EQ(Shown(3, "1"), "1");
  EXPECT_NEAR(catalog->NormalizedFor(3, "0"), 0.5f, 1e-6);
}

TEST_F(ParamCatalogTest, ValuesBetweenDisplayStepsTakeTheNearerStep) {
  EXPECT_EQ(Shown(1, "33.33"), "33.3");
  EXPECT_EQ(Shown(1, "33.37"), "33.4");
  EXPECT_EQ(Shown(0, "3.333"), "3.33");
  EXPECT_EQ(Shown(3, "0.4"), "0");
  EXPECT_EQ(Shown(3, "0.6"), "1");
}

TEST_F(ParamCatalogTest, EnumerationTextsSelectTheirStep) {
  EXPECT_EQ(Shown(2, "High"), "High");
  EXPECT_EQ(Shown(2, "mid"), "Mid");
  EXPECT_EQ(Shown(2, "Low"), "Low");
  EXPECT_EQ(Shown(2, "1"), "Mid");  // the step's plain value
  ASSERT_EQ(catalog->Texts(2).size(), 3u);
  EXPECT_NEAR(catalog->Texts(2)[1].normalized, 0.5f, 1e-6);
  EXPECT_EQ(ErrorOf([&] { catalog->NormalizedFor(2, "Ultra"); }),
            "unknown value \"Ultra\" for \"Mode\" (index 2); choose one of: Low, Mid, High");
  EXPECT_NE(ErrorOf([&] { catalog->NormalizedFor(2, "3"); }), "");
}

TEST(ParamAssignment, SplitsAtTheFirstEqualsSign) {
  std::string name, value;
  qvcli::SplitAssignment("Lng Dpth=0.5", &name, &value);
  EXPECT_EQ(name, "Lng Dpth");
  EXPECT_EQ(value, "0.5");
  EXPECT_THROW(qvcli::SplitAssignment("Pitch", &name, &value), CliError);
  EXPECT_THROW(qvcli::SplitAssignment("=3", &name, &value), CliError);
}

}  // namespace
