// The factory bank as shipped: made from its list by the generator, readable by quorvantel-host
// with all of its programs, and every program audible on the demo phrase at a sane level.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <vector>

#include "tests/host/cli_runner.h"

namespace {

using clitest::RunHost;
using clitest::ScratchDir;

const std::string kBank = QV_SOURCE_DIR "/presets/quorvantel-factory.fxb";
const std::string kList = QV_SOURCE_DIR "/presets/factory-presets.txt";

std::vector<char> Bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The preset names of the list, in order.
std::vector<std::string> Names() {
  std::ifstream in(kList);
  std::vector<std::string> names;
  for (std::string line; std::getline(in, line);)
    if (line.rfind("name: ", 0) == 0) names.push_back(line.substr(6));
  return names;
}

// Largest absolute sample of an audio file, in dBFS.
double PeakDbfs(const std::string& path) {
  SF_INFO info{};
  SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
  if (f == nullptr) return -999.0;
  std::vector<float> samples(static_cast<std::size_t>(info.frames * info.channels));
  sf_readf_float(f, samples.data(), info.frames);
  sf_close(f);
  float peak = 0.0f;
  for (float s : samples) peak = std::max(peak, std::fabs(s));
  return peak > 0.0f ? 20.0 * std::log10(peak) : -999.0;
}

TEST(FactoryPresets, TheCommittedBankIsWhatTheGeneratorMakesOfTheList) {
  ScratchDir dir;
  const std::string made = dir / "made.fxb";
  ASSERT_EQ(std::system((clitest::Quote(QV_BANK_GENERATOR) + " " + clitest::Quote(kList) + " " +
                         clitest::Quote(made) + " >/dev/null")
                            .c_str()),
            0);
  EXPECT_EQ(Bytes(made), Bytes(kBank))
      << "presets/quorvantel-factory.fxb is stale: cmake --build build --target qv_factory_presets";
}

TEST(FactoryPresets, EveryProgramLoadsAndPlaysAudiblyOnTheDemoPhrase) {
  ScratchDir dir;
  const std::vector<std::string> names = Names();
  ASSERT_GE(names.size(), 10u);
  const auto shown = RunHost(dir, "preset", "show", kBank, "--plugin", QV_PLUGIN_PATH);
  ASSERT_EQ(shown.exitCode, 0) << shown.err;
  for (const std::string& name : names)
    EXPECT_NE(shown.out.find("program \"" + name + "\""), std::string::npos) << name;

  ASSERT_EQ(RunHost(dir, "generate", dir / "demo.wav", "--seconds", "8").exitCode, 0);
  for (std::size_t n = 0; n < names.size(); ++n) {
    const std::string out = dir / ("p" + std::to_string(n) + ".wav");
    const auto r = RunHost(dir, "render", dir / "demo.wav", out, "--plugin", QV_PLUGIN_PATH,
                           "--tail", "3", "--encoding", "float", "--quiet", "--preset", kBank,
                           "--program", std::to_string(n));
    ASSERT_EQ(r.exitCode, 0) << names[n] << ": " << r.err;
    const double peak = PeakDbfs(out);
    EXPECT_GE(peak, -20.0) << names[n];
    EXPECT_LE(peak, -1.0) << names[n];
  }
  // Past the bank's last program.
  const auto r = RunHost(dir, "params", "--plugin", QV_PLUGIN_PATH, "--preset", kBank, "--program",
                         std::to_string(names.size()));
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_NE(r.err.find("holds programs 0 to " + std::to_string(names.size() - 1)),
            std::string::npos)
      << r.err;
}

}  // namespace
