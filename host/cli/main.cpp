// quorvantel-host: a command-line VST 2 host that renders audio files through a plug-in, lists
// and sets its parameters, reads and writes its presets, measures its speed and plays it live.
#include <cstdio>
#include <exception>
#include <string>

#include "host/cli/cli_error.h"
#include "host/cli/commands.h"

namespace {

// One row per command: its name, the synopsis shown in the usage text, and its entry.
struct Command {
  const char* name;
  const char* synopsis;
  int (*run)(const qvcli::Args&);
};

constexpr Command kCommands[] = {
    {"info", "info                 identity, vendor, unique id, version, I/O, flags, programs",
     qvcli::RunInfo},
    {"params", "params               every parameter: name, value, default, range, texts",
     qvcli::RunParams},
    {"render", "render IN OUT        process audio files (WAV, FLAC, OGG, AIFF; IN... -o DIR)",
     qvcli::RunRender},
    {"preset", "preset save|show F   write .fxp, .fxb or a raw chunk; list a preset file",
     qvcli::RunPreset},
    {"bench", "bench                real-time factor for a setting, sample rate and block size",
     qvcli::RunBench},
    {"generate", "generate OUT         write the demo input phrase (synthesised, no recording)",
     qvcli::RunGenerate},
    {"snapshot", "snapshot OUT.png     draw the Quorvantel editor without a display",
     qvcli::RunSnapshot},
    {"edit", "edit                 show the plug-in's editor in a window until it is closed",
     qvcli::RunEdit},
    {"live", "live                 play it live on JACK or PipeWire, with its editor",
     qvcli::RunLive},
};

std::string Usage() {
  std::string text =
      "usage: quorvantel-host COMMAND [options]\n"
      "\n"
      "A command-line host for VST 2 and CLAP plug-ins (the built Quorvantel unless --plugin PATH).\n"
      "\n"
      "commands:\n";
  for (const Command& c : kCommands) text += std::string("  ") + c.synopsis + "\n";
  return text +
         "\n"
         "Each command takes --help; --version [--plugin PATH] prints this program's version\n"
         "and the plug-in's. Parameters are set with\n"
         "--set NAME=VALUE (plain value in the parameter's units, or one of its texts) and\n"
         "--set-normalized NAME=X; NAME may be an index or a name from params (\"Envelope#2\").\n"
         "\n"
         "exit codes: 0 success, 1 processing or writing failed, 2 bad command line (option,\n"
         "parameter, value or text), 3 bad input file (audio or preset), 4 plug-in cannot be "
         "loaded\n";
}

int Run(int argc, char** argv) {
  if (argc < 2) {
    std::fputs(Usage().c_str(), stderr);
    return qvcli::kExitUsage;
  }
  const std::string command = argv[1];
  const qvcli::Args args(argv + 2, argv + argc);
  if (command == "--help" || command == "-h" || command == "help") {
    std::fputs(Usage().c_str(), stdout);
    return 0;
  }
  if (command == "--version") {
    std::fputs(qvcli::VersionText(QV_VERSION, args).c_str(), stdout);
    return 0;
  }
  for (const Command& c : kCommands) {
    if (command == c.name) return c.run(args);
  }
  throw qvcli::CliError(qvcli::kExitUsage,
                        "unknown command \"" + command + "\"; see quorvantel-host --help");
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return Run(argc, argv);
  } catch (const qvcli::CliError& e) {
    std::fflush(stdout);
    std::fprintf(stderr, "quorvantel-host: %s\n", e.what());
    return e.ExitCode();
  } catch (const std::exception& e) {
    std::fflush(stdout);
    std::fprintf(stderr, "quorvantel-host: internal error: %s\n", e.what());
    return qvcli::kExitFailure;
  }
}
