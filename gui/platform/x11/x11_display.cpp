// The editor thread's display connection: setup checks, windows, pixels, keyboard map.
#include "gui/platform/x11/x11_display.h"

#include <sys/ipc.h>
#include <sys/shm.h>
#include <xcb/shm.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "raster/font.h"

namespace gui::x11 {
namespace {

// Cursor font glyphs of the arrow cursor (XC_left_ptr and its mask).
constexpr std::uint16_t kArrowGlyph = 68;
// Room for PutImage's own fields in front of its pixels.
constexpr std::size_t kPutImageHeader = 32;

// Frees an XCB reply or error when it goes out of scope.
template <typename T>
struct Owned {
  T* p;
  ~Owned() { std::free(p); }
  T* operator->() const { return p; }
  explicit operator bool() const { return p != nullptr; }
};

bool TrueColor888(const xcb_screen_t& screen) {
  for (auto d = xcb_screen_allowed_depths_iterator(&screen); d.rem; xcb_depth_next(&d)) {
    for (auto v = xcb_depth_visuals_iterator(d.data); v.rem; xcb_visualtype_next(&v)) {
      if (v.data->visual_id != screen.root_visual) continue;
      return v.data->_class == XCB_VISUAL_CLASS_TRUE_COLOR && v.data->red_mask == 0xff0000u &&
             v.data->green_mask == 0xff00u && v.data->blue_mask == 0xffu;
    }
  }
  return false;
}

}  // namespace

std::unique_ptr<X11Display> X11Display::Connect() {
  int screenNumber = 0;
  xcb_connection_t* connection = xcb_connect(nullptr, &screenNumber);
  if (xcb_connection_has_error(connection)) {
    xcb_disconnect(connection);
    return nullptr;
  }
  std::unique_ptr<X11Display> display(new X11Display(connection));
  if (!display->Setup(screenNumber)) return nullptr;
  return display;
}

bool X11Display::Setup(int screenNumber) {
  const xcb_setup_t* setup = xcb_get_setup(connection_);
  auto screens = xcb_setup_roots_iterator(setup);
  for (int i = 0; i < screenNumber && screens.rem; ++i) xcb_screen_next(&screens);
  if (screens.rem == 0) return false;
  screen_ = screens.data;
  screenNumber_ = screenNumber;
  // Our pixels are native 0xAARRGGBB words: the server must take them as they are.
  if (setup->image_byte_order != XCB_IMAGE_ORDER_LSB_FIRST || !TrueColor888(*screen_)) return false;
  bool wordPixels = false;
  for (auto f = xcb_setup_pixmap_formats_iterator(setup); f.rem; xcb_format_next(&f))
    if (f.data->depth == screen_->root_depth && f.data->bits_per_pixel == 32) wordPixels = true;
  if (!wordPixels) return false;

  gc_ = xcb_generate_id(connection_);
  const std::uint32_t noExposures = 0;
  xcb_create_gc(connection_, gc_, screen_->root, XCB_GC_GRAPHICS_EXPOSURES, &noExposures);

  const xcb_font_t cursorFont = xcb_generate_id(connection_);
  xcb_open_font(connection_, cursorFont, 6, "cursor");
  cursor_ = xcb_generate_id(connection_);
  Owned<xcb_generic_error_t> noCursor{xcb_request_check(
      connection_,
      xcb_create_glyph_cursor_checked(connection_, cursor_, cursorFont, cursorFont, kArrowGlyph,
                                      kArrowGlyph + 1, 0, 0, 0, 0xffff, 0xffff, 0xffff))};
  // A server without the cursor font: our windows take their parent's cursor.
  if (noCursor) cursor_ = XCB_NONE;
  xcb_close_font(connection_, cursorFont);

  maxRequestBytes_ = std::size_t(xcb_get_maximum_request_length(connection_)) * 4;
  const xcb_query_extension_reply_t* shm = xcb_get_extension_data(connection_, &xcb_shm_id);
  shmUsable_ = shm != nullptr && shm->present;
  LoadKeyboard();
  return !Failed();
}

X11Display::~X11Display() {
  DropSharedMemory();
  xcb_disconnect(connection_);
}

int X11Display::Fd() const { return xcb_get_file_descriptor(connection_); }

bool X11Display::Failed() const { return xcb_connection_has_error(connection_) != 0; }

xcb_window_t X11Display::CreateWindow(xcb_window_t parent, const Rect& rect,
                                      std::uint32_t eventMask, bool overrideRedirect) {
  const xcb_window_t window = xcb_generate_id(connection_);
  // In the order of their value-mask bits.
  const std::uint32_t values[] = {
      XCB_NONE, 0, overrideRedirect ? 1u : 0u, eventMask, screen_->default_colormap, cursor_};
  const std::uint32_t mask = XCB_CW_BACK_PIXMAP | XCB_CW_BORDER_PIXEL | XCB_CW_OVERRIDE_REDIRECT |
                             XCB_CW_EVENT_MASK | XCB_CW_COLORMAP | XCB_CW_CURSOR;
  const xcb_void_cookie_t cookie = xcb_create_window_checked(
      connection_, screen_->root_depth, window, parent, std::int16_t(rect.left),
      std::int16_t(rect.top), std::uint16_t(std::max(1, rect.Width())),
      std::uint16_t(std::max(1, rect.Height())), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
      screen_->root_visual, mask, values);
  Owned<xcb_generic_error_t> error{xcb_request_check(connection_, cookie)};
  return error || Failed() ? 0 : window;
}

void X11Display::SetTitle(xcb_window_t window, const std::string& title) {
  xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING,
                      8, std::uint32_t(title.size()), title.data());
  xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, window, Atom("_NET_WM_NAME"),
                      Atom("UTF8_STRING"), 8, std::uint32_t(title.size()), title.data());
}

