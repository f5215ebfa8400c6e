// Drawing, greying and changing text controls.
#include "gui/text_controls.h"

#include <algorithm>

#include "gui/editor_surface.h"

namespace gui {

using framework::ParameterDefinition;
using framework::ParameterType;

namespace {

Color GrayedOf(const Color& c) {
  return Color{255, std::max(c.red - 128, 0), std::max(c.green - 128, 0),
               std::max(c.blue - 128, 0)};
}

}  // namespace

ITextControl::ITextControl(const Rect& rect, const TextStyle& style, const char* text)
    : ITextControl(rect, -1, style, text) {}

ITextControl::ITextControl(const Rect& rect, int parameter, const TextStyle& style,
                           const char* text)
    : IControl(rect, parameter, BlendNone),
      style_(style),
      normal_(style.color),
      grayed_(GrayedOf(style.color)),
      text_(text != nullptr ? text : "") {}

bool ITextControl::Draw(IEditorSurface& surface) {
  if (!text_.empty()) surface.Graphics().DrawText(style_, text_.c_str(), DrawRect());
  return true;
}

void ITextControl::SetGrayed(bool grayed) {
  IControl::SetGrayed(grayed);
  style_.color = grayed ? grayed_ : normal_;
}

void ITextControl::SetText(const char* text) {
  if (text == nullptr) text = "";
  if (text_ == text) return;
  MarkDirty(false);
  text_ = text;
}

ParamTextControl::ParamTextControl(const Rect& rect, int parameter, const TextStyle& style,
                                   const ParameterDefinition* override, bool showDisplay,
                                   bool appendLabel, int direction, double gearing)
    : ITextControl(rect, parameter, style, ""),
      direction_(direction),
      gearing_(gearing),
      showDisplay_(showDisplay),
      appendLabel_(appendLabel),
      override_(override) {}

const ParameterDefinition* ParamTextControl::Shown() const {
  if (ParamIdx() < 0) return override_;
  return Surface() != nullptr ? Surface()->Definition(ParamIdx()) : nullptr;
}

void ParamTextControl::Wrap() {
  if (Value() < 0.0)
    SetValue(1.0);
  else if (Value() > 1.0)
    SetValue(0.0);
}

void ParamTextControl::MouseDrag(int, int, int dx, int dy, const MouseMod&) {
  const Rect& r = DrawRect();
  const double delta =
      direction_ == 0 ? double(dy) / (r.top - r.bottom) : double(dx) / (r.right - r.left);
  SetValue(Value() + delta / gearing_);
  Wrap();
  MarkDirty(true);
}

void ParamTextControl::MouseWheel(int, int, const MouseMod& mod, int steps) {
  const ParameterDefinition* p = Shown();
  double increment = steps * (mod.ctrl || mod.shift ? 0.001 : 0.01);
  if (p != nullptr && p->Type() != ParameterType::kDouble) {
    const double share = p->Step() / (p->Max() - p->Min());
    if (share != 0.0) increment = steps * share;
  }
  SetValue(Value() + increment);
  Wrap();
  MarkDirty(true);
}

bool ParamTextControl::Draw(IEditorSurface& surface) {
  if (showDisplay_) {
    if (const ParameterDefinition* p = Shown()) {
      // The editor's own copy of the value: the parameter's belongs to the plug-in's lock.
      const double plain =
          ParamIdx() < 0 ? p->ValueFromNormalized(Value()) : surface.PlainValue(ParamIdx());
      char text[64] = {};
      p->DisplayString(plain, false, text, sizeof text);
      std::string shown = text;
      if (appendLabel_) {
        shown += ' ';
        shown += p->Label();
      }
      ReplaceText(shown.c_str());
    }
  }
  return ITextControl::Draw(surface);
}

}  // namespace gui
