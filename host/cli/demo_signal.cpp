// The demo phrase: Karplus-Strong plucks, a chord and noise bursts on a fixed timeline.
#include "host/cli/demo_signal.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace qvcli {
namespace {

// Reproducible noise in -1..1.
class Noise {
 public:
  float Next() {
    state_ = state_ * 1664525u + 1013904223u;
    return static_cast<float>(state_ >> 8) / 8388608.0f - 1.0f;
  }

 private:
  std::uint32_t state_ = 0x51F15EEDu;
};

// A plucked string: a noise burst circulating in a delay line of one period, averaged each trip.
void Pluck(std::vector<float>& out, int sampleRate, double start, double frequency, double seconds,
           float gain, Noise& noise) {
  const int period = std::max(2, static_cast<int>(std::lround(sampleRate / frequency)));
  std::vector<float> line(static_cast<std::size_t>(period));
  for (float& v : line) v = noise.Next();
  const auto first = static_cast<std::size_t>(start * sampleRate);
  const auto length = static_cast<std::size_t>(seconds * sampleRate);
  std::size_t k = 0;
  for (std::size_t i = 0; i < length && first + i < out.size(); ++i) {
    const std::size_t next = (k + 1) % line.size();
    const float v = line[k];
    line[k] = 0.498f * (v + line[next]);  // slightly below 0.5: the note decays
    k = next;
    out[first + i] += gain * v;
  }
}

// A short burst of noise with an exponential decay, like a shaker.
void Burst(std::vector<float>& out, int sampleRate, double start, double seconds, float gain,
           Noise& noise) {
  const auto first = static_cast<std::size_t>(start * sampleRate);
  const auto length = static_cast<std::size_t>(seconds * sampleRate);
  float lowpassed = 0.0f;
  for (std::size_t i = 0; i < length && first + i < out.size(); ++i) {
    const float decay = std::exp(-6.0f * static_cast<float>(i) / static_cast<float>(length));
    const float n = noise.Next();
    lowpassed += 0.5f * (n - lowpassed);
    out[first + i] += gain * decay * (n - lowpassed);  // the high half of the noise
  }
}

double Note(int semitonesFromA4) { return 440.0 * std::pow(2.0, semitonesFromA4 / 12.0); }

}  // namespace

std::vector<float> DemoPhrase(double seconds, int sampleRate) {
  std::vector<float> out(static_cast<std::size_t>(std::max(0.0, seconds) * sampleRate), 0.0f);
  Noise noise;
  // A rising figure, a pause, a chord, bursts; repeated every 4 seconds for longer phrases.
  static constexpr struct {
    double at;
    int note;
  } kMelody[] = {{0.00, -9}, {0.25, -5}, {0.50, -2}, {0.75, 3}, {1.25, 0}};
  static constexpr int kChord[] = {-21, -14, -9, -5, -2};
  for (double base = 0.0; base < seconds; base += 4.0) {
    for (const auto& m : kMelody)
      Pluck(out, sampleRate, base + m.at, Note(m.note), 1.2, 0.5f, noise);
    for (int i = 0; i < 5; ++i) {
      Pluck(out, sampleRate, base + 2.0 + 0.03 * i, Note(kChord[i]), 1.5, 0.3f, noise);
    }
    for (int i = 0; i < 3; ++i) Burst(out, sampleRate, base + 3.2 + 0.15 * i, 0.08, 0.4f, noise);
  }
  // A 20 Hz high-pass: notes cut off at the end of the phrase, or still ringing out, would leave
  // their offset in the mean.
  const double r = 1.0 - 2.0 * 3.14159265358979 * 20.0 / sampleRate;
  double previousIn = 0.0, previousOut = 0.0;
  for (float& v : out) {
    const double y = v - previousIn + r * previousOut;
    previousIn = v;
    previousOut = y;
    v = static_cast<float>(y);
  }
  // Scale to a peak of about -3 dBFS.
  float peak = 0.0f;
  for (float v : out) peak = std::max(peak, std::fabs(v));
  if (peak > 0.0f) {
    const float scale = 0.707f / peak;
    for (float& v : out) v *= scale;
  }
  return out;
}

}  // namespace qvcli
