// Compiled with the modulation library's include roots only: the include below must fail.
#include "engine/grain_engine.h"
#include "modulation/lfo_bank.h"
