// "info" and "params": what the plug-in says about itself and its parameters.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "host/cli/cli_error.h"
#include "host/cli/commands.h"
#include "host/cli/options.h"
#include "host/cli/param_catalog.h"
#include "host/cli/preset_file.h"
#include "host/cli/session.h"
#include "host/cli/text_table.h"
#include "host/lib/clap_plugin_host.h"

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

// A version as hosts show it (VVVV * 10000 + RR * 100 + MM) in dotted form: 10000 is 1.0.0.
std::string DottedVersion(int v) {
  char dotted[48];
  std::snprintf(dotted, sizeof dotted, "%d.%d.%d", v / 10000, v / 100 % 100, v % 100);
  return dotted;
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

std::string VersionText(const std::string& hostVersion, const Args& args) {
  Options options("--version", "--version [--plugin PATH]",
                  "Prints this program's version and the plug-in's.", PluginOptions());
  std::string text = "quorvantel-host " + hostVersion + "\n";
  if (!options.Parse(args, 0, 0)) return "";
  const std::string path = options.Value("plugin", DefaultPluginPath());
  try {
    auto plugin = LoadPluginOption(options);
    const qvhost::PluginInfo& info = plugin->Info();
    const int v = info.versionNumber;
    text += "plug-in " + info.name + " " + DottedVersion(v) +
            (info.vendor.empty() ? "" : " by " + info.vendor) + " (version " + std::to_string(v) +
            " as hosts show it), " + path + "\n";
  } catch (const CliError& e) {
    text += "plug-in: none loaded from " + path + ": " + e.what() + "\n";
  }
  return text;
}

namespace {

// What a CLAP plug-in says about itself: its descriptor, ports, parameters and extensions.
int PrintClapInfo(qvhost::ClapPluginHost& clap, bool json) {
  // The latency is known once the plug-in is active.
  clap.SetActive(true);
  clap.SetActive(false);
  const qvhost::PluginInfo& info = clap.Info();
  const clap::PluginDescriptor& d = clap.Descriptor();
  const auto text = [](const char* t) { return std::string(t != nullptr ? t : ""); };
  const std::vector<std::string> features = clap.Features();
  const std::vector<std::string> extensions = clap.Extensions();
  const std::string renderPath = QuorvantelRenderPath(clap);
  if (json) {
    auto list = [](const std::vector<std::string>& items) {
      std::string out;
      for (const std::string& item : items) out += (out.empty() ? "" : ", ") + JsonString(item);
      return "[" + out + "]";
    };
    std::printf(
        "{\"format\": \"clap\", \"id\": %s, \"name\": %s, \"vendor\": %s, \"version\": %s, "
        "\"description\": %s, \"url\": %s, \"features\": %s, \"inputs\": %d, "
        "\"outputs\": %d, \"parameters\": %d, \"latency\": %d, \"editor\": %s, "
        "\"doublePrecision\": %s, \"extensions\": %s%s}\n",
        JsonString(info.id).c_str(), JsonString(info.name).c_str(),
        JsonString(info.vendor).c_str(), JsonString(info.version).c_str(),
        JsonString(text(d.description)).c_str(), JsonString(text(d.url)).c_str(),
        list(features).c_str(), info.inputs, info.outputs, info.parameters, info.latency,
        info.hasEditor ? "true" : "false", info.canDouble ? "true" : "false",
        list(extensions).c_str(),
        renderPath.empty() ? "" : (", \"renderPath\": " + JsonString(renderPath)).c_str());
    return 0;
  }
  auto field = [](const char* label, const std::string& value) {
    if (!value.empty()) std::printf("%-14s %s\n", label, value.c_str());
  };
  auto joined = [](const std::vector<std::string>& items) {
    std::string out;
    for (const std::string& item : items) out += (out.empty() ? "" : " ") + item;
    return out;
  };
  field("name:", info.name);
  field("vendor:", info.vendor);
  field("format:", "CLAP " + std::to_string(d.clapVersion.majorVersion) + "." +
                       std::to_string(d.clapVersion.minorVersion) + "." +
                       std::to_string(d.clapVersion.revision));
  field("id:", info.id);
  field("version:", info.version);
  field("description:", text(d.description));
  field("features:", joined(features));
  field("inputs:", std::to_string(info.inputs));
  field("outputs:", std::to_string(info.outputs));
  field("parameters:", std::to_string(info.parameters));
  field("latency:", std::to_string(info.latency) + " samples");
  field("editor:", info.hasEditor ? std::string("yes (") + qvhost::ClapWindowApi() + ")" : "no");
  field("64-bit audio:", info.canDouble ? "yes" : "no");
  field("extensions:", joined(extensions));
  const std::vector<const clap::PluginDescriptor*> all = clap.Descriptors();
  if (all.size() > 1) {
    std::printf("%-14s %zu (choose with --plugin-id)\n", "in the file:", all.size());
    for (const clap::PluginDescriptor* other : all)
      std::printf("  %s  %s\n", text(other->id).c_str(), text(other->name).c_str());
  }
  field("render path:", renderPath);
  return 0;
}

}  // namespace

int RunInfo(const Args& args) {
  Options options("info", "info [options]",
                  "Shows the plug-in's identity, vendor, unique id, version, inputs and outputs, "
                  "flags and programs (for a CLAP plug-in: its descriptor, features, ports and "
                  "extensions).",
                  Concat(PluginOptions(), {{"json", "", "print one JSON object"}}));
  if (!options.Parse(args, 0, 0)) return 0;
  auto plugin = LoadPluginOption(options);
  if (qvhost::ClapPluginHost* clap = plugin->Clap()) return PrintClapInfo(*clap, options.Has("json"));
  qvhost::PluginHost* host = plugin->Vst2();
  const vst2::AEffect& e = *host->Effect();
  std::vector<std::string> programs;
  for (int i = 0; i < e.numPrograms; ++i) programs.push_back(host->ProgramNameIndexed(i));
  const std::string name = host->EffectName();
  const std::string vendor = host->VendorString();
  const std::string product = host->ProductString();
  const long long vstVersion = static_cast<long long>(host->Dispatch(vst2::kEffectGetVstVersion));
  const bool instrument = host->Dispatch(vst2::kEffectGetPlugCategory) == 2;
  char id[16];
  std::snprintf(id, sizeof id, "0x%08X", static_cast<unsigned>(e.uniqueID));
  const std::string renderPath = QuorvantelRenderPath(*plugin);
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
    std::printf("]%s}\n",
                renderPath.empty() ? "" : (", \"renderPath\": " + JsonString(renderPath)).c_str());
    return 0;
  }
  // A field the plug-in leaves empty is left out rather than printed blank.
  auto field = [](const char* label, const std::string& value) {
    if (!value.empty()) std::printf("%-14s %s\n", label, value.c_str());
  };
  field("name:", name);
  field("vendor:", vendor);
  field("product:", product);
  char uniqueId[48];
  std::snprintf(uniqueId, sizeof uniqueId, "'%s' (%s)", FourCharText(e.uniqueID).c_str(), id);
  field("unique id:", uniqueId);
  field("version:", std::to_string(e.version) + " (" + DottedVersion(e.version) + ")");
  field("VST version:", std::to_string(vstVersion));
  field("category:", instrument ? "instrument" : "effect");
  field("inputs:", std::to_string(e.numInputs));
  field("outputs:", std::to_string(e.numOutputs));
  field("parameters:", std::to_string(e.numParams));
  field("initial delay:", std::to_string(e.initialDelay) + " samples");
  field("flags:", FlagNames(e.flags));
  field("programs:", std::to_string(e.numPrograms));
  for (std::size_t i = 0; i < programs.size(); ++i) {
    std::printf("  %2zu  %s\n", i, programs[i].c_str());
  }
  field("render path:", renderPath);
  return 0;
}

