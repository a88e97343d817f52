// The event queues: capacities, refusals, the guard, group order and
// renumbering, the pending internal events, synchronous calls, and posting
// from many host threads while the VM thread takes.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <sched.h>
#include <thread>
#include <vector>

#include "tests/core/heap_fixture.h"
#include "tools/testport/test_port.h"
#include "vm/services/events/http_event.h"
#include "vm/services/events/tests/event_fixture.h"

namespace {

using Words = std::vector<uint32_t>;

class EventQueueTest : public HeapTest {
 protected:
  void SetUp() override {
    HeapTest::SetUp();
    vsEventTest_start(&chunk_);
  }
  void TearDown() override {
    vsEventTest_stop(chunk_);
    vsTestException_clear();
    HeapTest::TearDown();
  }

  // A registered variable-length queue served by its own event thread.
  static int32_t queue(int32_t ringWords, int32_t eventWords, int32_t* threadId = nullptr, int32_t fixed = 0) {
    VsEventQueue* q = vsK6Event_createQueue(ringWords, eventWords, fixed);
    const int32_t id = vsK6Event_registerQueue(q);
    const int32_t thread = vsK6Event_registerThread(q, kVsEventKindUi);
    if (threadId != nullptr) *threadId = thread;
    return id;
  }

  static int32_t post(const Words& words, int32_t queueId) {
    return vsK6Event_post(words.data(), static_cast<int32_t>(words.size()), queueId);
  }

  // Every event the thread takes, in order.
  static std::vector<Words> drain(int32_t threadId) {
    std::vector<Words> events;
    int32_t count = 0;
    while (const uint32_t* e = vsK6Event_getNextEvent(threadId, &count)) events.emplace_back(e, e + count);
    return events;
  }

 private:
  void* chunk_ = nullptr;
};

TEST_F(EventQueueTest, CapacitiesInRingWordsTimesLargestEvent) {
  struct Case {
    const char* name;
    int32_t ringWords, eventWords, postWords, fixed, accepted;
  };
  const Case kCases[] = {
      {"synchronous call 11 x 10", 11, 10, 10, 0, 1},
      {"command 220 x 10", 220, 10, 10, 0, 20},
      {"variable 2 x 1", 2, 1, 1, 0, 1},
      {"fixed 8 x 2", 8, 2, 2, 1, 4},
      {"fixed 8 x 2, short events padded", 8, 2, 1, 1, 4},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    int32_t thread = 0;
    const int32_t id = queue(c.ringWords, c.eventWords, &thread, c.fixed);
    int32_t accepted = 0;
    for (int32_t i = 0; i <= c.accepted; ++i) accepted += post(Words(static_cast<size_t>(c.postWords), 7u + i), id);
    EXPECT_EQ(accepted, c.accepted);
    EXPECT_EQ(vsEventTables.totalEvents, c.accepted);
    const std::vector<Words> taken = drain(thread);
    ASSERT_EQ(taken.size(), static_cast<size_t>(c.accepted));
    Words first(static_cast<size_t>(c.postWords), 7u);
    if (c.fixed != 0) first.resize(static_cast<size_t>(c.eventWords), 0u);
    EXPECT_EQ(taken[0], first);
    EXPECT_EQ(vsEventTables.totalEvents, 0);
  }
}

// The shapes of the neighbours' queues: the media queue of n players
// ((6n mod 65536) x 5, variable) and the messaging queue (60 x 3, fixed,
// registered through vsWmaEvent_registerQueue, posted by AmNotifyWmaEvent).
TEST_F(EventQueueTest, MediaAndMessagingShapes) {
  struct Case {
    int32_t players, accepted;
  };
  const Case kCases[] = {{2, 2}, {3, 3}, {10923, 0}};  // 6 x 10923 mod 65536 = 2
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.players);
    int32_t thread = 0;
    const int32_t id = queue((6 * c.players) % 65536, 5, &thread);
    int32_t accepted = 0;
    for (int32_t i = 0; i <= c.accepted; ++i) accepted += post({1, 2, 3, 4, 5}, id);
    EXPECT_EQ(accepted, c.accepted);
    EXPECT_EQ(static_cast<int32_t>(drain(thread).size()), c.accepted);
  }
  VsEventQueue* wma = vsK6Event_createQueue(60, 3, 1);
  const int32_t id = vsWmaEvent_registerQueue(wma);
  EXPECT_EQ(id, wma->id);
  EXPECT_EQ(vsEventQueueIds.wma, id);
  const int32_t thread = vsK6Event_registerThread(wma, kVsEventKindUi);
  EXPECT_EQ(thread & ~0xff, kVsEventKindUi | kVsEventThreadMark);
  int32_t accepted = 0;
  for (int32_t i = 0; i < 21; ++i) accepted += AmNotifyWmaEvent(i, 2, 3);
  EXPECT_EQ(accepted, 20);
  const std::vector<Words> taken = drain(thread);
  ASSERT_EQ(taken.size(), 20u);
  EXPECT_EQ(taken[19], (Words{19, 2, 3}));
}

