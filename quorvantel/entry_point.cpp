// The module's only exported functions: the VST 2 entry point and its historic alias "main".
#include "plugin/quorvantel.h"

// Exported by the export list of the module (exports.map, or exports.def on Windows).
#if defined(_WIN32)
#define QV_ENTRY_POINT
#else
#define QV_ENTRY_POINT __attribute__((visibility("default")))
#endif

extern "C" {

// Host thread that loads the effect, once per instance; returns null when it cannot be created.
QV_ENTRY_POINT vst2::AEffect* VSTPluginMain(vst2::HostCallback host) {
  return CreateQuorvantelEffect(host);
}

// Same as VSTPluginMain, for hosts that look for the old name.
QV_ENTRY_POINT vst2::AEffect* VstMainAlias(vst2::HostCallback host) __asm__("main");
vst2::AEffect* VstMainAlias(vst2::HostCallback host) { return CreateQuorvantelEffect(host); }
}
