// The Windows Imaging Component's API, after the Windows API it needs.
#pragma once

// The order matters: these need windows.h first.
// clang-format off
#include "common/platform/win32/windows_api.h"
#include <wincodec.h>
// clang-format on
