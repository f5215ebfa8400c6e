// One open editor window on X11: the child window of the host's parent, the event loop the
// editor thread runs while it is open (timer ticks, painting, input routed to the surface), and
// the services the entry boxes, menus and dialogs of the window layer use.
#pragma once

#include <xcb/xcb.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "gui/device_scale.h"
#include "gui/platform/x11/x11_display.h"
#include "gui/platform/x11/x11_input.h"
#include "gui/records.h"

namespace gui {
class IEditorSurface;
}

namespace gui::x11 {

// A window of ours inside the editor (an entry box, a menu) that takes its own events.
class ChildWindow {
 public:
  virtual ~ChildWindow() = default;
  virtual void OnEvent(const xcb_generic_event_t& event) = 0;
};

// Everything here runs on the editor thread that made the session.
class X11Session {
 public:
  X11Session(IEditorSurface& surface, X11Display& display) : surface_(surface), display_(display) {}
  // Destroys the window unless the host already did.
  ~X11Session();
  X11Session(const X11Session&) = delete;
  X11Session& operator=(const X11Session&) = delete;

  // Makes the editor's window, named "Quorvantel" of class "QuorvantelWndClass", as a mapped
  // child of parent at placement, and gives it the keyboard focus when its top-level window
  // has it. False when parent is not a window.
  bool Create(xcb_window_t parent, const Rect& placement);
  xcb_window_t Window() const { return window_; }
  // The window's area in its own (device) coordinates.
  Rect Bounds() const { return Rect{0, 0, placement_.Width(), placement_.Height()}; }
  // The scale the editor draws at: device pixels of this window per editor pixel.
  const DeviceScale& Scale() const;
  // Gives the window a new size (a new scale), keeping its place.
  void Resize(int width, int height);
  // The device pixels of a length in editor pixels, for the sizes of our own widgets.
  int DeviceLength(int editorPixels) const { return Scale().LengthToDevice(editorPixels); }
  // The widgets' text font at the scale (14 editor pixels high); null when none is found.
  const raster::Font* WidgetFont() { return display_.TextFont(DeviceLength(14)); }
  X11Display& Display() { return display_; }

  // Marks every control dirty, then ticks every PeriodMs (the first tick at once) and handles
  // events until stop is set (wakeFd turns readable to say so), the window is destroyed or the
  // display fails.
  void Run(const std::atomic<bool>& stop, int wakeFd);
  // The window's position in its parent and its size, as now, or as last known once it is gone.
  Rect Placement();

  // Copies r (device pixels) of the surface's draw bitmap to the window.
  void Present(const Rect& r);
  // A child window receives its own events while it is registered.
  void AddChild(xcb_window_t window, ChildWindow* child);
  void RemoveChild(xcb_window_t window);
  // Moves the keyboard focus to window; time is the event's timestamp, 0 for now.
  void Focus(xcb_window_t window, std::uint32_t time = 0);
  // A modal wait (menus, dialogs): until fd is readable (fd < 0: no fd), timeoutMs passes
  // (negative: no limit) or done() holds after an event. Meanwhile exposed parts of the editor
  // are painted, child windows get their events and the editor's own input is dropped. False
  // when the editor is being closed or the display failed: the caller gives up at once.
  bool WaitModal(int fd, int timeoutMs, const std::function<bool()>& done = {});

 private:
  bool Alive() const;
  // Waits up to timeoutMs for the display, the wake fd or fd.
  void Poll(int fd, int timeoutMs);
  void DrainEvents(bool modal);
  void Dispatch(const xcb_generic_event_t& event, bool modal);
  void EditorEvent(const xcb_generic_event_t& event);
  // After a press whose handling ran a modal loop (which took the button's release), the
  // release the surface never saw.
  void ReleaseIfLost();
  bool EntryHasFocus() const;

  IEditorSurface& surface_;
  X11Display& display_;
  xcb_window_t window_ = 0;
  bool gone_ = false;  // the host destroyed the window
  Rect placement_;
  const std::atomic<bool>* stop_ = nullptr;
  int wakeFd_ = -1;
  Rect exposed_;
  ClickTracker clicks_;
  bool modalRan_ = false;
  std::vector<std::pair<xcb_window_t, ChildWindow*>> children_;
};

}  // namespace gui::x11
