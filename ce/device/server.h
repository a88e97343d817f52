// `cedevice serve ROOT [--foreground]`: the device server.
//
// One server per device root keeps the device's window table, routes posted
// and sent messages between its programs, holds the device-wide names of
// mutexes, starts programs (posix_spawn) and reaps them, and answers the
// control commands. It is one thread around poll(2) and never blocks on a
// client: sockets are non-blocking, a client's unsent frames are queued up
// to kMaxClientBacklog bytes, and a post or send to a client at that cap
// fails for the sender with ERROR_NOT_ENOUGH_QUOTA.
//
//   clients ----frames----> [ server ] ----Deliver----> window owners
//                             | windows: hwnd -> {class, title, pid, tid, ...}
//                             | sends:   send id -> {sender, request, owner}
//                             | names:   mutex name -> handle count
//                             | children: pid -> creating client
//
// Invariants: HWNDs are multiples of 4 from 0x00010000, handed out in
// increasing order and never reused, so the newest window has the highest
// handle; a window belongs to exactly one live client; a pending send is
// answered exactly once (by its owner's SendReply, or with
// ERROR_INVALID_WINDOW_HANDLE when the owner or window goes), and a reply
// owed to a sender that went is dropped.
//
// A frame that breaks the protocol (malformed, a kind a program never
// sends, a window of another process where ownership is needed, a reply to
// a send it was not given) is logged as "refused frame from pid N: REASON"
// and closes that client's connection; nothing else changes.
//
// The server exits when, after having served a connection, no connection
// and no child remain (decided under the start lock after accepting pending
// connections), or on Stop: SIGTERM to each child by pid, SIGKILL to those
// left after 2 s.
#pragma once

#include <cstdint>
#include <string>

// Per client.
constexpr uint32_t kMaxClientWindows = 4096;
constexpr uint32_t kMaxClientNames = 256;
constexpr uint32_t kMaxClientSends = 256;
constexpr size_t kMaxClientBacklog = size_t{4} << 20;

// Serves the root; without foreground it detaches and returns 0 once the
// server listens. Prints "ready" in the foreground once it listens.
int vsCeDevice_serve(const std::string& root, bool foreground);
