// "generate": writes the demo phrase as an audio file, the project's own test and demo input.
#include <cstdio>

#include "host/cli/audio_file.h"
#include "host/cli/cli_error.h"
#include "host/cli/commands.h"
#include "host/cli/demo_signal.h"
#include "host/cli/options.h"

namespace qvcli {

int RunGenerate(const Args& args) {
  Options options(
      "generate", "generate OUT [options]",
      "Writes a mono demo phrase (plucked notes, a chord, noise bursts) synthesised "
      "by this program. The format follows OUT's extension (default WAV).",
      {{"seconds", "S", "length, 0.1 to 600 (default 6)"},
       {"sample-rate", "HZ", "sample rate, 8000 to 192000 (default 44100)"},
       {"encoding", "NAME", "pcm16, pcm24, pcm32 or float (default pcm24; OGG: Vorbis)"}});
  if (!options.Parse(args, 1, 1)) return 0;
  const double seconds = options.Number("seconds", 6.0, 0.1, 600.0);
  const int rate = options.Integer("sample-rate", 44100, 8000, 192000);
  const std::string out = options.Positional()[0];
  const AudioFormat format = ChooseOutputFormat(
      "", options.Value("encoding"), out, MajorFormatForPath(out) ? 0 : SF_FORMAT_WAV, 1, rate);
  const std::vector<float> samples = DemoPhrase(seconds, rate);
  AudioWriter writer(out, format, 1, rate);
  writer.Write(samples.data(), static_cast<int>(samples.size()));
  writer.Commit();
  std::printf("%s: %.2f s, 1 ch, %d Hz, demo phrase\n", out.c_str(), seconds, rate);
  return 0;
}

}  // namespace qvcli
