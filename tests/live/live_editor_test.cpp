// live and edit --audio with the editor in a window on a virtual display: a drag on a fader
// changes what comes out of JACK from that moment, and edit --audio plays the demo phrase
// through JACK when a server runs. The screenshots stay in the test's working folder.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>

#include "tests/gui/gui_harness.h"
#include "tests/live/live_harness.h"

namespace livetest {
namespace {

using Clock = std::chrono::steady_clock;

const std::vector<std::string> kSettings = {"--set", "Pitch=7",  "--set", "Length=60",
                                            "--set", "Onset=6",  "--set", "Dry=0.6",
                                            "--set", "Wet=0.9"};

std::vector<std::string> Host(std::vector<std::string> words,
                              const std::vector<std::string>& more = {}) {
  words.insert(words.begin(), {QV_HOST_BIN});
  words.push_back("--plugin");
  words.push_back(QV_PLUGIN_PATH);
  words.insert(words.end(), more.begin(), more.end());
  return words;
}

bool WaitForFile(const std::string& path, int timeoutMs) {
  const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!std::filesystem::exists(path)) {
    if (Clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

// The X window id of the first window titled like this, 0 when none.
std::uint32_t FindWindow(const std::string& title) {
  std::FILE* pipe = popen(("xdotool search --name '" + title + "' 2>/dev/null").c_str(), "r");
  if (pipe == nullptr) return 0;
  unsigned long id = 0;
  if (std::fscanf(pipe, "%lu", &id) != 1) id = 0;
  pclose(pipe);
  return static_cast<std::uint32_t>(id);
}

std::string StereoInput(const Scratch& dir, double seconds) {
  Child generate({QV_HOST_BIN, "generate", dir / "mono.wav", "--seconds", std::to_string(seconds),
                  "--sample-rate", "48000", "--encoding", "float"},
                 {}, dir / "generate.out", dir / "generate.err");
  EXPECT_EQ(generate.Wait(20000), 0) << generate.Err();
  const Sound m = ReadSound(dir / "mono.wav");
  Sound s;
  s.channels = 2;
  s.rate = 48000;
  for (float v : m.samples) s.samples.insert(s.samples.end(), {v, -0.5f * v});
  WriteSound(dir / "in.wav", s);
  return dir / "in.wav";
}

double RmsDb(const Sound& a, const Sound& b, std::size_t from, std::size_t to) {
  double sum = 0.0, ref = 0.0;
  for (std::size_t i = from * 2; i < to * 2 && i < a.samples.size() && i < b.samples.size(); ++i) {
    sum += (a.samples[i] - b.samples[i]) * (a.samples[i] - b.samples[i]);
    ref += b.samples[i] * b.samples[i];
  }
  return 10.0 * std::log10(sum / ref);
}

TEST(LiveEditor, AFaderDragChangesTheSoundFromThatMoment) {
  if (qvtest::TestDisplay().empty()) GTEST_SKIP() << "Xvfb is not installed";
  Scratch dir;
  const auto server = StartJack(256, dir / "");
  if (!server->Up()) GTEST_SKIP() << server->Why();
  const std::string in = StereoInput(dir, 3.0);
  Child client({QV_FILE_CLIENT, "play", in, "--to", "quorvantel:in_1,quorvantel:in_2", "--from",
                "quorvantel:out_1,quorvantel:out_2", "--record", dir / "rec.wav", "--ready",
                dir / "ready", "--go", dir / "go", "--started", dir / "started"},
               server->Env(), dir / "client.out", dir / "client.err");
  ASSERT_TRUE(WaitForFile(dir / "ready", 20000)) << client.Err();
  Child live(Host({"live"}, kSettings), server->Env(), dir / "live.out", dir / "live.err");
  std::uint32_t window = 0;
  ASSERT_TRUE(qvtest::WaitUntil(
      [&] { return (window = FindWindow("^Quorvantel - quorvantel on JACK$")) != 0; }, 20000))
      << live.Err();
  std::ofstream(dir / "go") << "go\n";
  ASSERT_TRUE(WaitForFile(dir / "started", 20000)) << client.Err();
  long long startedNs = 0;
  std::ifstream(dir / "started") >> startedNs;
  const Clock::time_point started{Clock::duration(startedNs)};
  // A second into the phrase, the Pitch fader is dragged from 0 (its middle) up to +12.
  std::this_thread::sleep_until(started + std::chrono::milliseconds(1200));
  const Clock::time_point dragged = Clock::now();
  ASSERT_TRUE(qvtest::Xdo("mousemove 145 305 mousedown 1 mousemove 170 305 mousemove 195 305 "
                          "mouseup 1"));
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  qvtest::SaveShot(qvtest::Capture(window), "live-editor");
  ASSERT_EQ(client.Wait(30000), 0) << client.Err();
  live.Signal(SIGTERM);
  EXPECT_EQ(live.Wait(10000), 0) << live.Err();

  Child render(Host({"render", in, dir / "reference.wav", "--block-size", "256", "--encoding",
                     "float", "--quiet"},
                    kSettings),
               {}, dir / "render.out", dir / "render.err");
  ASSERT_EQ(render.Wait(30000), 0) << render.Err();
  const Sound reference = ReadSound(dir / "reference.wav");
  Sound recording = ReadSound(dir / "rec.wav");
  ASSERT_GE(recording.Frames(), reference.Frames());
  // Line them up on the second before the drag, then look for where they part.
  Sound before = reference;
  before.samples.resize(48000 * 2);
  const Alignment a = Align(recording, before, 2048);
  ASSERT_LE(a.differenceDb, -90.0);
  recording.samples.erase(recording.samples.begin(),
                          recording.samples.begin() + static_cast<std::ptrdiff_t>(a.offset * 2));
  const std::size_t dragFrame = static_cast<std::size_t>(
      std::chrono::duration<double>(dragged - started).count() * 48000.0);
  const std::size_t parted = FirstDifference(recording, reference, -90.0);
  std::printf("drag at frame %zu, the sound changes at frame %zu (%+.1f ms)\n", dragFrame, parted,
              (static_cast<double>(parted) - dragFrame) / 48.0);
  EXPECT_GE(parted + 512, dragFrame);         // not before the drag (a period or two of clock)
  EXPECT_LE(parted, dragFrame + 48000 / 2);  // and within half a second of it
  EXPECT_GT(RmsDb(recording, reference, parted + 4800, reference.Frames()), -20.0);
}

TEST(EditAudio, PlaysTheDemoPhraseThroughJackWhenAServerRuns) {
  if (qvtest::TestDisplay().empty()) GTEST_SKIP() << "Xvfb is not installed";
  Scratch dir;
  const auto server = StartJack(256, dir / "");
  if (!server->Up()) GTEST_SKIP() << server->Why();
  Child edit(Host({"edit", "--audio"}), server->Env(), dir / "edit.out", dir / "edit.err");
  ASSERT_TRUE(RunOn(*server, {QV_FILE_CLIENT, "wait", "quorvantel-edit:out_2"}, dir / ""));
  std::string connections;
  ASSERT_TRUE(RunOn(*server, {"jack_lsp", "-c", "quorvantel-edit:out_1"}, dir / "", &connections));
  EXPECT_NE(connections.find("quorvantel-edit:out_1\n   system:playback_1"), std::string::npos)
      << connections;
  ASSERT_TRUE(RunOn(*server,
                    {QV_FILE_CLIENT, "record", dir / "heard.wav", "--from",
                     "quorvantel-edit:out_1,quorvantel-edit:out_2", "--seconds", "1.5"},
                    dir / ""));
  const Sound heard = ReadSound(dir / "heard.wav");
  float peak = 0.0f;
  for (float v : heard.samples) peak = std::max(peak, std::fabs(v));
  EXPECT_GT(peak, 0.05f);
  edit.Signal(SIGTERM);
  EXPECT_EQ(edit.Wait(10000), 0) << edit.Err();
  EXPECT_NE(edit.Out().find("playing the demo phrase through JACK as \"quorvantel-edit\" to "
                            "system:playback_1, system:playback_2"),
            std::string::npos)
      << edit.Out();
}

}  // namespace
}  // namespace livetest
