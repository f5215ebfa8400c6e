// quorvantel-host.exe edit as a user runs it (under Wine in CI): the editor inside a window of
// the program's own until that window is closed, and the state written by --save on the way out.
#include <gtest/gtest.h>

#include <string>

#include "common/platform/win32/wide_text.h"
#include "host/cli/preset_io.h"
#include "host/lib/plugin_host.h"
#include "host/lib/vst2_plugin.h"

namespace {

// Polls find every 50 ms for up to 10 seconds.
template <typename Find>
HWND WaitForWindow(Find find) {
  for (int i = 0; i < 200; ++i) {
    if (HWND window = find()) return window;
    Sleep(50);
  }
  return nullptr;
}

TEST(EditCommand, ShowsTheEditorUntilItsWindowClosesAndSavesTheState) {
  const std::string preset = "edit-command.fxp";
  DeleteFileW(win32::Wide(preset).c_str());
  std::wstring command = win32::Wide("\"" QV_HOST_BIN "\" edit --set Length=80 --save " + preset +
                                     " --plugin \"" + QV_PLUGIN_PATH "\"");
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                             &startup, &process));
  const HWND window =
      WaitForWindow([] { return FindWindowW(nullptr, L"Quorvantel - quorvantel-host"); });
  const HWND editor = WaitForWindow([window] {
    return window ? FindWindowExW(window, nullptr, L"QuorvantelWndClass", L"Quorvantel") : nullptr;
  });
  if (editor != nullptr) {
    RECT client{};
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, 800);
    EXPECT_EQ(client.bottom, 600);
    // One wheel step up on "Lng Mod", then what the frame's close button sends.
    POINT p{275, 40};
    ClientToScreen(editor, &p);
    PostMessageW(editor, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), MAKELPARAM(p.x, p.y));
    Sleep(200);
    PostMessageW(window, WM_CLOSE, 0, 0);
  }
  const bool ended = WaitForSingleObject(process.hProcess, 20000) == WAIT_OBJECT_0;
  if (!ended) TerminateProcess(process.hProcess, 1);
  DWORD status = 1;
  GetExitCodeProcess(process.hProcess, &status);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  ASSERT_NE(editor, nullptr) << "no editor inside the host's window";
  ASSERT_TRUE(ended);
  EXPECT_EQ(status, 0u);

  std::string error;
  auto host = qvhost::PluginHost::Load(QV_PLUGIN_PATH, &error);
  ASSERT_TRUE(host) << error;
  host->Open();
  qvhost::Vst2Plugin plugin(*host);
  qvcli::LoadPresetFile(plugin, preset);
  EXPECT_EQ(host->ParamDisplay(0), "80.0");
  EXPECT_EQ(host->ParamDisplay(1), "LFO 2");
}

}  // namespace
