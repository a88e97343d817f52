// The requests of Sentrel's window, apart from the window: the worker list,
// the push registry, the client list and the timer's work. The window
// procedure hands every request here and calls the timer every 1500 ms; all
// of it runs on the window's thread.
//
// Client list: {port, client window}, appended when an open request with a
// window answered 1 and removed when that port is closed for the external
// application (a close answering 1, or the client check finding the window
// gone), so a departed client's entry never closes another client's port.
//
// Request files: the daemon deletes the request file of every request it
// answers, also when it answers before reading it.
#pragma once

#include <vector>

#include "ce/user/message.h"
#include "sentrel/pushreg.h"
#include "sentrel/workerlist.h"

// Whether a client window still exists.
using WindowExists = bool (*)(uint32_t window);

class SentrelDaemon {
 public:
  // One daemon per process: its workers start programs through it.
  SentrelDaemon(ProgramLauncher launcher, WindowExists windowExists);
  ~SentrelDaemon();
  SentrelDaemon(const SentrelDaemon&) = delete;
  SentrelDaemon& operator=(const SentrelDaemon&) = delete;

  // The window's creation: the push registry's key and listeners. 1 or -14.
  int start();
  // Whether `message` is one of the requests this answers.
  static bool isRequest(UINT message);
  // Answers a request (isRequest) with wParam's low 16 bits as the port and
  // lParam as the client window or message-file number.
  LRESULT request(UINT message, WPARAM wParam, LPARAM lParam);
  // The timer: the alarms due at `now` (FILETIME units), then the clients.
  void timer(uint64_t now);
  // The window's end: every worker closed for every opener.
  void stop() { workers_.closeAll(); }

  WapWorkerList& workers() { return workers_; }
  PushReg& pushReg() { return pushReg_; }

 private:
  struct Client {
    DWORD port;
    uint32_t window;
  };

  void checkClients();
  void forgetClients(DWORD port);

  WindowExists windowExists_;
  WapWorkerList workers_;
  PushReg pushReg_;
  std::vector<Client> clients_;
};
