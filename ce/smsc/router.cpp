// The SMS centre's routing: registrations, store and forward, retries and
// expiry, over decoded wire records.
#include "ce/smsc/router.h"

#include <algorithm>

namespace ce::smsc {

namespace {

using namespace std::chrono_literals;
using wap::WireKind;
using wap::WireRecord;

constexpr auto kRegistrationLife = 90s;
constexpr auto kStoreLife = 24h;
constexpr auto kRetryGap = 200ms;
constexpr uint32_t kRetries = 3;
constexpr size_t kStoreLimit = 1000;
constexpr auto kAnswerMemory = 10s;

}  // namespace

std::string endpointText(const Endpoint& e) {
  return std::to_string(e.address >> 24) + "." + std::to_string(e.address >> 16 & 0xFF) + "." +
         std::to_string(e.address >> 8 & 0xFF) + "." + std::to_string(e.address & 0xFF) + ":" +
         std::to_string(e.port);
}

// Wire numbers hold only '+' and digits.
std::string narrow(const std::u16string& number) {
  return std::string(number.begin(), number.end());
}

std::vector<std::string> Router::takeLog() {
  std::vector<std::string> lines;
  lines.swap(log_);
  return lines;
}

void Router::answer(const Endpoint& to, WireKind kind, uint32_t id, std::vector<Outgoing>& out) {
  WireRecord r;
  r.kind = kind;
  r.id = id;
  out.push_back({to, wap::encodeWire(r)});
}

void Router::sendHead(const Pair& pair, Box& box, Clock::time_point now, std::vector<Outgoing>& out) {
  const Stored& head = box.queue.front();
  WireRecord r;
  r.kind = WireKind::Deliver;
  r.id = head.id;
  r.sourceNumber = head.sourceNumber;
  r.sourcePort = head.sourcePort;
  r.destinationPort = pair.second;
  r.payload = head.payload;
  out.push_back({box.endpoint, wap::encodeWire(r)});
  if (!box.inFlight) {
    box.inFlight = true;
    box.retriesLeft = kRetries;
  }
  box.resendAt = now + kRetryGap;
}

void Router::submit(const WireRecord& record, const Endpoint& from, Clock::time_point now,
                    std::vector<Outgoing>& out) {
  const auto key = std::make_pair(from, record.id);
  if (auto it = answers_.find(key); it != answers_.end()) {
    answer(from, it->second.kind, record.id, out);
    return;
  }
  const Pair pair(record.destinationNumber, record.destinationPort);
  Box& box = boxes_[pair];
  const std::string what = narrow(record.sourceNumber) + ":" + std::to_string(record.sourcePort) + " -> " +
                           narrow(record.destinationNumber) + ":" + std::to_string(record.destinationPort);
  WireKind result = WireKind::Accepted;
  if (rejectNext_ > 0) {
    --rejectNext_;
    result = WireKind::Refused;
    log("refused " + what + " (reject-next)");
  } else if (box.queue.size() >= kStoreLimit) {
    result = WireKind::Refused;
    log("refused " + what + " (store full)");
  } else {
    box.queue.push_back({nextDeliveryId_++, record.sourceNumber, record.sourcePort, record.payload, now + kStoreLife});
    log("accepted " + what + " (" + std::to_string(record.payload.size()) + " bytes)");
    if (box.registered && !box.inFlight)
      sendHead(pair, box, now, out);
  }
  answers_[key] = {result, now + kAnswerMemory};
  answer(from, result, record.id, out);
}

std::vector<Outgoing> Router::receive(const WireRecord& record, const Endpoint& from, Clock::time_point now) {
  std::vector<Outgoing> out;
  switch (record.kind) {
    case WireKind::Register: {
      const Pair pair(record.sourceNumber, record.sourcePort);
      Box& box = boxes_[pair];
      const bool fresh = !box.registered || !(box.endpoint == from);
      box.registered = true;
      box.endpoint = from;
      box.registrationEnds = now + kRegistrationLife;
      if (fresh) {
        log("registered " + narrow(record.sourceNumber) + ":" + std::to_string(record.sourcePort) + " at " +
            endpointText(from));
        box.inFlight = false;
        if (!box.queue.empty())
          sendHead(pair, box, now, out);
      }
      break;
    }
    case WireKind::Withdraw: {
      auto it = boxes_.find(Pair(record.sourceNumber, record.sourcePort));
      if (it != boxes_.end() && it->second.registered && it->second.endpoint == from) {
        it->second.registered = false;
        it->second.inFlight = false;
        log("withdrawn " + narrow(record.sourceNumber) + ":" + std::to_string(record.sourcePort));
      }
      break;
    }
    case WireKind::Submit:
      submit(record, from, now, out);
      break;
    case WireKind::DeliverAck:
      for (auto& [pair, box] : boxes_) {
        if (box.inFlight && box.endpoint == from && box.queue.front().id == record.id) {
          box.queue.pop_front();
          box.inFlight = false;
          if (!box.queue.empty())
            sendHead(pair, box, now, out);
          break;
        }
      }
      break;
    case WireKind::RejectNext:
      rejectNext_ = record.count;
      log("reject-next " + std::to_string(record.count));
      answer(from, WireKind::Accepted, record.id, out);
      break;
    case WireKind::Stop:
      stopped_ = true;
      log("stop");
      answer(from, WireKind::Accepted, record.id, out);
      break;
    case WireKind::Accepted:
    case WireKind::Refused:
    case WireKind::Deliver:
      log(std::string("dropped datagram from ") + endpointText(from) + ": unexpected " + wap::wireKindName(record.kind));
      break;
  }
  return out;
}

std::vector<Outgoing> Router::tick(Clock::time_point now) {
  std::vector<Outgoing> out;
  for (auto& [pair, box] : boxes_) {
    if (box.registered && now >= box.registrationEnds) {
      box.registered = false;
      box.inFlight = false;
      log("expired " + narrow(pair.first) + ":" + std::to_string(pair.second));
    }
    if (box.inFlight && now >= box.resendAt) {
      if (box.retriesLeft > 0) {
        --box.retriesLeft;
        sendHead(pair, box, now, out);
      } else {
        box.registered = false;
        box.inFlight = false;
        log("unanswered " + narrow(pair.first) + ":" + std::to_string(pair.second) + ", stored");
      }
    }
    // Expired datagrams other than one in flight are dropped.
    auto& q = box.queue;
    const size_t keep = box.inFlight ? 1 : 0;
    const size_t before = q.size();
    q.erase(std::remove_if(q.begin() + static_cast<std::ptrdiff_t>(std::min(keep, q.size())), q.end(),
                           [now](const Stored& s) { return now >= s.expires; }),
            q.end());
    if (q.size() != before)
      log("expired " + std::to_string(before - q.size()) + " stored for " + narrow(pair.first) + ":" +
          std::to_string(pair.second));
  }
  for (auto it = boxes_.begin(); it != boxes_.end();)
    it = !it->second.registered && it->second.queue.empty() ? boxes_.erase(it) : std::next(it);
  for (auto it = answers_.begin(); it != answers_.end();)
    it = now >= it->second.forgetAt ? answers_.erase(it) : std::next(it);
  return out;
}

Clock::time_point Router::nextDeadline() const {
  Clock::time_point next = Clock::time_point::max();
  for (const auto& [pair, box] : boxes_) {
    if (box.registered)
      next = std::min(next, box.registrationEnds);
    if (box.inFlight)
      next = std::min(next, box.resendAt);
    // A head in flight is not dropped on expiry, so its time does not count.
    for (size_t i = box.inFlight ? 1 : 0; i < box.queue.size(); ++i)
      next = std::min(next, box.queue[i].expires);
  }
  for (const auto& [key, a] : answers_)
    next = std::min(next, a.forgetAt);
  return next;
}

}  // namespace ce::smsc
