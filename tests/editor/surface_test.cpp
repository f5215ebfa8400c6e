// The surface driven as a window layer drives it: what the mouse reaches, capture, gestures,
// the redraw cycle and the values flowing between controls and the plug-in.
#include <gtest/gtest.h>

#include "gui/bitmap_controls.h"
#include "gui/text_controls.h"
#include "tests/editor/editor_harness.h"

namespace editor_test {
namespace {

using vst2::kHostAutomate;
using vst2::kHostBeginEdit;
using vst2::kHostEndEdit;

TEST(SurfaceHitTesting, TopmostVisibleActiveControlWinsAndHiddenOrGrayedOnesPassThrough) {
  EditorHarness h;
  QuorvantelEditor& e = h.Editor();
  // LFO 1 is selected by every source; LFOs 2..8 are grayed; LFO 1's shape (Random) has no skew.
  IControl* rate1 = e.LfoControlAt(0, kLfoRateKnob);
  IControl* rate2 = e.LfoControlAt(1, kLfoRateKnob);
  IControl* skew1 = e.LfoControlAt(0, kLfoSkewKnob);
  ASSERT_TRUE(rate2->IsGrayed());
  ASSERT_TRUE(skew1->IsHidden());
  EXPECT_EQ(e.ControlAt(h.CentreX(rate1), h.CentreY(rate1)), h.IndexOf(rate1));
  EXPECT_EQ(e.ControlAt(h.CentreX(rate2), h.CentreY(rate2)), 0);  // the background
  EXPECT_EQ(e.ControlAt(h.CentreX(skew1), h.CentreY(skew1)), 0);
  // Where the first envelope's shape text and its canvas overlap, the canvas (added later) wins.
  EXPECT_EQ(e.ControlAt(365, 42), 2);
  EXPECT_EQ(e.ControlAt(365, 38), 1);
  EXPECT_EQ(e.ControlAt(-1, 10), -1);
  EXPECT_EQ(e.ControlAt(800, 10), -1);
}

TEST(SurfaceCapture, AKnobDraggedOutsideTheWindowFollowsUntilReleaseInsideOneGesture) {
  EditorHarness h;
  IControl* depth = h.Bound(2);  // "Lng Dpth"
  const int x = h.CentreX(depth), y = h.CentreY(depth);
  h.host->ClearCalls();
  h.Editor().OnMouseDown(x, y, MouseMod{true});
  h.Editor().OnMouseDrag(x - 500, y - 52, MouseMod{true});  // far outside, left and up
  EXPECT_DOUBLE_EQ(h.Value(2), 0.5);
  h.Editor().OnMouseDrag(-300, -900, MouseMod{true});
  EXPECT_DOUBLE_EQ(h.Value(2), 1.0);  // clamped and sent as 1
  h.Editor().OnMouseUp(-300, -900, MouseMod{true});
  EXPECT_FALSE(h.Editor().HasCapture());
  h.Editor().OnMouseDrag(x, y + 100, MouseMod{true});  // no capture: no drag
  EXPECT_DOUBLE_EQ(h.Value(2), 1.0);
  ASSERT_GE(h.host->Calls().size(), 4u);
  EXPECT_EQ(h.host->Calls().front().opcode, kHostBeginEdit);
  EXPECT_EQ(h.host->Calls().front().index, 2);
  EXPECT_EQ(h.host->Calls().back().opcode, kHostEndEdit);
  EXPECT_EQ(h.host->CountCalls(kHostAutomate), 2);
}

TEST(SurfaceCapture, KnobDragGearingAndFineMode) {
  EditorHarness h;
  IControl* dry = h.Bound(87);  // default 0
  h.Drag(dry, 0, -52);          // half of the 104 pixels of a full sweep
  EXPECT_DOUBLE_EQ(dry->Value(), 0.5);
  MouseMod fine{true};
  fine.ctrl = true;
  h.Drag(dry, 0, 52, fine);  // ten times finer
  EXPECT_DOUBLE_EQ(dry->Value(), 0.45);
  fine.ctrl = false;
  fine.shift = true;
  h.Drag(dry, 0, 1040, fine);
  EXPECT_DOUBLE_EQ(dry->Value(), 0.0);
  EXPECT_DOUBLE_EQ(h.Value(87), 0.0);
}

TEST(SurfaceDoubleClick, RestoresTheDefaultWithoutStartingACapture) {
  EditorHarness h;
  IControl* wet = h.Bound(88);
  const double byDefault = wet->Value();
  h.Drag(wet, 0, 26);
  EXPECT_DOUBLE_EQ(wet->Value(), byDefault - 0.25);
  h.Editor().OnMouseDoubleClick(h.CentreX(wet), h.CentreY(wet), MouseMod{true});
  EXPECT_FALSE(h.Editor().HasCapture());
  h.Editor().OnMouseDrag(h.CentreX(wet), h.CentreY(wet) + 50, MouseMod{true});
  EXPECT_DOUBLE_EQ(wet->Value(), byDefault);
  EXPECT_DOUBLE_EQ(h.Value(88), 1.0);
}

TEST(SurfaceWheel, OverEmptySpaceTheBackgroundTakesItSilentlyAndEverythingIsRedrawn) {
  EditorHarness h;
  const std::size_t calls = h.host->Calls().size();
  h.Editor().OnMouseWheel(795, 595, MouseMod{}, 3);
  EXPECT_DOUBLE_EQ(h.Editor().GetControl(0)->Value(), 0.03);
  EXPECT_EQ(h.host->Calls().size(), calls);
  Rect dirty;
  EXPECT_TRUE(h.Editor().CollectDirty(&dirty));
  EXPECT_EQ(dirty, (Rect{0, 0, 800, 600}));
}

TEST(SurfaceValues, TheFirstValueIsTheDefaultAndValuesWaitForTheNextTick) {
  EditorHarness h;
  IControl* length = h.Bound(0);
  const double first = length->DefaultValue();
  EXPECT_DOUBLE_EQ(first, h.Instance().Parameters().Definition(0).NormalizedOf(30.0));
  h.SetParameter(0, 0.9f);
  EXPECT_DOUBLE_EQ(length->Value(), first);  // not before the tick
  h.Tick();
  EXPECT_FLOAT_EQ(static_cast<float>(length->Value()), 0.9f);
  EXPECT_DOUBLE_EQ(length->DefaultValue(), first);
  // A control's own value goes to the plug-in at once and is not sent back.
  h.host->ClearCalls();
  h.Editor().OnMouseDown(length->DrawRect().left + 5, h.CentreY(length), MouseMod{true});
  EXPECT_DOUBLE_EQ(h.Value(0), 1.0);
  EXPECT_EQ(h.host->CountCalls(kHostAutomate), 1);
  h.Editor().OnMouseUp(0, 0, MouseMod{true});
  h.Tick();
  EXPECT_DOUBLE_EQ(length->Value(), 0.0);
}

TEST(SurfaceRedraw, OnlyDirtyControlsAndWhatOverlapsThemAreRepaintedEachTick) {
  EditorHarness h;
  FakeWindow& window = h.OpenFakeWindow();
  h.Tick();
  EXPECT_TRUE(window.presented.empty());  // nothing changed: nothing drawn
  h.SetParameter(87, 0.5f);
  h.Tick();
  // The dry knob and its read-out, which its observer changed in the same tick (it comes later).
  ASSERT_EQ(window.presented.size(), 1u);
  EXPECT_EQ(window.presented[0], (Rect{355, 260, 390, 310}));
  // Both asked for one more drawing (a value from the plug-in; a read-out shown again).
  h.Tick();
  ASSERT_EQ(window.presented.size(), 2u);
  EXPECT_EQ(window.presented[1], (Rect{355, 260, 390, 310}));
  h.Tick(2);
  EXPECT_EQ(window.presented.size(), 2u);
  // Reopening redraws everything, including values changed while closed.
  h.SetParameter(88, 0.25f);
  h.Editor().MarkAllControlsDirty();
  h.Tick();
  EXPECT_EQ(window.presented.back(), (Rect{0, 0, 800, 600}));
}

}  // namespace
}  // namespace editor_test
