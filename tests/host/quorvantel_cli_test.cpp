// quorvantel-host end to end on the real Quorvantel module: what info and params list, plain
// values in the parameters' own units, presets in every form, and a deterministic render.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "engine/render_path.h"
#include "host/cli/preset_file.h"
#include "tests/host/cli_runner.h"

// The engine's names, as the tests use them throughout.
using namespace engine;

namespace {

using clitest::RunHost;
using clitest::ScratchDir;

const std::string kPlugin = QV_PLUGIN_PATH;

// FNV-1a over the 16-bit samples of the deterministic render below. When the sound of the
// effect changes on purpose, refresh it: run
//   build/tests/host/quorvantel_cli_test --gtest_filter='QuorvantelRender.*'
// and copy the checksum the failure message prints.
constexpr std::uint64_t kRenderChecksum = 0x28CFD752E117A381ULL;

std::string Params(const ScratchDir& dir, const std::vector<std::string>& extra) {
  std::string command =
      clitest::Quote(QV_HOST_BIN) + " params --json --plugin " + clitest::Quote(kPlugin);
  for (const std::string& e : extra) command.append(" ").append(clitest::Quote(e));
  command += " 2>" + clitest::Quote(dir / "stderr.txt");
  std::string out;
  FILE* pipe = popen(command.c_str(), "r");
  char buffer[4096];
  std::size_t n = 0;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
  EXPECT_EQ(pclose(pipe), 0) << clitest::ReadText(dir / "stderr.txt");
  return out;
}

// The JSON line of one parameter.
std::string ParamLine(const std::string& json, int index) {
  const std::string key = "{\"index\": " + std::to_string(index) + ",";
  const std::size_t at = json.find(key);
  if (at == std::string::npos) return "";
  return json.substr(at, json.find('\n', at) - at);
}

std::string DisplayOf(const std::string& json, int index) {
  const std::string line = ParamLine(json, index);
  const std::size_t at = line.find("\"display\": \"");
  if (at == std::string::npos) return "";
  const std::size_t begin = at + 12;
  return line.substr(begin, line.find('"', begin) - begin);
}

TEST(QuorvantelInfo, ListsTheIdentityAndThePrograms) {
  ScratchDir dir;
  const auto r = RunHost(dir, "info", "--plugin", kPlugin);
  ASSERT_EQ(r.exitCode, 0) << r.err;
  for (const char* line :
       {"name:          Quorvantel\n", "vendor:        Halbrecken\n", "unique id:     'qZvx'",
        "version:       10000 (1.0.0)\n", "VST version:   2400\n", "category:      effect\n",
        "inputs:        2\n", "outputs:       2\n", "parameters:    89\n", "programs:      6\n",
        "   0  - 1 -\n", "   5  - 6 -\n"}) {
    EXPECT_NE(r.out.find(line), std::string::npos) << line << "\n" << r.out;
  }
  // One version, the project's, for the program and for the plug-in hosts load.
  const auto v = RunHost(dir, "--version", "--plugin", kPlugin);
  EXPECT_EQ(v.out.rfind("quorvantel-host " QV_VERSION "\nplug-in Quorvantel " QV_VERSION " ", 0), 0u)
      << v.out;
}

TEST(QuorvantelParams, ListsEveryParameterWithItsDefault) {
  ScratchDir dir;
  const std::string json = Params(dir, {});
  EXPECT_EQ(ParamLine(json, 0),
            "{\"index\": 0, \"name\": \"Length\", \"value\": 0.441170, \"display\": \"30.0\", "
            "\"label\": \"ms\", \"id\": \"Length\", \"default\": \"30.0\", \"defaultValue\": "
            "0.441170, \"min\": \"1.0\", \"max\": \"150.0\", \"texts\": []},");
  // Repeated names get a spelling of their own.
  EXPECT_NE(ParamLine(json, 43).find("\"id\": \"Envelope#1\""), std::string::npos);
  EXPECT_NE(ParamLine(json, 52).find("\"id\": \"Envelope#5\""), std::string::npos);
  EXPECT_NE(ParamLine(json, 53).find("\"id\": \"Env Skew#4\""), std::string::npos);
  EXPECT_NE(ParamLine(json, 54).find("\"name\": \"Shape1\""), std::string::npos);
  EXPECT_EQ(DisplayOf(json, 54), "Random");
  EXPECT_EQ(DisplayOf(json, 1), "LFO 1");
  EXPECT_EQ(DisplayOf(json, 86), "off");
  EXPECT_NE(ParamLine(json, 88).find("\"name\": \"Wet\""), std::string::npos);
  EXPECT_EQ(ParamLine(json, 89), "");
}

TEST(QuorvantelParams, PlainValuesLandInTheParametersOwnUnits) {
  ScratchDir dir;
  const std::string json = Params(dir, {"--set",        "Pitch=12",      "--set",
                                        "Lng Dpth=0.5", "--set",         "Shape1=SampleHold",
                                        "--set",        "43=3",          "--set",
                                        "Dir=-1",       "--set",         "Rate1=5",
                                        "--set",        "MidSide=on",    "--set",
                                        "Wet=2",        "--set",         "Ons Mod=LFO 4",
                                        "--set",        "Length=149.9",  "--set-normalized",
                                        "Pan=0.25",     "--set",         "Envelope#3=Hann",
                                        "--set",        "env skew#2=0.2"});
  EXPECT_EQ(DisplayOf(json, 48), "Hann");
  EXPECT_EQ(DisplayOf(json, 49), "0.20");
  EXPECT_EQ(DisplayOf(json, 15), "12.0");
  EXPECT_EQ(DisplayOf(json, 2), "0.50");
  EXPECT_EQ(DisplayOf(json, 54), "SampleHold");
  EXPECT_EQ(DisplayOf(json, 43), "3");
  EXPECT_EQ(DisplayOf(json, 12), "-1");
  EXPECT_EQ(DisplayOf(json, 55), "5.00");
  EXPECT_EQ(DisplayOf(json, 86), "on");
  EXPECT_EQ(DisplayOf(json, 88), "2.00");
  EXPECT_EQ(DisplayOf(json, 4), "LFO 4");
  EXPECT_EQ(DisplayOf(json, 0), "149.9");
  EXPECT_EQ(DisplayOf(json, 9), "0.25");
}

// The normalised value in a parameter's JSON line.
double ValueOf(const std::string& json, int index) {
  const std::string line = ParamLine(json, index);
  const std::size_t at = line.find("\"value\": ");
  return at == std::string::npos ? -1.0 : std::stod(line.substr(at + 9));
}

TEST(QuorvantelParams, SetTakesAnyValueInRangeAndTheFormsTheEditorShows) {
  ScratchDir dir;
  // Values between display steps set exactly that value, through the parameter table's mapping.
  std::string json = Params(dir, {"--set", "Freeze=0.54", "--set", "Length=33.33", "--set",
                                  "Lng Dpth=0.245", "--set", "Rate1=0.065"});
  EXPECT_NEAR(ValueOf(json, 34), 0.54, 1e-6);
  EXPECT_NEAR(ValueOf(json, 0), std::sqrt(32.33 / 149.0), 1e-6);
  EXPECT_NEAR(ValueOf(json, 2), 0.245, 1e-6);
  EXPECT_NEAR(ValueOf(json, 55), std::sqrt(0.055 / 11.99), 1e-6);
  // The editor's own forms: pan texts, a unit glued to the number, a division of a synced LFO.
  json = Params(dir, {"--set", "Pan=25%L", "--set", "Length=50ms", "--set", "Sync1=on", "--set",
                      "Rate1=1/4", "--set", "Source=100%L", "--set", "FB Apply=30 %"});
  EXPECT_NEAR(ValueOf(json, 9), 0.375, 1e-6);
  EXPECT_EQ(DisplayOf(json, 0), "50.0");
  EXPECT_NEAR(ValueOf(json, 55), 12.5 / 22.0, 1e-6);
  EXPECT_NEAR(ValueOf(json, 6), 1.0, 1e-6);
  EXPECT_NEAR(ValueOf(json, 28), 0.3, 1e-6);
  EXPECT_NEAR(ValueOf(Params(dir, {"--set", "Pan=C"}), 9), 0.5, 1e-6);
}

TEST(QuorvantelParams, TheTableShowsWhatTheEditorShows) {
  ScratchDir dir;
  const auto r = RunHost(dir, "params", "--plugin", kPlugin, "--set", "Sync2=on", "--set",
                         "Rate2=3.9", "--set", "Pan=0.35");
  ASSERT_EQ(r.exitCode, 0) << r.err;
  std::vector<std::string> lines;
  std::istringstream text(r.out);
  for (std::string line; std::getline(text, line);) lines.push_back(line);
  auto row = [&](const std::string& start) {
    for (const std::string& line : lines)
      if (line.rfind(start, 0) == 0) return line;
    return std::string();
  };
  // Pan as the fader reads it, FB Apply in percent, Dir with decimals, a synced rate's division.
  EXPECT_EQ(row(" 9  Pan ").find(" 9  Pan         30%L        0.350000  C  "), 0u)
      << row(" 9  Pan ");
  EXPECT_NE(row("28  FB Apply").find("25 %"), std::string::npos) << row("28  FB Apply");
  EXPECT_NE(row("12  Dir").find("1.00"), std::string::npos) << row("12  Dir");
  EXPECT_NE(row("59  Rate2").find("1/4"), std::string::npos) << row("59  Rate2");
  EXPECT_NE(row(" 6  Source").find("100%R"), std::string::npos) << row(" 6  Source");
}

TEST(QuorvantelParams, BadNamesValuesAndTextsSayWhatIsWrong) {
  ScratchDir dir;
  auto r = RunHost(dir, "params", "--plugin", kPlugin, "--set", "Envelope=2");
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_NE(r.err.find("\"Envelope\" is ambiguous (indices 43, 46, 48, 50, 52)"), std::string::npos)
      << r.err;
  r = RunHost(dir, "params", "--plugin", kPlugin, "--set", "Length=500");
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_NE(r.err.find("out of range for \"Length\" (index 0): 1.0 ms to 150.0 ms"),
            std::string::npos)
      << r.err;
  r = RunHost(dir, "params", "--plugin", kPlugin, "--set", "Shape1=Saw");
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_NE(r.err.find("choose one of: Const, Triangle, Square, Sine, Random, Random Sqr, "
                       "SampleHold"),
            std::string::npos)
      << r.err;
  r = RunHost(dir, "params", "--plugin", kPlugin, "--set", "Pich=3");
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_NE(r.err.find("closest: Pitch"), std::string::npos) << r.err;
}

TEST(QuorvantelPresets, EveryFormRoundTripsTheParameterValues) {
  ScratchDir dir;
  const std::vector<std::string> settings = {"--set", "Pitch=-7",    "--set", "Feedback=0.4",
                                             "--set", "Shape2=Sine", "--set", "Dry=0.7"};
  const std::string expected = Params(dir, settings);
  for (const std::string file : {"p.fxp", "c.fxp", "b.fxb", "state.chunk"}) {
    std::vector<std::string> save = {"preset", "save", dir / file, "--plugin", kPlugin};
    if (file == "c.fxp") save.push_back("--chunk-form");
    save.insert(save.end(), settings.begin(), settings.end());
    std::string command = clitest::Quote(QV_HOST_BIN);
    for (const std::string& w : save) command.append(" ").append(clitest::Quote(w));
    ASSERT_EQ(std::system(command.c_str()), 0) << file;
    EXPECT_EQ(Params(dir, {"--preset", dir / file}), expected) << file;
  }
  const auto shown = RunHost(dir, "preset", "show", dir / "b.fxb");
  EXPECT_EQ(shown.out.rfind("bank for 'qZvx' version 10000, 6 programs, current 0\n", 0), 0u)
      << shown.out;
  // Values with their names and display texts, from parameter lists and chunks alike.
  for (const std::string file : {"p.fxp", "c.fxp"}) {
    const std::string listed = RunHost(dir, "preset", "show", dir / file, "--plugin", kPlugin).out;
    EXPECT_NE(listed.find("15  Pitch       -7.0 "), std::string::npos) << listed;
    EXPECT_NE(listed.find("58  Shape2      Sine "), std::string::npos) << listed;
  }
}

TEST(QuorvantelPresets, PresetsOfOtherPlugInsAndDamagedChunksAreRefused) {
  ScratchDir dir;
  qvcli::FxProgram foreign;
  foreign.fxId = 0x41424344;
  foreign.numParams = 89;
  foreign.params.assign(89, 0.5f);
  const std::vector<std::uint8_t> bytes = qvcli::EncodeProgram(foreign);
  {
    std::ofstream f(dir / "foreign.fxp", std::ios::binary);
    f.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
    std::ofstream g(dir / "short.chunk", std::ios::binary);
    g << "pfft";
  }
  auto r = RunHost(dir, "params", "--plugin", kPlugin, "--preset", dir / "foreign.fxp");
  EXPECT_EQ(r.exitCode, 3);
  EXPECT_NE(r.err.find("is a preset for plug-in 'ABCD', not for 'qZvx' (Quorvantel)"),
            std::string::npos)
      << r.err;
  r = RunHost(dir, "params", "--plugin", kPlugin, "--preset", dir / "short.chunk");
  EXPECT_EQ(r.exitCode, 3);
  EXPECT_NE(r.err.find("refused the preset's state chunk"), std::string::npos) << r.err;
}

TEST(QuorvantelPrograms, ProgramOptionSelectsAndChecksTheProgram) {
  ScratchDir dir;
  EXPECT_EQ(RunHost(dir, "params", "--plugin", kPlugin, "--program", "5").exitCode, 0);
  const auto r = RunHost(dir, "params", "--plugin", kPlugin, "--program", "6");
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_NE(r.err.find("--program: 6 is out of range (0 to 5)"), std::string::npos) << r.err;
}

TEST(QuorvantelRender, DeterministicRenderMatchesTheStoredChecksum) {
  ScratchDir dir;
  ASSERT_EQ(RunHost(dir, "generate", dir / "in.wav", "--seconds", "2").exitCode, 0);
  const auto r = RunHost(dir, "render", dir / "in.wav", dir / "out.wav", "--plugin", kPlugin,
                         "--encoding", "pcm16", "--tail", "1", "--set", "Pitch=7", "--set",
                         "Feedback=0.3", "--set", "Delay=40", "--set", "Dry=0.8");
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out.rfind(dir / "out.wav" + ": 3.00 s, 2 ch, 44100 Hz, peak ", 0), 0u) << r.out;
  SF_INFO info{};
  SNDFILE* f = sf_open((dir / "out.wav").c_str(), SFM_READ, &info);
  ASSERT_NE(f, nullptr);
  std::vector<short> samples(static_cast<std::size_t>(info.frames * info.channels));
  sf_readf_short(f, samples.data(), info.frames);
  sf_close(f);
  std::uint64_t hash = 0xcbf29ce484222325ULL;
  for (short s : samples) {
    for (int b = 0; b < 2; ++b) {
      hash ^= (static_cast<std::uint16_t>(s) >> (8 * b)) & 0xFF;
      hash *= 0x100000001b3ULL;
    }
  }
  char text[32];
  std::snprintf(text, sizeof text, "0x%016llXULL", static_cast<unsigned long long>(hash));
  EXPECT_EQ(hash, kRenderChecksum) << "checksum of this render: " << text;
}

