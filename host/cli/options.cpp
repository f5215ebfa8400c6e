// Parsing and help of one command's options.
#include "host/cli/options.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <sstream>

#include "host/cli/cli_error.h"

namespace qvcli {

Options::Options(std::string command, std::string usage, std::string summary,
                 std::vector<OptionSpec> specs)
    : command_(std::move(command)),
      usage_(std::move(usage)),
      summary_(std::move(summary)),
      specs_(std::move(specs)) {}

const OptionSpec* Options::Find(const std::string& name) const {
  for (const OptionSpec& s : specs_) {
    if (s.name == name) return &s;
  }
  return nullptr;
}

bool Options::Parse(const std::vector<std::string>& args, std::size_t minPositional,
                    std::size_t maxPositional) {
  const std::string seeHelp = "; see quorvantel-host " + command_ + " --help";
  bool optionsEnded = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (optionsEnded || a.size() < 2 || a[0] != '-' || a == "-") {
      positional_.push_back(a);
      continue;
    }
    if (a == "--") {
      optionsEnded = true;
      continue;
    }
    if (a == "-h" || a == "--help") {
      std::fputs(Help().c_str(), stdout);
      return false;
    }
    std::string name;
    if (a.rfind("--", 0) == 0) {
      name = a.substr(2);
    } else {
      for (const OptionSpec& s : specs_) {
        if (a.size() == 2 && s.shortName == a[1]) name = s.name;
      }
      if (name.empty()) throw CliError(kExitUsage, "unknown option " + a + seeHelp);
    }
    std::string value;
    bool hasValue = false;
    if (const std::size_t eq = name.find('='); eq != std::string::npos) {
      value = name.substr(eq + 1);
      name.resize(eq);
      hasValue = true;
    }
    const OptionSpec* spec = Find(name);
    if (spec == nullptr) throw CliError(kExitUsage, "unknown option --" + name + seeHelp);
    if (spec->valueName.empty()) {
      if (hasValue) throw CliError(kExitUsage, "option --" + name + " takes no value");
      values_.emplace(name, "");
      given_.emplace_back(name, "");
      continue;
    }
    double unused = 0.0;
    if (!hasValue && spec->optionalValue &&
        (i + 1 >= args.size() || !ParseNumber(args[i + 1], &unused))) {
      hasValue = true;
    } else if (!hasValue) {
      if (i + 1 >= args.size()) {
        throw CliError(kExitUsage, "option --" + name + " needs a value (" + spec->valueName + ")");
      }
      value = args[++i];
    }
    // "--set Pitch 12": the value was meant as one NAME=VALUE word.
    if (spec->valueName.find('=') != std::string::npos && value.find('=') == std::string::npos) {
      const bool split = i + 1 < args.size() && !args[i + 1].empty() && args[i + 1][0] != '-';
      const std::string example = split ? value + "=" + args[i + 1] : value + "=VALUE";
      throw CliError(kExitUsage, "option --" + name + " takes " + spec->valueName +
                                     " as one word, got \"" + value + "\"" +
                                     (split ? " and \"" + args[i + 1] + "\"" : "") + "; write --" +
                                     name + " \"" + example + "\"");
    }
    if (!spec->repeatable) values_.erase(name);
    values_.emplace(name, value);
    given_.emplace_back(name, value);
  }
  if (positional_.size() < minPositional || positional_.size() > maxPositional) {
    throw CliError(kExitUsage, "usage: quorvantel-host " + usage_ + seeHelp);
  }
  return true;
}

std::string Options::Help() const {
  std::ostringstream out;
  out << "usage: quorvantel-host " << usage_ << "\n" << summary_ << "\n\noptions:\n";
  for (const OptionSpec& s : specs_) {
    std::string left = std::string("  ") +
                       (s.shortName ? std::string("-") + s.shortName + ", " : "") + "--" + s.name +
                       (s.valueName.empty() ? ""
                        : s.optionalValue   ? " [" + s.valueName + "]"
                                            : " " + s.valueName);
    if (left.size() < 30) left.resize(30, ' ');
    out << left << " " << s.help << (s.repeatable ? " (repeatable)" : "") << "\n";
  }
  out << "  --help                       this text\n";
  return out.str();
}

