// A host-like process for the GUI tests: a virtual X server per test process, the built plug-in
// loaded through its entry point with its editor in a host window, xdotool for the mouse and the
// keyboard, and window contents read back from the server.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "host/lib/plugin_host.h"
#include "host/window/host_window.h"
#include "raster/bitmap.h"

namespace qvtest {

// The test process's virtual display, started on first use with DISPLAY set to it; "" when
// Xvfb is not installed.
const std::string& TestDisplay();

// xdotool with these words (split at spaces) on $DISPLAY; true when it succeeded.
bool Xdo(const std::string& words);
// Polls condition every 10 ms for up to timeoutMs.
bool WaitUntil(const std::function<bool()>& condition, int timeoutMs = 3000);

// A window's contents and its child windows, read through a connection of the test's own.
raster::Bitmap Capture(std::uint32_t window);
std::uint32_t RootWindow();
int ChildCount(std::uint32_t window);
std::uint32_t FirstChild(std::uint32_t window);
// Writes a capture into the test's working folder as name.png, for people to look at.
void SaveShot(const raster::Bitmap& shot, const std::string& name);
// Pixels of box (x0, y0)..(x1, y1) of a capture, for comparing regions.
std::vector<std::uint32_t> Region(const raster::Bitmap& shot, int x0, int y0, int x1, int y1);

// A desktop's settings manager as far as the editor sees it: the owner of _XSETTINGS_S0 with a
// record that holds the given integer settings (little-endian), for as long as it lives.
class SettingsManager {
 public:
  explicit SettingsManager(const std::vector<std::pair<std::string, std::uint32_t>>& integers);
  ~SettingsManager();
  SettingsManager(const SettingsManager&) = delete;
  SettingsManager& operator=(const SettingsManager&) = delete;

 private:
  void* c_;  // the connection that owns the selection
};

// The plug-in with a host window at (x, 0) of the screen, sized as its editor asks.
class PluginWindow {
 public:
  explicit PluginWindow(int x = 0);
  ~PluginWindow();

  qvhost::PluginHost& Host() { return *host_; }
  // Opcode 14 with the host window (true when the plug-in answered 1); opcode 15.
  bool OpenEditor();
  void CloseEditor();
  // The editor's own window inside the host window (0 when none).
  std::uint32_t Editor() const { return FirstChild(window_->Id()); }
  qvhost::HostWindow& Window() { return *window_; }
  // Drops the host window (destroying it), as a host closing its plug-in window may.
  void DestroyWindow() { window_.reset(); }
  std::string Display(int index) { return host_->ParamDisplay(index); }

 private:
  std::unique_ptr<qvhost::PluginHost> host_;
  std::unique_ptr<qvhost::HostWindow> window_;
};

}  // namespace qvtest