TEST(QuorvantelBench, PrintsTheRealTimeFactor) {
  ScratchDir dir;
  const auto r = RunHost(dir, "bench", "--plugin", kPlugin, "--seconds", "0.5", "--block-size",
                         "256", "--sample-rate", "48000");
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out.rfind("real-time factor ", 0), 0u) << r.out;
  EXPECT_NE(r.out.find("(48000 Hz, block 256, float path)"), std::string::npos) << r.out;
}

TEST(QuorvantelRenderPath, InfoNamesItAndBenchForcesEachPathThisProcessorRuns) {
  ScratchDir dir;
  const auto info = RunHost(dir, "info", "--plugin", kPlugin);
  ASSERT_EQ(info.exitCode, 0) << info.err;
  const std::string line = std::string("render path:   ") + RenderPathName(DefaultRenderPath());
  EXPECT_NE(info.out.find(line + "\n"), std::string::npos) << info.out;
  for (RenderPath p : {RenderPath::kSse2, RenderPath::kAvx2, RenderPath::kAvx512}) {
    const auto r =
        RunHost(dir, "bench", "--plugin", kPlugin, "--seconds", "0.2", "--simd", RenderPathName(p));
    if (!RenderPathSupported(p)) {
      EXPECT_EQ(r.exitCode, 2) << r.out;
      continue;
    }
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find(std::string(" on the ") + RenderPathName(p) + " render path\n"),
              std::string::npos)
        << r.out;
  }
  const auto bad = RunHost(dir, "bench", "--plugin", kPlugin, "--simd", "avx9");
  EXPECT_EQ(bad.exitCode, 2);
  EXPECT_NE(bad.err.find("--simd takes sse2, avx2 or avx512"), std::string::npos) << bad.err;
}

