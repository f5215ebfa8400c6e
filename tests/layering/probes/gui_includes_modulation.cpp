// Compiled with the generic editor's include roots only: the include below must fail.
#include "gui/editor_surface.h"
#include "modulation/lfo_bank.h"
