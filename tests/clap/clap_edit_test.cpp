// quorvantel-host edit on quorvantel.clap: the editor embedded in the host's X11 window through
// the gui extension, a change made in it kept in the state the host saves on the way out.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "host/cli/preset_io.h"
#include "host/lib/plugin.h"
#include "tests/gui/gui_harness.h"
#include "tests/gui/virtual_display.h"

namespace qvtest {
namespace {

pid_t StartHost(std::vector<std::string> words) {
  words.insert(words.begin(), QV_HOST_BIN);
  return StartProgram(words);
}

TEST(ClapEdit, TheEditorIsEmbeddedAndWhatIsDoneInItIsSaved) {
  if (TestDisplay().empty()) GTEST_SKIP() << "Xvfb is not installed";
  const std::string preset = (std::filesystem::temp_directory_path() /
                              ("qv-clap-edit-" + std::to_string(getpid()) + ".fxp"))
                                 .string();
  const pid_t pid =
      StartHost({"edit", "--plugin", QV_CLAP_PATH, "--set", "Length=80", "--save", preset});
  ASSERT_NE(pid, 0);
  ASSERT_TRUE(WaitUntil([] { return Xdo("search --name ^Quorvantel.-.quorvantel-host$"); }, 10000));
  // The editor is a child of the host's window, not a window of its own beside it.
  ASSERT_TRUE(WaitUntil([] { return Xdo("search --onlyvisible --name ^Quorvantel$"); }, 5000));
  EXPECT_FALSE(Xdo("search --maxdepth 1 --name ^Quorvantel$"));
  // Wheel "Lng Mod" once, then stop the program.
  ASSERT_TRUE(WaitUntil([] { return Xdo("mousemove 275 40 click 4"); }));
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  kill(pid, SIGTERM);
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

  // The preset is the VST 2 build's as well.
  std::string error;
  auto vst2 = qvhost::LoadPlugin(QV_PLUGIN_PATH, "", &error);
  ASSERT_TRUE(vst2) << error;
  qvcli::LoadPresetFile(*vst2, preset);
  EXPECT_EQ(vst2->ParamDisplay(0), "80.0");
  EXPECT_EQ(vst2->ParamDisplay(1), "LFO 2");
  std::filesystem::remove(preset);
}

}  // namespace
}  // namespace qvtest
