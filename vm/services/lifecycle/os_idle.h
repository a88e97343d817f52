// The VM thread's wait when no green thread can ever run again.
//
// Only the VM's exit, from outside the VM thread, ends the wait; nothing
// wakes the scheduler from it.
#pragma once

[[noreturn]] void vsOs_idleForever();
