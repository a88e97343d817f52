#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "ce/reg/regapi.h"
#include "ce/testing/devroot.h"
#include "port/support/regread.h"
#include "port/support/storagedir.h"
#include "port/support/strconv.h"
#include "port/support/syserror.h"

namespace {

HKEY vostelKey() {
  HKEY key = nullptr;
  EXPECT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, u"Software\\Vostel", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                            nullptr),
            ERROR_SUCCESS);
  return key;
}

void setRaw(const WCHAR* name, DWORD type, const void* data, DWORD size) {
  HKEY key = vostelKey();
  ASSERT_EQ(RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
  RegCloseKey(key);
}

TEST(PortSupport, RegistryReaders) {
  CeDeviceRoot root;
  EXPECT_TRUE(RegReadString(HKEY_CURRENT_USER, u"Software\\Vostel", u"Vostel_Dir") == u"\\Program Files\\Vostel");
  EXPECT_EQ(RegGetVostelDword(u"TraceLog"), 0u);
  const DWORD seven = 7;
  setRaw(u"Seven", REG_DWORD, &seven, 4);
  EXPECT_EQ(RegGetVostelDword(u"seven"), 7u);
  const uint8_t eight[8] = {1, 0, 0, 0, 2, 0, 0, 0};
  setRaw(u"Long", REG_BINARY, eight, 8);
  EXPECT_EQ(RegGetVostelDword(u"Long"), 0u);  // longer than a DWORD: missing
  EXPECT_EQ(RegGetVostelDword(u"Missing"), 0u);
  struct Case {
    const char* name;
    DWORD type;
    std::string bytes;
    std::u16string text;
  };
  const Case cases[] = {
      {"terminated", REG_SZ, std::string("a\0b\0\0\0", 6), u"ab"},
      {"no terminator", REG_SZ, std::string("a\0b\0", 4), u"ab"},
      {"odd size", REG_SZ, std::string("a\0b", 3), u"ab"},
      {"stops at the terminator", REG_SZ, std::string("a\0\0\0b\0", 6), u"a"},
      {"not a string", REG_DWORD, std::string("a\0b\0", 4), u""},
      {"empty", REG_SZ, std::string(), u""},
  };
  for (const Case& c : cases) {
    setRaw(u"S", c.type, c.bytes.data(), static_cast<DWORD>(c.bytes.size()));
    EXPECT_TRUE(RegReadString(HKEY_CURRENT_USER, u"Software\\Vostel", u"S") == c.text) << c.name;
  }
  EXPECT_TRUE(RegReadString(HKEY_CURRENT_USER, u"Software\\None", u"S").empty());
}

TEST(PortSupport, ConversionsAndFormatters) {
  EXPECT_EQ(WStringToUtf8(u"\u0416a"), "\xd0\x96" "a");
  EXPECT_TRUE(Utf8ToWString("\xd0\x96" "a") == u"\u0416a");
  EXPECT_EQ(WStringToString(u"\u20ac"), "\xe2\x82\xac");
  EXPECT_TRUE(StringToWString("x\xff") == u"x\uFFFD");
  std::u16string wide;
  FormatWString(&wide, u"%s=%d %S", u"k", 5, "n");
  EXPECT_TRUE(wide == u"k=5 n");
  std::string narrow;
  FormatString(&narrow, "%0500d", 1);
  EXPECT_EQ(narrow.size(), 500u);
  EXPECT_EQ(narrow.back(), '1');
  FormatString(&narrow, "%n", nullptr);
  EXPECT_TRUE(narrow.empty());
  EXPECT_TRUE(PathCombine(u"\\Dir", u"a.txt") == u"\\Dir\\a.txt");
  EXPECT_TRUE(PathCombine(u"\\Dir\\", u"a.txt") == u"\\Dir\\a.txt");
  EXPECT_TRUE(PathJoin(u"a", u"b") == u"ab");
  EXPECT_TRUE(SystemErrorText(2) == u"The system cannot find the file specified.\r\n");
  EXPECT_TRUE(SystemErrorText(0x12345) == u"???");
}

TEST(PortSupport, StorageDirectoryIsCreatedOnce) {
  CeDeviceRoot root;
  const std::u16string path = u"\\Storage\\Drm";
  setRaw(u"Drm_Java_PhysicalPath", REG_SZ, path.c_str(), static_cast<DWORD>((path.size() + 1) * 2));
  GetDrmJavaPhysicalPath();
  struct stat st;
  ASSERT_EQ(stat(root.host("Storage/Drm").c_str(), &st), 0);
  EXPECT_TRUE(S_ISDIR(st.st_mode));
  ASSERT_EQ(rmdir(root.host("Storage/Drm").c_str()), 0);
  GetDrmJavaPhysicalPath();
  EXPECT_NE(stat(root.host("Storage/Drm").c_str(), &st), 0);
}

}  // namespace
