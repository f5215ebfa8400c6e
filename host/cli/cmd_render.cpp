// "render": audio files through the plug-in into other audio files.
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <limits>

#include "host/cli/audio_file.h"
#include "host/cli/automation.h"
#include "host/cli/cli_error.h"
#include "host/cli/commands.h"
#include "host/cli/param_catalog.h"
#include "host/cli/render.h"
#include "host/cli/session.h"

namespace qvcli {
namespace {

namespace fs = std::filesystem;

struct Job {
  std::string in;
  std::string out;
};

// The jobs the positional words and --output name: "IN OUT", "IN FOLDER/" or "IN... -o FOLDER".
std::vector<Job> Jobs(const Options& options) {
  const std::vector<std::string>& words = options.Positional();
  std::string target;
  std::vector<std::string> inputs = words;
  if (options.Has("output")) {
    target = options.Value("output");
  } else if (words.size() == 2) {
    target = words[1];
    inputs.pop_back();
  } else {
    throw CliError(kExitUsage,
                   "usage: quorvantel-host render IN OUT, or render IN... -o FOLDER; see "
                   "quorvantel-host render --help");
  }
  if (inputs.empty()) throw CliError(kExitUsage, "render: name at least one input file");
  if (target.empty()) throw CliError(kExitUsage, "render: the output name is empty");
  std::error_code ec;
  const bool folder = fs::is_directory(target, ec) || target.back() == '/' || inputs.size() > 1;
  if (!folder) return {{inputs[0], target}};
  fs::create_directories(target, ec);
  if (ec) throw CliError(kExitFailure, "cannot create the folder " + target + ": " + ec.message());
  std::vector<Job> jobs;
  for (const std::string& in : inputs) {
    if (in == "-") {
      throw CliError(kExitUsage, "render: standard input has no name to keep; give OUT for it");
    }
    fs::path name = fs::path(in).filename();
    if (options.Has("format")) name.replace_extension(options.Value("format"));
    jobs.push_back({in, (fs::path(target) / name).string()});
  }
  return jobs;
}

void Warn(const std::string& text) {
  std::fprintf(stderr, "quorvantel-host: warning: %s\n", text.c_str());
}

// Why a render came out silent, as far as the settings tell: "" when nothing explains it.
std::string SilenceCauses(ParamCatalog& catalog, const RenderSettings& settings,
                          const RenderResult& result) {
  std::vector<std::string> causes;
  if (result.inputPeak == 0.0) causes.push_back("the input is silent");
  if (!settings.playing) causes.push_back("the transport was reported stopped (--stopped)");
  if (catalog.OwnTable()) {
    // Quorvantel's own settings at the start of the render.
    constexpr int kFreeze = 34, kDry = 87, kWet = 88;
    if (catalog.PlainValue(kFreeze) > 0.5)
      causes.push_back("Freeze is above 0.5 from the start, so the buffer never records");
    if (catalog.PlainValue(kWet) == 0.0)
      causes.push_back(catalog.PlainValue(kDry) == 0.0 ? "Wet and Dry are 0" : "Wet is 0");
  }
  std::string text;
  for (std::size_t i = 0; i < causes.size(); ++i)
    text += (i == 0 ? "" : i + 1 == causes.size() ? " or " : ", ") + causes[i];
  return text;
}

void RenderOne(const Options& options, RenderSettings settings, const Job& job) {
  std::error_code ec;
  if (job.in != "-" && fs::equivalent(job.in, job.out, ec)) {
    throw CliError(kExitUsage, "render: " + job.out + " would replace its own input");
  }
  // The input is checked before the plug-in is loaded, so a bad file costs no plug-in start.
  AudioReader in(job.in);
  settings.tailSeconds = options.Duration("tail", 0.0, 0.0, 600.0, in.SampleRate());
  auto plugin = LoadConfigured(options);
  ParamCatalog catalog(*plugin);
  const qvhost::PluginInfo& info = plugin->Info();
  if (info.outputs < 1) throw CliError(kExitPlugin, "the plug-in has no audio outputs");

  Automation automation;
  if (options.Has("automate") || options.Has("automate-normalized") || options.Has("automation")) {
    for (const auto& [option, lane] : options.InOrder({"automate", "automate-normalized"})) {
      automation.AddLane(lane, catalog, in.SampleRate(), option == "automate-normalized");
    }
    for (const std::string& file : options.Values("automation")) {
      automation.AddFile(file, catalog, in.SampleRate());
    }
    // A lane's first value holds from the start: a setting of the same parameter is lost.
    for (const auto& [option, assignment] : options.InOrder({"set", "set-normalized"})) {
      std::string name, value;
      SplitAssignment(assignment, &name, &value);
      const int index = catalog.Resolve(name);
      for (const AutomationLane& lane : automation.Lanes()) {
        if (lane.index != index) continue;
        Warn("--" + option + " \"" + assignment + "\" has no effect: the automation of \"" +
             catalog.Name(index) + "\" sets it from the start of the render");
      }
    }
    automation.Apply(*plugin, 0);  // the values the render starts with, for the checks below
  }
  bool folded = false;
  const InputMap map =
      ChooseInputMap(in.Channels(), info.inputs, options.Value("channels"), &folded);
  if (folded) {
    std::fprintf(stderr,
                 "quorvantel-host: %s has %d channels, the plug-in %d input%s: mixing them down "
                 "(--channels chooses otherwise)\n",
                 in.Name().c_str(), in.Channels(), info.inputs, info.inputs == 1 ? "" : "s");
  }
  if (info.inputs <= 0) {
    Warn(
        "the plug-in takes no audio input (an instrument), and quorvantel-host plays it no "
        "notes: " +
        in.Name() + " is ignored and the output is probably silent");
  }
  const AudioFormat format =
      ChooseOutputFormat(options.Value("format"), options.Value("encoding"), job.out, in.Format(),
                         info.outputs, in.SampleRate());
  AudioWriter out(job.out, format, info.outputs, in.SampleRate());
  const RenderResult result =
      Render(*plugin, in, out, settings, map, automation.Empty() ? nullptr : &automation);
  out.Commit();
  if (in.CutShort()) {
    Warn(in.Name() +
         " is shorter than its header says (premature end of file); rendered the "
         "audio it holds");
  }
  if (result.nonFinite > 0) {
    Warn("the plug-in produced " + std::to_string(result.nonFinite) +
         " non-finite samples, written as silence");
  }
  if (result.peak == 0.0) {
    const std::string causes = SilenceCauses(catalog, settings, result);
    Warn(job.out + " is entirely silent" +
         (causes.empty() ? std::string() : "; likely because " + causes));
  }
  if (out.Clipped() > 0) {
    char peak[32];
    std::snprintf(peak, sizeof peak, "%+.1f", 20.0 * std::log10(result.peak));
    Warn(job.out + ": " + std::to_string(out.Clipped()) + " samples clipped (peak " + peak +
         " dBFS); lower the level with --gain or --normalize");
  }
  // The summary never mixes into audio written to standard output.
  if (!options.Has("quiet")) {
    std::fprintf(job.out == "-" ? stderr : stdout, "%s\n", Summary(job.out, result).c_str());
  }
}

}  // namespace

int RunRender(const Args& args) {
  Options options(
      "render", "render IN OUT [options]  or  render IN... -o FOLDER [options]",
      "Processes the audio files (WAV, FLAC, OGG, AIFF) through the plug-in, each with a fresh "
      "instance. OUT is written under a temporary name and renamed when complete; \"-\" is "
      "standard input or output, a pipe or device is written in place; a folder keeps each "
      "input's name. Prints one summary line per file: length, channels, rate, peak and RMS.",
      Concat(
          Concat(PluginOptions(), SettingOptions()),
          {
              {"output", "FOLDER", "write every input into FOLDER under its own name", false, false,
               'o'},
              {"automate", "NAME=POINTS",
               "automate a parameter: [step:|linear:]TIME:VALUE,... with TIME in seconds "
               "(1.5), milliseconds (250ms) or samples (12000smp); ramps are linear in the "
               "normalised value, texts step",
               true},
              {"automate-normalized", "NAME=POINTS",
               "as --automate, with each VALUE the normalised value 0 to 1 a host sends", true},
              {"automation", "FILE", "automation lanes from a file, one NAME=POINTS a line", true},
              {"channels", "MAP",
               "which input channels feed the plug-in's inputs: \"mix\", or 1-based channel "
               "numbers, one per input (\"2,1\"); default: in order, mono repeated, extra "
               "channels mixed down"},
              {"gain", "DB", "gain applied to the output, -96 to 96 dB (default 0)"},
              {"normalize", "DBFS", "scale the output to this peak level, -96 to 0 (default -1)",
               false, true},
              {"block-size", "N", "frames per process call, 1 to 16384 (default 512)"},
              {"tail", "TIME",
               "silence processed after the input: seconds (3 or 3s), milliseconds (250ms) or "
               "samples (12000smp), up to 600 s (default 0)"},
              {"tempo", "BPM", "tempo of the host's transport, 1 to 999 (default 120)"},
              {"time-signature", "N/D", "time signature of the host's transport (default 4/4)"},
              {"stopped", "", "report a stopped transport"},
              {"no-time-info", "", "give the plug-in no transport at all"},
              {"double", "", "use the double-precision process path"},
              {"format", "NAME",
               "output format: wav, flac, ogg, aiff (default: OUT's "
               "extension, else the input's format)"},
              {"encoding", "NAME",
               "output encoding: pcm16, pcm24, pcm32, float (default: the "
               "input's when the format takes it)"},
              {"quiet", "", "no summary line, no progress bar"},
          }));
  if (!options.Parse(args, 1, std::numeric_limits<std::size_t>::max())) return 0;

  RenderSettings settings;
  settings.blockSize = options.Integer("block-size", 512, 1, 16384);
  // Checked here, before any file is read; in samples it is worked out per input's rate.
  settings.tailSeconds = options.Duration("tail", 0.0, 0.0, 600.0, 44100.0);
  settings.tempo = options.Number("tempo", 120.0, 1.0, 999.0);
  settings.playing = !options.Has("stopped");
  settings.timeInfo = !options.Has("no-time-info");
  settings.useDouble = options.Has("double");
  settings.progress = !options.Has("quiet");
  settings.gainDb = options.Number("gain", 0.0, -96.0, 96.0);
  if (options.Has("normalize")) {
    if (options.Has("gain")) throw CliError(kExitUsage, "choose one of --gain and --normalize");
    settings.normalizeDbfs =
        options.Value("normalize").empty() ? -1.0 : options.Number("normalize", -1.0, -96.0, 0.0);
  }
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
  for (const Job& job : Jobs(options)) RenderOne(options, settings, job);
  return 0;
}

}  // namespace qvcli
