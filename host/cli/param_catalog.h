// Parameters of a loaded plug-in seen from the command line: names resolved to indices (with
// suggestions for near misses and a spelling for repeated names), and plain or textual values
// turned into the normalised values a host sends (for a CLAP plug-in the host library maps them
// onto its plain values). For Quorvantel, in either format, that is its own parameter
// table's mapping, with the forms its editor shows; for other plug-ins a search of their
// displays. Display texts of normalised values come from the plug-in's query for them where it
// has one, else from setting the value, reading the display and setting the old value back.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "framework/parameter.h"
#include "host/lib/plugin.h"
#include "host/lib/plugin_host.h"

namespace qvcli {

// One display text of an enumerated parameter and the normalised value that selects it.
struct TextStep {
  std::string text;
  float normalized;
};

class ParamCatalog {
 public:
  // Reads every parameter's name. The plug-in must outlive the catalogue.
  explicit ParamCatalog(qvhost::IPlugin& plugin);
  // The same for a VST 2 host driven directly.
  explicit ParamCatalog(qvhost::PluginHost& host);

  int Count() const { return static_cast<int>(names_.size()); }
  const std::string& Name(int index) const { return names_[static_cast<std::size_t>(index)]; }
  // The name, with "#k" for the k-th (1-based) of several parameters of that name: "Envelope#2".
  const std::string& Id(int index) const { return ids_[static_cast<std::size_t>(index)]; }

  // An index ("15"), a name ("Pitch", exact, else ignoring case) or an Id ("Envelope#2"). Throws
  // CliError(kExitUsage) for an unknown name (naming the closest ones), an ambiguous one, or an
  // index out of range.
  int Resolve(const std::string& nameOrIndex) const;

  // The display text the parameter shows at normalised value x, leaving its value as it was.
  std::string Display(int index, double x);
  // What a user reads for normalised value x, with its unit: for Quorvantel what its editor
  // shows ("C", "25 %", "1/4"; the switches these depend on are read from context, a preset's
  // normalised values, else from the plug-in), for other plug-ins the display text and label.
  std::string Shown(int index, double x, const std::vector<float>* context = nullptr);
  // True when the plug-in is Quorvantel and its own parameter table is used.
  bool OwnTable() const { return !table_.empty(); }
  // With OwnTable: the parameter's plain value now, in its own units.
  double PlainValue(int index) const;

  // The normalised value that gives this plain value (in the parameter's own units) or display
  // text. A value between two of another plug-in's display steps takes the nearer step. Throws
  // CliError(kExitUsage) for a value out of range (giving the range), an unknown text (listing
  // the texts), or a display that is neither texts nor steadily rising or falling numbers.
  float NormalizedFor(int index, const std::string& value);

  // The enumeration texts of a parameter in order; empty when it shows numbers.
  const std::vector<TextStep>& Texts(int index);

  // Up to `count` names closest to `name` (edit distance, ignoring case), closest first.
  std::vector<std::string> Closest(const std::string& name, std::size_t count) const;

 private:
  void Read();
  bool DisplayNumber(int index, double x, double* out);
  float OwnNormalizedFor(int index, const std::string& value);
  float NormalizedForNumber(int index, double target, const std::string& text);
  std::string Describe(int index) const;

  std::unique_ptr<qvhost::IPlugin> adapter_;  // for a PluginHost
  qvhost::IPlugin& host_;
  std::vector<std::string> names_;
  std::vector<std::string> ids_;
  std::map<int, std::vector<TextStep>> texts_;
  // Quorvantel's own parameter definitions; empty for other plug-ins.
  std::vector<framework::ParameterDefinition> table_;
  bool checkedSupport_ = false;
  bool query_ = false;  // the plug-in answers the display-of-normalised-value query
};

// "--set NAME=VALUE": splits at the first '='. Throws CliError(kExitUsage) without one.
void SplitAssignment(const std::string& text, std::string* name, std::string* value);

}  // namespace qvcli
