// Which host the instance runs in (its product string and version, asked once) and what the
// adapter adjusts for some hosts when it is opened.
#include <cstdint>

#include "framework/host_kind.h"
#include "framework/vst2/effect_vst2.h"

namespace framework {

using namespace vst2;

int IEffectVst2::HostKind() {
  if (HostNumber() != -1) return HostNumber();
  char product[kHostProductStringSize] = {};
  CallHost(kHostGetProductString, 0, 0, product, 0);
  // The host may fill the whole buffer; the text ends at the last byte at the latest.
  product[sizeof product - 1] = '\0';
  std::int32_t version = 0;
  if (product[0] != '\0') {
    // The version is a 32-bit number carried in the pointer-sized answer: the bits above it are
    // not part of it, and in 64-bit arithmetic the conversion below cannot overflow.
    const std::int64_t d =
        static_cast<std::int32_t>(CallHost(kHostGetVendorVersion, 0, 0, nullptr, 0));
    version = static_cast<std::int32_t>((d / 10000) * 65536 + ((d % 10000) / 100) * 256 + d % 100);
  }
  SetHost(product, version);
  return HostNumber();
}

void IEffectVst2::SetIoCounts() {
  inputArrangement_.numChannels = InputCount();
  effect_.numInputs = InputCount();
  outputArrangement_.numChannels = OutputCount();
  effect_.numOutputs = OutputCount();
}

void IEffectVst2::PrepareForHost() {
  if (preparedForHost_) return;
  preparedForHost_ = true;
  const auto host = static_cast<KnownHost>(HostKind());
  if (HostTakesOnlyStereoInputs(host)) LimitToStereo();
  if (HostNeedsStereoIo(host)) EnsureStereoIo();
  SetIoCounts();
}

}  // namespace framework
