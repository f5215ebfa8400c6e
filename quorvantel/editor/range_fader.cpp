// Fader position to value, the depth band, and drawing track, default tick and value box.
#include "quorvantel/editor/range_fader.h"

#include <algorithm>

#include "gui/editor_surface.h"

namespace quorvantel {

using namespace gui;

namespace {

const Color kGray{255, 127, 127, 127};
const Color kWhite{255, 255, 255, 255};

}  // namespace

IRangeFaderControl::IRangeFaderControl(int x, int y, int parameter)
    : IControl(Rect{x, y, x + kTrackLength + 1, y + kThumbLength + 1}, parameter, BlendNone),
      track_{x, y + 4, x + kTrackLength + 1, y + 6},
      bandLow_(Value()),
      bandHigh_(Value()) {}

void IRangeFaderControl::FollowPointer(int x) {
  const double v = double(x - kThumbLength / 2 - DrawRect().left) / kTravel;
  SetValue(std::clamp(v, allowedLow_, allowedHigh_));
  MarkDirty(true);
}

void IRangeFaderControl::MouseDown(int x, int y, const MouseMod& mod) {
  if (mod.right) {
    IControl::MouseDown(x, y, mod);
    return;
  }
  FollowPointer(x);
}

void IRangeFaderControl::MouseDrag(int x, int, int, int, const MouseMod&) { FollowPointer(x); }

void IRangeFaderControl::SetDepth(double d) {
  depth_ = d;
  allowedLow_ = 0.5 - (1.0 - d) * 0.5;
  allowedHigh_ = 0.5 + (1.0 - d) * 0.5;
  double lo = Value() - d * 0.5;
  double hi = Value() + d * 0.5;
  if (lo < 0.0) hi -= lo;
  if (hi > 1.0) lo -= hi - 1.0;
  bandLow_ = std::clamp(lo, 0.0, 1.0);
  bandHigh_ = std::clamp(hi, 0.0, 1.0);
  SetValue(std::clamp((bandLow_ + bandHigh_) * 0.5, 0.0, 1.0));
}

void IRangeFaderControl::MarkDirty(bool push) {
  IControl::MarkDirty(push);
  bandLow_ = Value() - depth_ * 0.5;
  bandHigh_ = Value() + depth_ * 0.5;
}

bool IRangeFaderControl::Draw(IEditorSurface& surface) {
  DrawContext& g = surface.Graphics();
  const Rect& r = DrawRect();
  bandLow_ = Value() - depth_ * 0.5;
  bandHigh_ = Value() + depth_ * 0.5;
  g.FillRect(kGray, track_, nullptr);
  // The tick at the default value: the first value the plug-in sent.
  const int off = int(DefaultValue() * kTravel);
  const int tickX = r.left + kThumbLength / 2 + off;
  g.DrawRect(kGray, Rect{tickX, r.top + 1, tickX, r.top + 8});
  // The value box, as wide as the band, brightens what lies beneath.
  const int m = int(Value() * kTravel), s = int(kTravel * depth_) / 2;
  const Blend add{BlendAdd, 0.25f};
  g.FillRect(kWhite, Rect{r.left + m - s, r.top, r.left + kThumbLength + m + s, r.top + 10}, &add);
  return true;
}

}  // namespace quorvantel
