// The connection layer: the sockets that Java code has open, so that a
// suspended or stopped VM leaves none behind.
//
// The socket natives keep one request record per socket in the request
// queue (a VsList of record pointers) while it is open:
//
//   VsConnectionRequest: | state | kind | handle |
//     state  0 new (the open still runs on a worker), 1 open, 2 closed
//     kind   1 plain socket, 3 secure socket
//     handle the port's socket handle, -1 until the open succeeds
//
// The natives: an open makes a record and queues it (a queue failure frees
// it and fails the open); a successful open stores the handle and sets
// state 1; a failed open removes and frees the record. A close of a state-1
// record sets state 2 and calls the port's close; then the record is
// removed and freed. An open that completes into a state-2 record (a
// suspend closed it while the open ran) must close its new handle and throw
// java/io/IOException.
//
// Closing all (suspend and stop, as a platform resource): every record
// leaves the queue; an open one (it must have a real handle) is closed
// through the port and set to state 2; a new one (a connect in progress) is
// set to state 2 without a port call; a closed one is skipped. Records are
// not freed: their connection objects free them. Anything else is the fatal
// error "CONNECTION: illegal status"; a resume finding records queued is the
// same fatal error. The stop releases the queue; the next initialisation
// makes a new one.
//
// The counts and the queue are VM variables; VM thread only.
#pragma once

#include <cstddef>
#include <cstdint>

enum : int32_t {
  kVsConnectionNew = 0,
  kVsConnectionOpen = 1,
  kVsConnectionClosed = 2,
};

enum : int32_t {
  kVsConnectionSocket = 1,
  kVsConnectionSecureSocket = 3,
};

struct VsConnectionRequest {
  int32_t state;
  int32_t kind;
  int32_t handle;
};
static_assert(sizeof(VsConnectionRequest) == 12 && offsetof(VsConnectionRequest, kind) == 4 &&
              offsetof(VsConnectionRequest, handle) == 8);

// Reads the port's two maximum counts (either below 1: the fatal error
// "CONNECTION: initialize error.") and, when the queue does not exist,
// registers the platform resource and makes the queue (failures: the same
// fatal error).
void vsConnection_initialize();
int32_t vsConnection_getMaxSockets();
int32_t vsConnection_getMaxSecureSockets();

// A record {state 0, kind, handle -1}, or null without memory.
VsConnectionRequest* vsConnection_newRequest(int32_t kind);
void vsConnection_freeRequest(VsConnectionRequest* request);
// 0, or -1 when no node can be had or there is no queue.
int32_t vsConnection_enqueueRequest(VsConnectionRequest* request);
// The record, or null when it is not queued.
VsConnectionRequest* vsConnection_removeRequest(VsConnectionRequest* request);

// The platform-resource operations.
void vsConnection_suspend();
void vsConnection_resume();
void vsConnection_stop();
