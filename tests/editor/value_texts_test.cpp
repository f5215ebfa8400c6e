// What the editor shows a musician and takes back from one: the Source read-out naming the
// channel that plays, typed values in the read-outs' own forms, and the hint box.
#include "quorvantel/editor/value_texts.h"

#include <gtest/gtest.h>

#include "gui/editor_surface.h"
#include "gui/text_controls.h"
#include "quorvantel/editor/read_outs.h"
#include "tests/editor/editor_harness.h"

namespace editor_test {
namespace {

constexpr int kSource = 6, kSourceDepth = 8, kPan = 9, kDir = 12, kFbApply = 28, kRate2 = 59,
              kSync2 = 60, kMidSide = 86, kLength = 0, kLengthDepth = 2;

ITextControl* TextAt(EditorHarness& h, const Rect& r) {
  for (int i = 0; i < h.Editor().ControlCount(); ++i) {
    auto* text = dynamic_cast<ITextControl*>(h.Editor().GetControl(i));
    if (text != nullptr && text->DrawRect() == r && text->ParamIdx() < 0) return text;
  }
  return nullptr;
}

TEST(SourceReadOut, NamesTheInputChannelGrainsReadAndMidSideCoding) {
  EXPECT_EQ(FormatSource(0.0, 0.0), "100%R");  // Source 0 reads the right input
  EXPECT_EQ(FormatSource(1.0, 1.0), "100%L");
  EXPECT_EQ(FormatSource(0.5, 0.5), "C");
  EXPECT_EQ(FormatSource(0.25, 0.75), "50%R ~ 50%L");
  EXPECT_EQ(FormatSourceMidSide(0.0, 1.0), "100%S ~ 100%M");

  EditorHarness h;
  ITextControl* readOut = TextAt(h, Rect{70, 100, 130, 120});
  ASSERT_NE(readOut, nullptr);
  EXPECT_EQ(readOut->Text(), "100%R");
  h.SetParameter(kSource, 1.0f);
  h.Tick(2);
  EXPECT_EQ(readOut->Text(), "100%L");
  // The switch alone changes the text, in the same tick as it changes.
  h.SetParameter(kMidSide, 1.0f);
  h.Tick();
  EXPECT_EQ(readOut->Text(), "100%M");
  h.SetParameter(kSource, 0.5f);
  h.SetParameter(kSourceDepth, 0.4f);
  h.Tick(2);
  EXPECT_EQ(readOut->Text(), "40%S ~ 40%M");
  h.SetParameter(kMidSide, 0.0f);
  h.Tick();
  EXPECT_EQ(readOut->Text(), "40%R ~ 40%L");
}

TEST(ValueTexts, ShowTheReadOutsFormsWithUnits) {
  EditorHarness h;
  const framework::IEffectBase& effect = h.Instance();
  bool midSide = false, synced = false;
  const PlainValueOf others = [&](int i) {
    return i == kMidSide ? double(midSide) : i == kSync2 ? double(synced) : 0.0;
  };
  auto text = [&](int index, double v) {
    return ValueText(effect.Parameters().Definition(index), index, v, others);
  };
  EXPECT_EQ(text(kLength, 84.8), "84.8 ms");
  EXPECT_EQ(text(kLengthDepth, 0.35), "0.35");
  EXPECT_EQ(text(87, 0.0), "0.00");  // "Dry"; the host's display says "0"
  EXPECT_EQ(text(kPan, 0.5), "C");
  EXPECT_EQ(text(kPan, 0.35), "30%L");
  EXPECT_EQ(text(kSource, 0.0), "100%R");
  EXPECT_EQ(text(kFbApply, 0.25), "25 %");
  EXPECT_EQ(text(kDir, 1.0), "1.00");
  EXPECT_EQ(text(1, 2.0), "LFO 3");
  EXPECT_EQ(text(46, 2.0), "Hann");
  EXPECT_EQ(text(kRate2, 3.9), "3.90 Hz");
  synced = true;
  EXPECT_EQ(text(kRate2, 3.9), "1/4");
  midSide = true;
  EXPECT_EQ(text(kSource, 0.0), "100%S");
}

TEST(ValueTexts, TakeEveryFormTheyShowAndRefuseTheRest) {
  EditorHarness h;
  const framework::IEffectBase& effect = h.Instance();
  auto parse = [&](int index, const char* typed, double* v) {
    return ValueFromText(effect.Parameters().Definition(index), index, typed, v);
  };
  struct Case {
    int index;
    const char* typed;
    double plain;
  };
  for (const Case& c :
       {Case{kPan, "C", 0.5}, Case{kPan, "30%L", 0.35}, Case{kPan, "70 % r", 0.85},
        Case{kSource, "100%R", 0.0}, Case{kSource, "40%L", 0.7}, Case{kSource, "100%M", 1.0},
        Case{kSource, "20%s", 0.4}, Case{kFbApply, "25 %", 0.25}, Case{kFbApply, "0.5", 0.5},
        Case{kLength, "50 ms", 50.0}, Case{kLength, "50ms", 50.0}, Case{1, "LFO 3", 2.0},
        Case{1, "lfo 8", 7.0}, Case{46, "rev exponential", 8.0}, Case{kSync2, "on", 1.0},
        Case{kRate2, "2.5 Hz", 2.5}}) {
    double v = -99.0;
    EXPECT_TRUE(parse(c.index, c.typed, &v)) << c.typed;
    EXPECT_NEAR(v, c.plain, 1e-12) << c.typed;
  }
  // A division sets a Rate that the LFO bank turns into that division, whatever Sync is now.
  for (const char* division : {"8/1", "1/4", "1/8t", "1/32t"}) {
    double rate = 0.0;
    ASSERT_TRUE(parse(kRate2, division, &rate)) << division;
    const PlainValueOf synced = [](int i) { return i == kSync2 ? 1.0 : 0.0; };
    EXPECT_EQ(ValueText(effect.Parameters().Definition(kRate2), kRate2, rate, synced), division);
  }
  double v = 0.0;
  for (const auto& [index, typed] : {std::pair<int, const char*>{kPan, "abc"},
                                     {kPan, "30%X"},
                                     {kPan, "%L"},
                                     {kLength, "50 Hz"},
                                     {kLength, ""},
                                     {1, "LFO 9"},
                                     {kFbApply, "a%"},
                                     {kDir, "1/4"}}) {
    EXPECT_FALSE(parse(index, typed, &v)) << typed;
  }
}

TEST(ValueEntry, TakesTheDisplaysOwnFormsAndKeepsTheValueForNonsense) {
  EditorHarness h;
  FakeWindow& window = h.OpenFakeWindow();
  IControl* pan = h.Bound(kPan);
  auto type = [&](const char* text) {
    h.RightClick(pan);
    ASSERT_NE(window.box, nullptr);
    window.box->text = text;
    h.Editor().Entry().SetState(EntryCommit);
    h.Tick();
    EXPECT_EQ(window.box, nullptr);
  };
  type("30%L");
  EXPECT_NEAR(h.Value(kPan), 0.35, 1e-9);
  type("abc");
  EXPECT_NEAR(h.Value(kPan), 0.35, 1e-9);
  type("C");
  EXPECT_NEAR(h.Value(kPan), 0.5, 1e-9);
}

TEST(HintBox, FollowsTheHoveredOrDraggedControlAndGoesWithThePointer) {
  EditorHarness h;
  IEditorSurface& e = h.Editor();
  IControl* length = h.Bound(kLength);
  EXPECT_EQ(e.HintText(), "");
  e.OnMouseMove(h.CentreX(length), h.CentreY(length));
  h.Tick();
  EXPECT_EQ(e.HintText(), "Length 30.0 ms");
  // Below the fader, left-aligned with it, inside the editor.
  EXPECT_EQ(e.HintRect().left, length->DrawRect().left);
  EXPECT_EQ(e.HintRect().top, length->DrawRect().bottom + 2);
  EXPECT_GT(e.HintRect().Width(), 60);
  // Its pixels are drawn over the controls: the amber frame at its corner.
  EXPECT_EQ(e.Pixels().Data()[e.HintRect().top * 800 + e.HintRect().left], 0xffe0a040u);

  // Dragging a fader: the hint follows the dragged value, wherever the pointer goes.
  IControl* ampl = h.Bound(31);
  const int x = ampl->DrawRect().left + 5, y = h.CentreY(ampl);
  e.OnMouseDown(x, y, MouseMod{true});
  e.OnMouseMove(h.CentreX(length), h.CentreY(length));  // moves during a drag are no hover
  e.OnMouseDrag(x + 70, y, MouseMod{true});
  h.Tick();
  EXPECT_EQ(e.HintText(), "Ampl 0.55");
  e.OnMouseUp(x + 70, y, MouseMod{true});
  // At the right edge the box stays inside the editor.
  IControl* skew = h.Bound(57);
  h.SetParameter(54, 1.0f / 6.0f);  // "Shape1" Triangle, which has a skew
  h.Tick(2);
  e.OnMouseMove(h.CentreX(skew), h.CentreY(skew));
  h.Tick();
  EXPECT_EQ(e.HintText(), "Skew1 0.50");
  EXPECT_LE(e.HintRect().right, 800);

  // Over a label, no hint; the pointer leaving clears it.
  e.OnMouseMove(30, 35);
  h.Tick();
  EXPECT_EQ(e.HintText(), "");
  e.OnMouseMove(h.CentreX(length), h.CentreY(length));
  h.Tick();
  EXPECT_FALSE(e.HintText().empty());
  e.OnMouseLeave();
  h.Tick();
  EXPECT_EQ(e.HintText(), "");
  EXPECT_TRUE(e.HintRect().IsEmpty());
}

}  // namespace
}  // namespace editor_test
