// Compiled with the generic editor's include roots only: the include below must fail.
#include "engine/grain_engine.h"
#include "gui/editor_surface.h"