bool X11Display::EnsureSharedMemory(std::size_t bytes) {
  if (!shmUsable_) return false;
  if (bytes <= shmBytes_) return true;
  DropSharedMemory();
  const int id = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
  if (id < 0) return shmUsable_ = false;
  void* address = shmat(id, nullptr, 0);
  if (address == reinterpret_cast<void*>(-1)) {
    shmctl(id, IPC_RMID, nullptr);
    return shmUsable_ = false;
  }
  const std::uint32_t segment = xcb_generate_id(connection_);
  Owned<xcb_generic_error_t> error{
      xcb_request_check(connection_, xcb_shm_attach_checked(connection_, segment, id, 1))};
  // Marked for removal now: it goes away once both sides have detached, even after a crash.
  shmctl(id, IPC_RMID, nullptr);
  if (error || Failed()) {
    // A display on another machine cannot reach our memory: PutImage from now on.
    shmdt(address);
    return shmUsable_ = false;
  }
  shmSegment_ = segment;
  shmAddress_ = address;
  shmBytes_ = bytes;
  return true;
}

void X11Display::DropSharedMemory() {
  if (shmAddress_ == nullptr) return;
  if (!Failed()) xcb_shm_detach(connection_, shmSegment_);
  shmdt(shmAddress_);
  shmAddress_ = nullptr;
  shmBytes_ = 0;
}

