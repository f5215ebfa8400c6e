// Loading the plug-in and applying the common setting options.
#include "host/cli/session.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "engine/render_path.h"
#include "host/cli/cli_error.h"
#include "host/cli/param_catalog.h"
#include "host/cli/preset_file.h"
#include "host/cli/preset_io.h"
#include "host/lib/clap_plugin_host.h"
#include "host/lib/vst2_plugin.h"
#include "quorvantel/clap/quorvantel_clap.h"

namespace qvcli {

namespace {

// Quorvantel as CLAP: the same preset id and normalised values as its VST 2 build, from this
// build's parameter table, when the module's parameters are the table's.
void ConfigureQuorvantelClap(qvhost::ClapPluginHost& clap) {
  const std::vector<framework::ParameterDefinition> table = quorvantel::QuorvantelParameters();
  if (clap.Info().id != quorvantel::kQuorvantelClapId ||
      clap.Info().parameters != static_cast<int>(table.size())) {
    return;
  }
  for (int i = 0; i < clap.Info().parameters; ++i) {
    if (clap.ParamName(i) != table[static_cast<std::size_t>(i)].Name()) return;
  }
  clap.SetPresetId(quorvantel::kQuorvantelUniqueId);
  clap.SetValueMapping(
      [table](int index, double x) {
        return table[static_cast<std::size_t>(index)].ValueFromNormalized(x);
      },
      [table](int index, double plain) {
        return table[static_cast<std::size_t>(index)].NormalizedOf(plain);
      });
}

}  // namespace

std::unique_ptr<qvhost::IPlugin> LoadPlugin(const std::string& path, const std::string& pluginId) {
  std::string error;
  std::unique_ptr<qvhost::IPlugin> plugin = qvhost::LoadPlugin(path, pluginId, &error);
  if (!plugin) throw CliError(kExitPlugin, error);
  if (qvhost::ClapPluginHost* clap = plugin->Clap()) {
    ConfigureQuorvantelClap(*clap);
    // What the plug-in reports of its own misbehaving or of the host's.
    clap->SetLogSink([](const qvhost::ClapLogEntry& entry) {
      if (entry.severity >= clap::kLogWarning)
        std::fprintf(stderr, "quorvantel-host: plug-in: %s\n", entry.message.c_str());
    });
  }
  return plugin;
}

std::vector<OptionSpec> PluginOptions() {
  return {{"plugin", "PATH",
           "plug-in to load: a VST 2 module, or a CLAP file (.clap) (default: the built "
           "quorvantel.so)"},
          {"plugin-id", "ID", "which plug-in of a CLAP file holding several (default: the first)"}};
}

std::vector<OptionSpec> SettingOptions() {
  return {
      {"preset", "FILE",
       "load a preset first: .fxp program, .fxb bank or raw state chunk (a name alone also "
       "finds the installed factory presets)"},
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

std::unique_ptr<qvhost::IPlugin> LoadPluginOption(const Options& options) {
  return LoadPlugin(options.Value("plugin", DefaultPluginPath()), options.Value("plugin-id"));
}

void ApplyPresetAndProgram(qvhost::IPlugin& plugin, const Options& options) {
  // With a bank, --program numbers the bank's programs, which may be more than the plug-in's.
  if (options.Has("preset") && options.Has("program")) {
    double n = 0.0;
    const std::string text = options.Value("program");
    if (!ParseNumber(text, &n) || n < 0 || n != std::floor(n) || n > 1e6) {
      throw CliError(kExitUsage, "option --program: \"" + text + "\" is not a program number");
    }
    if (LoadPresetFile(plugin, FindPreset(options.Value("preset")), static_cast<int>(n)) > 0) return;
  } else if (options.Has("preset")) {
    LoadPresetFile(plugin, FindPreset(options.Value("preset")));
  }
  if (options.Has("program")) {
    const int count = plugin.Info().programs;
    if (count < 1) throw CliError(kExitUsage, "the plug-in has no programs");
    plugin.SetProgram(options.Integer("program", 0, 0, count - 1));
  }
}

void ApplyParameterSettings(qvhost::IPlugin& plugin, const Options& options) {
  const auto settings = options.InOrder({"set", "set-normalized"});
  if (settings.empty()) return;
  ParamCatalog catalog(plugin);
  for (const auto& [option, assignment] : settings) {
    std::string name, value;
    SplitAssignment(assignment, &name, &value);
    const int index = catalog.Resolve(name);
    if (option == "set") {
      plugin.SetParameter(index, catalog.NormalizedFor(index, value));
      continue;
    }
    double x = 0.0;
    if (!ParseNumber(value, &x) || x < 0.0 || x > 1.0) {
      throw CliError(kExitUsage, "normalised value \"" + value + "\" for \"" + catalog.Name(index) +
                                     "\" must be a number from 0 to 1");
    }
    plugin.SetParameter(index, static_cast<float>(x));
  }
}

void ApplySettings(qvhost::IPlugin& plugin, const Options& options) {
  ApplyPresetAndProgram(plugin, options);
  ApplyParameterSettings(plugin, options);
}

std::unique_ptr<qvhost::IPlugin> LoadConfigured(const Options& options) {
  auto plugin = LoadPluginOption(options);
  ApplySettings(*plugin, options);
  return plugin;
}

std::string QuorvantelRenderPath(const qvhost::IPlugin& plugin) {
  return plugin.Info().presetId == quorvantel::kQuorvantelUniqueId
             ? engine::RenderPathName(engine::DefaultRenderPath())
             : "";
}

// ---- VST 2 hosts driven directly ------------------------------------------------------------

std::unique_ptr<qvhost::PluginHost> OpenPlugin(const std::string& path) {
  if (qvhost::IsClapPath(path)) {
    throw CliError(kExitPlugin, path + " is a CLAP plug-in; this command takes VST 2 only");
  }
  std::string error;
  auto host = qvhost::PluginHost::Load(path, &error);
  if (!host) throw CliError(kExitPlugin, error);
  host->Open();
  return host;
}

std::unique_ptr<qvhost::PluginHost> OpenPluginOption(const Options& options) {
  return OpenPlugin(options.Value("plugin", DefaultPluginPath()));
}

void ApplyPresetAndProgram(qvhost::PluginHost& host, const Options& options) {
  qvhost::Vst2Plugin plugin(host);
  ApplyPresetAndProgram(plugin, options);
}

void ApplyParameterSettings(qvhost::PluginHost& host, const Options& options) {
  qvhost::Vst2Plugin plugin(host);
  ApplyParameterSettings(plugin, options);
}

void ApplySettings(qvhost::PluginHost& host, const Options& options) {
  qvhost::Vst2Plugin plugin(host);
  ApplySettings(plugin, options);
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
