// The socket scheme of a compatibility-test run (vsTck_registerSocketProtocol,
// service_hooks.h): the test agents of kind 0 reach their server through a
// socket-over-HTTP class, registered before the built-in parts so that the
// MIDP part's own "socket" class is refused for the run.
#include "vm/core/startup/service_hooks.h"
#include "vm/services/connection/protocol_registry.h"

int32_t vsTck_registerSocketProtocol() {
  return vsGenericConnection_register("socket", kVsTck_socketProtocolClass);
}
