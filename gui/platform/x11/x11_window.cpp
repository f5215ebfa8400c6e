// Opening and closing the X11 editor window, the editor thread, and the layer's services.
#include "gui/platform/x11/x11_window.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>
#include <future>

#include "gui/editor_surface.h"
#include "gui/platform/x11/desktop_dialogs.h"
#include "gui/platform/x11/desktop_settings.h"
#include "gui/platform/x11/x11_display.h"
#include "gui/platform/x11/x11_entry.h"
#include "gui/platform/x11/x11_popup_menu.h"
#include "gui/platform/x11/x11_session.h"

namespace gui {

std::unique_ptr<IWindowLayer> CreateWindowLayer(IEditorSurface& surface) {
  return std::make_unique<x11::X11Window>(surface);
}

namespace x11 {
namespace {

std::atomic<int> gOpenWindows{0};

}  // namespace

int OpenWindowCount() { return gOpenWindows.load(); }

// What the editor thread reports back to OpenWindow once the window exists, or cannot.
struct X11Window::Start {
  Rect placement;
  std::promise<bool> created;
};

X11Window::X11Window(IEditorSurface& surface) : surface_(surface) {}

X11Window::~X11Window() {
  CloseWindow();
  // Only when destroyed from its own thread, which the rules forbid: better a thread left
  // behind than std::terminate.
  if (thread_.joinable()) thread_.detach();
}

bool X11Window::OpenWindow(void* parent) {
  // A host reopening from inside a gesture's callback: the thread cannot replace itself.
  if (OnEditorThread()) return false;
  std::lock_guard lock(mutex_);
  StopAndJoin();
  const auto id = reinterpret_cast<std::uintptr_t>(parent);
  if (id == 0 || id > 0xffffffffu) return false;  // X ids are 32-bit
  wakeFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (wakeFd_ < 0) return false;
  stop_ = false;
  Start start{placement_, {}};
  std::future<bool> created = start.created.get_future();
  try {
    thread_ = std::thread(&X11Window::Run, this, std::uint32_t(id), &start);
  } catch (...) {
    close(wakeFd_);
    wakeFd_ = -1;
    return false;
  }
  if (created.get()) return true;
  StopAndJoin();
  return false;
}

void X11Window::CloseWindow() {
  if (OnEditorThread()) {
    stop_ = true;
    return;
  }
  std::lock_guard lock(mutex_);
  StopAndJoin();
}

void X11Window::StopAndJoin() {
  if (!thread_.joinable()) return;
  stop_ = true;
  const std::uint64_t one = 1;
  [[maybe_unused]] const ssize_t written = write(wakeFd_, &one, sizeof one);
  thread_.join();
  close(wakeFd_);
  wakeFd_ = -1;
}

void X11Window::Run(std::uint32_t parent, Start* start) {
  editorThread_ = std::this_thread::get_id();
  std::unique_ptr<X11Display> display = X11Display::Connect();
  if (display == nullptr) {
    editorThread_ = std::thread::id{};
    start->created.set_value(false);
    return;
  }
  // The window opens at the scale the desktop asks for now.
  surface_.SetDesktopScale(x11::DesktopScale(display->Connection(), display->ScreenNumber()));
  surface_.ApplyScale();
  const Rect placement{start->placement.left, start->placement.top,
                       start->placement.left + surface_.Width(),
                       start->placement.top + surface_.Height()};
  {
    X11Session session(surface_, *display);
    if (!session.Create(parent, placement)) {
      editorThread_ = std::thread::id{};
      start->created.set_value(false);
      return;
    }
    ++gOpenWindows;
    session_ = &session;
    window_ = session.Window();
    open_ = true;
    start->created.set_value(true);  // start is gone from here on

    session.Run(stop_, wakeFd_);

    // The entry box lives on this connection: it goes before the connection does.
    surface_.Entry().Close();
    placement_ = session.Placement();
    open_ = false;
    window_ = 0;
    session_ = nullptr;
    --gOpenWindows;
  }
  editorThread_ = std::thread::id{};
}

void* X11Window::GetWindow() const {
  return reinterpret_cast<void*>(std::uintptr_t(window_.load()));
}

void X11Window::PresentRect(const Rect& r) {
  if (session_ != nullptr) session_->Present(r);
}

double X11Window::DesktopScale() {
  int screen = 0;
  xcb_connection_t* c = xcb_connect(nullptr, &screen);
  const double scale = x11::DesktopScale(c, screen);
  xcb_disconnect(c);
  return scale;
}

void X11Window::DeviceSizeChanged() {
  if (session_ != nullptr) session_->Resize(surface_.Width(), surface_.Height());
}

std::unique_ptr<IEntryWidget> X11Window::OpenEntryWidget(const EntryRequest& request,
                                                         ValueEntry& entry) {
  return session_ != nullptr ? OpenEntryBox(*session_, request, entry) : nullptr;
}

int X11Window::PopupMenu(const std::vector<std::string>& items, int checked, int itemsPerColumn) {
  return session_ != nullptr ? RunPopupMenu(*session_, items, checked, itemsPerColumn) : 0;
}

bool X11Window::WaitModal(int fd, int timeoutMs) {
  return session_ != nullptr && session_->WaitModal(fd, timeoutMs);
}

std::string X11Window::PromptForFile(int action, const std::string& folder) {
  if (session_ == nullptr) return {};
  return desktop::ChooseFile(action, folder, [this](int fd, int ms) { return WaitModal(fd, ms); });
}

bool X11Window::PromptForColor(Color& color, const char* title) {
  if (session_ == nullptr) return false;
  return desktop::ChooseColor(color, title, [this](int fd, int ms) { return WaitModal(fd, ms); });
}

bool X11Window::OpenUrl(const char* url, const char* title, const char* confirm,
                        const char* error) {
  if (session_ == nullptr) return false;
  return desktop::OpenUrl(url, title, confirm, error,
                          [this](int fd, int ms) { return WaitModal(fd, ms); });
}

std::string X11Window::HostPath() { return desktop::HostPath(); }

std::string X11Window::PluginPath() { return desktop::PluginPath(); }

}  // namespace x11
}  // namespace gui
