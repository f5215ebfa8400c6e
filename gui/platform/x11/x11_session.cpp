// The editor window's event loop: ticks on the timer period, painting from the draw bitmap,
// and the X11 input mapped onto the surface's mouse and keyboard operations.
#include "gui/platform/x11/x11_session.h"

#include <poll.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>

#include "gui/editor_surface.h"
#include "gui/platform/x11/desktop_settings.h"

namespace gui::x11 {
namespace {

using Clock = std::chrono::steady_clock;

constexpr std::uint32_t kEditorEvents =
    XCB_EVENT_MASK_EXPOSURE | XCB_EVENT_MASK_BUTTON_PRESS | XCB_EVENT_MASK_BUTTON_RELEASE |
    XCB_EVENT_MASK_POINTER_MOTION | XCB_EVENT_MASK_LEAVE_WINDOW | XCB_EVENT_MASK_KEY_PRESS |
    XCB_EVENT_MASK_STRUCTURE_NOTIFY;
constexpr std::uint16_t kHeldButtons = XCB_BUTTON_MASK_1 | XCB_BUTTON_MASK_3;

// The window an event is about (0 for events that name none we route).
xcb_window_t EventWindow(const xcb_generic_event_t& e) {
  switch (e.response_type & 0x7f) {
    case XCB_KEY_PRESS:
    case XCB_KEY_RELEASE:
    case XCB_BUTTON_PRESS:
    case XCB_BUTTON_RELEASE:
    case XCB_MOTION_NOTIFY:
      return reinterpret_cast<const xcb_button_press_event_t&>(e).event;
    case XCB_ENTER_NOTIFY:
    case XCB_LEAVE_NOTIFY:
      return reinterpret_cast<const xcb_enter_notify_event_t&>(e).event;
    case XCB_FOCUS_IN:
    case XCB_FOCUS_OUT:
      return reinterpret_cast<const xcb_focus_in_event_t&>(e).event;
    case XCB_EXPOSE:
      return reinterpret_cast<const xcb_expose_event_t&>(e).window;
    case XCB_DESTROY_NOTIFY:
      return reinterpret_cast<const xcb_destroy_notify_event_t&>(e).window;
    default:
      return 0;
  }
}

bool IsMotion(const xcb_generic_event_t* e) {
  return e != nullptr && (e->response_type & 0x7f) == XCB_MOTION_NOTIFY;
}

}  // namespace

X11Session::~X11Session() {
  if (window_ != 0 && !gone_ && !display_.Failed()) {
    xcb_destroy_window(display_.Connection(), window_);
    xcb_flush(display_.Connection());
  }
}

bool X11Session::Create(xcb_window_t parent, const Rect& placement) {
  xcb_connection_t* c = display_.Connection();
  window_ = display_.CreateWindow(parent, placement, kEditorEvents, false);
  if (window_ == 0) return false;
  placement_ = placement;
  clicks_ = ClickTracker(DesktopDoubleClickMs(display_, ClickTracker::kDoubleClickMs));
  display_.SetTitle(window_, "Quorvantel");
  static const char kClass[] = "quorvantel\0QuorvantelWndClass";  // instance and class
  xcb_change_property(c, XCB_PROP_MODE_REPLACE, window_, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8,
                      sizeof kClass, kClass);
  xcb_map_window(c, window_);

  // Take the keyboard focus if it is somewhere in our top-level window, never from another
  // program.
  xcb_get_input_focus_reply_t* focus =
      xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr);
  const xcb_window_t focused = focus != nullptr ? focus->focus : XCB_NONE;
  std::free(focus);
  for (xcb_window_t w = parent; focused > XCB_INPUT_FOCUS_POINTER_ROOT && w != XCB_NONE;) {
    if (w == focused) {
      Focus(window_);
      break;
    }
    xcb_query_tree_reply_t* tree = xcb_query_tree_reply(c, xcb_query_tree(c, w), nullptr);
    w = tree != nullptr && tree->parent != tree->root ? tree->parent : XCB_NONE;
    std::free(tree);
  }
  xcb_flush(c);
  return !display_.Failed();
}

