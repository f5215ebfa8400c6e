// Name resolution and plain-to-normalised value search for command-line parameter settings.
#include "host/cli/param_catalog.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <functional>

#include "host/cli/cli_error.h"
#include "host/cli/options.h"
#include "quorvantel/editor/value_texts.h"
#include "host/lib/vst2_plugin.h"
#include "quorvantel/vst2/quorvantel_vst2.h"

namespace qvcli {
namespace {

using quorvantel::kParameterCount;
using quorvantel::kQuorvantelUniqueId;
using quorvantel::kQuorvantelVersion;

// Bisection steps: 2^-40 is far below the float resolution of the normalised value.
constexpr int kBisectionSteps = 40;
// Enumeration boundaries are located to this width in normalised units.
constexpr double kTextBoundaryWidth = 1e-7;
// A parameter showing more distinct texts than this is treated as a numeric one gone wrong.
constexpr std::size_t kMaxTexts = 256;
// Points at which a numeric display is checked to rise or fall steadily before bisection.
constexpr int kSteadinessChecks = 32;

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::size_t EditDistance(const std::string& a, const std::string& b) {
  std::vector<std::size_t> row(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    std::size_t diagonal = row[0];
    row[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t up = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = up;
    }
  }
  return row[b.size()];
}

std::string Join(const std::vector<std::string>& items, const char* separator) {
  std::string out;
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (i > 0) out += separator;
    out += items[i];
  }
  return out;
}

// 0xVVVVRRMM as hosts read it: VVVV × 10000 + RR × 100 + MM.
int DecimalVersion(std::int32_t v) {
  return ((v >> 16) & 0xffff) * 10000 + ((v >> 8) & 0xff) * 100 + (v & 0xff);
}

}  // namespace

ParamCatalog::ParamCatalog(qvhost::PluginHost& host)
    : adapter_(std::make_unique<qvhost::Vst2Plugin>(host)), host_(*adapter_) {
  Read();
}

ParamCatalog::ParamCatalog(qvhost::IPlugin& plugin) : host_(plugin) { Read(); }

void ParamCatalog::Read() {
  const qvhost::PluginInfo& info = host_.Info();
  const int count = info.parameters;
  for (int i = 0; i < count; ++i) names_.push_back(host_.ParamName(i));
  std::map<std::string, int> total, seen;
  for (const std::string& n : names_) ++total[n];
  for (const std::string& n : names_) {
    ids_.push_back(total[n] > 1 ? n + "#" + std::to_string(++seen[n]) : n);
  }
  // Quorvantel: this build's table, when the loaded module is the same version with the same
  // parameters.
  if (info.presetId == kQuorvantelUniqueId &&
      info.versionNumber == DecimalVersion(kQuorvantelVersion) && count == kParameterCount) {
    table_ = quorvantel::QuorvantelParameters();
    for (int i = 0; i < kParameterCount; ++i) {
      if (names_[i] != table_[i].Name()) {
        table_.clear();
        break;
      }
    }
  }
}

std::string ParamCatalog::Describe(int index) const {
  return "\"" + Name(index) + "\" (index " + std::to_string(index) + ")";
}

