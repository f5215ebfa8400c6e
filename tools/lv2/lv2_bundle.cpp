// Writes the Turtle of the LV2 bundle from the parameter table: manifest.ttl, quorvantel.ttl (the
// plug-in, its ports and its UI) and presets.ttl (the six programs and the factory bank).
// Usage: qv_lv2_bundle BUNDLE_DIR FACTORY_BANK.fxb
#include <cctype>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "host/cli/preset_file.h"
#include "quorvantel/lv2/lv2_ports.h"
#include "quorvantel/parameters/parameter_table.h"
#include "quorvantel/quorvantel.h"

namespace {

using framework::ParameterDefinition;
using framework::ParameterType;
using quorvantel::kLv2PluginUri;

const char kPrefixes[] =
    "@prefix atom: <http://lv2plug.in/ns/ext/atom#> .\n"
    "@prefix doap: <http://usefulinc.com/ns/doap#> .\n"
    "@prefix foaf: <http://xmlns.com/foaf/0.1/> .\n"
    "@prefix log: <http://lv2plug.in/ns/ext/log#> .\n"
    "@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n"
    "@prefix opts: <http://lv2plug.in/ns/ext/options#> .\n"
    "@prefix pprops: <http://lv2plug.in/ns/ext/port-props#> .\n"
    "@prefix pset: <http://lv2plug.in/ns/ext/presets#> .\n"
    "@prefix rdf: <http://www.w3.org/1999/02/22-rdf-syntax-ns#> .\n"
    "@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .\n"
    "@prefix state: <http://lv2plug.in/ns/ext/state#> .\n"
    "@prefix time: <http://lv2plug.in/ns/ext/time#> .\n"
    "@prefix ui: <http://lv2plug.in/ns/extensions/ui#> .\n"
    "@prefix units: <http://lv2plug.in/ns/extensions/units#> .\n"
    "@prefix urid: <http://lv2plug.in/ns/ext/urid#> .\n\n";

// A decimal literal (always with a point, so Turtle reads it as a number, not an integer).
std::string Number(double v) {
  char text[32];
  std::snprintf(text, sizeof text, "%.9g", v);
  std::string s = text;
  if (s.find_first_of(".e") == std::string::npos) s += ".0";
  return s;
}

// A Turtle string literal.
std::string Quoted(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

// The unit a host shows after the value, where one of the LV2 units fits the parameter's.
const char* UnitOf(const ParameterDefinition& p, int index) {
  const std::string label = p.Label();
  if (label == "ms") return "units:ms";
  if (label == "Hz") return "units:hz";
  if (index == quorvantel::kParamPitch) return "units:semitone12TET";
  return nullptr;
}

void ParameterPort(std::ostream& out, int index, const ParameterDefinition& p,
                   const std::string& symbol) {
  out << "    [\n"
      << "        a lv2:InputPort, lv2:ControlPort ;\n"
      << "        lv2:index " << index << " ;\n"
      << "        lv2:symbol " << Quoted(symbol) << " ;\n"
      << "        lv2:name " << Quoted(p.Name()) << " ;\n"
      << "        lv2:default " << Number(p.DefaultValue()) << " ;\n"
      << "        lv2:minimum " << Number(p.Min()) << " ;\n"
      << "        lv2:maximum " << Number(p.Max());
  if (const char* unit = UnitOf(p, index)) out << " ;\n        units:unit " << unit;
  switch (p.Type()) {
    case ParameterType::kBool:
      out << " ;\n        lv2:portProperty lv2:toggled";
      break;
    case ParameterType::kInt:
      out << " ;\n        lv2:portProperty lv2:integer";
      break;
    case ParameterType::kEnum:
      out << " ;\n        lv2:portProperty lv2:integer, lv2:enumeration";
      for (int k = 0; k < p.DisplayTextCount(); ++k) {
        const framework::DisplayText& t = p.DisplayTextAt(k);
        out << (k == 0 ? " ;\n        lv2:scalePoint " : " ,\n            ") << "[ rdfs:label "
            << Quoted(t.text) << " ; rdf:value " << Number(t.value) << " ]";
      }
      break;
    default:
      // A host's slider has no power curve; the logarithmic one is nearest to the finer steps
      // the table gives the low end of these ranges (Length, the LFO rates).
      if (p.Exponent() != 1.0) out << " ;\n        lv2:portProperty pprops:logarithmic";
      break;
  }
  out << "\n    ]";
}

void SimplePort(std::ostream& out, int index, const char* kind, const char* flow,
                const quorvantel::Lv2PortName& name, const std::string& extra) {
  out << "    [\n"
      << "        a lv2:" << flow << ", " << kind << " ;\n"
      << "        lv2:index " << index << " ;\n"
      << "        lv2:symbol " << Quoted(name.symbol) << " ;\n"
      << "        lv2:name " << Quoted(name.name) << extra << "\n    ]";
}

std::string PluginTurtle(const std::vector<ParameterDefinition>& parameters) {
  const framework::Lv2PortLayout layout = quorvantel::QuorvantelLv2Layout();
  const std::vector<std::string> symbols = quorvantel::ParameterPortSymbols(parameters);
  const std::string plugin = std::string("<") + kLv2PluginUri + ">";
  const std::string ui = std::string("<") + quorvantel::kLv2UiUri + ">";
  // The maintainer belongs to the project (doap's domain); hosts show it as the plug-in's author.
  const std::string project = std::string("<") + kLv2PluginUri + "#project>";
  std::ostringstream out;
  out << kPrefixes;
  out << project << "\n"
      << "    a doap:Project ;\n"
      << "    doap:name \"Quorvantel\" ;\n"
      << "    doap:maintainer [ a foaf:Person ; foaf:name \"Halbrecken\" ] .\n\n";
  out << plugin << "\n"
      << "    a lv2:Plugin, lv2:DelayPlugin ;\n"
      << "    doap:name \"Quorvantel\" ;\n"
      << "    lv2:project " << project << " ;\n"
      << "    rdfs:comment \"A stereo granular delay and texture effect.\" ;\n"
      << "    lv2:minorVersion 0 ;\n"
      << "    lv2:microVersion 0 ;\n"
      << "    lv2:requiredFeature urid:map ;\n"
      << "    lv2:optionalFeature lv2:hardRTCapable, log:log ;\n"
      << "    lv2:extensionData state:interface ;\n"
      << "    ui:ui " << ui << " ;\n"
      << "    lv2:port\n";
  bool first = true;
  const auto separator = [&] {
    if (!first) out << " ,\n";
    first = false;
  };
  for (int i = 0; i < layout.parameters; ++i) {
    separator();
    ParameterPort(out, i, parameters[i], symbols[i]);
  }
  for (int c = 0; c < layout.audioInputs; ++c) {
    separator();
    SimplePort(out, layout.FirstAudioInput() + c, "lv2:AudioPort", "InputPort",
               quorvantel::kLv2AudioInputs[c], "");
  }
  for (int c = 0; c < layout.audioOutputs; ++c) {
    separator();
    SimplePort(out, layout.FirstAudioOutput() + c, "lv2:AudioPort", "OutputPort",
               quorvantel::kLv2AudioOutputs[c], "");
  }
  separator();
  SimplePort(out, layout.TimePort(), "atom:AtomPort", "InputPort", quorvantel::kLv2TimePort,
             " ;\n        atom:bufferType atom:Sequence ;\n        atom:supports time:Position ;\n"
             "        lv2:portProperty lv2:connectionOptional");
  for (int r = 0; r < layout.readOuts; ++r) {
    separator();
    SimplePort(out, layout.FirstReadOut() + r, "lv2:ControlPort", "OutputPort",
               quorvantel::kLv2ReadOuts[r],
               " ;\n        lv2:default 0.0 ;\n        lv2:minimum 0.0 ;\n        lv2:maximum " +
                   Number(quorvantel::kLv2ReadOutMaxima[r]) +
                   " ;\n        lv2:portProperty lv2:integer");
  }
  out << " .\n\n";

  out << ui << "\n"
      << "    a ui:X11UI ;\n"
      << "    ui:binary <quorvantel_ui.so> ;\n"
      << "    lv2:optionalFeature ui:parent, ui:resize, ui:touch, ui:idleInterface,\n"
      << "        ui:portSubscribe, ui:noUserResize, opts:options, urid:map, log:log ;\n"
      << "    lv2:extensionData ui:idleInterface, ui:showInterface ;\n"
      << "    opts:supportedOption ui:scaleFactor";
  for (int r = 0; r < layout.readOuts; ++r) {
    out << (r == 0 ? " ;\n    ui:portNotification " : " ,\n        ") << "[ ui:plugin " << plugin
        << " ; lv2:symbol " << Quoted(quorvantel::kLv2ReadOuts[r].symbol)
        << " ; ui:protocol ui:floatProtocol ]";
  }
  out << " .\n";
  return out.str();
}

struct PresetRecord {
  std::string uri;
  std::string label;
  std::string bank;  // empty: none
  std::vector<double> values;  // plain, in index order
};

// "Reverse Cloud" -> "reverse-cloud".
std::string Slug(const std::string& name) {
  std::string slug;
  for (char c : name) {
    const auto u = static_cast<unsigned char>(c);
    if (std::isalnum(u) != 0) {
      slug += static_cast<char>(std::tolower(u));
    } else if (!slug.empty() && slug.back() != '-') {
      slug += '-';
    }
  }
  while (!slug.empty() && slug.back() == '-') slug.pop_back();
  return slug;
}

std::vector<PresetRecord> Presets(const std::vector<ParameterDefinition>& parameters,
                                  const qvcli::FxBank& bank) {
  std::vector<PresetRecord> presets;
  // The programs a fresh instance holds: named as the host lists them, each with the values it
  // takes on first being chosen, the defaults.
  std::vector<double> defaults;
  for (const auto& p : parameters) defaults.push_back(p.DefaultValue());
  for (int n = 1; n <= quorvantel::kQuorvantelPrograms; ++n) {
    presets.push_back({std::string(kLv2PluginUri) + "#program-" + std::to_string(n),
                       "- " + std::to_string(n) + " -", "", defaults});
  }
  for (const qvcli::FxProgram& program : bank.programs) {
    PresetRecord record{std::string(kLv2PluginUri) + "#factory-" + Slug(program.name),
                        program.name, std::string(kLv2PluginUri) + "#factory", {}};
    for (std::size_t i = 0; i < parameters.size(); ++i) {
      // The normalised value a VST 2 host would set, as the plain value it gives.
      const double x = i < program.params.size() ? program.params[i] : parameters[i].NormalizedOf(
                                                                            defaults[i]);
      record.values.push_back(parameters[i].ValueFromNormalized(x));
    }
    presets.push_back(record);
  }
  return presets;
}

std::string PresetTurtle(const std::vector<PresetRecord>& presets,
                         const std::vector<std::string>& symbols) {
  std::ostringstream out;
  out << kPrefixes;
  out << "<" << kLv2PluginUri << "#factory>\n"
      << "    a pset:Bank ;\n    rdfs:label \"Factory\" .\n";
  for (const PresetRecord& preset : presets) {
    out << "\n<" << preset.uri << ">\n"
        << "    a pset:Preset ;\n"
        << "    lv2:appliesTo <" << kLv2PluginUri << "> ;\n"
        << "    rdfs:label " << Quoted(preset.label) << " ;\n";
    if (!preset.bank.empty()) out << "    pset:bank <" << preset.bank << "> ;\n";
    out << "    lv2:port";
    for (std::size_t i = 0; i < preset.values.size(); ++i) {
      out << (i == 0 ? "\n        " : " ,\n        ") << "[ lv2:symbol " << Quoted(symbols[i])
          << " ; pset:value " << Number(preset.values[i]) << " ]";
    }
    out << " .\n";
  }
  return out.str();
}

std::string ManifestTurtle(const std::vector<PresetRecord>& presets) {
  std::ostringstream out;
  out << kPrefixes;
  out << "<" << kLv2PluginUri << ">\n"
      << "    a lv2:Plugin ;\n"
      << "    lv2:binary <quorvantel.so> ;\n"
      << "    rdfs:seeAlso <quorvantel.ttl> .\n";
  for (const PresetRecord& preset : presets) {
    out << "\n<" << preset.uri << ">\n"
        << "    a pset:Preset ;\n"
        << "    lv2:appliesTo <" << kLv2PluginUri << "> ;\n"
        << "    rdfs:seeAlso <presets.ttl> .\n";
  }
  return out.str();
}

bool Write(const std::string& path, const std::string& text) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file << text;
  file.close();
  if (!file) std::cerr << "qv_lv2_bundle: cannot write " << path << "\n";
  return static_cast<bool>(file);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: qv_lv2_bundle BUNDLE_DIR FACTORY_BANK.fxb\n";
    return 2;
  }
  const std::string dir = argv[1];
  std::ifstream bankFile(argv[2], std::ios::binary);
  const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(bankFile)),
                                        std::istreambuf_iterator<char>());
  qvcli::FxBank bank;
  std::string error;
  if (!bankFile || !qvcli::DecodeBank(bytes, &bank, &error) || bank.opaque) {
    std::cerr << "qv_lv2_bundle: " << argv[2] << ": "
              << (error.empty() ? "not a bank of programs" : error) << "\n";
    return 1;
  }
  const std::vector<ParameterDefinition> parameters = quorvantel::QuorvantelParameters();
  const std::vector<PresetRecord> presets = Presets(parameters, bank);
  const bool ok = Write(dir + "/quorvantel.ttl", PluginTurtle(parameters)) &&
                  Write(dir + "/presets.ttl",
                        PresetTurtle(presets, quorvantel::ParameterPortSymbols(parameters))) &&
                  Write(dir + "/manifest.ttl", ManifestTurtle(presets));
  return ok ? 0 : 1;
}
