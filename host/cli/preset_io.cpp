// Loading and saving presets through the host library.
#include "host/cli/preset_io.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "host/cli/atomic_file.h"
#include "host/cli/cli_error.h"
#include "host/cli/preset_file.h"

namespace qvcli {
namespace {

enum class Extension { kFxp, kFxb, kOther };

Extension ExtensionOf(const std::string& path) {
  const std::size_t dot = path.find_last_of('.');
  const std::size_t slash = path.find_last_of('/');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
    return Extension::kOther;
  }
  std::string ext = path.substr(dot + 1);
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (ext == "fxp") return Extension::kFxp;
  if (ext == "fxb") return Extension::kFxb;
  return Extension::kOther;
}

std::string PluginLabel(qvhost::PluginHost& host) {
  return "'" + FourCharText(host.Effect()->uniqueID) + "' (" + host.EffectName() + ")";
}

void CheckId(qvhost::PluginHost& host, const std::string& path, std::int32_t fxId) {
  if (fxId != host.Effect()->uniqueID) {
    throw CliError(kExitInput, path + " is a preset for plug-in '" + FourCharText(fxId) +
                                   "', not for " + PluginLabel(host));
  }
}

void CheckParamCount(qvhost::PluginHost& host, const std::string& path, const FxProgram& p) {
  if (p.numParams != host.Effect()->numParams) {
    throw CliError(kExitInput, path + ": the preset holds " + std::to_string(p.numParams) +
                                   " parameters, the plug-in has " +
                                   std::to_string(host.Effect()->numParams));
  }
}

void ApplyParams(qvhost::PluginHost& host, const std::string& path, const FxProgram& p) {
  CheckParamCount(host, path, p);
  for (std::size_t i = 0; i < p.params.size(); ++i) {
    host.SetParameter(static_cast<int>(i), p.params[i]);
  }
}

void ApplyChunk(qvhost::PluginHost& host, const std::string& path,
                const std::vector<std::uint8_t>& chunk, bool program) {
  if (chunk.empty() || host.SetChunk(chunk, program) != 1) {
    throw CliError(kExitInput, path + ": the plug-in refused the preset's state chunk");
  }
}

FxProgram CaptureProgram(qvhost::PluginHost& host, bool chunk) {
  FxProgram p;
  p.fxId = host.Effect()->uniqueID;
  p.fxVersion = host.Effect()->version;
  p.name = host.ProgramName();
  p.numParams = host.Effect()->numParams;
  p.opaque = chunk;
  if (chunk) {
    p.chunk = host.GetChunk(true);
    if (p.chunk.empty()) throw CliError(kExitFailure, "the plug-in gave no program chunk");
  } else {
    for (int i = 0; i < p.numParams; ++i) p.params.push_back(host.GetParameter(i));
  }
  return p;
}

}  // namespace

void LoadPresetFile(qvhost::PluginHost& host, const std::string& path) {
  const std::vector<std::uint8_t> bytes = ReadWholeFile(path);
  const PresetKind kind = DetectPresetKind(bytes);
  const Extension ext = ExtensionOf(path);
  std::string why;
  if (kind == PresetKind::kRawChunk) {
    if (ext != Extension::kOther) {
      throw CliError(kExitInput, path +
                                     ": malformed preset: not a VST preset file (no 'CcnK' "
                                     "magic at byte 0)");
    }
    ApplyChunk(host, path, bytes, true);
    return;
  }
  if (kind == PresetKind::kProgram) {
    FxProgram p;
    if (!DecodeProgram(bytes, &p, &why)) {
      throw CliError(kExitInput, path + ": malformed preset: " + why);
    }
    CheckId(host, path, p.fxId);
    if (p.opaque) {
      ApplyChunk(host, path, p.chunk, true);
    } else {
      ApplyParams(host, path, p);
    }
    if (!p.name.empty()) host.SetProgramName(p.name);
    return;
  }
  FxBank b;
  if (!DecodeBank(bytes, &b, &why)) throw CliError(kExitInput, path + ": malformed preset: " + why);
  CheckId(host, path, b.fxId);
  if (b.opaque) {
    ApplyChunk(host, path, b.chunk, false);
    return;
  }
  if (b.numPrograms > host.Effect()->numPrograms) {
    throw CliError(kExitInput, path + ": the bank holds " + std::to_string(b.numPrograms) +
                                   " programs, the plug-in has " +
                                   std::to_string(host.Effect()->numPrograms));
  }
  // Every program is checked before the first one changes anything.
  for (const FxProgram& p : b.programs) CheckParamCount(host, path, p);
  for (std::size_t i = 0; i < b.programs.size(); ++i) {
    host.SetProgram(static_cast<int>(i));
    ApplyParams(host, path, b.programs[i]);
    if (!b.programs[i].name.empty()) host.SetProgramName(b.programs[i].name);
  }
  if (!b.programs.empty()) host.SetProgram(b.currentProgram);
}

