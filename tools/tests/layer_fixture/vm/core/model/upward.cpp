// A model file that reaches up into the interpreter: the layer check must
// refuse it. Never compiled.
#include "vm/core/interp/exceptions.h"
#include "vm/core/interp/interpreter.h"
#include "vm/core/model/kinds.h"
