// The window system the Windows build embeds its editor into: Win32, the parent an HWND.
#include "framework/clap/effect_clap.h"

namespace framework {

const char* IEffectClap::NativeWindowApi() { return clap::kWindowApiWin32; }

void* IEffectClap::NativeParent(const clap::Window& window) { return window.win32; }

}  // namespace framework
