// The editor's Win32 child window: class registration by a process-wide counter, the 41 ms timer
// (id 2), the draw bitmap presented from a DIB section with BitBlt, and the mapping of mouse and
// keyboard messages onto the surface.
#include "gui/platform/win32/win32_window.h"

#include <windowsx.h>

#include <algorithm>
#include <cstring>
#include <mutex>

#include "gui/editor_surface.h"

namespace gui {
namespace {

constexpr wchar_t kClassName[] = L"QuorvantelWndClass";
constexpr UINT_PTR kTimerId = 2;
// Sent to child windows of a per-monitor aware window that moved to a monitor of another DPI
// (newer headers name it WM_DPICHANGED_AFTERPARENT).
constexpr UINT kDpiChangedAfterParent = 0x02E3;

// Functions of newer Windows than the module requires, looked up where they exist.
template <typename F>
F User32Function(const char* name) {
  HMODULE user32 = GetModuleHandleW(L"user32.dll");
  return user32 != nullptr
             ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(user32, name)))
             : nullptr;
}

// The scale of a window's monitor (Windows 10 and later), else of the screen: its DPI over 96.
double ScaleOfWindow(HWND window) {
  using DpiForWindow = UINT(WINAPI*)(HWND);
  static const auto dpiForWindow = User32Function<DpiForWindow>("GetDpiForWindow");
  UINT dpi = window != nullptr && dpiForWindow != nullptr ? dpiForWindow(window) : 0;
  if (dpi == 0) {
    HDC screen = GetDC(nullptr);
    dpi = screen != nullptr ? UINT(GetDeviceCaps(screen, LOGPIXELSX)) : 0;
    if (screen != nullptr) ReleaseDC(nullptr, screen);
  }
  return dpi > 0 ? dpi / 96.0 : 0.0;
}

// While it lives, windows this thread creates are per-monitor DPI aware (where Windows knows it),
// so they get their monitor's real pixels and hear when the DPI changes.
class PerMonitorAwareness {
 public:
  PerMonitorAwareness() {
    if (set_ != nullptr) previous_ = set_(reinterpret_cast<HANDLE>(-4));  // per monitor, v2
  }
  ~PerMonitorAwareness() {
    if (set_ != nullptr && previous_ != nullptr) set_(previous_);
  }

 private:
  using SetContext = HANDLE(WINAPI*)(HANDLE);
  static inline const SetContext set_ = User32Function<SetContext>("SetThreadDpiAwarenessContext");
  HANDLE previous_ = nullptr;
};

// The window class, registered while at least one editor window exists in the process.
std::mutex gClassLock;
int gClassUsers = 0;

bool RetainWindowClass(WNDPROC procedure) {
  std::lock_guard lock(gClassLock);
  if (gClassUsers == 0) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_DBLCLKS;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = Win32Window::Module();
    windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // the arrow
    windowClass.lpszClassName = kClassName;
    // A class still registered after its last window (see DropWindowClass) serves as it is.
    if (RegisterClassExW(&windowClass) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
      return false;
  }
  ++gClassUsers;
  return true;
}

void ReleaseWindowClass() {
  std::lock_guard lock(gClassLock);
  if (gClassUsers > 0 && --gClassUsers == 0) UnregisterClassW(kClassName, Win32Window::Module());
}

// Mouse buttons and modifiers from a message's key-state word; Alt from the keyboard state.
MouseMod ModOf(WPARAM keys) {
  MouseMod mod;
  mod.left = (keys & MK_LBUTTON) != 0;
  mod.right = (keys & MK_RBUTTON) != 0;
  mod.shift = (keys & MK_SHIFT) != 0;
  mod.ctrl = (keys & MK_CONTROL) != 0;
  mod.alt = GetKeyState(VK_MENU) < 0;
  return mod;
}

}  // namespace

HINSTANCE Win32Window::Module() {
  HMODULE module = nullptr;
  GetModuleHandleExW(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCWSTR>(&Win32Window::WindowProc), &module);
  return module;
}

Win32Window::Win32Window(IEditorSurface& surface) : surface_(surface) {}

Win32Window::~Win32Window() { CloseWindow(); }

bool Win32Window::OpenWindow(void* parent) {
  // Also gives back the class use left over when the host destroyed the window itself.
  CloseWindow();
  if (parent == nullptr || !RetainWindowClass(&Win32Window::WindowProc)) return false;
  holdsClass_ = true;
  // The window opens at its monitor's scale, as far as the parent tells it.
  surface_.SetDesktopScale(ScaleOfWindow(static_cast<HWND>(parent)));
  surface_.ApplyScale();
  placement_.right = placement_.left + surface_.Width();
  placement_.bottom = placement_.top + surface_.Height();
  if (!CreatePresentBitmap()) {
    Forget();
    DropWindowClass();
    return false;
  }
  // WM_NCCREATE stores this object and the handle; WM_CREATE starts the timer and takes focus.
  const Rect& r = placement_;
  PerMonitorAwareness awareness;
  CreateWindowExW(0, kClassName, L"Quorvantel", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, r.left,
                  r.top, r.right - r.left, r.bottom - r.top, static_cast<HWND>(parent), nullptr,
                  Module(), this);
  if (window_ == nullptr) {
    Forget();
    DropWindowClass();
    return false;
  }
  return true;
}

