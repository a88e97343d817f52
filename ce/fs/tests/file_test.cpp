#include "ce/fs/file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

#include "ce/base/lasterror.h"
#include "ce/fs/dirops.h"
#include "ce/fs/find.h"
#include "ce/testing/childrunner.h"
#include "ce/testing/devroot.h"

namespace {

std::string readHost(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

HANDLE openFile(const char16_t* path, DWORD access, DWORD disposition, DWORD share = 0) {
  return CreateFileW(path, access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Whether an open succeeds; the handle is closed, the last error kept.
bool openCase(const char16_t* path, DWORD disposition) {
  HANDLE h = openFile(path, GENERIC_READ | GENERIC_WRITE, disposition);
  const bool ok = h != INVALID_HANDLE_VALUE;
  const DWORD error = GetLastError();
  if (ok)
    CloseHandle(h);
  SetLastError(error);
  return ok;
}

TEST(CeFsFile, ReadWriteSeekTruncate) {
  CeDeviceRoot root;
  HANDLE f = openFile(u"\\Temp\\a.bin", GENERIC_READ | GENERIC_WRITE, CREATE_NEW);
  ASSERT_NE(f, INVALID_HANDLE_VALUE);
  DWORD n = 0;
  ASSERT_TRUE(WriteFile(f, "hello world", 11, &n, nullptr));
  EXPECT_EQ(n, 11u);
  EXPECT_EQ(SetFilePointer(f, -5, nullptr, FILE_END), 6u);
  char buffer[16] = {};
  ASSERT_TRUE(ReadFile(f, buffer, 16, &n, nullptr));
  EXPECT_EQ(std::string(buffer, n), "world");  // short at the end
  ASSERT_TRUE(ReadFile(f, buffer, 16, &n, nullptr));
  EXPECT_EQ(n, 0u);
  LONG high = 0;
  EXPECT_EQ(SetFilePointer(f, 5, &high, FILE_BEGIN), 5u);
  EXPECT_EQ(high, 0);
  ASSERT_TRUE(SetEndOfFile(f));
  DWORD sizeHigh = 7;
  EXPECT_EQ(GetFileSize(f, &sizeHigh), 5u);
  EXPECT_EQ(sizeHigh, 0u);
  EXPECT_TRUE(FlushFileBuffers(f));
  EXPECT_TRUE(CloseHandle(f));
  EXPECT_FALSE(CloseHandle(INVALID_HANDLE_VALUE));
  EXPECT_FALSE(CloseHandle(nullptr));
  EXPECT_EQ(readHost(root.host("Temp/a.bin")), "hello");

  HANDLE r = openFile(u"\\TEMP\\A.BIN", GENERIC_READ, OPEN_EXISTING);
  ASSERT_NE(r, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(WriteFile(r, "x", 1, &n, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  CloseHandle(r);

  HANDLE again = openFile(u"\\Temp\\a.bin", GENERIC_WRITE, CREATE_ALWAYS);
  ASSERT_NE(again, INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
  EXPECT_EQ(GetFileSize(again, nullptr), 0u);
  CloseHandle(again);
  HANDLE fresh = openFile(u"\\Temp\\b.bin", GENERIC_WRITE, OPEN_ALWAYS);
  ASSERT_NE(fresh, INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
  CloseHandle(fresh);
}

TEST(CeFsFile, ErrorTable) {
  CeDeviceRoot root;
  std::ofstream(root.host("Temp/f")) << "1";
  std::ofstream(root.host("Temp/g")) << "2";
  struct Row {
    const char* name;
    bool (*run)();
    DWORD error;
  };
  const Row rows[] = {
      {"missing file", [] { return openCase(u"\\Temp\\none", OPEN_EXISTING); }, ERROR_FILE_NOT_FOUND},
      {"missing directory", [] { return openCase(u"\\NoDir\\f", OPEN_EXISTING); }, ERROR_PATH_NOT_FOUND},
      {"file as directory", [] { return openCase(u"\\Temp\\f\\x", OPEN_EXISTING); }, ERROR_PATH_NOT_FOUND},
      {"directory as file", [] { return openCase(u"\\Temp", OPEN_EXISTING); }, ERROR_ACCESS_DENIED},
      {"create new on existing", [] { return openCase(u"\\Temp\\f", CREATE_NEW); }, ERROR_FILE_EXISTS},
      {"bad disposition", [] { return openCase(u"\\Temp\\f", 9); }, ERROR_INVALID_PARAMETER},
      {"existing directory", [] { return CreateDirectoryW(u"\\Temp", nullptr) != FALSE; }, ERROR_ALREADY_EXISTS},
      {"move onto existing", [] { return MoveFileW(u"\\Temp\\f", u"\\Temp\\g") != FALSE; }, ERROR_ALREADY_EXISTS},
      {"move of missing", [] { return MoveFileW(u"\\Temp\\none", u"\\Temp\\h") != FALSE; }, ERROR_FILE_NOT_FOUND},
      {"delete missing", [] { return DeleteFileW(u"\\Temp\\none") != FALSE; }, ERROR_FILE_NOT_FOUND},
      {"delete directory", [] { return DeleteFileW(u"\\Temp") != FALSE; }, ERROR_ACCESS_DENIED},
      {"remove missing directory", [] { return RemoveDirectoryW(u"\\none") != FALSE; }, ERROR_FILE_NOT_FOUND},
      {"attributes of missing", [] { return GetFileAttributesW(u"\\x\\y") != INVALID_FILE_ATTRIBUTES; },
       ERROR_PATH_NOT_FOUND},
  };
  for (const Row& row : rows) {
    SetLastError(0);
    EXPECT_FALSE(row.run()) << row.name;
    EXPECT_EQ(GetLastError(), row.error) << row.name;
  }
  EXPECT_EQ(readHost(root.host("Temp/g")), "2");
  ASSERT_TRUE(MoveFileExW(u"\\Temp\\f", u"\\Temp\\g", MOVEFILE_REPLACE_EXISTING));
  EXPECT_EQ(readHost(root.host("Temp/g")), "1");
  EXPECT_EQ(GetFileAttributesW(u"\\Temp\\f"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetFileAttributesW(u"\\temp"), FILE_ATTRIBUTE_DIRECTORY);
  WIN32_FILE_ATTRIBUTE_DATA data{};
  ASSERT_TRUE(GetFileAttributesExW(u"\\Temp\\g", GetFileExInfoStandard, &data));
  EXPECT_EQ(data.nFileSizeLow, 1u);
  EXPECT_EQ(data.dwFileAttributes, FILE_ATTRIBUTE_NORMAL);
  EXPECT_NE(data.ftLastWriteTime.dwHighDateTime, 0u);
  ASSERT_TRUE(CreateDirectoryW(u"\\Temp\\d", nullptr));
  ASSERT_TRUE(RemoveDirectoryW(u"\\Temp\\D"));
  ASSERT_TRUE(DeleteFileW(u"\\Temp\\G"));
  ULARGE_INTEGER available{}, total{};
  ASSERT_TRUE(GetDiskFreeSpaceExW(u"\\", &available, &total, nullptr));
  EXPECT_GT(total.QuadPart, 0u);
}

TEST(CeFsFile, ShareModeZeroHeldByAnotherProcess) {
  CeDeviceRoot root;
  CeChild child;
  ASSERT_TRUE(vsCeTest_spawn({vsCeTest_selfDirectory() + "/../testing/ce_test_peer", "hold", "\\Temp\\held"}, &child));
  std::string line;
  ASSERT_TRUE(vsCeTest_readLine(&child, &line));
  ASSERT_EQ(line, "ready");
  EXPECT_EQ(openFile(u"\\Temp\\held", GENERIC_READ, OPEN_EXISTING, FILE_SHARE_READ), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
  EXPECT_EQ(vsCeTest_finish(&child).status, 0);
  HANDLE h = openFile(u"\\Temp\\held", GENERIC_READ, OPEN_EXISTING);
  EXPECT_NE(h, INVALID_HANDLE_VALUE);
  // In one process too: a second open of an exclusively held file fails.
  EXPECT_EQ(openFile(u"\\Temp\\held", GENERIC_READ, OPEN_EXISTING), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
  CloseHandle(h);
  HANDLE s1 = openFile(u"\\Temp\\held", GENERIC_READ, OPEN_EXISTING, FILE_SHARE_READ);
  HANDLE s2 = openFile(u"\\Temp\\held", GENERIC_READ, OPEN_EXISTING, FILE_SHARE_READ);
  EXPECT_NE(s1, INVALID_HANDLE_VALUE);
  EXPECT_NE(s2, INVALID_HANDLE_VALUE);
  CloseHandle(s1);
  CloseHandle(s2);
}

TEST(CeFsFile, FindListsEveryNameForStarDotStar) {
  CeDeviceRoot root;
  std::ofstream(root.host("Temp/a.txt")) << "abc";
  std::ofstream(root.host("Temp/noext")) << "";
  mkdir(root.host("Temp/sub").c_str(), 0777);
  struct Case {
    const char16_t* pattern;
    std::set<std::u16string> names;
  };
  const Case cases[] = {
      {u"\\Temp\\*.*", {u".", u"..", u"a.txt", u"noext", u"sub"}},
      {u"\\temp\\*.TXT", {u"a.txt"}},
      {u"\\Temp\\?oext", {u"noext"}},
  };
  for (const Case& c : cases) {
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(c.pattern, &data);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    std::set<std::u16string> seen;
    do {
      seen.insert(data.cFileName);
      if (std::u16string(data.cFileName) == u"a.txt") {
        EXPECT_EQ(data.nFileSizeLow, 3u);
      }
      if (std::u16string(data.cFileName) == u"sub") {
        EXPECT_EQ(data.dwFileAttributes, FILE_ATTRIBUTE_DIRECTORY);
      }
    } while (FindNextFileW(find, &data));
    EXPECT_EQ(GetLastError(), ERROR_NO_MORE_FILES);
    EXPECT_TRUE(seen == c.names) << std::string(c.pattern, c.pattern + 8);
    EXPECT_TRUE(FindClose(find));
  }
  WIN32_FIND_DATAW data;
  EXPECT_EQ(FindFirstFileW(u"\\Temp\\*.none", &data), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(FindFirstFileW(u"\\Nope\\*.*", &data), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
}

TEST(CeFsFile, WfopenBinaryModes) {
  CeDeviceRoot root;
  FILE* out = _wfopen(u"\\Temp\\s.txt", u"wb");
  ASSERT_NE(out, nullptr);
  std::fputs("a\n", out);
  std::fclose(out);
  out = _wfopen(u"\\Temp\\S.TXT", u"ab");
  ASSERT_NE(out, nullptr);
  std::fputs("b", out);
  std::fclose(out);
  EXPECT_EQ(readHost(root.host("Temp/s.txt")), "a\nb");
  EXPECT_EQ(_wfopen(u"\\Temp\\none", u"rb"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(_wfopen(u"\\Temp\\s.txt", u"rt"), nullptr);
}

}  // namespace
