// The edit box and the drop-down list of the value entry, drawn by us as child windows.
#include "gui/platform/x11/x11_entry.h"

#include <algorithm>
#include <string>
#include <vector>

#include "gui/platform/x11/edit_text.h"
#include "gui/platform/x11/x11_input.h"
#include "gui/platform/x11/x11_session.h"
#include "gui/value_entry.h"
#include "raster/font.h"
#include "raster/shapes.h"

namespace gui::x11 {
namespace {

constexpr raster::Pixel kPaper = raster::MakePixel(255, 255, 255, 255);
constexpr raster::Pixel kInk = raster::MakePixel(255, 0, 0, 0);
constexpr raster::Pixel kFrame = raster::MakePixel(255, 110, 110, 110);
constexpr raster::Pixel kMark = raster::MakePixel(255, 0, 100, 200);  // selection
constexpr raster::Pixel kHover = raster::MakePixel(255, 215, 225, 240);
constexpr int kRowHeight = 18;  // editor pixels
constexpr std::uint32_t kBoxEvents = XCB_EVENT_MASK_EXPOSURE | XCB_EVENT_MASK_KEY_PRESS |
                                     XCB_EVENT_MASK_BUTTON_PRESS | XCB_EVENT_MASK_BUTTON_RELEASE |
                                     XCB_EVENT_MASK_FOCUS_CHANGE;
constexpr std::uint32_t kListEvents =
    kBoxEvents | XCB_EVENT_MASK_POINTER_MOTION | XCB_EVENT_MASK_LEAVE_WINDOW;

void FillBox(raster::Bitmap& canvas, const raster::Box& box, raster::Pixel color) {
  raster::Paint paint;
  paint.color = color;
  raster::FillBox(canvas, canvas.Bounds(), box, paint);
}

void DrawFrame(raster::Bitmap& canvas) {
  const int w = canvas.Width(), h = canvas.Height();
  raster::HorizontalRun(canvas, 0, 0, w - 1, kFrame);
  raster::HorizontalRun(canvas, h - 1, 0, w - 1, kFrame);
  raster::VerticalRun(canvas, 0, 0, h - 1, kFrame);
  raster::VerticalRun(canvas, w - 1, 0, h - 1, kFrame);
}

// What both boxes share: the child window, its events, the focus rules and painting.
class EntryBox : public IEntryWidget, public ChildWindow {
 public:
  EntryBox(X11Session& session, ValueEntry& entry, const Rect& rect, std::uint32_t events)
      : session_(session), entry_(entry), canvas_(rect.Width(), rect.Height()) {
    window_ = session.Display().CreateWindow(session.Window(), rect, events, false);
    if (window_ != 0) session.AddChild(window_, this);
  }
  ~EntryBox() override {
    if (window_ == 0) return;
    session_.RemoveChild(window_);
    if (!session_.Display().Failed()) xcb_destroy_window(session_.Display().Connection(), window_);
  }

  bool Valid() const { return window_ != 0; }
  // Shows the box with the keyboard focus.
  void Show() {
    xcb_map_window(session_.Display().Connection(), window_);
    session_.Focus(window_);
    Paint();
  }

  void OnEvent(const xcb_generic_event_t& event) override {
    const auto& e = reinterpret_cast<const xcb_button_press_event_t&>(event);
    switch (event.response_type & 0x7f) {
      case XCB_EXPOSE:
        if (reinterpret_cast<const xcb_expose_event_t&>(event).count == 0) Paint();
        break;
      case XCB_FOCUS_IN:
      case XCB_FOCUS_OUT:
        FocusChanged(reinterpret_cast<const xcb_focus_in_event_t&>(event));
        break;
      case XCB_KEY_PRESS:
        OnKey(MainKeysym(session_.Display().Keysym(e.detail, e.state)), e.state);
        Paint();
        break;
      case XCB_BUTTON_PRESS:
        if (e.detail != 1) break;
        session_.Focus(window_, e.time);
        OnPress(e.event_x, e.event_y);
        Paint();
        break;
      case XCB_MOTION_NOTIFY:
        OnMotion(e.event_y);
        break;
      case XCB_LEAVE_NOTIFY:
        OnMotion(-1);
        break;
      default:
        break;
    }
  }

 protected:
  virtual void Draw(raster::Bitmap& canvas, const raster::Font* font) = 0;
  virtual void OnKey(std::uint32_t keysym, std::uint16_t state) = 0;
  virtual void OnPress(int x, int y) = 0;
  virtual void OnMotion(int) {}

