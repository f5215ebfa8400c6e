// Automation lanes: times in every unit, steps and ramps, the frames where values change, and
// the mistakes a lane can hold.
#include "host/cli/automation.h"

#include <gtest/gtest.h>

#include "host/cli/cli_error.h"
#include "host/lib/vst2_plugin.h"

namespace {

using qvcli::Automation;
using qvcli::kRampStepFrames;

class AutomationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    host = qvhost::PluginHost::Load(FAKE_PLUGIN_PATH, &error);
    ASSERT_NE(host, nullptr) << error;
    catalog = std::make_unique<qvcli::ParamCatalog>(*host);
    plugin = std::make_unique<qvhost::Vst2Plugin>(*host);
  }
  std::unique_ptr<qvhost::PluginHost> host;
  std::unique_ptr<qvhost::Vst2Plugin> plugin;
  std::unique_ptr<qvcli::ParamCatalog> catalog;
  Automation automation;
};

TEST_F(AutomationTest, RampsMoveInStepsAndReachEveryPointExactly) {
  // Gain shows 0 to 10 linearly; 1 s is 1000 frames at this rate.
  automation.AddLane("Gain=0.5:2, 1500ms:4, 3000smp:4", *catalog, 1000.0);
  const auto& lane = automation.Lanes()[0];
  ASSERT_EQ(lane.points.size(), 3u);
  EXPECT_EQ(lane.points[1].frame, 1500);
  EXPECT_FALSE(lane.step);
  EXPECT_FLOAT_EQ(Automation::ValueAt(lane, 0), 0.2f);  // before the first point
  EXPECT_FLOAT_EQ(Automation::ValueAt(lane, 500), 0.2f);
  // Within a step the value holds; each step starts on the straight line between the points.
  EXPECT_FLOAT_EQ(Automation::ValueAt(lane, 500 + 5 * kRampStepFrames + 3),
                  0.2f + 0.2f * 5 * kRampStepFrames / 1000.0f);
  EXPECT_FLOAT_EQ(Automation::ValueAt(lane, 1500), 0.4f);
  EXPECT_FLOAT_EQ(Automation::ValueAt(lane, 9999), 0.4f);
  // Changes fall on the ramp's steps and stop where the value stays.
  EXPECT_EQ(automation.NextChange(0), 500);
  EXPECT_EQ(automation.NextChange(500), 500 + kRampStepFrames);
  EXPECT_EQ(automation.NextChange(1499), 1500);
  EXPECT_EQ(automation.NextChange(1500), 3000);
  EXPECT_EQ(automation.NextChange(3000), Automation::kNever);
}

TEST_F(AutomationTest, NormalisedLanesTakeTheHostsValuesAsGiven) {
  automation.AddLane("Length=0:0.25,1:1", *catalog, 1000.0, true);
  const auto& lane = automation.Lanes()[0];
  EXPECT_FLOAT_EQ(lane.points[0].normalized, 0.25f);
  EXPECT_FLOAT_EQ(lane.points[1].normalized, 1.0f);
  EXPECT_FALSE(lane.step);
  EXPECT_THROW(automation.AddLane("Gain=0:1.5", *catalog, 1000.0, true), qvcli::CliError);
  EXPECT_THROW(automation.AddLane("Gain=0:High", *catalog, 1000.0, true), qvcli::CliError);
}

TEST_F(AutomationTest, TextsStepAndSeveralLanesShareTheChangePoints) {
  automation.AddLane("Mode=0:Low,0.25:High,0.5:Mid", *catalog, 48000.0);
  automation.AddLane("Gain=step:0.1:5", *catalog, 48000.0);
  EXPECT_TRUE(automation.Lanes()[0].step);
  EXPECT_FLOAT_EQ(Automation::ValueAt(automation.Lanes()[0], 11999), 0.0f);
  EXPECT_FLOAT_EQ(Automation::ValueAt(automation.Lanes()[0], 12000), 1.0f);
  EXPECT_EQ(automation.NextChange(0), 4800);
  EXPECT_EQ(automation.NextChange(4800), 12000);
  // Apply sends a value only when it changed.
  automation.Apply(*plugin, 12000);
  EXPECT_EQ(host->ParamDisplay(2), "High");
  EXPECT_EQ(host->ParamDisplay(0), "5.00");
  host->SetParameter(0, 0.0f);
  automation.Apply(*plugin, 12001);
  EXPECT_EQ(host->ParamDisplay(0), "0.00");
}

TEST_F(AutomationTest, MistakesNameTheLaneAndThePoint) {
  auto error = [&](const std::string& lane) -> std::string {
    try {
      automation.AddLane(lane, *catalog, 48000.0);
    } catch (const qvcli::CliError& e) {
      return e.what();
    }
    return "";
  };
  EXPECT_NE(error("Gain=1:2,0.5:3").find("times must not go back"), std::string::npos);
  EXPECT_NE(error("Gain=soon:3").find("expected TIME:VALUE"), std::string::npos);
  EXPECT_NE(error("Gain=1.5smp:3").find("expected TIME:VALUE"), std::string::npos);
  EXPECT_NE(error("Gain=0:11").find("out of range"), std::string::npos);
  EXPECT_NE(error("Gian=0:1").find("closest: Gain"), std::string::npos);
  automation.AddLane("Gain=0:1", *catalog, 48000.0);
  EXPECT_NE(error("Gain=0:2").find("automated twice"), std::string::npos);
}

}  // namespace
