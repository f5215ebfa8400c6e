// quorvantel-host end to end on the fake plug-in: rendering, formats, presets, and a clear
// one-line message with its exit code for every kind of bad input.
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sndfile.h>
#include <spawn.h>
#include <sys/stat.h>

#include <chrono>
#include <cmath>
#include <sstream>
#include <thread>
#include <vector>

#include "host/cli/automation.h"
#include "host/cli/preset_file.h"
#include "tests/host/cli_runner.h"
#include "tests/host/fake_plugin.h"

extern char** environ;

namespace {

using clitest::RunHost;
using clitest::RunShell;
using clitest::ScratchDir;

const std::string kFake = FAKE_PLUGIN_PATH;
const std::string kNoQuery = FAKE_PLUGIN_NO_QUERY_PATH;

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

// One interleaved sample of a file; NaN when the file is missing or shorter.
float SampleAt(const std::string& path, std::size_t index) {
  SF_INFO info;
  const std::vector<float> samples = ReadAudio(path, &info);
  return index < samples.size() ? samples[index] : std::nanf("");
}

void WriteAudio(const std::string& path, int format, int channels, const std::vector<float>& s) {
  SCOPED_TRACE(path);
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
  EXPECT_FLOAT_EQ(SampleAt(dir / "a.wav", 100), 0.25f);
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

TEST(CliSettings, PlugInsWithoutTheDisplayQueryAreSetFromTheirOwnDisplay) {
  ScratchDir dir;
  const auto r = RunHost(dir, "params", "--plugin", kNoQuery, "--json", "--set", "Length=30",
                         "--set", "Mode=High", "--set", "3=1");
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("\"value\": 0.500000, \"display\": \"5.00\""), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\"display\": \"30.0\""), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\"display\": \"High\""), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\"display\": \"1\""), std::string::npos) << r.out;
}

TEST(CliPresets, BankSettingsBelongToTheCurrentProgram) {
  ScratchDir dir;
  ASSERT_EQ(RunHost(dir, "preset", "save", "bank.fxb", "--plugin", kFake, "--param-form",
                    "--program", "1", "--set", "Gain=7.5")
                .exitCode,
            0);
  const auto shown = RunHost(dir, "preset", "show", "bank.fxb", "--plugin", kFake);
  ASSERT_EQ(shown.exitCode, 0) << shown.err;
  std::size_t changed = 0;
  for (std::size_t at = 0; (at = shown.out.find("0.750000", at)) != std::string::npos; ++at) {
    ++changed;
  }
  EXPECT_EQ(changed, 1u) << shown.out;

  qvcli::FxBank empty;
  empty.fxId = fakeplug::kUniqueId;
  const std::vector<std::uint8_t> bytes = qvcli::EncodeBank(empty);
  std::ofstream(dir / "empty.fxb", std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
  ExpectOneLineError(RunHost(dir, "params", "--plugin", kFake, "--preset", "empty.fxb"), 3,
                     "the bank holds no programs");

  const auto help = RunHost(dir, "preset", "--help");
  EXPECT_NE(help.out.find("--preset FILE is an option of params, render, bench and preset save"),
            std::string::npos)
      << help.out;
}

TEST(CliLevels, ClippingIsCountedAndGainOrNormalisationPreventsIt) {
  ScratchDir dir;
  WriteAudio(dir / "in.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, std::vector<float>(2000, 0.6f));
  // Gain 10 doubles the input: 1.2 is past full scale in 16-bit output.
  auto r = RunHost(dir, "render", "in.wav", "loud.wav", "--plugin", kFake, "--set", "Gain=10");
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.err.find("warning: loud.wav: 2000 samples clipped (peak +1.6 dBFS); lower the "
                       "level with --gain or --normalize"),
            std::string::npos)
      << r.err;
  for (const std::vector<std::string>& level : {std::vector<std::string>{"--normalize"},
                                                {"--normalize", "-6"},
                                                {"--normalize=-6"},
                                                {"--gain", "-7.6"}}) {
    std::string command =
        "\"$HOST\" render in.wav out.wav --set Gain=10 --plugin " + clitest::Quote(kFake);
    for (const std::string& word : level) command += " " + word;
    r = RunShell(dir, command);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "") << command;
    const double expected = level.size() == 1 && level[0] == "--normalize" ? -1.0 : -6.0;
    EXPECT_NEAR(20.0 * std::log10(SampleAt(dir / "out.wav", 77)), expected, 0.1) << command;
  }
}

