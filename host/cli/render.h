// Rendering an audio file through a loaded plug-in, block by block, with a host time record,
// automation applied at exact frames, a silent tail after the input, gain or peak normalisation,
// and levels of the result.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "host/lib/plugin.h"
#include "host/lib/plugin_host.h"

namespace qvcli {

class AudioReader;
class AudioWriter;
class Automation;

struct RenderSettings {
  int blockSize = 512;
  double tailSeconds = 0.0;
  double tempo = 120.0;  // beats per minute of the host's transport
  int timeSigNumerator = 4;
  int timeSigDenominator = 4;
  bool playing = true;                  // transport state in the time record
  bool timeInfo = true;                 // false: the plug-in is given no transport
  bool useDouble = false;               // 64-bit buffers instead of 32-bit ones
  bool progress = true;                 // a progress bar on a terminal
  double gainDb = 0.0;                  // applied to the output
  std::optional<double> normalizeDbfs;  // peak level of the output instead of a fixed gain
};

// Which file channels feed each plug-in input: one list per input, averaged.
using InputMap = std::vector<std::vector<int>>;

// The input map for a file of fileChannels into a plug-in with `inputs` inputs. spec is the
// --channels option: empty (the usual: channel k feeds input k, fewer channels repeat, more are
// folded onto the inputs), "mix" (every input takes the average of all channels) or a list of
// 1-based channel numbers, one per input ("2,1"). *folded tells whether channels were mixed down
// unasked. Throws CliError(kExitUsage) for a bad spec.
InputMap ChooseInputMap(int fileChannels, int inputs, const std::string& spec, bool* folded);

struct RenderResult {
  std::int64_t frames = 0;
  int channels = 0;
  int sampleRate = 0;
  double peak = 0.0;           // largest absolute sample written
  double inputPeak = 0.0;      // largest absolute sample fed to the plug-in
  double rms = 0.0;            // over all channels and frames written
  double gainDb = 0.0;         // the gain applied (the normalisation's when normalising)
  std::int64_t nonFinite = 0;  // samples the plug-in produced as NaN or infinity, written as 0
};

// Processes the whole input plus the tail into the writer. The plug-in must be open; the sample
// rate, block size and activation are announced here. automation may be null. Throws CliError.
RenderResult Render(qvhost::IPlugin& plugin, AudioReader& in, AudioWriter& out,
                    const RenderSettings& settings, const InputMap& map, Automation* automation);

// "OUT: 4.00 s, 2 ch, 44100 Hz, peak -3.1 dBFS, RMS -17.9 dBFS"
std::string Summary(const std::string& name, const RenderResult& r);

// The host's transport for a block starting at samplePos.
qvhost::Transport TransportAt(const RenderSettings& settings, double sampleRate,
                              std::int64_t samplePos, bool first);
// The same as a VST 2 host time record.
vst2::VstTimeInfo TimeRecord(const RenderSettings& settings, double sampleRate,
                             std::int64_t samplePos, bool first);

}  // namespace qvcli
