// Loading the plug-in and applying the common setting options.
#include "host/cli/session.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>

#include "host/cli/cli_error.h"
#include "host/cli/param_catalog.h"
#include "host/cli/preset_io.h"

namespace qvcli {

std::string DefaultPluginPath() {
  char exe[4096];
  const ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
  if (n > 0) {
    exe[n] = '\0';
    std::string dir(exe);
    dir.resize(dir.find_last_of('/'));
    const std::string built = dir + "/../plugin/quorvantel.so";
    if (access(built.c_str(), R_OK) == 0) return built;
  }
  const char* home = std::getenv("HOME");
  return std::string(home ? home : "") + "/.vst/quorvantel.so";
}

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
      {"program", "N", "select program N (0-based) after the preset"},
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

std::unique_ptr<qvhost::PluginHost> OpenConfigured(const Options& options) {
  auto host = OpenPlugin(options.Value("plugin", DefaultPluginPath()));
  ApplySettings(*host, options);
  return host;
}

void ApplySettings(qvhost::PluginHost& plugin, const Options& options) {
  qvhost::PluginHost* host = &plugin;
  if (options.Has("preset")) LoadPresetFile(*host, options.Value("preset"));
  if (options.Has("program")) {
    const int count = host->Effect()->numPrograms;
    if (count < 1) throw CliError(kExitUsage, "the plug-in has no programs");
    const int program = options.Integer("program", 0, 0, count - 1);
    host->SetProgram(program);
  }
  if (!options.Has("set") && !options.Has("set-normalized")) return;
  ParamCatalog catalog(*host);
  // Plain settings first resolve every value against the unchanged plug-in, so the order of
  // --set options does not change what a value means.
  std::vector<std::pair<int, float>> changes;
  for (const std::string& a : options.Values("set")) {
    std::string name, value;
    SplitAssignment(a, &name, &value);
    const int index = catalog.Resolve(name);
    changes.emplace_back(index, catalog.NormalizedFor(index, value));
  }
  for (const std::string& a : options.Values("set-normalized")) {
    std::string name, value;
    SplitAssignment(a, &name, &value);
    const int index = catalog.Resolve(name);
    double x = 0.0;
    if (!ParseNumber(value, &x) || x < 0.0 || x > 1.0) {
      throw CliError(kExitUsage, "normalised value \"" + value + "\" for \"" + catalog.Name(index) +
                                     "\" must be a number from 0 to 1");
    }
    changes.emplace_back(index, static_cast<float>(x));
  }
  for (const auto& [index, x] : changes) host->SetParameter(index, x);
}

}  // namespace qvcli
