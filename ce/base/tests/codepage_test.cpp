#include "ce/base/codepage.h"

#include <gtest/gtest.h>

#include <string>

#include "ce/base/lasterror.h"

namespace {

std::u16string toWide(const std::string& text) {
  const int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::u16string out(static_cast<size_t>(n), u'\0');
  if (n > 0) {
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out.data(), n), n);
  }
  return out;
}

std::string toNarrow(const std::u16string& text) {
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                    nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  if (n > 0) {
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out.data(), n,
                                  nullptr, nullptr),
              n);
  }
  return out;
}

TEST(CeCodepage, Utf8ToUtf16) {
  struct Case {
    const char* name;
    std::string in;
    std::u16string out;
  };
  const Case cases[] = {
      {"ascii", "abc", u"abc"},
      {"two and three bytes", "\xc3\xa9\xe2\x82\xac", u"\u00e9\u20ac"},
      {"four bytes", "\xf0\x9f\x98\x80", u"\U0001F600"},
      {"overlong slash", "\xc0\xaf", u"\uFFFD\uFFFD"},
      {"overlong three", "\xe0\x80\xaf", u"\uFFFD\uFFFD\uFFFD"},
      {"encoded surrogate", "\xed\xa0\x80", u"\uFFFD\uFFFD\uFFFD"},
      {"above U+10FFFF", "\xf4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
      {"cut at the end", "a\xe2\x82", u"a\uFFFD"},
      {"cut before ascii", "\xe2\x82x", u"\uFFFDx"},
      {"stray continuation", "\x80x", u"\uFFFDx"},
      {"invalid lead", "\xff", u"\uFFFD"},
  };
  for (const Case& c : cases)
    EXPECT_TRUE(toWide(c.in) == c.out) << c.name;
}

TEST(CeCodepage, Utf16ToUtf8) {
  struct Case {
    const char* name;
    std::u16string in;
    std::string out;
  };
  const Case cases[] = {
      {"bmp", u"\u0416\u20ac", "\xd0\x96\xe2\x82\xac"},
      {"pair", u"\U0001F600", "\xf0\x9f\x98\x80"},
      {"lone high", std::u16string(1, u'\xD800') + u"a", "\xef\xbf\xbd" "a"},
      {"lone low", std::u16string(1, u'\xDC00'), "\xef\xbf\xbd"},
      {"high at the end", u"a" + std::u16string(1, u'\xDBFF'), "a\xef\xbf\xbd"},
      {"reversed pair", std::u16string{u'\xDC00', u'\xD800'}, "\xef\xbf\xbd\xef\xbf\xbd"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(toNarrow(c.in), c.out) << c.name;
    // What came out is valid and round-trips.
    EXPECT_EQ(toNarrow(toWide(c.out)), c.out) << c.name;
  }
}

TEST(CeCodepage, TerminatedInputSizesAndErrors) {
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "ab", -1, nullptr, 0), 3);
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, u"\u00e9", -1, nullptr, 0, nullptr, nullptr), 3);
  WCHAR small[2];
  SetLastError(0);
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "abc", -1, small, 2), 0);
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
  char tiny[1];
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, u"\u00e9", 1, tiny, 1, nullptr, nullptr), 0);
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(MultiByteToWideChar(1252, 0, "a", 1, nullptr, 0), 0);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

}  // namespace
