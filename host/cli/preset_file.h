// The standard VST 2 preset files as bytes: ".fxp" (one program, as a parameter list or an opaque
// chunk) and ".fxb" (a bank of programs, or one opaque chunk). Big-endian; every field is checked
// on reading.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qvcli {

constexpr std::size_t kPresetNameBytes = 28;  // program name field, terminator included

struct FxProgram {
  std::int32_t fxId = 0;
  std::int32_t fxVersion = 0;
  std::string name;                 // at most 27 characters are stored
  bool opaque = false;              // chunk form ('FPCh') instead of a parameter list ('FxCk')
  std::int32_t numParams = 0;       // stored even in the chunk form
  std::vector<float> params;        // normalised values, parameter-list form
  std::vector<std::uint8_t> chunk;  // chunk form
};

struct FxBank {
  std::int32_t fxId = 0;
  std::int32_t fxVersion = 0;
  std::int32_t currentProgram = 0;  // written as format version 2
  bool opaque = false;              // one chunk ('FBCh') instead of programs ('FxBk')
  std::int32_t numPrograms = 0;
  std::vector<FxProgram> programs;  // parameter-list programs
  std::vector<std::uint8_t> chunk;
};

std::vector<std::uint8_t> EncodeProgram(const FxProgram& program);
std::vector<std::uint8_t> EncodeBank(const FxBank& bank);

// Decoders return false with a one-line reason in *error (what is wrong, at which byte).
bool DecodeProgram(const std::vector<std::uint8_t>& bytes, FxProgram* out, std::string* error);
bool DecodeBank(const std::vector<std::uint8_t>& bytes, FxBank* out, std::string* error);

// What a file holds, from its first bytes.
enum class PresetKind { kProgram, kBank, kRawChunk };
PresetKind DetectPresetKind(const std::vector<std::uint8_t>& bytes);

// The four characters of a unique id where printable ("qZvx"), else its decimal value.
std::string FourCharText(std::int32_t id);

}  // namespace qvcli
