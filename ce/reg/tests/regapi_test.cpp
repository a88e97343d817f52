#include "ce/reg/regapi.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>

#include "ce/base/lasterror.h"
#include "ce/reg/regdb.h"
#include "ce/testing/childrunner.h"
#include "ce/testing/devroot.h"

namespace {

HKEY create(HKEY root, const char16_t* path, DWORD* disposition = nullptr) {
  HKEY key = nullptr;
  EXPECT_EQ(RegCreateKeyExW(root, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, disposition), ERROR_SUCCESS);
  return key;
}

LONG setSz(HKEY key, const char16_t* name, const std::u16string& text) {
  return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                        static_cast<DWORD>((text.size() + 1) * 2));
}

LONG setDword(HKEY key, const char16_t* name, DWORD value) {
  return RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), 4);
}

std::string peer() { return vsCeTest_selfDirectory() + "/../testing/ce_test_peer"; }

TEST(CeReg, ApiTable) {
  CeDeviceRoot root;
  DWORD disposition = 0;
  HKEY key = create(HKEY_CURRENT_USER, u"Software\\Test\\Deep", &disposition);
  EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
  RegCloseKey(create(HKEY_CURRENT_USER, u"software\\TEST\\deep", &disposition));
  EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);

  ASSERT_EQ(setSz(key, u"Name", u"value"), ERROR_SUCCESS);
  ASSERT_EQ(setDword(key, u"Count", 0xFFFFFFFFu), ERROR_SUCCESS);
  const BYTE blob[3] = {1, 0, 2};
  ASSERT_EQ(RegSetValueExW(key, u"Blob", 0, REG_BINARY, blob, 3), ERROR_SUCCESS);
  const char16_t multi[] = u"a\0bc\0";
  ASSERT_EQ(RegSetValueExW(key, u"Multi", 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(multi), sizeof multi),
            ERROR_SUCCESS);

  DWORD type = 0, size = 0;
  EXPECT_EQ(RegQueryValueExW(key, u"NAME", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, REG_SZ);
  EXPECT_EQ(size, 12u);  // "value" and its terminator
  BYTE small[4];
  size = sizeof small;
  EXPECT_EQ(RegQueryValueExW(key, u"Name", nullptr, &type, small, &size), ERROR_MORE_DATA);
  EXPECT_EQ(size, 12u);
  char16_t text[16];
  size = sizeof text;
  ASSERT_EQ(RegQueryValueExW(key, u"Name", nullptr, &type, reinterpret_cast<BYTE*>(text), &size), ERROR_SUCCESS);
  EXPECT_TRUE(std::u16string(text) == u"value");
  DWORD word = 0;
  size = 4;
  ASSERT_EQ(RegQueryValueExW(key, u"count", nullptr, &type, reinterpret_cast<BYTE*>(&word), &size), ERROR_SUCCESS);
  EXPECT_EQ(type, REG_DWORD);
  EXPECT_EQ(word, 0xFFFFFFFFu);
  BYTE back[8];
  size = sizeof back;
  ASSERT_EQ(RegQueryValueExW(key, u"Blob", nullptr, &type, back, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, REG_BINARY);
  EXPECT_EQ(std::memcmp(back, blob, 3), 0);
  EXPECT_EQ(size, 3u);
  size = 0;
  ASSERT_EQ(RegQueryValueExW(key, u"Multi", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, REG_MULTI_SZ);
  EXPECT_EQ(size, sizeof multi);

  EXPECT_EQ(RegQueryValueExW(key, u"None", nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
  HKEY missing;
  EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"Software\\Nope", 0, KEY_READ, &missing), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Software\\Test", 0, KEY_READ, &missing), ERROR_FILE_NOT_FOUND);

  // Enumeration to its end.
  const char16_t* const valueNames[] = {u"Name", u"Count", u"Blob", u"Multi"};
  DWORD index = 0;
  for (;; ++index) {
    char16_t name[32];
    DWORD units = 32;
    const LONG status = RegEnumValueW(key, index, name, &units, nullptr, &type, nullptr, nullptr);
    if (status == ERROR_NO_MORE_ITEMS)
      break;
    ASSERT_EQ(status, ERROR_SUCCESS);
    ASSERT_LT(index, 4u);
    EXPECT_TRUE(std::u16string(name, units) == valueNames[index]) << index;
  }
  EXPECT_EQ(index, 4u);
  char16_t tiny[2];
  DWORD tinyUnits = 2;
  EXPECT_EQ(RegEnumValueW(key, 0, tiny, &tinyUnits, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);

  HKEY test;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"Software\\Test", 0, KEY_READ, &test), ERROR_SUCCESS);
  RegCloseKey(create(test, u"Second"));
  char16_t name[32];
  DWORD units = 32;
  ASSERT_EQ(RegEnumKeyExW(test, 0, name, &units, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
  EXPECT_TRUE(std::u16string(name, units) == u"Deep");
  units = 32;
  ASSERT_EQ(RegEnumKeyExW(test, 1, name, &units, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
  EXPECT_TRUE(std::u16string(name, units) == u"Second");
  units = 32;
  EXPECT_EQ(RegEnumKeyExW(test, 2, name, &units, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);

  EXPECT_EQ(RegDeleteValueW(key, u"BLOB"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteValueW(key, u"Blob"), ERROR_FILE_NOT_FOUND);
  // Deleting a key takes its sub-keys and values with it.
  EXPECT_EQ(RegDeleteKeyW(HKEY_CURRENT_USER, u"SOFTWARE\\test"), ERROR_SUCCESS);
  EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"Software\\Test\\Deep", 0, KEY_READ, &missing), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegQueryValueExW(key, u"Name", nullptr, nullptr, nullptr, &size), ERROR_KEY_DELETED);
  EXPECT_EQ(RegDeleteKeyW(HKEY_CURRENT_USER, u"Software\\Test"), ERROR_FILE_NOT_FOUND);
  RegCloseKey(create(HKEY_CURRENT_USER, u"Software\\Test"));
  EXPECT_EQ(setSz(key, u"Name", u"x"), ERROR_KEY_DELETED);  // ids are not reused
  RegCloseKey(test);
  RegCloseKey(key);
  EXPECT_EQ(RegFlushKey(HKEY_CURRENT_USER), ERROR_SUCCESS);
}

TEST(CeReg, ValuesSurviveReopening) {
  CeDeviceRoot root;
  HKEY key = create(HKEY_LOCAL_MACHINE, u"Device");
  ASSERT_EQ(setDword(key, u"UILanguage", 0x409), ERROR_SUCCESS);
  RegCloseKey(key);
  vsCeReg_reset();
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"device", 0, KEY_READ, &key), ERROR_SUCCESS);
  DWORD word = 0, size = 4;
  ASSERT_EQ(RegQueryValueExW(key, u"uilanguage", nullptr, nullptr, reinterpret_cast<BYTE*>(&word), &size),
            ERROR_SUCCESS);
  EXPECT_EQ(word, 0x409u);
  RegCloseKey(key);
}

TEST(CeReg, TwoProcessesWriteTheSameKeys) {
  CeDeviceRoot root;
  CeChild a, b;
  ASSERT_TRUE(vsCeTest_spawn({peer(), "regwrite", "Shared\\Key", "a", "1000"}, &a));
  ASSERT_TRUE(vsCeTest_spawn({peer(), "regwrite", "shared\\KEY", "b", "1000"}, &b));
  const CeChildResult ra = vsCeTest_finish(&a);
  const CeChildResult rb = vsCeTest_finish(&b);
  EXPECT_EQ(ra.status, 0) << ra.output;
  EXPECT_EQ(rb.status, 0) << rb.output;
  EXPECT_EQ(ra.output, "failures 0\n");
  EXPECT_EQ(rb.output, "failures 0\n");
  HKEY key;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"Shared\\Key", 0, KEY_READ, &key), ERROR_SUCCESS);
  int found = 0;
  for (const char* tag : {"a", "b"})
    for (int i = 0; i < 1000; ++i) {
      const std::string name = std::string(tag) + "_" + std::to_string(i);
      const std::u16string wide(name.begin(), name.end());
      DWORD word = 0, size = 4;
      if (RegQueryValueExW(key, wide.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(&word), &size) ==
              ERROR_SUCCESS &&
          word == static_cast<DWORD>(i))
        ++found;
      else
        ADD_FAILURE() << "lost " << name;
    }
  EXPECT_EQ(found, 2000);
  RegCloseKey(key);
}

TEST(CeReg, KeyDeletedByAnotherProcess) {
  CeDeviceRoot root;
  HKEY key = create(HKEY_CURRENT_USER, u"Doomed\\Child");
  const CeChildResult r = vsCeTest_run({peer(), "regdelete", "Doomed"});
  ASSERT_EQ(r.status, 0) << r.output;
  EXPECT_EQ(setDword(key, u"v", 1), ERROR_KEY_DELETED);
  DWORD size = 0;
  EXPECT_EQ(RegQueryValueExW(key, u"v", nullptr, nullptr, nullptr, &size), ERROR_KEY_DELETED);
  RegCloseKey(key);
}

TEST(CeReg, GarbageDatabaseIsBadDb) {
  CeDeviceRoot root;
  vsCeReg_reset();
  for (const char* suffix : {"", "-wal", "-shm"})
    std::remove(root.host(std::string(".ce/registry.db") + suffix).c_str());
  std::ofstream(root.host(".ce/registry.db"), std::ios::binary) << std::string(8192, 'G');
  HKEY key;
  EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"Software", 0, KEY_READ, &key), ERROR_BADDB);
  EXPECT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, u"X", 0, nullptr, 0, 0, nullptr, &key, nullptr), ERROR_BADDB);
  DWORD size = 0;
  EXPECT_EQ(RegQueryValueExW(HKEY_CURRENT_USER, u"v", nullptr, nullptr, nullptr, &size), ERROR_BADDB);
}