bool X11Session::Alive() const { return !stop_->load() && !gone_ && !display_.Failed(); }

void X11Session::Run(const std::atomic<bool>& stop, int wakeFd) {
  stop_ = &stop;
  wakeFd_ = wakeFd;
  surface_.MarkAllControlsDirty();
  const auto period = std::chrono::milliseconds(surface_.PeriodMs());
  auto next = Clock::now();
  while (Alive()) {
    auto now = Clock::now();
    if (now >= next) {
      surface_.Tick();
      next += period;
      // After a stall, go on from now instead of catching up with a burst of ticks.
      if (next <= now) next = now + period;
    }
    DrainEvents(false);
    xcb_flush(display_.Connection());
    if (!Alive()) break;
    now = Clock::now();
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(next - now).count();
    Poll(-1, int(std::max<long long>(0, wait)));
  }
}

void X11Session::Poll(int fd, int timeoutMs) {
  pollfd fds[3] = {{display_.Fd(), POLLIN, 0}, {wakeFd_, POLLIN, 0}, {fd, POLLIN, 0}};
  poll(fds, fd >= 0 ? 3 : 2, timeoutMs);
}

void X11Session::DrainEvents(bool modal) {
  xcb_connection_t* c = display_.Connection();
  xcb_generic_event_t* event = xcb_poll_for_event(c);
  while (event != nullptr) {
    xcb_generic_event_t* next = xcb_poll_for_event(c);
    // Of a run of moves only the last counts: drags add up their steps from the last point.
    const bool superseded =
        IsMotion(event) && IsMotion(next) && EventWindow(*event) == EventWindow(*next);
    if (!superseded && Alive()) Dispatch(*event, modal);
    std::free(event);
    event = next;
  }
}

void X11Session::Dispatch(const xcb_generic_event_t& event, bool modal) {
  const int type = event.response_type & 0x7f;
  // Type 0 is a protocol error, for example about a window the host destroyed under us: the
  // request simply had no effect.
  if (type == 0) return;
  if (type == XCB_MAPPING_NOTIFY) {
    display_.LoadKeyboard();
    return;
  }
  const xcb_window_t target = EventWindow(event);
  if (target == 0) return;
  if (target == window_) {
    if (type == XCB_EXPOSE) {
      const auto& e = reinterpret_cast<const xcb_expose_event_t&>(event);
      exposed_ = exposed_.Union(Rect{e.x, e.y, e.x + e.width, e.y + e.height});
      if (e.count == 0) {
        Present(exposed_);
        exposed_ = Rect{};
      }
    } else if (type == XCB_DESTROY_NOTIFY) {
      gone_ = true;
    } else if (!modal) {
      EditorEvent(event);
    }
    return;
  }
  for (const auto& [window, child] : children_) {
    if (window != target) continue;
    ChildWindow* handler = child;  // it may unregister itself while handling
    handler->OnEvent(event);
    return;
  }
}

bool X11Session::EntryHasFocus() const {
  ValueEntry& entry = surface_.Entry();
  return entry.IsOpen() && entry.State() == EntryFocused;
}

void X11Session::EditorEvent(const xcb_generic_event_t& event) {
  // Key, button and motion events share this layout. The surface takes editor pixels.
  const auto& e = reinterpret_cast<const xcb_button_press_event_t&>(event);
  const int x = Scale().ToEditor(e.event_x), y = Scale().ToEditor(e.event_y);
  switch (event.response_type & 0x7f) {
    case XCB_BUTTON_PRESS:
      if (e.detail == 4 || e.detail == 5) {
        surface_.OnMouseWheel(x, y, ModFromState(e.state), e.detail == 4 ? 1 : -1);
      } else if (e.detail == 1 || e.detail == 3) {
        const bool twice = clicks_.Press(e.detail, e.time, e.event_x, e.event_y);
        // Mouse activation: the editor takes the keyboard focus, unless an entry box has it.
        if (!EntryHasFocus()) Focus(window_, e.time);
        modalRan_ = false;
        const MouseMod mod = ModFromState(e.state, e.detail, true);
        if (twice)
          surface_.OnMouseDoubleClick(x, y, mod);
        else
          surface_.OnMouseDown(x, y, mod);
        ReleaseIfLost();
      }
      break;
    case XCB_BUTTON_RELEASE:
      if (e.detail == 1 || e.detail == 3)
        surface_.OnMouseUp(x, y, ModFromState(e.state, e.detail, false));
      break;
    case XCB_MOTION_NOTIFY:
      if ((e.state & kHeldButtons) != 0)
        surface_.OnMouseDrag(x, y, ModFromState(e.state));
      else
        surface_.OnMouseMove(x, y);
      break;
    case XCB_LEAVE_NOTIFY:
      // A pointer grab during a drag also sends one; only leaving for real ends the hover.
      if (reinterpret_cast<const xcb_leave_notify_event_t&>(event).mode == XCB_NOTIFY_MODE_NORMAL)
        surface_.OnMouseLeave();
      break;
    case XCB_KEY_PRESS: {
      const int key = VirtualKeyFromKeysym(display_.Keysym(e.detail, e.state));
      if (key >= 0) surface_.OnKeyDown(x, y, KeyCodeFromVirtualKey(key));
      break;
    }
    default:
      break;
  }
}

