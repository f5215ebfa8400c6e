// "preset": save the plug-in's state to preset files and show what a preset file holds.
#include <cstdio>

#include "host/cli/cli_error.h"
#include "host/cli/commands.h"
#include "host/cli/preset_io.h"
#include "host/cli/session.h"

namespace qvcli {
namespace {

int RunPresetSave(const Args& args) {
  Options options(
      "preset save", "preset save FILE [options]",
      "Writes the plug-in's state after the given preset and settings: FILE.fxp holds the "
      "current program, FILE.fxb every program, any other name the raw state chunk.",
      Concat(Concat(PluginOptions(), SettingOptions()),
             {{"chunk-form", "",
               "write .fxp/.fxb as an opaque chunk (default when the plug-in "
               "announces program chunks)"},
              {"param-form", "", "write .fxp/.fxb as a list of normalised parameter values"}}));
  if (!options.Parse(args, 1, 1)) return 0;
  if (options.Has("chunk-form") && options.Has("param-form")) {
    throw CliError(kExitUsage, "choose one of --chunk-form and --param-form");
  }
  const PresetForm form = options.Has("chunk-form")   ? PresetForm::kChunk
                          : options.Has("param-form") ? PresetForm::kParams
                                                      : PresetForm::kAuto;
  auto host = OpenConfigured(options);
  SavePresetFile(*host, options.Positional()[0], form);
  return 0;
}

int RunPresetShow(const Args& args) {
  Options options("preset show", "preset show FILE",
                  "Checks a preset file and prints what it holds, without loading a plug-in.", {});
  if (!options.Parse(args, 1, 1)) return 0;
  std::fputs(DescribePresetFile(options.Positional()[0]).c_str(), stdout);
  return 0;
}

}  // namespace

int RunPreset(const Args& args) {
  const char* usage =
      "usage: quorvantel-host preset save FILE [options]   write .fxp, .fxb or a raw chunk\n"
      "       quorvantel-host preset show FILE             check and list a preset file\n"
      "Loading a preset is an option of every command: --preset FILE.\n";
  if (args.empty() || args[0] == "--help" || args[0] == "-h") {
    std::fputs(usage, args.empty() ? stderr : stdout);
    return args.empty() ? kExitUsage : 0;
  }
  const Args rest(args.begin() + 1, args.end());
  if (args[0] == "save") return RunPresetSave(rest);
  if (args[0] == "show") return RunPresetShow(rest);
  throw CliError(kExitUsage, "unknown preset command \"" + args[0] + "\"; use save or show");
}

}  // namespace qvcli