// HTTP events: {connection, 0, event, value} into the HTTP queue once it
// exists; connection 0 goes to the test agent's event words instead, with
// or without a running VM, and wakes the VM.
TEST_F(EventQueueTest, HttpEventsQueueOrGoToTheTestAgent) {
  EXPECT_EQ(AmNotifyHttpEvent(5, 7, 100), 0);
  int32_t thread = 0;
  vsEventQueueIds.http = queue(15 * 4, 4, &thread, 1);
  EXPECT_EQ(AmNotifyHttpEvent(5, 7, 100), 1);
  EXPECT_EQ(AmNotifyHttpEvent(0xFFFFFFFFu, 8, 0), 1);
  vsTckHttpEvent_reset();
  int32_t value = 0;
  EXPECT_EQ(vsTckHttpEvent_read(&value), kVsTckHttpNoEvent);
  for (const int32_t running : {1, 0}) {
    SCOPED_TRACE(running);
    vsVmState().running = running;
    vsVm_clearWake();
    EXPECT_EQ(AmNotifyHttpEvent(0, 6, running), 1);
    EXPECT_EQ(vsTckHttpEvent_read(&value), 6);
    EXPECT_EQ(value, running);
    EXPECT_EQ(vsVm_isWakePending(), 1);
    EXPECT_EQ(JkVmEventWait(0), 0);
  }
  vsVmState().running = 1;
  EXPECT_EQ(drain(thread), (std::vector<Words>{{5, 0, 7, 100}, {0xFFFFFFFFu, 0, 8, 0}}));
}

TEST_F(EventQueueTest, RefusedPostsReturnZeroAndLeaveTheQueue) {
  int32_t thread = 0;
  const int32_t id = queue(20, 3, &thread);
  struct Case {
    const char* name;
    const uint32_t* words;
    int32_t count;
  };
  const uint32_t four[] = {1, 2, 3, 4};
  const Case kCases[] = {{"0 words", four, 0}, {"more than eventWords", four, 4}, {"null words", nullptr, 1},
                         {"negative count", four, -1}};
  for (const Case& c : kCases) EXPECT_EQ(vsK6Event_post(c.words, c.count, id), 0) << c.name;
  EXPECT_EQ(vsK6Event_hasEvent(thread), 0);
  EXPECT_EQ(vsEventTables.totalEvents, 0);
}

TEST_F(EventQueueTest, PostBeforeTheVmRunsIsSilent) {
  const int32_t id = queue(20, 3);
  vsVmState().running = 0;
  vsTestPort_startCapture();
  EXPECT_EQ(post({1}, id), 0);
  EXPECT_EQ(vsK6Event_notify(Words{1}.data(), 1, id), 0);
  EXPECT_EQ(vsTestPort_stopCapture().trace, "");
}

TEST_F(EventQueueTest, NotifyWhileSuspendingWarnsWithTheWords) {
  int32_t thread = 0;
  const int32_t id = queue(20, 3, &thread);
  vsVmState().suspending = 1;
  vsTestPort_startCapture();
  const Words words = {5, 4294967295u};
  EXPECT_EQ(vsK6Event_notify(words.data(), 2, id), 0);
  EXPECT_EQ(vsTestPort_stopCapture().trace,
            "WARNING: Can't notify this event while the JVM is suspended\n 5  -1 \n");
  EXPECT_EQ(vsK6Event_hasEvent(thread), 0);
  EXPECT_EQ(post(words, id), 1) << "the unguarded post goes on";
}

