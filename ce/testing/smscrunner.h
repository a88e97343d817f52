// A loopback SMS centre for tests: `smsc serve` on an ephemeral port,
// killed (if still running) by the destructor.
#pragma once

#include <string>
#include <vector>

#include "ce/testing/childrunner.h"

class CeSmsCentre {
 public:
  // `smsc` is the program's path.
  explicit CeSmsCentre(const std::string& smsc);
  ~CeSmsCentre();
  CeSmsCentre(const CeSmsCentre&) = delete;
  CeSmsCentre& operator=(const CeSmsCentre&) = delete;

  // False when it did not start; then address() is empty.
  bool started() const { return !address_.empty(); }
  // "127.0.0.1:N".
  const std::string& address() const { return address_; }
  // The server's process id (to stop it with SIGSTOP).
  pid_t pid() const { return child_.pid; }
  // Runs `smsc COMMAND --smsc ADDRESS ARGS...`: its exit status.
  int control(const std::string& command, const std::vector<std::string>& args = {}) const;
  // `smsc stop`, then waits for the server's end: true when it ended.
  bool stop();

 private:
  std::string smsc_;
  std::string address_;
  CeChild child_;
};
