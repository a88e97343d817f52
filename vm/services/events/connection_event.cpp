// The connection events (see connection_event.h).
#include "vm/services/events/connection_event.h"

#include "ce/substrate/vm_sections.h"
#include "vm/services/connection/connection.h"
#include "vm/services/events/event_queue.h"
#include "vm/services/memory/trace_log.h"

namespace {

constexpr int32_t kRingWordsPerConnection = 20;
constexpr int32_t kEventWords = 4;
constexpr int32_t kHeadWords = 2;  // type and id before the caller's words
constexpr int32_t kGroupNumber = 0;
constexpr int32_t kMinSocketKind = 1;
constexpr int32_t kMaxSocketKind = 5;

struct ConnectionQueueIds {
  int32_t socket;  // -1 until created
  int32_t secureSocket;
};

VS_VMDATA(ConnectionQueueIds) gIds = {-1, -1};

uint32_t u(int32_t v) { return static_cast<uint32_t>(v); }

}  // namespace

void vsConnectionEvent_resetState() { gIds = {-1, -1}; }

int32_t vsConnectionEvent_initQueues() {
  VsEventQueue* queues[] = {
      vsK6Event_createQueue(kRingWordsPerConnection * vsConnection_getMaxSockets() * kEventWords, kEventWords,
                            0),
      vsK6Event_createQueue(kRingWordsPerConnection * vsConnection_getMaxSecureSockets() * kEventWords,
                            kEventWords, 0),
  };
  gIds.socket = vsK6Event_registerQueue(queues[0]);
  gIds.secureSocket = vsK6Event_registerQueue(queues[1]);
  VsEventGroup* group = vsK6Event_createGroup(queues, 2, kGroupNumber);
  return vsK6Event_registerCeventThread(&group, 1, kVsEventKindUi);
}

int32_t vsConnectionEvent_post(int32_t type, int32_t id, const uint32_t* words, int32_t n) {
  int32_t queueId;
  if (type == kVsConnectionEvent_socket) {
    queueId = gIds.socket;
  } else if (type == kVsConnectionEvent_secureSocket) {
    queueId = gIds.secureSocket;
  } else {
    vsTraceLog_error("----- connection event: unkown queue.\n");
    return 0;
  }
  if (queueId < 0) {
    vsTraceLog_error("----- connection event: no init queue.\n");
    return 0;
  }
  if (n < 0 || n > kEventWords - kHeadWords || (n > 0 && words == nullptr)) return 0;
  uint32_t event[kEventWords] = {u(type), u(id)};
  for (int32_t i = 0; i < n; ++i) event[kHeadWords + i] = words[i];
  return vsK6Event_post(event, kHeadWords + n, queueId);
}

int32_t vsConnectionEvent_postSecureSocket(int32_t connectionId, int32_t p1, int32_t p2) {
  const uint32_t words[] = {u(p1), u(p2)};
  return vsConnectionEvent_post(kVsConnectionEvent_secureSocket, connectionId, words, 2);
}

int32_t vsConnectionEvent_getBufferSize() { return kVsConnectionEvent_bufferSize; }

int32_t AmNotifySocketEvent(int32_t socketId, int32_t kind, int32_t param) {
  if (kind < kMinSocketKind || kind > kMaxSocketKind) return 0;
  const uint32_t words[] = {u(kind - 1), u(param)};
  const int32_t posted = vsConnectionEvent_post(kVsConnectionEvent_socket, socketId, words, 2);
  if (posted == 0) vsTraceLog_error("SOCKET: event notification failure\n");
  return posted;
}

int32_t AmNotifySecureSocketEvent(int32_t connectionId, int32_t p1, int32_t p2) {
  return vsConnectionEvent_postSecureSocket(connectionId, p1, p2);
}