TEST(CeReg, CedeviceInitAndReg) {
  CeDeviceRoot root;
  const std::string cedevice = vsCeTest_selfDirectory() + "/../../bin/cedevice";
  const std::string r = root.path();
  const char* const kUsage =
      "usage: cedevice init ROOT [--link CEPATH=FILE]... [--phone NUMBER] [--smsc HOST:PORT] |\n"
      "       reg ROOT get|set|del|export ... |\n"
      "       serve ROOT [--foreground] | run ROOT MODULE [CMDLINE] | windows ROOT |\n"
      "       wait ROOT [--class C] [--title T] [--gone] [--timeout MS] |\n"
      "       post ROOT (HWND | --class C) MSG WPARAM LPARAM | log ROOT [--debug] | stop ROOT\n";
  vsCeReg_reset();
  struct Step {
    std::vector<std::string> argv;
    int status;
    std::string output;
  };
  const Step steps[] = {
      {{cedevice, "reg", r, "get", "HKCU\\Software\\Vostel", "Vostel_Dir"}, 0, "\\Program Files\\Vostel\n"},
      {{cedevice, "reg", r, "get", "HKCU\\Software\\Vostel", "TraceLog"}, 0, "0\n"},
      {{cedevice, "reg", r, "set", "HKCU\\Software\\Vostel", "TraceLog", "dword", "1"}, 0, ""},
      {{cedevice, "reg", r, "set", "HKLM\\Device\\Phone", "Number", "sz", "+7 123"}, 0, ""},
      {{cedevice, "init", r}, 0, ""},
      {{cedevice, "reg", r, "get", "HKCU\\Software\\Vostel", "TraceLog"}, 0, "1\n"},
      {{cedevice, "reg", r, "get", "HKLM\\Device\\Phone", "Number"}, 0, "+7 123\n"},
      {{cedevice, "reg", r, "export", "HKLM\\Device"},
       0,
       "[HKLM\\Device]\n[HKLM\\Device\\Phone]\nSmscAddress=sz:127.0.0.1:5300\nNumber=sz:+7 123\n"},
      {{cedevice, "init", r, "--phone", "+15550001", "--smsc", "127.0.0.1:6000"}, 0, ""},
      {{cedevice, "reg", r, "get", "HKLM\\Device\\Phone", "Number"}, 0, "+15550001\n"},
      {{cedevice, "reg", r, "get", "HKLM\\Device\\Phone", "SmscAddress"}, 0, "127.0.0.1:6000\n"},
      {{cedevice, "init", r, "--phone", "+1555x"}, 2, kUsage},
      {{cedevice, "init", r, "--smsc", "localhost:5300"}, 2, kUsage},
      {{cedevice, "init", r, "--smsc", "127.0.0.1:0"}, 2, kUsage},
      {{cedevice, "init", r, "--phone"}, 2, kUsage},
      {{cedevice, "reg", r, "del", "HKLM\\Device\\Phone", "Number"}, 0, ""},
      {{cedevice, "reg", r, "get", "HKLM\\Device\\Phone", "Number"}, 1, "cedevice reg: reading the value: error 2\n"},
      {{cedevice, "reg", r, "del", "HKLM\\Device"}, 0, ""},
      {{cedevice, "reg", r, "get", "HKXX\\a", "b"}, 2, "cedevice reg: unknown root key in \"HKXX\\a\"\n"},
      {{cedevice, "reg", r, "set", "HKCU\\a", "b", "dword", "x"}, 2, "cedevice reg: \"x\" is no DWORD\n"},
      {{cedevice, "frob"}, 2, kUsage},
  };
  for (const Step& step : steps) {
    const CeChildResult result = vsCeTest_run(step.argv);
    std::string line;
    for (const std::string& a : step.argv)
      line += " " + a;
    EXPECT_EQ(result.status, step.status) << line;
    EXPECT_EQ(result.output, step.output) << line;
  }
}

}  // namespace
