// Presets between files and a loaded plug-in: .fxp programs, .fxb banks and raw state chunks,
// checked against the plug-in they are loaded into.
#pragma once

#include <string>
#include <vector>

#include "host/cli/preset_file.h"
#include "host/lib/plugin.h"

namespace qvcli {

enum class PresetForm { kAuto, kParams, kChunk };

// Applies a preset file to the plug-in. The kind is read from the file's content; a file named
// .fxp or .fxb must be one. A bank of parameter values fills the plug-in's programs in order;
// bankProgram (0-based, -1 for none) then picks one of its programs: the plug-in's program of
// that number, or, for a program beyond the plug-in's count (a bank may hold more), its values
// and name in the current program. Returns the number of programs the bank holds (0 for other
// files). Throws CliError(kExitInput) for a missing, malformed or foreign file and for a preset
// the plug-in refuses, CliError(kExitUsage) for a bankProgram the bank does not hold.
int LoadPresetFile(qvhost::IPlugin& plugin, const std::string& path, int bankProgram = -1);

// Whether SavePresetFile writes the chunk form: asked for, or kAuto on a plug-in that announces
// program chunks (every CLAP plug-in: its state is a chunk).
bool UsesChunks(qvhost::IPlugin& plugin, PresetForm form);
// True for a path named .fxb.
bool IsBankPath(const std::string& path);

// Every program's parameter values, read the way hosts read a bank without chunks: visiting each
// program, then returning to the current one.
std::vector<FxProgram> CaptureBankPrograms(qvhost::IPlugin& plugin);

// Writes the plug-in's current program (.fxp), all its programs (.fxb) or its raw state chunk
// (any other extension) to path (see OutputFile). A parameter bank takes bankPrograms, when
// given, for every program but the current one, which is always read as it is now. Throws
// CliError. Returns what was written, for the user: "my.fxp: program "Pad" of Quorvantel, 89
// parameter values".
std::string SavePresetFile(qvhost::IPlugin& plugin, const std::string& path, PresetForm form,
                           const std::vector<FxProgram>* bankPrograms = nullptr);

// One line per fact about a preset file (kind, plug-in id, programs, values). With a plug-in whose
// plug-in the preset is for, every value is shown with its parameter's name and display text;
// otherwise as normalised numbers. Throws CliError.
std::string DescribePresetFile(const std::string& path, qvhost::IPlugin* plugin);

}  // namespace qvcli
