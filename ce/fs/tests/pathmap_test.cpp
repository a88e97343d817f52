#include "ce/fs/pathmap.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "ce/base/crt_string.h"
#include "ce/base/lasterror.h"
#include "ce/fs/dirops.h"
#include "ce/fs/file.h"
#include "ce/testing/devroot.h"

namespace {

void touch(const std::string& path) {
  FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr) << path;
  std::fclose(f);
}

TEST(CeFsPath, MapsFoldsAndConfines) {
  CeDeviceRoot root;
  touch(root.host("Temp/x"));
  mkdir(root.host("outside").c_str(), 0777);
  ASSERT_EQ(symlink("/etc", root.host("Temp/etc").c_str()), 0);
  ASSERT_EQ(symlink("/bin/sh", root.host("Windows/sh.exe").c_str()), 0);
  ASSERT_EQ(symlink(root.host("Storage").c_str(), root.host("Temp/store").c_str()), 0);
  struct Case {
    const char16_t* path;
    const char* host;  // relative to the root, or nullptr when refused
    DWORD error;
  };
  const Case cases[] = {
      {u"\\temp\\x", "Temp/x", 0},
      {u"/TEMP/X", "Temp/x", 0},
      {u"/Storage/x", "Storage/x", 0},
      {u"\\temp\\new\\Name", "Temp/new/Name", 0},
      {u"\\.\\Temp\\.\\x", "Temp/x", 0},
      {u"\\\\Temp//x", "Temp/x", 0},
      {u"\\", "", 0},
      {u"\\..\\..\\etc", nullptr, ERROR_ACCESS_DENIED},
      {u"\\Temp\\..\\Temp\\x", nullptr, ERROR_ACCESS_DENIED},
      {u"\\.ce\\registry.db", nullptr, ERROR_ACCESS_DENIED},
      {u"\\.CE", nullptr, ERROR_ACCESS_DENIED},
      {u"\\Temp\\etc\\passwd", nullptr, ERROR_ACCESS_DENIED},
      {u"\\Temp\\store\\Vostel", "Temp/store/Vostel", 0},
      {u"\\Windows\\sh.exe", "Windows/sh.exe", 0},
      {u"Temp\\x", nullptr, ERROR_PATH_NOT_FOUND},
      {u"C:\\Temp", nullptr, ERROR_PATH_NOT_FOUND},
      {u"", nullptr, ERROR_PATH_NOT_FOUND},
  };
  for (const Case& c : cases) {
    std::string host;
    SetLastError(0);
    const bool ok = vsCeFs_hostPath(c.path, &host);
    const std::string name(c.path, c.path + wcslen(c.path));
    if (c.host == nullptr) {
      EXPECT_FALSE(ok) << name;
      EXPECT_EQ(GetLastError(), c.error) << name;
    } else {
      ASSERT_TRUE(ok) << name;
      EXPECT_EQ(host, std::string(c.host).empty() ? root.path() : root.host(c.host)) << name;
    }
  }
}

TEST(CeFsPath, UnsetRootFailsWithPathNotFound) {
  CeDeviceRoot root;
  unsetenv("CE_ROOT");
  vsCeFs_reset();
  testing::internal::CaptureStderr();
  EXPECT_EQ(GetFileAttributesW(u"\\Temp"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
  EXPECT_EQ(CreateFileW(u"\\Temp\\a", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "CE_ROOT is not set\n");
  setenv("CE_ROOT", root.path().c_str(), 1);
}

TEST(CeFsPath, Patterns) {
  struct Case {
    const char* pattern;
    const char* name;
    bool match;
  };
  const Case cases[] = {
      {"*.*", "noext", true}, {"*.*", ".", true},     {"*", "a.b", true},     {"*.txt", "A.TXT", true},
      {"*.txt", "a.txt.x", false}, {"a?c", "abc", true}, {"a?c", "ac", false}, {"*b*", "abc", true},
      {"x", "X", true},       {"x", "xy", false},     {"*a*a", "aXaYa", true}, {"", "a", false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(vsCeFs_matchPattern(c.pattern, c.name), c.match) << c.pattern << " " << c.name;
}

}  // namespace
