// Encoding and validating decoding of .fxp and .fxb files.
#include "host/cli/preset_file.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "vst2/vst2_abi.h"

namespace qvcli {
namespace {

constexpr std::int32_t kChunkMagic = vst2::FourCC('C', 'c', 'n', 'K');
constexpr std::int32_t kProgramParams = vst2::FourCC('F', 'x', 'C', 'k');
constexpr std::int32_t kProgramChunk = vst2::FourCC('F', 'P', 'C', 'h');
constexpr std::int32_t kBankParams = vst2::FourCC('F', 'x', 'B', 'k');
constexpr std::int32_t kBankChunk = vst2::FourCC('F', 'B', 'C', 'h');
constexpr std::size_t kBankHeaderBytes = 156;    // 7 fields + 128 bytes current program / future
constexpr std::size_t kBankFutureBytes = 124;    // after the current program field (version 2)
// Program and bank files hold counts that a real plug-in never comes near; larger ones are faults.
constexpr std::int32_t kMaxCount = 1 << 20;

class Writer {
 public:
  void Int(std::int32_t v) {
    const auto u = static_cast<std::uint32_t>(v);
    for (int shift = 24; shift >= 0; shift -= 8)
      bytes.push_back(static_cast<std::uint8_t>(u >> shift));
  }
  void Float(float f) {
    std::uint32_t u = 0;
    std::memcpy(&u, &f, 4);
    Int(static_cast<std::int32_t>(u));
  }
  void Bytes(const std::uint8_t* p, std::size_t n) { bytes.insert(bytes.end(), p, p + n); }
  void Zeros(std::size_t n) { bytes.insert(bytes.end(), n, 0); }
  void Name(const std::string& name) {
    const std::size_t n = std::min(name.size(), kPresetNameBytes - 1);
    Bytes(reinterpret_cast<const std::uint8_t*>(name.data()), n);
    Zeros(kPresetNameBytes - n);
  }
  // Patches the byte-size field (offset 4 from `start`): everything after it.
  void FinishChunk(std::size_t start) {
    const auto size = static_cast<std::uint32_t>(bytes.size() - start - 8);
    for (int i = 0; i < 4; ++i)
      bytes[start + 4 + i] = static_cast<std::uint8_t>(size >> (24 - 8 * i));
  }
  std::vector<std::uint8_t> bytes;
};

// Reads big-endian fields from the window [pos, end) of a byte buffer. The window is clamped to
// the buffer and pos never passes end, so `end - pos` cannot wrap and no read leaves the buffer
// whatever offsets a damaged file announces.
class Reader {
 public:
  Reader(const std::vector<std::uint8_t>& bytes, std::size_t begin, std::size_t end)
      : bytes_(bytes), end_(std::min(end, bytes.size())), pos_(std::min(begin, end_)) {}
  bool Int(std::int32_t* v) {
    if (Left() < 4) return false;
    std::uint32_t u = 0;
    for (int i = 0; i < 4; ++i) u = (u << 8) | bytes_[pos_ + i];
    pos_ += 4;
    *v = static_cast<std::int32_t>(u);
    return true;
  }
  bool Float(float* f) {
    std::int32_t v = 0;
    if (!Int(&v)) return false;
    std::memcpy(f, &v, 4);
    return true;
  }
  bool Skip(std::size_t n) {
    if (Left() < n) return false;
    pos_ += n;
    return true;
  }
  bool Bytes(std::size_t n, std::vector<std::uint8_t>* out) {
    if (Left() < n) return false;
    out->assign(bytes_.begin() + static_cast<std::ptrdiff_t>(pos_),
                bytes_.begin() + static_cast<std::ptrdiff_t>(pos_ + n));
    pos_ += n;
    return true;
  }
  // A zero-terminated text field of n bytes: at most n - 1 characters, the way it is written,
  // even when a damaged file fills the whole field.
  bool Text(std::size_t n, std::string* out) {
    if (n == 0 || Left() < n) return false;
    const char* text = reinterpret_cast<const char*>(bytes_.data() + pos_);
    out->assign(text, strnlen(text, n - 1));
    pos_ += n;
    return true;
  }
  std::size_t Pos() const { return pos_; }
  std::size_t Left() const { return end_ - pos_; }

