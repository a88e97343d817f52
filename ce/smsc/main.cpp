// smsc, the loopback SMS centre that carries WAP datagrams between device
// roots, and its client commands.
//
//   smsc serve [--listen HOST:PORT] [--log FILE]
//   smsc send --smsc ADDR --from NUMBER[:PORT] --to NUMBER:PORT (--text T | --hex H)
//   smsc reject-next --smsc ADDR N
//   smsc stop --smsc ADDR
//
// The server owns one UDP socket; every datagram is decoded by the wire
// codec, a bad one is dropped and logged. The client commands send one
// request, resend it after 500 ms and wait at most 2 s for the answer; they
// exit 0 when it is accepted, 1 when refused or unanswered, 2 on bad usage.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "ce/smsc/router.h"
#include "ce/wap/wire.h"

namespace {

using ce::smsc::Clock;
using ce::smsc::Endpoint;
using ce::wap::WireKind;
using ce::wap::WireRecord;

constexpr const char* kUsage =
    "usage: smsc serve [--listen HOST:PORT] [--log FILE]\n"
    "       smsc send --smsc ADDR --from NUMBER[:PORT] --to NUMBER:PORT (--text T | --hex H)\n"
    "       smsc reject-next --smsc ADDR N\n"
    "       smsc stop --smsc ADDR\n";

int usage() {
  std::fputs(kUsage, stderr);
  return 2;
}

// A decimal number in [min, max], the whole text.
bool parseNumber(const std::string& text, uint32_t min, uint32_t max, uint32_t& out) {
  if (text.empty() || text.size() > 10 || text.find_first_not_of("0123456789") != std::string::npos)
    return false;
  const unsigned long long v = std::strtoull(text.c_str(), nullptr, 10);
  if (v < min || v > max)
    return false;
  out = static_cast<uint32_t>(v);
  return true;
}

// "A.B.C.D:PORT" (IPv4).
bool parseEndpoint(const std::string& text, uint32_t minPort, Endpoint& out) {
  const size_t colon = text.rfind(':');
  in_addr addr{};
  if (colon == std::string::npos || inet_pton(AF_INET, text.substr(0, colon).c_str(), &addr) != 1)
    return false;
  out.address = ntohl(addr.s_addr);
  return parseNumber(text.substr(colon + 1), minPort, 65535, out.port);
}

// "NUMBER" or "NUMBER:PORT" with the port's lowest value; a missing port is 0.
bool parseAddress(const std::string& text, bool portRequired, std::u16string& number, uint32_t& port) {
  const size_t colon = text.find(':');
  const std::string digits = text.substr(0, colon);
  number.assign(digits.begin(), digits.end());
  port = 0;
  if (!ce::wap::isWirePhoneNumber(number))
    return false;
  if (colon == std::string::npos)
    return !portRequired;
  return parseNumber(text.substr(colon + 1), 1, 65535, port);
}

bool parseHex(const std::string& text, std::vector<uint8_t>& out) {
  if (text.size() % 2 != 0 || text.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
    return false;
  for (size_t i = 0; i < text.size(); i += 2)
    out.push_back(static_cast<uint8_t>(std::stoul(text.substr(i, 2), nullptr, 16)));
  return true;
}

sockaddr_in socketAddress(const Endpoint& e) {
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_addr.s_addr = htonl(e.address);
  sa.sin_port = htons(static_cast<uint16_t>(e.port));
  return sa;
}

// A UDP socket bound to `at`; -1 with a message on failure.
int openSocket(const Endpoint& at) {
  const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  const sockaddr_in sa = socketAddress(at);
  if (fd < 0 || bind(fd, reinterpret_cast<const sockaddr*>(&sa), sizeof sa) != 0) {
    std::fprintf(stderr, "smsc: cannot bind %s: %s\n", ce::smsc::endpointText(at).c_str(), std::strerror(errno));
    if (fd >= 0)
      close(fd);
    return -1;
  }
  return fd;
}

void sendTo(int fd, const Endpoint& to, const std::vector<uint8_t>& bytes) {
  const sockaddr_in sa = socketAddress(to);
  sendto(fd, bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr*>(&sa), sizeof sa);
}

// Receives one datagram within `timeoutMs`; false on time-out.
bool receiveFrom(int fd, int timeoutMs, std::vector<uint8_t>& buffer, size_t& size, Endpoint& from) {
  pollfd p{fd, POLLIN, 0};
  if (poll(&p, 1, timeoutMs) <= 0)
    return false;
  sockaddr_in sa{};
  socklen_t len = sizeof sa;
  const ssize_t n = recvfrom(fd, buffer.data(), buffer.size(), MSG_TRUNC, reinterpret_cast<sockaddr*>(&sa), &len);
  if (n < 0)
    return false;
  size = static_cast<size_t>(n);
  from.address = ntohl(sa.sin_addr.s_addr);
  from.port = ntohs(sa.sin_port);
  return true;
}

int serve(int argc, char** argv) {
  Endpoint listen{0x7F000001u, 5300};
  FILE* logFile = stderr;
  for (int i = 2; i < argc; i += 2) {
    const std::string opt = argv[i];
    if (i + 1 >= argc)
      return usage();
    if (opt == "--listen") {
      if (!parseEndpoint(argv[i + 1], 0, listen))
        return usage();
    } else if (opt == "--log") {
      logFile = std::fopen(argv[i + 1], "a");
      if (!logFile) {
        std::fprintf(stderr, "smsc: cannot open %s: %s\n", argv[i + 1], std::strerror(errno));
        return 1;
      }
    } else {
      return usage();
    }
  }
  const int fd = openSocket(listen);
  if (fd < 0)
    return 1;
  sockaddr_in bound{};
  socklen_t len = sizeof bound;
  getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &len);
  listen.port = ntohs(bound.sin_port);
  std::printf("smsc listening on %s\n", ce::smsc::endpointText(listen).c_str());
  std::fflush(stdout);

  ce::smsc::Router router;
  // A byte more than the largest record, so a longer datagram is seen as such.
  std::vector<uint8_t> buffer(ce::wap::kWireMaxDatagram + 1);
  while (!router.stopped()) {
    const auto deadline = router.nextDeadline();
    int timeout = -1;
    if (deadline != Clock::time_point::max()) {
      const auto ms = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
      timeout = static_cast<int>(std::clamp<long long>(ms, 0, 60000));
    }
    size_t size = 0;
    Endpoint from;
    std::vector<ce::smsc::Outgoing> out;
    if (receiveFrom(fd, timeout, buffer, size, from)) {
      WireRecord record;
      const ce::wap::WireError error =
          size > buffer.size() ? ce::wap::WireError::Length : ce::wap::decodeWire(buffer.data(), size, record);
      if (error != ce::wap::WireError::None)
        std::fprintf(logFile, "dropped datagram from %s: %s\n", ce::smsc::endpointText(from).c_str(),
                     ce::wap::wireErrorText(error));
      else
        out = router.receive(record, from, Clock::now());
    }
    for (auto& o : router.tick(Clock::now()))
      out.push_back(std::move(o));
    for (const auto& o : out)
      sendTo(fd, o.to, o.bytes);
    for (const std::string& line : router.takeLog())
      std::fprintf(logFile, "%s\n", line.c_str());
    std::fflush(logFile);
  }
  close(fd);
  if (logFile != stderr)
    std::fclose(logFile);
  return 0;
}

// Sends `request` to the centre, resends after 500 ms, waits at most 2 s.
int request(const Endpoint& centre, WireRecord request) {
  const int fd = openSocket(Endpoint{0x7F000001u, 0});
  if (fd < 0)
    return 1;
  request.id = static_cast<uint32_t>(getpid());
  const std::vector<uint8_t> bytes = ce::wap::encodeWire(request);
  std::vector<uint8_t> buffer(ce::wap::kWireMaxDatagram + 1);
  const auto start = Clock::now();
  const auto end = start + std::chrono::seconds(2);
  auto resend = start;
  int result = -1;
  while (result < 0 && Clock::now() < end) {
    if (Clock::now() >= resend) {
      sendTo(fd, centre, bytes);
      resend += std::chrono::milliseconds(500);
    }
    const auto wake = std::min(resend, end);
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(wake - Clock::now()).count();
    size_t size = 0;
    Endpoint from;
    WireRecord answer;
    if (receiveFrom(fd, static_cast<int>(std::max<long long>(ms, 0)), buffer, size, from) && from == centre &&
        size <= buffer.size() && ce::wap::decodeWire(buffer.data(), size, answer) == ce::wap::WireError::None &&
        answer.id == request.id) {
      if (answer.kind == WireKind::Accepted)
        result = 0;
      else if (answer.kind == WireKind::Refused)
        result = 1;
    }
  }
  close(fd);
  if (result < 0)
    std::fprintf(stderr, "smsc: no answer from %s\n", ce::smsc::endpointText(centre).c_str());
  else if (result == 1)
    std::fprintf(stderr, "smsc: refused\n");
  return result < 0 ? 1 : result;
}

int client(int argc, char** argv) {
  const std::string command = argv[1];
  Endpoint centre;
  WireRecord r;
  bool haveCentre = false, haveFrom = false, haveTo = false, havePayload = false, haveCount = false;
  for (int i = 2; i < argc; ++i) {
    const std::string opt = argv[i];
    const bool hasValue = i + 1 < argc;
    if (opt == "--smsc" && hasValue) {
      haveCentre = parseEndpoint(argv[++i], 1, centre);
      if (!haveCentre)
        return usage();
    } else if (command == "send" && opt == "--from" && hasValue) {
      haveFrom = parseAddress(argv[++i], false, r.sourceNumber, r.sourcePort);
      if (!haveFrom)
        return usage();
    } else if (command == "send" && opt == "--to" && hasValue) {
      haveTo = parseAddress(argv[++i], true, r.destinationNumber, r.destinationPort);
      if (!haveTo)
        return usage();
    } else if (command == "send" && opt == "--text" && hasValue && !havePayload) {
      const std::string text = argv[++i];
      r.payload.assign(text.begin(), text.end());
      havePayload = true;
    } else if (command == "send" && opt == "--hex" && hasValue && !havePayload) {
      if (!parseHex(argv[++i], r.payload))
        return usage();
      havePayload = true;
    } else if (command == "reject-next" && !haveCount && parseNumber(opt, 0, 0xFFFFFFFFu, r.count)) {
      haveCount = true;
    } else {
      return usage();
    }
  }
  if (!haveCentre)
    return usage();
  if (command == "send") {
    if (!haveFrom || !haveTo || !havePayload)
      return usage();
    if (r.payload.size() > ce::wap::kWireMaxPayload) {
      std::fprintf(stderr, "smsc: payload over %u bytes\n", ce::wap::kWireMaxPayload);
      return 2;
    }
    r.kind = WireKind::Submit;
  } else if (command == "reject-next") {
    if (!haveCount)
      return usage();
    r.kind = WireKind::RejectNext;
  } else {
    r.kind = WireKind::Stop;
  }
  return request(centre, r);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2)
    return usage();
  const std::string command = argv[1];
  if (command == "serve")
    return serve(argc, argv);
  if (command == "send" || command == "reject-next" || command == "stop")
    return client(argc, argv);
  return usage();
}
