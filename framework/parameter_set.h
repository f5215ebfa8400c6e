// The instance's parameters in index order, and their values as the state chunk carries them.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "plugin/parameter.h"
#include "plugin/state_chunk.h"

// One entry of a value list for AppendStoredValues: `integer` for Bool, Int and Enum parameters,
// `real` for the others.
struct StoredValue {
  std::int32_t integer = 0;
  double real = 0.0;
};

class ParameterSet {
 public:
  explicit ParameterSet(int count) : parameters_(count > 0 ? count : 0) {}

  int Count() const { return static_cast<int>(parameters_.size()); }
  Parameter& operator[](int index) { return parameters_[index]; }
  const Parameter& operator[](int index) const { return parameters_[index]; }

  // Appends every plain value as an 8-byte float, index order; false at the first append that
  // leaves the chunk empty.
  bool AppendValues(StateChunk& chunk) const;
  // Reads plain values from start on, clamping each into its range. Where the data runs out the
  // parameter keeps its value, rather than taking a 0.0 that was never stored; a non-finite
  // stored value is skipped the same way. Returns the position after the last value, or -1 when
  // the data ran out.
  int ReadValues(const StateChunk& chunk, int start);
  // Appends one 8-byte float per parameter from the list, up to the shorter of the two.
  void AppendStoredValues(StateChunk& chunk, std::span<const StoredValue> values) const;

 private:
  std::vector<Parameter> parameters_;
};
