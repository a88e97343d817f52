// The names of native functions: the Java Native Interface mangling.
#include "tools/romizer/jni_names.h"

#include <gtest/gtest.h>

namespace {

TEST(JniNames, ShortAndLongNamesMangleEveryUnit) {
  const struct {
    const char* cls;
    const char* method;
    const char* arguments;  // nullptr: the short name
    const char* expected;
  } cases[] = {
      {"java/lang/Class", "isInterface", nullptr, "Java_java_lang_Class_isInterface"},
      {"java/util/Timer", "waitResume", nullptr, "Java_java_util_Timer_waitResume"},
      {"a/b_c/D", "m_x", nullptr, "Java_a_b_1c_D_m_1x"},
      {"nat/Natives$Inner", "run", nullptr, "Java_nat_Natives_00024Inner_run"},
      {"p/C", "caf\xc3\xa9", nullptr, "Java_p_C_caf_000e9"},                     // two-byte form
      {"p/C", "\xe2\x82\xac", nullptr, "Java_p_C__020ac"},                        // three-byte form
      {"p/C", "a\xc0\x80", nullptr, "Java_p_C_a_00000"},                          // the encoded NUL
      {"p/C", "\xed\xa0\xbd\xed\xb8\x80", nullptr, "Java_p_C__0d83d_0de00"},       // a surrogate pair
      {"p/C", "twice", "I", "Java_p_C_twice__I"},
      {"p/C", "twice", "[Ljava/lang/String;J", "Java_p_C_twice___3Ljava_lang_String_2J"},
      {"p/C", "twice", "[[I", "Java_p_C_twice___3_3I"},
      {"p/C", "none", "", "Java_p_C_none__"},
  };
  for (const auto& c : cases) {
    const std::string arguments = c.arguments != nullptr ? c.arguments : "";
    EXPECT_EQ(romizer_jniName(c.cls, c.method, c.arguments != nullptr ? &arguments : nullptr), c.expected)
        << c.cls << " " << c.method;
  }
}

TEST(JniNames, TextThatIsNotModifiedUtf8GivesNoName) {
  const char* const bad[] = {
      "\xff",          // no lead byte
      "\x80",          // a continuation byte alone
      "a\xc3",         // cut off after a two-byte lead
      "\xe2\x82",      // cut off inside a three-byte form
      "\xe2\x28\xac",  // a second byte that does not continue
      "\xf0\x9f\x98\x80",  // four-byte form (not modified UTF-8)
  };
  for (const char* text : bad) {
    EXPECT_EQ(romizer_jniMangle(text), "") << text;
    EXPECT_EQ(romizer_jniName("p/C", text, nullptr), "") << text;
    EXPECT_EQ(romizer_jniName(text, "m", nullptr), "") << text;
    const std::string arguments = text;
    EXPECT_EQ(romizer_jniName("p/C", "m", &arguments), "") << text;
  }
  // The NUL byte itself is not modified UTF-8 either.
  EXPECT_EQ(romizer_jniMangle(std::string("a\0b", 3)), "");
}

}  // namespace
