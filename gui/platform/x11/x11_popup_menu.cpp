// Layout, painting and the modal loop of the popup menu.
#include "gui/platform/x11/x11_popup_menu.h"

#include <algorithm>
#include <cstdlib>

#include "gui/platform/x11/x11_input.h"
#include "gui/platform/x11/x11_session.h"
#include "raster/font.h"
#include "raster/shapes.h"

namespace gui::x11 {
namespace {

constexpr raster::Pixel kPaper = raster::MakePixel(255, 245, 245, 245);
constexpr raster::Pixel kInk = raster::MakePixel(255, 0, 0, 0);
constexpr raster::Pixel kFrame = raster::MakePixel(255, 110, 110, 110);
constexpr raster::Pixel kMark = raster::MakePixel(255, 0, 100, 200);
constexpr raster::Pixel kLight = raster::MakePixel(255, 255, 255, 255);
// Editor pixels; the menu is as large as the editor's scale makes them.
constexpr int kRowHeight = 20;
constexpr int kCheckWidth = 20;  // room for the check mark before each text
constexpr int kPadding = 10;     // after each text
constexpr std::uint32_t kMenuEvents = XCB_EVENT_MASK_EXPOSURE | XCB_EVENT_MASK_BUTTON_PRESS |
                                      XCB_EVENT_MASK_BUTTON_RELEASE |
                                      XCB_EVENT_MASK_POINTER_MOTION | XCB_EVENT_MASK_KEY_PRESS;

class PopupMenu : public ChildWindow {
 public:
  PopupMenu(X11Session& session, const std::vector<std::string>& items, int checked,
            int itemsPerColumn)
      : session_(session),
        items_(items),
        checked_(checked),
        scale_(session.Scale().Factor()),
        rowHeight_(session.DeviceLength(kRowHeight)) {
    const int n = int(items.size());
    rows_ = itemsPerColumn > 0 ? std::min(itemsPerColumn, n) : n;
    const int columns = (n + rows_ - 1) / rows_;
    const raster::Font* font = session.WidgetFont();
    int widest = 0;
    for (const std::string& item : items)
      widest = std::max(widest, font != nullptr ? font->TextWidth(item) : 8 * int(item.size()));
    columnWidth_ = session.DeviceLength(kCheckWidth + kPadding) + widest;
    canvas_ = raster::Bitmap(columns * columnWidth_ + 2, rows_ * rowHeight_ + 2);
  }

  ~PopupMenu() override {
    if (window_ == 0) return;
    session_.RemoveChild(window_);
    xcb_connection_t* c = session_.Display().Connection();
    xcb_ungrab_pointer(c, XCB_CURRENT_TIME);
    xcb_ungrab_keyboard(c, XCB_CURRENT_TIME);
    xcb_destroy_window(c, window_);
    xcb_flush(c);
  }

  // Shows the menu at the pointer and takes the pointer and keyboard; false when it cannot.
  bool Show() {
    X11Display& display = session_.Display();
    xcb_connection_t* c = display.Connection();
    xcb_query_pointer_reply_t* pointer =
        xcb_query_pointer_reply(c, xcb_query_pointer(c, display.Root()), nullptr);
    if (pointer == nullptr) return false;
    const int w = canvas_.Width(), h = canvas_.Height();
    const int x = std::clamp(int(pointer->root_x), 0, std::max(0, display.ScreenWidth() - w));
    const int y = std::clamp(int(pointer->root_y), 0, std::max(0, display.ScreenHeight() - h));
    std::free(pointer);
    window_ = display.CreateWindow(display.Root(), Rect{x, y, x + w, y + h}, kMenuEvents, true);
    if (window_ == 0) return false;
    session_.AddChild(window_, this);
    xcb_map_window(c, window_);
    Paint();
    xcb_grab_pointer_reply_t* grab = xcb_grab_pointer_reply(
        c,
        xcb_grab_pointer(c, 0, window_,
                         XCB_EVENT_MASK_BUTTON_PRESS | XCB_EVENT_MASK_BUTTON_RELEASE |
                             XCB_EVENT_MASK_POINTER_MOTION,
                         XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC, XCB_NONE, XCB_NONE,
                         XCB_CURRENT_TIME),
        nullptr);
    const bool held = grab != nullptr && grab->status == XCB_GRAB_STATUS_SUCCESS;
    std::free(grab);
    std::free(xcb_grab_keyboard_reply(c,
                                      xcb_grab_keyboard(c, 0, window_, XCB_CURRENT_TIME,
                                                        XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC),
                                      nullptr));
    return held;
  }

  bool Done() const { return done_; }
  int Chosen() const { return chosen_; }

