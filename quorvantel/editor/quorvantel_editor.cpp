// Building the editor's controls from the layout tables, and taking over the effect's feed.
#include "quorvantel/editor/quorvantel_editor.h"

#include <algorithm>
#include <cstdio>

#include "gui/bitmap_controls.h"
#include "gui/text_controls.h"
#include "quorvantel/editor/envelope_canvas.h"
#include "quorvantel/editor/images.h"
#include "quorvantel/editor/lfo_texts.h"
#include "quorvantel/editor/range_fader.h"
#include "quorvantel/editor/value_texts.h"

namespace quorvantel {

using namespace gui;

namespace {

constexpr double kKnobGearing = 4.0;
constexpr double kSourceGearing = 6.0;

TextStyle Aligned(TextStyle style, TextAlignment alignment) {
  style.alignment = alignment;
  return style;
}

}  // namespace

QuorvantelEditor::QuorvantelEditor(framework::IEditorLink& link, const EditorFeed& feed)
    : IEditorSurface(link, EditorImages(), kEditorWidth, kEditorHeight, 0),
      feed_(feed),
      knob_(LoadBitmap(kKnobId, kKnobName, 127)),
      switch_(LoadBitmap(kSwitchId, kSwitchName, 2)) {
  AttachBackground(kBackgroundId, kBackgroundName);
  BuildEnvelopeRows();
  BuildMixSection();
  BuildModulatedRows();
  AddSwitch(90, 400, kParamDelaySync);
  BuildLfoRows();
  BuildLabels();
  grainRate_ =
      Add(std::make_unique<ITextControl>(kGrainRateRect, Aligned(text_, kAlignRight), "0"));
  grainDensity_ =
      Add(std::make_unique<ITextControl>(kGrainDensityRect, Aligned(text_, kAlignRight), "0"));
  for (int i = 0; i < kExtraLabelCount; ++i) {
    const LabelRow& label = kExtraLabels[i];
    auto* text = Add(
        std::make_unique<ITextControl>(label.rect, Aligned(text_, label.alignment), label.text));
    if (i < modulation::kLfoCount) syncLabels_[i] = text;  // grayed with its LFO
  }
}

QuorvantelEditor::~QuorvantelEditor() { CloseWindow(); }

IControl* QuorvantelEditor::AddKnob(int x, int y, int parameter) {
  return Add(std::make_unique<IKnobStripControl>(x, y, parameter, knob_, kKnobGearing));
}

IControl* QuorvantelEditor::AddSwitch(int x, int y, int parameter) {
  return Add(std::make_unique<ISwitchControl>(x, y, parameter, switch_, BlendNone));
}

void QuorvantelEditor::BuildEnvelopeRows() {
  for (int k = 0; k < kEnvelopeRowCount; ++k) {
    const EnvelopeRow& row = kEnvelopeRows[k];
    auto* shape = Add(std::make_unique<ParamTextControl>(
        Rect{row.textX, row.textY, row.textX + 140, row.textY + 20}, row.shapeParameter, text_,
        nullptr, true, true, kVertical, kKnobGearing));
    canvases_[k] = Add(std::make_unique<IEnvelopeCanvas>(
        Rect{row.canvasX, row.canvasY, row.canvasX + 60, row.canvasY + 30}, envelopeTables_[k]));
    auto* skew = Add(std::make_unique<IKnobStripControl>(row.knobX, row.knobY, row.skewParameter,
                                                         knob_, kKnobGearing));
    observers_.Adopt(std::make_unique<EnvelopeControlGroup>(shape, skew, canvases_[k]));
  }
}

void QuorvantelEditor::BuildMixSection() {
  const TextStyle centred = Aligned(text_, kAlignCenter);
  midSide_ = AddSwitch(360, 320, kParamMidSide);
  IControl* dry = AddKnob(360, 260, kParamDry);
  observers_.Adopt(std::make_unique<ValueReadOut>(*this, Rect{355, 290, 390, 310}, centred, dry));
  IControl* wet = AddKnob(440, 260, kParamWet);
  observers_.Adopt(std::make_unique<ValueReadOut>(*this, Rect{435, 290, 470, 310}, centred, wet));
}

void QuorvantelEditor::BuildModulatedRows() {
  for (const ModulatedRow& row : kModulatedRows) {
    const int x = row.faderX, y = row.faderY;
    auto* fader = Add(std::make_unique<IRangeFaderControl>(x, y, row.value));
    auto* depth = Add(std::make_unique<IKnobStripControl>(row.x2 + 80, y, DepthParameter(row.value),
                                                          knob_, kKnobGearing));
    Add(std::make_unique<ParamTextControl>(Rect{row.x2 + 110, y, row.x2 + 140, y + 20},
                                           SourceParameter(row.value), text_, nullptr, true, false,
                                           kVertical, kSourceGearing));
    observers_.Adopt(std::make_unique<RangeFaderGroup>(depth, fader));
    auto readOut =
        std::make_unique<RangeFaderReadOut>(*this, Rect{x, y - 20, x + 60, y}, text_, fader);
    readOut->SetFormatter(row.formatter);
    if (row.midSideFormatter != nullptr) readOut->FollowSwitch(midSide_, row.midSideFormatter);
    observers_.Adopt(std::move(readOut));
  }
}

void QuorvantelEditor::BuildLfoRows() {
  for (int n = 1; n <= kLfoRowCount; ++n) {
    const LfoRow row = LfoRowAt(n);
    const int y = row.y;
    const LfoView& lfo = lfoViews_[n - 1];
    IControl** controls = lfoControls_[n - 1];
    auto* shape = Add(std::make_unique<ParamTextControl>(
        Rect{550, y, 610, y + 20}, row.shape, text_, nullptr, true, true, kVertical, kKnobGearing));
    controls[kLfoShapeText] = shape;
    controls[kLfoRateKnob] = AddKnob(615, y, row.rate);
    controls[kLfoSyncSwitch] = AddSwitch(650, y + 14, row.sync);
    observers_.Adopt(std::make_unique<LfoRateReadOut>(lfo, *this, Rect{650, y, 700, y + 12}, text_,
                                                      controls[kLfoRateKnob],
                                                      controls[kLfoSyncSwitch]));
    controls[kLfoSkewKnob] = AddKnob(700, y, row.skew);
    observers_.Adopt(std::make_unique<ValueReadOut>(*this, Rect{730, y, 760, y + 12}, text_,
                                                    controls[kLfoSkewKnob]));
    observers_.Adopt(std::make_unique<LfoSkewLabelReadOut>(
        lfo, *this, Rect{730, y + 12, 800, y + 24}, text_, shape, controls[kLfoSkewKnob]));
  }
}

void QuorvantelEditor::BuildLabels() {
  for (const LabelRow& label : kLabels)
    Add(std::make_unique<ITextControl>(label.rect, Aligned(text_, label.alignment), label.text));
}

bool QuorvantelEditor::ValueFromText(int index, const std::string& text, double* plain) const {
  const ParameterDefinition* parameter = Definition(index);
  return parameter != nullptr && quorvantel::ValueFromText(*parameter, index, text, plain);
}

std::string QuorvantelEditor::HintFor(int index) const {
  const ParameterDefinition* parameter = Definition(index);
  if (parameter == nullptr) return "";
  return std::string(parameter->Name()) + " " +
         ValueText(*parameter, index, PlainValue(index), [this](int i) { return PlainValue(i); });
}

void QuorvantelEditor::TakeHandOvers() {
  const std::uint32_t statistics = feed_.statisticsSerial.load(std::memory_order_acquire);
  if (statistics != statisticsSeen_) {
    statisticsSeen_ = statistics;
    char text[16];
    std::snprintf(text, sizeof text, "%d", feed_.grainsPerSecond.load(std::memory_order_relaxed));
    grainRate_->SetText(text);
    std::snprintf(text, sizeof text, "%d", feed_.density.load(std::memory_order_relaxed));
    grainDensity_->SetText(text);
  }

  for (int n = 0; n < modulation::kLfoCount; ++n) {
    const EditorFeed::Lfo& source = feed_.lfos[n];
    lfoViews_[n].shape =
        std::clamp(source.shape.load(std::memory_order_relaxed), 0, modulation::kLfoShapeCount - 1);
    lfoViews_[n].sync = source.sync.load(std::memory_order_relaxed) != 0;
    lfoViews_[n].division =
        std::clamp(source.division.load(std::memory_order_relaxed), 0, modulation::kSyncDivisionCount - 1);
  }

  const std::uint32_t greying = feed_.greyingSerial.load(std::memory_order_acquire);
  if (greying != greyingSeen_) {
    greyingSeen_ = greying;
    const std::uint32_t unused = feed_.unusedLfos.load(std::memory_order_relaxed);
    for (int n = 0; n < modulation::kLfoCount; ++n) {
      for (IControl* control : lfoControls_[n]) {
        control->SetGrayed((unused >> n) & 1u);
        control->MarkDirty(false);
        control->SetRedrawRequest();
      }
      syncLabels_[n]->SetGrayed((unused >> n) & 1u);
    }
  }

  for (int k = 0; k < engine::kEnvelopeSlotCount; ++k)
    if (feed_.envelopes[k].TakeIfChanged(envelopeTables_[k], &envelopeSeen_[k]))
      canvases_[k]->MarkDirty(false);
}

}  // namespace quorvantel
