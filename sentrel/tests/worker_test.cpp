// Sentrel's workers and the free-port walk, over a device root with a
// loopback SMS centre; the other device is wap_test_peer.
#include "sentrel/worker.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "ce/core/event.h"
#include "ce/core/kernel_object.h"
#include "ce/core/wait.h"
#include "ce/device/init.h"
#include "ce/fs/dirops.h"
#include "ce/testing/childrunner.h"
#include "ce/testing/devroot.h"
#include "ce/testing/smscrunner.h"
#include "sentrel/common/errors.h"
#include "sentrel/common/requests.h"
#include "sentrel/freeport.h"
#include "sentrel/workerlist.h"

namespace {

constexpr const char* kPhoneA = "+15550001";
constexpr const char* kPhoneB = "+15550002";
constexpr DWORD kGuardMs = 60000;  // a lost datagram fails instead of hanging

std::string narrow(const WCHAR* text) {
  std::string out;
  for (; *text != 0; ++text) out.push_back(static_cast<char>(*text));
  return out;
}

// Free-port walk over fake probes.
std::vector<DWORD> gProbed;
DWORD gFreeFrom = 0;  // probes succeed at and below this port
bool fakeProbe(DWORD port) {
  gProbed.push_back(port);
  return port <= gFreeFrom;
}

TEST(SentrelFreePort, WalkSkipsTheReservedPorts) {
  struct Case {
    const char* name;
    DWORD freeFrom;
    DWORD expected;
  } cases[] = {
      {"everything free", 65535, 65534},
      {"65534 held", 65533, 65533},
      {"free only from 49999 down", 49999, 49998},
      {"only port 1", 1, 1},
      {"nothing free", 0, 0},
  };
  for (const Case& c : cases) {
    gProbed.clear();
    gFreeFrom = c.freeFrom;
    EXPECT_EQ(findFreePort(fakeProbe), c.expected) << c.name;
    for (DWORD port : gProbed)
      EXPECT_FALSE(isReservedPort(port)) << c.name << ": probed reserved port " << port;
  }
  EXPECT_EQ(gProbed.size(), 65535u - 17u) << "every unreserved port is probed before 0";
  EXPECT_EQ(std::set<DWORD>(gProbed.begin(), gProbed.end()).size(), gProbed.size());
}

std::atomic<int> gLaunches{0};
HANDLE gLaunched = nullptr;
int countLaunch(DWORD) {
  ++gLaunches;
  SetEvent(gLaunched);
  return 1;
}

class SentrelWorkers : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(centre_.started());
    ASSERT_EQ(vsCeDevice_init(rootA_.path(), {kPhoneA, centre_.address()}), 0);
    char pattern[] = "/tmp/sentrelBXXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    rootB_ = pattern;
    gLaunches = 0;
    gLaunched = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  }
  void TearDown() override {
    list_.closeAll();
    CloseHandle(gLaunched);
    std::filesystem::remove_all(rootB_);
  }

  std::vector<std::string> peer(const std::vector<std::string>& command, bool onA = false) {
    std::vector<std::string> argv{vsCeTest_selfDirectory() + "/../ce/wap/wap_test_peer",
                                  onA ? rootA_.path() : rootB_, onA ? kPhoneA : kPhoneB, centre_.address()};
    argv.insert(argv.end(), command.begin(), command.end());
    return argv;
  }

  // A datagram from B's port 7000 to A's `port`, sent by the peer.
  void sendFromB(DWORD port, const std::string& text) {
    ASSERT_EQ(vsCeTest_run(peer({"send", "7000", kPhoneA, std::to_string(port), text, "1"})).output,
              "ready\nsent 1 failed 0\n");
  }

  // A message file to B's port.
  static int messageFile(DWORD port, const std::string& text) {
    WapMsg m;
    m.type = WAP_PRIMITIVE_ID_T_DUNITDATA;
    m.layer = WAP_LAYER_WDP;
    m.validFields = WDP_FIELDS_ALL;
    m.sourceType = m.destinationType = WAP_ADDRESS_TYPE_GSM_SMS;
    std::u16string(kPhoneB, kPhoneB + 9).copy(m.destinationAddress, 9);
    m.destinationPort = port;
    m.payload.assign(text.begin(), text.end());
    return m.writeToFile();
  }

  // Asks until every queued send was made.
  int sendResult(DWORD port) {
    int answer = 0;
    for (int i = 0; i < 10000 && (answer == 0 || answer == SentrelError_WapWorkerTimeout); ++i)
      answer = list_.forward(port, kReqSendFinished, 0);
    return answer;
  }

  // Takes the port's next message: its payload, or a text for the failure.
  std::string take(DWORD port, std::string* source = nullptr) {
    const int number = list_.forward(port, kReqGetMessage, 0);
    if (number <= 0) return "answer " + std::to_string(number);
    SentrelMessageFile file;
    WapMsg m;
    if (file.open(static_cast<uint16_t>(number), true) != 1 || !m.readFromFile(file)) return "unreadable";
    if (source != nullptr) *source = narrow(m.sourceAddress) + ":" + std::to_string(m.sourcePort);
    return std::string(m.payload.begin(), m.payload.end());
  }

  CeDeviceRoot rootA_;
  CeSmsCentre centre_{vsCeTest_selfDirectory() + "/../bin/smsc"};
  std::string rootB_;
  WapWorkerList list_{countLaunch};
};

