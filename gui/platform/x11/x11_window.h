// The window layer of the Linux build: the editor in an X11 child window of the host's parent,
// run by a thread of its own with its own display connection while the window is open.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <thread>

#include "gui/window_layer.h"

namespace gui::x11 {

class X11Session;

// Windows open at this moment, in all editors of the process.
int OpenWindowCount();

// Lock rules: OpenWindow and CloseWindow come from host threads, are serialised by the layer's
// own mutex and are never called with the instance lock held (closing joins the editor thread,
// which takes the instance lock for gestures). The editor thread never takes the layer's mutex;
// a CloseWindow on the editor thread itself only asks the loop to end. Every other operation
// runs on the editor thread.
class X11Window : public IWindowLayer {
 public:
  explicit X11Window(IEditorSurface& surface);
  // Closes the window (never call it from the editor thread).
  ~X11Window() override;

  // parent is the host's X11 Window id. Connects, creates the window and starts the editor
  // thread; false (and nothing left running) when there is no display, it refuses, or parent
  // is not a window.
  bool OpenWindow(void* parent) override;
  void CloseWindow() override;
  bool IsWindowOpen() const override { return open_.load(); }
  void* GetWindow() const override;

  void PresentRect(const Rect& r) override;
  // Asks the display of $DISPLAY on a connection of its own, closed again at once.
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

 private:
  struct Start;
  // The editor thread's whole life.
  void Run(std::uint32_t parent, Start* start);
  // Host thread, mutex held: ends and joins the editor thread if there is one.
  void StopAndJoin();
  bool OnEditorThread() const { return editorThread_.load() == std::this_thread::get_id(); }
  bool WaitModal(int fd, int timeoutMs);

  IEditorSurface& surface_;
  std::mutex mutex_;
  std::thread thread_;
  std::atomic<std::thread::id> editorThread_{};
  std::atomic<bool> stop_{false};
  std::atomic<bool> open_{false};
  std::atomic<std::uint32_t> window_{0};
  int wakeFd_ = -1;                // eventfd the host thread writes to stop the loop
  X11Session* session_ = nullptr;  // editor thread only
  Rect placement_;  // position kept across openings (the size follows the scale); editor thread
};

}  // namespace gui::x11
