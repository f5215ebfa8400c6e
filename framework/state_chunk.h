// A growable byte buffer for saved state: little-endian appends and bounds-checked positional
// reads; and the header every state chunk starts with.
#pragma once

#include <cstdint>
#include <vector>

namespace framework {

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

// Magic and framework version at the head of every state chunk.
constexpr std::int32_t kChunkMagic = 0x70666674;  // 'pfft'
constexpr std::int32_t kFrameworkVersion = 0x00010000;

// Clears the chunk and appends the magic and the framework version.
void WriteChunkHeader(StateChunk& chunk);
// Reads the header at *pos. No magic there: returns 0 and leaves *pos. The magic without a
// version after it: returns 0 with *pos = -1. Otherwise returns the version, *pos after it.
std::int32_t ReadChunkHeader(const StateChunk& chunk, int* pos);

}  // namespace framework
