// quorvantel-host end to end on the fake plug-in: rendering, formats, presets, and a clear
// one-line message with its exit code for every kind of bad input.
#include <gtest/gtest.h>
#include <signal.h>
#include <sndfile.h>
#include <spawn.h>
#include <sys/stat.h>

#include <chrono>
#include <thread>
#include <vector>

#include "host/cli/preset_file.h"
#include "tests/host/cli_runner.h"
#include "tests/host/fake_plugin.h"

extern char** environ;

namespace {

using clitest::RunHost;
using clitest::RunShell;
using clitest::ScratchDir;

const std::string kFake = FAKE_PLUGIN_PATH;

// Mono or stereo float samples, interleaved.
std::vector<float> ReadAudio(const std::string& path, SF_INFO* info) {
  *info = SF_INFO{};
  SNDFILE* f = sf_open(path.c_str(), SFM_READ, info);
  if (f == nullptr) return {};
  std::vector<float> samples(static_cast<std::size_t>(info->frames * info->channels));
  sf_readf_float(f, samples.data(), info->frames);
  sf_close(f);
  return samples;
}

void WriteAudio(const std::string& path, int format, int channels, const std::vector<float>& s) {
  SF_INFO info{};
  info.samplerate = 48000;
  info.channels = channels;
  info.format = format;
  SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
  ASSERT_NE(f, nullptr) << sf_strerror(nullptr);
  sf_writef_float(f, s.data(), static_cast<sf_count_t>(s.size()) / channels);
  sf_close(f);
}

// One line, naming the problem.
void ExpectOneLineError(const clitest::Result& r, int code, const std::string& text) {
  EXPECT_EQ(r.exitCode, code) << r.err;
  EXPECT_NE(r.err.find(text), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
}

TEST(CliRender, MonoInputFeedsBothChannelsAndTheTailIsRendered) {
  ScratchDir dir;
  std::vector<float> ramp(1000);
  for (std::size_t i = 0; i < ramp.size(); ++i) ramp[i] = 0.001f * static_cast<float>(i % 500);
  WriteAudio(dir / "in.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 1, ramp);
  // Gain 2 × 0.25 halves the input.
  const auto r = RunHost(dir, "render", dir / "in.wav", dir / "out.wav", "--plugin", kFake,
                         "--set-normalized", "Gain=0.25", "--tail", "0.01", "--block-size", "64");
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out.rfind(dir / "out.wav" + ": 0.03 s, 2 ch, 48000 Hz, peak ", 0), 0u) << r.out;
  SF_INFO info;
  const std::vector<float> out = ReadAudio(dir / "out.wav", &info);
  ASSERT_EQ(info.channels, 2);
  EXPECT_EQ(info.frames, 1000 + 480);
  EXPECT_EQ(info.format, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
  for (std::size_t i = 0; i < ramp.size(); ++i) {
    ASSERT_FLOAT_EQ(out[2 * i], 0.5f * ramp[i]) << i;
    ASSERT_FLOAT_EQ(out[2 * i + 1], 0.5f * ramp[i]) << i;
  }
  EXPECT_EQ(out.back(), 0.0f);
}

TEST(CliRender, OutputFormatFollowsTheInputUnlessChosen) {
  ScratchDir dir;
  WriteAudio(dir / "in.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 2, std::vector<float>(200, 0.1f));
  ASSERT_EQ(RunHost(dir, "render", dir / "in.flac", dir / "out", "--plugin", kFake).exitCode, 0);
  SF_INFO info;
  ReadAudio(dir / "out", &info);
  EXPECT_EQ(info.format, SF_FORMAT_FLAC | SF_FORMAT_PCM_16);
  // An extension that names no format we write is a mistake, not a request for the default.
  for (const char* name : {"out.mp3", "out.txt"}) {
    ExpectOneLineError(RunHost(dir, "render", "in.flac", name, "--plugin", kFake), 2,
                       "name the output .wav, .flac, .ogg or .aiff, or choose the format with "
                       "--format");
    EXPECT_FALSE(std::filesystem::exists(dir / name));
  }
  ASSERT_EQ(
      RunHost(dir, "render", "in.flac", "out.txt", "--plugin", kFake, "--format", "aiff").exitCode,
      0);
  ASSERT_EQ(RunHost(dir, "render", dir / "in.flac", dir / "out.aiff", "--plugin", kFake).exitCode,
            0);
  ReadAudio(dir / "out.aiff", &info);
  EXPECT_EQ(info.format, SF_FORMAT_AIFF | SF_FORMAT_PCM_16);
  ASSERT_EQ(RunHost(dir, "render", dir / "in.flac", dir / "out.x", "--plugin", kFake, "--format",
                    "wav", "--encoding", "float")
                .exitCode,
            0);
  ReadAudio(dir / "out.x", &info);
  EXPECT_EQ(info.format, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
}

TEST(CliRender, TheHostAnnouncesRateBlockSizeAndTime) {
  // The fake's double path is the same gain; what matters is that the options are accepted and
  // the double path produces the same numbers as the float one.
  ScratchDir dir;
  WriteAudio(dir / "in.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 2, std::vector<float>(512, 0.25f));
  ASSERT_EQ(RunHost(dir, "render", dir / "in.wav", dir / "a.wav", "--plugin", kFake, "--double",
                    "--tempo", "90", "--time-signature", "3/4", "--stopped")
                .exitCode,
            0);
  SF_INFO info;
  EXPECT_FLOAT_EQ(ReadAudio(dir / "a.wav", &info)[100], 0.25f);
  ExpectOneLineError(RunHost(dir, "render", dir / "in.wav", dir / "b.wav", "--plugin", kFake,
                             "--time-signature", "3/5"),
                     2, "--time-signature");
}

TEST(CliBadInput, MissingUnreadableAndUnsupportedFiles) {
  ScratchDir dir;
  ExpectOneLineError(RunHost(dir, "render", dir / "none.wav", dir / "out.wav", "--plugin", kFake),
                     3, "cannot read " + dir / "none.wav" + ": No such file or directory");
  {
    std::ofstream text(dir / "notes.wav");
    text << "not audio at all\n";
  }
  ExpectOneLineError(RunHost(dir, "render", dir / "notes.wav", dir / "out.wav", "--plugin", kFake),
                     3, "unsupported or damaged audio file");
  ExpectOneLineError(
      RunHost(dir, "render", dir.Path().string(), dir / "out.wav", "--plugin", kFake), 3,
      "it is a folder");
}

TEST(CliBadInput, PluginsThatCannotBeLoaded) {
  ScratchDir dir;
  ExpectOneLineError(RunHost(dir, "info", "--plugin", dir / "none.so"), 4, "cannot load");
  ExpectOneLineError(RunHost(dir, "info", "--plugin", FAKE_PLUGIN_NO_ENTRY_PATH), 4,
                     "is not a VST 2 plug-in: no VSTPluginMain or main");
  // A bare file name is a file in the current folder, never one on the library search path.
  ExpectOneLineError(RunHost(dir, "info", "--plugin", "libc.so.6"), 4, "cannot load libc.so.6");
  std::filesystem::copy_file(kFake, dir / "fake.so");
  const auto r = RunHost(dir, "info", "--plugin", "fake.so");
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("name:          Fake Effect\n"), std::string::npos) << r.out;
}

TEST(CliBadInput, ParameterNamesValuesAndTexts) {
  ScratchDir dir;
  ExpectOneLineError(RunHost(dir, "params", "--plugin", kFake, "--set", "Lenght=3"), 2,
                     "unknown parameter \"Lenght\"; closest: Length");
  ExpectOneLineError(RunHost(dir, "params", "--plugin", kFake, "--set", "Length=200"), 2,
                     "out of range for \"Length\" (index 1): 1.0 to 150.0 ms");
  ExpectOneLineError(RunHost(dir, "params", "--plugin", kFake, "--set", "Mode=Max"), 2,
                     "choose one of: Low, Mid, High");
  ExpectOneLineError(RunHost(dir, "params", "--plugin", kFake, "--set-normalized", "Gain=1.5"), 2,
                     "must be a number from 0 to 1");
  ExpectOneLineError(RunHost(dir, "params", "--plugin", kFake, "--set", "Gain"), 2, "NAME=VALUE");
  ExpectOneLineError(RunHost(dir, "params", "--plugin", kFake, "--program", "3"), 2,
                     "--program: 3 is out of range (0 to 2)");
}

TEST(CliSettings, SettingsApplyInCommandLineOrder) {
  ScratchDir dir;
  const auto later = RunHost(dir, "params", "--plugin", kFake, "--json", "--set-normalized",
                             "Gain=1", "--set", "Gain=2.5");
  EXPECT_NE(later.out.find("\"display\": \"2.50\""), std::string::npos) << later.out;
  const auto earlier = RunHost(dir, "params", "--plugin", kFake, "--json", "--set", "Gain=2.5",
                               "--set-normalized", "Gain=1");
  EXPECT_NE(earlier.out.find("\"display\": \"10.00\""), std::string::npos) << earlier.out;
}

TEST(CliBadInput, CommandLineMistakes) {
  ScratchDir dir;
  EXPECT_EQ(RunHost(dir).exitCode, 2);
  ExpectOneLineError(RunHost(dir, "mix"), 2, "unknown command \"mix\"");
  ExpectOneLineError(RunHost(dir, "render", "--plugin", kFake, "--colour", "red", "a", "b"), 2,
                     "unknown option --colour");
  ExpectOneLineError(RunHost(dir, "render", "in.wav"), 2, "usage: quorvantel-host render IN OUT");
  ExpectOneLineError(RunHost(dir, "render", "a", "b", "--block-size", "0"), 2,
                     "--block-size: 0 is out of range (1 to 16384)");
  for (const char* command : {"info", "params", "render", "bench", "generate"}) {
    const auto r = RunHost(dir, command, "--help");
    EXPECT_EQ(r.exitCode, 0) << command;
    EXPECT_EQ(r.out.rfind(std::string("usage: quorvantel-host ") + command, 0), 0u) << r.out;
  }
  EXPECT_EQ(RunHost(dir, "preset", "save", "--help").exitCode, 0);
}

TEST(CliOutputSafety, AFailedRenderLeavesTheExistingFileAlone) {
  ScratchDir dir;
  WriteAudio(dir / "in.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1, std::vector<float>(100, 0.1f));
  {
    std::ofstream keep(dir / "out.wav");
    keep << "keep me";
  }
  EXPECT_EQ(RunHost(dir, "render", dir / "in.wav", dir / "out.wav", "--plugin", kFake, "--format",
                    "ogg", "--encoding", "pcm16")
                .exitCode,
            2);
  EXPECT_EQ(clitest::ReadText(dir / "out.wav"), "keep me");
}

TEST(CliOutputSafety, PipesAndStandardStreamsAreWrittenInPlace) {
  ScratchDir dir;
  WriteAudio(dir / "in.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, std::vector<float>(600, 0.1f));
  ASSERT_EQ(mkfifo((dir / "pipe").c_str(), 0600), 0);
  // The reader gives up after a while, so a host that never opens the pipe fails the test
  // instead of hanging it.
  std::thread reader(
      [&] { std::system(("timeout 20 cat " + dir / "pipe" + " > " + dir / "got.wav").c_str()); });
  const auto r = RunHost(dir, "render", "in.wav", "pipe", "--plugin", kFake, "--format", "wav");
  reader.join();
  EXPECT_EQ(r.exitCode, 0) << r.err;
  struct stat st {};
  ASSERT_EQ(stat((dir / "pipe").c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
  SF_INFO info;
  EXPECT_EQ(ReadAudio(dir / "got.wav", &info).size(), 600u);

  // "-" is standard output (the summary moves to standard error) and standard input.
  const auto piped = RunShell(dir, "cat in.wav | \"$HOST\" render - - --plugin " +
                                       clitest::Quote(kFake) + " --format flac > out.flac");
  EXPECT_EQ(piped.exitCode, 0) << piped.err;
  EXPECT_EQ(piped.err.rfind("-: 0.01 s, 2 ch, 48000 Hz", 0), 0u) << piped.err;
  const std::vector<float> flac = ReadAudio(dir / "out.flac", &info);
  EXPECT_EQ(info.format, SF_FORMAT_FLAC | SF_FORMAT_PCM_16);
  ASSERT_EQ(flac.size(), 600u);
  EXPECT_NEAR(flac[300], 0.1f, 1e-4);
  const auto generated = RunHost(dir, "generate", "-", "--seconds", "0.1", "--format", "aiff");
  EXPECT_EQ(generated.out.rfind("FORM", 0), 0u);
}

TEST(CliOutputSafety, AnInterruptedRenderLeavesNoPartialFile) {
  ScratchDir dir;
  ASSERT_EQ(RunHost(dir, "generate", dir / "long.wav", "--seconds", "240", "--sample-rate", "8000")
                .exitCode,
            0);
  {
    std::ofstream keep(dir / "out.wav");
    keep << "keep me";
  }
  const std::string in = dir / "long.wav", out = dir / "out.wav";
  std::vector<std::string> words = {QV_HOST_BIN, "render",       in,  out,      "--plugin",
                                    kFake,       "--block-size", "1", "--tail", "600"};
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  ASSERT_EQ(posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ), 0);
  auto partialExists = [&] {
    for (const auto& e : std::filesystem::directory_iterator(dir.Path())) {
      if (e.path().filename().string().find(".partial-") != std::string::npos) return true;
    }
    return false;
  };
  for (int i = 0; i < 500 && !partialExists(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ASSERT_TRUE(partialExists());
  kill(pid, SIGTERM);
  int status = 0;
  waitpid(pid, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 128 + SIGTERM) << status;
  EXPECT_FALSE(partialExists());
  EXPECT_EQ(clitest::ReadText(out), "keep me");
}

TEST(CliPresets, ParameterProgramRoundTripsThroughAnFxpFile) {
  ScratchDir dir;
  ASSERT_EQ(RunHost(dir, "preset", "save", dir / "p.fxp", "--plugin", kFake, "--param-form",
                    "--set", "Gain=7.5", "--set", "Mode=High")
                .exitCode,
            0);
  const auto r = RunHost(dir, "params", "--plugin", kFake, "--preset", dir / "p.fxp", "--json");
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("\"name\": \"Gain\", \"value\": 0.750000, \"display\": \"7.50\""),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("\"display\": \"High\""), std::string::npos) << r.out;
  const auto shown = RunHost(dir, "preset", "show", dir / "p.fxp");
  EXPECT_EQ(shown.out.rfind("program \"Program 1\" for 'fAkE' version 1234, 4 parameters", 0), 0u)
      << shown.out;
}

TEST(CliPresets, MalformedAndForeignPresetsAreRefused) {
  ScratchDir dir;
  qvcli::FxProgram foreign;
  foreign.fxId = 0x41424344;  // 'ABCD'
  foreign.params = {0.5f, 0.5f, 0.5f, 0.5f};
  foreign.numParams = 4;
  const std::vector<std::uint8_t> bytes = qvcli::EncodeProgram(foreign);
  {
    std::ofstream f(dir / "foreign.fxp", std::ios::binary);
    f.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
    std::ofstream g(dir / "cut.fxp", std::ios::binary);
    g.write(reinterpret_cast<const char*>(bytes.data()), 60);
    std::ofstream h(dir / "text.fxb");
    h << "hello";
  }
  ExpectOneLineError(RunHost(dir, "params", "--plugin", kFake, "--preset", dir / "foreign.fxp"), 3,
                     "is a preset for plug-in 'ABCD', not for 'fAkE' (Fake Effect)");
  ExpectOneLineError(RunHost(dir, "params", "--plugin", kFake, "--preset", dir / "cut.fxp"), 3,
                     "malformed preset: program byte size");
  ExpectOneLineError(RunHost(dir, "params", "--plugin", kFake, "--preset", dir / "text.fxb"), 3,
                     "no 'CcnK' magic");
  ExpectOneLineError(RunHost(dir, "params", "--plugin", kFake, "--preset", dir / "none.fxp"), 3,
                     "cannot read");
}

TEST(CliPresets, RecordsWhoseByteSizeEndsBeforeTheirHeadAreRefused) {
  // 60 bytes: a chunk program whose size field says 0, then a chunk size of 0x7FFFFFFF; and a
  // 32-byte bank head with the same size field. Both once sent the reader off the buffer.
  ScratchDir dir;
  qvcli::FxProgram program;
  program.fxId = 0x66416B45;  // 'fAkE'
  program.opaque = true;
  program.chunk = {1};
  std::vector<std::uint8_t> bytes = qvcli::EncodeProgram(program);
  bytes.resize(60);
  const std::uint8_t hostile[] = {0, 0, 0, 0, 0x7F, 0xFF, 0xFF, 0xFF};
  std::copy(hostile, hostile + 4, bytes.begin() + 4);
  std::copy(hostile + 4, hostile + 8, bytes.begin() + 56);
  qvcli::FxBank bank;
  bank.fxId = program.fxId;
  bank.opaque = true;
  bank.chunk = {1};
  std::vector<std::uint8_t> bankBytes = qvcli::EncodeBank(bank);
  bankBytes.resize(32);
  std::copy(hostile, hostile + 4, bankBytes.begin() + 4);
  {
    std::ofstream f(dir / "small.fxp", std::ios::binary);
    f.write(reinterpret_cast<const char*>(bytes.data()), 60);
    std::ofstream g(dir / "small.fxb", std::ios::binary);
    g.write(reinterpret_cast<const char*>(bankBytes.data()), 32);
  }
  for (const char* file : {"small.fxp", "small.fxb"}) {
    ExpectOneLineError(RunHost(dir, "params", "--plugin", kFake, "--preset", dir / file), 3,
                       "byte size 0 is too small");
    ExpectOneLineError(RunHost(dir, "preset", "show", dir / file), 3, "byte size 0 is too small");
  }
}

}  // namespace
