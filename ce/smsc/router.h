// The SMS centre's routing state: which endpoint answers for each (phone
// number, port) pair, and the datagrams waiting for each pair.
//
// Invariants:
// - A pair's datagrams leave in submission order, one unacknowledged at a
//   time: the head is sent, resent up to 3 times 200 ms apart, and removed
//   only when the pair's endpoint acknowledges its delivery id.
// - A head that stays unanswered after its retries ends the pair's
//   registration; the datagrams stay stored and go out at the pair's next
//   registration. So do datagrams submitted while the pair is unregistered.
// - A registration lasts 90 s after its last refresh; a stored datagram 24 h;
//   a pair stores at most 1,000 datagrams (a submission beyond is refused).
// - A resent submission (same sender endpoint and id, within 10 s) gets the
//   first answer again and is not stored twice.
//
// The router does no I/O: each call is given the time and returns the
// datagrams to send.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "ce/wap/wire.h"

namespace ce::smsc {

using Clock = std::chrono::steady_clock;

struct Endpoint {
  uint32_t address = 0;  // IPv4, host order
  uint32_t port = 0;
  bool operator<(const Endpoint& o) const { return address != o.address ? address < o.address : port < o.port; }
  bool operator==(const Endpoint& o) const { return address == o.address && port == o.port; }
};

struct Outgoing {
  Endpoint to;
  std::vector<uint8_t> bytes;
};

class Router {
 public:
  // One received, decoded record from `from`. Returns what to send.
  std::vector<Outgoing> receive(const wap::WireRecord& record, const Endpoint& from, Clock::time_point now);
  // Resends, retry exhaustion and expiry due by `now`.
  std::vector<Outgoing> tick(Clock::time_point now);
  // When `tick` next has work, or Clock::time_point::max().
  Clock::time_point nextDeadline() const;
  // Whether a stop request was accepted.
  bool stopped() const { return stopped_; }
  // Lines for the log, taken by the caller.
  std::vector<std::string> takeLog();

 private:
  using Pair = std::pair<std::u16string, uint32_t>;
  struct Stored {
    uint32_t id;
    std::u16string sourceNumber;
    uint32_t sourcePort;
    std::vector<uint8_t> payload;
    Clock::time_point expires;
  };
  struct Box {
    bool registered = false;
    Endpoint endpoint;
    Clock::time_point registrationEnds;
    std::deque<Stored> queue;
    bool inFlight = false;     // the head was sent and awaits its ack
    uint32_t retriesLeft = 0;  // resends still allowed for the head
    Clock::time_point resendAt;
  };
  struct Answer {
    wap::WireKind kind;
    Clock::time_point forgetAt;
  };

  void submit(const wap::WireRecord& record, const Endpoint& from, Clock::time_point now,
              std::vector<Outgoing>& out);
  void sendHead(const Pair& pair, Box& box, Clock::time_point now, std::vector<Outgoing>& out);
  void answer(const Endpoint& to, wap::WireKind kind, uint32_t id, std::vector<Outgoing>& out);
  void log(const std::string& line) { log_.push_back(line); }

  std::map<Pair, Box> boxes_;
  std::map<std::pair<Endpoint, uint32_t>, Answer> answers_;
  uint32_t nextDeliveryId_ = 1;
  uint32_t rejectNext_ = 0;
  bool stopped_ = false;
  std::vector<std::string> log_;
};

std::string endpointText(const Endpoint& e);
std::string narrow(const std::u16string& number);

}  // namespace ce::smsc
