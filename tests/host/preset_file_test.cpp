// .fxp and .fxb bytes: layout, round trips, and refusal of every kind of damage.
#include "host/cli/preset_file.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

using namespace qvcli;

FxProgram ParamProgram() {
  FxProgram p;
  p.fxId = 0x715A7678;  // 'qZvx'
  p.fxVersion = 10000;
  p.name = "Shimmer";
  p.params = {0.0f, 0.25f, 1.0f};
  p.numParams = 3;
  return p;
}

std::int32_t BigEndianAt(const std::vector<std::uint8_t>& b, std::size_t at) {
  return static_cast<std::int32_t>((std::uint32_t{b[at]} << 24) | (std::uint32_t{b[at + 1]} << 16) |
                                   (std::uint32_t{b[at + 2]} << 8) | b[at + 3]);
}

void PutBigEndian(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (24 - 8 * i));
}

TEST(PresetFileLayout, ProgramFieldsAreBigEndianAtTheirOffsets) {
  const std::vector<std::uint8_t> b = EncodeProgram(ParamProgram());
  ASSERT_EQ(b.size(), 56u + 3 * 4);
  EXPECT_EQ(std::string(b.begin(), b.begin() + 4), "CcnK");
  EXPECT_EQ(BigEndianAt(b, 4), static_cast<std::int32_t>(b.size() - 8));
  EXPECT_EQ(std::string(b.begin() + 8, b.begin() + 12), "FxCk");
  EXPECT_EQ(BigEndianAt(b, 12), 1);
  EXPECT_EQ(std::string(b.begin() + 16, b.begin() + 20), "qZvx");
  EXPECT_EQ(BigEndianAt(b, 20), 10000);
  EXPECT_EQ(BigEndianAt(b, 24), 3);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&b[28])), "Shimmer");
  EXPECT_EQ(BigEndianAt(b, 56 + 8), 0x3F800000);  // 1.0f
}

TEST(PresetFileLayout, BankHeaderHoldsCurrentProgramThenPrograms) {
  FxBank bank;
  bank.fxId = 0x715A7678;
  bank.currentProgram = 1;
  bank.programs = {ParamProgram(), ParamProgram()};
  const std::vector<std::uint8_t> b = EncodeBank(bank);
  EXPECT_EQ(std::string(b.begin() + 8, b.begin() + 12), "FxBk");
  EXPECT_EQ(BigEndianAt(b, 12), 2);
  EXPECT_EQ(BigEndianAt(b, 24), 2);
  EXPECT_EQ(BigEndianAt(b, 28), 1);
  EXPECT_EQ(std::string(b.begin() + 156, b.begin() + 160), "CcnK");
  EXPECT_EQ(b.size(), 156u + 2 * (56 + 12));
}

TEST(PresetFileRoundTrip, EveryFormDecodesToWhatWasEncoded) {
  FxProgram p = ParamProgram();
  FxProgram q;
  std::string error;
  ASSERT_TRUE(DecodeProgram(EncodeProgram(p), &q, &error)) << error;
  EXPECT_EQ(q.params, p.params);
  EXPECT_EQ(q.name, "Shimmer");
  EXPECT_EQ(q.fxId, p.fxId);
  EXPECT_FALSE(q.opaque);

  p.opaque = true;
  p.chunk = {1, 2, 3, 4, 5};
  ASSERT_TRUE(DecodeProgram(EncodeProgram(p), &q, &error)) << error;
  EXPECT_TRUE(q.opaque);
  EXPECT_EQ(q.chunk, p.chunk);
  EXPECT_EQ(q.numParams, 3);

  FxBank bank;
  bank.fxId = p.fxId;
  bank.opaque = true;
  bank.numPrograms = 6;
  bank.chunk.assign(720, 7);
  FxBank back;
  ASSERT_TRUE(DecodeBank(EncodeBank(bank), &back, &error)) << error;
  EXPECT_EQ(back.chunk, bank.chunk);
  EXPECT_EQ(back.numPrograms, 6);
  EXPECT_EQ(DetectPresetKind(EncodeBank(bank)), PresetKind::kBank);
  EXPECT_EQ(DetectPresetKind(EncodeProgram(p)), PresetKind::kProgram);
  EXPECT_EQ(DetectPresetKind({0x74, 0x66, 0x66, 0x70}), PresetKind::kRawChunk);
}

