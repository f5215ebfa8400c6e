// Parameters of a loaded plug-in seen from the command line: names resolved to indices (with
// suggestions for near misses) and plain or textual values turned into the normalised values a
// VST 2 host sends, found through the plug-in's "display text of a normalised value" query.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "host/plugin_host.h"

namespace qvcli {

// One display text of an enumerated parameter and the normalised value that selects it.
struct TextStep {
  std::string text;
  float normalized;
};

class ParamCatalog {
 public:
  // Reads every parameter's name. The host must outlive the catalogue.
  explicit ParamCatalog(qvhost::PluginHost& host);

  int Count() const { return static_cast<int>(names_.size()); }
  const std::string& Name(int index) const { return names_[static_cast<std::size_t>(index)]; }

  // An index ("15") or a name ("Pitch", exact, else ignoring case). Throws CliError(kExitUsage)
  // for an unknown name (naming the closest ones), an ambiguous one, or an index out of range.
  int Resolve(const std::string& nameOrIndex) const;

  // The normalised value that gives this plain value (in the parameter's own units) or display
  // text. Throws CliError(kExitUsage) for a value out of range (giving the range), an unknown
  // text (listing the texts), or a plug-in that cannot display values of normalised positions.
  float NormalizedFor(int index, const std::string& value);

  // The enumeration texts of a parameter in order; empty when it shows numbers.
  const std::vector<TextStep>& Texts(int index);

  // Up to `count` names closest to `name` (edit distance, ignoring case), closest first.
  std::vector<std::string> Closest(const std::string& name, std::size_t count) const;

 private:
  std::string Display(int index, double x);
  bool DisplayNumber(int index, double x, double* out);
  float NormalizedForNumber(int index, double target, const std::string& text);
  std::string Describe(int index) const;

  qvhost::PluginHost& host_;
  std::vector<std::string> names_;
  std::map<int, std::vector<TextStep>> texts_;
  bool checkedSupport_ = false;
};

// "--set NAME=VALUE": splits at the first '='. Throws CliError(kExitUsage) without one.
void SplitAssignment(const std::string& text, std::string* name, std::string* value);

}  // namespace qvcli
