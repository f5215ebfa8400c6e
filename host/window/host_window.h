// A top-level window (X11, or Win32 on Windows) that holds a plug-in's editor the way a DAW's
// plug-in window does: the host makes it, hands its id to the plug-in (opcode 14) and watches for
// the user closing it. Used by quorvantel-host edit, the GUI tests and the editor window
// benchmark.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace qvhost {

class HostWindow {
 public:
  // Shows a fixed-size window titled title at (x, y) of the screen (on X11: connects to
  // $DISPLAY). Null with a one-line reason in *error when there is no display.
  static std::unique_ptr<HostWindow> Create(int x, int y, int width, int height,
                                            const std::string& title, std::string* error);
  // Destroys the window and disconnects.
  ~HostWindow();
  HostWindow(const HostWindow&) = delete;
  HostWindow& operator=(const HostWindow&) = delete;

  // The X11 Window id, or the HWND zero-extended, to hand to the plug-in.
  std::uint32_t Id() const { return window_; }
  void Resize(int width, int height);
  // Handles the window's events, waiting up to timeoutMs for them; false once the window was
  // asked to close (the window manager's close button) or the display went away.
  bool Pump(int timeoutMs);
  bool DisplayFailed() const;

 private:
  struct Impl;
  explicit HostWindow(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
  std::uint32_t window_ = 0;
};

}  // namespace qvhost
