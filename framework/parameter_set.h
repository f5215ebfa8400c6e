// The instance's parameters in index order: their definitions, fixed at construction, and their
// current plain values, which the state chunk carries.
#pragma once

#include <vector>

#include "framework/parameter.h"
#include "framework/state_chunk.h"

namespace framework {

// No lock of its own: values change and are read under the owning instance's InstanceLock;
// definitions never change, so any thread (the editor's too) may read them.
class ParameterSet {
 public:
  // Every value starts at its definition's default.
  explicit ParameterSet(std::vector<ParameterDefinition> definitions);

  int Count() const { return static_cast<int>(definitions_.size()); }
  bool Contains(int index) const { return index >= 0 && index < Count(); }
  // Index checked by the caller.
  const ParameterDefinition& Definition(int index) const { return definitions_[index]; }
  double Value(int index) const { return values_[index]; }
  // Normalised value 0..1 of the current value.
  double Normalized(int index) const { return definitions_[index].NormalizedOf(values_[index]); }
  // Sets the value the definition maps x to (see ParameterDefinition::ValueFromNormalized); a
  // non-finite x changes nothing.
  void SetFromNormalized(int index, double x);
  // Sets v limited to [min, max], without step rounding. Returns false and changes nothing for a
  // non-finite v.
  bool SetClamped(int index, double v);

  // Appends every plain value as an 8-byte float, index order; false at the first append that
  // leaves the chunk empty.
  bool AppendValues(StateChunk& chunk) const;
  // Reads plain values from start on, clamping each into its range. Where the data runs out the
  // parameter keeps its value, rather than taking a 0.0 that was never stored; a non-finite
  // stored value is skipped the same way. Returns the position after the last value, or -1 when
  // the data ran out.
  int ReadValues(const StateChunk& chunk, int start);

 private:
  std::vector<ParameterDefinition> definitions_;
  std::vector<double> values_;
};

}  // namespace framework
