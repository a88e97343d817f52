// Sentrel's file log: lines queued by any thread and written to one UTF-16LE
// text file by a timer thread ("FileLog") once per period (1000 ms).
//
// One instance exists from Start (the program's start, before WinMain) to
// EndFileLog (its exit); Start recreates the file empty, a second Start keeps
// the instance and the file. Print never touches the file: it formats the
// line (cut at 1022 units), adds "\n" and queues it under the mutex. A tick
// with an empty queue opens nothing; otherwise it appends every queued line
// to the file (lines are discarded when the file cannot be opened).
// EndFileLog stops the timer, waits for its thread's end, writes what is
// still queued and destroys the instance. The debug lines ("FileLog::Print()
// pInstance==NULL!" and the others) go to the OJThread sink.
#pragma once

#include <string>
#include <vector>

#include "port/host/ojtimer.h"

class FileLog : public OJTimer {
 public:
  static void Start(const WCHAR* fileName);
  static void Print(const WCHAR* format, ...);
  static void EndFileLog();

  // Test seam: the period Start gives the next instance (0: 1000 ms) and a
  // function called after each tick with whether it opened the file.
  static void setTestSeam(DWORD periodMs, void (*afterTick)(bool opened));

 private:
  explicit FileLog(const WCHAR* fileName);
  ~FileLog() override;
  void tick() override;
  // Appends the queued lines to the file; true when it opened the file.
  bool flush();
  // Takes the mutex; false (with the debug line) when the wait fails.
  bool lock();

  std::u16string fileName_;
  std::vector<std::u16string> queue_;
  HANDLE mutex_;
};
