// Windows' API for the few files that talk to Windows, without the macros that would rename the
// project's own LoadBitmap and DrawText (or min and max) wherever it is included.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#undef LoadBitmap
#undef DrawText