void X11Session::ReleaseIfLost() {
  if (!modalRan_ || !Alive()) return;
  modalRan_ = false;
  xcb_connection_t* c = display_.Connection();
  xcb_query_pointer_reply_t* pointer =
      xcb_query_pointer_reply(c, xcb_query_pointer(c, window_), nullptr);
  if (pointer == nullptr) return;
  const bool held = (pointer->mask & kHeldButtons) != 0;
  const int x = Scale().ToEditor(pointer->win_x), y = Scale().ToEditor(pointer->win_y);
  const std::uint16_t mask = pointer->mask;
  std::free(pointer);
  if (!held && (surface_.HasCapture() || surface_.GestureParameter() >= 0))
    surface_.OnMouseUp(x, y, ModFromState(mask));
}

Rect X11Session::Placement() {
  if (gone_ || display_.Failed()) return placement_;
  xcb_connection_t* c = display_.Connection();
  xcb_get_geometry_reply_t* g = xcb_get_geometry_reply(c, xcb_get_geometry(c, window_), nullptr);
  if (g != nullptr) placement_ = Rect{g->x, g->y, g->x + g->width, g->y + g->height};
  std::free(g);
  return placement_;
}

const DeviceScale& X11Session::Scale() const { return surface_.DrawScale(); }

void X11Session::Resize(int width, int height) {
  if (window_ == 0 || gone_ || display_.Failed() || width < 1 || height < 1) return;
  const std::uint32_t size[] = {std::uint32_t(width), std::uint32_t(height)};
  xcb_configure_window(display_.Connection(), window_,
                       XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT, size);
  placement_.right = placement_.left + width;
  placement_.bottom = placement_.top + height;
}

void X11Session::Present(const Rect& r) {
  if (window_ != 0 && !gone_) display_.Put(window_, surface_.Pixels(), r, r.left, r.top);
}

void X11Session::AddChild(xcb_window_t window, ChildWindow* child) {
  children_.emplace_back(window, child);
}

void X11Session::RemoveChild(xcb_window_t window) {
  std::erase_if(children_, [window](const auto& entry) { return entry.first == window; });
}

void X11Session::Focus(xcb_window_t window, std::uint32_t time) {
  xcb_set_input_focus(display_.Connection(), XCB_INPUT_FOCUS_PARENT, window,
                      time != 0 ? time : XCB_CURRENT_TIME);
}

bool X11Session::WaitModal(int fd, int timeoutMs, const std::function<bool()>& done) {
  modalRan_ = true;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  while (Alive()) {
    DrainEvents(true);
    xcb_flush(display_.Connection());
    if (!Alive()) break;
    if (done && done()) return true;
    int wait = -1;
    if (timeoutMs >= 0) {
      const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
      if (left.count() <= 0) return true;
      wait = int(left.count());
    }
    if (fd >= 0) {
      pollfd ready = {fd, POLLIN, 0};
      if (poll(&ready, 1, 0) > 0) return true;
    }
    Poll(fd, wait);
  }
  return false;
}

}  // namespace gui::x11
