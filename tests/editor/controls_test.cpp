// The stock controls through the effect's editor: switches, selectors that wrap, texts that
// gray, knob frames, range faders with their bands and read-outs, and envelope plots.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "gui/bitmap_controls.h"
#include "gui/text_controls.h"
#include "quorvantel/editor/envelope_canvas.h"
#include "quorvantel/editor/range_fader.h"
#include "tests/editor/editor_harness.h"

namespace editor_test {
namespace {

TEST(SwitchStep, EachClickStepsAFrameAndWrapsAndARightClickResends) {
  EditorHarness h;
  IControl* midSide = h.Bound(86);
  const int x = h.CentreX(midSide), y = h.CentreY(midSide);
  h.Click(x, y);
  EXPECT_EQ(h.Value(86), 1.0);
  h.Click(x, y);
  EXPECT_EQ(h.Value(86), 0.0);
  h.host->ClearCalls();
  h.Click(x, y, MouseMod{false, true});
  EXPECT_EQ(h.host->CountCalls(vst2::kHostAutomate), 1);
  EXPECT_EQ(h.Value(86), 0.0);
  // With a single frame the value goes 0, 1, then wraps to 0 (1 + 1 > 1.001).
  ISwitchControl single(0, 0, -1, BitmapRef{nullptr, 10, 10, 1}, BlendNone);
  single.MouseDown(0, 0, MouseMod{true});
  EXPECT_EQ(single.Value(), 1.0);
  single.MouseDown(0, 0, MouseMod{true});
  EXPECT_EQ(single.Value(), 0.0);
}

TEST(ParamText, WheelStepsOneTextAndWrapsAroundBothEnds) {
  EditorHarness h;
  IControl* source = h.Bound(16);  // "Pch Mod", LFO 1 .. LFO 8
  const int x = h.CentreX(source), y = h.CentreY(source);
  h.Editor().OnMouseWheel(x, y, MouseMod{}, -1);
  EXPECT_EQ(h.Display(16), "LFO 8");
  h.Editor().OnMouseWheel(x, y, MouseMod{}, 1);
  EXPECT_EQ(h.Display(16), "LFO 1");
  for (int i = 0; i < 7; ++i) h.Editor().OnMouseWheel(x, y, MouseMod{}, 1);
  EXPECT_EQ(h.Display(16), "LFO 8");
  h.Editor().OnMouseWheel(x, y, MouseMod{}, 1);
  EXPECT_EQ(h.Display(16), "LFO 1");
  // Dragging up past the top end jumps to the bottom end.
  h.Drag(source, 0, -200);
  EXPECT_EQ(h.Display(16), "LFO 1");
  h.Tick();
  EXPECT_EQ(static_cast<ParamTextControl*>(source)->Text(), "LFO 1");
}

TEST(TextControl, GraysTo127AndSameTextDoesNotRedraw) {
  EditorHarness h;
  ITextControl* rate = h.Editor().GrainRateReadOut();
  rate->SetGrayed(true);
  EXPECT_EQ(rate->Style().color, (Color{255, 127, 127, 127}));
  rate->SetGrayed(false);
  EXPECT_EQ(rate->Style().color, (Color{255, 255, 255, 255}));
  h.Tick();
  rate->SetText("0");
  EXPECT_FALSE(rate->IsDirty());
  rate->SetText("12");
  EXPECT_TRUE(rate->IsDirty());
  // A double click before any value came from the plug-in changes nothing.
  ITextControl fresh(Rect{0, 0, 10, 10}, TextStyle{}, "x");
  fresh.SetValue(0.3);
  fresh.MouseDoubleClick(0, 0, MouseMod{true});
  EXPECT_EQ(fresh.Value(), 0.3);
}

TEST(KnobFrames, ValueChoosesTheNearestFrameAndOddValuesTheFirst) {
  EXPECT_EQ(FrameForValue(0.0, 127), 1);
  EXPECT_EQ(FrameForValue(1.0, 127), 127);
  EXPECT_EQ(FrameForValue(0.5, 127), 64);
  EXPECT_EQ(FrameForValue(0.0039, 127), 1);
  EXPECT_EQ(FrameForValue(0.004, 127), 2);
  EXPECT_EQ(FrameForValue(-0.5, 127), 1);
  EXPECT_EQ(FrameForValue(2.0, 127), 127);
  EXPECT_EQ(FrameForValue(1e300, 127), 1);
  EXPECT_EQ(FrameForValue(std::numeric_limits<double>::quiet_NaN(), 127), 1);
}

IRangeFaderControl* Fader(EditorHarness& h, int parameter) {
  return dynamic_cast<IRangeFaderControl*>(h.Bound(parameter));
}

TEST(RangeFader, DepthNarrowsTheTravelAndPushesTheBandInside) {
  EditorHarness h;
  IRangeFaderControl* pan = Fader(h, 9);
  pan->SetDepth(0.0);
  EXPECT_EQ(pan->AllowedLow(), 0.0);
  EXPECT_EQ(pan->AllowedHigh(), 1.0);
  // Depth 1: the value can only be the middle.
  pan->SetDepth(1.0);
  EXPECT_EQ(pan->AllowedLow(), 0.5);
  EXPECT_EQ(pan->AllowedHigh(), 0.5);
  h.Drag(pan, -60, 0);
  EXPECT_EQ(pan->Value(), 0.5);
  EXPECT_EQ(h.Value(9), 0.5);
  // Value 0.1 with depth 0.4: band 0 .. 0.4, value recentred to 0.2 and shown, not sent.
  pan->SetDepth(0.0);
  h.Editor().OnMouseDown(pan->DrawRect().left + 5 + 14, h.CentreY(pan), MouseMod{true});
  h.Editor().OnMouseUp(0, 0, MouseMod{true});
  EXPECT_DOUBLE_EQ(h.Value(9), 0.1);
  h.SetParameter(11, 0.4f);  // "Pan Dpth"
  h.Tick();
  EXPECT_DOUBLE_EQ(pan->BandLow(), 0.0);
  EXPECT_NEAR(pan->BandHigh(), 0.4, 1e-7);
  EXPECT_NEAR(pan->Value(), 0.2, 1e-7);
  EXPECT_DOUBLE_EQ(h.Value(9), 0.1);
}

TEST(RangeFader, ReadOutsPrintTheBandInTheRowsFormat) {
  EXPECT_EQ(FormatTwoDecimals(30.0, 30.0), "30.00");
  EXPECT_EQ(FormatTwoDecimals(1.234, 5.678), "1.23 ~ 5.68");
  EXPECT_EQ(FormatInteger(2.3, 2.7), "2 ~ 2");
  EXPECT_EQ(FormatInteger(3.0, 3.0), "3");
  EXPECT_EQ(FormatPan(0.5, 0.5), "C");
  EXPECT_EQ(FormatPan(0.0, 0.75), "100%L ~ 50%R");
  EditorHarness h;
  ITextControl* panText = nullptr;
  for (int i = 0; i < h.Editor().ControlCount(); ++i) {
    auto* text = dynamic_cast<ITextControl*>(h.Editor().GetControl(i));
    if (text != nullptr && text->DrawRect() == (Rect{70, 190, 130, 210})) panText = text;
  }
  ASSERT_NE(panText, nullptr);
  EXPECT_EQ(panText->Text(), "C");
  h.SetParameter(11, 0.5f);
  h.Tick(2);
  EXPECT_EQ(panText->Text(), "50%L ~ 50%R");
  // A committed value shows on the next tick, not only after the fader changes once more.
  FakeWindow& window = h.OpenFakeWindow();
  IControl* length = h.Bound(0);
  h.RightClick(length);
  ASSERT_NE(window.box, nullptr);
  window.box->text = "75";
  h.Editor().Entry().SetState(EntryCommit);
  h.Tick(2);
  EXPECT_EQ(h.Display(0), "75.0");
  EXPECT_EQ(dynamic_cast<ITextControl*>(h.Editor().GetControl(h.IndexOf(length) + 3))->Text(),
            "75.00");
}

TEST(EnvelopeCanvas, AllZeroDrawsTheBottomLineAndAllOneFillsThePlot) {
  EditorHarness h;
  const Rect r{100, 100, 160, 130};
  double zeros[IEnvelopeCanvas::kTableLength] = {};
  double ones[IEnvelopeCanvas::kTableLength];
  std::fill(std::begin(ones), std::end(ones), 1.0);
  const Color black{255, 0, 0, 0}, white{255, 255, 255, 255}, red{255, 255, 0, 0};
  for (const double* table : {zeros, ones}) {
    IEnvelopeCanvas canvas(r, table);
    h.Editor().Graphics().SetDrawRect(Rect{0, 0, 800, 600});
    canvas.Draw(h.Editor());
    DrawContext& g = h.Editor().Graphics();
    for (int x = r.left; x <= r.right; ++x) {
      EXPECT_EQ(g.GetPixel(x, r.top), white);
      EXPECT_EQ(g.GetPixel(x, r.bottom), white);
    }
    for (int y = r.top + 1; y < r.bottom; ++y) {
      EXPECT_EQ(g.GetPixel(r.left, y), white);
      EXPECT_EQ(g.GetPixel(r.right, y), white);
      for (int x = r.left + 1; x < r.right; ++x) {
        const bool plotted = x <= r.right - 2 && (table == ones || y == r.bottom - 1);
        ASSERT_EQ(g.GetPixel(x, y), plotted ? red : black) << x << "," << y;
      }
    }
  }
}

}  // namespace
}  // namespace editor_test
