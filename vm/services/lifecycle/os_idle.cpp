// The VM thread's wait without end (see vsOs_idleForever in
// vm/core/threads/service_calls.h).
#include "vm/core/threads/service_calls.h"

#include "port/vm_sync.h"

void vsOs_idleForever() {
  for (;;) JkVmEventWait(-1);
}
