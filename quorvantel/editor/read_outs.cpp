// Fader groups, band formatters and the value, rate and skew-name read-outs.
#include "quorvantel/editor/read_outs.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "gui/bitmap_controls.h"
#include "gui/editor_surface.h"
#include "gui/text_controls.h"
#include "quorvantel/editor/lfo_texts.h"
#include "quorvantel/editor/range_fader.h"

namespace quorvantel {

using namespace gui;

namespace {

std::string Printf(const char* format, double a) {
  char text[64];
  std::snprintf(text, sizeof text, format, a);
  return text;
}

// "C" at 0.5, else the distance from it in whole percent with the side's letter.
std::string SideText(double v, char low, char high) {
  if (v == 0.5) return "C";
  // Whole percent, truncated, with an int that cannot overflow for any v in 0..1.
  const int p = int(std::fabs(0.5 - std::clamp(v, -1.0, 2.0)) * 2.0 * 100.0);
  char text[32];
  std::snprintf(text, sizeof text, "%d%%%c", p, v < 0.5 ? low : high);
  return text;
}

std::string PanText(double v) { return SideText(v, 'L', 'R'); }

// "%d" of the truncated value; values no int holds print their truncation in full.
std::string IntegerText(double v) {
  if (!(v > -2147483649.0 && v < 2147483648.0)) return Printf("%.0f", std::trunc(v));
  char text[16];
  std::snprintf(text, sizeof text, "%d", int(v));
  return text;
}

ITextControl* AddText(IEditorSurface& surface, const Rect& rect, const TextStyle& style) {
  return surface.Add(std::make_unique<ITextControl>(rect, style, ""));
}

}  // namespace

std::string FormatTwoDecimals(double a, double b) {
  if (a == b) return Printf("%.2lf", a);
  return Printf("%.2lf", a) + " ~ " + Printf("%.2lf", b);
}

std::string FormatInteger(double a, double b) {
  if (a == b) return IntegerText(a);
  return IntegerText(a) + " ~ " + IntegerText(b);
}

std::string FormatPan(double a, double b) {
  if (a == b) return PanText(a);
  return PanText(a) + " ~ " + PanText(b);
}

std::string FormatSource(double a, double b) {
  if (a == b) return SideText(a, 'R', 'L');
  return SideText(a, 'R', 'L') + " ~ " + SideText(b, 'R', 'L');
}

std::string FormatSourceMidSide(double a, double b) {
  if (a == b) return SideText(a, 'S', 'M');
  return SideText(a, 'S', 'M') + " ~ " + SideText(b, 'S', 'M');
}

RangeFaderGroup::RangeFaderGroup(IKnobStripControl* depthKnob, IRangeFaderControl* fader)
    : depthKnob_(depthKnob), fader_(fader) {
  depthKnob_->AttachObserver(this);
}

RangeFaderGroup::~RangeFaderGroup() { depthKnob_->DetachObserver(this); }

void RangeFaderGroup::Update() {
  fader_->SetDepth(depthKnob_->Value());
  fader_->MarkDirty(false);
  fader_->SetRedrawRequest();
}

RangeFaderReadOut::RangeFaderReadOut(IEditorSurface& surface, const Rect& rect,
                                     const TextStyle& style, IRangeFaderControl* fader)
    : fader_(fader),
      text_(AddText(surface, rect, style)),
      parameter_(surface.Definition(fader->ParamIdx())) {
  fader_->AttachObserver(this);
}

RangeFaderReadOut::~RangeFaderReadOut() {
  fader_->DetachObserver(this);
  if (modeSwitch_ != nullptr) modeSwitch_->DetachObserver(this);
}

void RangeFaderReadOut::FollowSwitch(IControl* modeSwitch, BandFormatter whenOn) {
  modeSwitch_ = modeSwitch;
  whenOn_ = whenOn;
  modeSwitch_->AttachObserver(this);
}

void RangeFaderReadOut::Update() {
  if (parameter_ == nullptr) return;
  const double a = parameter_->ValueFromNormalized(fader_->BandLow());
  const double b = parameter_->ValueFromNormalized(fader_->BandHigh());
  const bool on = modeSwitch_ != nullptr && modeSwitch_->Value() > 0.5;
  text_->SetGrayed(fader_->IsGrayed());
  text_->SetText((on ? whenOn_ : formatter_)(a, b).c_str());
}

ValueReadOut::ValueReadOut(IEditorSurface& surface, const Rect& rect, const TextStyle& style,
                           IControl* control)
    : surface_(surface), control_(control), text_(AddText(surface, rect, style)) {
  control_->AttachObserver(this);
}

ValueReadOut::~ValueReadOut() { control_->DetachObserver(this); }

void ValueReadOut::Update() {
  text_->SetGrayed(control_->IsGrayed());
  text_->SetHidden(control_->IsHidden());
  text_->SetText(Printf("%.2f", surface_.PlainValue(control_->ParamIdx())).c_str());
}

LfoRateReadOut::LfoRateReadOut(const LfoView& lfo, IEditorSurface& surface, const Rect& rect,
                               const TextStyle& style, IControl* rateKnob, IControl* syncSwitch)
    : lfo_(lfo),
      surface_(surface),
      rateKnob_(rateKnob),
      syncSwitch_(syncSwitch),
      text_(AddText(surface, rect, style)) {
  rateKnob_->AttachObserver(this);
  syncSwitch_->AttachObserver(this);
}

LfoRateReadOut::~LfoRateReadOut() {
  rateKnob_->DetachObserver(this);
  syncSwitch_->DetachObserver(this);
}

void LfoRateReadOut::Update() {
  text_->SetGrayed(rateKnob_->IsGrayed());
  text_->SetHidden(rateKnob_->IsHidden());
  if (lfo_.sync)
    text_->SetText(kSyncDivisionLabels[lfo_.division]);
  else
    text_->SetText(Printf("%.2f Hz", surface_.PlainValue(rateKnob_->ParamIdx())).c_str());
}

LfoSkewLabelReadOut::LfoSkewLabelReadOut(const LfoView& lfo, IEditorSurface& surface,
                                         const Rect& rect, const TextStyle& style,
                                         IControl* shapeControl, IControl* skewKnob)
    : lfo_(lfo),
      shapeControl_(shapeControl),
      skewKnob_(skewKnob),
      text_(AddText(surface, rect, style)) {
  shapeControl_->AttachObserver(this);
}

LfoSkewLabelReadOut::~LfoSkewLabelReadOut() { shapeControl_->DetachObserver(this); }

void LfoSkewLabelReadOut::Update() {
  const char* name = SkewLabel(lfo_.shape);
  if (name[0] != '\0' && !shapeControl_->IsHidden()) {
    skewKnob_->SetHidden(false);
    text_->SetHidden(false);
    text_->SetGrayed(shapeControl_->IsGrayed());
    text_->SetText(name);
  } else {
    skewKnob_->SetHidden(true);
    text_->SetHidden(true);
  }
}

}  // namespace quorvantel
