// Sentrel's requests, timer and push registry, without the window: device A
// is this process (with a loopback SMS centre), device B wap_test_peer.
#include "sentrel/daemon.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "ce/base/crt_printf.h"
#include "ce/core/event.h"
#include "ce/core/kernel_object.h"
#include "ce/core/systime.h"
#include "ce/core/wait.h"
#include "ce/device/init.h"
#include "ce/reg/regapi.h"
#include "ce/testing/childrunner.h"
#include "ce/testing/devroot.h"
#include "ce/testing/smscrunner.h"
#include "sentrel/common/errors.h"
#include "sentrel/common/requests.h"

namespace {

constexpr const char* kPhoneA = "+15550001";
constexpr const char* kPhoneB = "+15550002";
constexpr uint64_t kSecond = 10000000;  // FILETIME units

std::mutex gLock;
std::vector<std::u16string> gLaunched;  // "module|command line"
HANDLE gLaunchEvent = nullptr;
std::set<uint32_t> gLiveWindows;

int fakeLaunch(const std::u16string& module, const std::u16string& commandLine) {
  std::lock_guard<std::mutex> guard(gLock);
  gLaunched.push_back(module + u"|" + commandLine);
  SetEvent(gLaunchEvent);
  return 1;
}

std::vector<std::u16string> takeLaunches() {
  std::lock_guard<std::mutex> guard(gLock);
  std::vector<std::u16string> out;
  out.swap(gLaunched);
  return out;
}

bool fakeWindowExists(uint32_t window) { return gLiveWindows.count(window) != 0; }

uint64_t now() {
  FILETIME ft;
  GetSystemTimeAsFileTime(&ft);
  return uint64_t{ft.dwHighDateTime} << 32 | ft.dwLowDateTime;
}

class SentrelDaemonTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(centre_.started());
    ASSERT_EQ(vsCeDevice_init(rootA_.path(), {kPhoneA, centre_.address()}), 0);
    gLaunchEvent = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    takeLaunches();
    gLiveWindows.clear();
    daemon_ = std::make_unique<SentrelDaemon>(fakeLaunch, fakeWindowExists);
    ASSERT_EQ(daemon_->start(), SentrelError_Succeeded);
  }
  void TearDown() override {
    daemon_.reset();
    CloseHandle(gLaunchEvent);
    if (!rootB_.empty()) std::filesystem::remove_all(rootB_);
  }

  LRESULT ask(UINT request, DWORD port, LPARAM lParam = 0) { return daemon_->request(request, port, lParam); }

  int pushRegister(DWORD port, const std::u16string& module, const std::u16string& commandLine) {
    const int number = writePushRegistration({module, commandLine, u"", u""});
    return number <= 0 ? number : static_cast<int>(ask(kReqPushRegister, port, number));
  }

  int alarm(uint64_t time, const std::u16string& module) {
    const int number = writeAlarm({time, module, u"-a", u""});
    return number <= 0 ? number : static_cast<int>(ask(kReqAlarm, 0, number));
  }

  bool tempIsEmpty() const { return std::filesystem::is_empty(rootA_.host("Temp")); }

  std::vector<std::u16string> stringsOfAnswer(int number) {
    std::vector<std::u16string> items;
    SentrelMessageFile file;
    if (number > 0 && file.open(static_cast<uint16_t>(number), true) == 1) readStringList(file, items);
    return items;
  }

  void sendFromB(DWORD port, const std::string& text) {
    if (rootB_.empty()) {
      char pattern[] = "/tmp/sentrelDaemonBXXXXXX";
      ASSERT_NE(mkdtemp(pattern), nullptr);
      rootB_ = pattern;
    }
    const CeChildResult sent =
        vsCeTest_run({vsCeTest_selfDirectory() + "/../ce/wap/wap_test_peer", rootB_, kPhoneB,
                      centre_.address(), "send", "7000", kPhoneA, std::to_string(port), text, "1"});
    ASSERT_EQ(sent.output, "ready\nsent 1 failed 0\n");
  }

  CeDeviceRoot rootA_;
  CeSmsCentre centre_{vsCeTest_selfDirectory() + "/../bin/smsc"};
  std::string rootB_;
  std::unique_ptr<SentrelDaemon> daemon_;
};

