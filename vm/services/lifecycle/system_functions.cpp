// The system-function table and the entries it alone uses (see
// system_functions.h).
#include "vm/services/lifecycle/system_functions.h"

#include "ce/substrate/vm_sections.h"
#include "vm/core/startup/service_hooks.h"
#include "vm/core/threads/service_calls.h"

namespace {

VS_VMBSS(uint32_t) gSpareWord = 0;

template <class Signature>
VmWord wordOf(Signature* function) {
  return vsWord_fromPointer(reinterpret_cast<const void*>(function));
}

}  // namespace

int64_t vsSys_currentTimeMillis() { return vsOs_currentTimeMillis(); }

void vsSys_idleForever() { vsOs_idleForever(); }

void vsSys_initializeICache() { vsOs_initializeICache(); }

void vsSys_finalizeICache() { vsOs_finalizeICache(); }

uint32_t vsSys_getSpareWord() { return gSpareWord; }

void vsSys_setSpareWord(uint32_t value) { gSpareWord = value; }

void vsSys_doNothing() {}

int32_t vsSys_answerZero() { return 0; }

bool vsSys_answerFalse() { return false; }

VsSystemFunctions vsSystemFunctions_table() {
  VsSystemFunctions table;
#define VS_SYSTEM_FUNCTION_FILL(name, function, Signature) table.name = wordOf<Signature>(&function);
  VS_SYSTEM_FUNCTIONS(VS_SYSTEM_FUNCTION_FILL)
#undef VS_SYSTEM_FUNCTION_FILL
  return table;
}
