// HTTP events of the port's workers (see http_event.h).
#include "vm/services/events/http_event.h"

#include "ce/substrate/vm_sections.h"
#include "port/vm_sync.h"
#include "vm/services/events/event_posters.h"
#include "vm/services/events/event_queue.h"
#include "vm/services/events/event_wait.h"

namespace {

VS_VMDATA(VsTckHttpEvent) gAgentEvent = {kVsTckHttpNoEvent, 0};

constexpr uint32_t kAgentConnection = 0;

}  // namespace

int32_t AmNotifyHttpEvent(uint32_t connection, int32_t event, int32_t value) {
  if (connection == kAgentConnection) {
    JkVmEnterCriticalSection();
    gAgentEvent.event = event;
    gAgentEvent.value = value;
    vsVm_wake();
    JkVmLeaveCriticalSection();
    return 1;
  }
  const int32_t queueId = vsEventQueueIds.http;
  if (queueId < 1) return 0;
  const uint32_t words[] = {connection, 0, static_cast<uint32_t>(event), static_cast<uint32_t>(value)};
  return vsK6Event_post(words, 4, queueId);
}

void vsTckHttpEvent_reset() {
  JkVmEnterCriticalSection();
  gAgentEvent = {kVsTckHttpNoEvent, 0};
  JkVmLeaveCriticalSection();
}

int32_t vsTckHttpEvent_read(int32_t* value) {
  JkVmEnterCriticalSection();
  const VsTckHttpEvent e = gAgentEvent;
  JkVmLeaveCriticalSection();
  *value = e.value;
  return e.event;
}