TEST_F(EventQueueTest, IdsOutsideTheTableAreIllegal) {
  const int32_t id = queue(20, 3);
  ASSERT_EQ(vsEventTables.queueCount, id + 1);
  for (const int32_t bad : {0, -1, id + 1, id + 100}) {
    SCOPED_TRACE(bad);
    vsTestPort_startCapture();
    EXPECT_EQ(post({1}, bad), 0);
    EXPECT_EQ(vsTestPort_stopCapture().trace, "WARNING: eventQueueId is illegal.\n");
  }
}

TEST_F(EventQueueTest, TablesGrowOneSlotAtATime) {
  for (int32_t i = 1; i < kVsQueueTableCapacity + 2; ++i) queue(2, 1);
  EXPECT_EQ(vsEventTables.queueCapacity, kVsQueueTableCapacity + 2);
  EXPECT_EQ(vsEventTables.eventThreadCapacity, kVsQueueTableCapacity + 1);
  EXPECT_EQ(vsEventTables.eventThreadCount, kVsQueueTableCapacity + 1);
  int32_t thread = 0;
  const int32_t last = queue(4, 1, &thread);
  EXPECT_EQ(thread, kVsEventKindUi | kVsEventThreadMark | (kVsQueueTableCapacity + 1));
  EXPECT_EQ(post({9}, last), 1);
  EXPECT_EQ(drain(thread), (std::vector<Words>{{9}}));
}

// Two groups of a cevent thread: group 0 {a, b}, group 1 {c}.
class EventGroupTest : public EventQueueTest {
 protected:
  void SetUp() override {
    EventQueueTest::SetUp();
    for (VsEventQueue*& q : q_) {
      q = vsK6Event_createQueue(40, 3, 0);
      vsK6Event_registerQueue(q);
    }
    g0_ = vsK6Event_createGroup(q_, 2, 0);
    g1_ = vsK6Event_createGroup(q_ + 2, 1, 1);
    VsEventGroup* groups[] = {g1_, g0_};  // sorted by the registration
    thread_ = vsK6Event_registerCeventThread(groups, 2, kVsEventKindUi);
  }
  int32_t id(int i) const { return q_[i]->id; }
  // The sequence numbers of the waiting events of queue i.
  std::vector<uint32_t> sequences(int i) const {
    std::vector<uint32_t> s;
    const VsEventQueue* q = q_[i];
    int32_t at = q->readIndex;
    for (int32_t e = 0; e < q->eventCount; ++e) {
      const uint32_t header = q->ring.get()[at];
      s.push_back(header >> 16);
      at = (at + static_cast<int32_t>(header & 0xff) + 1) % q->ringWords;
    }
    return s;
  }

  VsEventQueue* q_[3] = {};
  VsEventGroup* g0_ = nullptr;
  VsEventGroup* g1_ = nullptr;
  int32_t thread_ = 0;
};

TEST_F(EventGroupTest, LowerGroupFirstThenPostingOrderWithinAGroup) {
  EXPECT_EQ(thread_ & 0xff00, kVsCeventThreadMark);
  EXPECT_EQ(g0_->ceventThreadId, thread_);
  EXPECT_EQ(q_[2]->threadId, thread_);
  ASSERT_EQ(post({1}, id(2)), 1);  // group 1
  ASSERT_EQ(post({2}, id(1)), 1);  // group 0, second queue
  ASSERT_EQ(post({3}, id(0)), 1);
  ASSERT_EQ(post({4}, id(1)), 1);
  EXPECT_EQ(drain(thread_), (std::vector<Words>{{2}, {3}, {4}, {1}}));
}

