// quorvantel-host edit as a user runs it: the editor in a window of its own until the program
// is told to stop, the state written by --save on the way out, and a clear refusal without a
// display.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>

#include "host/cli/preset_io.h"
#include "host/lib/vst2_plugin.h"
#include "tests/gui/gui_harness.h"
#include "tests/gui/virtual_display.h"

namespace qvtest {
namespace {

// The host's window and the editor's child window in it both on screen: input sent before the
// editor's window is mapped would reach the host's window and be lost.
bool WaitForEditor() {
  return WaitUntil([] { return Xdo("search --name ^Quorvantel.-.quorvantel-host$"); }, 10000) &&
         WaitUntil([] { return Xdo("search --onlyvisible --class ^QuorvantelWndClass$"); }, 10000);
}

pid_t StartHost(std::vector<std::string> words) {
  words.insert(words.begin(), QV_HOST_BIN);
  return StartProgram(words);
}

int ExitCode(pid_t pid) {
  int status = 0;
  return waitpid(pid, &status, 0) == pid && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Runs `edit` with `words`, turns the wheel once at (x, y) on the screen (the host window sits at
// its corner), stops the program and loads what it saved into a new instance: null (and a
// failure) when a step fails.
std::unique_ptr<qvhost::PluginHost> WheelInEditorAndReload(std::vector<std::string> words, int x,
                                                          int y) {
  const std::string preset =
      (std::filesystem::temp_directory_path() / ("qv-edit-" + std::to_string(getpid()) + ".fxp"))
          .string();
  words.insert(words.end(), {"--save", preset});
  const pid_t pid = StartHost(words);
  EXPECT_NE(pid, 0);
  if (pid == 0) return nullptr;
  const std::string wheel = "mousemove " + std::to_string(x) + " " + std::to_string(y) + " click 4";
  const bool wheeled = WaitForEditor() && WaitUntil([&] { return Xdo(wheel); });
  EXPECT_TRUE(wheeled);
  std::this_thread::sleep_for(std::chrono::milliseconds(500));  // a few editor ticks, under load too
  kill(pid, SIGTERM);
  EXPECT_EQ(ExitCode(pid), 0);
  std::string error;
  auto host = qvhost::PluginHost::Load(QV_PLUGIN_PATH, &error);
  EXPECT_TRUE(host) << error;
  if (!host || !wheeled) return nullptr;
  host->Open();
  qvhost::Vst2Plugin plugin(*host);
  qvcli::LoadPresetFile(plugin, preset);
  std::filesystem::remove(preset);
  return host;
}

TEST(EditCommand, ShowsTheEditorUntilStoppedAndSavesWhatWasDoneInIt) {
  if (TestDisplay().empty()) GTEST_SKIP() << "Xvfb is not installed";
  // "Lng Mod" at (275, 40).
  auto host = WheelInEditorAndReload({"edit", "--set", "Length=80"}, 275, 40);
  ASSERT_TRUE(host);
  EXPECT_EQ(host->ParamDisplay(0), "80.0");
  EXPECT_EQ(host->ParamDisplay(1), "LFO 2");
}

TEST(EditCommand, AtAScaleTheControlsAreWhereTheScaleDrawsThem) {
  if (TestDisplay().empty()) GTEST_SKIP() << "Xvfb is not installed";
  // "Lng Mod" at (275, 40) in the editor is at (413, 60) on the screen.
  auto host = WheelInEditorAndReload({"edit", "--scale", "1.5"}, 413, 60);
  ASSERT_TRUE(host);
  EXPECT_EQ(host->ParamDisplay(1), "LFO 2");
}

TEST(EditCommand, WithoutADisplayItSaysSoAndFails) {
  const char* display = std::getenv("DISPLAY");
  const std::string saved = display != nullptr ? display : "";
  unsetenv("DISPLAY");
  const pid_t pid = StartHost({"edit"});
  if (!saved.empty()) setenv("DISPLAY", saved.c_str(), 1);
  ASSERT_NE(pid, 0);
  EXPECT_EQ(ExitCode(pid), 1);
}

}  // namespace
}  // namespace qvtest
