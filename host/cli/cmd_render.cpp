// "render": an audio file through the plug-in into another audio file.
#include <cstdio>

#include "host/cli/audio_file.h"
#include "host/cli/cli_error.h"
#include "host/cli/commands.h"
#include "host/cli/render.h"
#include "host/cli/session.h"

namespace qvcli {

int RunRender(const Args& args) {
  Options options(
      "render", "render IN OUT [options]",
      "Processes the audio file IN (WAV, FLAC, OGG, AIFF; mono feeds both inputs) through the "
      "plug-in into OUT, written under a temporary name and renamed when complete. \"-\" is "
      "standard input or output; a pipe or device is written in place. Prints one summary line: "
      "length, channels, rate, peak and RMS.",
      Concat(Concat(PluginOptions(), SettingOptions()),
             {
                 {"block-size", "N", "frames per process call, 1 to 16384 (default 512)"},
                 {"tail", "SECONDS", "silence processed after the input, 0 to 600 (default 0)"},
                 {"tempo", "BPM", "tempo in the host time record, 1 to 999 (default 120)"},
                 {"time-signature", "N/D", "time signature in the host time record (default 4/4)"},
                 {"stopped", "", "report a stopped transport in the host time record"},
                 {"no-time-info", "", "answer the plug-in's time queries with nothing"},
                 {"double", "", "use the double-precision process path"},
                 {"format", "NAME",
                  "output format: wav, flac, ogg, aiff (default: OUT's "
                  "extension, else the input's format)"},
                 {"encoding", "NAME",
                  "output encoding: pcm16, pcm24, pcm32, float (default: the "
                  "input's when the format takes it)"},
                 {"quiet", "", "no summary line"},
             }));
  if (!options.Parse(args, 2, 2)) return 0;
  const std::string inPath = options.Positional()[0];
  const std::string outPath = options.Positional()[1];

  RenderSettings settings;
  settings.blockSize = options.Integer("block-size", 512, 1, 16384);
  settings.tailSeconds = options.Number("tail", 0.0, 0.0, 600.0);
  settings.tempo = options.Number("tempo", 120.0, 1.0, 999.0);
  settings.playing = !options.Has("stopped");
  settings.timeInfo = !options.Has("no-time-info");
  settings.useDouble = options.Has("double");
  if (options.Has("time-signature")) {
    int num = 0, den = 0;
    char extra = 0;
    const std::string sig = options.Value("time-signature");
    if (std::sscanf(sig.c_str(), "%d/%d%c", &num, &den, &extra) != 2 || num < 1 || num > 64 ||
        (den != 1 && den != 2 && den != 4 && den != 8 && den != 16 && den != 32)) {
      throw CliError(kExitUsage, "option --time-signature: \"" + sig +
                                     "\" is not N/D with N 1 to 64 and D a power of two to 32");
    }
    settings.timeSigNumerator = num;
    settings.timeSigDenominator = den;
  }

  // The input is checked before the plug-in is loaded, so a bad file costs no plug-in start.
  AudioReader in(inPath);
  auto host = OpenConfigured(options);
  const int outChannels = host->Effect()->numOutputs;
  if (outChannels < 1) throw CliError(kExitPlugin, "the plug-in has no audio outputs");
  const AudioFormat format = ChooseOutputFormat(options.Value("format"), options.Value("encoding"),
                                                outPath, in.Format(), outChannels, in.SampleRate());
  AudioWriter out(outPath, format, outChannels, in.SampleRate());
  const RenderResult result = Render(*host, in, out, settings);
  out.Commit();
  if (result.nonFinite > 0) {
    std::fprintf(stderr,
                 "quorvantel-host: warning: the plug-in produced %lld non-finite samples, "
                 "written as silence\n",
                 static_cast<long long>(result.nonFinite));
  }
  // The summary never mixes into audio written to standard output.
  if (!options.Has("quiet")) {
    std::fprintf(outPath == "-" ? stderr : stdout, "%s\n", Summary(outPath, result).c_str());
  }
  return 0;
}

}  // namespace qvcli