TEST(CliBadInput, InputsCutShortWarnAndEmptyOnesAreRefused) {
  ScratchDir dir;
  WriteAudio(dir / "whole.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 2, std::vector<float>(4000, 0.1f));
  std::filesystem::copy_file(dir / "whole.wav", dir / "cut.wav");
  std::filesystem::resize_file(dir / "cut.wav", 3000);
  auto r = RunHost(dir, "render", "cut.wav", "out.wav", "--plugin", kFake);
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.err.find("warning: cut.wav is shorter than its header says (premature end of file)"),
            std::string::npos)
      << r.err;
  r = RunHost(dir, "render", "whole.wav", "out.wav", "--plugin", kFake);
  EXPECT_EQ(r.err, "");
  WriteAudio(dir / "empty.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, {});
  ExpectOneLineError(RunHost(dir, "render", "empty.wav", "out.wav", "--plugin", kFake), 3,
                     "empty.wav: the file holds no audio");
}

TEST(CliRender, RendersAreReproducibleByteForByte) {
  ScratchDir dir;
  WriteAudio(dir / "in.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 2, std::vector<float>(400, 0.3f));
  for (const char* out : {"a.wav", "b.wav", "a.aiff", "b.aiff"}) {
    ASSERT_EQ(
        RunHost(dir, "render", "in.wav", out, "--plugin", kFake, "--encoding", "float").exitCode,
        0);
  }
  const std::string wav = clitest::ReadText(dir / "a.wav");
  // No chunk that carries the time of writing.
  EXPECT_EQ(wav.find("PEAK"), std::string::npos);
  EXPECT_EQ(wav, clitest::ReadText(dir / "b.wav"));
  EXPECT_EQ(clitest::ReadText(dir / "a.aiff").find("PEAK"), std::string::npos);
  EXPECT_EQ(clitest::ReadText(dir / "a.aiff"), clitest::ReadText(dir / "b.aiff"));
}

// What a terminal shows of a render that is interrupted after `seconds` (or once the progress bar
// appears, when seconds is 0).
std::string RenderOnTerminal(const ScratchDir& dir, std::vector<std::string> words,
                             double seconds) {
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);
  int terminal = -1;
  const pid_t pid = forkpty(&terminal, nullptr, nullptr, nullptr);
  if (pid == 0) {
    if (chdir(dir.Path().c_str()) == 0) execv(argv[0], argv.data());
    _exit(127);
  }
  std::string shown;
  const auto start = std::chrono::steady_clock::now();
  bool interrupted = false;
  for (;;) {
    const double elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!interrupted && (seconds > 0 ? elapsed > seconds : shown.find('%') != std::string::npos)) {
      kill(pid, SIGINT);
      interrupted = true;
    }
    if (elapsed > 20) kill(pid, SIGKILL);
    pollfd p{terminal, POLLIN, 0};
    if (poll(&p, 1, 50) <= 0) continue;
    char buffer[256];
    const ssize_t n = read(terminal, buffer, sizeof buffer);
    if (n <= 0) break;  // the child is gone
    shown.append(buffer, static_cast<std::size_t>(n));
  }
  waitpid(pid, nullptr, 0);
  close(terminal);
  return shown;
}

TEST(CliProgress, AnInterruptClearsTheBarAndQuietHidesIt) {
  ScratchDir dir;
  ASSERT_EQ(
      RunHost(dir, "generate", "long.wav", "--seconds", "240", "--sample-rate", "8000").exitCode,
      0);
  const std::vector<std::string> render = {QV_HOST_BIN, "render", "long.wav",     "out.wav",
                                           "--plugin",  kFake,    "--block-size", "1"};
  const std::string shown = RenderOnTerminal(dir, render, 0);
  ASSERT_NE(shown.find("rendering ["), std::string::npos) << shown;
  EXPECT_EQ(shown.substr(shown.size() - 4), "\r\033[K") << shown;
  std::vector<std::string> quiet = render;
  quiet.push_back("--quiet");
  EXPECT_EQ(RenderOnTerminal(dir, quiet, 1.5), "");
}

