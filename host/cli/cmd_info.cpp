// "info" and "params": what the plug-in says about itself and its parameters.
#include <cstdio>
#include <string>

#include "host/cli/commands.h"
#include "host/cli/options.h"
#include "host/cli/preset_file.h"
#include "host/cli/session.h"

namespace qvcli {
namespace {

std::string FlagNames(vst2::int32 flags) {
  struct Named {
    vst2::int32 bit;
    const char* name;
  };
  static constexpr Named kNames[] = {
      {vst2::kFlagHasEditor, "editor"},
      {vst2::kFlagCanMono, "can-mono"},
      {vst2::kFlagCanReplacing, "replacing"},
      {vst2::kFlagProgramChunks, "program-chunks"},
      {vst2::kFlagIsSynth, "synth"},
      {vst2::kFlagNoSoundInStop, "no-sound-in-stop"},
      {vst2::kFlagCanDoubleReplacing, "double-replacing"},
  };
  std::string out;
  for (const Named& n : kNames) {
    if (flags & n.bit) out += std::string(out.empty() ? "" : " ") + n.name;
  }
  return out.empty() ? "none" : out;
}

}  // namespace

std::string JsonString(const std::string& text) {
  std::string out = "\"";
  for (const char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
      out += escaped;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

int RunInfo(const Args& args) {
  Options options("info", "info [options]",
                  "Shows the plug-in's identity, vendor, unique id, version, inputs and outputs, "
                  "flags and programs.",
                  Concat(PluginOptions(), {{"json", "", "print one JSON object"}}));
  if (!options.Parse(args, 0, 0)) return 0;
  auto host = OpenPlugin(options.Value("plugin", DefaultPluginPath()));
  const vst2::AEffect& e = *host->Effect();
  std::vector<std::string> programs;
  for (int i = 0; i < e.numPrograms; ++i) programs.push_back(host->ProgramNameIndexed(i));
  const std::string name = host->EffectName();
  const std::string vendor = host->VendorString();
  const std::string product = host->ProductString();
  const long long vstVersion = static_cast<long long>(host->Dispatch(vst2::effGetVstVersion));
  const bool instrument = host->Dispatch(vst2::effGetPlugCategory) == 2;
  char id[16];
  std::snprintf(id, sizeof id, "0x%08X", static_cast<unsigned>(e.uniqueID));
  if (options.Has("json")) {
    std::printf(
        "{\"name\": %s, \"vendor\": %s, \"product\": %s, \"uniqueId\": %s, "
        "\"uniqueIdValue\": %d, \"version\": %d, \"vstVersion\": %lld, "
        "\"category\": %s, \"inputs\": %d, \"outputs\": %d, \"parameters\": %d, "
        "\"initialDelay\": %d, \"flags\": %s, \"programs\": [",
        JsonString(name).c_str(), JsonString(vendor).c_str(), JsonString(product).c_str(),
        JsonString(FourCharText(e.uniqueID)).c_str(), e.uniqueID, e.version, vstVersion,
        instrument ? "\"instrument\"" : "\"effect\"", e.numInputs, e.numOutputs, e.numParams,
        e.initialDelay, JsonString(FlagNames(e.flags)).c_str());
    for (std::size_t i = 0; i < programs.size(); ++i) {
      std::printf("%s%s", i ? ", " : "", JsonString(programs[i]).c_str());
    }
    std::printf("]}\n");
    return 0;
  }
  std::printf("name:          %s\n", name.c_str());
  std::printf("vendor:        %s\n", vendor.c_str());
  std::printf("product:       %s\n", product.c_str());
  std::printf("unique id:     '%s' (%s)\n", FourCharText(e.uniqueID).c_str(), id);
  std::printf("version:       %d\n", e.version);
  std::printf("VST version:   %lld\n", vstVersion);
  std::printf("category:      %s\n", instrument ? "instrument" : "effect");
  std::printf("inputs:        %d\n", e.numInputs);
  std::printf("outputs:       %d\n", e.numOutputs);
  std::printf("parameters:    %d\n", e.numParams);
  std::printf("initial delay: %d samples\n", e.initialDelay);
  std::printf("flags:         %s\n", FlagNames(e.flags).c_str());
  std::printf("programs:      %d\n", e.numPrograms);
  for (std::size_t i = 0; i < programs.size(); ++i) {
    std::printf("  %2zu  %s\n", i, programs[i].c_str());
  }
  return 0;
}

int RunParams(const Args& args) {
  Options options("params", "params [options]",
                  "Lists every parameter: index, name, display text with its label, and the "
                  "normalised value a host sees, after the given preset and settings.",
                  Concat(Concat(PluginOptions(), SettingOptions()),
                         {{"json", "", "print a JSON array of parameter objects"}}));
  if (!options.Parse(args, 0, 0)) return 0;
  auto host = OpenConfigured(options);
  const int count = host->Effect()->numParams;
  const bool json = options.Has("json");
  if (json) std::printf("[\n");
  for (int i = 0; i < count; ++i) {
    const std::string name = host->ParamName(i);
    const std::string display = host->ParamDisplay(i);
    const std::string label = host->ParamLabel(i);
    const float value = host->GetParameter(i);
    if (json) {
      std::printf(
          "  {\"index\": %d, \"name\": %s, \"value\": %.6f, \"display\": %s, "
          "\"label\": %s}%s\n",
          i, JsonString(name).c_str(), value, JsonString(display).c_str(),
          JsonString(label).c_str(), i + 1 < count ? "," : "");
    } else {
      const std::string shown = display + (label.empty() ? "" : " " + label);
      std::printf("%3d  %-12s %-18s %.6f\n", i, name.c_str(), shown.c_str(), value);
    }
  }
  if (json) std::printf("]\n");
  return 0;
}

}  // namespace qvcli