void X11Display::Put(xcb_window_t window, const raster::Bitmap& pixels, const Rect& r, int x,
                     int y) {
  const int left = std::max(r.left, 0), top = std::max(r.top, 0);
  const int right = std::min(r.right, pixels.Width()), bottom = std::min(r.bottom, pixels.Height());
  if (right <= left || bottom <= top || Failed()) return;
  x += left - r.left;
  y += top - r.top;
  const int width = right - left, height = bottom - top;
  const std::size_t rowBytes = std::size_t(width) * 4;
  auto copyRows = [&](std::uint32_t* out, int firstRow, int rows) {
    for (int row = 0; row < rows; ++row) {
      const raster::Pixel* in = pixels.Row(top + firstRow + row) + left;
      for (int i = 0; i < width; ++i) *out++ = in[i] | 0xff000000u;
    }
  };
  const std::uint8_t depth = screen_->root_depth;
  if (EnsureSharedMemory(rowBytes * height)) {
    copyRows(static_cast<std::uint32_t*>(shmAddress_), 0, height);
    xcb_shm_put_image(connection_, window, gc_, std::uint16_t(width), std::uint16_t(height), 0, 0,
                      std::uint16_t(width), std::uint16_t(height), std::int16_t(x), std::int16_t(y),
                      depth, XCB_IMAGE_FORMAT_Z_PIXMAP, 0, shmSegment_, 0);
    // The segment is written again by the next Put: the server must have read it by then.
    Sync();
    return;
  }
  const int rowsPerRequest =
      int(std::max<std::size_t>(1, (maxRequestBytes_ - kPutImageHeader) / rowBytes));
  for (int row = 0; row < height; row += rowsPerRequest) {
    const int rows = std::min(rowsPerRequest, height - row);
    rows_.resize(std::size_t(width) * rows);
    copyRows(rows_.data(), row, rows);
    xcb_put_image(connection_, XCB_IMAGE_FORMAT_Z_PIXMAP, window, gc_, std::uint16_t(width),
                  std::uint16_t(rows), std::int16_t(x), std::int16_t(y + row), 0, depth,
                  std::uint32_t(rowBytes * rows),
                  reinterpret_cast<const std::uint8_t*>(rows_.data()));
  }
  Sync();
}

void X11Display::LoadKeyboard() {
  const xcb_setup_t* setup = xcb_get_setup(connection_);
  minKeycode_ = setup->min_keycode;
  const int count = setup->max_keycode - setup->min_keycode + 1;
  Owned<xcb_get_keyboard_mapping_reply_t> map{xcb_get_keyboard_mapping_reply(
      connection_, xcb_get_keyboard_mapping(connection_, minKeycode_, std::uint8_t(count)),
      nullptr)};
  keysyms_.clear();
  keysymsPerKeycode_ = 0;
  if (!map) return;
  keysymsPerKeycode_ = map->keysyms_per_keycode;
  const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(map.p);
  keysyms_.assign(syms, syms + xcb_get_keyboard_mapping_keysyms_length(map.p));
}

std::uint32_t X11Display::Keysym(std::uint8_t keycode, std::uint16_t state) const {
  const std::size_t at = std::size_t(keycode - minKeycode_) * std::size_t(keysymsPerKeycode_);
  if (keycode < minKeycode_ || keysymsPerKeycode_ < 1 || at >= keysyms_.size()) return 0;
  const std::uint32_t plain = keysyms_[at];
  std::uint32_t shifted = keysymsPerKeycode_ > 1 ? keysyms_[at + 1] : 0;
  if (shifted == 0) shifted = plain;
  const bool shift = (state & XCB_MOD_MASK_SHIFT) != 0;
  // Keypad keys: NumLock (Mod2 by convention) types the digits, Shift reverses it.
  if (shifted >= 0xff80 && shifted <= 0xffbd && (state & XCB_MOD_MASK_2) != 0)
    return shift ? plain : shifted;
  if (plain >= 'a' && plain <= 'z') {
    if (shifted == plain) shifted = plain - 'a' + 'A';
    return shift != ((state & XCB_MOD_MASK_LOCK) != 0) ? shifted : plain;
  }
  return shift ? shifted : plain;
}

xcb_atom_t X11Display::Atom(const char* name) {
  Owned<xcb_intern_atom_reply_t> reply{xcb_intern_atom_reply(
      connection_, xcb_intern_atom(connection_, 0, std::uint16_t(std::strlen(name)), name),
      nullptr)};
  return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

void X11Display::Sync() {
  std::free(xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
}

const raster::Font* X11Display::TextFont(int cellHeight) {
  if (fontHeight_ != cellHeight) {
    fontHeight_ = cellHeight;
    std::string error;
    font_ = raster::Font::Find("Arial", cellHeight, false, false, error);
  }
  return font_.get();
}

}  // namespace gui::x11