TEST(CliInfo, EmptyFieldsAreLeftOutAndGenerateTakesEveryRateRenderTakes) {
  ScratchDir dir;
  const auto r = RunHost(dir, "info", "--plugin", kFake);
  EXPECT_EQ(r.out.find("product:"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("vendor:        Test Vendor\n"), std::string::npos) << r.out;
  EXPECT_EQ(
      RunHost(dir, "generate", "hi.wav", "--seconds", "0.1", "--sample-rate", "384000").exitCode,
      0);
}

TEST(CliChannels, ExtraChannelsAreMixedDownOrChosenAndInstrumentsGetAHint) {
  ScratchDir dir;
  std::vector<float> stereo;
  for (int i = 0; i < 500; ++i) stereo.insert(stereo.end(), {0.2f, 0.6f});
  WriteAudio(dir / "in.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 2, stereo);
  auto r = RunHost(dir, "render", "in.wav", "mixed.wav", "--plugin", FAKE_PLUGIN_MONO_PATH);
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.err,
            "quorvantel-host: in.wav has 2 channels, the plug-in 1 input: mixing them down "
            "(--channels chooses otherwise)\n");
  EXPECT_FLOAT_EQ(SampleAt(dir / "mixed.wav", 100), 0.4f);
  ASSERT_EQ(RunHost(dir, "render", "in.wav", "right.wav", "--plugin", FAKE_PLUGIN_MONO_PATH,
                    "--channels", "2")
                .exitCode,
            0);
  EXPECT_FLOAT_EQ(SampleAt(dir / "right.wav", 100), 0.6f);
  ASSERT_EQ(RunHost(dir, "render", "in.wav", "swapped.wav", "--plugin", kFake, "--channels", "2,1")
                .exitCode,
            0);
  EXPECT_FLOAT_EQ(SampleAt(dir / "swapped.wav", 0), 0.6f);
  ExpectOneLineError(
      RunHost(dir, "render", "in.wav", "x.wav", "--plugin", kFake, "--channels", "1"), 2,
      "give 2 channel numbers");
  r = RunHost(dir, "render", "in.wav", "synth.wav", "--plugin", FAKE_PLUGIN_INSTRUMENT_PATH);
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_NE(r.err.find("takes no audio input (an instrument)"), std::string::npos) << r.err;
}

TEST(CliParams, ColumnsStayAlignedAndShowDefaultsRangesAndTexts) {
  ScratchDir dir;
  // Parameter 3's name is 31 characters long.
  const auto r = RunHost(dir, "params", "--plugin", kFake, "--set", "Gain=2");
  ASSERT_EQ(r.exitCode, 0) << r.err;
  std::istringstream lines(r.out);
  std::string line;
  std::getline(lines, line);
  const std::size_t end = line.find("normalised") + std::string("normalised").size();
  EXPECT_NE(line.find("default"), std::string::npos) << line;
  int rows = 0;
  while (std::getline(lines, line)) {
    ++rows;
    EXPECT_EQ(line.find('.', end - 8), end - 7) << "normalised value out of its column:\n" << r.out;
  }
  EXPECT_EQ(rows, 4);
  EXPECT_NE(r.out.find("2.00 dB    0.200000  5.00 dB  0.00 to 10.00 dB"), std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("Low, Mid, High"), std::string::npos) << r.out;
  const auto json = RunHost(dir, "params", "--plugin", kFake, "--json");
  EXPECT_NE(json.out.find("\"id\": \"Mode\", \"default\": \"Low\", \"defaultValue\": 0.000000, "
                          "\"min\": \"Low\", \"max\": \"High\", \"texts\": [\"Low\", \"Mid\", "
                          "\"High\"]"),
            std::string::npos)
      << json.out;
}

TEST(CliAutomation, ValuesChangeAtTheirExactSampleWhateverTheBlockSize) {
  ScratchDir dir;
  WriteAudio(dir / "in.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 1, std::vector<float>(1000, 0.25f));
  // Gain 0 until frame 100, then 10 (× 2); then a ramp from 10 down to 0 over 480 frames.
  const auto r =
      RunHost(dir, "render", "in.wav", "out.wav", "--plugin", kFake, "--block-size", "64",
              "--automate", "Gain=step:0:0,100smp:10", "--automate", "Gain=1:0", "--tail", "0");
  ExpectOneLineError(r, 2, "automated twice");
  ASSERT_EQ(RunHost(dir, "render", "in.wav", "out.wav", "--plugin", kFake, "--block-size", "64",
                    "--automate", "Gain=step:0:0,100smp:10,500smp:10,980smp:0")
                .exitCode,
            0);
  SF_INFO info;
  const std::vector<float> out = ReadAudio(dir / "out.wav", &info);
  ASSERT_EQ(out.size(), 2000u);
  EXPECT_EQ(out[2 * 99], 0.0f);
  EXPECT_EQ(out[2 * 100], 0.5f);
  EXPECT_EQ(out[2 * 500], 0.5f);
  EXPECT_EQ(out[2 * 979], 0.5f);
  EXPECT_EQ(out[2 * 980], 0.0f);
  ASSERT_EQ(RunHost(dir, "render", "in.wav", "ramp.wav", "--plugin", kFake, "--block-size", "100",
                    "--automate", "Gain=0:0,480smp:10")
                .exitCode,
            0);
  const std::vector<float> ramp = ReadAudio(dir / "ramp.wav", &info);
  for (int step = 0; step < 480 / qvcli::kRampStepFrames; ++step) {
    const float expected = 0.5f * static_cast<float>(step * qvcli::kRampStepFrames) / 480.0f;
    ASSERT_NEAR(ramp[2 * (step * qvcli::kRampStepFrames)], expected, 1e-6) << step;
    ASSERT_NEAR(ramp[2 * (step * qvcli::kRampStepFrames + 15)], expected, 1e-6) << step;
  }
  EXPECT_EQ(ramp[2 * 480], 0.5f);
}

TEST(CliRender, SeveralInputsKeepTheirNamesInTheOutputFolder) {
  ScratchDir dir;
  WriteAudio(dir / "a.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1, std::vector<float>(100, 0.1f));
  WriteAudio(dir / "b.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 2, std::vector<float>(200, 0.1f));
  auto r = RunHost(dir, "render", "a.wav", "b.flac", "-o", "out", "--plugin", kFake);
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("out/a.wav: "), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("out/b.flac: "), std::string::npos) << r.out;
  SF_INFO info;
  EXPECT_EQ(ReadAudio(dir / "out/b.flac", &info).size(), 200u);
  ASSERT_EQ(RunHost(dir, "render", "a.wav", "out/", "--plugin", kFake, "--format", "aiff").exitCode,
            0);
  EXPECT_TRUE(std::filesystem::exists(dir / "out/a.aiff"));
  ExpectOneLineError(RunHost(dir, "render", "a.wav", "-o", ".", "--plugin", kFake), 2,
                     "would replace its own input");
  EXPECT_EQ(
      RunHost(dir, "--version", "--plugin", kFake).out.rfind("quorvantel-host " QV_VERSION "\n", 0),
      0u);
}

TEST(CliDebianPlugins, ParametersAreSetFromWhatThePlugInsDisplay) {
  const std::string folder = "/usr/lib/vst/";
  for (const char* name :
       {"Nekobi-vst.so", "3BandEQ-vst.so", "Kars-vst.so", "CycleShifter-vst.so"}) {
    if (!std::filesystem::exists(folder + name)) GTEST_SKIP() << "dpf-plugins-vst is not installed";
  }
  ScratchDir dir;
  auto r = RunHost(dir, "params", "--json", "--plugin", folder + "Nekobi-vst.so", "--set",
                   "Waveform=Triangle", "--set", "Tuning=-6", "--set", "VCF Resonance=10");
  ASSERT_EQ(r.exitCode, 0) << r.err;
  for (const char* shown :
       {"\"display\": \"Triangle\"", "\"display\": \"-6.000000\"", "\"display\": \"10.000000\"",
        "\"texts\": [\"Square\", \"Triangle\"]"}) {
    EXPECT_NE(r.out.find(shown), std::string::npos) << shown << "\n" << r.out;
  }
  r = RunHost(dir, "params", "--json", "--plugin", folder + "3BandEQ-vst.so", "--set",
              "Low-Mid Freq=300", "--set", "Low=-6.5");
  EXPECT_NE(r.out.find("\"display\": \"300.000000\""), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\"display\": \"-6.500000\""), std::string::npos) << r.out;
  r = RunHost(dir, "params", "--json", "--plugin", folder + "Kars-vst.so", "--set", "Sustain=on");
  EXPECT_NE(r.out.find("\"name\": \"Sustain\", \"value\": 1.000000"), std::string::npos) << r.out;
  // A stereo file into a mono effect is mixed down.
  ASSERT_EQ(RunHost(dir, "generate", "in.wav", "--seconds", "0.5").exitCode, 0);
  ASSERT_EQ(RunShell(dir,
                     "\"$HOST\" render in.wav - --format wav --quiet | \"$HOST\" render - "
                     "out.wav --plugin " +
                         folder + "CycleShifter-vst.so")
                .exitCode,
            0);
}

}  // namespace
