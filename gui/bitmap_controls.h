// The stock bitmap controls: a bitmap showing a frame chosen by the value, the switch that steps
// through its frames on a click, and the knob that a vertical or horizontal drag turns.
#pragma once

#include "gui/control.h"

namespace gui {

// Frame i = 1 + round((N - 1) × value) of an N-frame bitmap (1 for N < 2), drawn with the
// control's blend. Drawing rectangle: (x, y) and the size of one frame.
class IBitmapControl : public IControl {
 public:
  IBitmapControl(int x, int y, int parameter, const BitmapRef& bitmap, BlendMethod blend);
  bool Draw(IEditorSurface& surface) override;
  const BitmapRef& Bitmap() const { return bitmap_; }

 protected:
  // The 1-based frame for the current value.
  int Frame() const;

 private:
  BitmapRef bitmap_;
};

// Each left click steps the value by one frame, wrapping past the last to 0; a right click opens
// the value entry and sends the value again.
class ISwitchControl : public IBitmapControl {
 public:
  using IBitmapControl::IBitmapControl;
  void MouseDown(int x, int y, const MouseMod& mod) override;
};

enum KnobDirection : int { kVertical = 0, kHorizontal = 1 };

// A knob turned by dragging: a full turn takes the control's height (width) times the gearing,
// ten times as far with ctrl or shift.
class IKnobControl : public IControl {
 public:
  IKnobControl(const Rect& rect, int parameter, KnobDirection direction, double gearing);
  void MouseDrag(int x, int y, int dx, int dy, const MouseMod& mod) override;

 private:
  KnobDirection direction_;
  double gearing_;
};

// A knob drawn as one frame of a filmstrip bitmap.
class IKnobStripControl : public IKnobControl {
 public:
  IKnobStripControl(int x, int y, int parameter, const BitmapRef& bitmap, double gearing);
  bool Draw(IEditorSurface& surface) override;

 private:
  BitmapRef bitmap_;
};

// The frame for value in an n-frame strip: 1 + int((n - 1) × value + 0.5), 1 when that is
// negative or does not fit an int, at most n.
int FrameForValue(double value, int frames);

}  // namespace gui
