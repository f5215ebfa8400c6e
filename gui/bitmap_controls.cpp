// Frame choice, switch stepping and knob dragging.
#include "gui/bitmap_controls.h"

#include <algorithm>

#include "gui/editor_surface.h"

namespace gui {

int FrameForValue(double value, int frames) {
  const double i = (frames - 1) * value + 0.5;
  // Negative, NaN and values past int's range all start from the first frame.
  if (!(i >= 0.0 && i < 2147483647.0)) return 1;
  return std::min(1 + int(i), std::max(frames, 1));
}

IBitmapControl::IBitmapControl(int x, int y, int parameter, const BitmapRef& bitmap,
                               BlendMethod blend)
    : IControl(Rect{x, y, x + bitmap.width, y + bitmap.FrameHeight()}, parameter, blend),
      bitmap_(bitmap) {}

int IBitmapControl::Frame() const {
  return bitmap_.frames < 2 ? 1 : FrameForValue(Value(), bitmap_.frames);
}

bool IBitmapControl::Draw(IEditorSurface& surface) {
  surface.Graphics().DrawBitmapFrame(bitmap_, DrawRect(), Frame(), &GetBlend());
  return true;
}

void ISwitchControl::MouseDown(int, int, const MouseMod& mod) {
  if (mod.right) {
    PromptForValue();
  } else {
    const int n = Bitmap().frames;
    SetValue(Value() + (n >= 2 ? 1.0 / (n - 1) : 1.0));
  }
  if (Value() > 1.001) SetValue(0.0);
  MarkDirty(true);
}

IKnobControl::IKnobControl(const Rect& rect, int parameter, KnobDirection direction, double gearing)
    : IControl(rect, parameter, BlendNone), direction_(direction), gearing_(gearing) {}

void IKnobControl::MouseDrag(int, int, int dx, int dy, const MouseMod& mod) {
  const double gearing = mod.ctrl || mod.shift ? gearing_ * 10.0 : gearing_;
  const Rect& r = DrawRect();
  if (direction_ == kVertical)
    SetValue(Value() + double(dy) / (r.top - r.bottom) / gearing);
  else
    SetValue(Value() + double(dx) / (r.right - r.left) / gearing);
  MarkDirty(true);
}

IKnobStripControl::IKnobStripControl(int x, int y, int parameter, const BitmapRef& bitmap,
                                     double gearing)
    : IKnobControl(Rect{x, y, x + bitmap.width, y + bitmap.FrameHeight()}, parameter, kVertical,
                   gearing),
      bitmap_(bitmap) {}

bool IKnobStripControl::Draw(IEditorSurface& surface) {
  surface.Graphics().DrawBitmapFrame(bitmap_, DrawRect(), FrameForValue(Value(), bitmap_.frames),
                                     &GetBlend());
  return true;
}

}  // namespace gui
