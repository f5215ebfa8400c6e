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

// The X window id of the first window titled like this, 0 when none.
std::uint32_t FindWindow(const std::string& title) {
  std::FILE* pipe = popen(("xdotool search --name '" + title + "' 2>/dev/null").c_str(), "r");
  if (pipe == nullptr) return 0;
  unsigned long id = 0;
  if (std::fscanf(pipe, "%lu", &id) != 1) id = 0;
  pclose(pipe);
  return static_cast<std::uint32_t>(id);
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
  QV_REQUIRE_SERVER(server);
  const std::string in = StereoInput(dir, 3.0);
  Child client({QV_FILE_CLIENT, "play", in, "--to", "quorvantel:in_1,quorvantel:in_2", "--from",
                "quorvantel:out_1,quorvantel:out_2", "--record", dir / "rec.wav", "--ready",
                dir / "ready", "--go", dir / "go"},
               server->Env(), dir / "client.out", dir / "client.err");
  ASSERT_TRUE(WaitForFile(dir / "ready", 20000)) << client.Err();
  Child live(Host({"live"}, kSettings), server->Env(), dir / "live.out", dir / "live.err");
  std::uint32_t window = 0;
  ASSERT_TRUE(qvtest::WaitUntil(
      [&] { return (window = FindWindow("^Quorvantel - quorvantel on JACK$")) != 0; }, 20000))
      << live.Err();
  // The recording starts at the transport's frame 0, so the transport's frame dates the drag.
  const TransportClock clock(*server);
  ASSERT_TRUE(clock.Open());
  std::ofstream(dir / "go") << "go\n";
  // A second into the phrase, the Pitch fader is dragged from 0 (its middle) up to +12.
  ASSERT_TRUE(qvtest::WaitUntil([&] { return clock.Frame() >= 57600; }, 20000));
  const long long pressed = clock.Frame();
  ASSERT_TRUE(qvtest::Xdo("mousemove 145 305 mousedown 1 mousemove 170 305 mousemove 195 305 "
                          "mouseup 1"));
  const long long released = clock.Frame();
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
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
  // Equal to the render until the period the drag fell in, then parted from it.
  const std::size_t parted = FirstDifference(recording, reference, -90.0);
  std::printf("fader pressed at frame %lld, released at %lld; the sound changes at frame %zu\n",
              pressed, released, parted);
  // Not before the period the press fell in; within a few grains' onsets after the release.
  EXPECT_GE(static_cast<long long>(parted), pressed);
  EXPECT_LE(static_cast<long long>(parted), released + 48000 / 4);
  EXPECT_GT(RmsDb(recording, reference, parted + 4800, reference.Frames()), -20.0);
}

TEST(EditAudio, PlaysTheDemoPhraseThroughJackWhenAServerRuns) {
  if (qvtest::TestDisplay().empty()) GTEST_SKIP() << "Xvfb is not installed";
  Scratch dir;
  const auto server = StartJack(256, dir / "");
  QV_REQUIRE_SERVER(server);
  Child edit(Host({"edit", "--audio"}), server->Env(), dir / "edit.out", dir / "edit.err");
  // It says where it plays once its ports are connected.
  ASSERT_TRUE(WaitForText(edit, "playing the demo phrase", 20000)) << edit.Err();
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
