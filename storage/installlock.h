// The install lock between the two programs that share the suite storage:
// the gfs file "gfs://java/install.lck" held open with share mode 0 through
// an install or a deletion. The operating system drops it with the process,
// so a killed installer never leaves it taken. `ojms_init` probes it
// without waiting and skips recovery while another process holds it.
#pragma once

// Takes the lock (a nested take only counts); with wait, retries for up to
// 2 s while another process holds it. False when it is not taken.
bool ojms_lockInstall(bool wait);
// Releases one take; the last one closes the file.
void ojms_unlockInstall();
