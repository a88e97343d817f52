// The connection events: what the socket and secure-socket workers of the
// port tell the VM's connection event thread.
//
// Two variable-length queues of 4-word events in one group (number 0),
// served by one cevent thread of the UI kind, sized 20 ring words per
// connection the port allows (vsConnection_getMaxSockets and
// vsConnection_getMaxSecureSockets):
//
//   socket queue:         {1, socketId, kind - 1, param}   (kind 1..5)
//   secure-socket queue:  {3, connectionId, p1, p2}
//
// Posts come from any thread and are unguarded (they pass while the suspend
// callbacks run). Before the queues exist a post logs "----- connection
// event: no init queue." and answers 0. The queue ids are VM variables.
#pragma once

#include <cstdint>

inline constexpr int32_t kVsConnectionEvent_socket = 1;
inline constexpr int32_t kVsConnectionEvent_secureSocket = 3;
inline constexpr int32_t kVsConnectionEvent_bufferSize = 6;

// Forgets both queues (part of vsK6Event_resetState).
void vsConnectionEvent_resetState();
// Creates and registers both queues and their cevent thread: its id (the
// event system stops the VM on a failure).
int32_t vsConnectionEvent_initQueues();
// Posts {type, id, words[0..n-1]} into the queue of the type (1 socket,
// 3 secure socket): 1 when queued, else 0; another type logs "-----
// connection event: unkown queue.".
int32_t vsConnectionEvent_post(int32_t type, int32_t id, const uint32_t* words, int32_t n);
// {3, connectionId, p1, p2}, for the secure-socket natives.
int32_t vsConnectionEvent_postSecureSocket(int32_t connectionId, int32_t p1, int32_t p2);
// The event buffer size for the connection event thread: 6.
int32_t vsConnectionEvent_getBufferSize();

// The port's posters: 1 when queued, else 0. A socket event's kind must be
// 1..5; a failed socket post logs "SOCKET: event notification failure".
int32_t AmNotifySocketEvent(int32_t socketId, int32_t kind, int32_t param);
int32_t AmNotifySecureSocketEvent(int32_t connectionId, int32_t p1, int32_t p2);
