// The envelope canvas: a plot of one envelope slot's window table, and the group that redraws it
// when the slot's shape or skew control changes.
#pragma once

#include "engine/grain_pair.h"
#include "gui/control.h"

namespace gui {
class IKnobStripControl;
class ParamTextControl;
}  // namespace gui

namespace quorvantel {

// Red columns rising from the bottom inside a white frame on black, one per plot column,
// interpolated linearly between neighbouring table entries. Display only: no parameter.
class IEnvelopeCanvas : public gui::IControl {
 public:
  static constexpr int kTableLength = engine::kWindowSize;

  // table: kTableLength values in 0..1 that stay valid for the canvas's life; the canvas reads
  // them at every draw.
  IEnvelopeCanvas(const gui::Rect& rect, const double* table);
  bool Draw(gui::IEditorSurface& surface) override;

 private:
  const double* table_;
};

// Watches the shape text and the skew knob; redraws the canvas (on two ticks) when either value,
// compared as a 32-bit float, differs from the last one seen.
class EnvelopeControlGroup : public gui::IObserverInterface {
 public:
  EnvelopeControlGroup(gui::ParamTextControl* shape, gui::IKnobStripControl* skew,
                       IEnvelopeCanvas* canvas);
  ~EnvelopeControlGroup() override;
  void Update() override;

 private:
  gui::ParamTextControl* shape_;
  gui::IKnobStripControl* skew_;
  IEnvelopeCanvas* canvas_;
  float lastShape_;
  float lastSkew_;
};

}  // namespace quorvantel
