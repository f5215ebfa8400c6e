// The window system the Linux build embeds its editor into: X11, the parent given by its id.
#include <cstdint>

#include "framework/clap/effect_clap.h"

namespace framework {

const char* IEffectClap::NativeWindowApi() { return clap::kWindowApiX11; }

void* IEffectClap::NativeParent(const clap::Window& window) {
  // The editor's window layer takes the X11 Window id in a pointer, as VST 2 hands it over.
  return reinterpret_cast<void*>(static_cast<std::uintptr_t>(window.x11));
}

}  // namespace framework
