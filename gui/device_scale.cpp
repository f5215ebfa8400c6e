// Rounding between editor and device pixels.
#include "gui/device_scale.h"

#include <cmath>
#include <cstdlib>

namespace gui {
namespace {

// Coordinates far outside any window stay in int range after scaling.
constexpr double kCoordinateLimit = 1 << 28;

int Rounded(double v) {
  return int(std::floor(std::fmin(std::fmax(v, -kCoordinateLimit), kCoordinateLimit) + 0.5));
}

}  // namespace

double ClampScale(double factor) {
  if (!std::isfinite(factor)) return 1.0;
  return factor < kMinScale ? kMinScale : factor > kMaxScale ? kMaxScale : factor;
}

double ScaleFromText(const char* text) {
  if (text == nullptr) return 0.0;
  char* end = nullptr;
  const double v = std::strtod(text, &end);
  if (end == text) return 0.0;
  while (*end == ' ' || *end == '\t') ++end;
  if (*end != '\0' || !std::isfinite(v)) return 0.0;
  return ClampScale(v);
}

DeviceScale::DeviceScale(double factor) : factor_(ClampScale(factor)) {}

int DeviceScale::ToDevice(int v) const { return IsOne() ? v : Rounded(v * factor_); }

int DeviceScale::LengthToDevice(double v) const { return Rounded(v * factor_); }

int DeviceScale::ToEditor(int d) const {
  if (IsOne()) return d;
  // Far beyond any screen (and so beyond the clamping in ToDevice, which would never end the
  // search below) every answer is as good as the next.
  constexpr int kLimit = 1 << 26;
  d = d < -kLimit ? -kLimit : d > kLimit ? kLimit : d;
  // The estimate is off by at most one either way; the edges decide.
  int e = int(std::floor(d / factor_));
  while (ToDevice(e) > d) --e;
  while (ToDevice(e + 1) <= d) ++e;
  return e;
}

int DeviceScale::LengthToEditor(int d) const {
  return IsOne() ? d : int(std::ceil(d / factor_ - 1e-9));
}

Rect DeviceScale::ToDevice(const Rect& r) const {
  if (IsOne() || r.IsEmpty()) return r;
  return Rect{ToDevice(r.left), ToDevice(r.top), ToDevice(r.right), ToDevice(r.bottom)};
}

Rect DeviceScale::ToEditor(const Rect& r) const {
  if (IsOne() || r.IsEmpty()) return r;
  return Rect{ToEditor(r.left), ToEditor(r.top), ToEditor(r.right - 1) + 1,
              ToEditor(r.bottom - 1) + 1};
}

}  // namespace gui
