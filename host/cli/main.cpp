// quorvantel-host: a command-line VST 2 host that renders audio files through a plug-in, lists
// and sets its parameters, reads and writes its presets and measures its speed.
#include <cstdio>
#include <exception>
#include <string>

#include "host/cli/cli_error.h"
#include "host/cli/commands.h"

namespace {

constexpr const char* kUsage =
    "usage: quorvantel-host COMMAND [options]\n"
    "\n"
    "A command-line host for VST 2 plug-ins (the built Quorvantel unless --plugin PATH).\n"
    "\n"
    "commands:\n"
    "  info                 identity, vendor, unique id, version, I/O, flags, programs\n"
    "  params               every parameter: index, name, display text, label, normalised value\n"
    "  render IN OUT        process an audio file (WAV, FLAC, OGG, AIFF) into another\n"
    "  preset save FILE     write .fxp (program), .fxb (bank) or a raw state chunk\n"
    "  preset show FILE     check and list a preset file\n"
    "  bench                real-time factor for a setting, sample rate and block size\n"
    "  generate OUT         write the demo input phrase (synthesised, no recording)\n"
    "  snapshot OUT.png     draw the Quorvantel editor without a display\n"
    "\n"
    "Each command takes --help. Parameters are set with --set NAME=VALUE (plain value in the\n"
    "parameter's units, or one of its texts) and --set-normalized NAME=X; NAME may be an index.\n"
    "\n"
    "exit codes: 0 success, 1 processing or writing failed, 2 bad command line (option,\n"
    "parameter, value or text), 3 bad input file (audio or preset), 4 plug-in cannot be loaded\n";

int Run(int argc, char** argv) {
  if (argc < 2) {
    std::fputs(kUsage, stderr);
    return qvcli::kExitUsage;
  }
  const std::string command = argv[1];
  const qvcli::Args args(argv + 2, argv + argc);
  if (command == "--help" || command == "-h" || command == "help") {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (command == "info") return qvcli::RunInfo(args);
  if (command == "params") return qvcli::RunParams(args);
  if (command == "render") return qvcli::RunRender(args);
  if (command == "preset") return qvcli::RunPreset(args);
  if (command == "bench") return qvcli::RunBench(args);
  if (command == "generate") return qvcli::RunGenerate(args);
  if (command == "snapshot") return qvcli::RunSnapshot(args);
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
