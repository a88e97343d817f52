// WAP datagrams of the CE layer (see wdp.h): the open ports, the process's
// poll thread, and the five calls.
//
// All port state is guarded by one process-wide mutex; the poll thread holds
// it while it handles a datagram, never while it waits in poll(). A port
// taken off the table by WapClose keeps its socket until the last reference
// (the poll thread's current round) lets it go, so no descriptor is reused
// under a poll.
#include "ce/wap/wdp.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "ce/base/codepage.h"
#include "ce/core/event.h"
#include "ce/core/kernel_object.h"
#include "ce/fs/pathmap.h"
#include "ce/reg/regapi.h"
#include "ce/wap/wire.h"

namespace {

using ce::wap::WireKind;
using ce::wap::WireRecord;
using Clock = std::chrono::steady_clock;

constexpr auto kRefreshPeriod = std::chrono::seconds(30);
constexpr auto kResendAfter = std::chrono::milliseconds(500);
constexpr auto kSendLimit = std::chrono::seconds(2);
constexpr size_t kRememberedDeliveries = 256;  // ids kept per port to drop duplicates
constexpr const char16_t* kPhoneKey = u"Device\\Phone";
constexpr const char16_t* kDefaultSmsc = u"127.0.0.1:5300";

struct FailureInfo {
  HRESULT value;
  const char* text;
};

#define VS_WAP_FAILURE_ROW(name, value, text) {name, text},
constexpr FailureInfo kFailures[] = {VS_WAP_FAILURES(VS_WAP_FAILURE_ROW)};
#undef VS_WAP_FAILURE_ROW

constexpr bool failuresNegativeAndDistinct() {
  for (size_t i = 0; i < sizeof kFailures / sizeof kFailures[0]; ++i) {
    if (kFailures[i].value >= 0) return false;
    for (size_t j = 0; j < i; ++j)
      if (kFailures[i].value == kFailures[j].value) return false;
  }
  return true;
}
static_assert(failuresNegativeAndDistinct(), "WAP failures: negative and distinct");

// The answer to a submission, as the poll thread files it.
enum class Answer : uint8_t { Waiting, Accepted, Refused };

struct Port {
  DWORD number = 0;  // the WAP port
  int lockFd = -1;
  int socketFd = -1;
  HANDLE event = nullptr;
  bool open = true;
  std::u16string phone;
  sockaddr_in centre{};
  Clock::time_point nextRefresh;
  std::deque<WireRecord> received;
  std::deque<uint32_t> seen;  // recent delivery ids, oldest first
  std::map<uint32_t, Answer> answers;

