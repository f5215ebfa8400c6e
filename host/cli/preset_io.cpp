// Loading and saving presets through the host library.
#include "host/cli/preset_io.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <memory>

#include "host/cli/atomic_file.h"
#include "host/cli/cli_error.h"
#include "host/cli/param_catalog.h"
#include "host/cli/text_table.h"

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

std::string PluginLabel(qvhost::IPlugin& host) {
  return std::string(1, '\'') + FourCharText(host.Info().presetId) + "' (" + host.Info().name +
         ")";
}

void CheckId(qvhost::IPlugin& host, const std::string& path, std::int32_t fxId) {
  if (fxId != host.Info().presetId) {
    throw CliError(kExitInput, path + " is a preset for plug-in '" + FourCharText(fxId) +
                                   "', not for " + PluginLabel(host));
  }
}

void CheckParamCount(qvhost::IPlugin& host, const std::string& path, const FxProgram& p) {
  if (p.numParams != host.Info().parameters) {
    throw CliError(kExitInput, path + ": the preset holds " + std::to_string(p.numParams) +
                                   " parameters, the plug-in has " +
                                   std::to_string(host.Info().parameters));
  }
}

void ApplyParams(qvhost::IPlugin& host, const std::string& path, const FxProgram& p) {
  CheckParamCount(host, path, p);
  for (std::size_t i = 0; i < p.params.size(); ++i) {
    host.SetParameter(static_cast<int>(i), p.params[i]);
  }
}

void ApplyChunk(qvhost::IPlugin& host, const std::string& path,
                const std::vector<std::uint8_t>& chunk, bool program) {
  if (chunk.empty() || !host.SetChunk(chunk, program)) {
    throw CliError(kExitInput, path + ": the plug-in refused the preset's state chunk");
  }
}

FxProgram CaptureProgram(qvhost::IPlugin& host, bool chunk) {
  FxProgram p;
  p.fxId = host.Info().presetId;
  p.fxVersion = host.Info().versionNumber;
  p.name = host.ProgramName();
  p.numParams = host.Info().parameters;
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

int LoadPresetFile(qvhost::IPlugin& host, const std::string& path, int bankProgram) {
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
    return 0;
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
    return 0;
  }
  FxBank b;
  if (!DecodeBank(bytes, &b, &why)) throw CliError(kExitInput, path + ": malformed preset: " + why);
  CheckId(host, path, b.fxId);
  if (b.opaque) {
    ApplyChunk(host, path, b.chunk, false);
    return 0;
  }
  if (b.numPrograms < 1) throw CliError(kExitInput, path + ": the bank holds no programs");
  if (bankProgram >= b.numPrograms) {
    throw CliError(kExitUsage, "--program: " + std::to_string(bankProgram) + " is out of range (" +
                                   path + " holds programs 0 to " +
                                   std::to_string(b.numPrograms - 1) + ")");
  }
  // Every program is checked before the first one changes anything.
  for (const FxProgram& p : b.programs) CheckParamCount(host, path, p);
  // The plug-in's programs take the bank's first ones; a larger bank's others stay reachable
  // by number.
  const int fitting = std::min(b.numPrograms, std::max(0, host.Info().programs));
  for (int i = 0; i < fitting; ++i) {
    host.SetProgram(i);
    ApplyParams(host, path, b.programs[static_cast<std::size_t>(i)]);
    if (!b.programs[static_cast<std::size_t>(i)].name.empty())
      host.SetProgramName(b.programs[static_cast<std::size_t>(i)].name);
  }
  const int chosen = bankProgram >= 0 ? bankProgram : b.currentProgram;
  if (chosen >= 0 && chosen < fitting) {
    host.SetProgram(chosen);
  } else if (chosen >= fitting && chosen < b.numPrograms) {
    if (fitting > 0) host.SetProgram(0);
    const FxProgram& p = b.programs[static_cast<std::size_t>(chosen)];
    ApplyParams(host, path, p);
    if (!p.name.empty()) host.SetProgramName(p.name);
  }
  return b.numPrograms;
}

bool UsesChunks(qvhost::IPlugin& host, PresetForm form) {
  return form == PresetForm::kChunk ||
         (form == PresetForm::kAuto && host.Info().prefersChunks);
}

bool IsBankPath(const std::string& path) { return ExtensionOf(path) == Extension::kFxb; }

std::vector<FxProgram> CaptureBankPrograms(qvhost::IPlugin& host) {
  std::vector<FxProgram> programs;
  const int current = std::max(0, host.GetProgram());
  for (int i = 0; i < host.Info().programs; ++i) {
    host.SetProgram(i);
    programs.push_back(CaptureProgram(host, false));
  }
  host.SetProgram(current);
  return programs;
}

