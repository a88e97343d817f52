// The test port's socket stand-ins (see test_port.h): each writes one trace
// line naming itself and its argument.
#include "port/socket.h"
#include "port/trace.h"

namespace {
constexpr int32_t kMaxConnections = 6;
}

int32_t cJSocketThread::getMaxConnections() {
  TracePrintfA("cJSocketThread::getMaxConnections()\n");
  return kMaxConnections;
}

int32_t cJSecureSocketThread::getMaxConnections() {
  TracePrintfA("cJSecureSocketThread::getMaxConnections()\n");
  return kMaxConnections;
}

int32_t JkSocketClose(int32_t handle) {
  TracePrintfA("JkSocketClose(%d)\n", handle);
  return 0;
}

int32_t JkSecureSocketClose(int32_t handle) {
  TracePrintfA("JkSecureSocketClose(%d)\n", handle);
  return 0;
}
