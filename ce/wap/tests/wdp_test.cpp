// WAP datagrams between two device roots through a loopback SMS centre on an
// ephemeral port. Device A is this process (a CeDeviceRoot); device B is
// wap_test_peer on a root of its own.
#include "ce/wap/wdp.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "ce/core/wait.h"
#include "ce/device/init.h"
#include "ce/reg/regapi.h"
#include "ce/testing/childrunner.h"
#include "ce/testing/devroot.h"
#include "ce/testing/smscrunner.h"
#include "ce/wap/wire.h"

namespace {

constexpr const char* kPhoneA = "+15550001";
constexpr const char* kPhoneB = "+15550002";
constexpr DWORD kGuardMs = 60000;  // a lost datagram fails instead of hanging

std::string bin(const char* name) { return vsCeTest_selfDirectory() + "/../../bin/" + name; }
std::string peerPath() { return vsCeTest_selfDirectory() + "/wap_test_peer"; }

struct Received {
  std::string source;
  DWORD sourcePort = 0;
  std::string destination;
  DWORD destinationPort = 0;
  std::string payload;
};

std::string narrow(const WCHAR* text) {
  std::string out;
  for (; *text != 0; ++text) out.push_back(static_cast<char>(*text));
  return out;
}

class WapDevices : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(centre_.started());
    address_ = centre_.address();
    ASSERT_EQ(vsCeDevice_init(rootA_.path(), {kPhoneA, address_}), 0);
    char pattern[] = "/tmp/wapdevBXXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    rootB_ = pattern;
  }
  void TearDown() override {
    if (!rootB_.empty()) std::filesystem::remove_all(rootB_);
  }

  std::vector<std::string> peer(const std::vector<std::string>& command, const std::string& root = "") {
    std::vector<std::string> argv{peerPath(), root.empty() ? rootB_ : root, root.empty() ? kPhoneB : kPhoneA,
                                  address_};
    argv.insert(argv.end(), command.begin(), command.end());
    return argv;
  }

  static HRESULT send(WAP_HANDLE handle, const std::string& number, DWORD port, const std::string& text) {
    WDP_UNITDATA d{};
    d.base = {WAP_PRIMITIVE_ID_T_DUNITDATA, WAP_LAYER_WDP, WDP_FIELDS_ALL};
    d.waDestinationAddress.watAddressType = WAP_ADDRESS_TYPE_GSM_SMS;
    for (size_t i = 0; i < number.size(); ++i)
      d.waDestinationAddress.ptsAddress[i] = static_cast<WCHAR>(number[i]);
    d.dwDestinationPort = port;
    d.pbUserData = reinterpret_cast<const BYTE*>(text.data());
    d.dwUserDataSize = static_cast<DWORD>(text.size());
    return WapSend(handle, &d.base);
  }

  // Waits for the port's event and reads one datagram.
  static ::testing::AssertionResult receive(WAP_HANDLE handle, HANDLE event, Received* out) {
    if (WaitForSingleObject(event, kGuardMs) != WAIT_OBJECT_0)
      return ::testing::AssertionFailure() << "no datagram arrived";
    DWORD size = 0;
    if (WapGetNextPrimitiveSize(handle, &size) != S_OK || size < sizeof(WDP_UNITDATA))
      return ::testing::AssertionFailure() << "no size with the event set";
    std::vector<uint8_t> buffer(size);
    auto* d = reinterpret_cast<WDP_UNITDATA*>(buffer.data());
    const HRESULT hr = WapRead(handle, &d->base, size);
    if (hr != S_OK) return ::testing::AssertionFailure() << "WapRead: " << vsCeWap_failureText(hr);
    if (d->base.Type != WAP_PRIMITIVE_ID_T_DUNITDATA_IND || d->base.Layer != WAP_LAYER_WDP ||
        d->base.dwValidFields != WDP_FIELDS_ALL ||
        d->waSourceAddress.watAddressType != WAP_ADDRESS_TYPE_GSM_SMS ||
        d->pbUserData != buffer.data() + sizeof(WDP_UNITDATA) ||
        size != sizeof(WDP_UNITDATA) + d->dwUserDataSize)
      return ::testing::AssertionFailure() << "malformed primitive";
    out->source = narrow(d->waSourceAddress.ptsAddress);
    out->sourcePort = d->dwSourcePort;
    out->destination = narrow(d->waDestinationAddress.ptsAddress);
    out->destinationPort = d->dwDestinationPort;
    out->payload.assign(reinterpret_cast<const char*>(d->pbUserData), d->dwUserDataSize);
    return ::testing::AssertionSuccess();
  }

  CeDeviceRoot rootA_;
  CeSmsCentre centre_{bin("smsc")};
  std::string rootB_;
  std::string address_;
};

