// Parameter automation during a render: one lane of (time, value) points per parameter, from
// "--automate NAME=POINTS" options and automation files, evaluated at any frame so the render can
// split its blocks exactly where a value changes, as DAWs do.
#pragma once

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "host/cli/param_catalog.h"
#include "host/lib/plugin.h"

namespace qvcli {

// A ramp moves its value in steps of this many frames: fine enough to sound continuous, coarse
// enough that a ramp does not cut every block into single samples.
constexpr int kRampStepFrames = 16;

struct AutomationPoint {
  std::int64_t frame = 0;
  float normalized = 0.0f;
};

struct AutomationLane {
  int index = 0;
  bool step = false;                    // hold each value until the next point, else ramp
  std::vector<AutomationPoint> points;  // frames never decrease
};

class Automation {
 public:
  static constexpr std::int64_t kNever = std::numeric_limits<std::int64_t>::max();

  // One lane: "NAME=[step:|linear:]TIME:VALUE,TIME:VALUE,...". TIME is seconds ("1.5" or
  // "1.5s"), milliseconds ("250ms") or samples ("12000smp"); VALUE is what --set takes. Texts
  // and on/off parameters step unless "linear:" says otherwise; other lanes ramp linearly in the
  // normalised value a host sends. Throws CliError(kExitUsage).
  // With normalized, every VALUE is the normalised value 0 to 1 a host sends.
  void AddLane(const std::string& text, ParamCatalog& catalog, double sampleRate,
               bool normalized = false);
  // A file with one lane per line; empty lines and lines starting with '#' are skipped. Throws
  // CliError (kExitInput for the file, kExitUsage for its content, naming the line).
  void AddFile(const std::string& path, ParamCatalog& catalog, double sampleRate);

  bool Empty() const { return lanes_.empty(); }
  const std::vector<AutomationLane>& Lanes() const { return lanes_; }

  // Sends every lane's value at frame to the plug-in, where it differs from the last one sent.
  void Apply(qvhost::IPlugin& plugin, std::int64_t frame);
  // The same as changes at offset of a block, for the plug-in to take at that frame; a frame
  // where no value differs still gets an entry (index -1) that cuts the block there.
  void Collect(std::int64_t frame, int offset, std::vector<qvhost::ParamChange>& out);
  // The first frame after `frame` at which a lane's value may change; kNever when none will.
  std::int64_t NextChange(std::int64_t frame) const;

  // A lane's value at frame: the first point's before it, the last one's after it.
  static float ValueAt(const AutomationLane& lane, std::int64_t frame);

 private:
  std::vector<AutomationLane> lanes_;
  std::vector<float> sent_;  // per lane; NaN until the first Apply
};

}  // namespace qvcli
