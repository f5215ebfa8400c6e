// A careless host, reproducibly: a fixed-seed run of a few thousand calls through the built module
// (every dispatcher opcode, bad parameter values, damaged chunks, program changes, bad rates and
// sizes, all three process paths) keeps audio finite, writes nothing past a buffer and leaves the
// instance answering sensibly.
#include <gtest/gtest.h>

#include "tests/plugin/host_call_script.h"
#include "tests/plugin/module_fixture.h"

namespace {

constexpr int kSteps = 3000;

TEST(HostAbuse, RandomCallsKeepAudioFiniteAndBuffersIntact) {
  auto host = LoadModule();
  ASSERT_NE(host, nullptr);
  host->Open();
  hostscript::SeededChoices rng(0x51A7E5EEDull);
  hostscript::HostCallScript script(*host, rng, [](const std::string& m) { ADD_FAILURE() << m; });
  for (int step = 0; step < kSteps && script.Step(); ++step) {
  }
  script.CheckParameters("the whole run");
  host->Close();
  EXPECT_EQ(host->TextOverruns(), 0);
  EXPECT_EQ(script.slackDamage, 0);
  EXPECT_EQ(script.opcodesSeen.count(), 80u);  // all but close, which came last
  EXPECT_TRUE(script.longBlocksSeen.all());
  EXPECT_TRUE(script.inputCountsSeen.all()) << script.inputCountsSeen;
  EXPECT_TRUE(script.outputCountsSeen.all()) << script.outputCountsSeen;
}

}  // namespace
