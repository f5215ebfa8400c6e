// The host's transport quorvantel-host gives the plug-in while it renders or measures.
#include "host/cli/render.h"
#include "host/lib/vst2_plugin.h"

namespace qvcli {

qvhost::Transport TransportAt(const RenderSettings& s, double sampleRate, std::int64_t samplePos,
                              bool first) {
  qvhost::Transport t;
  t.samplePos = samplePos;
  t.sampleRate = sampleRate;
  t.tempo = s.tempo;
  t.numerator = s.timeSigNumerator;
  t.denominator = s.timeSigDenominator;
  t.playing = s.playing;
  t.changed = first;
  return t;
}

vst2::VstTimeInfo TimeRecord(const RenderSettings& s, double sampleRate, std::int64_t samplePos,
                             bool first) {
  return qvhost::Vst2Plugin::TimeRecord(TransportAt(s, sampleRate, samplePos, first), 0);
}

}  // namespace qvcli
