// Compiled with the framework's include roots only: the include below must fail.
#include "framework/effect_base.h"
#include "gui/platform/x11/x11_window.h"
