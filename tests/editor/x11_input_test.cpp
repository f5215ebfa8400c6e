// The X11 layer's translations that need no display: modifier state, keys, double clicks and
// the edit box's text editing.
#include "gui/platform/x11/x11_input.h"

#include <gtest/gtest.h>

#include "gui/editor_surface.h"
#include "gui/platform/x11/edit_text.h"

namespace gui::x11 {
namespace {

TEST(X11Input, ButtonStateBecomesMouseModAsAButtonMessageWouldCarryIt) {
  constexpr std::uint16_t kShift = 1, kControl = 4, kMod1 = 8, kButton1 = 256, kButton3 = 1024;
  // A press carries its own button (the state field holds the time before it)...
  const MouseMod press = ModFromState(kShift, 3, true);
  EXPECT_TRUE(press.right);
  EXPECT_FALSE(press.left);
  EXPECT_TRUE(press.shift);
  // ...a release no longer does, and motion reports what is held.
  const MouseMod release = ModFromState(kButton1 | kButton3 | kControl, 1, false);
  EXPECT_FALSE(release.left);
  EXPECT_TRUE(release.right);
  EXPECT_TRUE(release.ctrl);
  const MouseMod motion = ModFromState(kButton1 | kMod1);
  EXPECT_TRUE(motion.left);
  EXPECT_TRUE(motion.alt);
  EXPECT_FALSE(motion.shift);
}

TEST(X11Input, KeysymsMapOntoTheEditorsKeyTable) {
  EXPECT_EQ(KeyCodeFromVirtualKey(VirtualKeyFromKeysym(' ')), kKeySpace);
  EXPECT_EQ(KeyCodeFromVirtualKey(VirtualKeyFromKeysym(keysym::kUp)), kKeyUp);
  EXPECT_EQ(KeyCodeFromVirtualKey(VirtualKeyFromKeysym(keysym::kKpLeft)), kKeyLeft);
  EXPECT_EQ(KeyCodeFromVirtualKey(VirtualKeyFromKeysym('7')), 12);
  EXPECT_EQ(KeyCodeFromVirtualKey(VirtualKeyFromKeysym(keysym::kKp0 + 7)), 12);
  EXPECT_EQ(KeyCodeFromVirtualKey(VirtualKeyFromKeysym('q')), 15 + 16);
  EXPECT_EQ(KeyCodeFromVirtualKey(VirtualKeyFromKeysym('Q')), 15 + 16);
  EXPECT_EQ(VirtualKeyFromKeysym(keysym::kReturn), -1);
  EXPECT_EQ(VirtualKeyFromKeysym(0xe9), -1);  // é
  EXPECT_EQ(CharFromKeysym(keysym::kKpDecimal), '.');
  EXPECT_EQ(CharFromKeysym(keysym::kKpSubtract), '-');
  EXPECT_EQ(CharFromKeysym(keysym::kReturn), 0);
}

TEST(X11Input, ALeftPressSoonAndNearTheLastOneIsADoubleClickAndATripleIsNot) {
  ClickTracker clicks;
  EXPECT_FALSE(clicks.Press(1, 1000, 10, 10));
  EXPECT_TRUE(clicks.Press(1, 1400, 14, 6));
  EXPECT_FALSE(clicks.Press(1, 1500, 14, 6));  // the third press starts over
  EXPECT_FALSE(clicks.Press(1, 1901, 14, 6));  // too late
  EXPECT_FALSE(clicks.Press(1, 2000, 19, 6));  // too far
  EXPECT_FALSE(clicks.Press(3, 2100, 19, 6));  // other buttons never
  EXPECT_FALSE(clicks.Press(1, 2200, 19, 6));  // and they break a pair
  // Across the wrap of the server's 32-bit millisecond clock.
  ClickTracker wrapped;
  EXPECT_FALSE(wrapped.Press(1, 0xffffff00u, 0, 0));
  EXPECT_TRUE(wrapped.Press(1, 0x20, 0, 0));
}

TEST(EditBoxText, OpensSelectedSoTypingReplacesItAndTheKeysEditAroundTheCaret) {
  EditText text(6);
  text.SetText("30.0");
  EXPECT_EQ(text.SelectionStart(), 0u);
  EXPECT_EQ(text.SelectionEnd(), 4u);
  text.Type('7');
  EXPECT_EQ(text.Text(), "7");
  for (char c : std::string("5.25xyz")) text.Type(c);
  EXPECT_EQ(text.Text(), "75.25x");  // held to the limit
  text.Backspace();
  text.Home(false);
  text.Delete();
  EXPECT_EQ(text.Text(), "5.25");
  text.End(false);
  text.Left(true);
  text.Left(true);
  EXPECT_EQ(text.SelectionStart(), 2u);
  text.Type('9');
  EXPECT_EQ(text.Text(), "5.9");
  text.SelectAll();
  text.Left(false);  // drops the selection at its start
  EXPECT_EQ(text.Caret(), 0u);
  EXPECT_FALSE(text.HasSelection());
  text.Backspace();  // nothing before the caret
  text.PlaceCaret(99);
  text.Right(false);
  EXPECT_EQ(text.Caret(), 3u);
  EXPECT_EQ(text.Text(), "5.9");
}

}  // namespace
}  // namespace gui::x11
