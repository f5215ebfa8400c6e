// Compiled with the framework's include roots only: the include below must fail.
#include "framework/effect_base.h"
#include "quorvantel/quorvantel.h"