TEST(QuorvantelCli, MistakesAreNamedWithTheirRemedy) {
  ScratchDir dir;
  auto r = RunHost(dir, "params", "--plugin", kPlugin, "--set", "Pitch", "12");
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_NE(r.err.find("takes NAME=VALUE as one word, got \"Pitch\" and \"12\"; write --set "
                       "\"Pitch=12\""),
            std::string::npos)
      << r.err;
  r = RunHost(dir, "snapshot", dir / "x.jpg");
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_NE(r.err.find("name the output .png"), std::string::npos) << r.err;
  EXPECT_FALSE(std::filesystem::exists(dir / "x.jpg"));
  // A folder that cannot be made says why.
  std::ofstream(dir / "file") << "x";
  r = RunHost(dir, "snapshot", dir / "file/x.png");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("cannot create the folder " + dir / "file" + ": Not a directory"),
            std::string::npos)
      << r.err;
  ASSERT_EQ(RunHost(dir, "generate", dir / "in.wav", "--seconds", "500ms").exitCode, 0);
  r = RunHost(dir, "render", dir / "in.wav", dir / "o.wav", "--plugin", kPlugin, "--format",
              "flac");
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_NE(r.err.find("--format flac does not match the name " + dir / "o.wav"), std::string::npos)
      << r.err;
  // Audio to standard output on a terminal is refused (script gives the program one).
  r = clitest::RunShell(dir, "script -qec \"\\\"$HOST\\\" render in.wav - --plugin " +
                                 clitest::Quote(kPlugin) + "\" /dev/null");
  EXPECT_NE(r.out.find("not writing binary data to the terminal"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("RIFF"), std::string::npos);
}

