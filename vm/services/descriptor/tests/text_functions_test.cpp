// The text helpers: numbers, byte search, trimming, comma-separated fields
// and the supported values.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "vm/services/descriptor/descriptor_codes.h"
#include "vm/services/descriptor/supported_values.h"
#include "vm/services/descriptor/text_functions.h"

namespace {

TEST(DescriptorText, ParseInt) {
  struct Case {
    const char* text;
    int32_t value;
    int32_t error;
  } const cases[] = {
      {"0", 0, kOamsOk},
      {"+7", 7, kOamsOk},
      {"007", 7, kOamsOk},
      {"-12", -12, kOamsOk},
      {"2147483647", 2147483647, kOamsOk},
      {"2147483648", 0x7FFFFFFF, kOamsNumberRange},
      {"-2147483648", INT32_MIN, kOamsOk},
      {"-2147483649", INT32_MIN, kOamsNumberRange},
      {"99999999999999999999999", 0x7FFFFFFF, kOamsNumberRange},
      {"+", 0x7FFFFFFF, kOamsMalformed},
      {"-", 0x7FFFFFFF, kOamsMalformed},
      {"12a", 0x7FFFFFFF, kOamsMalformed},
      {" 1", 0x7FFFFFFF, kOamsMalformed},
      {"1.0", 0x7FFFFFFF, kOamsMalformed},
      {"", 0x7FFFFFFF, kOamsBadArgument},
  };
  for (const Case& c : cases) {
    int32_t error = 99;
    EXPECT_EQ(OamsParseInt(c.text, static_cast<int32_t>(std::strlen(c.text)), &error), c.value)
        << '"' << c.text << '"';
    EXPECT_EQ(error, c.error) << '"' << c.text << '"';
  }
  int32_t error = 0;
  EXPECT_EQ(OamsParseInt(nullptr, 3, &error), 0x7FFFFFFF);
  EXPECT_EQ(error, kOamsBadArgument);
  EXPECT_EQ(OamsParseInt("5", 1, nullptr), 5) << "the error pointer may be null";
}

TEST(DescriptorText, FindBytes) {
  const char* text = "a,b;;c";
  struct Case {
    int32_t from, to;
    const char* pattern;
    int32_t patternLength;
    int32_t result;
  } const cases[] = {
      {0, 6, ",", 1, 1},         {2, 6, ";;", 2, 3},   {4, 6, ";;", 2, kOamsNotFound},
      {0, 5, "c", 1, kOamsNotFound}, {0, 6, "c", 1, 5}, {6, 6, "c", 1, kOamsNotFound},
      {-1, 6, ",", 1, kOamsBadArgument}, {3, 2, ",", 1, kOamsBadArgument},
      {0, 6, ",", 0, kOamsBadArgument},
  };
  for (const Case& c : cases)
    EXPECT_EQ(OamsFindBytes(text, c.from, c.to, c.pattern, c.patternLength), c.result)
        << "from " << c.from << " to " << c.to << " pattern " << c.pattern;
  EXPECT_EQ(OamsFindBytes(nullptr, 0, 1, ",", 1), kOamsBadArgument);
  EXPECT_EQ(OamsFindBytes(text, 0, 1, nullptr, 1), kOamsBadArgument);
}

TEST(DescriptorText, TrimBlanks) {
  struct Case {
    const char* text;
    const char* trimmed;
  } const cases[] = {
      {" \t a b \t", "a b"}, {"x", "x"}, {"   ", ""}, {"", ""}, {"\ta\t", "a"},
  };
  for (const Case& c : cases) {
    int32_t length = -1;
    int32_t error = 99;
    const char* p = OamsTrimBlanks(c.text, static_cast<int32_t>(std::strlen(c.text)), &length, &error);
    ASSERT_NE(p, nullptr) << '"' << c.text << '"';
    EXPECT_EQ(std::string(p, length), c.trimmed) << '"' << c.text << '"';
    EXPECT_EQ(error, kOamsOk);
  }
  int32_t length = 0;
  int32_t error = 0;
  EXPECT_EQ(OamsTrimBlanks(nullptr, 1, &length, &error), nullptr);
  EXPECT_EQ(error, kOamsBadArgument);
  EXPECT_EQ(OamsTrimBlanks("a", -1, &length, &error), nullptr);
  EXPECT_EQ(OamsTrimBlanks("a", 1, nullptr, &error), nullptr);
}

TEST(DescriptorText, CsvFields) {
  EXPECT_EQ(OamsCsvCountFields("", 0), 1);
  EXPECT_EQ(OamsCsvCountFields("a,b,,c", 6), 4);
  EXPECT_EQ(OamsCsvCountFields(nullptr, 0), kOamsBadArgument);
  EXPECT_EQ(OamsCsvCountFields("a", -1), kOamsBadArgument);
  const char* text = "Game,  /icon.png \t, game.Main";
  const int32_t length = static_cast<int32_t>(std::strlen(text));
  struct Case {
    int32_t index;
    const char* field;  // null: not found
  } const cases[] = {{0, "Game"}, {1, "/icon.png"}, {2, "game.Main"}, {3, nullptr}, {9, nullptr}};
  for (const Case& c : cases) {
    int32_t fieldLength = -1;
    int32_t error = 99;
    const char* p = OamsCsvGetField(text, length, c.index, &fieldLength, &error);
    if (c.field == nullptr) {
      EXPECT_EQ(p, nullptr) << "index " << c.index;
      EXPECT_EQ(error, kOamsNotFound) << "index " << c.index;
    } else {
      ASSERT_NE(p, nullptr) << "index " << c.index;
      EXPECT_EQ(std::string(p, fieldLength), c.field) << "index " << c.index;
      EXPECT_EQ(error, kOamsOk);
    }
  }
  int32_t fieldLength = -1;
  int32_t error = 0;
  const char* empty = OamsCsvGetField("a,,b", 4, 1, &fieldLength, &error);
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(fieldLength, 0);
  EXPECT_NE(OamsCsvGetField("a,", 2, 1, &fieldLength, &error), nullptr) << "an empty last field";
  EXPECT_EQ(fieldLength, 0);
  EXPECT_EQ(OamsCsvGetField(text, length, -1, &fieldLength, &error), nullptr);
  EXPECT_EQ(error, kOamsBadArgument);
  EXPECT_EQ(OamsCsvGetField(text, length, 0, nullptr, &error), nullptr);
  EXPECT_EQ(error, kOamsBadArgument);
}

TEST(DescriptorText, SupportedValues) {
  int32_t length = 0;
  int32_t error = 99;
  EXPECT_STREQ(OamsGetSupportedValue(0, &length, &error), "CLDC-1.0");
  EXPECT_EQ(length, 8);
  EXPECT_EQ(error, kOamsOk);
  EXPECT_STREQ(OamsGetSupportedValue(1, &length, &error), "MIDP-2.0 MIDP-1.0");
  EXPECT_EQ(length, 17);
  EXPECT_EQ(OamsGetSupportedValue(2, &length, &error), nullptr);
  EXPECT_EQ(length, -1);
  EXPECT_EQ(error, kOamsOutOfRange);
  EXPECT_EQ(OamsGetSupportedValue(0, nullptr, &error), nullptr);
  EXPECT_EQ(error, kOamsBadArgument);
  EXPECT_STREQ(kVsMicroeditionConfiguration, "CLDC-1.1");
}

}  // namespace
