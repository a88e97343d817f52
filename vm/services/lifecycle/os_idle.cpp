// The VM thread's wait without end (see os_idle.h).
#include "vm/services/lifecycle/os_idle.h"

#include <unistd.h>

void vsOs_idleForever() {
  // A signal (the time-slice timer) ends one pause; the wait goes on.
  for (;;) pause();
}
