// Starting and stopping Xvfb, and running command-line tools such as xdotool.
#include "tests/gui/virtual_display.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

extern char** environ;

namespace qvtest {
namespace {

pid_t Spawn(const std::vector<std::string>& argv, posix_spawn_file_actions_t* actions) {
  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  pid_t pid = 0;
  return posix_spawnp(&pid, args[0], actions, nullptr, args.data(), environ) == 0 ? pid : 0;
}

}  // namespace

VirtualDisplay::VirtualDisplay(int width, int height, const std::vector<std::string>& extra) {
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) return;
  // Xvfb writes the number it chose to this descriptor once it accepts connections.
  const int reportFd = 3;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fds[1], reportFd);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  std::vector<std::string> argv = {
      "Xvfb", "-displayfd", std::to_string(reportFd), "-screen", "0",
      std::to_string(width) + "x" + std::to_string(height) + "x24", "-nolisten", "tcp",
      // Without it the server resets whenever its last client leaves, and a client connecting
      // meanwhile (a tool that just ran while the program under test starts) is turned away.
      "-noreset"};
  argv.insert(argv.end(), extra.begin(), extra.end());
  pid_ = Spawn(argv, &actions);
  posix_spawn_file_actions_destroy(&actions);
  close(fds[1]);
  std::string number;
  pollfd ready = {fds[0], POLLIN, 0};
  while (pid_ != 0 && poll(&ready, 1, 10000) > 0) {
    char c;
    if (read(fds[0], &c, 1) != 1 || c == '\n') break;
    number += c;
  }
  close(fds[0]);
  if (!number.empty()) name_ = ":" + number;
}

VirtualDisplay::~VirtualDisplay() {
  if (pid_ == 0) return;
  kill(pid_, SIGTERM);
  waitpid(pid_, nullptr, 0);
}

void VirtualDisplay::Kill() {
  if (pid_ == 0) return;
  // SIGTERM, not SIGKILL: the clients lose their connections just the same, and the server
  // removes its lock and socket, which a killed one would leave for the next to trip over.
  kill(pid_, SIGTERM);
  waitpid(pid_, nullptr, 0);
  pid_ = 0;
}

bool RunTool(const std::vector<std::string>& argv) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  const pid_t pid = Spawn(argv, &actions);
  posix_spawn_file_actions_destroy(&actions);
  int status = 0;
  return pid != 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) &&
         WEXITSTATUS(status) == 0;
}

pid_t StartProgram(const std::vector<std::string>& argv) { return Spawn(argv, nullptr); }

}  // namespace qvtest
