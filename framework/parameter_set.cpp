// The parameters' values in and out of state chunks.
#include "plugin/parameter_set.h"

#include <algorithm>

bool ParameterSet::AppendValues(StateChunk& chunk) const {
  bool ok = true;
  for (int i = 0; i < Count() && ok; ++i) ok = chunk.AppendDouble(parameters_[i].Value()) > 0;
  return ok;
}

int ParameterSet::ReadValues(const StateChunk& chunk, int start) {
  int pos = start;
  for (int i = 0; i < Count() && pos >= 0; ++i) {
    double v = 0.0;
    pos = chunk.ReadDouble(&v, pos);
    if (pos >= 0) parameters_[i].SetClamped(v);
  }
  return pos;
}

void ParameterSet::AppendStoredValues(StateChunk& chunk,
                                      std::span<const StoredValue> values) const {
  const std::size_t n = std::min<std::size_t>(values.size(), Count());
  for (std::size_t i = 0; i < n; ++i) {
    const ParameterType type = parameters_[i].Type();
    const bool integral =
        type == ParameterType::kBool || type == ParameterType::kInt || type == ParameterType::kEnum;
    chunk.AppendDouble(integral ? static_cast<double>(values[i].integer) : values[i].real);
  }
}
