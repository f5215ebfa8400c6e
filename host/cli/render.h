// Rendering an audio file through a loaded plug-in, block by block, with a host time record,
// a silent tail after the input, and levels of the result.
#pragma once

#include <cstdint>
#include <string>

#include "host/cli/audio_file.h"
#include "host/plugin_host.h"

namespace qvcli {

struct RenderSettings {
  int blockSize = 512;
  double tailSeconds = 0.0;
  double tempo = 120.0;  // beats per minute announced through host opcode 7
  int timeSigNumerator = 4;
  int timeSigDenominator = 4;
  bool playing = true;     // transport state in the time record
  bool timeInfo = true;    // false: opcode 7 answers null
  bool useDouble = false;  // processDoubleReplacing instead of processReplacing
};

struct RenderResult {
  std::int64_t frames = 0;
  int channels = 0;
  int sampleRate = 0;
  double peak = 0.0;           // largest absolute sample
  double rms = 0.0;            // over all channels and frames
  std::int64_t nonFinite = 0;  // samples the plug-in produced as NaN or infinity, written as 0
};

// Processes the whole input plus the tail into the writer. The plug-in must be open; the sample
// rate, block size and activation are announced here. Throws CliError.
RenderResult Render(qvhost::PluginHost& host, AudioReader& in, AudioWriter& out,
                    const RenderSettings& settings);

// "OUT: 4.00 s, 2 ch, 44100 Hz, peak -3.1 dBFS, RMS -17.9 dBFS"
std::string Summary(const std::string& name, const RenderResult& r);

// The time record for a block starting at samplePos.
vst2::VstTimeInfo TimeRecord(const RenderSettings& settings, double sampleRate,
                             std::int64_t samplePos, bool first);

}  // namespace qvcli