TEST_F(SentrelDaemonTest, ProtocolTable) {
  struct Step {
    const char* name;
    UINT request;
    DWORD port;
    LRESULT expected;
  } steps[] = {
      {"open 0", kReqOpenPort, 0, SentrelError_CannotOpenPort},
      {"open 5000", kReqOpenPort, 5000, SentrelError_Succeeded},
      {"open 5000 again", kReqOpenPort, 5000, SentrelError_PortAlreadyOpened},
      {"close 5001", kReqClosePort, 5001, SentrelError_NoSuchPortOpened},
      {"check 5000", kReqHasMessage, 5000, SentrelError_NoRecvMsg},
      {"recv 5000", kReqGetMessage, 5000, SentrelError_NoRecvMsg},
      {"send finished 5000", kReqSendFinished, 5000, SentrelError_WapSendSucceeded},
      {"check 5001", kReqHasMessage, 5001, SentrelError_NoSuchPortOpened},
      {"free port", kReqFreePort, 0, 65534},
      {"unregister unknown", kReqPushUnregister, 7000, SentrelError_NoSuchPortOpened},
      {"push-args unknown", kReqPushArgs, 7000, SentrelError_NoSuchPortRegistered},
      {"close 5000", kReqClosePort, 5000, SentrelError_Succeeded},
      {"close 5000 again", kReqClosePort, 5000, SentrelError_NoSuchPortOpened},
  };
  for (const Step& step : steps) EXPECT_EQ(ask(step.request, step.port), step.expected) << step.name;
  EXPECT_TRUE(SentrelDaemon::isRequest(kReqOpenPort));
  EXPECT_FALSE(SentrelDaemon::isRequest(WM_USER + 8));
  EXPECT_TRUE(tempIsEmpty());
}

TEST_F(SentrelDaemonTest, AnsweredRequestsLeaveNoFiles) {
  ASSERT_EQ(ask(kReqOpenPort, 5000), SentrelError_Succeeded);
  EXPECT_EQ(pushRegister(5000, u"m", u""), SentrelError_PortAlreadyOpened) << "a port a client holds";
  WapMsg m;
  m.destinationPort = 6000;
  const int number = m.writeToFile();
  ASSERT_GT(number, 0);
  EXPECT_EQ(ask(kReqSendMessage, 5001, number), SentrelError_NoSuchPortOpened);
  EXPECT_EQ(ask(kReqAlarm, 0, 99), SentrelError_TempFileStreamCannotOpen);
  EXPECT_TRUE(tempIsEmpty());
}

TEST_F(SentrelDaemonTest, PushRegistrationsListsAndArguments) {
  ASSERT_EQ(pushRegister(5000, u"\\Windows\\marker.exe", u"-N 7"), SentrelError_Succeeded);
  ASSERT_EQ(pushRegister(5001, u"\\Windows\\other.exe", u""), SentrelError_Succeeded);
  EXPECT_EQ(pushRegister(5001, u"x", u""), SentrelError_PortAlreadyOpened) << "registered twice";
  EXPECT_EQ(stringsOfAnswer(static_cast<int>(ask(kReqPushList, 0))),
            (std::vector<std::u16string>{u"sms://:5000", u"sms://:5001"}));
  SentrelMessageFile file;
  PushRegistrationBody body;
  ASSERT_EQ(file.open(static_cast<uint16_t>(ask(kReqPushArgs, 5000)), true), 1);
  ASSERT_TRUE(readPushRegistration(file, body));
  file.close();
  EXPECT_EQ(body.module, u"\\Windows\\marker.exe");
  EXPECT_EQ(body.commandLine, u"-N 7");
  // A client may open a push port; closing it leaves the registration.
  EXPECT_EQ(ask(kReqOpenPort, 5000), SentrelError_Succeeded);
  EXPECT_EQ(ask(kReqClosePort, 5000), SentrelError_Succeeded);
  EXPECT_TRUE(daemon_->workers().has(5000));
  EXPECT_EQ(ask(kReqPushUnregister, 5001), SentrelError_Succeeded);
  EXPECT_FALSE(daemon_->workers().has(5001));
  EXPECT_EQ(ask(kReqPushArgs, 5001), SentrelError_NoSuchPortRegistered);
  EXPECT_EQ(stringsOfAnswer(static_cast<int>(ask(kReqPushList, 0))),
            std::vector<std::u16string>{u"sms://:5000"});
  EXPECT_TRUE(tempIsEmpty());
}

TEST_F(SentrelDaemonTest, ADatagramOnAPushPortStartsItsProgram) {
  ASSERT_EQ(pushRegister(6000, u"\\Windows\\marker.exe", u"-N 7"), SentrelError_Succeeded);
  sendFromB(6000, "hi");
  ASSERT_EQ(WaitForSingleObject(gLaunchEvent, 60000), WAIT_OBJECT_0);
  EXPECT_EQ(takeLaunches(), std::vector<std::u16string>{u"\\Windows\\marker.exe|-N 7"});
  ASSERT_EQ(ask(kReqOpenPort, 6000), SentrelError_Succeeded);
  const int number = static_cast<int>(ask(kReqGetMessage, 6000));
  SentrelMessageFile file;
  WapMsg m;
  ASSERT_EQ(file.open(static_cast<uint16_t>(number), true), 1);
  ASSERT_TRUE(m.readFromFile(file));
  EXPECT_EQ(std::string(m.payload.begin(), m.payload.end()), "hi");
  EXPECT_EQ(m.sourcePort, 7000u);
}