  ~Port() {
    if (socketFd >= 0) close(socketFd);
  }
};

struct State {
  std::mutex lock;
  std::condition_variable answered;
  std::map<WAP_HANDLE, std::shared_ptr<Port>> ports;
  WAP_HANDLE nextHandle = 1;
  uint32_t nextSubmission = 1;
  bool pollerStarted = false;
  int wake[2] = {-1, -1};
};

// Lives as long as the process: the poll thread may still run at exit.
State& state() {
  static State* s = new State;
  return *s;
}

void lWake(State& s) {
  const char c = 0;
  if (s.wake[1] >= 0 && write(s.wake[1], &c, 1) < 0) {
    // A full pipe already wakes the poll thread.
  }
}

void lSend(const Port& port, const WireRecord& record) {
  const std::vector<uint8_t> bytes = ce::wap::encodeWire(record);
  sendto(port.socketFd, bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr*>(&port.centre),
         sizeof port.centre);
}

void lSendPair(const Port& port, WireKind kind) {
  WireRecord r;
  r.kind = kind;
  r.sourceNumber = port.phone;
  r.sourcePort = port.number;
  lSend(port, r);
}

void lDrop(const Port& port, const char* why) {
  std::fprintf(stderr, "wap: port %u dropped a datagram: %s\n", static_cast<unsigned>(port.number), why);
}

// One datagram that arrived on `port`; the state lock is held.
void lHandle(Port& port, const uint8_t* data, size_t size, const sockaddr_in& from) {
  if (!port.open) return;
  if (from.sin_addr.s_addr != port.centre.sin_addr.s_addr || from.sin_port != port.centre.sin_port)
    return lDrop(port, "not from the SMS centre");
  WireRecord r;
  const ce::wap::WireError error = ce::wap::decodeWire(data, size, r);
  if (error != ce::wap::WireError::None) return lDrop(port, ce::wap::wireErrorText(error));
  switch (r.kind) {
    case WireKind::Accepted:
    case WireKind::Refused: {
      auto it = port.answers.find(r.id);
      if (it != port.answers.end() && it->second == Answer::Waiting) {
        it->second = r.kind == WireKind::Accepted ? Answer::Accepted : Answer::Refused;
        state().answered.notify_all();
      }
      return;  // registrations (id 0) and late answers need nothing
    }
    case WireKind::Deliver: {
      if (r.destinationPort != port.number) return lDrop(port, "delivery for another port");
      WireRecord ack;
      ack.kind = WireKind::DeliverAck;
      ack.id = r.id;
      lSend(port, ack);
      for (uint32_t id : port.seen)
        if (id == r.id) return;  // a resent delivery whose acknowledgement was lost
      port.seen.push_back(r.id);
      if (port.seen.size() > kRememberedDeliveries) port.seen.pop_front();
      port.received.push_back(std::move(r));
      SetEvent(port.event);
      return;
    }
    default:
      return lDrop(port, ce::wap::wireKindName(r.kind));
  }
}

void lPollLoop() {
  State& s = state();
  std::vector<uint8_t> buffer(ce::wap::kWireMaxDatagram + 1);
  for (;;) {
    std::vector<std::shared_ptr<Port>> ports;
    std::vector<pollfd> fds{{s.wake[0], POLLIN, 0}};
    int timeoutMs = -1;
    {
      std::lock_guard<std::mutex> guard(s.lock);
      const Clock::time_point now = Clock::now();
      for (auto& [handle, port] : s.ports) {
        if (now >= port->nextRefresh) {
          lSendPair(*port, WireKind::Register);
          port->nextRefresh = now + kRefreshPeriod;
        }
        const auto wait =
            std::chrono::duration_cast<std::chrono::milliseconds>(port->nextRefresh - now).count();
        if (timeoutMs < 0 || wait < timeoutMs) timeoutMs = static_cast<int>(wait) + 1;
        ports.push_back(port);
        fds.push_back({port->socketFd, POLLIN, 0});
      }
    }
    if (poll(fds.data(), fds.size(), timeoutMs) < 0) continue;
    if (fds[0].revents != 0) {
      char drain[64];
      while (read(s.wake[0], drain, sizeof drain) > 0) {
      }
    }
    for (size_t i = 0; i < ports.size(); ++i) {
      if (fds[i + 1].revents == 0) continue;
      for (;;) {
        sockaddr_in from{};
        socklen_t length = sizeof from;
        const ssize_t n = recvfrom(ports[i]->socketFd, buffer.data(), buffer.size(), MSG_DONTWAIT | MSG_TRUNC,
                                   reinterpret_cast<sockaddr*>(&from), &length);
        if (n < 0) break;
        std::lock_guard<std::mutex> guard(s.lock);
        if (static_cast<size_t>(n) > buffer.size())
          lDrop(*ports[i], "too long");
        else
          lHandle(*ports[i], buffer.data(), static_cast<size_t>(n), from);
      }
    }
  }
}

// Starts the poll thread once; the state lock is held.
bool lStartPoller(State& s) {
  if (s.pollerStarted) return true;
  if (pipe2(s.wake, O_CLOEXEC | O_NONBLOCK) != 0) return false;
  std::thread(lPollLoop).detach();
  s.pollerStarted = true;
  return true;
}

// A REG_SZ value of HKLM "Device\Phone"; false when absent.
bool lPhoneValue(const char16_t* name, std::u16string& out) {
  HKEY key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kPhoneKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  WCHAR text[128] = {};
  DWORD type = 0;
  DWORD size = sizeof text - sizeof(WCHAR);
  const LONG status = RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(text), &size);
  RegCloseKey(key);
  if (status != ERROR_SUCCESS || type != REG_SZ) return false;
  out.assign(text);
  return true;
}

// "A.B.C.D:PORT".
bool lParseCentre(const std::u16string& text, sockaddr_in& out) {
  std::string narrow;
  for (char16_t c : text) {
    if (c > 0x7F) return false;
    narrow.push_back(static_cast<char>(c));
  }
  const size_t colon = narrow.rfind(':');
  if (colon == std::string::npos) return false;
  const std::string portText = narrow.substr(colon + 1);
  if (portText.empty() || portText.size() > 5 ||
      portText.find_first_not_of("0123456789") != std::string::npos)
    return false;
  const unsigned long port = std::stoul(portText);
  out = {};
  out.sin_family = AF_INET;
  out.sin_port = htons(static_cast<uint16_t>(port));
  return port >= 1 && port <= 65535 &&
         inet_pton(AF_INET, narrow.substr(0, colon).c_str(), &out.sin_addr) == 1;
}