  void OnEvent(const xcb_generic_event_t& event) override {
    const auto& e = reinterpret_cast<const xcb_button_press_event_t&>(event);
    switch (event.response_type & 0x7f) {
      case XCB_EXPOSE:
        Paint();
        break;
      case XCB_MOTION_NOTIFY:
        moved_ = true;
        Hover(ItemAt(e.event_x, e.event_y));
        break;
      case XCB_BUTTON_PRESS:
        if (ItemAt(e.event_x, e.event_y) < 0) done_ = true;
        pressed_ = true;
        break;
      case XCB_BUTTON_RELEASE: {
        // The release of the press that opened the menu chooses only after the pointer moved.
        const int item = ItemAt(e.event_x, e.event_y);
        if (item >= 0 && (pressed_ || moved_)) Choose(item);
        pressed_ = moved_ = true;
        break;
      }
      case XCB_KEY_PRESS:
        Key(MainKeysym(session_.Display().Keysym(e.detail, e.state)));
        break;
      default:
        break;
    }
  }

 private:
  int ItemAt(int x, int y) const {
    if (x < 1 || y < 1 || x >= canvas_.Width() - 1 || y >= canvas_.Height() - 1) return -1;
    const int item = (x - 1) / columnWidth_ * rows_ + (y - 1) / rowHeight_;
    return item < int(items_.size()) ? item : -1;
  }
  void Hover(int item) {
    if (item == hover_) return;
    hover_ = item;
    Paint();
  }
  void Choose(int item) {
    chosen_ = item + 1;
    done_ = true;
  }
  void Key(std::uint32_t sym) {
    const int last = int(items_.size()) - 1;
    if (sym == keysym::kEscape) done_ = true;
    if (sym == keysym::kReturn && hover_ >= 0) Choose(hover_);
    if (sym == keysym::kUp) Hover(hover_ < 0 ? last : std::max(0, hover_ - 1));
    if (sym == keysym::kDown) Hover(std::min(last, hover_ + 1));
  }

  void Paint() {
    canvas_.Fill(kPaper);
    const raster::Font* font = session_.WidgetFont();
    raster::Paint tick;
    tick.antialias = true;
    tick.width = scale_;
    for (int i = 0; i < int(items_.size()); ++i) {
      const int x = 1 + i / rows_ * columnWidth_, y = 1 + i % rows_ * rowHeight_;
      const raster::Box cell{x, y, x + columnWidth_, y + rowHeight_};
      const raster::Pixel ink = i == hover_ ? kLight : kInk;
      if (i == hover_) {
        raster::Paint fill;
        fill.color = kMark;
        raster::FillBox(canvas_, canvas_.Bounds(), cell, fill);
      }
      if (i == checked_) {
        tick.color = ink;
        const double k = scale_;
        raster::DrawLine(canvas_, cell, x + 5 * k, y + 10 * k, x + 8 * k, y + 14 * k, tick);
        raster::DrawLine(canvas_, cell, x + 8 * k, y + 14 * k, x + 14 * k, y + 5 * k, tick);
      }
      if (font != nullptr)
        font->Draw(canvas_, cell, x + session_.DeviceLength(kCheckWidth),
                   y + (rowHeight_ - font->CellHeight()) / 2, items_[i], ink);
    }
    const int w = canvas_.Width(), h = canvas_.Height();
    raster::HorizontalRun(canvas_, 0, 0, w - 1, kFrame);
    raster::HorizontalRun(canvas_, h - 1, 0, w - 1, kFrame);
    raster::VerticalRun(canvas_, 0, 0, h - 1, kFrame);
    raster::VerticalRun(canvas_, w - 1, 0, h - 1, kFrame);
    session_.Display().Put(window_, canvas_, Rect{0, 0, w, h}, 0, 0);
  }

  X11Session& session_;
  const std::vector<std::string>& items_;
  int checked_;
  double scale_;   // device pixels per editor pixel
  int rowHeight_;  // device pixels
  int rows_ = 1;
  int columnWidth_ = 0;
  raster::Bitmap canvas_;
  xcb_window_t window_ = 0;
  int hover_ = -1;
  int chosen_ = 0;
  bool done_ = false;
  bool pressed_ = false;  // a press began inside the menu
  bool moved_ = false;
};

}  // namespace

int RunPopupMenu(X11Session& session, const std::vector<std::string>& items, int checked,
                 int itemsPerColumn) {
  if (items.empty()) return 0;
  PopupMenu menu(session, items, checked, itemsPerColumn);
  if (!menu.Show()) return 0;
  if (!session.WaitModal(-1, -1, [&menu] { return menu.Done(); })) return 0;
  return menu.Chosen();
}

}  // namespace gui::x11
