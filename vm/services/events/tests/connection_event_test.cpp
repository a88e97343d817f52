// The connection events: refusals before the queues exist, the socket
// kinds, the unknown queue, and the events' words and order through the
// one cevent thread.
#include "vm/services/events/connection_event.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/core/heap_fixture.h"
#include "tools/testport/test_port.h"
#include "vm/services/connection/connection.h"
#include "vm/services/events/tests/event_fixture.h"

namespace {

using Words = std::vector<uint32_t>;

class ConnectionEvent : public HeapTest {
 protected:
  void SetUp() override {
    HeapTest::SetUp();
    vsEventTest_start(&chunk_);
    vsK6Event_resetState();
  }
  void TearDown() override {
    vsConnection_stop();
    vsEventTest_stop(chunk_);
    vsTestException_clear();
    HeapTest::TearDown();
  }

 private:
  void* chunk_ = nullptr;
};

bool has(const std::string& text, const char* part) { return text.find(part) != std::string::npos; }

TEST_F(ConnectionEvent, BeforeAndAfterTheQueues) {
  vsTestPort_startCapture();
  EXPECT_EQ(AmNotifySocketEvent(1, 2, 3), 0);
  EXPECT_EQ(AmNotifySecureSocketEvent(1, 2, 3), 0);
  std::string trace = vsTestPort_stopCapture().trace;
  EXPECT_TRUE(has(trace, "----- connection event: no init queue.\n")) << trace;
  EXPECT_TRUE(has(trace, "SOCKET: event notification failure")) << trace;

  vsConnection_initialize();
  const int32_t thread = vsConnectionEvent_initQueues();
  EXPECT_EQ(thread & kVsEventKindMask, kVsEventKindUi);
  EXPECT_EQ(vsConnectionEvent_getBufferSize(), 6);

  struct Case {
    const char* name;
    int32_t result;
  };
  vsTestPort_startCapture();
  const Case cases[] = {
      {"kind 0", AmNotifySocketEvent(7, 0, 1)},
      {"kind 6", AmNotifySocketEvent(7, 6, 1)},
      {"kind 1", AmNotifySocketEvent(7, 1, 100)},
      {"secure", AmNotifySecureSocketEvent(8, 20, 30)},
      {"kind 5", AmNotifySocketEvent(9, 5, -1)},
      {"secure native", vsConnectionEvent_postSecureSocket(10, 1, 2)},
      {"unknown queue", vsConnectionEvent_post(2, 1, nullptr, 0)},
      {"three words", vsConnectionEvent_post(1, 1, Words{1, 2, 3}.data(), 3)},
  };
  trace = vsTestPort_stopCapture().trace;
  const int32_t expected[] = {0, 0, 1, 1, 1, 1, 0, 0};
  for (size_t i = 0; i < sizeof expected / sizeof expected[0]; ++i)
    EXPECT_EQ(cases[i].result, expected[i]) << cases[i].name;
  EXPECT_TRUE(has(trace, "----- connection event: unkown queue.\n")) << trace;
  EXPECT_FALSE(has(trace, "no init queue")) << trace;

  // One group: the events come out in posting order across both queues.
  const std::vector<Words> expectedEvents = {
      {1, 7, 0, 100}, {3, 8, 20, 30}, {1, 9, 4, 0xffffffffu}, {3, 10, 1, 2}};
  std::vector<Words> taken;
  int32_t count = 0;
  while (const uint32_t* e = vsK6Event_getNextEvent(thread, &count)) taken.emplace_back(e, e + count);
  EXPECT_EQ(taken, expectedEvents);
}

TEST_F(ConnectionEvent, TheSocketQueueHoldsTwentyEventsPerConnection) {
  vsConnection_initialize();
  vsConnectionEvent_initQueues();
  // 20 x 6 x 4 ring words; a 4-word event costs 5 of them.
  const int32_t room = 20 * vsConnection_getMaxSockets() * 4 / 5;
  for (int32_t i = 0; i < room; ++i) ASSERT_EQ(AmNotifySocketEvent(i, 1, 0), 1) << i;
  vsTestPort_startCapture();
  EXPECT_EQ(AmNotifySocketEvent(room, 1, 0), 0);
  const std::string trace = vsTestPort_stopCapture().trace;
  EXPECT_TRUE(has(trace, "SOCKET: event notification failure")) << trace;
  EXPECT_EQ(AmNotifySecureSocketEvent(1, 0, 0), 1) << "the secure queue has its own room";
}

}  // namespace
