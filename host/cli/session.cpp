// Loading the plug-in and applying the common setting options.
#include "host/cli/session.h"

#include <cmath>
#include <cstdlib>

#include "engine/render_path.h"
#include "host/cli/cli_error.h"
#include "host/cli/param_catalog.h"
#include "host/cli/preset_file.h"
#include "host/cli/preset_io.h"

namespace qvcli {

std::unique_ptr<qvhost::PluginHost> OpenPlugin(const std::string& path) {
  std::string error;
  auto host = qvhost::PluginHost::Load(path, &error);
  if (!host) throw CliError(kExitPlugin, error);
  host->Open();
  return host;
}

std::vector<OptionSpec> PluginOptions() {
  return {{"plugin", "PATH", "VST 2 plug-in to load (default: the built quorvantel.so)"}};
}

std::vector<OptionSpec> SettingOptions() {
  return {
      {"preset", "FILE", "load a preset first: .fxp program, .fxb bank or raw state chunk"},
      {"program", "N",
       "select program N (0-based) after the preset; with a bank, program N of the bank, which "
       "may hold more programs than the plug-in"},
      {"set", "NAME=VALUE",
       "set a parameter by name or index to a plain value in its own units or to one of its "
       "texts",
       true},
      {"set-normalized", "NAME=X", "set a parameter to a normalised value 0 to 1", true},
  };
}

std::vector<OptionSpec> Concat(std::vector<OptionSpec> a, const std::vector<OptionSpec>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

std::unique_ptr<qvhost::PluginHost> OpenPluginOption(const Options& options) {
  return OpenPlugin(options.Value("plugin", DefaultPluginPath()));
}

void ApplyPresetAndProgram(qvhost::PluginHost& host, const Options& options) {
  // With a bank, --program numbers the bank's programs, which may be more than the plug-in's.
  if (options.Has("preset") && options.Has("program")) {
    double n = 0.0;
    const std::string text = options.Value("program");
    if (!ParseNumber(text, &n) || n < 0 || n != std::floor(n) || n > 1e6) {
      throw CliError(kExitUsage, "option --program: \"" + text + "\" is not a program number");
    }
    if (LoadPresetFile(host, options.Value("preset"), static_cast<int>(n)) > 0) return;
  } else if (options.Has("preset")) {
    LoadPresetFile(host, options.Value("preset"));
  }
  if (options.Has("program")) {
    const int count = host.Effect()->numPrograms;
    if (count < 1) throw CliError(kExitUsage, "the plug-in has no programs");
    host.SetProgram(options.Integer("program", 0, 0, count - 1));
  }
}

void ApplyParameterSettings(qvhost::PluginHost& host, const Options& options) {
  const auto settings = options.InOrder({"set", "set-normalized"});
  if (settings.empty()) return;
  ParamCatalog catalog(host);
  for (const auto& [option, assignment] : settings) {
    std::string name, value;
    SplitAssignment(assignment, &name, &value);
    const int index = catalog.Resolve(name);
    if (option == "set") {
      host.SetParameter(index, catalog.NormalizedFor(index, value));
      continue;
    }
    double x = 0.0;
    if (!ParseNumber(value, &x) || x < 0.0 || x > 1.0) {
      throw CliError(kExitUsage, "normalised value \"" + value + "\" for \"" + catalog.Name(index) +
                                     "\" must be a number from 0 to 1");
    }
    host.SetParameter(index, static_cast<float>(x));
  }
}

void ApplySettings(qvhost::PluginHost& host, const Options& options) {
  ApplyPresetAndProgram(host, options);
  ApplyParameterSettings(host, options);
}

std::unique_ptr<qvhost::PluginHost> OpenConfigured(const Options& options) {
  auto host = OpenPluginOption(options);
  ApplySettings(*host, options);
  return host;
}

std::string QuorvantelRenderPath(const vst2::AEffect& effect) {
  return FourCharText(effect.uniqueID) == "qZvx" ? engine::RenderPathName(engine::DefaultRenderPath()) : "";
}

}  // namespace qvcli
