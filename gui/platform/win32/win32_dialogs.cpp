// The window layer's native services beside the value entry: the parameter popup menu, the
// common file and colour dialogs, opening an address with the shell, and the host and module
// folders. None of them does anything while the editor window is closed.
#include "common/platform/win32/wide_text.h"
#include "gui/platform/win32/shell_api.h"
#include "gui/platform/win32/win32_window.h"

namespace gui {
namespace {

// The folder of a module's file with its trailing backslash; "" for a path without one.
std::string FolderOf(HMODULE module) {
  wchar_t path[MAX_PATH + 1] = {};
  const DWORD n = GetModuleFileNameW(module, path, MAX_PATH);
  std::wstring folder(path, n < MAX_PATH ? n : 0);
  const std::size_t cut = folder.find_last_of(L'\\');
  return cut == std::wstring::npos ? std::string() : win32::Utf8(folder.substr(0, cut + 1));
}

// Sets the colour chooser's caption, which the dialog takes from no field of its own.
UINT_PTR CALLBACK ColorDialogHook(HWND dialog, UINT message, WPARAM, LPARAM l) {
  if (message == WM_INITDIALOG) {
    const auto* setup = reinterpret_cast<const CHOOSECOLORW*>(l);
    const auto* title = reinterpret_cast<const wchar_t*>(setup->lCustData);
    if (title != nullptr && title[0] != 0) SetWindowTextW(dialog, title);
  }
  return 0;
}

}  // namespace

int Win32Window::PopupMenu(const std::vector<std::string>& items, int checked, int itemsPerColumn) {
  if (window_ == nullptr || items.empty()) return 0;
  HMENU menu = CreatePopupMenu();
  if (menu == nullptr) return 0;
  for (int i = 0; i < int(items.size()); ++i) {
    UINT flags = MF_STRING;
    if (i == checked) flags |= MF_CHECKED;
    if (itemsPerColumn > 0 && i > 0 && i % itemsPerColumn == 0) flags |= MF_MENUBREAK;
    AppendMenuW(menu, flags, UINT_PTR(i + 1), win32::Wide(items[i]).c_str());
  }
  POINT p{};
  GetCursorPos(&p);
  HWND owner = GetActiveWindow() != nullptr ? GetActiveWindow() : window_;
  const int chosen =
      int(TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RETURNCMD | TPM_NONOTIFY, p.x,
                         p.y, 0, owner, nullptr));
  DestroyMenu(menu);
  return chosen;
}

std::string Win32Window::PromptForFile(int action, const std::string& folder) {
  if (window_ == nullptr) return {};
  wchar_t file[256] = {};  // 255 characters and the terminator
  const std::wstring start = win32::Wide(folder.empty() ? HostPath() : folder);
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = window_;
  dialog.lpstrFile = file;
  dialog.nMaxFile = sizeof file / sizeof file[0];
  dialog.lpstrInitialDir = start.c_str();
  BOOL chosen = FALSE;
  if (action == 1) {
    dialog.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST;
    chosen = GetSaveFileNameW(&dialog);
  } else {
    dialog.Flags = OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
    chosen = GetOpenFileNameW(&dialog);
  }
  return chosen ? win32::Utf8(file) : std::string();
}

bool Win32Window::PromptForColor(Color& color, const char* title) {
  if (window_ == nullptr) return false;
  if (customColors_ == nullptr) customColors_ = std::make_unique<COLORREF[]>(16);
  const std::wstring caption = win32::Wide(title != nullptr ? title : "");
  CHOOSECOLORW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = window_;
  dialog.rgbResult = RGB(color.red, color.green, color.blue);
  dialog.lpCustColors = customColors_.get();
  dialog.Flags = CC_FULLOPEN | CC_RGBINIT | CC_ANYCOLOR | CC_SOLIDCOLOR | CC_ENABLEHOOK;
  dialog.lCustData = reinterpret_cast<LPARAM>(caption.c_str());
  dialog.lpfnHook = &ColorDialogHook;
  if (!ChooseColorW(&dialog)) return false;
  color.red = GetRValue(dialog.rgbResult);
  color.green = GetGValue(dialog.rgbResult);
  color.blue = GetBValue(dialog.rgbResult);
  return true;
}

bool Win32Window::OpenUrl(const char* url, const char* title, const char* confirm,
                          const char* error) {
  if (window_ == nullptr || url == nullptr) return false;
  const std::wstring caption = win32::Wide(title != nullptr ? title : "");
  if (confirm != nullptr &&
      MessageBoxW(window_, win32::Wide(confirm).c_str(), caption.c_str(), MB_YESNO) != IDYES)
    return false;
  DWORD connection = 0;
  if (InternetGetConnectedState(&connection, 0) &&
      reinterpret_cast<INT_PTR>(ShellExecuteW(window_, L"open", win32::Wide(url).c_str(), nullptr,
                                              nullptr, SW_SHOWNORMAL)) > 32)
    return true;
  if (error != nullptr) MessageBoxW(window_, win32::Wide(error).c_str(), caption.c_str(), MB_OK);
  return false;
}

std::string Win32Window::HostPath() { return FolderOf(nullptr); }

std::string Win32Window::PluginPath() { return FolderOf(Module()); }

}  // namespace gui
