#include "sentrel/pushstore.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "ce/reg/regapi.h"
#include "ce/testing/devroot.h"

namespace {

constexpr uint64_t kFriday = 134414406001230000ull;  // 2026-12-11 05:30:00.123 UTC

std::string narrow(const std::u16string& text) { return std::string(text.begin(), text.end()); }

TEST(PushStore, TimeTextBothWays) {
  EXPECT_EQ(narrow(pushStore_formatTime(kFriday)), "2026_12_11 05:30:00.123 5");
  struct Case {
    const char* text;
    uint64_t time;
  } cases[] = {
      {"2026_12_11 05:30:00.123 5", kFriday},
      {"2026_12_11 05_30_00.123 5", kFriday},
      {"2026_12_11 05:30:00.123 5 and more", kFriday},
      {"2026_12_11 05:30:00.123 ", 0},   // 24 characters
      {"2026_13_11 05:30:00.123 5", 0},  // month 13
      {"1995_01_01 24_00_00.999 4", 0},  // hour 24
      {"2026_12_11 05:3x:00.123 5", 0},
      {"2026-12-11 05:30:00.123 5", 0},
      {"2026_02_30 05:30:00.123 5", 0},  // no 30 February
      {"", 0},
  };
  for (const Case& c : cases) {
    const std::string text = c.text;
    EXPECT_EQ(pushStore_parseTime(std::u16string(text.begin(), text.end())), c.time) << c.text;
  }
}

HKEY createKey(const std::u16string& name) {
  HKEY key = nullptr;
  EXPECT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, (std::u16string(kPushStoreKey) + u"\\" + name).c_str(), 0,
                            nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  return key;
}

bool keyExists(const std::u16string& name) {
  HKEY key;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, (std::u16string(kPushStoreKey) + u"\\" + name).c_str(), 0, KEY_READ,
                    &key) != ERROR_SUCCESS)
    return false;
  RegCloseKey(key);
  return true;
}

TEST(PushStore, StoreLoadAndInterruptedKeys) {
  CeDeviceRoot root;
  bool created = false;
  ASSERT_EQ(pushStore_init(&created), ERROR_SUCCESS);
  EXPECT_TRUE(created);
  ASSERT_EQ(pushStore_init(&created), ERROR_SUCCESS);
  EXPECT_FALSE(created);
  EXPECT_FALSE(pushStore_hasPort(6000));
  ASSERT_EQ(pushStore_storePort(6000, {u"\\Windows\\marker.exe", u"-N 7", u"", u"info"}), ERROR_SUCCESS);
  EXPECT_TRUE(pushStore_hasPort(6000));
  ASSERT_EQ(pushStore_storeAlarm(0, {kFriday, u"m", u"c", u"o"}), ERROR_SUCCESS);
  // What a daemon killed between a key and its values leaves.
  RegCloseKey(createKey(u"5001"));
  HKEY partial = createKey(u"Alarm07");
  const std::u16string module = u"m";
  ASSERT_EQ(
      RegSetValueExW(partial, u"ModuleToRun", 0, REG_SZ, reinterpret_cast<const BYTE*>(module.c_str()), 4),
      ERROR_SUCCESS);
  RegCloseKey(partial);
  RegCloseKey(createKey(u"junk"));

  const PushStoreContents contents = pushStore_load();
  EXPECT_EQ(contents.ports, std::vector<DWORD>{6000});
  ASSERT_EQ(contents.alarms.size(), 1u);
  EXPECT_EQ(contents.alarms[0].keyName, u"Alarm00");
  EXPECT_EQ(contents.alarms[0].body.time, kFriday);
  EXPECT_EQ(contents.alarms[0].body.module, u"m");
  EXPECT_EQ(contents.alarms[0].body.commandLine, u"c");
  EXPECT_EQ(contents.alarms[0].body.other, u"o");
  std::vector<std::u16string> interrupted = contents.interrupted;
  std::sort(interrupted.begin(), interrupted.end());
  EXPECT_EQ(interrupted, (std::vector<std::u16string>{u"5001", u"Alarm07"}));
  EXPECT_EQ(contents.ignored, std::vector<std::u16string>{u"junk"});
  EXPECT_FALSE(keyExists(u"5001"));
  EXPECT_FALSE(keyExists(u"Alarm07"));
  EXPECT_TRUE(keyExists(u"junk"));

  PushRegistrationBody body;
  ASSERT_TRUE(pushStore_readPort(6000, &body));
  EXPECT_EQ(body.module, u"\\Windows\\marker.exe");
  EXPECT_EQ(body.commandLine, u"-N 7");
  EXPECT_EQ(body.filter, u"");
  EXPECT_EQ(body.other, u"info");
  EXPECT_EQ(pushStore_deleteKey(u"6000"), ERROR_SUCCESS);
  EXPECT_FALSE(pushStore_readPort(6000, &body));
  EXPECT_EQ(narrow(pushStore_alarmKey(7)), "Alarm07");
  EXPECT_EQ(narrow(pushStore_alarmKey(99)), "Alarm99");
}

}  // namespace
