// Dialog programs, xdg-open and the program and module folders.
#include "gui/platform/x11/desktop_dialogs.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

extern char** environ;

namespace gui::desktop {
namespace {

// Enough for any path or colour a dialog prints.
constexpr std::size_t kOutputLimit = 64 * 1024;
// How long xdg-open may take before we take the address as handed on (some desktops keep it
// running while the browser starts).
constexpr int kOpenTimeoutMs = 5000;

struct Dialog {
  std::string path;
  bool zenity = true;  // else kdialog
};

Dialog FindDialog() {
  if (std::string path = FindProgram("zenity"); !path.empty()) return {path, true};
  return {FindProgram("kdialog"), false};
}

std::string Folder(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string Trimmed(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text;
}

bool ParseColor(const std::string& text, Color& color) {
  int r = 0, g = 0, b = 0;
  unsigned hex = 0;
  if (text.size() == 7 && text[0] == '#' && std::sscanf(text.c_str() + 1, "%6x", &hex) == 1) {
    r = int(hex >> 16) & 255, g = int(hex >> 8) & 255, b = int(hex) & 255;
  } else {
    const std::size_t open = text.find('(');
    if (text.rfind("rgb", 0) != 0 || open == std::string::npos ||
        std::sscanf(text.c_str() + open + 1, "%d,%d,%d", &r, &g, &b) != 3)
      return false;
  }
  color.red = std::clamp(r, 0, 255);
  color.green = std::clamp(g, 0, 255);
  color.blue = std::clamp(b, 0, 255);
  return true;
}

}  // namespace

std::string FindProgram(const std::string& name) {
  if (name.empty()) return {};
  if (name.find('/') != std::string::npos) return access(name.c_str(), X_OK) == 0 ? name : "";
  const char* path = std::getenv("PATH");
  std::string dirs = path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin";
  std::size_t start = 0;
  while (start <= dirs.size()) {
    const std::size_t end = std::min(dirs.find(':', start), dirs.size());
    const std::string dir = end > start ? dirs.substr(start, end - start) : ".";
    const std::string candidate = dir + "/" + name;
    if (access(candidate.c_str(), X_OK) == 0) return candidate;
    start = end + 1;
  }
  return {};
}

ProgramResult RunProgram(const std::vector<std::string>& argv, const Waiter& wait, int timeoutMs) {
  ProgramResult result;
  if (argv.empty()) return result;
  int out[2];
  if (pipe2(out, O_CLOEXEC) != 0) return result;
  fcntl(out[0], F_SETFL, O_NONBLOCK);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  if (spawned != 0) {
    close(out[0]);
    return result;
  }

  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  bool eof = false;
  while (true) {
    while (!eof) {
      char buffer[4096];
      const ssize_t n = read(out[0], buffer, sizeof buffer);
      if (n > 0) {
        result.output.append(buffer, std::min<std::size_t>(n, kOutputLimit - result.output.size()));
        continue;
      }
      if (n < 0 && errno == EINTR) continue;
      eof = n == 0 || errno != EAGAIN;
      break;
    }
    int status = 0;
    const pid_t ended = waitpid(pid, &status, WNOHANG);
    if (ended == pid || (ended < 0 && errno == ECHILD)) {
      // ECHILD: the host reaps its children itself; the status is lost.
      result.finished = true;
      result.status = ended == pid && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      break;
    }
    int waitMs = 100;
    if (timeoutMs >= 0) {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
      if (left <= 0) break;
      waitMs = int(std::min<long long>(waitMs, left));
    }
    // After the end of its output the program is about to exit: look again shortly.
    if (!wait(eof ? -1 : out[0], eof ? 20 : waitMs)) {
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
      result.abandoned = true;
      break;
    }
  }
  close(out[0]);
  result.started = true;
  return result;
}

std::string ChooseFile(int action, const std::string& folder, const Waiter& wait) {
  const Dialog dialog = FindDialog();
  if (dialog.path.empty()) return {};
  std::string start = folder.empty() ? HostPath() : folder;
  if (!start.empty() && start.back() != '/') start += '/';
  const bool save = action == 1;
  std::vector<std::string> args;
  if (dialog.zenity) {
    args = {dialog.path, "--file-selection", "--filename=" + start};
    if (save) args.insert(args.end(), {"--save", "--confirm-overwrite"});
  } else {
    args = {dialog.path, save ? "--getsavefilename" : "--getopenfilename", start};
  }
  const ProgramResult result = RunProgram(args, wait);
  return result.finished && result.status == 0 ? Trimmed(result.output) : std::string();
}

bool ChooseColor(Color& color, const char* title, const Waiter& wait) {
  const Dialog dialog = FindDialog();
  if (dialog.path.empty()) return false;
  char rgb[32], hex[8];
  const int r = std::clamp(color.red, 0, 255), g = std::clamp(color.green, 0, 255),
            b = std::clamp(color.blue, 0, 255);
  std::snprintf(rgb, sizeof rgb, "rgb(%d,%d,%d)", r, g, b);
  std::snprintf(hex, sizeof hex, "#%02x%02x%02x", r, g, b);
  const std::string caption = title != nullptr ? title : "";
  std::vector<std::string> args =
      dialog.zenity ? std::vector<std::string>{dialog.path, "--color-selection",
                                               std::string("--color=") + rgb, "--title=" + caption}
                    : std::vector<std::string>{dialog.path, "--getcolor", "--default",
                                               hex,         "--title",    caption};
  const ProgramResult result = RunProgram(args, wait);
  return result.finished && result.status == 0 && ParseColor(Trimmed(result.output), color);
}

bool OpenUrl(const char* url, const char* title, const char* confirm, const char* error,
             const Waiter& wait) {
  // An address is never taken for one of xdg-open's options.
  if (url == nullptr || url[0] == '\0' || url[0] == '-') return false;
  const Dialog dialog = FindDialog();
  const std::string caption = title != nullptr ? title : "";
  auto ask = [&](bool question, const char* text) {
    std::vector<std::string> args =
        dialog.zenity ? std::vector<std::string>{dialog.path, question ? "--question" : "--error",
                                                 "--no-markup", "--title=" + caption,
                                                 std::string("--text=") + text}
                      : std::vector<std::string>{dialog.path, "--title", caption,
                                                 question ? "--yesno" : "--error", text};
    const ProgramResult result = RunProgram(args, wait);
    return result.finished && result.status == 0;
  };
  if (confirm != nullptr && confirm[0] != '\0' && (dialog.path.empty() || !ask(true, confirm)))
    return false;
  const std::string opener = FindProgram("xdg-open");
  bool opened = false;
  if (!opener.empty()) {
    const ProgramResult result = RunProgram({opener, url}, wait, kOpenTimeoutMs);
    if (result.abandoned) return false;
    opened = result.started && (!result.finished || result.status == 0);
  }
  if (!opened && error != nullptr && error[0] != '\0' && !dialog.path.empty()) ask(false, error);
  return opened;
}

std::string HostPath() {
  char path[4096];
  const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  return n > 0 ? Folder(std::string(path, std::size_t(n))) : std::string();
}

std::string PluginPath() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&PluginPath), &info) == 0 || info.dli_fname == nullptr)
    return {};
  char* real = realpath(info.dli_fname, nullptr);
  const std::string path = real != nullptr ? real : info.dli_fname;
  std::free(real);
  return Folder(path);
}

}  // namespace gui::desktop