TEST(PresetFileRoundTrip, LongNamesAreCutToTheField) {
  FxProgram p = ParamProgram();
  p.name = std::string(40, 'n');
  FxProgram q;
  std::string error;
  ASSERT_TRUE(DecodeProgram(EncodeProgram(p), &q, &error));
  EXPECT_EQ(q.name, std::string(27, 'n'));
  // A file whose name fills all 28 bytes without a terminator reads as the 27 characters that
  // would be written back, so decoding and encoding again is stable.
  std::vector<std::uint8_t> b = EncodeProgram(p);
  b[28 + 27] = 'x';
  ASSERT_TRUE(DecodeProgram(b, &q, &error));
  EXPECT_EQ(q.name, std::string(27, 'n'));
  EXPECT_EQ(EncodeProgram(q), EncodeProgram(p));
}

TEST(PresetFileDamage, EveryTruncationIsRefusedWithAReason) {
  FxBank bank;
  bank.fxId = 1;
  bank.programs = {ParamProgram(), ParamProgram()};
  bank.programs[0].fxId = bank.programs[1].fxId = 1;
  const std::vector<std::uint8_t> full = EncodeBank(bank);
  for (std::size_t n = 0; n < full.size(); ++n) {
    std::vector<std::uint8_t> cut(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(n));
    FxBank out;
    std::string error;
    EXPECT_FALSE(DecodeBank(cut, &out, &error)) << n;
    EXPECT_FALSE(error.empty()) << n;
  }
}

TEST(PresetFileDamage, FieldsOutsideTheirRangesAreNamed) {
  std::string error;
  FxProgram out;
  std::vector<std::uint8_t> b = EncodeProgram(ParamProgram());

  std::vector<std::uint8_t> bad = b;
  bad[0] = 'X';
  EXPECT_FALSE(DecodeProgram(bad, &out, &error));
  EXPECT_NE(error.find("'CcnK'"), std::string::npos) << error;

  bad = b;
  PutBigEndian(bad, 4, 100000);
  EXPECT_FALSE(DecodeProgram(bad, &out, &error));
  EXPECT_NE(error.find("byte size"), std::string::npos) << error;

  bad = b;
  PutBigEndian(bad, 12, 7);
  EXPECT_FALSE(DecodeProgram(bad, &out, &error));
  EXPECT_NE(error.find("version 7"), std::string::npos) << error;

  bad = b;
  PutBigEndian(bad, 24, 5);  // five parameters declared, three present
  EXPECT_FALSE(DecodeProgram(bad, &out, &error));
  EXPECT_NE(error.find("5 parameters declared"), std::string::npos) << error;

  bad = b;
  PutBigEndian(bad, 24, static_cast<std::uint32_t>(-1));
  EXPECT_FALSE(DecodeProgram(bad, &out, &error));

  bad = b;
  PutBigEndian(bad, 56 + 4, 0x7FC00000);  // NaN
  EXPECT_FALSE(DecodeProgram(bad, &out, &error));
  EXPECT_NE(error.find("parameter 1"), std::string::npos) << error;

  bad = b;
  PutBigEndian(bad, 56, 0x3FC00000);  // 1.5
  EXPECT_FALSE(DecodeProgram(bad, &out, &error));
  EXPECT_NE(error.find("outside 0 to 1"), std::string::npos) << error;

  bad = b;
  bad[8] = 'Z';
  EXPECT_FALSE(DecodeProgram(bad, &out, &error));
  EXPECT_NE(error.find("expected 'FxCk' or 'FPCh'"), std::string::npos) << error;
}

TEST(PresetFileDamage, ChunkSizesAndBankFieldsAreChecked) {
  std::string error;
  FxProgram p = ParamProgram();
  p.opaque = true;
  p.chunk = {1, 2, 3};
  std::vector<std::uint8_t> b = EncodeProgram(p);
  PutBigEndian(b, 56, 4);  // chunk size one past the data
  FxProgram out;
  EXPECT_FALSE(DecodeProgram(b, &out, &error));
  EXPECT_NE(error.find("chunk size 4"), std::string::npos) << error;
  PutBigEndian(b, 56, static_cast<std::uint32_t>(-2));
  EXPECT_FALSE(DecodeProgram(b, &out, &error));

  FxBank bank;
  bank.fxId = 1;
  bank.currentProgram = 2;  // only two programs
  bank.programs = {ParamProgram(), ParamProgram()};
  bank.programs[0].fxId = bank.programs[1].fxId = 1;
  FxBank back;
  EXPECT_FALSE(DecodeBank(EncodeBank(bank), &back, &error));
  EXPECT_NE(error.find("current program 2"), std::string::npos) << error;

  bank.currentProgram = 0;
  bank.programs[1].fxId = 2;
  EXPECT_FALSE(DecodeBank(EncodeBank(bank), &back, &error));
  EXPECT_NE(error.find("program 1"), std::string::npos) << error;
}