 private:
  const std::vector<std::uint8_t>& bytes_;
  std::size_t end_;
  std::size_t pos_;
};

std::string At(std::size_t pos) { return " at byte " + std::to_string(pos); }

void EncodeProgramInto(const FxProgram& p, Writer& w) {
  const std::size_t start = w.bytes.size();
  w.Int(kChunkMagic);
  w.Int(0);
  w.Int(p.opaque ? kProgramChunk : kProgramParams);
  w.Int(1);
  w.Int(p.fxId);
  w.Int(p.fxVersion);
  w.Int(p.opaque ? p.numParams : static_cast<std::int32_t>(p.params.size()));
  w.Name(p.name);
  if (p.opaque) {
    w.Int(static_cast<std::int32_t>(p.chunk.size()));
    w.Bytes(p.chunk.data(), p.chunk.size());
  } else {
    for (float f : p.params) w.Float(f);
  }
  w.FinishChunk(start);
}

// Reads the common head: 'CcnK', byte size (checked against the data), the kind and version.
bool ReadHead(Reader& r, std::int32_t* kind, std::int32_t* version, std::size_t* end,
              std::string* error, const char* what) {
  const std::size_t start = r.Pos();
  std::int32_t magic = 0, size = 0;
  if (!r.Int(&magic) || !r.Int(&size) || !r.Int(kind) || !r.Int(version)) {
    *error = std::string("truncated ") + what + " header" + At(start);
    return false;
  }
  if (magic != kChunkMagic) {
    *error = std::string("not a VST preset file: no 'CcnK' magic") + At(start);
    return false;
  }
  // The size counts from the kind field on, so it covers at least the kind and the version.
  if (size < 8) {
    *error = std::string(what) + " byte size " + std::to_string(size) +
             " is too small to hold its kind and version" + At(start + 4);
    return false;
  }
  if (static_cast<std::size_t>(size) > r.Left() + 8) {
    *error = std::string(what) + " byte size " + std::to_string(size) + " runs past the end" +
             At(start + 4);
    return false;
  }
  *end = start + 8 + static_cast<std::size_t>(size);
  return true;
}

bool DecodeProgramAt(const std::vector<std::uint8_t>& bytes, std::size_t begin, std::size_t limit,
                     FxProgram* out, std::size_t* next, std::string* error) {
  Reader head(bytes, begin, limit);
  std::int32_t kind = 0, version = 0;
  std::size_t end = 0;
  if (!ReadHead(head, &kind, &version, &end, error, "program")) return false;
  if (kind != kProgramParams && kind != kProgramChunk) {
    *error =
        "program kind is '" + FourCharText(kind) + "', expected 'FxCk' or 'FPCh'" + At(begin + 8);
    return false;
  }
  if (version < 1 || version > 2) {
    *error = "unsupported program format version " + std::to_string(version) + At(begin + 12);
    return false;
  }
  Reader r(bytes, head.Pos(), end);
  FxProgram p;
  p.opaque = kind == kProgramChunk;
  std::int32_t numParams = 0;
  if (!r.Int(&p.fxId) || !r.Int(&p.fxVersion) || !r.Int(&numParams) ||
      !r.Text(kPresetNameBytes, &p.name)) {
    *error = "truncated program header" + At(r.Pos());
    return false;
  }
  if (numParams < 0 || numParams > kMaxCount) {
    *error = "bad parameter count " + std::to_string(numParams) + At(begin + 24);
    return false;
  }
  p.numParams = numParams;
  if (p.opaque) {
    std::int32_t size = 0;
    if (!r.Int(&size)) {
      *error = "truncated program: no chunk size" + At(r.Pos());
      return false;
    }
    if (size < 0 || !r.Bytes(static_cast<std::size_t>(size), &p.chunk)) {
      *error =
          "program chunk size " + std::to_string(size) + " runs past the end" + At(r.Pos() - 4);
      return false;
    }
  } else {
    if (r.Left() < 4 * static_cast<std::size_t>(numParams)) {
      *error = "truncated program: " + std::to_string(numParams) + " parameters declared, " +
               std::to_string(r.Left() / 4) + " present" + At(r.Pos());
      return false;
    }
    for (std::int32_t i = 0; i < numParams; ++i) {
      const std::size_t at = r.Pos();
      float f = 0.0f;
      r.Float(&f);
      if (!std::isfinite(f) || f < 0.0f || f > 1.0f) {
        *error = "parameter " + std::to_string(i) + " holds " + std::to_string(f) +
                 ", outside 0 to 1" + At(at);
        return false;
      }
      p.params.push_back(f);
    }
  }
  *out = std::move(p);
  *next = end;
  return true;
}

}  // namespace

std::string FourCharText(std::int32_t id) {
  std::string s;
  for (int shift = 24; shift >= 0; shift -= 8) {
    const char c = static_cast<char>((static_cast<std::uint32_t>(id) >> shift) & 0xFF);
    if (c < 0x20 || c > 0x7E) return std::to_string(id);
    s += c;
  }
  return s;
}

PresetKind DetectPresetKind(const std::vector<std::uint8_t>& bytes) {
  Reader r(bytes, 0, bytes.size());
  std::int32_t magic = 0, size = 0, kind = 0;
  if (!r.Int(&magic) || magic != kChunkMagic || !r.Int(&size) || !r.Int(&kind)) {
    return PresetKind::kRawChunk;
  }
  return kind == kBankParams || kind == kBankChunk ? PresetKind::kBank : PresetKind::kProgram;
}

std::vector<std::uint8_t> EncodeProgram(const FxProgram& program) {
  Writer w;
  EncodeProgramInto(program, w);
  return w.bytes;
}

std::vector<std::uint8_t> EncodeBank(const FxBank& bank) {
  Writer w;
  w.Int(kChunkMagic);
  w.Int(0);
  w.Int(bank.opaque ? kBankChunk : kBankParams);
  w.Int(2);
  w.Int(bank.fxId);
  w.Int(bank.fxVersion);
  w.Int(bank.opaque ? bank.numPrograms : static_cast<std::int32_t>(bank.programs.size()));
  w.Int(bank.currentProgram);
  w.Zeros(kBankFutureBytes);
  if (bank.opaque) {
    w.Int(static_cast<std::int32_t>(bank.chunk.size()));
    w.Bytes(bank.chunk.data(), bank.chunk.size());
  } else {
    for (const FxProgram& p : bank.programs) EncodeProgramInto(p, w);
  }
  w.FinishChunk(0);
  return w.bytes;
}

bool DecodeProgram(const std::vector<std::uint8_t>& bytes, FxProgram* out, std::string* error) {
  std::size_t next = 0;
  return DecodeProgramAt(bytes, 0, bytes.size(), out, &next, error);
}

bool DecodeBank(const std::vector<std::uint8_t>& bytes, FxBank* out, std::string* error) {
  Reader head(bytes, 0, bytes.size());
  std::int32_t kind = 0, version = 0;
  std::size_t end = 0;
  if (!ReadHead(head, &kind, &version, &end, error, "bank")) return false;
  if (kind != kBankParams && kind != kBankChunk) {
    *error = "bank kind is '" + FourCharText(kind) + "', expected 'FxBk' or 'FBCh' at byte 8";
    return false;
  }
  if (version < 1 || version > 2) {
    *error = "unsupported bank format version " + std::to_string(version) + " at byte 12";
    return false;
  }
  Reader r(bytes, head.Pos(), end);
  FxBank b;
  b.opaque = kind == kBankChunk;
  std::int32_t numPrograms = 0;
  if (!r.Int(&b.fxId) || !r.Int(&b.fxVersion) || !r.Int(&numPrograms) ||
      !r.Int(&b.currentProgram) || !r.Skip(kBankFutureBytes)) {
    *error = "truncated bank header (" + std::to_string(kBankHeaderBytes) + " bytes needed)";
    return false;
  }
  if (numPrograms < 0 || numPrograms > kMaxCount) {
    *error = "bad program count " + std::to_string(numPrograms) + " at byte 24";
    return false;
  }
  if (version < 2) b.currentProgram = 0;  // version 1 keeps the field as unused space
  if (b.currentProgram < 0 || (numPrograms > 0 && b.currentProgram >= numPrograms)) {
    *error = "current program " + std::to_string(b.currentProgram) + " is not among the " +
             std::to_string(numPrograms) + " programs at byte 28";
    return false;
  }
  b.numPrograms = numPrograms;
  if (b.opaque) {
    std::int32_t size = 0;
    if (!r.Int(&size)) {
      *error = "truncated bank: no chunk size at byte " + std::to_string(kBankHeaderBytes);
      return false;
    }
    if (size < 0 || !r.Bytes(static_cast<std::size_t>(size), &b.chunk)) {
      *error = "bank chunk size " + std::to_string(size) + " runs past the end at byte " +
               std::to_string(kBankHeaderBytes);
      return false;
    }
  } else {
    std::size_t pos = r.Pos();
    for (std::int32_t i = 0; i < numPrograms; ++i) {
      FxProgram p;
      std::string why;
      if (!DecodeProgramAt(bytes, pos, end, &p, &pos, &why)) {
        *error = "program " + std::to_string(i) + " of the bank: " + why;
        return false;
      }
      if (p.opaque) {
        *error = "program " + std::to_string(i) + " of a parameter bank is a chunk program";
        return false;
      }
      if (p.fxId != b.fxId) {
        *error = "program " + std::to_string(i) + " is for plug-in '" + FourCharText(p.fxId) +
                 "', the bank for '" + FourCharText(b.fxId) + "'";
        return false;
      }
      b.programs.push_back(std::move(p));
    }
  }
  *out = std::move(b);
  return true;
}

}  // namespace qvcli
