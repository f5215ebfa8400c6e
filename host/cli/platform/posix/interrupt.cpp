// The interrupt handler of quorvantel-host and the two things it tidies up.
#include "host/cli/interrupt.h"

#include <signal.h>
#include <unistd.h>

#include <cstring>

namespace qvcli {
namespace {

char gPendingPath[4096];
volatile sig_atomic_t gPending = 0;
volatile sig_atomic_t gProgressShown = 0;

// Only async-signal-safe calls: unlink, write, _exit.
extern "C" void TidyAndExit(int signal) {
  if (gPending) unlink(gPendingPath);
  if (gProgressShown) {
    static const char kClearLine[] = "\r\033[K";
    [[maybe_unused]] const ssize_t ignored =
        write(STDERR_FILENO, kClearLine, sizeof kClearLine - 1);
  }
  _exit(128 + signal);
}

}  // namespace

void WatchInterrupts() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  struct sigaction action {};
  action.sa_handler = TidyAndExit;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGHUP, &action, nullptr);
}

void SetPendingRemoval(const char* path) {
  gPending = 0;
  if (path == nullptr || std::strlen(path) >= sizeof gPendingPath) return;
  std::memcpy(gPendingPath, path, std::strlen(path) + 1);
  gPending = 1;
}

void SetProgressShown(bool shown) { gProgressShown = shown ? 1 : 0; }

}  // namespace qvcli
