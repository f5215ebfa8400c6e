// The range fader: a horizontal fader for a modulated setting's value that also paints the band
// its modulation depth sweeps around the value.
#pragma once

#include "gui/control.h"

namespace quorvantel {

// Drawing rectangle (x, y, x + 151, y + 11). The value follows the pointer (absolute position
// along the 140-pixel travel), held inside the range the depth allows.
class IRangeFaderControl : public gui::IControl {
 public:
  static constexpr int kTrackLength = 150;  // travel in pixels, thumb included
  static constexpr int kThumbLength = 10;
  static constexpr int kTravel = kTrackLength - kThumbLength;

  IRangeFaderControl(int x, int y, int parameter);

  // Left button: the value jumps to the pointer and is sent; right button: the value entry.
  void MouseDown(int x, int y, const gui::MouseMod& mod) override;
  void MouseDrag(int x, int y, int dx, int dy, const gui::MouseMod& mod) override;
  bool Draw(gui::IEditorSurface& surface) override;
  // Also moves the band with the value, so the read-out, which runs before the next drawing,
  // prints the value just set rather than the one drawn before it.
  void MarkDirty(bool push) override;

  // Takes a new depth (normalised): narrows the allowed range to [d/2, 1 - d/2], stores the band
  // pushed inside 0..1 and recentres the value on it (shown, not sent).
  void SetDepth(double depth);
  double Depth() const { return depth_; }
  double BandLow() const { return bandLow_; }
  double BandHigh() const { return bandHigh_; }
  double AllowedLow() const { return allowedLow_; }
  double AllowedHigh() const { return allowedHigh_; }

 private:
  void FollowPointer(int x);

  gui::Rect track_;
  double depth_ = 0.0;
  double allowedLow_ = 0.0, allowedHigh_ = 1.0;
  double bandLow_, bandHigh_;
};

}  // namespace quorvantel
