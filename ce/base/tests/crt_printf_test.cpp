#include "ce/base/crt_printf.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <string>

namespace {

std::string narrow(const char* format, ...) {
  char buffer[256];
  va_list args;
  va_start(args, format);
  const int n = _vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  return n < 0 ? "<fail>" : std::string(buffer, static_cast<size_t>(n));
}

std::u16string wide(const WCHAR* format, ...) {
  WCHAR buffer[256];
  va_list args;
  va_start(args, format);
  const int n = _vsnwprintf(buffer, 256, format, args);
  va_end(args);
  return n < 0 ? u"<fail>" : std::u16string(buffer, static_cast<size_t>(n));
}

int countNarrow(const char* format, ...) {
  va_list args;
  va_start(args, format);
  const int n = _vscprintf(format, args);
  va_end(args);
  return n;
}

int countWide(const WCHAR* format, ...) {
  va_list args;
  va_start(args, format);
  const int n = _vscwprintf(format, args);
  va_end(args);
  return n;
}

TEST(CePrintf, NarrowConversions) {
  struct Case {
    std::string got, want;
  };
  const Case cases[] = {
      {narrow("%s|%S", "ab", u"\u00e9x"), "ab|\xc3\xa9x"},
      {narrow("%hs %ls %ws", "n", u"w", u"v"), "n w v"},
      {narrow("%I64d", INT64_MIN), "-9223372036854775808"},
      {narrow("%lld %I64u", -5LL, 18446744073709551615ULL), "-5 18446744073709551615"},
      {narrow("%lu", static_cast<DWORD>(0xFFFFFFFFu)), "4294967295"},
      {narrow("%ld", static_cast<LONG>(-1)), "-1"},
      {narrow("%08X", 0xBEEFu), "0000BEEF"},
      {narrow("%-5d|", 42), "42   |"},
      {narrow("%5d|%+d|% d", -3, 7, 7), "   -3|+7| 7"},
      {narrow("%.3f", 3.14159), "3.142"},
      {narrow("%e %G", 1.5, 0.0001), "1.500000e+00 0.0001"},
      {narrow("%%"), "%"},
      {narrow("%hd %hu %hx", 70000, 70000, 0x12345), "4464 4464 2345"},
      {narrow("%#x %#o %o", 255u, 8u, 0u), "0xff 010 0"},
      {narrow("%*d|%-*d|%.*s", 4, 1, 3, 2, 2, "abc"), "   1|2  |ab"},
      {narrow("%.0d|%.3d", 0, 5), "|005"},
      {narrow("%c%C%lc", 'a', u'\u00e9', u'b'), "a\xc3\xa9" "b"},
      {narrow("%s %S", static_cast<const char*>(nullptr), static_cast<const WCHAR*>(nullptr)),
       "(null) (null)"},
      {narrow("%5s|%-4s|", "ab", "c"), "   ab|c   |"},
      {narrow("%p", reinterpret_cast<void*>(0x1A2B)),
       std::string(2 * sizeof(void*) - 4, '0') + "1A2B"},
      {narrow("%u", 0u), "0"},
      {narrow("%x", 0xFFFFFFFFu), "ffffffff"},
  };
  for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i)
    EXPECT_EQ(cases[i].got, cases[i].want) << "case " << i;
}

TEST(CePrintf, WideConversions) {
  struct Case {
    std::u16string got, want;
  };
  const Case cases[] = {
      {wide(u"%s|%S", u"\u0416w", "n\xc3\xa9"), u"\u0416w|n\u00e9"},
      {wide(u"%hs|%ls", "n", u"w"), u"n|w"},
      {wide(u"%I64d", INT64_MIN), u"-9223372036854775808"},
      {wide(u"%lu", static_cast<DWORD>(0xFFFFFFFFu)), u"4294967295"},
      {wide(u"%08X", 0xBEEFu), u"0000BEEF"},
      {wide(u"%-5d|", 42), u"42   |"},
      {wide(u"%.3f", 2.0 / 3.0), u"0.667"},
      {wide(u"%%%d%%", 1), u"%1%"},
      {wide(u"%c%C", u'\u0416', 'z'), u"\u0416z"},
      {wide(u"%s", static_cast<const WCHAR*>(nullptr)), u"(null)"},
      {wide(u"%s", u"\U0001F600"), u"\U0001F600"},
  };
  for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i)
    EXPECT_TRUE(cases[i].got == cases[i].want) << "case " << i;
}

TEST(CePrintf, TruncationWritesExactlyCountUnitsAndFails) {
  struct Case {
    size_t count;
    int result;
    const char* buffer;  // the 8 bytes afterwards; '#' untouched
  };
  const Case cases[] = {
      {0, -1, "########"},
      {3, -1, "abc#####"},
      {5, 5, "abcde###"},  // exactly full: no terminator
      {6, 5, "abcde\0##"},
  };
  for (const Case& c : cases) {
    char buffer[8];
    std::fill(buffer, buffer + 8, '#');
    EXPECT_EQ(_snprintf(buffer, c.count, "%s", "abcde"), c.result) << c.count;
    EXPECT_EQ(std::string(buffer, 8), std::string(c.buffer, 8)) << c.count;

    WCHAR wbuffer[8];
    std::fill(wbuffer, wbuffer + 8, u'#');
    EXPECT_EQ(_snwprintf(wbuffer, c.count, u"%s", u"abcde"), c.result) << c.count;
    for (size_t i = 0; i < 8; ++i)
      EXPECT_EQ(wbuffer[i], static_cast<WCHAR>(static_cast<unsigned char>(c.buffer[i])))
          << c.count << " unit " << i;
  }
}

TEST(CePrintf, CountingFormsAndRefusedN) {
  EXPECT_EQ(countNarrow("%s=%d", "key", 12345), 9);
  EXPECT_EQ(countNarrow("%S", u"\u00e9"), 2);  // UTF-8 bytes
  EXPECT_EQ(countWide(u"%s=%d", u"key", 12345), 9);
  EXPECT_EQ(countWide(u"%S", "\xc3\xa9"), 1);
  EXPECT_EQ(countWide(u"%300d", 1), 300);
  int n = 0;
  char buffer[16];
  EXPECT_EQ(_snprintf(buffer, sizeof buffer, "ab%n", &n), -1);
  EXPECT_EQ(n, 0);
  EXPECT_EQ(countNarrow("%n", &n), -1);
}

}  // namespace
