// The effect's editor as a whole: the 174 controls in drawing order, the LFO rows following
// shape, sync and the sources that select them, the statistics, and the value entry.
#include <gtest/gtest.h>

#include <cstring>
#include <typeinfo>

#include "gui/bitmap_controls.h"
#include "gui/text_controls.h"
#include "quorvantel/editor/envelope_canvas.h"
#include "quorvantel/editor/lfo_texts.h"
#include "quorvantel/editor/range_fader.h"
#include "tests/editor/editor_harness.h"

namespace editor_test {
namespace {

template <typename T>
bool Is(const IControl* c) {
  return typeid(*c) == typeid(T);
}

TEST(EditorLayout, The174ControlsInBuildOrder) {
  EditorHarness h;
  QuorvantelEditor& e = h.Editor();
  // The fixed layout's 174, then the extra labels.
  ASSERT_EQ(e.ControlCount(), 174 + 12);
  EXPECT_EQ(h.Editor().Observers().Count(), 60);
  struct Expect {
    int index;
    const std::type_info& type;
    int parameter;
    Rect rect;
  };
  const Expect expected[] = {
      {0, typeid(IBitmapControl), -1, {0, 0, 800, 600}},
      {1, typeid(ParamTextControl), 46, {360, 25, 500, 45}},  // envelope 1 shape
      {2, typeid(IEnvelopeCanvas), -1, {360, 40, 420, 70}},
      {3, typeid(IKnobStripControl), 47, {430, 40, 456, 66}},
      {10, typeid(ParamTextControl), 52, {360, 175, 500, 195}},
      {13, typeid(ISwitchControl), 86, {360, 320, 370, 330}},  // mix
      {14, typeid(IKnobStripControl), 87, {360, 260, 386, 286}},
      {15, typeid(ITextControl), -1, {355, 290, 390, 310}},
      {17, typeid(ITextControl), -1, {435, 290, 470, 310}},
      {18, typeid(IRangeFaderControl), 0, {70, 30, 221, 41}},  // "Length" row
      {19, typeid(IKnobStripControl), 2, {230, 30, 256, 56}},
      {20, typeid(ParamTextControl), 1, {260, 30, 290, 50}},
      {21, typeid(ITextControl), -1, {70, 10, 130, 30}},
      {74, typeid(IRangeFaderControl), 40, {370, 435, 521, 446}},  // "ScanRate", the last row
      {78, typeid(ISwitchControl), 24, {90, 400, 100, 410}},       // "Dly Sync"
      {79, typeid(ParamTextControl), 54, {550, 45, 610, 65}},      // LFO 1
      {80, typeid(IKnobStripControl), 55, {615, 45, 641, 71}},
      {81, typeid(ISwitchControl), 56, {650, 59, 660, 69}},
      {82, typeid(ITextControl), -1, {650, 45, 700, 57}},
      {83, typeid(IKnobStripControl), 57, {700, 45, 726, 71}},
      {84, typeid(ITextControl), -1, {730, 45, 760, 57}},
      {85, typeid(ITextControl), -1, {730, 57, 800, 69}},
      {128, typeid(ParamTextControl), 82, {550, 360, 610, 380}},  // LFO 8
      {135, typeid(ITextControl), -1, {700, 562, 740, 578}},      // first label
      {171, typeid(ITextControl), -1, {500, 360, 540, 376}},      // label "8"
      {172, typeid(ITextControl), -1, {440, 355, 470, 375}},      // statistics
      {173, typeid(ITextControl), -1, {440, 375, 470, 395}},
  };
  for (const Expect& x : expected) {
    const IControl* c = e.GetControl(x.index);
    EXPECT_TRUE(typeid(*c) == x.type) << x.index;
    EXPECT_EQ(c->ParamIdx(), x.parameter) << x.index;
    EXPECT_EQ(c->DrawRect(), x.rect) << x.index;
  }
  EXPECT_EQ(static_cast<ITextControl*>(e.GetControl(135))->Text(), "Version 0.3");
  EXPECT_EQ(static_cast<ITextControl*>(e.GetControl(171))->Text(), "8");
  EXPECT_EQ(e.GetControl(172), e.GrainRateReadOut());
  EXPECT_EQ(e.GetControl(173), e.GrainDensityReadOut());
}

TEST(EditorLayout, TheExtraLabelsNameTheSyncSwitchesAndEnvelopeSlotsWithoutCoveringAControl) {
  EditorHarness h;
  QuorvantelEditor& e = h.Editor();
  auto text = [&](int i) { return static_cast<ITextControl*>(e.GetControl(i))->Text(); };
  EXPECT_EQ(text(174), "sync");
  EXPECT_EQ(text(181), "sync");
  EXPECT_EQ(text(182), "#1");
  EXPECT_EQ(text(185), "#4");
  // A label above a control in the list would take its clicks.
  for (int label = 174; label < e.ControlCount(); ++label) {
    EXPECT_EQ(e.GetControl(label)->ParamIdx(), -1);
    for (int i = 0; i < 174; ++i) {
      if (e.GetControl(i)->ParamIdx() < 0) continue;
      EXPECT_FALSE(e.GetControl(label)->DrawRect().Intersects(e.GetControl(i)->DrawRect()))
          << text(label) << " covers control " << i;
    }
  }
  // The sync label sits to the right of its switch, on the same line.
  const Rect sync = e.LfoControlAt(0, kLfoSyncSwitch)->DrawRect();
  EXPECT_GT(e.GetControl(174)->DrawRect().left, sync.right);
  EXPECT_LE(e.GetControl(174)->DrawRect().top, sync.top);
}

TEST(EditorLfoRows, GreyingFollowsTheSourcesWithoutAutomatingTheHost) {
  EditorHarness h;
  QuorvantelEditor& e = h.Editor();
  auto grayed = [&](int lfo) {
    int n = 0;
    for (LfoControl c : {kLfoShapeText, kLfoRateKnob, kLfoSyncSwitch, kLfoSkewKnob})
      n += e.LfoControlAt(lfo, c)->IsGrayed();
    return n;
  };
  EXPECT_EQ(grayed(0), 0);
  EXPECT_EQ(grayed(2), 4);
  h.host->ClearCalls();
  h.SetParameter(16, 2.0f / 7.0f);  // "Pch Mod" = LFO 3
  // The LFO settings are applied again inside the plug-in, but no value changed, so a host in
  // an automation write mode records nothing.
  EXPECT_EQ(h.host->CountCalls(vst2::kHostAutomate), 0);
  h.Tick();
  EXPECT_EQ(grayed(0), 0);
  EXPECT_EQ(grayed(2), 0);
  EXPECT_EQ(grayed(3), 4);
  // A grayed LFO's texts draw in the grayed colour.
  EXPECT_EQ(static_cast<ITextControl*>(e.LfoControlAt(3, kLfoShapeText))->Style().color,
            (Color{255, 127, 127, 127}));
}

TEST(EditorLfoRows, SkewNameHidesForShapesWithoutSkewAndSyncShowsTheDivision) {
  EditorHarness h;
  QuorvantelEditor& e = h.Editor();
  IControl* skew = e.LfoControlAt(0, kLfoSkewKnob);
  auto* skewValue = static_cast<ITextControl*>(e.GetControl(h.IndexOf(skew) + 1));
  auto* skewName = static_cast<ITextControl*>(e.GetControl(h.IndexOf(skew) + 2));
  auto* rateText = static_cast<ITextControl*>(e.GetControl(h.IndexOf(skew) - 1));
  EXPECT_TRUE(skew->IsHidden());  // Random: no skew
  EXPECT_TRUE(skewValue->IsHidden());
  EXPECT_TRUE(skewName->IsHidden());
  h.SetParameter(54, 1.0f / 6.0f);  // Triangle
  h.Tick();
  EXPECT_FALSE(skew->IsHidden());
  EXPECT_FALSE(skewValue->IsHidden());
  EXPECT_FALSE(skewName->IsHidden());
  EXPECT_EQ(skewName->Text(), "PeakPos");
  EXPECT_EQ(skewValue->Text(), "0.50");
  h.SetParameter(54, 3.0f / 6.0f);  // Sine
  h.Tick();
  EXPECT_TRUE(skew->IsHidden() && skewValue->IsHidden() && skewName->IsHidden());

  EXPECT_EQ(rateText->Text(), "1.00 Hz");
  IControl* sync = e.LfoControlAt(0, kLfoSyncSwitch);
  h.Click(h.CentreX(sync), h.CentreY(sync));
  h.Tick();
  EXPECT_EQ(h.Value(56), 1.0);
  const int division = h.Instance().Engine().Lfos().Settings(0).divisionIndex;
  EXPECT_EQ(rateText->Text(), kSyncDivisionLabels[division]);
}

TEST(EditorLfoRows, DivisionAndSkewNames) {
  EXPECT_STREQ(kSyncDivisionLabels[0], "8/1");
  EXPECT_STREQ(kSyncDivisionLabels[11], "1/2t");
  EXPECT_STREQ(kSyncDivisionLabels[16], "1/16d");
  EXPECT_STREQ(kSyncDivisionLabels[22], "1/32t");
  for (const char* label : kSyncDivisionLabels) EXPECT_LE(std::strlen(label), 7u);
  EXPECT_STREQ(SkewLabel(0), "Value");
  EXPECT_STREQ(SkewLabel(1), "PeakPos");
  EXPECT_STREQ(SkewLabel(2), "PulseWidth");
  EXPECT_STREQ(SkewLabel(3), "");
  EXPECT_STREQ(SkewLabel(6), "Glide");
  EXPECT_STREQ(SkewLabel(7), "");
  EXPECT_STREQ(SkewLabel(-1), "");
}

TEST(EditorStatistics, TheTextsFollowTheGrainsOfTheProcessedAudio) {
  EditorHarness h;
  EXPECT_EQ(h.Editor().GrainRateReadOut()->Text(), "0");
  h.Dispatch(vst2::kEffectSetSampleRate, 0, 0, nullptr, 44100.0f);
  h.Dispatch(vst2::kEffectSetBlockSize, 0, 512);
  h.Dispatch(vst2::kEffectMainsChanged, 0, 1);
  std::vector<float> in(512, 0.1f), out(512);
  float* ins[] = {in.data(), in.data()};
  float* outs[] = {out.data(), out.data()};
  // The first block hands over a second's figures at once, then about once a second.
  for (int block = 0; block < 90; ++block) h.effect->processReplacing(h.effect, ins, outs, 512);
  h.Tick();
  // Onset 20 ms: a grain every 880 samples, counted over the blocks of about a second.
  const int perSecond = std::stoi(h.Editor().GrainRateReadOut()->Text());
  EXPECT_GE(perSecond, 50);
  EXPECT_LE(perSecond, 52);
  EXPECT_NE(h.Editor().GrainDensityReadOut()->Text(), "0");
}

TEST(ValueEntry, ARightClickedFaderTakesATypedValueOnTheNextTick) {
  EditorHarness h;
  FakeWindow& window = h.OpenFakeWindow();
  IControl* length = h.Bound(0);
  h.RightClick(length);
  ASSERT_NE(window.box, nullptr);
  EXPECT_FALSE(window.request.list);
  EXPECT_EQ(window.request.rect, (Rect{127, 27, 163, 43}));
  EXPECT_EQ(window.box->text, "30.0");
  window.box->text = "75";
  h.Editor().Entry().SetState(EntryCommit);  // Return in the box
  EXPECT_DOUBLE_EQ(h.Value(0), 30.0);
  h.Tick();
  EXPECT_NEAR(h.Value(0), 75.0, 1e-9);
  EXPECT_EQ(window.box, nullptr);
  // Text that stands for no value leaves the value alone and closes the box, as a cancel.
  h.RightClick(length);
  window.box->text = "fast";
  h.Editor().Entry().SetState(EntryCommit);
  h.Tick();
  EXPECT_NEAR(h.Value(0), 75.0, 1e-9);
  EXPECT_EQ(window.box, nullptr);
  // The unit may follow the number; a number beyond the range is taken as its end.
  for (const auto& [typed, expected] : {std::pair<const char*, double>{"50 ms", 50.0},
                                        {" 42.5MS ", 42.5},
                                        {"1e4", 150.0},
                                        {"-3", 1.0}}) {
    h.RightClick(length);
    window.box->text = typed;
    h.Editor().Entry().SetState(EntryCommit);
    h.Tick();
    EXPECT_NEAR(h.Value(0), expected, 1e-9) << typed;
  }
}

TEST(ValueEntry, SelectorsGetAListAndRightClicksCancelOrOpenNothing) {
  EditorHarness h;
  FakeWindow& window = h.OpenFakeWindow();
  IControl* source = h.Bound(13);  // "Dir Mod"
  h.RightClick(source);
  ASSERT_NE(window.box, nullptr);
  ASSERT_TRUE(window.request.list);
  ASSERT_EQ(window.request.items.size(), 8u);
  EXPECT_EQ(window.request.selected, 0);
  EXPECT_EQ(window.request.rect.Width(), 8 * 5 + 24);  // "LFO 1"
  EXPECT_EQ(window.request.rect.Height(), 36 * 8 + 36);
  window.box->text = "LFO 6";
  h.Editor().Entry().SetState(EntryCommit);  // a choice in the list
  h.Tick();
  EXPECT_EQ(h.Display(13), "LFO 6");
  // A right click on the editor closes an open entry without changing anything.
  h.RightClick(source);
  window.box->text = "LFO 2";
  h.RightClick(h.Bound(0));
  EXPECT_EQ(h.Editor().Entry().State(), EntryCancel);
  h.Tick();
  EXPECT_EQ(window.box, nullptr);
  EXPECT_EQ(h.Display(13), "LFO 6");
  // Nothing opens over controls without a parameter.
  h.Click(795, 5, MouseMod{false, true});
  h.RightClick(h.Editor().GrainRateReadOut());
  EXPECT_FALSE(h.Editor().Entry().IsOpen());
}

TEST(ValueEntry, ARedrawRefreshesTheBoxOnlyWhenTheParameterMoved) {
  EditorHarness h;
  FakeWindow& window = h.OpenFakeWindow();
  h.RightClick(h.Bound(87));
  ASSERT_NE(window.box, nullptr);
  window.box->text = "0.7";  // the user is typing
  h.SetParameter(31, 0.5f);  // something else redraws
  h.Tick();
  EXPECT_EQ(h.Editor().Entry().State(), EntryRefresh);
  h.Tick();  // a tick that handles the entry draws nothing
  EXPECT_EQ(window.box->text, "0.7");
  h.SetParameter(87, 0.25f);  // automation moves the parameter itself
  h.Tick(2);
  EXPECT_EQ(window.box->text, "0.25");
  // A left click elsewhere commits the box and acts on what it hits.
  window.box->text = "0.5";
  IControl* midSide = h.Bound(86);
  h.Click(h.CentreX(midSide), h.CentreY(midSide));
  h.Tick();
  EXPECT_DOUBLE_EQ(h.Value(87), 0.5);
  EXPECT_EQ(h.Value(86), 1.0);
}

}  // namespace
}  // namespace editor_test