void Win32Window::CloseWindow() {
  // The next window takes this one's size and place in its parent (the surface closes the old
  // window before it opens a new one).
  RECT r{};
  if (window_ != nullptr && GetWindowRect(window_, &r)) {
    MapWindowPoints(HWND_DESKTOP, GetParent(window_), reinterpret_cast<POINT*>(&r), 2);
    placement_ = Rect{r.left, r.top, r.right, r.bottom};
  }
  // WM_NCDESTROY forgets the window. Only its own thread can destroy it: asked from another
  // thread, the window is cut loose from this editor and told to close itself.
  if (window_ != nullptr && !DestroyWindow(window_)) {
    HWND orphan = window_;
    Forget();
    PostMessageW(orphan, WM_CLOSE, 0, 0);
  }
  DropWindowClass();
}

void Win32Window::DropWindowClass() {
  // Only once the window is gone: a class that still has a window cannot be unregistered.
  if (!holdsClass_ || window_ != nullptr) return;
  holdsClass_ = false;
  ReleaseWindowClass();
}

void Win32Window::Forget() {
  surface_.Entry().Close();
  if (window_ != nullptr) {
    KillTimer(window_, kTimerId);
    SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
    window_ = nullptr;
  }
  ReleasePresentBitmap();
}

void Win32Window::ReleasePresentBitmap() {
  if (presentDc_ != nullptr) {
    SelectObject(presentDc_, previousBitmap_);
    DeleteDC(presentDc_);
    presentDc_ = nullptr;
  }
  if (presentBitmap_ != nullptr) DeleteObject(presentBitmap_);
  presentBitmap_ = nullptr;
  presentBits_ = nullptr;
}

double Win32Window::DesktopScale() { return ScaleOfWindow(nullptr); }

