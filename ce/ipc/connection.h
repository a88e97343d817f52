// A program's connection to its device server, and the socket helpers the
// server and its control clients share.
//
// The server of a device listens on <root>/.ce/device.sock (a SOCK_SEQPACKET
// socket: one frame per datagram). The first CE call that needs it connects,
// starting the server when none answers: under an flock of .ce/device.lock
// it removes a stale socket, runs `cedevice serve ROOT` (CE_DEVICE_BIN, else
// the cedevice beside this program), which returns once its server listens,
// and connects again. A socket path longer than a socket address holds is
// reached as /proc/self/fd/N/device.sock of the open .ce directory.
//
// One I/O thread per process reads the server's frames: replies are kept
// per request id until their caller takes them; other frames (Deliver,
// ProcessExited) go to the handler installed for their kind. Both happen
// under ce/core's kernel lock, with a broadcast, so a caller waits for its
// reply with vsCeKernel_block alongside everything else it waits for.
//
// A server that goes away or sends a malformed frame is a lost server: the
// program writes "device server lost" to standard error and exits with
// status 75 (the phone is off). vsCeIpc_disconnect ends the connection
// cleanly instead (tests).
#pragma once

#include <string>
#include <vector>

#include "ce/ipc/protocol.h"

constexpr int kLostServerStatus = 75;

// The socket path to bind or connect for a root: the plain path when it
// fits a socket address, else /proc/self/fd/N/device.sock with N the open
// .ce directory, returned through *directory (-1 when not needed; the caller
// closes it). Empty when the .ce directory cannot be opened.
std::string vsCeIpc_socketPath(const std::string& root, int* directory);

// A connected socket to the root's running server, or -1.
int vsCeIpc_connectRoot(const std::string& root);

// One frame as one datagram; false when the socket fails.
bool vsCeIpc_write(int fd, const Frame& frame);
// Waits for one datagram and decodes it. False at the end of the connection
// (*reason null) or for a malformed frame (*reason set).
bool vsCeIpc_read(int fd, Frame* frame, const char** reason);

// Sends a request of this process (connecting first) and returns its
// request id. The reply is taken with vsCeIpc_takeReplyLocked.
uint32_t vsCeIpc_request(Frame frame);
// With the kernel lock held: when the Reply to the request has come, moves
// the frames received for it (any WindowInfo first, the Reply last) into
// *frames and returns true.
bool vsCeIpc_takeReplyLocked(uint32_t requestId, std::vector<Frame>* frames);
// With the kernel lock held: the reply to the request is not wanted; it is
// dropped when it comes.
void vsCeIpc_forgetLocked(uint32_t requestId);
// vsCeIpc_request, then waits for the reply; the Reply is frames->back().
void vsCeIpc_call(Frame frame, std::vector<Frame>* frames);

// A frame this process sends without waiting for a reply (SendReply).
void vsCeIpc_notify(const Frame& frame);

// Installs the handler of a kind the server sends on its own (Deliver,
// ProcessExited); called on the I/O thread with the kernel lock held. A
// handler refuses a malformed frame with false: a lost server.
void vsCeIpc_setHandler(FrameKind kind, bool (*handler)(Frame* frame));

// True when this process holds a connection.
bool vsCeIpc_connected();

// Closes the connection cleanly (the server drops this process's windows
// and names); a later call connects again.
void vsCeIpc_disconnect();