int RunParams(const Args& args) {
  Options options("params", "params [options]",
                  "Lists every parameter after the given preset and settings: index, the name to "
                  "use in --set (\"Envelope#2\" for the second of several called \"Envelope\"), "
                  "display text with its unit, the normalised value a host sees, the default, "
                  "the range and the texts it takes.",
                  Concat(Concat(PluginOptions(), SettingOptions()),
                         {{"json", "", "print a JSON array of parameter objects"}}));
  if (!options.Parse(args, 0, 0)) return 0;
  auto host = LoadPluginOption(options);
  // The defaults are the values the plug-in starts with, before any preset or setting.
  const int count = host->Info().parameters;
  std::vector<float> defaults;
  for (int i = 0; i < count; ++i) defaults.push_back(host->GetParameter(i));
  ApplyPresetAndProgram(*host, options);
  ApplyParameterSettings(*host, options);
  ParamCatalog catalog(*host);
  const bool json = options.Has("json");
  TextTable table({true, false, false, true});
  table.Add({"#", "parameter", "value", "normalised", "default", "range", "texts"});
  if (json) std::printf("[\n");
  for (int i = 0; i < count; ++i) {
    const std::string display = host->ParamDisplay(i);
    const std::string label = host->ParamLabel(i);
    const float value = host->GetParameter(i);
    const std::string byDefault = catalog.Display(i, defaults[static_cast<std::size_t>(i)]);
    const std::string min = catalog.Display(i, 0.0);
    const std::string max = catalog.Display(i, 1.0);
    std::vector<std::string> texts;
    for (const TextStep& t : catalog.Texts(i)) texts.push_back(t.text);
    if (json) {
      std::string list;
      for (const std::string& t : texts) list += (list.empty() ? "" : ", ") + JsonString(t);
      std::printf(
          "  {\"index\": %d, \"name\": %s, \"value\": %.6f, \"display\": %s, "
          "\"label\": %s, \"id\": %s, \"default\": %s, \"defaultValue\": %.6f, "
          "\"min\": %s, \"max\": %s, \"texts\": [%s]}%s\n",
          i, JsonString(catalog.Name(i)).c_str(), value, JsonString(display).c_str(),
          JsonString(label).c_str(), JsonString(catalog.Id(i)).c_str(),
          JsonString(byDefault).c_str(), defaults[static_cast<std::size_t>(i)],
          JsonString(min).c_str(), JsonString(max).c_str(), list.c_str(), i + 1 < count ? "," : "");
      continue;
    }
    // The table shows what the editor shows; the JSON above keeps the plug-in's own display.
    char normalised[32];
    std::snprintf(normalised, sizeof normalised, "%.6f", value);
    std::string joined;
    for (const std::string& t : texts) joined += (joined.empty() ? "" : ", ") + t;
    table.Add({std::to_string(i), catalog.Id(i), catalog.Shown(i, value), normalised,
               catalog.Shown(i, defaults[static_cast<std::size_t>(i)], &defaults),
               !texts.empty()       ? ""
               : catalog.OwnTable() ? catalog.Shown(i, 0.0) + " to " + catalog.Shown(i, 1.0)
                                    : min + " to " + max + (label.empty() ? "" : " " + label),
               joined});
  }
  std::fputs(json ? "]\n" : table.Format().c_str(), stdout);
  return 0;
}

}  // namespace qvcli