int ParamCatalog::Resolve(const std::string& nameOrIndex) const {
  if (!nameOrIndex.empty() && std::all_of(nameOrIndex.begin(), nameOrIndex.end(), [](char c) {
        return std::isdigit(static_cast<unsigned char>(c));
      })) {
    const long index = nameOrIndex.size() > 9 ? -1 : std::stol(nameOrIndex);
    if (index < 0 || index >= Count()) {
      throw CliError(kExitUsage, "parameter index " + nameOrIndex + " is out of range (0 to " +
                                     std::to_string(Count() - 1) + ")");
    }
    return static_cast<int>(index);
  }
  for (const bool ignoreCase : {false, true}) {
    auto same = [&](const std::string& a) {
      return ignoreCase ? Lower(a) == Lower(nameOrIndex) : a == nameOrIndex;
    };
    std::vector<int> found;
    for (int i = 0; i < Count(); ++i) {
      if (same(Id(i))) return i;
      if (same(Name(i))) found.push_back(i);
    }
    if (found.size() == 1) return found[0];
    if (found.size() > 1) {
      std::vector<std::string> indices;
      for (int i : found) indices.push_back(std::to_string(i));
      throw CliError(kExitUsage, "parameter name \"" + nameOrIndex + "\" is ambiguous (indices " +
                                     Join(indices, ", ") + "); give " + Id(found.front()) + " to " +
                                     Id(found.back()) + " or the index");
    }
  }
  std::string message = "unknown parameter \"" + nameOrIndex + "\"";
  const std::vector<std::string> near = Closest(nameOrIndex, 3);
  if (!near.empty()) message += "; closest: " + Join(near, ", ");
  throw CliError(kExitUsage, message);
}

