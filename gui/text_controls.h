// The stock text controls: a fixed or replaceable text, and the text that shows a parameter's
// display value and changes it by dragging or the wheel, wrapping past either end.
#pragma once

#include <string>

#include "framework/parameter.h"
#include "gui/control.h"

namespace gui {

// A text in one style; no parameter. Grayed, it draws in its grayed colour: each of red, green
// and blue 128 darker (floored at 0), alpha 255.
class ITextControl : public IControl {
 public:
  ITextControl(const Rect& rect, const TextStyle& style, const char* text);
  bool Draw(IEditorSurface& surface) override;
  void SetGrayed(bool grayed) override;
  // Marks the control dirty unless the text is unchanged.
  void SetText(const char* text);
  const std::string& Text() const { return text_; }
  const TextStyle& Style() const { return style_; }

 protected:
  ITextControl(const Rect& rect, int parameter, const TextStyle& style, const char* text);
  void ReplaceText(const char* text) { text_ = text; }

 private:
  TextStyle style_;
  Color normal_;
  Color grayed_;
  std::string text_;
};

// Shows the parameter's display text (and label); a drag or wheel moves the value and wraps it
// around at either end. With an override definition (index < 0) that one is shown, with the
// plain value the control's own value maps to.
class ParamTextControl : public ITextControl {
 public:
  ParamTextControl(const Rect& rect, int parameter, const TextStyle& style,
                   const framework::ParameterDefinition* override, bool showDisplay,
                   bool appendLabel, int direction, double gearing);
  void MouseDrag(int x, int y, int dx, int dy, const MouseMod& mod) override;
  void MouseWheel(int x, int y, const MouseMod& mod, int steps) override;
  bool Draw(IEditorSurface& surface) override;

 private:
  const framework::ParameterDefinition* Shown() const;
  void Wrap();

  int direction_;
  double gearing_;
  bool showDisplay_;
  bool appendLabel_;
  const framework::ParameterDefinition* override_;
};

}  // namespace gui
