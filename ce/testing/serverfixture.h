// A device server for tests, and the test process's side of it.
//
// CeServer starts `cedevice serve ROOT --foreground` on the current device
// root (CE_ROOT), records its pid, waits for "ready" and holds a control
// connection, so the server stays while the test runs. CE_DEVICE_BIN points
// at the build's cedevice, so programs the test starts find it. stop()
// disconnects the test process cleanly (vsCeIpc_disconnect), asks the
// server to stop through the socket and collects its exit status; the
// destructor stops it when the test did not, and kills it (by its pid only)
// when it cannot be stopped.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "ce/testing/childrunner.h"

class CeServer {
 public:
  CeServer();
  ~CeServer();
  CeServer(const CeServer&) = delete;
  CeServer& operator=(const CeServer&) = delete;

  pid_t pid() const { return child_.pid; }
  // The server's exit status.
  int stop();

 private:
  CeChild child_;
  int control_ = -1;
  bool stopped_ = false;
};

// A program of the build's bin directory (cedevice, cepeer).
std::string vsCeTest_bin(const std::string& program);

// The lines of a file of the device root's .ce directory ("device.log").
std::vector<std::string> vsCeTest_deviceLog(const std::string& name);
