// The module's only exported functions: the VST 2 entry point and its historic alias "main".
// The build makes them visible and its export list (platform/<system>/) keeps everything else in.
#include "quorvantel/vst2/quorvantel_vst2.h"

extern "C" {

// Host thread that loads the effect, once per instance; returns null when it cannot be created.
vst2::AEffect* VSTPluginMain(vst2::HostCallback host) {
  return quorvantel::CreateQuorvantelEffect(host);
}

// Same as VSTPluginMain, for hosts that look for the old name.
vst2::AEffect* VstMainAlias(vst2::HostCallback host) __asm__("main");
vst2::AEffect* VstMainAlias(vst2::HostCallback host) {
  return quorvantel::CreateQuorvantelEffect(host);
}
}
