#include "vm/core/startup/printf.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

#include "tools/testport/test_port.h"

namespace {

// Unannotated, so formats the compiler would refuse ('S', unknown letters,
// mismatched arguments) can be tried.
int32_t format(char* buffer, int32_t size, const char* fmt, ...) {
  va_list args;
  va_start(args, fmt);
  const int32_t n = vsPrintf_vsnprintf(buffer, size, fmt, args);
  va_end(args);
  return n;
}

struct Case {
  const char* expected;
  std::string text;
};

TEST(Printf, Conversions) {
  char b[128];
  const Case cases[] = {
      {"x   aby|42   |000-5|+7| 7|ab|?|",
       (format(b, sizeof b, "x%5sy|%-5d|%05d|%+d|% d|%.2s|%q|", "ab", 42, -5, 7, 7, "abcdef"), b)},
      {"-2147483648", (format(b, sizeof b, "%d", INT_MIN), b)},
      {"80000000", (format(b, sizeof b, "%x", INT_MIN), b)},
      {"2147483648", (format(b, sizeof b, "%u", 0x80000000u), b)},
      {"FF ff 777 0 0", (format(b, sizeof b, "%X %x %o %x %u", 255, 255, 0777, 0, 0), b)},
      {"5", (format(b, sizeof b, "%.3d", 5), b)},
      {"   42|42   ", (format(b, sizeof b, "%*d|%-*d", 5, 42, 5, 42), b)},
      {"x|x", (format(b, sizeof b, "%5c|%-3c", 'x', 'x'), b)},
      {"(null)|  (nu", (format(b, sizeof b, "%s|%5.3s", static_cast<char*>(nullptr),
                               static_cast<char*>(nullptr)), b)},
      {"S:abc", (format(b, sizeof b, "S:%S", "abc"), b)},
      {"? 7", (format(b, sizeof b, "%y %d", 7), b)},
      {"100%", (format(b, sizeof b, "100%%"), b)},
      {"12 -3 4", (format(b, sizeof b, "%ld %hd %Lu", 12, -3, 4u), b)},
      {"abc", (format(b, sizeof b, "%.*s", 3, "abcdef"), b)},
      {"abcdef", (format(b, sizeof b, "%.-3s", "abcdef"), b)},
      {"   ab", (format(b, sizeof b, "%05s", "ab"), b)},
      {"+0", (format(b, sizeof b, "%+ d", 0), b)},
      {"ab", (format(b, sizeof b, "ab%"), b)},
      {"ab", (format(b, sizeof b, "ab%-5l"), b)},
      {"", (format(b, sizeof b, nullptr), b)},
  };
  for (const Case& c : cases)
    EXPECT_EQ(c.text, c.expected);
}

TEST(Printf, PercentNStoresTheCountSoFar) {
  char b[32];
  int32_t count = -1;
  EXPECT_EQ(format(b, sizeof b, "abc%nde", &count), 5);
  EXPECT_EQ(count, 3);
  EXPECT_STREQ(b, "abcde");
}

TEST(Printf, PointerIsItsWordInHex) {
  char b[32];
  format(b, sizeof b, "%p", reinterpret_cast<void*>(uintptr_t{0x1234abcd}));
  EXPECT_STREQ(b, "1234abcd");
}

struct SizeCase {
  int32_t size;
  const char* stored;
  int32_t result;
};

TEST(Printf, BufferSizes) {
  const SizeCase cases[] = {
      {4, "abc", 6},
      {7, "abcdef", 6},
      {6, "abcde", 6},
      {1, "", 6},
      {-1, "abcdef", 6},
  };
  for (const SizeCase& c : cases) {
    char b[16];
    std::memset(b, 'z', sizeof b);
    EXPECT_EQ(vsPrintf_snprintf(b, c.size, "abcdef"), c.result) << c.size;
    EXPECT_STREQ(b, c.stored) << c.size;
  }
  char untouched[4] = {'z', 'z', 'z', 'z'};
  EXPECT_EQ(vsPrintf_snprintf(untouched, 0, "abcdef"), 6);
  EXPECT_EQ(untouched[0], 'z');
}

TEST(Printf, NullBufferPrintsNothingThroughVsnprintf) {
  vsTestPort_startCapture();
  EXPECT_EQ(format(nullptr, 10, "abc"), 0);
  EXPECT_EQ(vsTestPort_stopCapture().trace, "");
}

int32_t count(const char* fmt, ...) {
  va_list args;
  va_start(args, fmt);
  const int32_t n = vsPrintf_vcount(fmt, args);
  va_end(args);
  return n;
}

TEST(Printf, CountPrintsToTheTrace) {
  vsTestPort_startCapture();
  EXPECT_EQ(count("n=%3d;", 7), 6);
  EXPECT_EQ(vsTestPort_stopCapture().trace, "n=  7;");
}

TEST(Printf, DigitHelpersFillFromTheEnd) {
  VsDigitScratch s;
  EXPECT_STREQ(vsPrintf_formatHex(0xBEEFu, kVsPrintf_upperDigits, s), "BEEF");
  EXPECT_STREQ(vsPrintf_formatOctal(8, s), "10");
  EXPECT_STREQ(vsPrintf_formatUnsigned(0xFFFFFFFFu, s), "4294967295");
  EXPECT_STREQ(vsPrintf_formatSigned(INT_MIN, '+', s), "-2147483648");
  EXPECT_STREQ(vsPrintf_formatSigned(5, '+', s), "+5");
  EXPECT_STREQ(vsPrintf_formatSigned(5, '\0', s), "5");
}

}  // namespace
