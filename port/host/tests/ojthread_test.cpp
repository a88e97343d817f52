#include "port/host/ojthread.h"

#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

#include "ce/base/crt_printf.h"
#include "ce/core/event.h"
#include "ce/core/kernel_object.h"
#include "ce/core/thread.h"
#include "ce/core/wait.h"
#include "port/host/ojtimer.h"

namespace {

std::mutex gLinesLock;
std::vector<std::string> gLines;
HANDLE gFinished = nullptr;  // set by the sink at a "finished" line

std::string narrow(const std::u16string& text) { return std::string(text.begin(), text.end()); }

void collect(const WCHAR* line) {
  const std::string text = narrow(line);
  std::lock_guard<std::mutex> guard(gLinesLock);
  gLines.push_back(text);
  if (text.find("] finished") != std::string::npos) SetEvent(gFinished);
}

std::vector<std::string> takeLines() {
  std::lock_guard<std::mutex> guard(gLinesLock);
  std::vector<std::string> lines;
  lines.swap(gLines);
  return lines;
}

class OJThreadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gFinished = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    takeLines();
    OJThread_setSink(collect, false);
  }
  void TearDown() override {
    OJThread_setSink(nullptr, false);
    CloseHandle(gFinished);
  }
};

// Counts its runs; run waits for `release` when one is given.
class Counter : public OJThread {
 public:
  Counter(const WCHAR* name, HANDLE release = nullptr) : OJThread(name, false), release_(release) {}
  int runs = 0;
  int finalizes = 0;
  HANDLE running = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ~Counter() override { CloseHandle(running); }

 protected:
  void run() override {
    ++runs;
    SetEvent(running);
    if (release_ != nullptr) WaitForSingleObject(release_, INFINITE);
  }
  void finalize() override { ++finalizes; }

 private:
  HANDLE release_;
};

TEST_F(OJThreadTest, StartOneThenTwoRunsOneThreadOnce) {
  Counter counter(u"Counter");
  EXPECT_EQ(counter.state(), OJThread::kNone);
  EXPECT_EQ(counter.threadHandle(), nullptr);
  EXPECT_EQ(counter.creatorThreadId(), GetCurrentThreadId());
  ASSERT_EQ(counter.start(1), 1);
  const HANDLE handle = counter.threadHandle();
  ASSERT_NE(handle, nullptr);
  EXPECT_EQ(counter.state(), OJThread::kSuspended);
  EXPECT_EQ(counter.start(1), 1);
  EXPECT_EQ(counter.threadHandle(), handle) << "start(1) twice made a second thread";
  EXPECT_EQ(counter.runs, 0) << "start(1) ran the thread";
  ASSERT_EQ(counter.start(2), 1);
  EXPECT_EQ(counter.threadHandle(), handle);
  ASSERT_EQ(WaitForSingleObject(handle, INFINITE), WAIT_OBJECT_0);
  EXPECT_EQ(counter.runs, 1);
  EXPECT_EQ(counter.finalizes, 1);
  EXPECT_EQ(counter.state(), OJThread::kNone);
  EXPECT_EQ(takeLines(), (std::vector<std::string>{"Thread[Counter] run", "Thread[Counter] finalize",
                                                   "Thread[Counter] finished"}));
}

TEST_F(OJThreadTest, StartTwoWhileRunningChangesNothing) {
  const HANDLE release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  Counter counter(nullptr, release);
  ASSERT_EQ(counter.start(2), 1);
  ASSERT_EQ(WaitForSingleObject(counter.running, INFINITE), WAIT_OBJECT_0);
  const HANDLE handle = counter.threadHandle();
  EXPECT_EQ(counter.state(), OJThread::kRunning);
  EXPECT_EQ(counter.start(2), 1);
  EXPECT_EQ(counter.start(1), 1);
  EXPECT_EQ(counter.threadHandle(), handle);
  EXPECT_EQ(counter.state(), OJThread::kRunning);
  SetEvent(release);
  ASSERT_EQ(WaitForSingleObject(handle, INFINITE), WAIT_OBJECT_0);
  EXPECT_EQ(counter.runs, 1);
  EXPECT_EQ(takeLines(),
            (std::vector<std::string>{"Thread[] run", "Thread[] finalize", "Thread[] finished"}));
  CloseHandle(release);
}

// Records on which thread, and how often, it was destroyed.
std::atomic<int> gDestroyed{0};
std::atomic<DWORD> gDestroyedOn{0};

class SelfDestructing : public OJThread {
 public:
  SelfDestructing() : OJThread(u"SD", true) {}
  ~SelfDestructing() override {
    ++gDestroyed;
    gDestroyedOn = GetCurrentThreadId();
  }

 protected:
  void run() override {}
  void finalize() override {}
};

TEST_F(OJThreadTest, SelfDestructingObjectGoesOnceOnItsOwnThread) {
  OJThread_setSink(collect, true);
  gDestroyed = 0;
  auto* object = new SelfDestructing;
  ASSERT_EQ(object->start(2), 1);
  const DWORD id = object->threadId();  // the object may be gone after this
  ASSERT_EQ(WaitForSingleObject(gFinished, INFINITE), WAIT_OBJECT_0);
  EXPECT_EQ(gDestroyed.load(), 1);
  EXPECT_EQ(gDestroyedOn.load(), id);
  WCHAR start[128];
  _snwprintf(start, 128, u"OJThread::start(): CreateThread() strThreadName=\"SD\"  ThreadID=0x%08X",
             static_cast<unsigned>(id));
  EXPECT_EQ(takeLines(), (std::vector<std::string>{narrow(start), "Thread[SD] run", "Thread[SD] finalize",
                                                   "Thread[SD] SelfDestruction", "Thread[SD] finished"}));
}

TEST_F(OJThreadTest, NeverStartedObjectClosesNothing) {
  { Counter counter(u"idle"); }
  EXPECT_TRUE(takeLines().empty());
}

// Ticks until told to stop; the fifth tick signals.
class Ticker : public OJTimer {
 public:
  Ticker() : OJTimer(u"Ticker", false) { setPeriod(1); }
  std::atomic<int> ticks{0};
  HANDLE fifth = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ~Ticker() override { CloseHandle(fifth); }

 protected:
  void tick() override {
    if (++ticks == 5) SetEvent(fifth);
  }
};

TEST_F(OJThreadTest, TimerTicksUntilStopped) {
  Ticker ticker;
  EXPECT_EQ(ticker.period(), 1u);
  ASSERT_EQ(ticker.start(2), 1);
  ASSERT_EQ(WaitForSingleObject(ticker.fifth, INFINITE), WAIT_OBJECT_0);
  ticker.setPeriod(1000);  // a stop within the time allowed proves the flag is seen
  ASSERT_TRUE(ticker.stopTimer());
  ASSERT_EQ(WaitForSingleObject(ticker.threadHandle(), INFINITE), WAIT_OBJECT_0);
  const int ticks = ticker.ticks;
  EXPECT_GE(ticks, 5);
  const std::vector<std::string> lines = takeLines();
  EXPECT_EQ(lines.back(), "Thread[Ticker] finished");
}

TEST_F(OJThreadTest, StoppingATimerThatNeverRanTimesOut) {
  Ticker ticker;
  ticker.setPeriod(1);
  EXPECT_FALSE(ticker.stopTimer());
  EXPECT_EQ(takeLines(), (std::vector<std::string>{"stopTimer(): WaitForSingleObject()==WAIT_TIMEOUT"}));
}

}  // namespace