TEST_F(WapDevices, OpenAndCloseTable) {
  struct Case {
    const char* name;
    DWORD layer;
    DWORD port;
    HRESULT expected;
  } cases[] = {
      {"layer 2", 2, 5000, WAP_E_INVALIDARG},
      {"port 0", 1, 0, WAP_E_INVALIDARG},
      {"port 65536", 1, 65536, WAP_E_INVALIDARG},
      {"port 65535", 1, 65535, S_OK},
      {"port 1", 1, 1, S_OK},
  };
  for (const Case& c : cases) {
    WAP_HANDLE handle = 0;
    HANDLE event = nullptr;
    EXPECT_EQ(WapOpen(c.layer, c.port, &handle, &event), c.expected) << c.name;
    if (c.expected == S_OK) {
      EXPECT_EQ(WapClose(handle), S_OK) << c.name;
    }
  }
  WAP_HANDLE first = 0, second = 0;
  HANDLE event = nullptr, event2 = nullptr;
  EXPECT_EQ(WapOpen(WAP_LAYER_WDP, 5000, nullptr, &event), WAP_E_INVALIDARG);
  ASSERT_EQ(WapOpen(WAP_LAYER_WDP, 5000, &first, &event), S_OK);
  EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT) << "event set with nothing received";
  EXPECT_EQ(WapOpen(WAP_LAYER_WDP, 5000, &second, &event2), WAP_E_PORT_IN_USE)
      << "second open in one process";
  DWORD size = 0;
  EXPECT_EQ(WapGetNextPrimitiveSize(first, &size), WAP_E_NO_DATA);
  EXPECT_EQ(WapClose(first), S_OK);
  EXPECT_EQ(WapClose(first), WAP_E_INVALID_HANDLE);
  EXPECT_EQ(WapGetNextPrimitiveSize(first, &size), WAP_E_INVALID_HANDLE);
  ASSERT_EQ(WapOpen(WAP_LAYER_WDP, 5000, &second, &event2), S_OK) << "reopen after close";
  EXPECT_EQ(WapClose(second), S_OK);
}

TEST_F(WapDevices, SendArgumentsAreChecked) {
  WAP_HANDLE handle = 0;
  HANDLE event = nullptr;
  ASSERT_EQ(WapOpen(WAP_LAYER_WDP, 5000, &handle, &event), S_OK);
  struct Case {
    const char* name;
    std::string number;
    DWORD port;
    size_t bytes;
  } cases[] = {
      {"letters", "+1555abc", 5000, 1},
      {"empty number", "", 5000, 1},
      {"64 digits", std::string(64, '5'), 5000, 1},
      {"port 0", kPhoneB, 0, 1},
      {"port 65536", kPhoneB, 65536, 1},
      {"60001 bytes", kPhoneB, 5000, 60001},
  };
  for (const Case& c : cases)
    EXPECT_EQ(send(handle, c.number, c.port, std::string(c.bytes, 'x')), WAP_E_INVALIDARG) << c.name;
  EXPECT_EQ(WapSend(handle, nullptr), WAP_E_INVALIDARG);
  EXPECT_EQ(send(handle + 100, kPhoneB, 5000, "x"), WAP_E_INVALID_HANDLE);
  EXPECT_EQ(WapClose(handle), S_OK);
}

TEST_F(WapDevices, NoPhoneNumberNoPort) {
  HKEY key;
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Device\\Phone", 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
  ASSERT_EQ(RegDeleteValueW(key, u"Number"), ERROR_SUCCESS);
  RegCloseKey(key);
  WAP_HANDLE handle = 0;
  HANDLE event = nullptr;
  EXPECT_EQ(WapOpen(WAP_LAYER_WDP, 5000, &handle, &event), WAP_E_NO_NUMBER);
}

TEST_F(WapDevices, HiArrivesWithTheSendersNumberAndPort) {
  WAP_HANDLE handle = 0;
  HANDLE event = nullptr;
  ASSERT_EQ(WapOpen(WAP_LAYER_WDP, 5000, &handle, &event), S_OK);
  const CeChildResult sent = vsCeTest_run(peer({"send", "7000", kPhoneA, "5000", "hi", "1"}));
  ASSERT_EQ(sent.output, "ready\nsent 1 failed 0\n");
  Received r;
  ASSERT_TRUE(receive(handle, event, &r));
  EXPECT_EQ(r.source, kPhoneB);
  EXPECT_EQ(r.sourcePort, 7000u);
  EXPECT_EQ(r.destination, kPhoneA);
  EXPECT_EQ(r.destinationPort, 5000u);
  EXPECT_EQ(r.payload, "hi");
  EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT) << "event still set after draining";
  DWORD size = 0;
  EXPECT_EQ(WapGetNextPrimitiveSize(handle, &size), WAP_E_NO_DATA);
  EXPECT_EQ(WapClose(handle), S_OK);
}

