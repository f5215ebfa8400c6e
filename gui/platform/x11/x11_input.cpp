// Modifier state, key and double-click translation for the X11 window layer.
#include "gui/platform/x11/x11_input.h"

#include <xcb/xproto.h>

#include <cstdlib>

namespace gui::x11 {

MouseMod ModFromState(std::uint16_t state, int button, bool press) {
  MouseMod mod;
  mod.left = (state & XCB_BUTTON_MASK_1) != 0;
  mod.right = (state & XCB_BUTTON_MASK_3) != 0;
  if (button == 1) mod.left = press;
  if (button == 3) mod.right = press;
  mod.shift = (state & XCB_MOD_MASK_SHIFT) != 0;
  mod.ctrl = (state & XCB_MOD_MASK_CONTROL) != 0;
  mod.alt = (state & XCB_MOD_MASK_1) != 0;
  return mod;
}

std::uint32_t MainKeysym(std::uint32_t sym) {
  switch (sym) {
    case keysym::kKpLeft:
      return keysym::kLeft;
    case keysym::kKpUp:
      return keysym::kUp;
    case keysym::kKpRight:
      return keysym::kRight;
    case keysym::kKpDown:
      return keysym::kDown;
    case keysym::kKpHome:
      return keysym::kHome;
    case keysym::kKpEnd:
      return keysym::kEnd;
    case keysym::kKpDelete:
      return keysym::kDelete;
    case keysym::kKpEnter:
      return keysym::kReturn;
    default:
      return sym;
  }
}

int VirtualKeyFromKeysym(std::uint32_t sym) {
  sym = MainKeysym(sym);
  switch (sym) {
    case ' ':
      return 32;
    case keysym::kLeft:
      return 37;
    case keysym::kUp:
      return 38;
    case keysym::kRight:
      return 39;
    case keysym::kDown:
      return 40;
    default:
      break;
  }
  if (sym >= keysym::kKp0 && sym <= keysym::kKp9) return int('0' + (sym - keysym::kKp0));
  if (sym >= '0' && sym <= '9') return int(sym);
  if (sym >= 'A' && sym <= 'Z') return int(sym);
  if (sym >= 'a' && sym <= 'z') return int(sym - 'a' + 'A');
  return -1;
}

char CharFromKeysym(std::uint32_t sym) {
  if (sym >= 0x20 && sym <= 0x7e) return char(sym);
  if (sym >= keysym::kKp0 && sym <= keysym::kKp9) return char('0' + (sym - keysym::kKp0));
  switch (sym) {
    case keysym::kKpDecimal:
      return '.';
    case keysym::kKpSubtract:
      return '-';
    case keysym::kKpAdd:
      return '+';
    default:
      return 0;
  }
}

bool ClickTracker::Press(int button, std::uint32_t timeMs, int x, int y) {
  if (button != 1) {
    armed_ = false;
    return false;
  }
  // Unsigned difference: right across the server clock's wrap after 49 days.
  const bool twice = armed_ && std::uint32_t(timeMs - time_) <= doubleClickMs_ &&
                     std::abs(x - x_) <= kDoubleClickSlop && std::abs(y - y_) <= kDoubleClickSlop;
  armed_ = !twice;
  time_ = timeMs;
  x_ = x;
  y_ = y;
  return twice;
}

}  // namespace gui::x11
