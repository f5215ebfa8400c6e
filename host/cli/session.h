// What every quorvantel-host command that drives a plug-in shares: finding and loading it, and
// applying the preset, program and parameter options before the command's own work.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "host/cli/options.h"
#include "host/lib/plugin_host.h"

namespace qvcli {

// The built Quorvantel next to this program (../plugin/quorvantel.so from the executable's
// folder), else ~/.vst/quorvantel.so; on Windows ..\plugin\quorvantel.dll, else quorvantel.dll
// beside the program.
std::string DefaultPluginPath();

// Loads and opens the plug-in. Throws CliError(kExitPlugin) with the host library's reason.
std::unique_ptr<qvhost::PluginHost> OpenPlugin(const std::string& path);

// --plugin.
std::vector<OptionSpec> PluginOptions();
// --preset, --program, --set, --set-normalized.
std::vector<OptionSpec> SettingOptions();
std::vector<OptionSpec> Concat(std::vector<OptionSpec> a, const std::vector<OptionSpec>& b);

// Loads and opens the plug-in named by --plugin, else the default one. Throws CliError.
std::unique_ptr<qvhost::PluginHost> OpenPluginOption(const Options& options);
// --preset, then --program. Throws CliError.
void ApplyPresetAndProgram(qvhost::PluginHost& host, const Options& options);
// Every --set and --set-normalized, one after the other in command-line order. Throws CliError.
void ApplyParameterSettings(qvhost::PluginHost& host, const Options& options);

// OpenPluginOption, ApplyPresetAndProgram and ApplyParameterSettings in that order.
std::unique_ptr<qvhost::PluginHost> OpenConfigured(const Options& options);
// Applies the setting options to an open plug-in, as OpenConfigured does. Throws CliError.
void ApplySettings(qvhost::PluginHost& host, const Options& options);

// The SIMD render path a loaded Quorvantel takes ("sse2", "avx2" or "avx512"): the one this
// program computes from the processor and QUORVANTEL_SIMD, as the plug-in does. Empty for any
// other plug-in.
std::string QuorvantelRenderPath(const vst2::AEffect& effect);

}  // namespace qvcli
