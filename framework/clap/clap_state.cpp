// The CLAP state, audio-ports and latency extensions: the same state chunk as every format
// writes, moved through the host's streams in whatever pieces they take; one stereo port each
// way; no latency.
#include <cstdio>
#include <cstring>
#include <mutex>
#include <vector>

#include "framework/clap/effect_clap.h"

namespace framework {

namespace {

// A state larger than this is not one of ours: reading stops there and the load fails.
constexpr std::size_t kMaxStateBytes = 1 << 20;

}  // namespace

struct IEffectClap::StateExtension {
  static bool Save(const clap::Plugin* plugin, const clap::OStream* stream) {
    try {
      IEffectClap* self = FromRecord(plugin);
      if (self == nullptr || stream == nullptr || stream->write == nullptr) return false;
      self->CheckThread(ClapCall::kState);
      std::vector<std::uint8_t> bytes;
      {
        std::lock_guard lock(self->InstanceLock());
        StateChunk& chunk = self->stateChunk_;
        WriteChunkHeader(chunk);
        if (!self->SaveState(chunk) || chunk.Empty()) return false;
        bytes.assign(chunk.Data(), chunk.Data() + chunk.Size());
      }
      // The stream may take fewer bytes than offered; a stream that takes none, or fails, ends
      // the save.
      for (std::size_t done = 0; done < bytes.size();) {
        const std::int64_t n = stream->write(stream, bytes.data() + done, bytes.size() - done);
        if (n <= 0 || static_cast<std::uint64_t>(n) > bytes.size() - done) return false;
        done += static_cast<std::size_t>(n);
      }
      return true;
    } catch (...) {
      return false;
    }
  }

  static bool Load(const clap::Plugin* plugin, const clap::IStream* stream) {
    try {
      IEffectClap* self = FromRecord(plugin);
      if (self == nullptr || stream == nullptr || stream->read == nullptr) return false;
      self->CheckThread(ClapCall::kState);
      // Read in pieces until the stream says it has ended: a short read is only a short read.
      std::vector<std::uint8_t> bytes;
      std::uint8_t piece[4096];
      for (;;) {
        const std::int64_t n = stream->read(stream, piece, sizeof piece);
        if (n < 0 || static_cast<std::uint64_t>(n) > sizeof piece) return false;
        if (n == 0) break;
        if (bytes.size() + static_cast<std::size_t>(n) > kMaxStateBytes) return false;
        bytes.insert(bytes.end(), piece, piece + n);
      }
      int pos = 0;
      {
        std::lock_guard lock(self->InstanceLock());
        StateChunk& chunk = self->stateChunk_;
        chunk.Resize(static_cast<int>(bytes.size()));
        if (!bytes.empty()) std::memcpy(chunk.Data(), bytes.data(), bytes.size());
        ReadChunkHeader(chunk, &pos);
        pos = self->LoadState(chunk, pos);
        if (pos >= 0) self->PushValuesToEditor();
      }
      // The values changed under the host's feet; it reads them again (outside the lock).
      if (self->hostParams_ != nullptr && self->hostParams_->rescan != nullptr)
        self->hostParams_->rescan(self->host_, clap::kParamRescanValues);
      return pos >= 0;
    } catch (...) {
      return false;
    }
  }

  static std::uint32_t PortCount(const clap::Plugin* plugin, bool isInput) {
    IEffectClap* self = FromRecord(plugin);
    if (self == nullptr) return 0;
    self->CheckThread(ClapCall::kAudioPorts);
    return (isInput ? self->InputCount() : self->OutputCount()) > 0 ? 1 : 0;
  }

  static bool Port(const clap::Plugin* plugin, std::uint32_t index, bool isInput,
                   clap::AudioPortInfo* info) {
    IEffectClap* self = FromRecord(plugin);
    if (self == nullptr || info == nullptr || index >= PortCount(plugin, isInput)) return false;
    const int channels = isInput ? self->InputCount() : self->OutputCount();
    *info = clap::AudioPortInfo{};
    info->id = 0;
    std::snprintf(info->name, sizeof info->name, "%s", isInput ? "Input" : "Output");
    info->flags = clap::kAudioPortIsMain | clap::kAudioPortSupports64Bits |
                  clap::kAudioPortRequiresCommonSampleSize;
    info->channelCount = static_cast<std::uint32_t>(channels);
    info->portType = channels == 2 ? clap::kPortStereo : channels == 1 ? clap::kPortMono : nullptr;
    // Inputs are read after outputs are written: the host keeps them apart.
    info->inPlacePair = clap::kInvalidId;
    return true;
  }

  static std::uint32_t Latency(const clap::Plugin* plugin) {
    IEffectClap* self = FromRecord(plugin);
    if (self == nullptr) return 0;
    self->CheckThread(ClapCall::kLatency);
    return static_cast<std::uint32_t>(self->Latency() > 0 ? self->Latency() : 0);
  }
};

const clap::PluginState IEffectClap::kState = {&StateExtension::Save, &StateExtension::Load};
const clap::PluginAudioPorts IEffectClap::kAudioPorts = {&StateExtension::PortCount,
                                                         &StateExtension::Port};
const clap::PluginLatency IEffectClap::kLatency = {&StateExtension::Latency};

}  // namespace framework
