// The parameters' values: set from the host's and the editor's normalised values, and carried in
// and out of state chunks.
#include "framework/parameter_set.h"

#include <cmath>
#include <utility>

namespace framework {

ParameterSet::ParameterSet(std::vector<ParameterDefinition> definitions)
    : definitions_(std::move(definitions)) {
  values_.reserve(definitions_.size());
  for (const ParameterDefinition& d : definitions_) values_.push_back(d.DefaultValue());
}

void ParameterSet::SetFromNormalized(int index, double x) {
  if (!std::isfinite(x)) return;
  values_[index] = definitions_[index].ValueFromNormalized(x);
}

bool ParameterSet::SetClamped(int index, double v) {
  if (!std::isfinite(v)) return false;
  const ParameterDefinition& d = definitions_[index];
  values_[index] = v < d.Min() ? d.Min() : (v > d.Max() ? d.Max() : v);
  return true;
}

bool ParameterSet::AppendValues(StateChunk& chunk) const {
  bool ok = true;
  for (int i = 0; i < Count() && ok; ++i) ok = chunk.AppendDouble(values_[i]) > 0;
  return ok;
}

int ParameterSet::ReadValues(const StateChunk& chunk, int start) {
  int pos = start;
  for (int i = 0; i < Count() && pos >= 0; ++i) {
    double v = 0.0;
    pos = chunk.ReadDouble(&v, pos);
    if (pos >= 0) SetClamped(i, v);
  }
  return pos;
}

}  // namespace framework