std::string SavePresetFile(qvhost::IPlugin& host, const std::string& path, PresetForm form,
                           const std::vector<FxProgram>* bankPrograms) {
  const bool chunk = UsesChunks(host, form);
  std::vector<std::uint8_t> bytes;
  const std::string of = " of " + host.Info().name;
  const std::string values =
      chunk ? "as a state chunk" : std::to_string(host.Info().parameters) + " parameter values";
  std::string what;
  switch (ExtensionOf(path)) {
    case Extension::kFxp: {
      const FxProgram program = CaptureProgram(host, chunk);
      bytes = EncodeProgram(program);
      what = "program \"" + program.name + "\"" + of + ", " + values;
      break;
    }
    case Extension::kFxb: {
      FxBank b;
      b.fxId = host.Info().presetId;
      b.fxVersion = host.Info().versionNumber;
      b.numPrograms = host.Info().programs;
      b.currentProgram = std::max(0, host.GetProgram());
      b.opaque = chunk;
      if (b.numPrograms < 1) {
        throw CliError(kExitUsage, "the plug-in has no programs to save as a bank; save a .fxp");
      }
      if (chunk) {
        b.chunk = host.GetChunk(false);
        if (b.chunk.empty()) throw CliError(kExitFailure, "the plug-in gave no bank chunk");
      } else {
        const FxProgram current = CaptureProgram(host, false);
        b.programs = bankPrograms != nullptr ? *bankPrograms : CaptureBankPrograms(host);
        if (b.currentProgram < static_cast<int>(b.programs.size())) {
          b.programs[static_cast<std::size_t>(b.currentProgram)] = current;
        }
      }
      bytes = EncodeBank(b);
      what = "bank of " + std::to_string(b.numPrograms) + " programs" + of + ", " +
             (chunk ? values : "each with " + values);
      break;
    }
    case Extension::kOther:
      bytes = host.GetChunk(true);
      if (bytes.empty()) throw CliError(kExitFailure, "the plug-in gave no state chunk");
      what = "state chunk" + of;
      break;
  }
  WriteOutputFile(path, bytes);
  return path + ": " + what + " (" + std::to_string(bytes.size()) + " bytes)";
}

std::string DescribePresetFile(const std::string& path, qvhost::IPlugin* host) {
  const std::vector<std::uint8_t> bytes = ReadWholeFile(path);
  const PresetKind kind = DetectPresetKind(bytes);
  std::string why;
  FxProgram program;
  FxBank bank;
  if (kind == PresetKind::kRawChunk && ExtensionOf(path) != Extension::kOther) {
    throw CliError(kExitInput, path + ": malformed preset: not a VST preset file");
  }
  if ((kind == PresetKind::kProgram && !DecodeProgram(bytes, &program, &why)) ||
      (kind == PresetKind::kBank && !DecodeBank(bytes, &bank, &why))) {
    throw CliError(kExitInput, path + ": malformed preset: " + why);
  }
  if (kind == PresetKind::kBank && !bank.opaque && bank.numPrograms < 1) {
    throw CliError(kExitInput, path + ": the bank holds no programs");
  }
  // Names and display texts need the plug-in the preset is for.
  const std::int32_t id = kind == PresetKind::kProgram ? program.fxId : bank.fxId;
  if (host != nullptr && kind != PresetKind::kRawChunk && id != host->Info().presetId) {
    std::fprintf(stderr,
                 "quorvantel-host: note: values shown normalised: %s is for plug-in '%s', "
                 "not for %s\n",
                 path.c_str(), FourCharText(id).c_str(), PluginLabel(*host).c_str());
    host = nullptr;
  }
  std::unique_ptr<ParamCatalog> catalog;
  if (host != nullptr) catalog = std::make_unique<ParamCatalog>(*host);

  // The plug-in's parameters as they are now: after a chunk was loaded into it.
  auto listCurrent = [&](const std::string& indent) {
    TextTable table({true});
    for (int i = 0; i < catalog->Count(); ++i) {
      char value[32];
      std::snprintf(value, sizeof value, "%.6f", host->GetParameter(i));
      table.Add(
          {std::to_string(i), catalog->Id(i), catalog->Shown(i, host->GetParameter(i)), value});
    }
    return table.Format(indent + "  ");
  };
  auto describeProgram = [&](const FxProgram& p, const std::string& indent) {
    std::string out = indent + "program \"" + p.name + "\" for '" + FourCharText(p.fxId) +
                      "' version " + std::to_string(p.fxVersion) + ", " +
                      std::to_string(p.numParams) + " parameters";
    if (p.opaque) {
      out += ", chunk of " + std::to_string(p.chunk.size()) + " bytes\n";
      if (catalog) {
        ApplyChunk(*host, path, p.chunk, true);
        out += listCurrent(indent);
      }
      return out;
    }
    out += "\n";
    const bool named = catalog && p.numParams == catalog->Count();
    TextTable table({true});
    for (std::size_t i = 0; i < p.params.size(); ++i) {
      char value[32];
      std::snprintf(value, sizeof value, "%.6f", p.params[i]);
      const int index = static_cast<int>(i);
      if (named) {
        table.Add({std::to_string(i), catalog->Id(index),
                   catalog->Shown(index, p.params[i], &p.params), value});
      } else {
        table.Add({std::to_string(i), value});
      }
    }
    return out + table.Format(indent + "  ");
  };
  switch (kind) {
    case PresetKind::kRawChunk: {
      std::string out = "raw state chunk of " + std::to_string(bytes.size()) + " bytes\n";
      if (catalog && host->SetChunk(bytes, true)) out += listCurrent("");
      return out;
    }
    case PresetKind::kProgram:
      return describeProgram(program, "");
    case PresetKind::kBank: {
      std::string out = "bank for '" + FourCharText(bank.fxId) + "' version " +
                        std::to_string(bank.fxVersion) + ", " + std::to_string(bank.numPrograms) +
                        " programs, current " + std::to_string(bank.currentProgram);
      if (bank.opaque) {
        out += ", chunk of " + std::to_string(bank.chunk.size()) + " bytes\n";
        if (catalog) {
          ApplyChunk(*host, path, bank.chunk, false);
          out += "current program after loading it:\n" + listCurrent("");
        }
        return out;
      }
      out += "\n";
      for (const FxProgram& p : bank.programs) out += describeProgram(p, "  ");
      return out;
    }
  }
  return "";
}

}  // namespace qvcli