TEST_F(EventGroupTest, SequenceRenumberedFromTheOldestEventAt65535) {
  g0_->sequence = 65530;
  for (uint32_t i = 0; i < 5; ++i) ASSERT_EQ(post({i}, id(i % 2)), 1);
  EXPECT_EQ(g0_->sequence, 65535);
  int32_t count = 0;
  ASSERT_NE(vsK6Event_getNextEvent(thread_, &count), nullptr);
  ASSERT_NE(vsK6Event_getNextEvent(thread_, &count), nullptr);
  // Waiting: 65532 (a), 65533 (b), 65534 (a); the next post renumbers
  // them from 65532 and takes 3.
  ASSERT_EQ(post({5}, id(0)), 1);
  EXPECT_EQ(sequences(0), (std::vector<uint32_t>{0, 2, 3}));
  EXPECT_EQ(sequences(1), (std::vector<uint32_t>{1}));
  EXPECT_EQ(g0_->sequence, 4);
  EXPECT_EQ(drain(thread_), (std::vector<Words>{{2}, {3}, {4}, {5}}));

  g0_->sequence = 65535;
  ASSERT_EQ(post({6}, id(1)), 1);
  EXPECT_EQ(sequences(1), (std::vector<uint32_t>{0})) << "nothing waited: the numbers start again";
  EXPECT_EQ(g0_->sequence, 1);
}

TEST_F(EventGroupTest, ClearEmptiesOneQueueAndTheTotal) {
  ASSERT_EQ(post({1}, id(0)), 1);
  ASSERT_EQ(post({2}, id(1)), 1);
  ASSERT_EQ(post({3}, id(0)), 1);
  EXPECT_EQ(vsK6Event_clearQueue(id(0)), 1);
  EXPECT_EQ(vsK6Event_clearQueue(99), 0);
  EXPECT_EQ(vsEventTables.totalEvents, 1);
  EXPECT_EQ(drain(thread_), (std::vector<Words>{{2}}));
}

TEST_F(EventGroupTest, ALongEventStaysForAShortRoom) {
  ASSERT_EQ(post({1, 2, 3}, id(0)), 1);
  int32_t count = 0;
  EXPECT_EQ(vsK6Event_getNextEventWithin(thread_, 2, &count), nullptr);
  EXPECT_EQ(count, 3);
  uint32_t peeked[3] = {};
  vsK6Event_peekEvent(id(0), peeked, &count);
  EXPECT_EQ(count, 3);
  EXPECT_EQ(drain(thread_), (std::vector<Words>{{1, 2, 3}}));
}

// Internal events and the pending list.
TEST_F(EventQueueTest, PendingInternalEventsWaitForTheProcessQueue) {
  vsTestPort_startCapture();
  vsK6Event_postSuspendEvent(1);
  vsK6Event_postResumeEvent(2);
  vsK6Event_postStopEvent(3);
  vsK6Event_postMidletStateEvent(4);
  vsK6Event_postResumeEvent(5);
  EXPECT_EQ(vsTestPort_stopCapture().trace, "");
  vsTestPort_startCapture();
  vsK6Event_postStopEvent(6);
  EXPECT_EQ(vsTestPort_stopCapture().trace, "pendingEventQueue is full\n");
  EXPECT_EQ(vsPendingEvents.count, kVsPendingEventSlots);
  EXPECT_EQ(vsK6Event_hasPendingEvents(), 1);
  EXPECT_EQ(vsVm_isWakePending(), 1);

  int32_t thread = 0;
  vsEventQueueIds.process = queue(8, 2, &thread, 1);  // 4 events of 2 words
  vsTestPort_startCapture();
  vsK6Event_resendPendingEvents();
  EXPECT_EQ(vsTestPort_stopCapture().trace, "pendingEventQueue is full\n")
      << "the fifth failed again and found the list full";
  EXPECT_EQ(vsK6Event_hasPendingEvents(), 0);
  EXPECT_EQ(drain(thread), (std::vector<Words>{{11, 1}, {12, 2}, {13, 3}, {100, 4}}))
      << "four fit the process queue";

  // Two pending, a queue with room for one: the second goes behind, and
  // the pass reports the change.
  vsEventQueueIds.process = -1;
  vsK6Event_postStopEvent(7);
  vsK6Event_postStopEvent(8);
  vsEventQueueIds.process = queue(2, 2, &thread, 1);
  vsTestPort_startCapture();
  vsK6Event_resendPendingEvents();
  EXPECT_EQ(vsTestPort_stopCapture().trace, "vsK6Event_processEvent_resendPendingEvent is failed.\n");
  EXPECT_EQ(vsK6Event_hasPendingEvents(), 0);
  EXPECT_EQ(drain(thread), (std::vector<Words>{{13, 7}}));
}

// Synchronous calls: the callbacks run in the posting thread.
struct Call {
  int32_t record[kVsSyncRecordWords];
  std::thread::id thread;
  char which;
};
std::vector<Call> gCalls;

