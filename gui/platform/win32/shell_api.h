// The common dialogs, the shell and the connectivity query, after the Windows API they need.
#pragma once

// The order matters: these need windows.h first.
// clang-format off
#include "common/platform/win32/windows_api.h"
#include <commdlg.h>
#include <shellapi.h>
#include <wininet.h>
// clang-format on
