// The desktop dialogs with stand-in programs: a "zenity" and an "xdg-open" of our own on $PATH
// that record their arguments and answer as told, so no desktop is needed.
#include "gui/platform/x11/desktop_dialogs.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace gui::desktop {
namespace {

bool PlainWait(int fd, int timeoutMs) {
  pollfd ready = {fd, POLLIN, 0};
  poll(&ready, fd >= 0 ? 1 : 0, timeoutMs);
  return true;
}

class StandInPrograms : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/qv-dialogs-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    oldPath_ = std::getenv("PATH") != nullptr ? std::getenv("PATH") : "";
    setenv("PATH", dir_.c_str(), 1);
  }
  void TearDown() override {
    setenv("PATH", oldPath_.c_str(), 1);
    std::system(("rm -rf " + dir_).c_str());
  }
  // A program that writes its arguments, one a line, to NAME.args, prints answer and exits
  // with status.
  void Program(const std::string& name, const std::string& answer, int status) {
    const std::string path = dir_ + "/" + name;
    std::ofstream(path) << "#!/bin/sh\nfor a in \"$@\"; do echo \"$a\"; done > " << path
                        << ".args\nprintf '%s' '" << answer << "'\nexit " << status << "\n";
    chmod(path.c_str(), 0755);
  }
  std::string Args(const std::string& name) {
    std::ifstream in(dir_ + "/" + name + ".args");
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }

  std::string dir_, oldPath_;
};

TEST_F(StandInPrograms, FileAndColourChoicesComeFromTheDialogProgramsAnswer) {
  Program("zenity", "/home/me/take 1.fxp\n", 0);
  EXPECT_EQ(ChooseFile(1, "/home/me", PlainWait), "/home/me/take 1.fxp");
  EXPECT_EQ(Args("zenity"),
            "--file-selection\n--filename=/home/me/\n--save\n--confirm-overwrite\n");
  Program("zenity", "rgb(10,200,30)\n", 0);
  Color color{128, 1, 2, 3};
  EXPECT_TRUE(ChooseColor(color, "Pick; rm -rf /", PlainWait));
  EXPECT_EQ(color, (Color{128, 10, 200, 30}));
  EXPECT_EQ(Args("zenity"), "--color-selection\n--color=rgb(1,2,3)\n--title=Pick; rm -rf /\n");
  // Cancelled: nothing chosen, nothing changed.
  Program("zenity", "", 1);
  EXPECT_EQ(ChooseFile(0, "", PlainWait), "");
  EXPECT_FALSE(ChooseColor(color, "", PlainWait));
  EXPECT_EQ(color, (Color{128, 10, 200, 30}));
}

TEST_F(StandInPrograms, KdialogServesWhenZenityIsMissingAndNeitherMeansNoAnswer) {
  EXPECT_EQ(ChooseFile(0, "/tmp", PlainWait), "");
  Color color;
  EXPECT_FALSE(ChooseColor(color, "t", PlainWait));
  EXPECT_FALSE(OpenUrl("https://example.org", "t", "Open it?", nullptr, PlainWait));
  Program("kdialog", "#ff8000\n", 0);
  EXPECT_TRUE(ChooseColor(color, "Colour", PlainWait));
  EXPECT_EQ(color, (Color{255, 255, 128, 0}));
  EXPECT_EQ(Args("kdialog"), "--getcolor\n--default\n#000000\n--title\nColour\n");
}

TEST_F(StandInPrograms, AnAddressIsOpenedOnlyAfterAYesAndFailuresAreShown) {
  Program("xdg-open", "", 0);
  Program("zenity", "", 1);  // "No"
  EXPECT_FALSE(OpenUrl("https://example.org", "Site", "Open <b>it</b>?", "Failed", PlainWait));
  EXPECT_EQ(Args("zenity"), "--question\n--no-markup\n--title=Site\n--text=Open <b>it</b>?\n");
  EXPECT_EQ(Args("xdg-open"), "");
  Program("zenity", "", 0);  // "Yes"
  EXPECT_TRUE(OpenUrl("https://example.org", "Site", "Open it?", "Failed", PlainWait));
  EXPECT_EQ(Args("xdg-open"), "https://example.org\n");
  Program("xdg-open", "", 4);
  EXPECT_FALSE(OpenUrl("https://example.org", "Site", nullptr, "Failed", PlainWait));
  EXPECT_EQ(Args("zenity"), "--error\n--no-markup\n--title=Site\n--text=Failed\n");
  EXPECT_FALSE(OpenUrl("--help", "Site", nullptr, nullptr, PlainWait));  // never an option
}

TEST_F(StandInPrograms, AnAbandonedWaitEndsTheProgram) {
  const std::string slow = dir_ + "/slow";
  std::ofstream(slow) << "#!/bin/sh\n/bin/sleep 30\n";
  chmod(slow.c_str(), 0755);
  int waits = 0;
  const ProgramResult result =
      RunProgram({slow}, [&](int fd, int ms) { return PlainWait(fd, ms) && ++waits < 3; });
  EXPECT_TRUE(result.abandoned);
  EXPECT_FALSE(result.finished);
}

TEST(ModuleFolders, EndInASlash) {
  const std::string host = HostPath(), module = PluginPath();
  ASSERT_FALSE(host.empty());
  EXPECT_EQ(host.back(), '/');
  EXPECT_EQ(host[0], '/');
  ASSERT_FALSE(module.empty());
  EXPECT_EQ(module.back(), '/');
}

}  // namespace
}  // namespace gui::desktop