std::vector<std::string> ParamCatalog::Closest(const std::string& name, std::size_t count) const {
  std::vector<std::pair<std::size_t, std::string>> scored;
  for (const std::string& n : names_) {
    const bool seen =
        std::any_of(scored.begin(), scored.end(), [&n](const auto& s) { return s.second == n; });
    if (!seen) scored.emplace_back(EditDistance(Lower(name), Lower(n)), n);
  }
  std::stable_sort(scored.begin(), scored.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<std::string> out;
  for (std::size_t i = 0; i < scored.size() && i < count; ++i) out.push_back(scored[i].second);
  return out;
}

std::string ParamCatalog::Display(int index, double x) {
  if (!checkedSupport_) {
    host_.DisplayOfNormalized(index, static_cast<float>(x), &query_);
    checkedSupport_ = true;
  }
  if (query_) return host_.DisplayOfNormalized(index, static_cast<float>(x));
  const float old = host_.GetParameter(index);
  host_.SetParameter(index, static_cast<float>(x));
  std::string text = host_.ParamDisplay(index);
  host_.SetParameter(index, old);
  return text;
}

bool ParamCatalog::DisplayNumber(int index, double x, double* out) {
  std::string text = Display(index, x);
  // Some plug-ins show the unit in the display too ("220 Hz").
  const std::string label = host_.ParamLabel(index);
  if (!label.empty() && text.size() > label.size() &&
      text.compare(text.size() - label.size(), label.size(), label) == 0) {
    text.resize(text.size() - label.size());
  }
  return ParseNumber(text, out);
}

const std::vector<TextStep>& ParamCatalog::Texts(int index) {
  if (auto it = texts_.find(index); it != texts_.end()) return it->second;
  std::vector<TextStep>& steps = texts_[index];
  const std::string first = Display(index, 0.0);
  const std::string last = Display(index, 1.0);
  double unused = 0.0;
  if (ParseNumber(first, &unused) || ParseNumber(last, &unused)) return steps;

  // Assumes each text covers one contiguous stretch of the normalised range, as stepped
  // enumerations do; boundaries are found by halving the intervals whose ends differ.
  steps.push_back({first, 0.0f});
  std::function<void(double, const std::string&, double, const std::string&)> split =
      [&](double x0, const std::string& t0, double x1, const std::string& t1) {
        if (t0 == t1 || steps.size() > kMaxTexts) return;
        if (x1 - x0 < kTextBoundaryWidth) {
          steps.push_back({t1, static_cast<float>(x1)});
          return;
        }
        const double mid = 0.5 * (x0 + x1);
        const std::string tm = Display(index, mid);
        split(x0, t0, mid, tm);
        split(mid, tm, x1, t1);
      };
  split(0.0, first, 1.0, last);
  if (steps.size() > kMaxTexts) steps.clear();
  return steps;
}

std::string ParamCatalog::Shown(int index, double x, const std::vector<float>* context) {
  if (OwnTable()) {
    const framework::ParameterDefinition& p = table_[static_cast<std::size_t>(index)];
    return quorvantel::ValueText(p, index, p.ValueFromNormalized(x), [&](int i) {
      const std::size_t k = static_cast<std::size_t>(i);
      const float other =
          context != nullptr && k < context->size() ? (*context)[k] : host_.GetParameter(i);
      return table_[k].ValueFromNormalized(other);
    });
  }
  const std::string label = host_.ParamLabel(index);
  return Display(index, x) + (label.empty() ? "" : " " + label);
}

double ParamCatalog::PlainValue(int index) const {
  return table_[static_cast<std::size_t>(index)].ValueFromNormalized(host_.GetParameter(index));
}

float ParamCatalog::OwnNormalizedFor(int index, const std::string& value) {
  const framework::ParameterDefinition& p = table_[static_cast<std::size_t>(index)];
  double plain = 0.0;
  if (!quorvantel::ValueFromText(p, index, value, &plain)) {
    std::string forms;
    if (p.DisplayTextCount() > 0) {
      for (int i = 0; i < p.DisplayTextCount(); ++i)
        forms += std::string(i > 0 ? ", " : "") + p.DisplayTextAt(i).text;
      throw CliError(kExitUsage, "unknown value \"" + value + "\" for " + Describe(index) +
                                     "; choose one of: " + forms);
    }
    throw CliError(
        kExitUsage,
        "value \"" + value + "\" for " + Describe(index) + " is not a number" +
            (p.Label()[0] != '\0' ? std::string(" (in ") + p.Label() + ")" : std::string()) +
            " nor a form its display shows");
  }
  if (!(plain >= p.Min() && plain <= p.Max())) {
    const quorvantel::PlainValueOf none = [](int) { return 0.0; };
    throw CliError(kExitUsage, "value " + value + " is out of range for " + Describe(index) + ": " +
                                   quorvantel::ValueText(p, index, p.Min(), none) + " to " +
                                   quorvantel::ValueText(p, index, p.Max(), none));
  }
  return static_cast<float>(p.NormalizedOf(plain));
}

float ParamCatalog::NormalizedFor(int index, const std::string& value) {
  if (OwnTable()) return OwnNormalizedFor(index, value);
  const std::vector<TextStep>& texts = Texts(index);
  if (!texts.empty()) {
    for (const bool ignoreCase : {false, true}) {
      for (const TextStep& s : texts) {
        if (ignoreCase ? Lower(s.text) == Lower(value) : s.text == value) return s.normalized;
      }
    }
    double n = 0.0;
    if (ParseNumber(value, &n) && n == std::floor(n) && n >= 0 &&
        n < static_cast<double>(texts.size())) {
      return texts[static_cast<std::size_t>(n)].normalized;
    }
    std::vector<std::string> names;
    for (const TextStep& s : texts) names.push_back(s.text);
    throw CliError(kExitUsage, "unknown value \"" + value + "\" for " + Describe(index) +
                                   "; choose one of: " + Join(names, ", "));
  }
  double target = 0.0;
  // Switches that show plain numbers still take on and off.
  const std::string word = Lower(value);
  double lo = 0.0, hi = 0.0;
  if ((word == "on" || word == "off") && DisplayNumber(index, 0.0, &lo) &&
      DisplayNumber(index, 1.0, &hi) && lo == 0.0 && hi == 1.0) {
    return word == "on" ? 1.0f : 0.0f;
  }
  if (!ParseNumber(value, &target)) {
    throw CliError(kExitUsage,
                   "value \"" + value + "\" for " + Describe(index) + " is not a number");
  }
  return NormalizedForNumber(index, target, value);
}

float ParamCatalog::NormalizedForNumber(int index, double t, const std::string& text) {
  double lo = 0.0, hi = 0.0;
  if (!DisplayNumber(index, 0.0, &lo) || !DisplayNumber(index, 1.0, &hi)) {
    throw CliError(kExitUsage, "cannot read the range of " + Describe(index) +
                                   "; set it with --set-normalized");
  }
  if (t < std::min(lo, hi) || t > std::max(lo, hi)) {
    const std::string label = host_.ParamLabel(index);
    throw CliError(kExitUsage, "value " + text + " is out of range for " + Describe(index) + ": " +
                                   Display(index, lo <= hi ? 0.0 : 1.0) + " to " +
                                   Display(index, lo <= hi ? 1.0 : 0.0) +
                                   (label.empty() ? "" : " " + label));
  }
  if (t == lo) return 0.0f;
  if (t == hi) return 1.0f;

  // g rises with x whichever way the parameter runs; bisection needs it never to fall.
  const bool rising = hi > lo;
  const std::string unsteady = "cannot find the setting of " + Describe(index) + " that shows " +
                               text +
                               ": its display does not rise or fall steadily across its range; "
                               "set it with --set-normalized";
  auto g = [&](double x) {
    double v = 0.0;
    if (!DisplayNumber(index, x, &v)) throw CliError(kExitUsage, unsteady);
    return rising ? v : -v;
  };
  for (int i = 1; i <= kSteadinessChecks; ++i) {
    if (g(static_cast<double>(i) / kSteadinessChecks) <
        g(static_cast<double>(i - 1) / kSteadinessChecks)) {
      throw CliError(kExitUsage, unsteady);
    }
  }
  const double target = rising ? t : -t;
  // [a, b] is the stretch of x whose display reads t.
  double x0 = 0.0, x1 = 1.0;
  for (int i = 0; i < kBisectionSteps; ++i) {
    const double mid = 0.5 * (x0 + x1);
    (g(mid) >= target ? x1 : x0) = mid;
  }
  const double a = x1;
  x0 = 0.0;
  x1 = 1.0;
  for (int i = 0; i < kBisectionSteps; ++i) {
    const double mid = 0.5 * (x0 + x1);
    (g(mid) > target ? x1 : x0) = mid;
  }
  const double b = x0;
  double x = 0.5 * (a + b);
  if (b < a) {
    // No setting shows the value itself: it lies between two display steps, b's below it and
    // a's above it. The nearer one is taken.
    double below = 0.0, above = 0.0;
    if (DisplayNumber(index, b, &below) && DisplayNumber(index, a, &above)) {
      const double vb = rising ? below : -below, va = rising ? above : -above;
      return static_cast<float>(target - vb <= va - target ? b : a);
    }
    x = a;
  } else if (b == a) {
    x = a;
  } else if (Display(index, a).find('.') == std::string::npos && t != 0.0) {
    // A display without decimals truncates toward zero, so the exact value sits at the end of
    // the stretch nearer zero; a rounded display has it in the middle.
    x = (t > 0) == rising ? a : b;
  }
  // What the display shows there must be the value asked for, to its last decimal (or to the
  // finest step of the normalised value where that is coarser).
  const std::string shownText = Display(index, x);
  const std::size_t dot = shownText.find('.');
  const std::size_t decimals =
      dot == std::string::npos ? 0 : shownText.find_first_not_of("0123456789", dot + 1) - dot - 1;
  const double tolerance =
      0.5 * std::pow(10.0, -static_cast<double>(std::min<std::size_t>(decimals, 12))) +
      1e-6 * std::fabs(hi - lo);
  double shown = 0.0;
  if (!DisplayNumber(index, x, &shown) || std::fabs(shown - t) > tolerance) {
    throw CliError(kExitUsage, unsteady);
  }
  return static_cast<float>(x);
}

void SplitAssignment(const std::string& text, std::string* name, std::string* value) {
  const std::size_t eq = text.find('=');
  if (eq == std::string::npos || eq == 0) {
    throw CliError(kExitUsage, "expected NAME=VALUE, got \"" + text + "\"");
  }
  *name = text.substr(0, eq);
  *value = text.substr(eq + 1);
}

}  // namespace qvcli