TEST_F(WapDevices, TwoHundredDatagramsArriveOnceInOrder) {
  WAP_HANDLE handle = 0;
  HANDLE event = nullptr;
  ASSERT_EQ(WapOpen(WAP_LAYER_WDP, 5000, &handle, &event), S_OK);
  CeChild sender;
  ASSERT_TRUE(vsCeTest_spawn(peer({"send", "7000", kPhoneA, "5000", "m", "200"}), &sender));
  for (int i = 0; i < 200; ++i) {
    Received r;
    ASSERT_TRUE(receive(handle, event, &r)) << "datagram " << i;
    ASSERT_EQ(r.payload, "m" + std::to_string(i));
  }
  EXPECT_EQ(vsCeTest_finish(&sender).output, "ready\nsent 200 failed 0\n");
  DWORD size = 0;
  EXPECT_EQ(WapGetNextPrimitiveSize(handle, &size), WAP_E_NO_DATA) << "a datagram arrived twice";
  EXPECT_EQ(WapClose(handle), S_OK);
}

TEST_F(WapDevices, RefusedThenAcceptedThenCentreGone) {
  CeChild receiver;
  ASSERT_TRUE(vsCeTest_spawn(peer({"recv", "6000", "2"}), &receiver));
  std::string line;
  ASSERT_TRUE(vsCeTest_readLine(&receiver, &line));
  ASSERT_EQ(line, "ready");
  WAP_HANDLE handle = 0;
  HANDLE event = nullptr;
  ASSERT_EQ(WapOpen(WAP_LAYER_WDP, 5000, &handle, &event), S_OK);
  EXPECT_EQ(send(handle, kPhoneB, 6000, "a"), S_OK);
  ASSERT_EQ(centre_.control("reject-next", {"1"}), 0);
  EXPECT_EQ(send(handle, kPhoneB, 6000, "b"), WAP_E_REFUSED);
  EXPECT_EQ(send(handle, kPhoneB, 6000, "c"), S_OK);
  EXPECT_EQ(vsCeTest_finish(&receiver).output, "+15550001:5000 61\n+15550001:5000 63\n");
  ASSERT_TRUE(centre_.stop());
  EXPECT_EQ(send(handle, kPhoneB, 6000, "d"), WAP_E_UNANSWERED);
  EXPECT_EQ(WapClose(handle), S_OK);
}

TEST_F(WapDevices, TooSmallBufferDiscardsTheDatagram) {
  WAP_HANDLE handle = 0;
  HANDLE event = nullptr;
  ASSERT_EQ(WapOpen(WAP_LAYER_WDP, 5000, &handle, &event), S_OK);
  ASSERT_EQ(vsCeTest_run(peer({"send", "7000", kPhoneA, "5000", "ab", "2"})).output,
            "ready\nsent 2 failed 0\n");
  ASSERT_EQ(WaitForSingleObject(event, kGuardMs), WAIT_OBJECT_0);
  std::vector<uint8_t> small(sizeof(WDP_UNITDATA) + 2);
  EXPECT_EQ(
      WapRead(handle, reinterpret_cast<WAP_PRIMITIVE_BASE*>(small.data()), static_cast<DWORD>(small.size())),
      WAP_E_BUFFER_TOO_SMALL);
  Received r;
  ASSERT_TRUE(receive(handle, event, &r));
  EXPECT_EQ(r.payload, "ab1");
  EXPECT_EQ(WapClose(handle), S_OK);
}

TEST_F(WapDevices, PortHeldByAnotherProcessOfTheDevice) {
  CeChild holder;
  ASSERT_TRUE(vsCeTest_spawn(peer({"hold", "5000"}, rootA_.path()), &holder));
  std::string line;
  ASSERT_TRUE(vsCeTest_readLine(&holder, &line));
  ASSERT_EQ(line, "ready");
  WAP_HANDLE handle = 0;
  HANDLE event = nullptr;
  EXPECT_EQ(WapOpen(WAP_LAYER_WDP, 5000, &handle, &event), WAP_E_PORT_IN_USE);
  EXPECT_EQ(vsCeTest_finish(&holder).status, 0);
  ASSERT_EQ(WapOpen(WAP_LAYER_WDP, 5000, &handle, &event), S_OK) << "the port stays locked after its holder";
  EXPECT_EQ(WapClose(handle), S_OK);
}