void SavePresetFile(qvhost::PluginHost& host, const std::string& path, PresetForm form) {
  const bool chunk =
      form == PresetForm::kChunk ||
      (form == PresetForm::kAuto && (host.Effect()->flags & vst2::kFlagProgramChunks) != 0);
  std::vector<std::uint8_t> bytes;
  switch (ExtensionOf(path)) {
    case Extension::kFxp:
      bytes = EncodeProgram(CaptureProgram(host, chunk));
      break;
    case Extension::kFxb: {
      FxBank b;
      b.fxId = host.Effect()->uniqueID;
      b.fxVersion = host.Effect()->version;
      b.numPrograms = host.Effect()->numPrograms;
      b.currentProgram = std::max(0, host.GetProgram());
      b.opaque = chunk;
      if (chunk) {
        b.chunk = host.GetChunk(false);
        if (b.chunk.empty()) throw CliError(kExitFailure, "the plug-in gave no bank chunk");
      } else {
        // The way hosts read a bank without chunks: visit every program, then return.
        for (int i = 0; i < b.numPrograms; ++i) {
          host.SetProgram(i);
          b.programs.push_back(CaptureProgram(host, false));
        }
        host.SetProgram(b.currentProgram);
      }
      bytes = EncodeBank(b);
      break;
    }
    case Extension::kOther:
      bytes = host.GetChunk(true);
      if (bytes.empty()) throw CliError(kExitFailure, "the plug-in gave no state chunk");
      break;
  }
  WriteOutputFile(path, bytes);
}

std::string DescribePresetFile(const std::string& path) {
  const std::vector<std::uint8_t> bytes = ReadWholeFile(path);
  std::string why;
  std::string out;
  auto describeProgram = [&out](const FxProgram& p, const std::string& indent) {
    out += indent + "program \"" + p.name + "\" for '" + FourCharText(p.fxId) + "' version " +
           std::to_string(p.fxVersion) + ", " + std::to_string(p.numParams) + " parameters";
    if (p.opaque) {
      out += ", chunk of " + std::to_string(p.chunk.size()) + " bytes\n";
      return;
    }
    out += "\n";
    for (std::size_t i = 0; i < p.params.size(); ++i) {
      char line[64];
      std::snprintf(line, sizeof line, "%s  %3zu  %.6f\n", indent.c_str(), i, p.params[i]);
      out += line;
    }
  };
  switch (DetectPresetKind(bytes)) {
    case PresetKind::kRawChunk:
      if (ExtensionOf(path) != Extension::kOther) {
        throw CliError(kExitInput, path + ": malformed preset: not a VST preset file");
      }
      return "raw state chunk of " + std::to_string(bytes.size()) + " bytes\n";
    case PresetKind::kProgram: {
      FxProgram p;
      if (!DecodeProgram(bytes, &p, &why)) {
        throw CliError(kExitInput, path + ": malformed preset: " + why);
      }
      describeProgram(p, "");
      return out;
    }
    case PresetKind::kBank: {
      FxBank b;
      if (!DecodeBank(bytes, &b, &why)) {
        throw CliError(kExitInput, path + ": malformed preset: " + why);
      }
      out = "bank for '" + FourCharText(b.fxId) + "' version " + std::to_string(b.fxVersion) +
            ", " + std::to_string(b.numPrograms) + " programs, current " +
            std::to_string(b.currentProgram);
      if (b.opaque) return out + ", chunk of " + std::to_string(b.chunk.size()) + " bytes\n";
      out += "\n";
      for (const FxProgram& p : b.programs) describeProgram(p, "  ");
      return out;
    }
  }
  return out;
}

}  // namespace qvcli
