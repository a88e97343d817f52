// OJThread, the thread base class of the host programs (Vostel_VM,
// Vostel_AMS, Sentrel). A subclass gives run and finalize; the class makes
// the CE thread, runs the two in order on it and, when asked, destroys the
// object on that thread afterwards.
//
// State word: 0 no thread or ended, 1 created suspended, 2 running.
//
//   constructed (0) --start(1)--> 1 --start(2)--> 2 --run returns--> 0
//        \------------start(2)---------------/        finalize, optional
//                                                      self-destruction, end
//
// A self-destructing object is destroyed on its own thread, once; nobody may
// touch it after run has begun to end. Any other object must outlive its
// thread. The destructor closes the thread handle but does not stop the
// thread.
//
// The thread's lines ("Thread[name] run", "... finalize", "... SelfDestruction",
// "... finished", and for the programs that want it the start line) go to one
// process-wide sink that the program sets and that adds the line ending.
#pragma once

#include <atomic>
#include <cstdarg>
#include <string>

#include "ce/core/windows_types.h"

// Receives one line, without ending.
using OJThreadSink = void (*)(const WCHAR* line);

// Sets the sink of every OJThread's lines; `startLine` adds the line of
// start ("OJThread::start(): CreateThread() ..."). Null: no lines.
void OJThread_setSink(OJThreadSink sink, bool startLine);
// Formats one line (at most 1022 units) and passes it to the sink.
void OJThread_print(const WCHAR* format, ...);
// Formats one line, cut at 1022 units.
std::u16string OJThread_formatLine(const WCHAR* format, va_list arguments);

class OJThread {
 public:
  enum State : DWORD { kNone = 0, kSuspended = 1, kRunning = 2 };

  // `name` may be null (an empty name).
  OJThread(const WCHAR* name, bool selfDestruct);
  virtual ~OJThread();
  OJThread(const OJThread&) = delete;
  OJThread& operator=(const OJThread&) = delete;

  // Mode 1 creates the thread suspended when there is none; mode 2 also
  // resumes it unless the state is 2. 1, or 0 when no thread can be created
  // (the state stays 0).
  int start(int mode);

  DWORD state() const { return state_.load(); }
  HANDLE threadHandle() const { return thread_; }
  DWORD threadId() const { return threadId_; }
  DWORD creatorThreadId() const { return creatorThreadId_; }
  const std::u16string& name() const { return name_; }

 protected:
  virtual void run() = 0;
  virtual void finalize() = 0;

 private:
  static DWORD entry(void* self);

  HANDLE thread_ = nullptr;
  DWORD threadId_ = 0;
  DWORD creatorThreadId_;
  std::atomic<DWORD> state_{kNone};
  bool selfDestruct_;
  std::u16string name_;
};
