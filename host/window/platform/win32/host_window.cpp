// The host's top-level window on Windows: a fixed-size frame whose client area is the editor's
// size, its close button, and the message loop the host's user-interface thread runs.
#include "host/window/host_window.h"

#include "common/platform/win32/wide_text.h"

namespace qvhost {
namespace {

constexpr wchar_t kClassName[] = L"QuorvantelHostWindow";
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

}  // namespace

struct HostWindow::Impl {
  HWND window = nullptr;
  bool closed = false;

  ~Impl() {
    if (window != nullptr) DestroyWindow(window);
  }

  static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM w, LPARAM l) {
    auto* self = reinterpret_cast<Impl*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_CLOSE && self != nullptr) {
      self->closed = true;  // the owner closes the editor first, then destroys the window
      return 0;
    }
    return DefWindowProcW(window, message, w, l);
  }
};

HostWindow::HostWindow(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {
  window_ = std::uint32_t(reinterpret_cast<std::uintptr_t>(impl_->window));
}

HostWindow::~HostWindow() = default;

std::unique_ptr<HostWindow> HostWindow::Create(int x, int y, int width, int height,
                                               const std::string& title, std::string* error) {
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = &Impl::Proc;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  windowClass.lpszClassName = kClassName;
  RegisterClassW(&windowClass);  // a second window finds it registered
  RECT frame{0, 0, width, height};
  AdjustWindowRect(&frame, kStyle, FALSE);
  auto impl = std::make_unique<Impl>();
  impl->window =
      CreateWindowW(kClassName, win32::Wide(title).c_str(), kStyle, x, y, frame.right - frame.left,
                    frame.bottom - frame.top, nullptr, nullptr, windowClass.hInstance, nullptr);
  // Window handles are 32-bit values even on 64-bit Windows (so 32-bit processes can share
  // them), small positive ones in practice; Id() hands one on zero-extended.
  if (impl->window == nullptr || reinterpret_cast<std::uintptr_t>(impl->window) > 0x7FFFFFFFu) {
    *error = "Windows refused to create the window (error " + std::to_string(GetLastError()) + ")";
    return nullptr;
  }
  SetWindowLongPtrW(impl->window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(impl.get()));
  ShowWindow(impl->window, SW_SHOWNORMAL);
  return std::unique_ptr<HostWindow>(new HostWindow(std::move(impl)));
}

void HostWindow::Resize(int width, int height) {
  RECT frame{0, 0, width, height};
  AdjustWindowRect(&frame, kStyle, FALSE);
  SetWindowPos(impl_->window, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool HostWindow::Pump(int timeoutMs) {
  if (!impl_->closed)
    MsgWaitForMultipleObjects(0, nullptr, FALSE, DWORD(timeoutMs < 0 ? 0 : timeoutMs), QS_ALLINPUT);
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return !impl_->closed && IsWindow(impl_->window);
}

bool HostWindow::DisplayFailed() const { return !impl_->closed && !IsWindow(impl_->window); }

}  // namespace qvhost
