// The VM thread's wait without end (see os_idle.h).
#include "vm/services/lifecycle/os_idle.h"

#include "port/vm_sync.h"

void vsOs_idleForever() {
  for (;;) JkVmEventWait(-1);
}
