// The module's only exported functions: the VST 2 entry point and its historic alias "main".
#include "plugin/quorvantel.h"

extern "C" {

// Host thread that loads the effect, once per instance; returns null when it cannot be created.
__attribute__((visibility("default"))) vst2::AEffect* VSTPluginMain(vst2::HostCallback host) {
  return CreateQuorvantelEffect(host);
}

// Same as VSTPluginMain, for hosts that look for the old name.
__attribute__((visibility("default"))) vst2::AEffect* VstMainAlias(vst2::HostCallback host) __asm__(
    "main");
vst2::AEffect* VstMainAlias(vst2::HostCallback host) { return CreateQuorvantelEffect(host); }
}
