// The VM thread's wait when no green thread can ever run again.
//
// It waits on the VM wake-up event without limit, again and again: only
// the VM's exit, which leaves through an exit point, ends it.
#pragma once

[[noreturn]] void vsOs_idleForever();
