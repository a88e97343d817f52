// HTTP events of the port's workers (port/jk_http.h).
//
// AmNotifyHttpEvent(connection, event, value) queues {connection, 0, event,
// value} into the HTTP queue that the Java side's NativeThreadJoinner event
// thread creates (0 while it does not exist). Connection 0 is the
// compatibility-test agent's own transfer, which runs before any Java
// thread exists: its event and value are stored in the agent's event words
// instead, under the VM critical section, the wake event is set and the
// result is 1. This needs the VM sync object but no running VM.
//
//   VsTckHttpEvent   +0 event (-1: none since the last reset)   +4 value
#pragma once

#include <cstddef>
#include <cstdint>

struct VsTckHttpEvent {
  int32_t event;
  int32_t value;
};
static_assert(sizeof(VsTckHttpEvent) == 8 && offsetof(VsTckHttpEvent, value) == 4);

inline constexpr int32_t kVsTckHttpNoEvent = -1;

int32_t AmNotifyHttpEvent(uint32_t connection, int32_t event, int32_t value);

// The agent's side: clears the event words, and reads them (the event, or
// kVsTckHttpNoEvent; *value receives the value).
void vsTckHttpEvent_reset();
int32_t vsTckHttpEvent_read(int32_t* value);
