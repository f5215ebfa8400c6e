// The host's top-level window on X11 (XCB): size hints, the close protocol and its events.
#include "host/window/host_window.h"

#include <poll.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

namespace qvhost {
namespace {

xcb_atom_t Intern(xcb_connection_t* c, const char* name) {
  xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
      c, xcb_intern_atom(c, 0, std::uint16_t(std::strlen(name)), name), nullptr);
  const xcb_atom_t atom = reply != nullptr ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
  std::free(reply);
  return atom;
}

}  // namespace

struct HostWindow::Impl {
  xcb_connection_t* connection = nullptr;
  xcb_window_t window = 0;
  xcb_atom_t protocols = 0;
  xcb_atom_t deleteWindow = 0;
  bool closed = false;

  ~Impl() {
    if (window != 0 && !xcb_connection_has_error(connection))
      xcb_destroy_window(connection, window);
    xcb_disconnect(connection);
  }

  // Fixed size: minimum and maximum both the size (WM_NORMAL_HINTS, flags PMinSize|PMaxSize).
  void FixSize(int width, int height) {
    std::uint32_t hints[18] = {};
    hints[0] = 16 | 32;
    hints[5] = hints[7] = std::uint32_t(width);
    hints[6] = hints[8] = std::uint32_t(height);
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_NORMAL_HINTS,
                        XCB_ATOM_WM_SIZE_HINTS, 32, 18, hints);
  }
};

HostWindow::HostWindow(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {
  window_ = impl_->window;
}

HostWindow::~HostWindow() = default;

std::unique_ptr<HostWindow> HostWindow::Create(int x, int y, int width, int height,
                                               const std::string& title, std::string* error) {
  auto impl = std::make_unique<Impl>();
  impl->connection = xcb_connect(nullptr, nullptr);
  xcb_connection_t* c = impl->connection;
  if (xcb_connection_has_error(c)) {
    const char* display = std::getenv("DISPLAY");
    *error = display == nullptr || display[0] == '\0'
                 ? "no X display to open a window on (DISPLAY is not set)"
                 : std::string("cannot connect to the X display \"") + display + "\"";
    return nullptr;
  }
  const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
  impl->window = xcb_generate_id(c);
  const std::uint32_t values[] = {screen->black_pixel, XCB_EVENT_MASK_STRUCTURE_NOTIFY};
  xcb_create_window(c, XCB_COPY_FROM_PARENT, impl->window, screen->root, std::int16_t(x),
                    std::int16_t(y), std::uint16_t(width), std::uint16_t(height), 0,
                    XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual,
                    XCB_CW_BACK_PIXEL | XCB_CW_EVENT_MASK, values);
  xcb_change_property(c, XCB_PROP_MODE_REPLACE, impl->window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                      std::uint32_t(title.size()), title.data());
  static const char kClass[] = "quorvantel-host\0QuorvantelHost";
  xcb_change_property(c, XCB_PROP_MODE_REPLACE, impl->window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8,
                      sizeof kClass, kClass);
  impl->protocols = Intern(c, "WM_PROTOCOLS");
  impl->deleteWindow = Intern(c, "WM_DELETE_WINDOW");
  xcb_change_property(c, XCB_PROP_MODE_REPLACE, impl->window, impl->protocols, XCB_ATOM_ATOM, 32, 1,
                      &impl->deleteWindow);
  impl->FixSize(width, height);
  xcb_map_window(c, impl->window);
  // Mapped before the plug-in's window is put into it.
  std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
  if (xcb_connection_has_error(c)) {
    *error = "the X display closed the connection";
    return nullptr;
  }
  return std::unique_ptr<HostWindow>(new HostWindow(std::move(impl)));
}

void HostWindow::Resize(int width, int height) {
  impl_->FixSize(width, height);
  const std::uint32_t size[] = {std::uint32_t(width), std::uint32_t(height)};
  xcb_configure_window(impl_->connection, impl_->window,
                       XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT, size);
  xcb_flush(impl_->connection);
}

bool HostWindow::Pump(int timeoutMs) {
  xcb_connection_t* c = impl_->connection;
  xcb_flush(c);
  pollfd fd = {xcb_get_file_descriptor(c), POLLIN, 0};
  poll(&fd, 1, timeoutMs);
  while (xcb_generic_event_t* event = xcb_poll_for_event(c)) {
    const int type = event->response_type & 0x7f;
    if (type == XCB_CLIENT_MESSAGE) {
      const auto* message = reinterpret_cast<xcb_client_message_event_t*>(event);
      if (message->type == impl_->protocols && message->data.data32[0] == impl_->deleteWindow)
        impl_->closed = true;
    } else if (type == XCB_DESTROY_NOTIFY &&
               reinterpret_cast<xcb_destroy_notify_event_t*>(event)->window == impl_->window) {
      impl_->closed = true;
      impl_->window = 0;
    }
    std::free(event);
  }
  return !impl_->closed && !DisplayFailed();
}

bool HostWindow::DisplayFailed() const { return xcb_connection_has_error(impl_->connection) != 0; }

}  // namespace qvhost
