// The ten window builders of the envelope slots, all in double precision from the float skew.
#include "engine/envelope_window.h"

#include <cmath>
#include <numbers>

namespace engine {

namespace {

constexpr int N = kWindowSize;
constexpr double kTwoPiOver199 = 0.03157379551346526;

void Rectangle(double, double* w) {
  for (int i = 0; i < N; ++i) w[i] = 1.0;
}

// Rises to 1 at entry P = trunc(200 s), then falls towards 0 one entry past the end.
void Triangle(double s, double* w) {
  const int p = static_cast<int>(200.0 * s);
  if (p > 0) {
    const int last = p < N - 1 ? p : N - 1;
    for (int i = 0; i <= last; ++i) w[i] = static_cast<double>(i) / p;
  }
  if (p < N - 1) {
    for (int i = p; i < N; ++i) w[i] = static_cast<double>(N - i) / (N - p);
  }
}

void Hann(double, double* w) {
  for (int i = 0; i < N; ++i) w[i] = 0.5 - 0.5 * std::cos(i * kTwoPiOver199);
}

void Hamming(double, double* w) {
  for (int i = 0; i < N; ++i) w[i] = 0.54 - 0.46 * std::cos(i * kTwoPiOver199);
}

// Cosine tapers over the fraction s of the table, flat top between them.
void Tukey(double s, double* w) {
  constexpr double pi = std::numbers::pi;
  const int n1 = static_cast<int>(0.5 * 200.0 * s);
  const int n2 = static_cast<int>(200.0 * (1.0 - 0.5 * s));
  for (int i = 0; i < N; ++i) {
    if (i < n1) {
      w[i] = 0.5 * (1.0 + std::cos(pi * (i * (2.0 / (200.0 * s)) - 1.0)));
    } else if (i < n2) {
      w[i] = 1.0;
    } else {
      w[i] = 0.5 * (1.0 + std::cos(pi * (i * (2.0 / (200.0 * s)) - 2.0 / s + 1.0)));
    }
  }
}

// Sigma from 0.995 entries (s = 0) to 49.75 entries (s = 1) around the centre 99.5.
void Gaussian(double s, double* w) {
  const double scale = 1.0 / ((0.49 * s + 0.01) * 99.5);
  for (int i = 0; i < N; ++i) {
    const double t = (i - 99.5) * scale;
    w[i] = std::exp(-0.5 * t * t);
  }
}

// Linear ramps of R = trunc(100 s) entries around a flat top.
void Trapezoid(double s, double* w) {
  const int r = static_cast<int>(200.0 * s * 0.5);
  for (int i = 0; i < N; ++i) w[i] = 1.0;
  if (r > 0) {
    for (int i = 0; i < r && i < N; ++i) w[i] = static_cast<double>(i) / r;
    for (int i = N - r < 0 ? 0 : N - r; i < N; ++i) w[i] = static_cast<double>(N - i) / r;
  }
}

// exp(-11 s (200 - i) / 200), accumulated as the exponent grows entry by entry.
void Exponential(double s, double* w) {
  const double norm = 1.0 / std::exp(7.0 * s);
  const double step = 11.0 * s / 200.0;
  double x = -4.0 * s;
  for (int i = 0; i < N; ++i) {
    w[i] = std::exp(x) * norm;
    x += step;
  }
}

// exp(-11 s i / 200), accumulated as the exponent falls entry by entry.
void RevExponential(double s, double* w) {
  const double norm = 1.0 / std::exp(7.0 * s);
  const double step = 11.0 * s / 200.0;
  double x = 7.0 * s;
  for (int i = 0; i < N; ++i) {
    w[i] = std::exp(x) * norm;
    x -= step;
  }
}

// Weibull density with shape k = 1 + 2 s over x = 0 .. 2.985, scaled by 1 / (max - min).
void Weibull(double s, double* w) {
  const double k = 1.0 + 2.0 * s;
  double hi = -99999.0;
  double lo = 99999.0;
  for (int i = 0; i < N; ++i) {
    const double x = 0.015 * i;
    w[i] = k * std::pow(x, k - 1.0) * std::exp(-std::pow(x, k));  // pow(0, 0) is 1
    if (w[i] > hi) hi = w[i];
    if (w[i] < lo) lo = w[i];
  }
  if ((lo == 0.0 && hi == 1.0) || hi - lo == 0.0) return;
  const double scale = 1.0 / (hi - lo);
  for (int i = 0; i < N; ++i) w[i] *= scale;
}

using Builder = void (*)(double, double*);
constexpr Builder kBuilders[kWindowShapeCount] = {
    Rectangle,       // 0 "Rectangle"
    Triangle,        // 1 "Triangle"
    Hann,            // 2 "Hann"
    Hamming,         // 3 "Hamming"
    Tukey,           // 4 "Tukey"
    Gaussian,        // 5 "Gaussian"
    Trapezoid,       // 6 "Trapezoid"
    Exponential,     // 7 "Exponential"
    RevExponential,  // 8 "Rev Exponential"
    Weibull,         // 9 "Weibull"
};

}  // namespace

bool FillWindow(int shape, double s, double* w) {
  if (shape < 0 || shape >= kWindowShapeCount) return false;
  if (!(s >= 0.0)) s = 0.0;  // also catches NaN
  if (s > 1.0) s = 1.0;
  kBuilders[shape](s, w);
  return true;
}

// The entries after the last repeat it: a grain's last step interpolates towards its own end,
// never back to the start of the window.
void AddGuardEntries(double* w) { w[kWindowSize] = w[kWindowSize + 1] = w[kWindowSize - 1]; }

EnvelopeSlot::EnvelopeSlot() {
  FillWindow(kExponential, 0.5, table.data());
  AddGuardEntries(table.data());
}

void BuildWindow(EnvelopeSlot& slot) {
  if (FillWindow(slot.shape, static_cast<double>(slot.skew), slot.table.data())) {
    AddGuardEntries(slot.table.data());
  }
}

}  // namespace engine