void record(const int32_t* r, char which) {
  Call c{};
  std::copy(r, r + kVsSyncRecordWords, c.record);
  c.thread = std::this_thread::get_id();
  c.which = which;
  gCalls.push_back(c);
}
void callbackA(const int32_t* r) { record(r, 'A'); }
void callbackB(const int32_t* r) { record(r, 'B'); }

TEST_F(EventQueueTest, SynchronousCallsSettleInThePostingThread) {
  struct Case {
    const char* name;
    int32_t target, code;
    const char* ran;        // callbacks run by the second post
    uint32_t waitingCode;   // the code of the call left in the queue
  };
  const Case kCases[] = {
      {"a new wake event runs the waiting call's callback", -1, kVsSyncWake, "A", kVsSyncWake},
      {"a call for the waiting call's target runs its own", 5, kVsSyncCall, "B", kVsSyncCall},
      {"a call for another target runs both, then a wake", 6, kVsSyncCall, "AB", kVsSyncWake},
  };
  int32_t thread = 0;
  vsEventQueueIds.syncCall = queue(11, 10, &thread);
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    vsK6Event_clearQueue(vsEventQueueIds.syncCall);
    gCalls.clear();
    ASSERT_EQ(AmPostCallbackEvent(5, 1, kVsSyncCall, 3, 4, 50, 60, 70, callbackA), 1);
    int32_t result = 0;
    std::thread poster([&] {
      result = c.code == kVsSyncWake ? AmPostSyncWakeEvent()
                                     : AmPostCallbackEvent(c.target, 1, c.code, 30, 40, 0, 0, 7, callbackB);
    });
    const std::thread::id posterId = poster.get_id();
    poster.join();
    EXPECT_EQ(result, 1);
    std::string ran;
    for (const Call& call : gCalls) {
      ran += call.which;
      EXPECT_EQ(call.thread, posterId);
    }
    EXPECT_EQ(ran, c.ran);
    ASSERT_FALSE(gCalls.empty());
    if (gCalls[0].which == 'A') {
      const int32_t expected[kVsSyncRecordWords] = {70, 5, kVsSyncCall, 3, 4, 50, 60};
      EXPECT_TRUE(std::equal(expected, expected + kVsSyncRecordWords, gCalls[0].record));
    }
    uint32_t waiting[10] = {};
    int32_t count = 0;
    vsK6Event_peekEvent(vsEventQueueIds.syncCall, waiting, &count);
    EXPECT_EQ(count, 10);
    EXPECT_EQ(waiting[3], c.waitingCode);
  }
}

TEST_F(EventQueueTest, NativeListenersByTypeAndKind) {
  struct Case {
    int32_t type, kind, registered;
  };
  const Case kCases[] = {{0, 3, 1}, {0, 4, 0}, {1, 4, 1}, {2, 0, 0}, {1, -1, 0}};
  static std::vector<int32_t> seen;
  const auto listener = [](int32_t type, int32_t kind, int32_t count, const uint32_t* words) {
    seen = {type, kind, count, static_cast<int32_t>(words[0])};
    return 0;
  };
  for (const Case& c : kCases)
    EXPECT_EQ(AmSetNativeEventListener(c.type, c.kind, listener), c.registered) << c.type << "/" << c.kind;
  EXPECT_NE(vsK6Event_getNativeListener(4 * 2 + 1), nullptr);
  EXPECT_EQ(vsK6Event_getNativeListener(4 * 2), nullptr);
  const uint32_t pointer[] = {1, 4, 10, 20, 0};
  vsK6Event_callNativeListener(pointer, 5);
  EXPECT_EQ(seen, (std::vector<int32_t>{1, 4, 3, 10}));
}

