// The factor between editor pixels and device pixels. The layout, hit tests and every control
// rectangle use editor pixels (the 800 × 600 of the editor at any scale); the draw bitmap, the
// window and the mouse positions a window system reports use device pixels.
#pragma once

#include "gui/records.h"

namespace gui {

// The range of factors the editor draws at.
constexpr double kMinScale = 1.0;
constexpr double kMaxScale = 3.0;

// A factor in kMinScale..kMaxScale: values outside are clamped, NaN and infinities give 1.
double ClampScale(double factor);

// The factor a text gives ("2", "1.5", " 1.25 "), clamped; 0 when the text is null, empty or
// anything but one number.
double ScaleFromText(const char* text);

// Editor and device pixels at one factor. Pixel edges map by rounding, so neighbouring editor
// rectangles stay neighbours on the device and every device pixel belongs to exactly one editor
// pixel. At factor 1 both are the same.
class DeviceScale {
 public:
  explicit DeviceScale(double factor = 1.0);

  double Factor() const { return factor_; }
  bool IsOne() const { return factor_ == 1.0; }
  bool operator==(const DeviceScale& other) const { return factor_ == other.factor_; }

  // The device edge of an editor edge: round(v × factor).
  int ToDevice(int v) const;
  // A device length (a size, a distance) of an editor length, rounded.
  int LengthToDevice(double v) const;
  // The editor pixel that holds device pixel d: ToDevice(e) <= d < ToDevice(e + 1).
  int ToEditor(int d) const;
  // A device length in editor pixels, rounded up.
  int LengthToEditor(int d) const;
  // The device pixels of an editor rectangle (the empty one stays empty).
  Rect ToDevice(const Rect& r) const;
  // The smallest editor rectangle that covers the device rectangle.
  Rect ToEditor(const Rect& r) const;

 private:
  double factor_;
};

}  // namespace gui
