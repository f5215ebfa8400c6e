// A growable byte buffer for saved state: little-endian appends and bounds-checked positional
// reads.
#pragma once

#include <cstdint>
#include <vector>

// Positions are byte offsets; a read that would run past the data yields -1 and leaves its
// destination unchanged, so a chain of reads stops at the first failure.
class StateChunk {
 public:
  StateChunk() = default;
  // Reserves room for `bytes` so that appends up to that size never allocate.
  explicit StateChunk(int bytes);

  int Size() const { return static_cast<int>(bytes_.size()); }
  bool Empty() const { return bytes_.empty(); }
  const std::uint8_t* Data() const { return bytes_.data(); }
  std::uint8_t* Data() { return bytes_.data(); }

  // Appends the value's bytes in little-endian order; returns the new size.
  int AppendInt32(std::int32_t v);
  int AppendDouble(double v);

  // Reads 4 or 8 little-endian bytes at pos. Returns pos + width when pos >= 0 and
  // pos + width <= Size(), else -1 with *out unchanged.
  int ReadInt32(std::int32_t* out, int pos) const;
  int ReadDouble(double* out, int pos) const;

  void Clear() { bytes_.clear(); }
  // Resizes to n bytes (n >= 0); new bytes are zero.
  void Resize(int n);

 private:
  bool CanRead(int pos, int width) const;
  std::vector<std::uint8_t> bytes_;
};
