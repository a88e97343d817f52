// Sockets of the host, as far as the VM's connection layer uses them.
//
// getMaxConnections gives how many plain (cJSocketThread) or secure
// (cJSecureSocketThread) socket connections may be open at once; the VM
// reads both once per run. JkSocketClose and JkSecureSocketClose release an
// open socket by its handle: 0, or -30000 when the close cannot be handed
// to the socket's worker thread. Programs that run the VM link the host's
// definitions; test programs and launchers link the test port
// (tools/testport) instead.
#pragma once

#include <cstdint>

class cJSocketThread {
 public:
  static int32_t getMaxConnections();
};

class cJSecureSocketThread {
 public:
  static int32_t getMaxConnections();
};

int32_t JkSocketClose(int32_t handle);
int32_t JkSecureSocketClose(int32_t handle);
