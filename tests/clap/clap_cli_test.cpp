// quorvantel-host driving quorvantel.clap: the same samples as the VST 2 build for the same
// settings, automation and presets, and the commands that read the plug-in.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <string>
#include <vector>

#include "tests/host/cli_runner.h"

namespace {

using clitest::RunHost;
using clitest::ScratchDir;

const std::string kClap = QV_CLAP_PATH;
const std::string kVst2 = QV_PLUGIN_PATH;

std::vector<float> ReadAudio(const std::string& path) {
  SF_INFO info{};
  SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
  if (f == nullptr) return {};
  std::vector<float> samples(static_cast<std::size_t>(info.frames * info.channels));
  sf_readf_float(f, samples.data(), info.frames);
  sf_close(f);
  return samples;
}

class ClapCli : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(RunHost(dir_, "generate", "in.wav", "--seconds", "1.5").exitCode, 0);
  }

  // Renders in.wav through one build with the given options; the float samples written.
  std::vector<float> RenderWith(const std::string& plugin, const std::string& out,
                                std::vector<std::string> options) {
    std::vector<std::string> args = {"render", "in.wav", out, "--plugin", plugin,
                                     "--encoding", "float", "--quiet"};
    args.insert(args.end(), options.begin(), options.end());
    std::string command = "\"$HOST\"";
    for (const std::string& a : args) command.append(1, ' ').append(clitest::Quote(a));
    const clitest::Result r = clitest::RunShell(dir_, command);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    return ReadAudio(dir_ / out);
  }

  ScratchDir dir_;
};

TEST_F(ClapCli, RendersTheSameSamplesAsVst2) {
  const std::vector<std::vector<std::string>> scenes = {
      {},
      {"--set", "Feedback=0.7", "--set", "Pitch=7", "--set", "Dir=-0.5", "--set", "Delay=120",
       "--set", "Dry=0.4", "--tail", "0.5", "--double", "--block-size", "333"},
      {"--set", "Shape1=Sine", "--set", "Src Dpth=0.8", "--set", "Sync1=on",
       "--set", "Pan Dpth=0.5", "--tempo", "93", "--automate", "Freeze=step:0:0,1.2:1", "--block-size", "64"},
      {"--automate", "Dry=step:0:0,1000smp:1,30000smp:0.3", "--automate",
       "Length=0:5,1.2:120", "--automate-normalized", "Wet=0:0.5,0.5:1"},
  };
  for (std::size_t i = 0; i < scenes.size(); ++i) {
    SCOPED_TRACE(i);
    const std::vector<float> vst2 = RenderWith(kVst2, "v.wav", scenes[i]);
    const std::vector<float> clap = RenderWith(kClap, "c.wav", scenes[i]);
    ASSERT_FALSE(vst2.empty());
    EXPECT_EQ(clap, vst2);
  }
}

// Automation at sample 1000 of 512-frame blocks: the CLAP event lands inside the second block
// and the sound changes at that sample, not at the block's start.
TEST_F(ClapCli, AutomationChangesTheSoundAtTheEventSample) {
  const std::vector<float> steady = RenderWith(kClap, "s.wav", {});
  const std::vector<float> automated =
      RenderWith(kClap, "a.wav", {"--automate", "Dry=step:0:0,1000smp:1"});
  ASSERT_EQ(steady.size(), automated.size());
  std::size_t first = steady.size();
  for (std::size_t i = 0; i < steady.size() && first == steady.size(); ++i) {
    if (steady[i] != automated[i]) first = i;
  }
  EXPECT_EQ(first / 2, 1000u);  // interleaved stereo frames
}

TEST_F(ClapCli, InfoParamsAndPresetsThroughTheState) {
  clitest::Result info = RunHost(dir_, "info", "--plugin", kClap);
  ASSERT_EQ(info.exitCode, 0) << info.err;
  EXPECT_NE(info.out.find("com.halbrecken.quorvantel"), std::string::npos);
  EXPECT_NE(info.out.find("parameters:    89"), std::string::npos);
  EXPECT_NE(info.out.find("features:      audio-effect delay granular stereo"), std::string::npos);

  // A preset saved from the CLAP build loads into the VST 2 build and sounds the same.
  ASSERT_EQ(RunHost(dir_, "preset", "save", "p.fxp", "--plugin", kClap, "--set", "Feedback=0.5",
                    "--set", "Pitch=-5")
                .exitCode,
            0);
  EXPECT_EQ(RenderWith(kVst2, "v.wav", {"--preset", "p.fxp"}),
            RenderWith(kClap, "c.wav", {"--set", "Feedback=0.5", "--set", "Pitch=-5"}));
  clitest::Result shown = RunHost(dir_, "preset", "show", "p.fxp", "--plugin", kClap);
  EXPECT_EQ(shown.exitCode, 0) << shown.err;

  clitest::Result missing = RunHost(dir_, "info", "--plugin", kClap, "--plugin-id", "com.x.none");
  EXPECT_EQ(missing.exitCode, 4);
  EXPECT_NE(missing.err.find("com.x.none"), std::string::npos) << missing.err;
}

}  // namespace