// Takes the device's lock of `port`; -1 when it is held or cannot be made.
int lLockPort(DWORD port, HRESULT& failure) {
  std::string root;
  failure = WAP_E_PORT_IN_USE;
  if (!vsCeFs_deviceRoot(&root)) return -1;
  const std::string directory = root + "/.ce/wap";
  mkdir(directory.c_str(), 0700);
  const int fd =
      open((directory + "/" + std::to_string(port) + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return -1;
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

void lUnlock(Port& port) {
  if (port.lockFd >= 0) {
    flock(port.lockFd, LOCK_UN);
    close(port.lockFd);
    port.lockFd = -1;
  }
}

std::shared_ptr<Port> lFind(State& s, WAP_HANDLE handle) {
  auto it = s.ports.find(handle);
  return it == s.ports.end() ? nullptr : it->second;
}

// The unit-data primitive of a send; null when it is not one.
const WDP_UNITDATA* lUnitData(const WAP_PRIMITIVE_BASE* primitive) {
  if (primitive == nullptr || primitive->Type != WAP_PRIMITIVE_ID_T_DUNITDATA ||
      primitive->Layer != WAP_LAYER_WDP)
    return nullptr;
  const DWORD needed = WDP_FIELD_DESTINATIONADDRESS | WDP_FIELD_DESTINATIONPORT;
  if ((primitive->dwValidFields & needed) != needed) return nullptr;
  return reinterpret_cast<const WDP_UNITDATA*>(primitive);
}

// The address's text when it is a terminated phone number.
bool lPhoneNumber(const WAP_ADDRESS& address, std::u16string& out) {
  if (address.watAddressType != WAP_ADDRESS_TYPE_GSM_SMS) return false;
  size_t n = 0;
  while (n < MAX_WAP_ADDRESS_LENGTH && address.ptsAddress[n] != 0) ++n;
  if (n == MAX_WAP_ADDRESS_LENGTH) return false;
  out.assign(address.ptsAddress, n);
  return ce::wap::isWirePhoneNumber(out);
}

void lSetAddress(WAP_ADDRESS& address, const std::u16string& number) {
  address.watAddressType = WAP_ADDRESS_TYPE_GSM_SMS;
  std::memset(address.ptsAddress, 0, sizeof address.ptsAddress);
  std::memcpy(address.ptsAddress, number.data(), number.size() * sizeof(WCHAR));
}

}  // namespace

const char* vsCeWap_failureText(HRESULT result) {
  for (const FailureInfo& row : kFailures)
    if (row.value == result) return row.text;
  return "unknown WAP failure";
}

HRESULT WapOpen(DWORD layer, DWORD port, WAP_HANDLE* handle, HANDLE* messageEvent) {
  if (layer != WAP_LAYER_WDP || port < 1 || port > 65535 || handle == nullptr || messageEvent == nullptr)
    return WAP_E_INVALIDARG;
  auto p = std::make_shared<Port>();
  p->number = port;
  std::u16string centre = kDefaultSmsc;
  if (!lPhoneValue(u"Number", p->phone) || !ce::wap::isWirePhoneNumber(p->phone)) return WAP_E_NO_NUMBER;
  lPhoneValue(u"SmscAddress", centre);
  if (!lParseCentre(centre, p->centre)) return WAP_E_NO_SMSC;
  HRESULT failure = S_OK;
  p->lockFd = lLockPort(port, failure);
  if (p->lockFd < 0) return failure;
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  p->socketFd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (p->socketFd < 0 || bind(p->socketFd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
    lUnlock(*p);
    return WAP_E_SOCKET;
  }
  p->event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  State& s = state();
  std::lock_guard<std::mutex> guard(s.lock);
  if (p->event == nullptr || !lStartPoller(s)) {
    if (p->event != nullptr) CloseHandle(p->event);
    lUnlock(*p);
    return WAP_E_SOCKET;
  }
  lSendPair(*p, WireKind::Register);
  p->nextRefresh = Clock::now() + kRefreshPeriod;
  const WAP_HANDLE h = s.nextHandle++;
  s.ports[h] = p;
  *handle = h;
  *messageEvent = p->event;
  lWake(s);
  return S_OK;
}

HRESULT WapClose(WAP_HANDLE handle) {
  State& s = state();
  std::lock_guard<std::mutex> guard(s.lock);
  const std::shared_ptr<Port> p = lFind(s, handle);
  if (p == nullptr) return WAP_E_INVALID_HANDLE;
  lSendPair(*p, WireKind::Withdraw);
  p->open = false;
  CloseHandle(p->event);
  p->event = nullptr;
  lUnlock(*p);
  s.ports.erase(handle);
  s.answered.notify_all();
  lWake(s);
  return S_OK;
}

HRESULT WapSend(WAP_HANDLE handle, const WAP_PRIMITIVE_BASE* primitive) {
  const WDP_UNITDATA* data = lUnitData(primitive);
  WireRecord r;
  r.kind = WireKind::Submit;
  if (data == nullptr || !lPhoneNumber(data->waDestinationAddress, r.destinationNumber) ||
      data->dwDestinationPort < 1 || data->dwDestinationPort > 65535)
    return WAP_E_INVALIDARG;
  const bool hasData = (data->base.dwValidFields & WDP_FIELD_USERDATA) != 0 && data->dwUserDataSize > 0;
  if (hasData && (data->pbUserData == nullptr || data->dwUserDataSize > ce::wap::kWireMaxPayload))
    return WAP_E_INVALIDARG;
  if (hasData) r.payload.assign(data->pbUserData, data->pbUserData + data->dwUserDataSize);
  r.destinationPort = data->dwDestinationPort;
  State& s = state();
  std::unique_lock<std::mutex> guard(s.lock);
  const std::shared_ptr<Port> p = lFind(s, handle);
  if (p == nullptr) return WAP_E_INVALID_HANDLE;
  r.id = s.nextSubmission++;
  if (s.nextSubmission == 0) s.nextSubmission = 1;  // 0 answers registrations
  r.sourceNumber = p->phone;
  r.sourcePort = p->number;
  p->answers[r.id] = Answer::Waiting;
  const Clock::time_point start = Clock::now();
  Answer answer = Answer::Waiting;
  for (Clock::time_point attempt = start;
       answer == Answer::Waiting && p->open && attempt < start + kSendLimit; attempt += kResendAfter) {
    lSend(*p, r);
    const Clock::time_point until = std::min(attempt + kResendAfter, start + kSendLimit);
    s.answered.wait_until(guard, until, [&] { return !p->open || p->answers[r.id] != Answer::Waiting; });
    answer = p->answers[r.id];
  }
  p->answers.erase(r.id);
  if (answer == Answer::Accepted) return S_OK;
  return answer == Answer::Refused ? WAP_E_REFUSED : WAP_E_UNANSWERED;
}

HRESULT WapGetNextPrimitiveSize(WAP_HANDLE handle, DWORD* size) {
  State& s = state();
  std::lock_guard<std::mutex> guard(s.lock);
  const std::shared_ptr<Port> p = lFind(s, handle);
  if (p == nullptr) return WAP_E_INVALID_HANDLE;
  if (size == nullptr) return WAP_E_INVALIDARG;
  if (p->received.empty()) return WAP_E_NO_DATA;
  *size = static_cast<DWORD>(sizeof(WDP_UNITDATA) + p->received.front().payload.size());
  return S_OK;
}

HRESULT WapRead(WAP_HANDLE handle, WAP_PRIMITIVE_BASE* primitive, DWORD size) {
  State& s = state();
  std::lock_guard<std::mutex> guard(s.lock);
  const std::shared_ptr<Port> p = lFind(s, handle);
  if (p == nullptr) return WAP_E_INVALID_HANDLE;
  if (primitive == nullptr) return WAP_E_INVALIDARG;
  if (p->received.empty()) return WAP_E_NO_DATA;
  const WireRecord r = std::move(p->received.front());
  p->received.pop_front();
  if (p->received.empty()) ResetEvent(p->event);
  if (size < sizeof(WDP_UNITDATA) + r.payload.size()) return WAP_E_BUFFER_TOO_SMALL;
  auto* out = reinterpret_cast<WDP_UNITDATA*>(primitive);
  BYTE* payload = reinterpret_cast<BYTE*>(out + 1);
  out->base = {WAP_PRIMITIVE_ID_T_DUNITDATA_IND, WAP_LAYER_WDP, WDP_FIELDS_ALL};
  lSetAddress(out->waSourceAddress, r.sourceNumber);
  out->dwSourcePort = r.sourcePort;
  lSetAddress(out->waDestinationAddress, p->phone);
  out->dwDestinationPort = p->number;
  if (!r.payload.empty()) std::memcpy(payload, r.payload.data(), r.payload.size());
  out->pbUserData = payload;
  out->dwUserDataSize = static_cast<DWORD>(r.payload.size());
  return S_OK;
}
