// PushReg: Sentrel's push registrations and alarms. Registrations live in
// the registry (pushstore.h) and each registered port is held open by a
// worker for the push registry, so a datagram on it starts the registered
// program; alarms live in the registry and in a list in memory, checked by
// the daemon's timer.
//
// Answers are the codes of errors.h. The request files named by the
// requests are opened with deletion, and a request answered before its file
// is read deletes the file too, so no request leaves one behind.
#pragma once

#include <string>
#include <vector>

#include "sentrel/pushstore.h"
#include "sentrel/workerlist.h"

// Starts a program (module, command line): 1, or 0 when it cannot.
using ProgramLauncher = int (*)(const std::u16string& module, const std::u16string& commandLine);

class PushReg {
 public:
  // An alarm less late than this at its check is launched, a later one is
  // only deleted.
  static constexpr double kLaunchLatenessSeconds = 120.0;

  PushReg(WapWorkerList& workers, ProgramLauncher launcher) : workers_(workers), launcher_(launcher) {}

  // Opens or creates the registry key: 1 or -14.
  int init();
  // Opens a worker for every registered port and loads the alarms; deletes
  // interrupted registrations. 1.
  int loadListeners();

  int add(DWORD port, uint16_t fileNumber);  // WM_USER+14: 1, -14, -15, -18
  int unregister(DWORD port);                // WM_USER+15: 1, -5
  int listPorts();                           // WM_USER+16: file number, -17
  int portArguments(DWORD port);             // WM_USER+17: file number, -16, -17
  int addAlarm(uint16_t fileNumber);         // WM_USER+18: 1, -14, -18, -23

  // A datagram arrived on a registered port: starts its program. 1 or -14.
  int launchForPort(DWORD port);
  // 1, or -19 when the program cannot be started.
  int launchMidlet(const std::u16string& module, const std::u16string& commandLine);
  // Launches (when less than 120 s late) and deletes every alarm whose time
  // (FILETIME units) has come.
  void checkAlarms(uint64_t now);

  const std::vector<StoredAlarm>& alarms() const { return alarms_; }

 private:
  WapWorkerList& workers_;
  ProgramLauncher launcher_;
  std::vector<StoredAlarm> alarms_;
};
