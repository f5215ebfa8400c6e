// Compiled with the engine's include roots only: the include below must fail.
#include "engine/grain_engine.h"
#include "framework/effect_base.h"
