// The interrupt handler of quorvantel-host on Windows (Ctrl-C, Ctrl-Break, the console closing):
// the temporary output being written is removed and a progress line is cleared.
#include "host/cli/interrupt.h"

#include <cstdio>

#include "common/platform/win32/windows_api.h"

namespace qvcli {
namespace {

wchar_t gPendingPath[4096];
volatile LONG gPending = 0;
volatile LONG gProgressShown = 0;

// Runs on a thread of its own that Windows starts for the console event.
BOOL WINAPI TidyAndExit(DWORD event) {
  if (gPending) DeleteFileW(gPendingPath);
  if (gProgressShown) std::fputs("\r\033[K", stderr);
  ExitProcess(event == CTRL_C_EVENT ? 130 : 143);
}

}  // namespace

void WatchInterrupts() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  SetConsoleCtrlHandler(&TidyAndExit, TRUE);
}

void SetPendingRemoval(const char* path) {
  gPending = 0;
  if (path == nullptr) return;
  const int n = MultiByteToWideChar(CP_UTF8, 0, path, -1, gPendingPath, 4096);
  gPending = n > 0 ? 1 : 0;
}

void SetProgressShown(bool shown) { gProgressShown = shown ? 1 : 0; }

}  // namespace qvcli
