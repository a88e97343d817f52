// Storage of the persistent roots (see roots.h).
#include "vm/core/model/roots.h"

VS_VMBSS(VmRef[kRootCount]) vsPersistentRoots;

void vsRoots_clear() {
  for (VmRef& r : vsPersistentRoots) r = 0;
}
