// The free-port walk of Sentrel's WM_USER+13: from 65535 down to 1, skipping
// the 17 reserved ports, the first port the probe can open (the probe
// closes it again at once); 0 when none can be.
#pragma once

#include "ce/core/windows_types.h"

using PortProbe = bool (*)(DWORD port);

DWORD findFreePort(PortProbe probe);
// Whether `port` is one of the 17 reserved ports.
bool isReservedPort(DWORD port);
// The probe of the daemon: WapOpen, then WapClose.
bool probeWapPort(DWORD port);