TEST_F(SentrelWorkers, OpenersShareAWorker) {
  EXPECT_EQ(list_.add(0, WapOpener::ExternalApp), SentrelError_CannotOpenPort);
  EXPECT_EQ(list_.add(5000, WapOpener::ExternalApp), SentrelError_Succeeded);
  EXPECT_EQ(list_.add(5000, WapOpener::ExternalApp), SentrelError_PortAlreadyOpened);
  EXPECT_EQ(list_.add(5000, WapOpener::PushRegistry), SentrelError_Succeeded);
  EXPECT_EQ(list_.add(5000, WapOpener::PushRegistry), SentrelError_PortAlreadyOpened);
  EXPECT_EQ(list_.add(5001, WapOpener::ExternalApp), SentrelError_Succeeded);
  EXPECT_EQ(list_.pushPorts(), std::vector<std::u16string>{u"sms://:5000"});
  EXPECT_EQ(list_.remove(5000, WapOpener::ExternalApp), SentrelError_Succeeded);
  ASSERT_TRUE(list_.has(5000)) << "the push registry still holds it";
  EXPECT_EQ(list_.forward(5000, kReqHasMessage, 0), SentrelError_NoRecvMsg);
  EXPECT_EQ(list_.remove(5000, WapOpener::ExternalApp), SentrelError_Succeeded)
      << "not held: nothing changes";
  EXPECT_TRUE(list_.has(5000));
  EXPECT_EQ(list_.remove(5000, WapOpener::PushRegistry), SentrelError_Succeeded);
  EXPECT_FALSE(list_.has(5000));
  EXPECT_EQ(list_.remove(5000, WapOpener::PushRegistry), SentrelError_NoSuchPortOpened);
  EXPECT_EQ(list_.forward(5000, kReqHasMessage, 0), SentrelError_NoSuchPortOpened);
  EXPECT_EQ(list_.forward(5001, 0x9999, 0), 0) << "an unknown request";
  EXPECT_TRUE(list_.pushPorts().empty());
}

TEST_F(SentrelWorkers, PortsHeldByAnotherProcess) {
  EXPECT_EQ(findFreePort(probeWapPort), 65534u);
  CeChild holder;
  ASSERT_TRUE(vsCeTest_spawn(peer({"hold", "65534"}, true), &holder));
  std::string line;
  ASSERT_TRUE(vsCeTest_readLine(&holder, &line));
  ASSERT_EQ(line, "ready");
  EXPECT_EQ(findFreePort(probeWapPort), 65533u);
  for (int i = 0; i < 100; ++i)
    ASSERT_EQ(list_.add(65534, WapOpener::ExternalApp), SentrelError_CannotOpenPort) << "open " << i;
  EXPECT_FALSE(list_.has(65534));
  EXPECT_EQ(vsCeTest_finish(&holder).status, 0);
}