  void Paint() {
    canvas_.Fill(kPaper);
    Draw(canvas_, session_.WidgetFont());
    DrawFrame(canvas_);
    session_.Display().Put(window_, canvas_, Rect{0, 0, canvas_.Width(), canvas_.Height()}, 0, 0);
  }
  bool HasFocus() const { return focused_; }

  X11Session& session_;
  ValueEntry& entry_;

 private:
  void FocusChanged(const xcb_focus_in_event_t& e) {
    // Moves caused by grabs, or reported for the pointer's window, are not the box's own.
    if (e.mode == XCB_NOTIFY_MODE_GRAB || e.mode == XCB_NOTIFY_MODE_UNGRAB ||
        e.detail == XCB_NOTIFY_DETAIL_POINTER || e.detail == XCB_NOTIFY_DETAIL_INFERIOR)
      return;
    focused_ = (e.response_type & 0x7f) == XCB_FOCUS_IN;
    if (focused_) {
      // The focus the box took when it opened changes nothing; taking it back does.
      if (lostOnce_ && entry_.State() == EntryIdle) entry_.SetState(EntryFocused);
    } else {
      lostOnce_ = true;
      if (entry_.State() == EntryFocused) entry_.SetState(EntryIdle);
    }
    Paint();
  }

  xcb_window_t window_ = 0;
  raster::Bitmap canvas_;
  bool focused_ = false;
  bool lostOnce_ = false;
};

// One line of text, centred while it fits, scrolled to keep the caret in view when not.
class EditBox final : public EntryBox {
 public:
  EditBox(X11Session& session, ValueEntry& entry, const EntryRequest& request)
      : EntryBox(session, entry, session.Scale().ToDevice(request.rect), kBoxEvents) {
    text_.SetText(request.text);
  }

  std::string Text() const override { return text_.Text(); }
  void SetText(const std::string& text) override {
    text_.SetText(text);
    Paint();
  }

 protected:
  void Draw(raster::Bitmap& canvas, const raster::Font* font) override {
    if (font == nullptr) return;
    const std::string& s = text_.Text();
    const int w = canvas.Width(), h = canvas.Height();
    const raster::Box inner{1, 1, w - 1, h - 1};
    auto widthTo = [&](std::size_t n) { return font->TextWidth(std::string_view(s).substr(0, n)); };
    const int textWidth = widthTo(s.size());
    const int room = w - 4;
    if (textWidth <= room) {
      textX_ = (w - textWidth) / 2;
    } else {
      const int caretX = widthTo(text_.Caret());
      // The caret inside, and no empty room after the text's end.
      textX_ = std::clamp(textX_, 2 - caretX, 2 + room - caretX);
      textX_ = std::clamp(textX_, 2 + room - textWidth, 2);
    }
    const int top = (h - font->CellHeight()) / 2;
    const int selLeft = textX_ + widthTo(text_.SelectionStart());
    const int selRight = textX_ + widthTo(text_.SelectionEnd());
    if (text_.HasSelection()) {
      const raster::Box mark = raster::Box{selLeft, 1, selRight, h - 1}.Intersect(inner);
      FillBox(canvas, mark, kMark);
      font->Draw(canvas, mark, textX_, top, s, kPaper);
      font->Draw(canvas, raster::Box{1, 1, selLeft, h - 1}.Intersect(inner), textX_, top, s, kInk);
      font->Draw(canvas, raster::Box{selRight, 1, w - 1, h - 1}.Intersect(inner), textX_, top, s,
                 kInk);
    } else {
      font->Draw(canvas, inner, textX_, top, s, kInk);
      if (HasFocus() && selLeft >= 1 && selLeft < w - 1)
        raster::VerticalRun(canvas, selLeft, top, top + font->CellHeight() - 1, kInk);
    }
  }

  void OnKey(std::uint32_t sym, std::uint16_t state) override {
    const bool shift = (state & XCB_MOD_MASK_SHIFT) != 0;
    switch (sym) {
      case keysym::kReturn:
        entry_.SetState(EntryCommit);
        return;
      case keysym::kEscape:
        entry_.SetState(EntryCancel);
        return;
      case keysym::kBackSpace:
        return text_.Backspace();
      case keysym::kDelete:
        return text_.Delete();
      case keysym::kLeft:
        return text_.Left(shift);
      case keysym::kRight:
        return text_.Right(shift);
      case keysym::kHome:
        return text_.Home(shift);
      case keysym::kEnd:
        return text_.End(shift);
      default:
        break;
    }
    if ((state & XCB_MOD_MASK_CONTROL) != 0) {
      if (sym == 'a' || sym == 'A') text_.SelectAll();
      return;
    }
    if (const char c = CharFromKeysym(sym)) text_.Type(c);
  }

