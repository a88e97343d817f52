// The natives of java.lang.String, called as the call stub calls them:
// parameter words on a stack, parameter 0 (the receiver) at the parameter
// pointer, the result in the current thread record.
#include "vm/core/natives/string_natives.h"

#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <string>

#include "tests/core/core_fixture.h"
#include "vm/core/memory/heap_allocators.h"
#include "vm/core/memory/string_factory.h"
#include "vm/core/model/vm_globals.h"
#include "vm/core/natives/native_roots.h"
#include "vm/core/threads/thread_record.h"

namespace {

constexpr uint32_t kWords = 4;
// The Java stack of the calls and the strings' local frame: VM storage.
VS_VMBSS(VmWord[kWords]) gStack;
VS_VMBSS(NativeFrame) gFrame;
VS_VMBSS(VmRef[kWords]) gStrings;

class StringNativesTest : public CoreTest {
 protected:
  void SetUp() override {
    CoreTest::SetUp();
    vsVmGlobals.currentThread = vsJavaHeap_newThreadRecord();
    ASSERT_NE(vsVmGlobals.currentThread, 0u);
    vsNativeMethod_pushLocalFrame(kWords, &gFrame, gStrings);
  }
  void TearDown() override {
    vsNativeMethod_popLocalFrame(&gFrame);
    vsVmGlobals.currentThread = 0;
    vsVmGlobals.nativeParameterPointer = 0;
  }

  // Keeps a new String of the text in slot i and returns it.
  static VmRef keep(uint32_t i, const char* text) {
    gStrings[i] = vsJavaHeap_newStringFromUtf8(reinterpret_cast<const uint8_t*>(text),
                                               static_cast<int32_t>(std::strlen(text)));
    EXPECT_NE(gStrings[i], 0u) << text;
    return gStrings[i];
  }

  // Calls the native with parameters 0, 1, ... (parameter i at the
  // parameter pointer - 4i) and returns result word 19.
  static VmWord call(void (*native)(), std::initializer_list<VmWord> parameters) {
    uint32_t i = kWords - 1;
    for (VmWord p : parameters) gStack[i--] = p;
    vsVmGlobals.nativeParameterPointer = vsWord_fromPointer(&gStack[kWords - 1]);
    vsRef_as<ThreadRecord>(vsVmGlobals.currentThread)->resultLow = 0xDEAD;
    native();
    return vsRef_as<ThreadRecord>(vsVmGlobals.currentThread)->resultLow;
  }

  static std::string text(VmRef string) {
    const StringObject* s = vsRef_as<StringObject>(string);
    const uint16_t* units = vsRef_as<CharArray>(s->value)->elements + s->offset;
    return std::string(units, units + s->count);
  }
};

TEST_F(StringNativesTest, SubstringSearchGoesOnBehindAPartialMatch) {
  const VmRef s = keep(0, "abcab");
  const VmRef ab = keep(1, "ab");
  const VmRef ac = keep(2, "ac");
  const VmRef whole = keep(3, "abcabx");
  struct Case {
    VmRef str;
    int32_t from;
    int32_t result;
  };
  const Case kCases[] = {
      {ab, 1, 3},    // found behind the first
      {ab, 0, 0},    // at the start
      {ac, 0, -2},   // partial match at 0
      {ac, -2, -5},  // resumed at 1: partial match at 3
      {ac, -5, -1},  // resumed at 4: nothing left
      {ab, 4, -1},   // no room for the whole
      {ab, 9, -1},   // past the end
      {whole, 0, -1},
  };
  for (const Case& c : kCases)
    EXPECT_EQ(
        static_cast<int32_t>(call(Java_java_lang_String_indexOf0, {s, c.str, static_cast<VmWord>(c.from)})),
        c.result)
        << text(c.str) << " from " << c.from;
}

TEST_F(StringNativesTest, EqualsStartsWithAndHashCode) {
  const VmRef ab = keep(0, "ab");
  const VmRef ab2 = keep(1, "ab");
  const VmRef abc = keep(2, "abc");
  const VmRef empty = keep(3, "");
  const VmRef thread = vsVmGlobals.currentThread;  // not a String
  struct EqualsCase {
    VmRef self, other;
    VmWord result;
  };
  const EqualsCase kEquals[] = {{ab, ab, 1}, {ab, ab2, 1},    {ab, abc, 0},
                                {ab, 0, 0},  {ab, thread, 0}, {empty, empty, 1}};
  for (const EqualsCase& c : kEquals)
    EXPECT_EQ(call(Java_java_lang_String_equals, {c.self, c.other}), c.result)
        << text(c.self) << " equals "
        << (c.other == thread ? "a thread record"
            : c.other         ? text(c.other)
                              : "null");

  struct StartsCase {
    VmRef prefix;
    int32_t offset;
    VmWord result;
  };
  const StartsCase kStarts[] = {{ab, 0, 1},     {ab, 1, 0},  {empty, 3, 1}, {empty, 4, 0},
                                {empty, -1, 0}, {abc, 0, 1}, {abc, 1, 0},   {ab2, -1, 0}};
  for (const StartsCase& c : kStarts)
    EXPECT_EQ(call(Java_java_lang_String_startsWith, {abc, c.prefix, static_cast<VmWord>(c.offset)}),
              c.result)
        << "abc startsWith " << text(c.prefix) << " at " << c.offset;
  call(Java_java_lang_String_startsWith, {abc, 0, 0});
  EXPECT_EQ(takePending(), "java/lang/NullPointerException \"  0\"");

  EXPECT_EQ(call(Java_java_lang_String_hashCode, {ab}), 3105u);
  EXPECT_EQ(call(Java_java_lang_String_hashCode, {empty}), 0u);
}

TEST_F(StringNativesTest, ReplaceReturnsTheReceiverWhenNothingChanges) {
  const VmRef s = keep(0, "banana");
  EXPECT_EQ(call(Java_java_lang_String_replace, {s, 'a', 'a'}), s);
  EXPECT_EQ(call(Java_java_lang_String_replace, {s, 'z', 'y'}), s);
  EXPECT_EQ(call(Java_java_lang_String_replace, {s, 0x10061, 'a'}), s) << "a char is the low 16 bits";
  gStrings[1] = call(Java_java_lang_String_replace, {s, 'a', 'o'});
  ASSERT_NE(gStrings[1], s);
  EXPECT_EQ(text(gStrings[1]), "bonono");
  EXPECT_EQ(text(s), "banana");
  EXPECT_EQ(takePending(), "");
}

}  // namespace
