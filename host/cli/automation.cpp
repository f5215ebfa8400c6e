// Parsing and evaluation of automation lanes.
#include "host/cli/automation.h"

#include <algorithm>
#include <cmath>
#include <sstream>

#include "host/cli/atomic_file.h"
#include "host/cli/cli_error.h"
#include "host/cli/options.h"

namespace qvcli {
namespace {

// "1.5", "1.5s", "250ms", "12000smp" as a frame at sampleRate; false when not a time.
bool ParseTime(const std::string& text, double sampleRate, std::int64_t* frame) {
  double seconds = 0.0;
  if (!ParseDuration(text, sampleRate, &seconds) || seconds * sampleRate > 9e15) return false;
  *frame = std::llround(seconds * sampleRate);
  return true;
}

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::size_t begin = 0;
  for (;;) {
    const std::size_t end = text.find(separator, begin);
    parts.push_back(text.substr(begin, end == std::string::npos ? end : end - begin));
    if (end == std::string::npos) return parts;
    begin = end + 1;
  }
}

std::string Trim(const std::string& s) {
  const std::size_t a = s.find_first_not_of(" \t\r");
  if (a == std::string::npos) return "";
  return s.substr(a, s.find_last_not_of(" \t\r") - a + 1);
}

}  // namespace

void Automation::AddLane(const std::string& text, ParamCatalog& catalog, double sampleRate,
                         bool normalized) {
  std::string name, points;
  SplitAssignment(text, &name, &points);
  AutomationLane lane;
  lane.index = catalog.Resolve(name);
  lane.step = !catalog.Texts(lane.index).empty();
  for (const char* mode : {"step:", "linear:"}) {
    if (points.rfind(mode, 0) == 0) {
      lane.step = mode[0] == 's';
      points.erase(0, std::string(mode).size());
    }
  }
  const std::string where = "--automate " + name + ": ";
  for (const std::string& point : Split(points, ',')) {
    const std::size_t colon = point.find(':');
    AutomationPoint p;
    if (colon == std::string::npos ||
        !ParseTime(Trim(point.substr(0, colon)), sampleRate, &p.frame)) {
      throw CliError(kExitUsage, where +
                                     "expected TIME:VALUE with TIME in seconds (1.5), "
                                     "milliseconds (250ms) or samples (12000smp), got \"" +
                                     point + "\"");
    }
    if (!lane.points.empty() && p.frame < lane.points.back().frame) {
      throw CliError(kExitUsage, where + "times must not go back (\"" + point + "\")");
    }
    const std::string value = Trim(point.substr(colon + 1));
    if (normalized) {
      double x = 0.0;
      if (!ParseNumber(value, &x) || x < 0.0 || x > 1.0) {
        throw CliError(kExitUsage,
                       where + "normalised value \"" + value + "\" must be a number from 0 to 1");
      }
      p.normalized = static_cast<float>(x);
    } else {
      p.normalized = catalog.NormalizedFor(lane.index, value);
    }
    lane.points.push_back(p);
  }
  for (const AutomationLane& other : lanes_) {
    if (other.index == lane.index) {
      throw CliError(kExitUsage, where + "the parameter is automated twice");
    }
  }
  lanes_.push_back(std::move(lane));
  sent_.push_back(std::nanf(""));
}

void Automation::AddFile(const std::string& path, ParamCatalog& catalog, double sampleRate) {
  const std::vector<std::uint8_t> bytes = ReadWholeFile(path);
  std::istringstream in(std::string(bytes.begin(), bytes.end()));
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    line = Trim(line);
    if (line.empty() || line[0] == '#') continue;
    try {
      AddLane(line, catalog, sampleRate);
    } catch (const CliError& e) {
      throw CliError(e.ExitCode(), path + ":" + std::to_string(number) + ": " + e.what());
    }
  }
}

float Automation::ValueAt(const AutomationLane& lane, std::int64_t frame) {
  const auto& p = lane.points;
  // The last point at or before frame.
  const auto after =
      std::upper_bound(p.begin(), p.end(), frame,
                       [](std::int64_t f, const AutomationPoint& q) { return f < q.frame; });
  if (after == p.begin()) return p.front().normalized;
  const AutomationPoint& a = *(after - 1);
  if (after == p.end() || lane.step) return a.normalized;
  const AutomationPoint& b = *after;
  const std::int64_t stepStart = a.frame + (frame - a.frame) / kRampStepFrames * kRampStepFrames;
  const double t =
      static_cast<double>(stepStart - a.frame) / static_cast<double>(b.frame - a.frame);
  return static_cast<float>(a.normalized + t * (b.normalized - a.normalized));
}

std::int64_t Automation::NextChange(std::int64_t frame) const {
  std::int64_t next = kNever;
  for (const AutomationLane& lane : lanes_) {
    const auto& p = lane.points;
    const auto after =
        std::upper_bound(p.begin(), p.end(), frame,
                         [](std::int64_t f, const AutomationPoint& q) { return f < q.frame; });
    if (after == p.end()) continue;
    std::int64_t candidate = after->frame;
    const bool ramping =
        !lane.step && after != p.begin() && (after - 1)->normalized != after->normalized;
    if (ramping) {
      const std::int64_t start = (after - 1)->frame;
      candidate =
          std::min(candidate, start + ((frame - start) / kRampStepFrames + 1) * kRampStepFrames);
    }
    next = std::min(next, candidate);
  }
  return next;
}

void Automation::Apply(qvhost::IPlugin& plugin, std::int64_t frame) {
  for (std::size_t i = 0; i < lanes_.size(); ++i) {
    const float v = ValueAt(lanes_[i], frame);
    if (v == sent_[i]) continue;
    plugin.SetParameter(lanes_[i].index, v);
    sent_[i] = v;
  }
}

void Automation::Collect(std::int64_t frame, int offset, std::vector<qvhost::ParamChange>& out) {
  const std::size_t before = out.size();
  for (std::size_t i = 0; i < lanes_.size(); ++i) {
    const float v = ValueAt(lanes_[i], frame);
    if (v == sent_[i]) continue;
    out.push_back({offset, lanes_[i].index, v});
    sent_[i] = v;
  }
  // Where nothing changes the block is still cut, as at every frame NextChange names.
  if (out.size() == before && offset > 0) out.push_back({offset, -1, 0.0f});
}

}  // namespace qvcli
