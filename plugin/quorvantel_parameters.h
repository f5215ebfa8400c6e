// The definition of the effect's 89 parameters (their indices are in engine/parameter_indices.h).
#pragma once

#include "engine/parameter_indices.h"

class IEffectBase;

// Defines every parameter of the table on a freshly constructed instance (constructor only).
void DefineQuorvantelParameters(IEffectBase& effect);