  // The caret goes to the character boundary nearest to the click.
  void OnPress(int x, int) override {
    const raster::Font* font = session_.WidgetFont();
    if (font == nullptr) return;
    const std::string& s = text_.Text();
    std::size_t best = 0;
    int bestDistance = 1 << 30;
    for (std::size_t i = 0; i <= s.size(); ++i) {
      const int d = std::abs(textX_ + font->TextWidth(std::string_view(s).substr(0, i)) - x);
      if (d < bestDistance) bestDistance = d, best = i;
    }
    text_.PlaceCaret(best);
  }

 private:
  EditText text_{kEntryTextLimit};
  int textX_ = 2;  // where the text starts, kept between paints while it scrolls
};

// Every row visible at once; the selected row is marked, the row under the pointer lit. A click
// on a row chooses it; Up, Down, Home and End move the mark and Return chooses the marked row.
class DropList final : public EntryBox {
 public:
  DropList(X11Session& session, ValueEntry& entry, const EntryRequest& request)
      : EntryBox(session, entry, Placed(session, request), kListEvents),
        items_(request.items),
        selected_(request.selected),
        rowHeight_(session.DeviceLength(kRowHeight)) {}

  std::string Text() const override { return selected_ >= 0 ? items_[selected_] : std::string(); }
  void SetText(const std::string& text) override {
    const auto it = std::find(items_.begin(), items_.end(), text);
    selected_ = it != items_.end() ? int(it - items_.begin()) : -1;
    Paint();
  }

 protected:
  void Draw(raster::Bitmap& canvas, const raster::Font* font) override {
    for (int i = 0; i < int(items_.size()); ++i) {
      const raster::Box row{1, 1 + i * rowHeight_, canvas.Width() - 1, 1 + (i + 1) * rowHeight_};
      if (i == selected_)
        FillBox(canvas, row, kMark);
      else if (i == hover_)
        FillBox(canvas, row, kHover);
      if (font != nullptr)
        font->Draw(canvas, row, 5, row.y0 + (rowHeight_ - font->CellHeight()) / 2, items_[i],
                   i == selected_ ? kPaper : kInk);
    }
  }

  void OnKey(std::uint32_t sym, std::uint16_t) override {
    const int last = int(items_.size()) - 1;
    switch (sym) {
      case keysym::kReturn:
        entry_.SetState(EntryCommit);
        break;
      case keysym::kEscape:
        entry_.SetState(EntryCancel);
        break;
      case keysym::kUp:
        selected_ = std::max(0, selected_ - 1);
        break;
      case keysym::kDown:
        selected_ = std::min(last, selected_ + 1);
        break;
      case keysym::kHome:
        selected_ = 0;
        break;
      case keysym::kEnd:
        selected_ = last;
        break;
      default:
        break;
    }
  }

  void OnPress(int, int y) override {
    const int row = RowAt(y);
    if (row < 0) return;
    selected_ = row;
    entry_.SetState(EntryCommit);
  }

  void OnMotion(int y) override {
    const int row = RowAt(y);
    if (row == hover_) return;
    hover_ = row;
    Paint();
  }

 private:
  // The requested width and position, as tall as the rows need, moved inside the editor where it
  // would stick out (a child window cannot draw outside its parent); in device pixels.
  static Rect Placed(X11Session& session, const EntryRequest& request) {
    const Rect bounds = session.Bounds();
    const Rect wanted = session.Scale().ToDevice(request.rect);
    const int rows = int(request.items.size()) * session.DeviceLength(kRowHeight) + 2;
    const int w = std::min(wanted.Width(), bounds.Width());
    const int h = std::min({rows, wanted.Height(), bounds.Height()});
    const int x = std::clamp(wanted.left, 0, bounds.Width() - w);
    const int y = std::clamp(wanted.top, 0, bounds.Height() - h);
    return Rect{x, y, x + w, y + h};
  }
  int RowAt(int y) const {
    const int row = y >= 1 ? (y - 1) / rowHeight_ : -1;
    return row < int(items_.size()) ? row : -1;
  }

  std::vector<std::string> items_;
  int selected_;
  int rowHeight_;  // device pixels
  int hover_ = -1;
};

}  // namespace

std::unique_ptr<IEntryWidget> OpenEntryBox(X11Session& session, const EntryRequest& request,
                                           ValueEntry& entry) {
  std::unique_ptr<EntryBox> box;
  if (request.list)
    box = std::make_unique<DropList>(session, entry, request);
  else
    box = std::make_unique<EditBox>(session, entry, request);
  if (!box->Valid()) return nullptr;
  box->Show();
  return box;
}

}  // namespace gui::x11