TEST_F(SentrelWorkers, ReceivedMessagesGoOutOnceThroughFiles) {
  ASSERT_EQ(list_.add(5000, WapOpener::PushRegistry), SentrelError_Succeeded);
  sendFromB(5000, "hi");
  ASSERT_EQ(WaitForSingleObject(gLaunched, kGuardMs), WAIT_OBJECT_0) << "no launch for the datagram";
  EXPECT_EQ(gLaunches.load(), 1);
  EXPECT_EQ(list_.forward(5000, kReqHasMessage, 0), SentrelError_HasRecvMsg);
  std::string source;
  EXPECT_EQ(take(5000, &source), "hi");
  EXPECT_EQ(source, "+15550002:7000");
  EXPECT_EQ(list_.forward(5000, kReqHasMessage, 0), SentrelError_NoRecvMsg);
  EXPECT_EQ(take(5000), "answer -12");

  // No "\Temp": the message stays until a file can be made.
  sendFromB(5000, "again");
  ASSERT_EQ(WaitForSingleObject(gLaunched, kGuardMs), WAIT_OBJECT_0);
  ASSERT_TRUE(RemoveDirectoryW(u"\\Temp"));
  std::ofstream(rootA_.host("Temp")) << "x";
  EXPECT_EQ(take(5000), "answer -17");
  EXPECT_EQ(list_.forward(5000, kReqHasMessage, 0), SentrelError_HasRecvMsg);
  std::filesystem::remove(rootA_.host("Temp"));
  ASSERT_TRUE(CreateDirectoryW(u"\\Temp", nullptr));
  EXPECT_EQ(take(5000), "again");
  EXPECT_EQ(take(5000), "answer -12");
  EXPECT_TRUE(std::filesystem::is_empty(rootA_.host("Temp")));
}

TEST_F(SentrelWorkers, SendResultsAreReportedOnce) {
  CeChild receiver;
  ASSERT_TRUE(vsCeTest_spawn(peer({"recv", "6000", "4"}), &receiver));
  std::string line;
  ASSERT_TRUE(vsCeTest_readLine(&receiver, &line));
  ASSERT_EQ(line, "ready");
  ASSERT_EQ(list_.add(5000, WapOpener::ExternalApp), SentrelError_Succeeded);
  EXPECT_EQ(list_.forward(5000, kReqSendFinished, 0), SentrelError_WapSendSucceeded) << "nothing sent yet";
  for (const char* text : {"a", "b", "c"})
    ASSERT_EQ(list_.forward(5000, kReqSendMessage, static_cast<DWORD>(messageFile(6000, text))),
              SentrelError_Succeeded);
  EXPECT_EQ(sendResult(5000), SentrelError_WapSendSucceeded);
  ASSERT_EQ(centre_.control("reject-next", {"1"}), 0);
  ASSERT_EQ(list_.forward(5000, kReqSendMessage, static_cast<DWORD>(messageFile(6000, "refused"))), 1);
  ASSERT_EQ(list_.forward(5000, kReqSendMessage, static_cast<DWORD>(messageFile(6000, "d"))), 1);
  EXPECT_EQ(sendResult(5000), SentrelError_WapSendFailed);
  EXPECT_EQ(list_.forward(5000, kReqSendFinished, 0), SentrelError_WapSendSucceeded)
      << "failures reported once";
  EXPECT_EQ(vsCeTest_finish(&receiver).output,
            "+15550001:5000 61\n+15550001:5000 62\n+15550001:5000 63\n+15550001:5000 64\n");
  EXPECT_TRUE(std::filesystem::is_empty(rootA_.host("Temp"))) << "request files stay behind";

  ASSERT_EQ(list_.forward(5000, kReqSendMessage, 77), SentrelError_Succeeded) << "a missing request file";
  EXPECT_EQ(sendResult(5000), SentrelError_WapSendFailed);
  ASSERT_TRUE(centre_.stop());
  ASSERT_EQ(list_.forward(5000, kReqSendMessage, static_cast<DWORD>(messageFile(6000, "e"))), 1);
  EXPECT_EQ(sendResult(5000), SentrelError_WapSendFailed) << "centre gone";
}

// A worker held in WapSend by a stopped centre abandons a request it does
// not take within the time-out; the request never runs later.
TEST_F(SentrelWorkers, AnUntakenRequestIsAbandoned) {
  ASSERT_EQ(list_.add(5000, WapOpener::PushRegistry), SentrelError_Succeeded);
  sendFromB(5000, "kept");
  ASSERT_EQ(WaitForSingleObject(gLaunched, kGuardMs), WAIT_OBJECT_0);
  ASSERT_EQ(kill(centre_.pid(), SIGSTOP), 0);
  ASSERT_EQ(list_.forward(5000, kReqSendMessage, static_cast<DWORD>(messageFile(6000, "x"))), 1);
  const int abandoned = list_.forward(5000, kReqGetMessage, 0, 100);
  ASSERT_EQ(kill(centre_.pid(), SIGCONT), 0);
  EXPECT_EQ(abandoned, SentrelError_WapWorkerTimeout);
  EXPECT_EQ(take(5000), "kept") << "the abandoned request moved the message";
  EXPECT_EQ(take(5000), "answer -12");
  EXPECT_TRUE(std::filesystem::is_empty(rootA_.host("Temp")));
}

}  // namespace
