// state:interface: the instance's state is the same chunk the VST 2 adapter hands its host (the
// framework's header and every parameter's plain value), stored as one atom:Chunk, so a sound
// moves between the formats as it is.
#include <cmath>
#include <cstring>
#include <mutex>

#include "framework/lv2/effect_lv2.h"

namespace framework {

LV2_State_Status IEffectLv2::Save(LV2_State_Store_Function store, LV2_State_Handle handle) {
  if (store == nullptr) return LV2_STATE_ERR_UNKNOWN;
  StateChunk chunk(8 + 8 * ParameterCount());
  {
    std::lock_guard lock(InstanceLock());
    WriteChunkHeader(chunk);
    if (!SaveState(chunk) || chunk.Empty()) return LV2_STATE_ERR_UNKNOWN;
  }
  // The host copies the value before store returns; the lock is not held while it runs.
  return store(handle, urids_.stateChunk, chunk.Data(), static_cast<std::size_t>(chunk.Size()),
               urids_.atomChunk, LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE);
}

LV2_State_Status IEffectLv2::Restore(LV2_State_Retrieve_Function retrieve,
                                     LV2_State_Handle handle) {
  if (retrieve == nullptr) return LV2_STATE_ERR_UNKNOWN;
  std::size_t size = 0;
  std::uint32_t type = 0;
  std::uint32_t flags = 0;
  const void* data = retrieve(handle, urids_.stateChunk, &size, &type, &flags);
  {
    std::lock_guard lock(InstanceLock());
    portsStale_ = true;
  }
  // No chunk (a host resetting the state with an empty map, a preset of port values only): the
  // ports hold the whole state.
  if (data == nullptr) return LV2_STATE_SUCCESS;

  const int count = ParameterCount();
  const std::size_t expected = 8 + 8 * static_cast<std::size_t>(count);
  if (type != urids_.atomChunk) {
    Lv2Log(host_, urids_.logWarning, "%s: state not restored: its data is not a chunk\n",
           EffectName());
    return LV2_STATE_ERR_BAD_TYPE;
  }
  if (size != expected) {
    Lv2Log(host_, urids_.logWarning,
           "%s: state not restored: the chunk holds %zu bytes instead of %zu\n", EffectName(),
           size, expected);
    return LV2_STATE_ERR_UNKNOWN;
  }
  StateChunk chunk(static_cast<int>(expected));
  chunk.Resize(static_cast<int>(expected));
  std::memcpy(chunk.Data(), data, expected);
  int pos = 0;
  const std::int32_t version = ReadChunkHeader(chunk, &pos);
  if (pos != 8 || version != kFrameworkVersion) {
    Lv2Log(host_, urids_.logWarning,
           "%s: state not restored: the chunk is not of this plug-in's version (%#x)\n",
           EffectName(), static_cast<unsigned>(version));
    return LV2_STATE_ERR_BAD_TYPE;
  }
  for (int i = 0, at = pos; i < count; ++i) {
    double v = 0.0;
    at = chunk.ReadDouble(&v, at);
    if (!std::isfinite(v)) {
      Lv2Log(host_, urids_.logWarning,
             "%s: state not restored: the value of parameter %d is not a number\n", EffectName(),
             i);
      return LV2_STATE_ERR_BAD_TYPE;
    }
  }
  std::lock_guard lock(InstanceLock());
  LoadState(chunk, pos);
  portsStale_ = true;
  return LV2_STATE_SUCCESS;
}

}  // namespace framework
