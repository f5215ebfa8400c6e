// .fxp and .fxb bytes from outside: nothing is read outside the input, and whatever decodes
// encodes to bytes that decode to the same record and encode to the same bytes again.
#include <cstdint>
#include <vector>

#include "host/cli/preset_file.h"
#include "tests/fuzz/fuzz_finding.h"

namespace {

using namespace qvcli;

bool Same(const FxProgram& a, const FxProgram& b) {
  return a.fxId == b.fxId && a.fxVersion == b.fxVersion && a.name == b.name &&
         a.opaque == b.opaque && a.numParams == b.numParams && a.params == b.params &&
         a.chunk == b.chunk;
}

bool Same(const FxBank& a, const FxBank& b) {
  if (a.fxId != b.fxId || a.fxVersion != b.fxVersion || a.currentProgram != b.currentProgram ||
      a.opaque != b.opaque || a.numPrograms != b.numPrograms || a.chunk != b.chunk ||
      a.programs.size() != b.programs.size()) {
    return false;
  }
  for (std::size_t i = 0; i < a.programs.size(); ++i) {
    if (!Same(a.programs[i], b.programs[i])) return false;
  }
  return true;
}

template <typename Record, typename Decode, typename Encode>
void RoundTrip(const std::vector<std::uint8_t>& bytes, Decode decode, Encode encode,
               const char* what) {
  Record first;
  std::string error;
  if (!decode(bytes, &first, &error)) {
    if (error.empty()) fuzz::Finding(std::string(what) + " refused without a reason");
    return;
  }
  const std::vector<std::uint8_t> encoded = encode(first);
  Record second;
  if (!decode(encoded, &second, &error)) {
    fuzz::Finding(std::string("a re-encoded ") + what + " does not decode: " + error);
  }
  if (!Same(first, second)) fuzz::Finding(std::string("a re-encoded ") + what + " differs");
  if (encode(second) != encoded) fuzz::Finding(std::string(what) + " encoding is not stable");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // An exact-size copy, so that a read past the end leaves the allocation.
  const std::vector<std::uint8_t> bytes(data, data + size);
  DetectPresetKind(bytes);
  RoundTrip<FxProgram>(bytes, DecodeProgram, EncodeProgram, "program");
  RoundTrip<FxBank>(bytes, DecodeBank, EncodeBank, "bank");
  return 0;
}