TEST(QuorvantelCli, OutputsMakeTheirFoldersTimesTakeUnitsAndSuccessIsReported) {
  ScratchDir dir;
  ASSERT_EQ(RunHost(dir, "generate", dir / "in.wav", "--seconds", "1s").exitCode, 0);
  for (const auto& [tail, length] : {std::pair<const char*, const char*>{"3s", "4.00 s"},
                                     {"250ms", "1.25 s"},
                                     {"22050smp", "1.50 s"}}) {
    const auto r = RunHost(dir, "render", dir / "in.wav", dir / "new/folder/out.wav", "--plugin",
                           kPlugin, "--tail", tail);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find(dir / "new/folder/out.wav: " + length), std::string::npos) << r.out;
  }
  auto r =
      RunHost(dir, "preset", "save", dir / "p/my.fxp", "--plugin", kPlugin, "--set", "Pitch=3");
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, dir / "p/my.fxp" +
                       ": program \"- 1 -\" of Quorvantel, 89 parameter values "
                       "(412 bytes)\n");
  r = RunHost(dir, "--version");
  EXPECT_EQ(r.out.rfind("quorvantel-host 1.0.0\nplug-in Quorvantel 1.0.0 by Halbrecken (version "
                        "10000 as hosts show it), ",
                        0),
            0u)
      << r.out;
}