std::string Options::Value(const std::string& name, const std::string& fallback) const {
  auto range = values_.equal_range(name);
  if (range.first == range.second) return fallback;
  return std::prev(range.second)->second;
}

std::vector<std::string> Options::Values(const std::string& name) const {
  std::vector<std::string> out;
  auto range = values_.equal_range(name);
  for (auto it = range.first; it != range.second; ++it) out.push_back(it->second);
  return out;
}

std::vector<std::pair<std::string, std::string>> Options::InOrder(
    const std::vector<std::string>& names) const {
  std::vector<std::pair<std::string, std::string>> out;
  for (const auto& g : given_) {
    if (std::find(names.begin(), names.end(), g.first) != names.end()) out.push_back(g);
  }
  return out;
}

double Options::Number(const std::string& name, double fallback, double min, double max) const {
  if (!Has(name)) return fallback;
  double v = 0.0;
  const std::string text = Value(name);
  if (!ParseNumber(text, &v)) {
    throw CliError(kExitUsage, "option --" + name + ": \"" + text + "\" is not a number");
  }
  if (v < min || v > max) {
    std::ostringstream msg;
    msg << "option --" << name << ": " << text << " is out of range (" << min << " to " << max
        << ")";
    throw CliError(kExitUsage, msg.str());
  }
  return v;
}

double Options::Duration(const std::string& name, double fallback, double min, double max,
                         double sampleRate) const {
  if (!Has(name)) return fallback;
  double v = 0.0;
  const std::string text = Value(name);
  if (!ParseDuration(text, sampleRate, &v)) {
    throw CliError(kExitUsage, "option --" + name + ": \"" + text +
                                   "\" is not a time; give seconds (3 or 3s), milliseconds "
                                   "(250ms)" +
                                   (sampleRate > 0.0 ? " or samples (12000smp)" : ""));
  }
  if (v < min || v > max) {
    std::ostringstream msg;
    msg << "option --" << name << ": " << text << " is out of range (" << min << " to " << max
        << " s)";
    throw CliError(kExitUsage, msg.str());
  }
  return v;
}

int Options::Integer(const std::string& name, int fallback, int min, int max) const {
  const double v = Number(name, fallback, min, max);
  if (v != std::floor(v)) {
    throw CliError(kExitUsage, "option --" + name + ": " + Value(name) + " is not a whole number");
  }
  return static_cast<int>(v);
}

bool ParseDuration(const std::string& text, double sampleRate, double* seconds) {
  std::string number = text;
  double scale = 1.0;
  bool samples = false;
  auto strip = [&number](const std::string& suffix) {
    if (number.size() <= suffix.size() ||
        number.compare(number.size() - suffix.size(), suffix.size(), suffix) != 0) {
      return false;
    }
    number.resize(number.size() - suffix.size());
    return true;
  };
  if (strip("smp")) {
    if (sampleRate <= 0.0) return false;
    scale = 1.0 / sampleRate;
    samples = true;
  } else if (strip("ms")) {
    scale = 0.001;
  } else {
    strip("s");
  }
  double v = 0.0;
  if (!ParseNumber(number, &v) || v < 0.0) return false;
  if (samples && v != std::floor(v)) return false;
  *seconds = v * scale;
  return true;
}

bool ParseNumber(const std::string& text, double* out) {
  const char* begin = text.c_str();
  char* end = nullptr;
  errno = 0;
  const double v = std::strtod(begin, &end);
  if (end == begin || errno == ERANGE || !std::isfinite(v)) return false;
  while (*end == ' ' || *end == '\t') ++end;
  if (*end != '\0') return false;
  *out = v;
  return true;
}

}  // namespace qvcli