// The four forms a file can take, each with a little of everything in it.
std::vector<std::vector<std::uint8_t>> EveryForm() {
  FxProgram chunkProgram = ParamProgram();
  chunkProgram.opaque = true;
  chunkProgram.chunk = {1, 2, 3, 4, 5, 6, 7};
  FxBank paramBank;
  paramBank.fxId = ParamProgram().fxId;
  paramBank.currentProgram = 1;
  paramBank.programs = {ParamProgram(), ParamProgram()};
  FxBank chunkBank = paramBank;
  chunkBank.opaque = true;
  chunkBank.numPrograms = 2;
  chunkBank.chunk = {9, 8, 7};
  return {EncodeProgram(ParamProgram()), EncodeProgram(chunkProgram), EncodeBank(paramBank),
          EncodeBank(chunkBank)};
}

// Decodes a copy of exactly n bytes (no spare capacity, so a sanitizer sees any read past it)
// both ways; a refusal must say why.
void ExpectDecodedOrRefused(const std::vector<std::uint8_t>& b, std::size_t n,
                            const std::string& what) {
  const std::vector<std::uint8_t> copy(b.begin(), b.begin() + static_cast<std::ptrdiff_t>(n));
  std::string error;
  FxProgram p;
  if (!DecodeProgram(copy, &p, &error)) {
    EXPECT_FALSE(error.empty()) << what;
  }
  error.clear();
  FxBank bank;
  if (!DecodeBank(copy, &bank, &error)) {
    EXPECT_FALSE(error.empty()) << what;
  }
  DetectPresetKind(copy);
}

TEST(PresetFileDamage, ByteSizesBelowTheHeadAreRefusedNotWrapped) {
  // A size field below 8 once put the record's end before the read position; the unsigned rest
  // then wrapped and every later length check passed.
  for (const std::vector<std::uint8_t>& form : EveryForm()) {
    for (std::uint32_t size : {0u, 1u, 4u, 7u}) {
      for (std::size_t n = 16; n <= std::min<std::size_t>(form.size(), 64); n += 4) {
        std::vector<std::uint8_t> bad(form.begin(), form.begin() + static_cast<std::ptrdiff_t>(n));
        PutBigEndian(bad, 4, size);
        if (n >= 60) PutBigEndian(bad, 56, 0x7FFFFFFF);  // where a chunk size would be
        std::string error;
        FxProgram p;
        FxBank b;
        const bool isBank = DetectPresetKind(bad) == PresetKind::kBank;
        EXPECT_FALSE(isBank ? DecodeBank(bad, &b, &error) : DecodeProgram(bad, &p, &error));
        EXPECT_NE(error.find("byte size " + std::to_string(size) + " is too small"),
                  std::string::npos)
            << error;
      }
    }
  }
}

TEST(PresetFileDamage, NoFieldValueAtAnyLengthReadsOutsideTheFile) {
  const std::uint32_t hostile[] = {
      0, 1, 4, 7, 8, 9, 0x7FFFFFF0, 0x7FFFFFFF, 0x80000000, 0xFFFFFFF8, 0xFFFFFFFF, 1u << 20};
  for (const std::vector<std::uint8_t>& form : EveryForm()) {
    for (std::size_t at = 0; at + 4 <= form.size(); at += 4) {
      for (std::uint32_t value : hostile) {
        std::vector<std::uint8_t> bad = form;
        PutBigEndian(bad, at, value);
        for (std::size_t n = 0; n <= bad.size(); ++n) {
          ExpectDecodedOrRefused(bad, n, std::to_string(at) + "=" + std::to_string(value));
        }
      }
    }
  }
}

TEST(PresetFileLayout, FourCharIdsFallBackToNumbers) {
  EXPECT_EQ(FourCharText(0x715A7678), "qZvx");
  EXPECT_EQ(FourCharText(1), "1");
}

}  // namespace
