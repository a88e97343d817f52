// The connection layer: its initialisation, the request queue, closing all
// on suspend and stop, the resume check, and the internal-package stop.
#include <vector>

#include "vm/services/connection/internal_package.h"
#include "vm/services/connection/tests/connection_fixture.h"
#include "vm/services/lifecycle/platform_resource.h"

namespace {

using Connection = ConnectionTest;

struct RequestCase {
  const char* name;
  int32_t kind;
  int32_t state;
  int32_t handle;
};

// Queues one record per case; the records, in order.
std::vector<VsConnectionRequest*> queue(const std::vector<RequestCase>& cases) {
  std::vector<VsConnectionRequest*> made;
  for (const RequestCase& c : cases) {
    VsConnectionRequest* r = vsConnection_newRequest(c.kind);
    EXPECT_NE(r, nullptr) << c.name;
    if (r == nullptr) continue;
    EXPECT_EQ(r->state, kVsConnectionNew);
    EXPECT_EQ(r->kind, c.kind);
    EXPECT_EQ(r->handle, -1);
    r->state = c.state;
    r->handle = c.handle;
    EXPECT_EQ(vsConnection_enqueueRequest(r), 0) << c.name;
    made.push_back(r);
  }
  return made;
}

TEST_F(Connection, InitialisationReadsTheCountsOnce) {
  const Outcome init = capture([] { vsConnection_initialize(); });
  EXPECT_FALSE(init.stopped) << init.trace;
  EXPECT_EQ(count(init.trace, "cJSocketThread::getMaxConnections()"), 1u) << init.trace;
  EXPECT_EQ(count(init.trace, "cJSecureSocketThread::getMaxConnections()"), 1u) << init.trace;
  EXPECT_EQ(vsConnection_getMaxSockets(), 6);
  EXPECT_EQ(vsConnection_getMaxSecureSockets(), 6);
}

TEST_F(Connection, RequestsAreQueuedAndRemovedOnce) {
  VsConnectionRequest* early = vsConnection_newRequest(kVsConnectionSocket);
  ASSERT_NE(early, nullptr);
  EXPECT_EQ(vsConnection_enqueueRequest(early), -1) << "no queue before the initialisation";
  vsConnection_initialize();
  const std::vector<VsConnectionRequest*> made =
      queue({{"a", kVsConnectionSocket, kVsConnectionNew, -1},
             {"b", kVsConnectionSecureSocket, kVsConnectionNew, -1}});
  ASSERT_EQ(made.size(), 2u);
  EXPECT_EQ(vsConnection_removeRequest(made[1]), made[1]);
  EXPECT_EQ(vsConnection_removeRequest(made[1]), nullptr);
  EXPECT_EQ(vsConnection_removeRequest(early), nullptr);
  EXPECT_EQ(vsConnection_removeRequest(made[0]), made[0]);
  for (VsConnectionRequest* r : made) vsConnection_freeRequest(r);
  vsConnection_freeRequest(early);
}

TEST_F(Connection, SuspendClosesOpenSocketsAndDropsConnectsInProgress) {
  vsConnection_initialize();
  const std::vector<VsConnectionRequest*> made = queue({
      {"plain open", kVsConnectionSocket, kVsConnectionOpen, 11},
      {"secure open", kVsConnectionSecureSocket, kVsConnectionOpen, 12},
      {"plain closed", kVsConnectionSocket, kVsConnectionClosed, 13},
      {"secure connecting", kVsConnectionSecureSocket, kVsConnectionNew, -1},
  });
  ASSERT_EQ(made.size(), 4u);
  const Outcome suspended = capture([] { vsPlatformResourceSuspend(); });
  EXPECT_FALSE(suspended.stopped) << suspended.trace;
  EXPECT_EQ(count(suspended.trace, "JkSocketClose(11)"), 1u) << suspended.trace;
  EXPECT_EQ(count(suspended.trace, "JkSecureSocketClose(12)"), 1u) << suspended.trace;
  EXPECT_EQ(count(suspended.trace, "Close("), 2u) << suspended.trace;
  for (VsConnectionRequest* r : made) {
    EXPECT_EQ(r->state, kVsConnectionClosed);
    EXPECT_EQ(vsConnection_removeRequest(r), nullptr) << "the queue is empty";
  }
  const Outcome resumed = capture([] { vsPlatformResourceResume(); });
  EXPECT_FALSE(resumed.stopped) << resumed.trace;
  // The owners close them later: no port call for a closed record.
  for (VsConnectionRequest* r : made) vsConnection_freeRequest(r);
}

TEST_F(Connection, StopClosesAllAndReleasesTheQueue) {
  vsConnection_initialize();
  const std::vector<VsConnectionRequest*> made =
      queue({{"plain open", kVsConnectionSocket, kVsConnectionOpen, 21}});
  const Outcome stopped = capture([] { vsConnection_stop(); });
  EXPECT_FALSE(stopped.stopped) << stopped.trace;
  EXPECT_EQ(count(stopped.trace, "JkSocketClose(21)"), 1u) << stopped.trace;
  EXPECT_EQ(vsConnection_enqueueRequest(made[0]), -1) << "the queue is gone";
  vsConnection_initialize();
  EXPECT_EQ(vsConnection_enqueueRequest(made[0]), 0) << "a new queue";
  EXPECT_EQ(vsConnection_removeRequest(made[0]), made[0]);
  vsConnection_freeRequest(made[0]);
}

TEST_F(Connection, IllegalRecordsAreFatal) {
  const RequestCase cases[] = {
      {"open without a handle", kVsConnectionSocket, kVsConnectionOpen, -1},
      {"open with the failed handle", kVsConnectionSecureSocket, kVsConnectionOpen, -2},
      {"open of an unknown kind", 2, kVsConnectionOpen, 5},
      {"unknown state", kVsConnectionSocket, 7, 5},
  };
  for (const RequestCase& c : cases) {
    vsConnection_initialize();
    const std::vector<VsConnectionRequest*> made = queue({c});
    const Outcome suspended = capture([] { vsConnection_suspend(); });
    EXPECT_TRUE(suspended.stopped) << c.name;
    EXPECT_EQ(count(suspended.trace, "CONNECTION: illegal status"), 1u) << c.name << ": " << suspended.trace;
    EXPECT_EQ(count(suspended.trace, "Close("), 0u) << c.name << ": " << suspended.trace;
    for (VsConnectionRequest* r : made) vsConnection_freeRequest(r);
  }
  // A record left queued fails the resume check.
  vsConnection_initialize();
  const std::vector<VsConnectionRequest*> left =
      queue({{"queued", kVsConnectionSocket, kVsConnectionNew, -1}});
  const Outcome resumed = capture([] { vsConnection_resume(); });
  EXPECT_TRUE(resumed.stopped);
  EXPECT_EQ(count(resumed.trace, "CONNECTION: illegal status"), 1u) << resumed.trace;
  EXPECT_EQ(vsConnection_removeRequest(left[0]), left[0]);
  vsConnection_freeRequest(left[0]);
}

TEST_F(Connection, InternalPackageClassStopsTheVm) {
  const Outcome used = capture([] { vsInternalClassAccessRestriction_check("jp/co/orvex/cldc/io/X", 21); });
  EXPECT_TRUE(used.stopped);
  EXPECT_EQ(count(used.trace, "Cannot use class in Vostel internal package"), 1u) << used.trace;
  const Outcome other = capture([] { vsInternalClassAccessRestriction_check("jp/co/orvex/cldcx/X", 19); });
  EXPECT_FALSE(other.stopped) << other.trace;
}

}  // namespace