TEST_F(SentrelDaemonTest, AlarmsFillTheirSlotsAndFireOnce) {
  const uint64_t t = now();
  for (int i = 0; i < 100; ++i)
    ASSERT_EQ(alarm(t + 3600 * kSecond, u"far"), SentrelError_Succeeded) << "alarm " << i;
  EXPECT_EQ(alarm(t + 3600 * kSecond, u"far"), SentrelError_AlarmListIsFull);
  EXPECT_TRUE(tempIsEmpty());
  ASSERT_EQ(daemon_->pushReg().alarms().size(), 100u);
  for (int i = 0; i < 100; ++i) {
    WCHAR name[16];
    _snwprintf(name, 16, u"Alarm%02d", i);
    EXPECT_EQ(daemon_->pushReg().alarms()[i].keyName, name);
  }
  // Free slot 0 and 1 by letting two alarms fire.
  daemon_.reset();
  ASSERT_EQ(pushStore_deleteKey(u"Alarm00"), ERROR_SUCCESS);
  ASSERT_EQ(pushStore_deleteKey(u"Alarm01"), ERROR_SUCCESS);
  daemon_ = std::make_unique<SentrelDaemon>(fakeLaunch, fakeWindowExists);
  ASSERT_EQ(daemon_->start(), SentrelError_Succeeded);
  ASSERT_EQ(alarm(t + kSecond, u"soon"), SentrelError_Succeeded);
  ASSERT_EQ(alarm(t - 600 * kSecond, u"late"), SentrelError_Succeeded);
  EXPECT_EQ(daemon_->pushReg().alarms()[98].keyName, u"Alarm00");
  EXPECT_EQ(daemon_->pushReg().alarms()[99].keyName, u"Alarm01");
  daemon_->timer(t);
  EXPECT_TRUE(takeLaunches().empty()) << "the late alarm started its program";
  EXPECT_EQ(daemon_->pushReg().alarms().size(), 99u);
  EXPECT_FALSE(pushStore_deleteKey(u"Alarm01") == ERROR_SUCCESS) << "the late alarm's key stayed";
  daemon_->timer(t + 2 * kSecond);
  EXPECT_EQ(takeLaunches(), std::vector<std::u16string>{u"soon|-a"});
  EXPECT_EQ(daemon_->pushReg().alarms().size(), 98u);
  daemon_->timer(t + 3 * kSecond);
  EXPECT_TRUE(takeLaunches().empty()) << "an alarm fired twice";
}

TEST_F(SentrelDaemonTest, ClientCheckClosesOnlyTheDepartedClientsPort) {
  gLiveWindows = {11, 22};
  ASSERT_EQ(ask(kReqOpenPort, 5000, 11), SentrelError_Succeeded);
  EXPECT_EQ(ask(kReqOpenPort, 5000, 22), SentrelError_PortAlreadyOpened);
  gLiveWindows.erase(22);  // the client whose open failed goes
  daemon_->timer(now());
  EXPECT_TRUE(daemon_->workers().has(5000)) << "a failed opener's departure closed the holder's port";
  gLiveWindows.erase(11);
  daemon_->timer(now());
  EXPECT_FALSE(daemon_->workers().has(5000));
  EXPECT_EQ(ask(kReqOpenPort, 5000, 33), SentrelError_Succeeded);
  gLiveWindows = {33};
  daemon_->timer(now());
  EXPECT_TRUE(daemon_->workers().has(5000));
}

TEST_F(SentrelDaemonTest, RestartReopensRegisteredPortsAndDropsInterruptedKeys) {
  ASSERT_EQ(pushRegister(6000, u"m", u"c"), SentrelError_Succeeded);
  daemon_.reset();
  HKEY key;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, u"Software\\Quennet\\Sentrel\\6001", 0, nullptr, 0,
                            KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  RegCloseKey(key);
  daemon_ = std::make_unique<SentrelDaemon>(fakeLaunch, fakeWindowExists);
  ASSERT_EQ(daemon_->start(), SentrelError_Succeeded);
  EXPECT_TRUE(daemon_->workers().has(6000));
  EXPECT_FALSE(daemon_->workers().has(6001));
  EXPECT_FALSE(pushStore_hasPort(6001)) << "the interrupted key stayed";
  EXPECT_EQ(ask(kReqPushArgs, 6001), SentrelError_NoSuchPortRegistered);
}

}  // namespace
