// Compiled with the effect's editor's include roots only: the include below must fail.
#include "quorvantel/editor/quorvantel_editor.h"
#include "quorvantel/quorvantel.h"
