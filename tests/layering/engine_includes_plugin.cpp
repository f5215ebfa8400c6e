// Compiled with the engine's include roots only: the include below must fail.
#include "engine/grain_engine.h"
#include "plugin/effect_base.h"
