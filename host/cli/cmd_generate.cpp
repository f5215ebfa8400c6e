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
      "by this program. The format follows OUT's extension (default WAV); OUT \"-\" is standard "
      "output.",
      {{"seconds", "S", "length, 0.1 to 600 (default 6)"},
       {"sample-rate", "HZ", "sample rate, 8000 to 384000 (default 44100)"},
       {"format", "NAME", "wav, flac, ogg, aiff (default: OUT's extension, else wav)"},
       {"encoding", "NAME", "pcm16, pcm24, pcm32 or float (default pcm24; OGG: Vorbis)"}});
  if (!options.Parse(args, 1, 1)) return 0;
  const int rate = options.Integer("sample-rate", 44100, 8000, 384000);
  const double seconds = options.Duration("seconds", 6.0, 0.1, 600.0, rate);
  const std::string out = options.Positional()[0];
  const AudioFormat format = ChooseOutputFormat(options.Value("format"), options.Value("encoding"),
                                                out, SF_FORMAT_WAV | SF_FORMAT_PCM_24, 1, rate);
  const std::vector<float> samples = DemoPhrase(seconds, rate);
  AudioWriter writer(out, format, 1, rate);
  writer.Write(samples.data(), static_cast<int>(samples.size()));
  writer.Commit();
  // The summary never mixes into audio written to standard output.
  std::fprintf(out == "-" ? stderr : stdout, "%s: %.2f s, 1 ch, %d Hz, demo phrase\n", out.c_str(),
               seconds, rate);
  return 0;
}

}  // namespace qvcli
