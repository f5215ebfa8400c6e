// The C entry points of an LV2 plug-in over an IEffectLv2: the descriptor a module's
// lv2_descriptor returns, whose functions catch every exception and find the instance behind
// the handle.
#pragma once

#include <lv2/core/lv2.h>

#include "framework/lv2/effect_lv2.h"

namespace framework {

// Builds one instance from what instantiate checked; null when it cannot.
using Lv2Factory = IEffectLv2* (*)(const Lv2Instance& instance);

struct Lv2PluginEntry {
  LV2_Descriptor descriptor;  // first: instantiate finds the rest from the descriptor's address
  const char* stateKey;       // URI of the state chunk's key
  int readOuts;
  Lv2Factory create;
};

// A descriptor for uri whose instances create builds.
Lv2PluginEntry MakeLv2PluginEntry(const char* uri, const char* stateKey, int readOuts,
                                  Lv2Factory create);

}  // namespace framework
