// The class, object, string and throw operations of the native-method
// interface over the core started with the system library.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tests/core/core_fixture.h"
#include "vm/core/interp/native_calls.h"
#include "vm/core/memory/heap_allocators.h"
#include "vm/core/memory/string_factory.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/handles.h"
#include "vm/core/model/roots.h"
#include "vm/core/model/vm_globals.h"
#include "vm/core/natives/native_arrays.h"
#include "vm/core/natives/native_method.h"
#include "vm/core/threads/thread_record.h"

namespace {

class NativeInterfaceTest : public CoreTest {
 protected:
  void SetUp() override {
    CoreTest::SetUp();
    vsVmGlobals.currentThread = vsJavaHeap_newThreadRecord();
    ASSERT_NE(vsVmGlobals.currentThread, 0u);
  }
  void TearDown() override { vsVmGlobals.currentThread = 0; }

  static VmRef mirror(const char* name) { return vsRef_of(vsClass_mirror(loaded(name))); }
  static VmRef string(const char* text) {
    return vsJavaHeap_newStringFromUtf8(reinterpret_cast<const uint8_t*>(text),
                                        static_cast<int32_t>(std::char_traits<char>::length(text)));
  }
};

TEST_F(NativeInterfaceTest, ThrowByNameMakesThePendingExceptionOrErrorNamingTheClass) {
  struct Case {
    const char* className;
    const char* message;
    int32_t result;
    const char* pending;
  };
  const Case kCases[] = {
      {"java/lang/IllegalArgumentException", nullptr, 0, "java/lang/IllegalArgumentException"},
      {"java/lang/IllegalArgumentException", "bad", 0, "java/lang/IllegalArgumentException \"bad\""},
      {"java/lang/NoSuchThrowable", nullptr, -1, "java/lang/Error \"java/lang/NoSuchThrowable\""},
      {"java/lang/NoSuchThrowable", "lost", -1, "java/lang/Error \"java/lang/NoSuchThrowable\""},
  };
  for (const Case& c : kCases) {
    const int32_t result = c.message == nullptr ? vsNativeMethod_throwException(c.className)
                                                : vsNativeMethod_throwExceptionWithMessage(c.className, c.message);
    EXPECT_EQ(result, c.result) << c.className;
    EXPECT_EQ(takePending(), c.pending) << c.className;
  }
}

TEST_F(NativeInterfaceTest, ClassLookupsFindOnlyWhatTheyMay) {
  VmHandle out;
  vsHandle_pushEmpty(&out);
  // No Java code ran: a loaded class is not initialised yet.
  vsNativeMethod_findClassInto("java/lang/String", &out.object);
  EXPECT_EQ(out.object, 0u) << "not initialised";
  vsNativeMethod_findClassInto("[[Ljava/lang/String;", &out.object);
  EXPECT_EQ(out.object, 0u) << "element not initialised";
  vsClass_setInitialized(loaded("java/lang/String"));
  vsNativeMethod_findClassInto("java/lang/String", &out.object);
  EXPECT_EQ(out.object, mirror("java/lang/String"));
  vsNativeMethod_findClassInto("java/lang/NoSuchClass", &out.object);
  EXPECT_EQ(out.object, 0u);
  vsNativeMethod_findClassInto("[I", &out.object);
  EXPECT_EQ(out.object, vsRef_of(vsClass_mirror(vsRef_as<ClassRecord>(vsRoot(kRootIntArray)))));
  vsNativeMethod_findClassInto("[[Ljava/lang/String;", &out.object);
  ASSERT_NE(out.object, 0u);
  const ClassRecord* outer = vsRef_as<ClassMirror>(out.object)->classRecord.get();
  EXPECT_EQ(vsRef_as<ClassRecord>(vsRef_as<ClassRecord>(outer->elementOrLink)->elementOrLink), loaded("java/lang/String"));
  vsNativeMethod_findClassInto("[", &out.object);
  EXPECT_EQ(out.object, 0u);
  vsNativeMethod_loadClassInto("[I", &out.object);
  EXPECT_EQ(out.object, 0u) << "no arrays by loading";
  vsNativeMethod_loadClassInto("java/lang/Object", &out.object);
  EXPECT_EQ(out.object, mirror("java/lang/Object"));
  EXPECT_EQ(vsNativeMethod_lookupClass("java/lang/Missing"), 0u);
  EXPECT_EQ(takePending(), "") << "lookups clear what they raised";
  vsHandle_close(&out);
}

TEST_F(NativeInterfaceTest, InstanceAndAssignabilityTests) {
  VmHandle object, objectClass, stringClass;
  vsHandle_pushEmpty(&object);
  vsHandle_push(&objectClass, mirror("java/lang/Object"));
  vsHandle_push(&stringClass, mirror("java/lang/String"));
  EXPECT_EQ(vsNativeMethod_isInstanceOf(&object.object, &stringClass.object), 1) << "null is an instance";
  object.object = string("s");
  EXPECT_EQ(vsNativeMethod_isInstanceOf(&object.object, &stringClass.object), 1);
  EXPECT_EQ(vsNativeMethod_isInstanceOf(&object.object, &objectClass.object), 1);
  EXPECT_EQ(vsNativeMethod_isAssignableFrom(&stringClass.object, &objectClass.object), 1);
  EXPECT_EQ(vsNativeMethod_isAssignableFrom(&objectClass.object, &stringClass.object), 0);
  vsClass_setInitialized(loaded("java/lang/String"));
  const char* const kStrings[] = {"java/lang/Thread", "java/lang/String", nullptr};
  const char* const kThreads[] = {"java/lang/Thread", "java/lang/NoSuchClass", nullptr};
  EXPECT_EQ(vsNative_isInstanceOfAny(&object.object, kStrings), 1);
  EXPECT_EQ(vsNative_isInstanceOfAny(&object.object, kThreads), 0);
  vsHandle_close(&object);
}

TEST_F(NativeInterfaceTest, StringHelpers) {
  VmHandle s;
  vsHandle_pushEmpty(&s);
  EXPECT_EQ(vsNativeMethod_getStringLength(&s.object), -1);
  vsNativeMethod_newStringUtf8Into("h\xC3\xA9llo", &s.object);
  ASSERT_EQ(vsNativeMethod_getStringLength(&s.object), 5);
  uint16_t units[3] = {};
  vsNativeMethod_getStringRegion(&s.object, 1, 3, units);
  EXPECT_EQ(units[0], 0xE9);
  EXPECT_EQ(units[2], 'l');
  const uint16_t kUnits[] = {'a', 0x3042};
  vsNativeMethod_newStringInHandle(kUnits, 2, &s.object);
  ASSERT_EQ(vsNativeMethod_getStringLength(&s.object), 2);
  vsNativeMethod_getStringRegion(&s.object, 0, 2, units);
  EXPECT_EQ(units[1], 0x3042);
  vsHandle_close(&s);
}

// The units of a String, as a u16string.
std::u16string unitsOf(VmRef string) {
  const StringObject* s = vsRef_as<StringObject>(string);
  const uint16_t* chars = vsRef_as<CharArray>(s->value)->elements + s->offset;
  return std::u16string(chars, chars + s->count);
}

TEST_F(NativeInterfaceTest, CreateStringUtf8ReplacesBadSequencesAndDropsCutOnes) {
  struct Case {
    const char* name;
    std::string bytes;
    std::u16string units;
  };
  const Case kCases[] = {
      {"41 FF: a byte of lead length 0 is skipped", "\x41\xFF", u"A"},
      {"41 C3 41: a bad second byte", "\x41\xC3\x41", u"A\uFFFD"},
      {"41 E3 81: a sequence cut off by the end", "\x41\xE3\x81", u"A"},
      {"41 C3: a lead cut off by the end", "\x41\xC3", u"A"},
      {"C3 A9 E3 81 82", "\xC3\xA9\xE3\x81\x82", u"\u00E9\u3042"},
      {"empty", "", u""},
  };
  for (const Case& c : kCases) {
    const VmRef s = vsNativeMethod_createStringUtf8(reinterpret_cast<const uint8_t*>(c.bytes.data()),
                                                    static_cast<int32_t>(c.bytes.size()));
    ASSERT_NE(s, 0u) << c.name;
    EXPECT_TRUE(unitsOf(s) == c.units) << c.name;
  }
}

TEST_F(NativeInterfaceTest, GetStringUtf8IsAlwaysTerminatedAndEmptyWhenItDoesNotFit) {
  VmHandle s;
  vsHandle_push(&s, string("h\xC3\xA9llo"));
  struct Case {
    int32_t size;
    const char* text;
  };
  const Case kCases[] = {{1, ""}, {6, ""}, {7, "h\xC3\xA9llo"}, {32, "h\xC3\xA9llo"}};
  for (const Case& c : kCases) {
    char buffer[32];
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_STREQ(vsNativeMethod_getStringUtf8(s.object, buffer, c.size), c.text) << "size " << c.size;
  }
  vsHandle_close(&s);
}

TEST_F(NativeInterfaceTest, ArrayCreation) {
  const int32_t kInts[] = {7, -1, 0x12345678};
  VmHandle a;
  vsHandle_push(&a, vsNativeMethod_newIntArray(kInts, 3));
  ASSERT_EQ(vsNativeMethod_getArrayLength(&a.object), 3);
  EXPECT_EQ(vsRef_as<IntArray>(a.object)->elements[2], 0x12345678);
  EXPECT_EQ(vsNativeMethod_newIntArray(nullptr, -1), 0u);
  EXPECT_EQ(takePending(), "java/lang/NegativeArraySizeException");
  a.object = vsNativeMethod_newByteArray(nullptr, 0);
  EXPECT_EQ(vsNativeMethod_getArrayLength(&a.object), 0);
  const uint8_t kBooleans[] = {1, 0, 1};
  a.object = vsNativeMethod_newBooleanArray(kBooleans, 3);
  ASSERT_EQ(vsNativeMethod_getArrayLength(&a.object), 3);
  EXPECT_EQ(vsRef_as<ByteArray>(a.object)->elements[2], 1);
  a.object = vsNativeMethod_newStringArray(2);
  ASSERT_EQ(vsNativeMethod_getArrayLength(&a.object), 2);
  EXPECT_EQ(vsRef_as<ClassRecord>(vsObject_class(a.object)->elementOrLink), loaded("java/lang/String"));
  a.object = 0;
  EXPECT_EQ(vsNativeMethod_getArrayLength(&a.object), -1);
  vsHandle_close(&a);
}

// A native that throws and then sets a reference result.
void throwingNative() {
  vsNativeMethod_throwException("java/lang/IllegalMonitorStateException");
  vsNativeMethod_setReturnInt(static_cast<int32_t>(vsRoot(kRootObject)));
}

TEST_F(NativeInterfaceTest, AReferenceResultOfANativeThatThrewIsNull) {
  EXPECT_EQ(vsNativeCall_object(&vsVmGlobals, &throwingNative), 0u);
  EXPECT_EQ(takePending(), "java/lang/IllegalMonitorStateException");
}

}  // namespace
