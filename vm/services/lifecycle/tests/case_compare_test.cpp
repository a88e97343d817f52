// Case-blind comparison, called through the system-function table.
#include "vm/services/lifecycle/case_compare.h"

#include <gtest/gtest.h>

#include "vm/services/lifecycle/system_functions.h"

namespace {

constexpr int32_t kWhole = -1;  // the case compares whole strings

struct Case {
  const char* a;
  const char* b;
  int32_t n;  // kWhole, or the count given to vsStr_caseCompareN
  int32_t expected;
};

const Case kCases[] = {
    // Letters fold, and only to upper case.
    {"Content-Type", "CONTENT-type", kWhole, 0},
    {"abc", "ABC", kWhole, 0},
    {"abc", "abd", kWhole, 'C' - 'D'},
    {"abd", "ABC", kWhole, 'D' - 'C'},
    {"_", "a", kWhole, '_' - 'A'},  // positive: '_' sorts after the upper-case letters
    {"[", "z", kWhole, '[' - 'Z'},
    {"@", "`", kWhole, '@' - '`'},  // the neighbours of the letters do not fold
    {"{", "[", kWhole, '{' - '['},
    // Bytes above 0x7f are unsigned and never folded.
    {"\xe4", "\xc4", kWhole, 0xe4 - 0xc4},
    {"\xe4", "a", kWhole, 0xe4 - 'A'},
    // Lengths, the empty string and null.
    {"ab", "abc", kWhole, 0 - 'C'},
    {"ABC", "ab", kWhole, 'C' - 0},
    {"", "", kWhole, 0},
    {nullptr, "", kWhole, 0},
    {nullptr, nullptr, kWhole, 0},
    {nullptr, "a", kWhole, 0 - 'A'},
    {"a", nullptr, kWhole, 'A' - 0},
    // Counted comparison.
    {"abcX", "ABCy", 3, 0},
    {"abcX", "ABCy", 4, 'X' - 'Y'},
    {"abcX", "ABCy", 1000, 'X' - 'Y'},
    {"ab", "AB", 1000, 0},  // stops at the NUL of both
    {"ab", "abc", 2, 0},
    {"ab", "abc", 3, 0 - 'C'},
    {"x", "y", 0, 0},
    {"x", "y", -5, 0},
    {nullptr, "y", 1, 0 - 'Y'},
};

TEST(CaseCompare, Cases) {
  const VsSystemFunctions table = vsSystemFunctions_table();
  const auto compare = vsSystemFunctions_entry<decltype(vsStr_caseCompare)>(table.caseCompare);
  const auto compareN = vsSystemFunctions_entry<decltype(vsStr_caseCompareN)>(table.caseCompareN);
  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::Message() << '"' << (c.a ? c.a : "(null)") << "\" vs \"" << (c.b ? c.b : "(null)")
                                    << "\" n " << c.n);
    if (c.n == kWhole) {
      EXPECT_EQ(compare(c.a, c.b), c.expected);
      EXPECT_EQ(compareN(c.a, c.b, 1 << 30), c.expected) << "a large count compares whole strings";
      EXPECT_EQ(compare(c.b, c.a), -c.expected) << "swapped";
    } else {
      EXPECT_EQ(compareN(c.a, c.b, c.n), c.expected);
    }
  }
}

}  // namespace
