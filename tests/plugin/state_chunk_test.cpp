// State chunk reads and writes: byte order, bounds, and the chunk header.
#include "framework/state_chunk.h"

#include <gtest/gtest.h>

#include <limits>

#include "framework/effect_base.h"

using namespace framework;

namespace {

TEST(StateChunkBytes, LittleEndianOnTheWire) {
  StateChunk chunk;
  chunk.AppendInt32(kChunkMagic);
  chunk.AppendDouble(30.0);
  ASSERT_EQ(chunk.Size(), 12);
  const std::uint8_t expected[] = {0x74, 0x66, 0x66, 0x70, 0, 0, 0, 0, 0, 0, 0x3E, 0x40};
  for (int i = 0; i < 12; ++i) EXPECT_EQ(chunk.Data()[i], expected[i]) << "byte " << i;
}

TEST(StateChunkBytes, ReadsStopAtTheEnd) {
  StateChunk chunk;
  chunk.AppendDouble(1.5);
  chunk.AppendInt32(-7);
  double d = 0;
  std::int32_t i = 0;
  EXPECT_EQ(chunk.ReadDouble(&d, 0), 8);
  EXPECT_EQ(d, 1.5);
  EXPECT_EQ(chunk.ReadInt32(&i, 8), 12);
  EXPECT_EQ(i, -7);
  d = 99;
  EXPECT_EQ(chunk.ReadDouble(&d, 5), -1);  // 5 + 8 > 12
  EXPECT_EQ(d, 99);                        // destination untouched
  EXPECT_EQ(chunk.ReadInt32(&i, -1), -1);
  EXPECT_EQ(chunk.ReadInt32(&i, std::numeric_limits<int>::max()), -1);  // no overflow
}

TEST(StateChunkBytes, ResizeZeroFills) {
  StateChunk chunk;
  chunk.AppendInt32(-1);
  chunk.Resize(8);
  std::int32_t tail = 5;
  EXPECT_EQ(chunk.ReadInt32(&tail, 4), 8);
  EXPECT_EQ(tail, 0);
  chunk.Resize(-3);
  EXPECT_EQ(chunk.Size(), 0);
}

TEST(ChunkHeader, MagicAndVersion) {
  StateChunk chunk;
  WriteChunkHeader(chunk);
  int pos = 0;
  EXPECT_EQ(ReadChunkHeader(chunk, &pos), kFrameworkVersion);
  EXPECT_EQ(pos, 8);
}

TEST(ChunkHeader, NoMagicLeavesThePosition) {
  StateChunk chunk;
  chunk.AppendDouble(30.0);
  int pos = 0;
  EXPECT_EQ(ReadChunkHeader(chunk, &pos), 0);
  EXPECT_EQ(pos, 0);
  StateChunk tiny;
  tiny.Resize(2);
  EXPECT_EQ(ReadChunkHeader(tiny, &pos), 0);
  EXPECT_EQ(pos, 0);
}

TEST(ChunkHeader, MagicWithoutVersionRunsOut) {
  StateChunk chunk;
  chunk.AppendInt32(kChunkMagic);
  chunk.Resize(6);
  int pos = 0;
  EXPECT_EQ(ReadChunkHeader(chunk, &pos), 0);
  EXPECT_EQ(pos, -1);
}

}  // namespace
