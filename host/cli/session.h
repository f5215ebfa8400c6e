// What every quorvantel-host command that drives a plug-in shares: finding and loading it (VST 2
// or CLAP), and applying the preset, program and parameter options before the command's own work.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "host/cli/options.h"
#include "host/lib/plugin.h"
#include "host/lib/plugin_host.h"

namespace qvcli {

// The built Quorvantel next to this program (../plugin/quorvantel.so from the executable's
// folder), else the one installed with the program (/usr/bin/quorvantel-host loads
// /usr/lib/vst/quorvantel.so), else ~/.vst/quorvantel.so; on Windows ..\plugin\quorvantel.dll,
// else quorvantel.dll beside the program (the zip's layout).
std::string DefaultPluginPath();

// A preset file named without a folder that is not in the current folder is looked up among
// the factory presets installed with this program ("--preset quorvantel-factory.fxb" works
// anywhere once installed); every other name is returned as given.
std::string FindPreset(const std::string& name);

// Loads and opens the plug-in at path: a .clap file as CLAP (pluginId picks one of several),
// anything else as VST 2. Quorvantel as CLAP is given its VST 2 id for preset files and its
// parameters' own normalised mapping, so presets and normalised values mean the same in both
// formats. Throws CliError(kExitPlugin) with the host library's reason.
std::unique_ptr<qvhost::IPlugin> LoadPlugin(const std::string& path,
                                            const std::string& pluginId = "");

// --plugin and --plugin-id.
std::vector<OptionSpec> PluginOptions();
// --preset, --program, --set, --set-normalized.
std::vector<OptionSpec> SettingOptions();
std::vector<OptionSpec> Concat(std::vector<OptionSpec> a, const std::vector<OptionSpec>& b);

// Loads and opens the plug-in named by --plugin (and --plugin-id), else the default one.
std::unique_ptr<qvhost::IPlugin> LoadPluginOption(const Options& options);
// --preset, then --program. Throws CliError.
void ApplyPresetAndProgram(qvhost::IPlugin& plugin, const Options& options);
// Every --set and --set-normalized, one after the other in command-line order. Throws CliError.
void ApplyParameterSettings(qvhost::IPlugin& plugin, const Options& options);
// ApplyPresetAndProgram, then ApplyParameterSettings.
void ApplySettings(qvhost::IPlugin& plugin, const Options& options);
// LoadPluginOption and ApplySettings.
std::unique_ptr<qvhost::IPlugin> LoadConfigured(const Options& options);

// The SIMD render path a loaded Quorvantel takes ("sse2", "avx2" or "avx512"): the one this
// program computes from the processor and QUORVANTEL_SIMD, as the plug-in does. Empty for any
// other plug-in.
std::string QuorvantelRenderPath(const qvhost::IPlugin& plugin);

// The same for commands that drive a VST 2 host directly (the built-in instance of snapshot):
// a CLAP path is refused with CliError(kExitPlugin).
std::unique_ptr<qvhost::PluginHost> OpenPlugin(const std::string& path);
std::unique_ptr<qvhost::PluginHost> OpenPluginOption(const Options& options);
std::unique_ptr<qvhost::PluginHost> OpenConfigured(const Options& options);
void ApplyPresetAndProgram(qvhost::PluginHost& host, const Options& options);
void ApplyParameterSettings(qvhost::PluginHost& host, const Options& options);
void ApplySettings(qvhost::PluginHost& host, const Options& options);
std::string QuorvantelRenderPath(const vst2::AEffect& effect);

}  // namespace qvcli
