// Plotting an envelope table and redrawing it when its controls change.
#include "quorvantel/editor/envelope_canvas.h"

#include <cmath>

#include "gui/bitmap_controls.h"
#include "gui/editor_surface.h"
#include "gui/text_controls.h"

namespace quorvantel {

using namespace gui;

IEnvelopeCanvas::IEnvelopeCanvas(const Rect& rect, const double* table)
    : IControl(rect, -1, BlendNone), table_(table) {}

bool IEnvelopeCanvas::Draw(IEditorSurface& surface) {
  DrawContext& g = surface.Graphics();
  const Rect& r = DrawRect();
  const int w = r.right - r.left - 2, h = r.bottom - r.top - 2;
  g.FillRect(Color{255, 0, 0, 0}, r, nullptr);
  g.DrawRect(Color{255, 255, 255, 255}, r);
  if (w < 1) return true;
  const float step = float(kTableLength) / float(w);
  float pos = 0.0f;
  for (int i = 0; i < w; ++i) {
    const int k = int(std::floor(pos));
    const float f = pos - float(k);
    pos += step;
    // The last column may sit on the final entry; never read past the table.
    const double next = table_[k + 1 < kTableLength ? k + 1 : k];
    const double v = (1.0 - f) * table_[k] + f * next;
    g.DrawVerticalLine(Color{255, 255, 0, 0}, r.left + 1 + i, r.bottom - 1 - int(v * h),
                       r.bottom - 1);
  }
  return true;
}

EnvelopeControlGroup::EnvelopeControlGroup(ParamTextControl* shape, IKnobStripControl* skew,
                                           IEnvelopeCanvas* canvas)
    : shape_(shape),
      skew_(skew),
      canvas_(canvas),
      lastShape_(float(shape->Value())),
      lastSkew_(float(skew->Value())) {
  shape_->AttachObserver(this);
  skew_->AttachObserver(this);
}

EnvelopeControlGroup::~EnvelopeControlGroup() {
  shape_->DetachObserver(this);
  skew_->DetachObserver(this);
}

void EnvelopeControlGroup::Update() {
  const float s = float(shape_->Value()), k = float(skew_->Value());
  if (s == lastShape_ && k == lastSkew_) return;
  canvas_->MarkDirty(false);
  canvas_->SetRedrawRequest();
  lastShape_ = s;
  lastSkew_ = k;
}

}  // namespace quorvantel
