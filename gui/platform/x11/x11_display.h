// One X display connection, owned and used by one editor thread: the screen and its visual,
// creating windows, putting pixels into them (MIT-SHM where the server offers it, else PutImage
// in pieces that fit the largest request), the keyboard map and a few shared resources.
#pragma once

#include <xcb/xcb.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "gui/records.h"
#include "raster/bitmap.h"
#include "raster/font.h"

namespace gui::x11 {

class X11Display {
 public:
  // Connects to the display named by $DISPLAY. Null when there is none, it refuses, or its
  // default screen does not take 32-bit TrueColor pixels (8 bits per channel, LSB first).
  static std::unique_ptr<X11Display> Connect();
  // Frees the shared memory and disconnects; every window of the connection goes with it.
  ~X11Display();
  X11Display(const X11Display&) = delete;
  X11Display& operator=(const X11Display&) = delete;

  xcb_connection_t* Connection() const { return connection_; }
  int Fd() const;
  // True once the connection broke (the server went away): nothing more can be done with it.
  bool Failed() const;
  xcb_window_t Root() const { return screen_->root; }
  int ScreenNumber() const { return screenNumber_; }
  int ScreenWidth() const { return screen_->width_in_pixels; }
  int ScreenHeight() const { return screen_->height_in_pixels; }
  bool HasSharedMemory() const { return shmUsable_; }

  // A window of the screen's depth and visual with an arrow cursor and no background (nothing
  // is cleared before an exposed area is painted); 0 when the server refused it (for example
  // a parent that is not a window).
  xcb_window_t CreateWindow(xcb_window_t parent, const Rect& rect, std::uint32_t eventMask,
                            bool overrideRedirect);
  void SetTitle(xcb_window_t window, const std::string& title);

  // Copies box r of pixels (clipped to the bitmap) to window at (x, y), made opaque, and waits
  // until the server has it.
  void Put(xcb_window_t window, const raster::Bitmap& pixels, const Rect& r, int x, int y);

  // The keysym a key types with the modifiers of state (Shift, Lock, NumLock); 0 for none.
  std::uint32_t Keysym(std::uint8_t keycode, std::uint16_t state) const;
  // Reads the keyboard map again (after a MappingNotify).
  void LoadKeyboard();

  xcb_atom_t Atom(const char* name);
  // A round trip: every request sent so far has been carried out when it returns.
  void Sync();
  // The text font of the editor's own widgets ("Arial", cellHeight pixels, 14 at scale 1); null
  // when none is found.
  const raster::Font* TextFont(int cellHeight = 14);

 private:
  explicit X11Display(xcb_connection_t* connection) : connection_(connection) {}
  bool Setup(int screenNumber);
  bool EnsureSharedMemory(std::size_t bytes);
  void DropSharedMemory();

  xcb_connection_t* connection_;
  const xcb_screen_t* screen_ = nullptr;
  int screenNumber_ = 0;
  xcb_gcontext_t gc_ = 0;
  xcb_cursor_t cursor_ = 0;
  std::size_t maxRequestBytes_ = 0;
  bool shmUsable_ = false;  // the server offers MIT-SHM and attaching has not failed
  std::uint32_t shmSegment_ = 0;
  void* shmAddress_ = nullptr;
  std::size_t shmBytes_ = 0;
  std::vector<std::uint32_t> rows_;  // PutImage's pixel rows
  std::uint8_t minKeycode_ = 0;
  int keysymsPerKeycode_ = 0;
  std::vector<std::uint32_t> keysyms_;
  std::unique_ptr<raster::Font> font_;
  int fontHeight_ = 0;  // the height font_ was asked for; 0 before the first request
};

}  // namespace gui::x11
