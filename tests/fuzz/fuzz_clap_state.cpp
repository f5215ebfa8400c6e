// State from outside loaded through the CLAP state extension's stream, the way a host hands it
// over: the input's first two bytes choose how many bytes each read returns (1 to 256) and the
// byte at which the stream fails (none when past the end); the rest is the state. A stream that
// fails must fail the load and leave the instance as it was; one that does not must load exactly
// as the same bytes in one read do; audio after the load stays finite.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "host/lib/clap_plugin_host.h"
#include "quorvantel/clap/quorvantel_clap.h"
#include "tests/fuzz/fuzz_finding.h"

namespace {

struct Stream {
  const std::uint8_t* data;
  std::size_t size;
  std::size_t pos;
  std::size_t piece;
  std::size_t failAt;

  static std::int64_t Read(const clap::IStream* stream, void* buffer, std::uint64_t room) {
    auto* s = static_cast<Stream*>(stream->ctx);
    if (s->pos >= s->failAt) return -1;
    const std::size_t n = std::min<std::size_t>(
        {s->piece, static_cast<std::size_t>(room), s->size - s->pos, s->failAt - s->pos});
    std::memcpy(buffer, s->data + s->pos, n);
    s->pos += n;
    return static_cast<std::int64_t>(n);
  }
};

qvhost::ClapPluginHost& Host() {
  static std::unique_ptr<qvhost::ClapPluginHost> host = [] {
    std::string error;
    auto h = qvhost::ClapPluginHost::Start(quorvantel::QuorvantelClapEntry(), "fuzz", "", &error);
    if (!h) fuzz::Finding("the plug-in did not start: " + error);
    h->SetBlockSize(32);
    return h;
  }();
  return *host;
}

bool Load(qvhost::ClapPluginHost& host, Stream stream) {
  const clap::IStream in = {&stream, &Stream::Read};
  return host.State()->load(host.Plugin(), &in);
}

void ProcessAndCheck(qvhost::ClapPluginHost& host) {
  constexpr int kFrames = 23;
  static float in[2][kFrames], out[2][kFrames];
  for (int c = 0; c < 2; ++c)
    for (int i = 0; i < kFrames; ++i) in[c][i] = std::sin(0.01f * static_cast<float>(i + 7 * c));
  float* inPtr[2] = {in[0], in[1]};
  float* outPtr[2] = {out[0], out[1]};
  host.SetActive(true);
  for (int block = 0; block < 2; ++block) {
    host.Process(inPtr, outPtr, kFrames, {}, nullptr);
    for (const auto& channel : out)
      for (float v : channel)
        if (!std::isfinite(v)) fuzz::Finding("output not finite after loading the state");
  }
  host.SetActive(false);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  qvhost::ClapPluginHost& host = Host();
  const std::size_t piece = static_cast<std::size_t>(data[0]) + 1;
  const std::uint8_t* state = data + 2;
  const std::size_t stateSize = size - 2;
  const std::size_t failAt = data[1] == 0xFF ? SIZE_MAX : data[1] * stateSize / 254;

  // A fixed start, so each input's outcome depends on the input only.
  static const std::vector<std::uint8_t> fresh = host.GetChunk(false);
  if (!host.SetChunk(fresh, false)) fuzz::Finding("the fresh state does not load");
  const std::vector<std::uint8_t> before = host.GetChunk(false);
  const bool loaded = Load(host, {state, stateSize, 0, piece, failAt});
  const std::vector<std::uint8_t> after = host.GetChunk(false);
  if (failAt <= stateSize) {
    if (loaded) fuzz::Finding("a load from a failing stream succeeded");
    if (after != before) fuzz::Finding("a failed load changed the state");
  } else {
    if (!host.SetChunk(fresh, false)) fuzz::Finding("the fresh state does not load");
    const bool whole = Load(host, {state, stateSize, 0, SIZE_MAX, SIZE_MAX});
    if (whole != loaded || host.GetChunk(false) != after)
      fuzz::Finding("reading in pieces of " + std::to_string(piece) + " loads differently");
  }
  ProcessAndCheck(host);
  return 0;
}