// A UDP socket on 127.0.0.1 standing in for the centre, so the test sees
// and forges the datagrams themselves.
class FakeCentre {
 public:
  FakeCentre() : fd_(socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0)) {
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof sa;
    if (bind(fd_, reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0 &&
        getsockname(fd_, reinterpret_cast<sockaddr*>(&sa), &length) == 0)
      address_ = "127.0.0.1:" + std::to_string(ntohs(sa.sin_port));
  }
  ~FakeCentre() { close(fd_); }
  const std::string& address() const { return address_; }

  // The next record (within the guard time); its sender becomes the peer.
  bool receive(ce::wap::WireRecord* record) {
    pollfd p{fd_, POLLIN, 0};
    std::vector<uint8_t> buffer(ce::wap::kWireMaxDatagram);
    socklen_t length = sizeof peer_;
    if (poll(&p, 1, static_cast<int>(kGuardMs)) != 1) return false;
    const ssize_t n =
        recvfrom(fd_, buffer.data(), buffer.size(), 0, reinterpret_cast<sockaddr*>(&peer_), &length);
    return n > 0 &&
           ce::wap::decodeWire(buffer.data(), static_cast<size_t>(n), *record) == ce::wap::WireError::None;
  }
  void sendBytes(const std::vector<uint8_t>& bytes, int from = -1) {
    sendto(from >= 0 ? from : fd_, bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr*>(&peer_),
           sizeof peer_);
  }
  static std::vector<uint8_t> deliver(uint32_t id, uint32_t port, const std::string& text) {
    ce::wap::WireRecord r;
    r.kind = ce::wap::WireKind::Deliver;
    r.id = id;
    r.sourceNumber = u"+15550009";
    r.sourcePort = 9;
    r.destinationPort = port;
    r.payload.assign(text.begin(), text.end());
    return ce::wap::encodeWire(r);
  }

 private:
  int fd_;
  std::string address_;
  sockaddr_in peer_{};
};

// Deliveries are taken only when valid, from the centre and for the port;
// each is acknowledged, a resent one is queued once; the rest is dropped
// and logged while traffic goes on.
TEST(WapDevice, DeliveriesAreCheckedAcknowledgedAndDeduplicated) {
  CeDeviceRoot root;
  FakeCentre centre;
  ASSERT_FALSE(centre.address().empty());
  ASSERT_EQ(vsCeDevice_init(root.path(), {kPhoneA, centre.address()}), 0);
  WAP_HANDLE handle = 0;
  HANDLE event = nullptr;
  ASSERT_EQ(WapOpen(WAP_LAYER_WDP, 5000, &handle, &event), S_OK);
  ce::wap::WireRecord r;
  ASSERT_TRUE(centre.receive(&r));
  EXPECT_EQ(r.kind, ce::wap::WireKind::Register);
  EXPECT_EQ(r.sourceNumber, u"+15550001");
  EXPECT_EQ(r.sourcePort, 5000u);

  const int stranger = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  testing::internal::CaptureStderr();
  centre.sendBytes({'x', 'y', 'z'});
  centre.sendBytes(FakeCentre::deliver(7, 5000, "stranger"), stranger);
  centre.sendBytes(FakeCentre::deliver(8, 5001, "other port"));
  centre.sendBytes(FakeCentre::deliver(1, 5000, "one"));
  centre.sendBytes(FakeCentre::deliver(1, 5000, "one"));
  centre.sendBytes(FakeCentre::deliver(2, 5000, "two"));
  std::vector<std::string> got;
  while (got.size() < 2) {
    if (WaitForSingleObject(event, kGuardMs) != WAIT_OBJECT_0) break;
    std::vector<uint8_t> buffer(sizeof(WDP_UNITDATA) + 64);
    auto* d = reinterpret_cast<WDP_UNITDATA*>(buffer.data());
    if (WapRead(handle, &d->base, static_cast<DWORD>(buffer.size())) == S_OK)
      got.emplace_back(reinterpret_cast<const char*>(d->pbUserData), d->dwUserDataSize);
  }
  EXPECT_EQ(got, (std::vector<std::string>{"one", "two"}));
  DWORD size = 0;
  EXPECT_EQ(WapGetNextPrimitiveSize(handle, &size), WAP_E_NO_DATA) << "a resent delivery was queued twice";
  std::vector<uint32_t> acks;
  while (acks.size() < 3 && centre.receive(&r))
    if (r.kind == ce::wap::WireKind::DeliverAck) acks.push_back(r.id);
  EXPECT_EQ(acks, (std::vector<uint32_t>{1, 1, 2}));
  const std::string log = testing::internal::GetCapturedStderr();
  const std::string garbage = std::string("wap: port 5000 dropped a datagram: ") +
                              ce::wap::wireErrorText(ce::wap::WireError::Short) + "\n";
  for (const std::string& line :
       {garbage, std::string("wap: port 5000 dropped a datagram: not from the SMS centre\n"),
        std::string("wap: port 5000 dropped a datagram: delivery for another port\n")})
    EXPECT_NE(log.find(line), std::string::npos) << line << " in " << log;
  EXPECT_EQ(WapClose(handle), S_OK);
  ASSERT_TRUE(centre.receive(&r));
  EXPECT_EQ(r.kind, ce::wap::WireKind::Withdraw);
  close(stranger);
}

}  // namespace
