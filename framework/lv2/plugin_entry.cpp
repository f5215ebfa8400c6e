// instantiate refuses what the plug-in cannot work with (no urid:map, an unusable sample rate),
// saying why through log:log where the host offers it; the other entry points pass on to the
// instance. No exception leaves them.
#include "framework/lv2/plugin_entry.h"

#include <cmath>
#include <cstring>
#include <new>

namespace framework {
namespace {

IEffectLv2* Of(LV2_Handle handle) { return static_cast<IEffectLv2*>(handle); }

LV2_Handle Instantiate(const LV2_Descriptor* descriptor, double rate, const char*,
                       const LV2_Feature* const* features) {
  try {
    const auto* entry = reinterpret_cast<const Lv2PluginEntry*>(descriptor);
    Lv2Instance instance;
    instance.host = Lv2HostFeatures::Scan(features);
    if (instance.host.map == nullptr) {
      // Without the map there is no URID for the message's type either; 0 leaves it plain.
      Lv2Log(instance.host, 0, "%s: the host offers no urid:map; the plug-in needs it\n",
             descriptor->URI);
      return nullptr;
    }
    const LV2_URID error = instance.host.map->map(instance.host.map->handle, LV2_LOG__Error);
    if (!(rate >= 1000.0 && rate <= 1.0e6)) {
      Lv2Log(instance.host, error, "%s: cannot run at a sample rate of %g Hz\n", descriptor->URI,
             rate);
      return nullptr;
    }
    instance.sampleRate = rate;
    instance.stateKey = entry->stateKey;
    instance.readOuts = entry->readOuts;
    IEffectLv2* effect = entry->create(instance);
    if (effect == nullptr) {
      Lv2Log(instance.host, error, "%s: out of memory\n", descriptor->URI);
      return nullptr;
    }
    effect->Open();
    return effect;
  } catch (...) {
    return nullptr;
  }
}

void ConnectPort(LV2_Handle handle, uint32_t port, void* data) {
  if (handle != nullptr) Of(handle)->ConnectPort(port, data);
}

void Activate(LV2_Handle handle) {
  try {
    if (handle != nullptr) Of(handle)->Activate();
  } catch (...) {
  }
}

void Run(LV2_Handle handle, uint32_t frames) {
  try {
    if (handle != nullptr && frames > 0) Of(handle)->Run(frames);
  } catch (...) {
  }
}

void Deactivate(LV2_Handle handle) {
  try {
    if (handle != nullptr) Of(handle)->Deactivate();
  } catch (...) {
  }
}

void Cleanup(LV2_Handle handle) {
  try {
    delete Of(handle);
  } catch (...) {
  }
}

LV2_State_Status Save(LV2_Handle handle, LV2_State_Store_Function store, LV2_State_Handle state,
                      uint32_t, const LV2_Feature* const*) {
  try {
    return handle != nullptr ? Of(handle)->Save(store, state) : LV2_STATE_ERR_UNKNOWN;
  } catch (...) {
    return LV2_STATE_ERR_UNKNOWN;
  }
}

LV2_State_Status Restore(LV2_Handle handle, LV2_State_Retrieve_Function retrieve,
                         LV2_State_Handle state, uint32_t, const LV2_Feature* const*) {
  try {
    return handle != nullptr ? Of(handle)->Restore(retrieve, state) : LV2_STATE_ERR_UNKNOWN;
  } catch (...) {
    return LV2_STATE_ERR_UNKNOWN;
  }
}

const LV2_State_Interface kStateInterface = {&Save, &Restore};

const void* ExtensionData(const char* uri) {
  if (uri != nullptr && std::strcmp(uri, LV2_STATE__interface) == 0) return &kStateInterface;
  return nullptr;
}

}  // namespace

Lv2PluginEntry MakeLv2PluginEntry(const char* uri, const char* stateKey, int readOuts,
                                  Lv2Factory create) {
  return Lv2PluginEntry{{uri, &Instantiate, &ConnectPort, &Activate, &Run, &Deactivate, &Cleanup,
                         &ExtensionData},
                        stateKey,
                        readOuts,
                        create};
}

}  // namespace framework
