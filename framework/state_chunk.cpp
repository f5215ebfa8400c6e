// The state chunk: little-endian encoding of 32-bit integers and 64-bit floats, and its header.
#include "framework/state_chunk.h"

#include <bit>

namespace framework {

StateChunk::StateChunk(int bytes) { bytes_.reserve(bytes > 0 ? bytes : 0); }

int StateChunk::AppendInt32(std::int32_t v) {
  const auto u = static_cast<std::uint32_t>(v);
  for (int shift = 0; shift < 32; shift += 8) {
    bytes_.push_back(static_cast<std::uint8_t>(u >> shift));
  }
  return Size();
}

int StateChunk::AppendDouble(double v) {
  const auto u = std::bit_cast<std::uint64_t>(v);
  for (int shift = 0; shift < 64; shift += 8) {
    bytes_.push_back(static_cast<std::uint8_t>(u >> shift));
  }
  return Size();
}

bool StateChunk::CanRead(int pos, int width) const {
  return pos >= 0 && static_cast<std::int64_t>(pos) + width <= Size();
}

int StateChunk::ReadInt32(std::int32_t* out, int pos) const {
  if (!CanRead(pos, 4)) return -1;
  std::uint32_t u = 0;
  for (int i = 0; i < 4; ++i) u |= static_cast<std::uint32_t>(bytes_[pos + i]) << (8 * i);
  *out = static_cast<std::int32_t>(u);
  return pos + 4;
}

int StateChunk::ReadDouble(double* out, int pos) const {
  if (!CanRead(pos, 8)) return -1;
  std::uint64_t u = 0;
  for (int i = 0; i < 8; ++i) u |= static_cast<std::uint64_t>(bytes_[pos + i]) << (8 * i);
  *out = std::bit_cast<double>(u);
  return pos + 8;
}

void StateChunk::Resize(int n) { bytes_.resize(n > 0 ? n : 0, 0); }

void WriteChunkHeader(StateChunk& chunk) {
  chunk.Clear();
  chunk.AppendInt32(kChunkMagic);
  chunk.AppendInt32(kFrameworkVersion);
}

std::int32_t ReadChunkHeader(const StateChunk& chunk, int* pos) {
  std::int32_t magic = 0;
  const int q = chunk.ReadInt32(&magic, *pos);
  if (q < 0 || magic != kChunkMagic) return 0;
  std::int32_t version = 0;
  *pos = chunk.ReadInt32(&version, q);
  return *pos < 0 ? 0 : version;
}

}  // namespace framework