TEST(QuorvantelCli, LostSettingsAndSilentRendersAreWarnedAbout) {
  ScratchDir dir;
  ASSERT_EQ(RunHost(dir, "generate", dir / "in.wav", "--seconds", "1").exitCode, 0);
  auto r = RunHost(dir, "render", dir / "in.wav", dir / "a.wav", "--plugin", kPlugin, "--set",
                   "Pitch=5", "--automate", "Pitch=0:0,1:12");
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.err.find("warning: --set \"Pitch=5\" has no effect: the automation of \"Pitch\" "
                       "sets it from the start of the render"),
            std::string::npos)
      << r.err;
  r = RunHost(dir, "render", dir / "in.wav", dir / "b.wav", "--plugin", kPlugin, "--set", "Wet=0");
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.err.find("warning: " + dir / "b.wav" +
                       " is entirely silent; likely because Wet and "
                       "Dry are 0"),
            std::string::npos)
      << r.err;
  r = RunHost(dir, "render", dir / "in.wav", dir / "c.wav", "--plugin", kPlugin, "--stopped");
  EXPECT_NE(r.err.find("transport was reported stopped (--stopped)"), std::string::npos) << r.err;
  // An audible render says nothing of the kind.
  r = RunHost(dir, "render", dir / "in.wav", dir / "d.wav", "--plugin", kPlugin);
  EXPECT_EQ(r.err.find("silent"), std::string::npos) << r.err;
}

}  // namespace
