#include "ce/base/lasterror.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "ce/base/errortext.h"

namespace {

TEST(CeLastError, OneWordPerThread) {
  SetLastError(ERROR_ACCESS_DENIED);
  DWORD seen = 1;
  std::thread other([&seen] {
    seen = GetLastError();
    SetLastError(ERROR_DISK_FULL);
  });
  other.join();
  EXPECT_EQ(seen, ERROR_SUCCESS);
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
}

TEST(CeLastError, SystemTexts) {
  struct Case {
    DWORD code;
    const char16_t* text;
  };
  const Case cases[] = {
      {ERROR_FILE_NOT_FOUND, u"The system cannot find the file specified.\r\n"},
      {ERROR_SHARING_VIOLATION,
       u"The process cannot access the file because it is being used by another process.\r\n"},
      {ERROR_KEY_DELETED, u"Illegal operation attempted on a registry key that has been marked for deletion.\r\n"},
  };
  const DWORD flags = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
  for (const Case& c : cases) {
    WCHAR buffer[256];
    const DWORD n = FormatMessageW(flags, nullptr, c.code, kLanguageEnglishUs, buffer, 256, nullptr);
    EXPECT_TRUE(std::u16string(buffer, n) == c.text) << c.code;
  }
  WCHAR buffer[8];
  EXPECT_EQ(FormatMessageW(flags, nullptr, 999999, kLanguageEnglishUs, buffer, 8, nullptr), 0u);
  EXPECT_EQ(GetLastError(), ERROR_MR_MID_NOT_FOUND);
  EXPECT_EQ(FormatMessageW(flags, nullptr, ERROR_FILE_NOT_FOUND, kLanguageEnglishUs, buffer, 8, nullptr), 0u);
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
}

}  // namespace
