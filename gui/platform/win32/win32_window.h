// The Win32 window layer: the editor's child window with its class, timer, input mapping and
// painting, and the native services of the value entry and the dialogs.
#pragma once

#include <memory>

#include "common/platform/win32/windows_api.h"
#include "gui/window_layer.h"

namespace gui {

// Everything runs on the thread that opened the window (the host's user-interface thread), which
// is then the editor thread: the timer, painting and input arrive through its message loop.
class Win32Window : public IWindowLayer {
 public:
  explicit Win32Window(IEditorSurface& surface);
  ~Win32Window() override;

  bool OpenWindow(void* parent) override;
  void CloseWindow() override;
  bool IsWindowOpen() const override { return window_ != nullptr; }
  void* GetWindow() const override { return window_; }

  void PresentRect(const Rect& r) override;
  double DesktopScale() override;
  void DeviceSizeChanged() override;
  std::unique_ptr<IEntryWidget> OpenEntryWidget(const EntryRequest& request,
                                                ValueEntry& entry) override;
  int PopupMenu(const std::vector<std::string>& items, int checked, int itemsPerColumn) override;
  std::string PromptForFile(int action, const std::string& folder) override;
  bool PromptForColor(Color& color, const char* title) override;
  bool OpenUrl(const char* url, const char* title, const char* confirm, const char* error) override;
  std::string HostPath() override;
  std::string PluginPath() override;

  // The control id of the value entry's edit box or list.
  static constexpr int kEntryId = 99;

  // The module this code lives in (the plug-in DLL, or a program that links the editor in).
  static HINSTANCE Module();

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM w, LPARAM l);
  LRESULT Handle(UINT message, WPARAM w, LPARAM l);
  // True when the message went to the platform default because the entry has the focus.
  bool EntryHoldsFocus(UINT message, WPARAM w, LPARAM l, LRESULT* result);
  bool CreatePresentBitmap();
  void ReleasePresentBitmap();
  void Forget();           // the window is gone: entry, timer and presenting bitmap
  void DropWindowClass();  // gives back this editor's use of the window class

  IEditorSurface& surface_;
  HWND window_ = nullptr;
  Rect placement_;  // in the parent's client pixels
  bool holdsClass_ = false;
  HDC presentDc_ = nullptr;  // holds the DIB section the window is painted from
  HBITMAP presentBitmap_ = nullptr;
  HGDIOBJ previousBitmap_ = nullptr;
  std::uint32_t* presentBits_ = nullptr;
  std::unique_ptr<COLORREF[]> customColors_;  // the colour chooser's 16, made on first use
};

}  // namespace gui