void Win32Window::DeviceSizeChanged() {
  if (window_ == nullptr) return;
  ReleasePresentBitmap();
  if (!CreatePresentBitmap()) return;
  SetWindowPos(window_, nullptr, 0, 0, surface_.Width(), surface_.Height(),
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool Win32Window::CreatePresentBitmap() {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = surface_.Width();
  info.bmiHeader.biHeight = -surface_.Height();  // rows top to bottom, as the draw bitmap
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  presentDc_ = CreateCompatibleDC(nullptr);
  presentBitmap_ = CreateDIBSection(presentDc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (presentDc_ == nullptr || presentBitmap_ == nullptr) return false;
  previousBitmap_ = SelectObject(presentDc_, presentBitmap_);
  presentBits_ = static_cast<std::uint32_t*>(bits);
  // What the editor last drew, until the first tick redraws everything.
  const raster::Bitmap& pixels = surface_.Pixels();
  if (pixels.Width() == surface_.Width() && pixels.Height() == surface_.Height())
    std::memcpy(presentBits_, pixels.Data(), std::size_t(pixels.Width()) * pixels.Height() * 4);
  return true;
}

void Win32Window::PresentRect(const Rect& r) {
  if (window_ == nullptr || presentBits_ == nullptr) return;
  // The draw bitmap's 0xAARRGGBB pixels are the DIB's B, G, R, x bytes: rows copy as they are.
  const raster::Bitmap& pixels = surface_.Pixels();
  const int width = std::min(pixels.Width(), surface_.Width());
  const int x0 = std::clamp(r.left, 0, width), x1 = std::clamp(r.right, 0, width);
  const int y0 = std::clamp(r.top, 0, pixels.Height()),
            y1 = std::clamp(r.bottom, 0, pixels.Height());
  if (x1 <= x0 || y1 <= y0) return;
  for (int y = y0; y < y1; ++y)
    std::memcpy(presentBits_ + std::size_t(y) * surface_.Width() + x0, pixels.Row(y) + x0,
                std::size_t(x1 - x0) * 4);
  const RECT dirty{x0, y0, x1, y1};
  InvalidateRect(window_, &dirty, FALSE);
  UpdateWindow(window_);
}

LRESULT CALLBACK Win32Window::WindowProc(HWND window, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<Win32Window*>(reinterpret_cast<CREATESTRUCTW*>(l)->lpCreateParams);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    self->window_ = window;
  }
  auto* self = reinterpret_cast<Win32Window*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self == nullptr || self->window_ != window) return DefWindowProcW(window, message, w, l);
  return self->Handle(message, w, l);
}

bool Win32Window::EntryHoldsFocus(UINT message, WPARAM w, LPARAM l, LRESULT* result) {
  ValueEntry& entry = surface_.Entry();
  if (!entry.IsOpen() || entry.State() != EntryFocused) return false;
  // The window's own life goes on; the list's choice is the entry's, not the editor's.
  if (message == WM_CREATE || message == WM_DESTROY || message == WM_NCDESTROY ||
      message == WM_CLOSE || message == WM_COMMAND)
    return false;
  // Neither ticks nor repaints nor input while the entry has the focus, except that a right
  // press cancels it.
  if (message == WM_RBUTTONDOWN) entry.SetState(EntryCancel);
  *result = DefWindowProcW(window_, message, w, l);
  return true;
}

LRESULT Win32Window::Handle(UINT message, WPARAM w, LPARAM l) {
  LRESULT result = 0;
  if (EntryHoldsFocus(message, w, l, &result)) return result;
  // The surface takes editor pixels; the window's are the device's.
  const DeviceScale& scale = surface_.DrawScale();
  const int x = scale.ToEditor(GET_X_LPARAM(l)), y = scale.ToEditor(GET_Y_LPARAM(l));
  switch (message) {
    case WM_CREATE:
      SetTimer(window_, kTimerId, UINT(surface_.PeriodMs()), nullptr);
      SetFocus(window_);
      surface_.MarkAllControlsDirty();
      return 0;
    case WM_TIMER:
      if (w == kTimerId) surface_.Tick();
      return 0;
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(window_, &paint);
      const RECT& r = paint.rcPaint;
      BitBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, presentDc_, r.left, r.top,
             SRCCOPY);
      EndPaint(window_, &paint);
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;  // painting covers everything
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
      SetCapture(window_);
      surface_.OnMouseDown(x, y, ModOf(w));
      return 0;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
      if (GetCapture() == window_) ReleaseCapture();
      surface_.OnMouseUp(x, y, ModOf(w));
      return 0;
    case WM_MOUSEMOVE:
      // A drag only while this window holds the capture; otherwise a hover, whose end the
      // window asks to hear of.
      if ((w & (MK_LBUTTON | MK_RBUTTON)) != 0 && GetCapture() == window_) {
        surface_.OnMouseDrag(x, y, ModOf(w));
      } else {
        TRACKMOUSEEVENT track{sizeof(TRACKMOUSEEVENT), TME_LEAVE, window_, 0};
        TrackMouseEvent(&track);
        surface_.OnMouseMove(x, y);
      }
      return 0;
    case WM_MOUSELEAVE:
      surface_.OnMouseLeave();
      return 0;
    case WM_LBUTTONDBLCLK:
      surface_.OnMouseDoubleClick(x, y, ModOf(w));
      if (surface_.HasCapture()) SetCapture(window_);
      return 0;
    case WM_MOUSEWHEEL: {
      POINT p{GET_X_LPARAM(l), GET_Y_LPARAM(l)};  // screen coordinates
      ScreenToClient(window_, &p);
      surface_.OnMouseWheel(scale.ToEditor(p.x), scale.ToEditor(p.y), ModOf(GET_KEYSTATE_WPARAM(w)),
                            GET_WHEEL_DELTA_WPARAM(w) / WHEEL_DELTA);
      return 0;
    }
    case WM_KEYDOWN: {
      POINT p{};
      GetCursorPos(&p);
      ScreenToClient(window_, &p);
      surface_.OnKeyDown(scale.ToEditor(p.x), scale.ToEditor(p.y), KeyCodeFromVirtualKey(int(w)));
      return 0;
    }
    case kDpiChangedAfterParent:
      // Moved to a monitor of another DPI: the next tick redraws at its scale and resizes.
      surface_.SetDesktopScale(ScaleOfWindow(window_));
      return 0;
    case WM_MOUSEACTIVATE:
      SetFocus(window_);
      return MA_ACTIVATE;
    case WM_COMMAND:
      // The drop-down list tells its parent of a new choice: that commits the entry.
      if (LOWORD(w) == kEntryId && HIWORD(w) == CBN_SELCHANGE && surface_.Entry().IsOpen()) {
        surface_.Entry().SetState(EntryCommit);
        return 0;
      }
      break;
    case WM_CLOSE:
      CloseWindow();
      return 0;
    case WM_NCDESTROY:
      // Also when the host destroys its own window without closing the editor first.
      Forget();
      return 0;
    default:
      break;
  }
  return DefWindowProcW(window_, message, w, l);
}

std::unique_ptr<IWindowLayer> CreateWindowLayer(IEditorSurface& surface) {
  return std::make_unique<Win32Window>(surface);
}

}  // namespace gui
