// Monitor queues: first-in first-out order, removal anywhere, the ring's
// links, and the monitor state word.
#include <gtest/gtest.h>

#include <vector>

#include "tests/core/heap_fixture.h"
#include "vm/core/memory/heap_allocators.h"
#include "vm/core/threads/monitor_queue.h"
#include "vm/core/threads/thread_record.h"

namespace {

ThreadRecord* rec(VmRef t) { return vsRef_as<ThreadRecord>(t); }

class MonitorQueueTest : public HeapTest {
 protected:
  void SetUp() override {
    HeapTest::SetUp();
    // Nothing is allocated after these, so the references stay put.
    for (VmRef& t : threads_) t = vsJavaHeap_newThreadRecord();
  }

  // The queue from its head along the next links; checks that the previous
  // links run the same ring backwards.
  std::vector<VmRef> order(VmRef queue) {
    std::vector<VmRef> out;
    if (queue == 0) return out;
    VmRef at = queue;
    do {
      out.push_back(at);
      EXPECT_EQ(rec(rec(at)->queueNext)->queuePrevious, at);
      at = rec(at)->queueNext;
    } while (at != queue && out.size() <= 8);
    return out;
  }

  std::vector<VmRef> threads(std::initializer_list<int> which) const {
    std::vector<VmRef> out;
    for (int i : which) out.push_back(threads_[i]);
    return out;
  }

  VmRef threads_[4] = {};
};

TEST_F(MonitorQueueTest, ThreadsLeaveInTheOrderTheyCame) {
  VmRef queue = 0;
  EXPECT_EQ(vsMonitorQueue_pop(&queue), 0u);
  vsMonitorQueue_append(&queue, threads_[0]);
  // Alone, a thread is linked to itself.
  EXPECT_EQ(rec(threads_[0])->queueNext, threads_[0]);
  EXPECT_EQ(rec(threads_[0])->queuePrevious, threads_[0]);
  vsMonitorQueue_append(&queue, threads_[1]);
  vsMonitorQueue_append(&queue, threads_[2]);
  EXPECT_EQ(order(queue), threads({0, 1, 2}));
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(vsMonitorQueue_pop(&queue), threads_[i]);
    EXPECT_EQ(rec(threads_[i])->queueNext, 0u);
    EXPECT_EQ(rec(threads_[i])->queuePrevious, 0u);
  }
  EXPECT_EQ(queue, 0u);
  EXPECT_EQ(vsMonitorQueue_pop(&queue), 0u);
  // A popped thread can queue again, at the tail.
  vsMonitorQueue_append(&queue, threads_[2]);
  vsMonitorQueue_append(&queue, threads_[0]);
  EXPECT_EQ(order(queue), threads({2, 0}));
}

TEST_F(MonitorQueueTest, RemoveTakesAThreadFromAnyPlace) {
  struct Case {
    const char* name;
    int leaving;
    int32_t result;
    std::vector<int> rest;
  };
  // Before each case the queue is 0, 1, 2; thread 3 is on another queue.
  const Case kCases[] = {
      {"head", 0, 1, {1, 2}},
      {"middle", 1, 1, {0, 2}},
      {"tail", 2, 1, {0, 1}},
      {"on another queue", 3, 0, {0, 1, 2}},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    VmRef queue = 0;
    VmRef other = 0;
    for (int i = 0; i < 3; ++i) vsMonitorQueue_append(&queue, threads_[i]);
    vsMonitorQueue_append(&other, threads_[3]);
    EXPECT_EQ(vsMonitorQueue_remove(&queue, threads_[c.leaving]), c.result);
    std::vector<VmRef> expected;
    for (int i : c.rest) expected.push_back(threads_[i]);
    EXPECT_EQ(order(queue), expected);
    if (c.result == 1) {
      EXPECT_EQ(rec(threads_[c.leaving])->queueNext, 0u);
      EXPECT_EQ(rec(threads_[c.leaving])->queuePrevious, 0u);
    }
    // The other queue is untouched.
    EXPECT_EQ(order(other), threads({3}));
    while (vsMonitorQueue_pop(&queue) != 0) {
    }
    vsMonitorQueue_pop(&other);
  }
}

TEST_F(MonitorQueueTest, RemoveFromEmptyOrOfTheOnlyThread) {
  VmRef queue = 0;
  EXPECT_EQ(vsMonitorQueue_remove(&queue, threads_[0]), 0);
  EXPECT_EQ(vsMonitorQueue_remove(&queue, 0), 0);
  vsMonitorQueue_append(&queue, threads_[0]);
  EXPECT_EQ(vsMonitorQueue_remove(&queue, threads_[1]), 0);
  EXPECT_EQ(order(queue), threads({0}));
  EXPECT_EQ(vsMonitorQueue_remove(&queue, threads_[0]), 1);
  EXPECT_EQ(queue, 0u);
  EXPECT_EQ(rec(threads_[0])->queueNext, 0u);
}

TEST(MonitorWordTest, CountAndStateShareTheWord) {
  struct Case {
    VmWord word;
    uint32_t count;
    uint32_t state;
  };
  static constexpr Case kCases[] = {
      {0, 0, 0}, {1, 0, 1}, {3, 0, 3}, {4, 1, 0}, {0x17, 5, 3}, {0xfffffffd, 0x3fffffff, 1},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.word);
    EXPECT_EQ(vsMonitorWord_count(c.word), c.count);
    EXPECT_EQ(vsMonitorWord_state(c.word), c.state);

    VmWord w = c.word;
    vsMonitorWord_setCount(&w, 0x2a);
    EXPECT_EQ(w, 0x2au << 2 | c.state);
    // Bits of the count above 30 do not reach the state.
    vsMonitorWord_setCount(&w, 0xffffffff);
    EXPECT_EQ(vsMonitorWord_state(w), c.state);

    w = c.word;
    EXPECT_EQ(vsMonitorWord_setState(&w, 2), c.word);
    EXPECT_EQ(w, c.count << 2 | 2);
    EXPECT_EQ(vsMonitorWord_setState(&w, 7), c.count << 2 | 2);
    EXPECT_EQ(w, c.count << 2 | 3);
  }
}

}  // namespace
