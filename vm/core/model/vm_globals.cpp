// Storage of the VM globals block (see vm_globals.h).
#include "vm/core/model/vm_globals.h"

VS_VMBSS(VmGlobals) vsVmGlobals{};

void vsVmGlobals_clearReferences() {
  for (VmWord VmGlobals::*word : kVmGlobalsReferenceWords) vsVmGlobals.*word = 0;
}
