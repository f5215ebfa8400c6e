// X11 input in the editor's terms: modifier state as MouseMod, keysyms as the key table's
// virtual keys and as typed characters, and double clicks, which X does not report.
#pragma once

#include <cstdint>

#include "gui/records.h"

namespace gui::x11 {

// The keysyms the editor and its entry boxes act on (X11's keysymdef values).
namespace keysym {
constexpr std::uint32_t kBackSpace = 0xff08, kReturn = 0xff0d, kEscape = 0xff1b, kHome = 0xff50,
                        kLeft = 0xff51, kUp = 0xff52, kRight = 0xff53, kDown = 0xff54,
                        kEnd = 0xff57, kKpEnter = 0xff8d, kKpHome = 0xff95, kKpLeft = 0xff96,
                        kKpUp = 0xff97, kKpRight = 0xff98, kKpDown = 0xff99, kKpEnd = 0xff9c,
                        kKpDelete = 0xff9f, kKpAdd = 0xffab, kKpSubtract = 0xffad,
                        kKpDecimal = 0xffae, kKp0 = 0xffb0, kKp9 = 0xffb9, kDelete = 0xffff;
}  // namespace keysym

// The MouseMod of a button or motion event. state is the event's state field, which holds the
// keys and buttons as they were before the event; a press adds its own button, a release
// removes it, as the button-down and button-up messages the editor was designed around do.
MouseMod ModFromState(std::uint16_t state, int button = 0, bool press = false);

// The virtual-key number the editor's key table takes (Space 32, Left 37, Up 38, Right 39,
// Down 40, '0'..'9', 'A'..'Z', keypad digits as digits, either case of a letter), else -1.
int VirtualKeyFromKeysym(std::uint32_t keysym);

// The printable ASCII character a keysym types (keypad digits and signs included), else 0.
char CharFromKeysym(std::uint32_t keysym);

// The keypad's cursor keys as the main cursor keys; every other keysym unchanged.
std::uint32_t MainKeysym(std::uint32_t keysym);

// Tells double clicks from clicks. A left press is a double click when it follows a left press
// that did not end a double click itself, within the double-click time by the server's clock and
// kDoubleClickSlop pixels either way. Other buttons never double click.
class ClickTracker {
 public:
  // The double-click time when the desktop does not say.
  static constexpr std::uint32_t kDoubleClickMs = 400;
  static constexpr int kDoubleClickSlop = 4;

  explicit ClickTracker(std::uint32_t doubleClickMs = kDoubleClickMs)
      : doubleClickMs_(doubleClickMs) {}

  // Every button press, in order; true when this one is a double click.
  bool Press(int button, std::uint32_t timeMs, int x, int y);

 private:
  std::uint32_t doubleClickMs_;
  bool armed_ = false;
  std::uint32_t time_ = 0;
  int x_ = 0, y_ = 0;
};

}  // namespace gui::x11
