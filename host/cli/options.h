// Command-line options of one quorvantel-host command: declared with their help texts, parsed
// from argv, and printed as that command's --help.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace qvcli {

struct OptionSpec {
  std::string name;       // without the leading "--"
  std::string valueName;  // empty for a flag
  std::string help;
  bool repeatable = false;
  // The value may be left out ("--normalize", "--normalize -3", "--normalize=-3"): the next word
  // is taken only when it is a number.
  bool optionalValue = false;
  char shortName = 0;  // "-o" for "--output"
};

class Options {
 public:
  // usage: the synopsis after "quorvantel-host", e.g. "render IN OUT [options]".
  Options(std::string command, std::string usage, std::string summary,
          std::vector<OptionSpec> specs);

  // Parses args (the words after the command). Returns false when --help was asked for (the help
  // is then printed on stdout). Throws CliError(kExitUsage) on an unknown option, a missing value
  // or a wrong number of positional arguments.
  bool Parse(const std::vector<std::string>& args, std::size_t minPositional,
             std::size_t maxPositional);

  std::string Help() const;

  bool Has(const std::string& name) const { return values_.count(name) > 0; }
  // The last value given, or fallback.
  std::string Value(const std::string& name, const std::string& fallback = "") const;
  // Every value given, in order.
  std::vector<std::string> Values(const std::string& name) const;
  // Every (option, value) of the named options, in command-line order.
  std::vector<std::pair<std::string, std::string>> InOrder(
      const std::vector<std::string>& names) const;
  const std::vector<std::string>& Positional() const { return positional_; }

  // Numeric values, checked: throws CliError(kExitUsage) naming the option and the range.
  double Number(const std::string& name, double fallback, double min, double max) const;
  // A time in seconds, given as seconds ("3" or "3s"), milliseconds ("250ms") or, where a
  // sample rate is known (above 0), samples ("12000smp"); checked against min and max seconds.
  double Duration(const std::string& name, double fallback, double min, double max,
                  double sampleRate = 0.0) const;
  int Integer(const std::string& name, int fallback, int min, int max) const;

 private:
  const OptionSpec* Find(const std::string& name) const;

  std::string command_;
  std::string usage_;
  std::string summary_;
  std::vector<OptionSpec> specs_;
  std::multimap<std::string, std::string> values_;
  std::vector<std::pair<std::string, std::string>> given_;  // every option, in order
  std::vector<std::string> positional_;
};

// Parses a whole decimal number (surrounding spaces allowed); false when text is not one.
bool ParseNumber(const std::string& text, double* out);
// Parses a time as Options::Duration takes it into seconds; false when text is not one.
bool ParseDuration(const std::string& text, double sampleRate, double* seconds);

}  // namespace qvcli
