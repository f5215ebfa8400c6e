// The value entry's native box: a real EDIT or drop-down COMBOBOX child of the editor window,
// whose messages pass through an entry procedure installed with SetWindowLongPtr that reports
// focus, Return and list choices to the value entry.
#include <memory>

#include "common/platform/win32/wide_text.h"
#include "gui/editor_surface.h"
#include "gui/platform/win32/win32_window.h"
#include "gui/value_entry.h"

namespace gui {
namespace {

class Win32EntryWidget : public IEntryWidget {
 public:
  Win32EntryWidget(HWND box, bool list, ValueEntry& entry) : box_(box), list_(list), entry_(entry) {
    // Focus first, then the entry procedure: the entry stays idle until it gains the focus again.
    SetFocus(box_);
    SetWindowLongPtrW(box_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    previous_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(box_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&EntryProc)));
    font_ = CreateFontW(14, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_TT_PRECIS,
                        CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                        L"Arial");
    if (font_ != nullptr) SendMessageW(box_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), TRUE);
  }

  ~Win32EntryWidget() override {
    // The editor window may already have destroyed its children (host closed its window).
    if (IsWindow(box_)) {
      const bool hadFocus = GetFocus() == box_;
      HWND editor = GetParent(box_);
      SetWindowLongPtrW(box_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous_));
      SetWindowLongPtrW(box_, GWLP_USERDATA, 0);
      DestroyWindow(box_);
      if (hadFocus && IsWindow(editor)) SetFocus(editor);
    }
    if (font_ != nullptr) DeleteObject(font_);
  }

  std::string Text() const override {
    wchar_t text[kEntryTextLimit + 1] = {};
    if (list_) {
      const LRESULT row = SendMessageW(box_, CB_GETCURSEL, 0, 0);
      if (row == CB_ERR ||
          SendMessageW(box_, CB_GETLBTEXTLEN, WPARAM(row), 0) > LRESULT(kEntryTextLimit))
        return {};
      SendMessageW(box_, CB_GETLBTEXT, WPARAM(row), reinterpret_cast<LPARAM>(text));
    } else {
      GetWindowTextW(box_, text, int(kEntryTextLimit + 1));
    }
    return win32::Utf8(text);
  }

  void SetText(const std::string& text) override {
    const std::wstring wide = win32::Wide(text);
    if (list_) {
      const LRESULT row = SendMessageW(box_, CB_FINDSTRINGEXACT, WPARAM(-1),
                                       reinterpret_cast<LPARAM>(wide.c_str()));
      SendMessageW(box_, CB_SETCURSEL, row == CB_ERR ? WPARAM(-1) : WPARAM(row), 0);
    } else {
      SetWindowTextW(box_, wide.c_str());
    }
  }

 private:
  static LRESULT CALLBACK EntryProc(HWND box, UINT message, WPARAM w, LPARAM l) {
    auto* self = reinterpret_cast<Win32EntryWidget*>(GetWindowLongPtrW(box, GWLP_USERDATA));
    if (self == nullptr || self->box_ != box) return DefWindowProcW(box, message, w, l);
    switch (message) {
      case WM_SETFOCUS:
        self->entry_.SetState(EntryFocused);
        break;
      case WM_KILLFOCUS:
        self->entry_.SetState(EntryIdle);
        break;
      case WM_KEYDOWN:
        if (w == VK_RETURN) {
          self->entry_.SetState(EntryCommit);
          return 0;
        }
        break;
      case WM_CHAR:
        if (w == L'\r') return 0;  // a multi-line edit box would take it as a new line
        break;
      case WM_GETDLGCODE: {
        LRESULT code = CallWindowProcW(self->previous_, box, message, w, l);
        const MSG* query = reinterpret_cast<const MSG*>(l);
        if (query != nullptr && query->message == WM_KEYDOWN && query->wParam == VK_RETURN)
          code |= DLGC_WANTALLKEYS;
        return code;
      }
      default:
        break;
    }
    return CallWindowProcW(self->previous_, box, message, w, l);
  }

  HWND box_;
  bool list_;
  ValueEntry& entry_;
  WNDPROC previous_ = nullptr;
  HFONT font_ = nullptr;
};

}  // namespace

std::unique_ptr<IEntryWidget> Win32Window::OpenEntryWidget(const EntryRequest& request,
                                                           ValueEntry& entry) {
  if (window_ == nullptr) return nullptr;
  const Rect r = surface_.DrawScale().ToDevice(request.rect);
  HWND box = nullptr;
  if (request.list) {
    box =
        CreateWindowExW(0, L"COMBOBOX", L"", WS_CHILD | WS_VISIBLE | WS_VSCROLL | CBS_DROPDOWNLIST,
                        r.left, r.top, r.Width(), r.Height(), window_,
                        reinterpret_cast<HMENU>(INT_PTR{kEntryId}), Module(), nullptr);
    if (box == nullptr) return nullptr;
    for (const std::string& item : request.items)
      SendMessageW(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(win32::Wide(item).c_str()));
    SendMessageW(box, CB_SETCURSEL, WPARAM(request.selected), 0);
  } else {
    box = CreateWindowExW(0, L"EDIT", win32::Wide(request.text).c_str(),
                          WS_CHILD | WS_VISIBLE | ES_CENTER | ES_MULTILINE, r.left, r.top,
                          r.Width(), r.Height(), window_,
                          reinterpret_cast<HMENU>(INT_PTR{kEntryId}), Module(), nullptr);
    if (box == nullptr) return nullptr;
    SendMessageW(box, EM_SETSEL, 0, -1);
  }
  return std::make_unique<Win32EntryWidget>(box, request.list, entry);
}

}  // namespace gui
