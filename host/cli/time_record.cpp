// The host time record quorvantel-host answers opcode 7 with while it renders or measures.
#include <cmath>

#include "host/cli/render.h"

namespace qvcli {

vst2::VstTimeInfo TimeRecord(const RenderSettings& s, double sampleRate, std::int64_t samplePos,
                             bool first) {
  vst2::VstTimeInfo t{};
  t.samplePos = static_cast<double>(samplePos);
  t.sampleRate = sampleRate;
  t.ppqPos = t.samplePos / sampleRate * s.tempo / 60.0;
  t.tempo = s.tempo;
  const double quartersPerBar = 4.0 * s.timeSigNumerator / s.timeSigDenominator;
  t.barStartPos = std::floor(t.ppqPos / quartersPerBar) * quartersPerBar;
  t.timeSigNumerator = s.timeSigNumerator;
  t.timeSigDenominator = s.timeSigDenominator;
  t.flags = vst2::kPpqPosValid | vst2::kTempoValid | vst2::kBarsValid | vst2::kTimeSigValid;
  if (s.playing) t.flags |= vst2::kTransportPlaying;
  if (first) t.flags |= vst2::kTransportChanged;
  return t;
}

}  // namespace qvcli