// Eight host threads post round robin into the command, key, pointer and
// MIDP queues while this thread, the VM thread, takes.
TEST_F(EventQueueTest, ConcurrentPostersLoseAndDuplicateNothing) {
  constexpr int kPosters = 8;
  constexpr int kEventsEach = 10000;
  VsEventQueue* command = vsK6Event_createQueue(220, 10, 0);
  VsEventQueue* midp = vsK6Event_createQueue(140, 6, 0);
  VsEventQueue* key = vsK6Event_createQueue(50, 4, 0);
  VsEventQueue* pointer = vsK6Event_createQueue(60, 5, 0);
  vsEventQueueIds.command = vsK6Event_registerQueue(command);
  vsEventQueueIds.midp = vsK6Event_registerQueue(midp);
  vsEventQueueIds.key = vsK6Event_registerQueue(key);
  vsEventQueueIds.pointer = vsK6Event_registerQueue(pointer);
  VsEventGroup* groups[] = {vsK6Event_createGroup(&command, 1, 0), vsK6Event_createGroup(&midp, 1, 1), nullptr};
  VsEventQueue* input[] = {key, pointer};
  groups[2] = vsK6Event_createGroup(input, 2, 2);
  const int32_t thread = vsK6Event_registerCeventThread(groups, 3, kVsEventKindUi);

  // An event names its poster and serial: (poster, serial) in known words.
  std::vector<std::vector<char>> accepted(kPosters, std::vector<char>(kEventsEach, 0));
  std::atomic<int> running{kPosters};
  std::vector<std::thread> posters;
  for (int p = 0; p < kPosters; ++p)
    posters.emplace_back([&, p] {
      for (int i = 0; i < kEventsEach; ++i) {
        int32_t ok = 0;
        switch (i % 4) {
          case 0: ok = AmPostCallbackEvent(p, i, 1, 0, 0, 0, 0, 0, nullptr); break;
          case 1: ok = AmNotifyKeyEvent(p % 4, p, i); break;
          case 2: ok = AmNotifyPointerEvent(p % 5, p, i, 0); break;
          default: ok = AmPostMidpEvent(p, i, 0, 0, 0); break;
        }
        accepted[static_cast<size_t>(p)][static_cast<size_t>(i)] = static_cast<char>(ok);
        if (i % 64 == 0) sched_yield();
      }
      --running;
    });

  std::vector<std::vector<char>> taken(kPosters, std::vector<char>(kEventsEach, 0));
  // The last serial seen per poster in each queue (by event word 0) and in
  // the input group (key and pointer).
  std::map<std::pair<int, int>, int> lastInQueue, lastInGroup;
  int duplicates = 0, disorder = 0, strangers = 0;
  for (;;) {
    const bool postersDone = running.load() == 0;
    int32_t count = 0;
    const uint32_t* e = vsK6Event_getNextEvent(thread, &count);
    if (e == nullptr) {
      if (postersDone) break;
      sched_yield();
      continue;
    }
    const int type = static_cast<int>(e[0]);
    // Key and pointer events carry them in words 2 and 3, the others in 1 and 2.
    const bool input = type == kVsEventKey || type == kVsEventPointer;
    const int poster = static_cast<int>(e[input ? 2 : 1]);
    const int serial = static_cast<int>(e[input ? 3 : 2]);
    if (poster < 0 || poster >= kPosters || serial < 0 || serial >= kEventsEach) {
      ++strangers;
      continue;
    }
    char& t = taken[static_cast<size_t>(poster)][static_cast<size_t>(serial)];
    duplicates += t;
    t = 1;
    auto check = [&](std::map<std::pair<int, int>, int>& last, int lane) {
      auto [it, fresh] = last.try_emplace({poster, lane}, serial);
      if (!fresh) {
        disorder += serial <= it->second;
        it->second = serial;
      }
    };
    check(lastInQueue, type);
    if (input) check(lastInGroup, 2);
  }
  for (std::thread& t : posters) t.join();
  EXPECT_EQ(strangers, 0);
  EXPECT_EQ(duplicates, 0);
  EXPECT_EQ(disorder, 0);
  int acceptedCount = 0, lost = 0, unannounced = 0;
  for (int p = 0; p < kPosters; ++p)
    for (int i = 0; i < kEventsEach; ++i) {
      acceptedCount += accepted[p][i];
      lost += accepted[p][i] != 0 && taken[p][i] == 0;
      unannounced += accepted[p][i] == 0 && taken[p][i] != 0;
    }
  EXPECT_EQ(lost, 0);
  EXPECT_EQ(unannounced, 0);
  EXPECT_GT(acceptedCount, 0);
  EXPECT_EQ(vsEventTables.totalEvents, 0);
}

}  // namespace
