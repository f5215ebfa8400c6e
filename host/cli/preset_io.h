// Presets between files and a loaded plug-in: .fxp programs, .fxb banks and raw state chunks,
// checked against the plug-in they are loaded into.
#pragma once

#include <string>

#include "host/plugin_host.h"

namespace qvcli {

enum class PresetForm { kAuto, kParams, kChunk };

// Applies a preset file to the plug-in. The kind is read from the file's content; a file named
// .fxp or .fxb must be one. Throws CliError(kExitInput) for a missing, malformed or foreign file
// and for a preset the plug-in refuses.
void LoadPresetFile(qvhost::PluginHost& host, const std::string& path);

// Writes the plug-in's current program (.fxp), all its programs (.fxb) or its raw state chunk
// (any other extension) to path through a temporary file. kAuto uses the chunk form when the
// plug-in announces program chunks. Throws CliError.
void SavePresetFile(qvhost::PluginHost& host, const std::string& path, PresetForm form);

// One line per fact about a preset file (kind, plug-in id, programs, values). Throws CliError.
std::string DescribePresetFile(const std::string& path);

}  // namespace qvcli
