#include "ce/smsc/router.h"

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;
using ce::smsc::Clock;
using ce::smsc::Endpoint;
using ce::smsc::Outgoing;
using ce::smsc::Router;
using ce::wap::WireKind;
using ce::wap::WireRecord;

const Endpoint kDevice{0x7F000001u, 40000};
const Endpoint kSender{0x7F000001u, 40001};

WireRecord reg() {
  WireRecord r;
  r.kind = WireKind::Register;
  r.sourceNumber = u"+15550001";
  r.sourcePort = 5000;
  return r;
}

WireRecord submit(uint32_t id) {
  WireRecord r;
  r.kind = WireKind::Submit;
  r.id = id;
  r.sourceNumber = u"+15550002";
  r.destinationNumber = u"+15550001";
  r.destinationPort = 5000;
  r.payload = {static_cast<uint8_t>(id)};
  return r;
}

WireRecord ack(uint32_t id) {
  WireRecord r;
  r.kind = WireKind::DeliverAck;
  r.id = id;
  return r;
}

// The one record sent to `to`, decoded; fails when there is not exactly one.
WireRecord only(const std::vector<Outgoing>& out, const Endpoint& to) {
  WireRecord r;
  size_t n = 0;
  for (const Outgoing& o : out)
    if (o.to == to) {
      ++n;
      EXPECT_EQ(ce::wap::decodeWire(o.bytes.data(), o.bytes.size(), r), ce::wap::WireError::None);
    }
  EXPECT_EQ(n, 1u) << "records to port " << to.port;
  return r;
}

TEST(SmscRouter, RegistrationLastsNinetySecondsAfterItsRefresh) {
  Router router;
  const Clock::time_point t0{};
  router.receive(reg(), kDevice, t0);
  router.receive(reg(), kDevice, t0 + 60s);
  EXPECT_TRUE(router.tick(t0 + 149s).empty());
  // Still registered at 149 s: a submission goes straight out.
  WireRecord d = only(router.receive(submit(1), kSender, t0 + 149s), kDevice);
  EXPECT_EQ(d.kind, WireKind::Deliver);
  router.receive(ack(d.id), kDevice, t0 + 149s);
  router.tick(t0 + 150s);
  // Gone at 150 s: the next is stored, then sent at the next registration.
  std::vector<Outgoing> out = router.receive(submit(2), kSender, t0 + 151s);
  EXPECT_EQ(only(out, kSender).kind, WireKind::Accepted);
  EXPECT_EQ(out.size(), 1u);
  d = only(router.receive(reg(), kDevice, t0 + 152s), kDevice);
  EXPECT_EQ(d.payload, std::vector<uint8_t>{2});
}

TEST(SmscRouter, StoresAThousandPerPairForADay) {
  Router router;
  const Clock::time_point t0{};
  for (uint32_t id = 1; id <= 1000; ++id)
    ASSERT_EQ(only(router.receive(submit(id), kSender, t0), kSender).kind, WireKind::Accepted) << id;
  EXPECT_EQ(only(router.receive(submit(1001), kSender, t0), kSender).kind, WireKind::Refused);
  // Another destination port is another pair.
  WireRecord other = submit(1002);
  other.destinationPort = 5001;
  EXPECT_EQ(only(router.receive(other, kSender, t0), kSender).kind, WireKind::Accepted);
  router.tick(t0 + 24h);
  EXPECT_TRUE(router.receive(reg(), kDevice, t0 + 24h).empty());
  EXPECT_EQ(only(router.receive(submit(1003), kSender, t0 + 24h), kSender).kind, WireKind::Accepted);
}

TEST(SmscRouter, AHeadInFlightOutlivesItsExpiry) {
  Router router;
  const Clock::time_point t0{};
  router.receive(submit(1), kSender, t0);
  const WireRecord d = only(router.receive(reg(), kDevice, t0 + 24h - 100ms), kDevice);
  // Past the datagram's 24 h, before its resend: nothing is due until the resend.
  EXPECT_TRUE(router.tick(t0 + 24h).empty());
  EXPECT_GT(router.nextDeadline(), t0 + 24h);
  EXPECT_EQ(only(router.tick(t0 + 24h + 100ms), kDevice).id, d.id);
  EXPECT_TRUE(router.receive(ack(d.id), kDevice, t0 + 24h + 100ms).empty());
}

TEST(SmscRouter, OneUnacknowledgedAtATimeInOrder) {
  Router router;
  const Clock::time_point t0{};
  router.receive(reg(), kDevice, t0);
  const WireRecord first = only(router.receive(submit(1), kSender, t0), kDevice);
  // The second waits for the first's acknowledgement.
  EXPECT_EQ(router.receive(submit(2), kSender, t0).size(), 1u);
  // A wrong id or another endpoint does not acknowledge.
  EXPECT_TRUE(router.receive(ack(first.id + 7), kDevice, t0).empty());
  EXPECT_TRUE(router.receive(ack(first.id), kSender, t0).empty());
  const WireRecord second = only(router.receive(ack(first.id), kDevice, t0), kDevice);
  EXPECT_EQ(second.payload, std::vector<uint8_t>{2});
  EXPECT_NE(second.id, first.id);
}

TEST(SmscRouter, ResentSubmissionIsStoredOnce) {
  Router router;
  const Clock::time_point t0{};
  EXPECT_EQ(only(router.receive(submit(9), kSender, t0), kSender).kind, WireKind::Accepted);
  EXPECT_EQ(only(router.receive(submit(9), kSender, t0 + 500ms), kSender).kind, WireKind::Accepted);
  const WireRecord d = only(router.receive(reg(), kDevice, t0 + 1s), kDevice);
  EXPECT_TRUE(router.receive(ack(d.id), kDevice, t0 + 1s).empty());
}

}  // namespace
