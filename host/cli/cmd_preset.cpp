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
  const std::string path = options.Positional()[0];
  auto host = LoadPluginOption(options);
  ApplyPresetAndProgram(*host, options);
  // The settings belong to the current program: a bank keeps the other programs as they were.
  std::vector<FxProgram> programs;
  const bool bankOfParams = IsBankPath(path) && !UsesChunks(*host, form);
  if (bankOfParams) programs = CaptureBankPrograms(*host);
  ApplyParameterSettings(*host, options);
  const std::string written = SavePresetFile(*host, path, form, bankOfParams ? &programs : nullptr);
  std::fprintf(path == "-" ? stderr : stdout, "%s\n", written.c_str());
  return 0;
}

int RunPresetShow(const Args& args) {
  Options options("preset show", "preset show FILE [options]",
                  "Checks a preset file and prints what it holds: each value with its "
                  "parameter's name and display text when the plug-in is the one the preset is "
                  "for, else as the normalised numbers stored.",
                  PluginOptions());
  if (!options.Parse(args, 1, 1)) return 0;
  // Without a plug-in the file can still be checked and listed.
  std::unique_ptr<qvhost::IPlugin> host;
  try {
    host = LoadPluginOption(options);
  } catch (const CliError&) {
    if (options.Has("plugin")) throw;
  }
  std::fputs(DescribePresetFile(FindPreset(options.Positional()[0]), host.get()).c_str(), stdout);
  return 0;
}

}  // namespace

int RunPreset(const Args& args) {
  const char* usage =
      "usage: quorvantel-host preset save FILE [options]   write .fxp, .fxb or a raw chunk\n"
      "       quorvantel-host preset show FILE [options]   list a preset's values by name\n"
      "--preset FILE is an option of params, render, bench and preset save.\n";
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
