// OJThread (see ojthread.h): start, the thread entry and the line sink.
#include "port/host/ojthread.h"


#include "ce/base/crt_printf.h"
#include "ce/core/kernel_object.h"
#include "ce/core/thread.h"

namespace {

std::atomic<OJThreadSink> gSink{nullptr};
std::atomic<bool> gStartLine{false};

constexpr size_t kLineUnits = 1022;

}  // namespace

void OJThread_setSink(OJThreadSink sink, bool startLine) {
  gStartLine = startLine;
  gSink = sink;
}

std::u16string OJThread_formatLine(const WCHAR* format, va_list arguments) {
  WCHAR line[kLineUnits + 1];
  _vsnwprintf(line, kLineUnits, format, arguments);
  line[kLineUnits] = 0;
  return line;
}

void OJThread_print(const WCHAR* format, ...) {
  const OJThreadSink sink = gSink.load();
  if (sink == nullptr) return;
  va_list arguments;
  va_start(arguments, format);
  const std::u16string line = OJThread_formatLine(format, arguments);
  va_end(arguments);
  sink(line.c_str());
}

OJThread::OJThread(const WCHAR* name, bool selfDestruct)
    : creatorThreadId_(GetCurrentThreadId()),
      selfDestruct_(selfDestruct),
      name_(name != nullptr ? name : u"") {}

OJThread::~OJThread() {
  if (thread_ != nullptr) {
    state_ = kNone;
    CloseHandle(thread_);
  }
}

int OJThread::start(int mode) {
  if (thread_ == nullptr) {
    thread_ = CreateThread(nullptr, 0, entry, this, CREATE_SUSPENDED, &threadId_);
    if (thread_ == nullptr) return 0;
    state_ = kSuspended;
    if (gStartLine)
      OJThread_print(u"OJThread::start(): CreateThread() strThreadName=\"%s\"  ThreadID=0x%08X",
                     name_.c_str(), static_cast<unsigned>(threadId_));
  }
  if (mode == 2 && state_ != kRunning) {
    state_ = kRunning;
    ResumeThread(thread_);
  }
  return 1;
}

DWORD OJThread::entry(void* parameter) {
  auto* self = static_cast<OJThread*>(parameter);
  const std::u16string name = self->name_;
  OJThread_print(u"Thread[%s] run", name.c_str());
  self->run();
  self->state_ = kNone;
  OJThread_print(u"Thread[%s] finalize", name.c_str());
  self->finalize();
  if (self->selfDestruct_) {
    OJThread_print(u"Thread[%s] SelfDestruction", name.c_str());
    delete self;
  }
  OJThread_print(u"Thread[%s] finished", name.c_str());
  return 0;
}
