// qv_factory_bank: writes Quorvantel's factory bank (.fxb, one program of normalised parameter
// values per preset) from the preset list in presets/factory-presets.txt. Each program starts
// from a fresh instance's defaults and takes its settings as quorvantel-host's --set does.
#include <cstdio>
#include <exception>
#include <fstream>
#include <string>
#include <vector>

#include "host/cli/atomic_file.h"
#include "host/cli/cli_error.h"
#include "host/cli/param_catalog.h"
#include "host/cli/preset_file.h"
#include "host/lib/plugin_host.h"
#include "quorvantel/vst2/quorvantel_vst2.h"

namespace {

struct PresetSource {
  std::string name;
  std::string about;
  std::vector<std::string> settings;  // NAME=VALUE
};

std::string Trim(const std::string& s) {
  const std::size_t a = s.find_first_not_of(" \t\r");
  return a == std::string::npos ? "" : s.substr(a, s.find_last_not_of(" \t\r") - a + 1);
}

// "name:", "about:" and "set:" lines; '#' starts a comment line.
std::vector<PresetSource> ReadList(const std::string& path) {
  std::ifstream in(path);
  if (!in) throw qvcli::CliError(qvcli::kExitInput, "cannot read " + path);
  std::vector<PresetSource> presets;
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    line = Trim(line);
    if (line.empty() || line[0] == '#') continue;
    const std::size_t colon = line.find(':');
    const std::string key = colon == std::string::npos ? "" : line.substr(0, colon);
    const std::string value = colon == std::string::npos ? "" : Trim(line.substr(colon + 1));
    if (key == "name") {
      presets.push_back({value, "", {}});
    } else if (key == "about" && !presets.empty()) {
      presets.back().about = value;
    } else if (key == "set" && !presets.empty()) {
      presets.back().settings.push_back(value);
    } else {
      throw qvcli::CliError(qvcli::kExitInput, path + ":" + std::to_string(number) +
                                                   ": expected name:, about: or set:");
    }
  }
  return presets;
}

vst2::AEffect* Entry(vst2::HostCallback callback) { return quorvantel::CreateQuorvantelEffect(callback); }

qvcli::FxProgram MakeProgram(const PresetSource& preset) {
  std::string error;
  auto host = qvhost::PluginHost::Start(Entry, "Quorvantel", &error);
  if (!host) throw qvcli::CliError(qvcli::kExitPlugin, error);
  host->Open();
  qvcli::ParamCatalog catalog(*host);
  for (const std::string& setting : preset.settings) {
    std::string name, value;
    qvcli::SplitAssignment(setting, &name, &value);
    const int index = catalog.Resolve(name);
    host->SetParameter(index, catalog.NormalizedFor(index, value));
  }
  qvcli::FxProgram program;
  program.fxId = host->Effect()->uniqueID;
  program.fxVersion = host->Effect()->version;
  program.name = preset.name;
  program.numParams = host->Effect()->numParams;
  for (int i = 0; i < program.numParams; ++i) program.params.push_back(host->GetParameter(i));
  return program;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: qv_factory_bank LIST.txt OUT.fxb\n");
    return 2;
  }
  try {
    qvcli::FxBank bank;
    for (const PresetSource& preset : ReadList(argv[1])) {
      if (preset.name.empty() || preset.name.size() >= qvcli::kPresetNameBytes)
        throw qvcli::CliError(qvcli::kExitInput, "preset name \"" + preset.name +
                                                     "\" is empty or longer than 27 characters");
      bank.programs.push_back(MakeProgram(preset));
    }
    if (bank.programs.empty()) throw qvcli::CliError(qvcli::kExitInput, "no presets in the list");
    bank.fxId = bank.programs[0].fxId;
    bank.fxVersion = bank.programs[0].fxVersion;
    bank.numPrograms = static_cast<std::int32_t>(bank.programs.size());
    bank.currentProgram = 0;
    qvcli::WriteOutputFile(argv[2], qvcli::EncodeBank(bank));
    std::printf("%s: %d programs\n", argv[2], bank.numPrograms);
    return 0;
  } catch (const qvcli::CliError& e) {
    std::fprintf(stderr, "qv_factory_bank: %s\n", e.what());
    return e.ExitCode();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "qv_factory_bank: %s\n", e.what());
    return 1;
  }
}
