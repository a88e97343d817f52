// The native-binding pass on the system library and the loader's fixture
// classes, loaded by the core started without an image.
#include "tools/romizer/native_binding.h"

#include <gtest/gtest.h>

#include <cstdarg>
#include <cstdio>
#include <unistd.h>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/core/core_fixture.h"
#include "vm/core/interp/method_entries.h"
#include "vm/core/interp/native_bodies.h"
#include "vm/core/memory/object_size.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/method_access.h"
#include "vm/core/model/method_lookup.h"
#include "vm/core/model/model_flags.h"
#include "vm/core/natives/class_natives.h"
#include "vm/core/startup/vm_control.h"

namespace {

struct RomizerFailure : std::runtime_error {
  using std::runtime_error::runtime_error;
};

}  // namespace

void romizer_fail(const char* format, ...) {
  char message[1024];
  va_list args;
  va_start(args, format);
  std::vsnprintf(message, sizeof message, format, args);
  va_end(args);
  throw RomizerFailure(message);
}

namespace {

const char* const kLibrary[] = {"java/lang/Math",    "java/lang/Float", "java/lang/Double", "java/lang/Thread",
                                "java/lang/Runnable", "java/lang/System", "it/Square",        "nat/Natives",
                                "nat/Natives$Inner"};

VmWord functionWord(void (*f)()) { return vsWord_fromPointer(reinterpret_cast<const void*>(f)); }

class NativeBindingTest : public CoreTest {
 protected:
  void SetUp() override {
    CoreTest::SetUp();
    for (const char* name : kLibrary) loaded(name);
  }

  // Every class loaded so far, by id.
  static RomizerModel model() {
    RomizerModel m;
    for (uint32_t id = 0; id < 16384; ++id)
      if (const ClassRecord* cls = vsClass_byId(id)) m.classes.push_back(vsRef_of(cls));
    return m;
  }

  // A list file of this test's own: the tests run side by side.
  static std::string listFile(const std::string& name, const std::string& text) {
    const std::string path = listDir() + name;
    std::ofstream(path) << text;
    return path;
  }

  static std::string listDir() {
    return testing::TempDir() + testing::UnitTest::GetInstance()->current_test_info()->name() + "-" +
           std::to_string(getpid()) + "-";
  }

  // What the pass ends the romizer with, or "" when it returns.
  static std::string failureOf(const std::string& table, const std::string& unbound) {
    RomizerModel m = model();
    try {
      romizer_bindNatives(m, listFile("table.txt", table).c_str(), listFile("unbound.txt", unbound).c_str());
    } catch (const RomizerFailure& e) {
      return e.what();
    }
    return "";
  }

  static MethodRecord* methodOf(const char* cls, const char* name, const char* desc) {
    const VmRef m = vsClass_findMethodInClass(loaded(cls), symbol(name), descriptor(desc));
    EXPECT_NE(m, 0u) << cls << "." << name << desc;
    return vsRef_as<MethodRecord>(m);
  }

  static std::string symbolAt(const RomizerModel& m, const void* word) {
    const auto at = m.symbolWords.find(vsWord_fromPointer(word));
    return at != m.symbolWords.end() ? at->second : "(none)";
  }
};

TEST_F(NativeBindingTest, EveryMethodWithoutCodeIsNamedInItsForm) {
  RomizerModel m = model();
  romizer_bindNatives(m, VS_BINDING_TABLE, listFile("empty.txt", "# nothing yet\n").c_str());
  EXPECT_TRUE(m.unboundNatives.empty());

  // Bytecode form: [229, result type, 0, 0, function].
  const struct {
    const char* cls;
    const char* name;
    const char* desc;
    uint8_t resultType;
    const char* symbol;
  } bytecodeForm[] = {
      {"java/lang/Class", "runClinit", "()V", 14, "Java_java_lang_Class_runClinit"},
      {"java/lang/Class", "getSuperclass0", "()Ljava/lang/Class;", 12, "Java_java_lang_Class_getSuperclass0"},
      {"nat/Natives", "plain", "()V", 14, "Java_nat_Natives_plain"},
      {"nat/Natives", "twice", "(I)I", 10, "Java_nat_Natives_twice__I"},
      {"nat/Natives", "twice", "([Ljava/lang/String;J)I", 10, "Java_nat_Natives_twice___3Ljava_lang_String_2J"},
      {"nat/Natives", "under_score", "()V", 14, "Java_nat_Natives_under_1score"},
      {"nat/Natives", "caf\xc3\xa9", "()V", 14, "Java_nat_Natives_caf_000e9"},
      {"nat/Natives", "wide", "()J", 11, "Java_nat_Natives_wide"},
      {"nat/Natives$Inner", "run", "()Ljava/lang/Object;", 12, "Java_nat_Natives_00024Inner_run"},
      {"java/lang/Math", "sin", "(D)D", 7, "vsNative_intrinsicBody"},
      {"java/lang/Math", "cos", "(D)D", 7, "vsNative_intrinsicBody"},
      {"java/lang/Math", "tan", "(D)D", 7, "vsNative_intrinsicBody"},
      {"java/lang/Math", "sqrt", "(D)D", 7, "vsNative_intrinsicBody"},
      {"java/lang/Math", "ceil", "(D)D", 7, "vsNative_intrinsicBody"},
      {"java/lang/Math", "floor", "(D)D", 7, "vsNative_intrinsicBody"},
      {"java/lang/Float", "floatToIntBits", "(F)I", 10, "vsNative_intrinsicBody"},
      {"java/lang/Float", "intBitsToFloat", "(I)F", 6, "vsNative_intrinsicBody"},
      {"java/lang/Double", "doubleToLongBits", "(D)J", 11, "vsNative_intrinsicBody"},
      {"java/lang/Double", "longBitsToDouble", "(J)D", 7, "vsNative_intrinsicBody"},
      {"java/lang/String", "indexOf", "(II)I", 10, "vsNative_intrinsicBody"},
      // Abstract methods, and the loader's native copies of interface
      // methods in an abstract class.
      {"it/Shape", "area", "()I", 10, "vsNative_abstractBody"},
      {"it/Named", "name", "()Ljava/lang/String;", 12, "vsNative_abstractBody"},
      {"it/AbstractShape", "size", "()I", 10, "vsNative_abstractBody"},
      {"java/lang/Runnable", "run", "()V", 14, "vsNative_abstractBody"},
  };
  for (const auto& c : bytecodeForm) {
    SCOPED_TRACE(std::string(c.cls) + "." + c.name + c.desc);
    MethodRecord* method = methodOf(c.cls, c.name, c.desc);
    ASSERT_NE(method, nullptr);
    ASSERT_EQ(method->codeLength, 8u);
    EXPECT_EQ(method->code[0], 229);
    EXPECT_EQ(method->code[1], c.resultType);
    EXPECT_EQ(symbolAt(m, vsMethod_nativeAddressSlot(method)), c.symbol);
  }
  EXPECT_EQ(*vsMethod_nativeAddressSlot(methodOf("java/lang/Math", "sin", "(D)D")), functionWord(vsNative_intrinsicBody));

  // Direct form: code length 0 (the record gives back 8 bytes), the
  // function in item 8, and the native-direct entry of the result.
  const struct {
    const char* cls;
    const char* name;
    const char* desc;
    MethodEntryKind kind;
    const char* symbol;
  } directForm[] = {
      {"java/lang/Class", "isInterface", "()Z", kEntryNativeDirectWord, "Java_java_lang_Class_isInterface"},
      {"java/lang/Class", "removeClinit", "()V", kEntryNativeDirectVoid, "Java_java_lang_Class_removeClinit"},
      {"java/lang/Thread", "currentThread", "()Ljava/lang/Thread;", kEntryNativeDirectReference,
       "Java_java_lang_Thread_currentThread"},
  };
  for (const auto& c : directForm) {
    SCOPED_TRACE(std::string(c.cls) + "." + c.name + c.desc);
    MethodRecord* method = methodOf(c.cls, c.name, c.desc);
    ASSERT_NE(method, nullptr);
    EXPECT_TRUE(vsMethod_isNativeWithoutCode(method));
    EXPECT_EQ(vsJavaHeap_objectSize(vsRef_of(method)), kMethodCodeOffset);
    EXPECT_EQ(vsJavaHeap_objectSize(vsRef_of(method) + kMethodCodeOffset), 8u) << "the filler behind it";
    EXPECT_EQ(symbolAt(m, &method->maxStack), c.symbol);
    EXPECT_EQ(vsMethodEntry_kindOfWord(*method->entryWord.get()), c.kind);
  }
}

TEST_F(NativeBindingTest, ListedNativesGetTheUnboundBodyAndAreReported) {
  RomizerModel m = model();
  romizer_bindNatives(m, VS_BINDING_TABLE,
                      listFile("unbound.txt", "  nat/Natives$Inner.run()Ljava/lang/Object;\n\nnat/Natives.plain()V\n")
                          .c_str());
  // In class-id order, whatever the list's order.
  EXPECT_EQ(m.unboundNatives, (std::vector<std::string>{"nat/Natives.plain()V", "nat/Natives$Inner.run()Ljava/lang/Object;"}));
  for (MethodRecord* method : {methodOf("nat/Natives", "plain", "()V"), methodOf("nat/Natives$Inner", "run", "()Ljava/lang/Object;")}) {
    EXPECT_EQ(*vsMethod_nativeAddressSlot(method), functionWord(vsNative_unboundBody));
    EXPECT_EQ(symbolAt(m, vsMethod_nativeAddressSlot(method)), "vsNative_unboundBody");
  }
  EXPECT_EQ(symbolAt(m, vsMethod_nativeAddressSlot(methodOf("nat/Natives", "wide", "()J"))), "Java_nat_Natives_wide");
}

TEST_F(NativeBindingTest, FinalizerWordNamesTheFunctionOfTheNativeFinalizer) {
  // Only while the image is built does a native finalizer make its class
  // finalizable.
  vsVmState().buildingImage = 1;
  ClassRecord* finalized = loaded("fin/Finalized");
  vsVmState().buildingImage = 0;
  ASSERT_NE(finalized, nullptr);
  ASSERT_NE(finalized->classInfo->accessFlags & kClassFinalizable, 0u);
  EXPECT_EQ(failureOf("", "fin/Finalized.finalize()V"),
            listDir() + "unbound.txt:1: fin/Finalized.finalize()V is a finalizer, which must be bound to its function");
  RomizerModel m = model();
  romizer_bindNatives(m, VS_BINDING_TABLE, listFile("empty.txt", "").c_str());
  EXPECT_EQ(symbolAt(m, &finalized->finalizer), "Java_fin_Finalized_finalize");
}

TEST_F(NativeBindingTest, ListsThatDoNotFitTheInputEndTheRomizer) {
  const std::string dir = listDir();
  const struct {
    const char* table;
    const char* unbound;
    std::string expected;
  } cases[] = {
      {"", "# stale\nnat/Natives.gone()V\n", dir + "unbound.txt:2: nat/Natives.gone()V is not a native of the input"},
      {"java/lang/Object.<init>()V", "", dir + "table.txt:1: java/lang/Object.<init>()V is not a native of the input"},
      {"", "nat/Natives.plain()I", dir + "unbound.txt:1: nat/Natives.plain()I is not a native of the input"},
      {"", "java/lang/Math.sin(D)D", dir + "unbound.txt:1: java/lang/Math.sin(D)D is entered through its intrinsic entry"},
      {"java/lang/String.indexOf(II)I", "", dir + "table.txt:1: java/lang/String.indexOf(II)I is entered through its intrinsic entry"},
      {"nat/Natives.plain()V", "nat/Natives.plain()V", dir + "unbound.txt:1: nat/Natives.plain()V is also in the binding table"},
      {"", "nat/Natives.plain", dir + "unbound.txt:1: not of the form class.method(descriptor): nat/Natives.plain"},
      {"nat/Natives .plain()V", "", dir + "table.txt:1: not of the form class.method(descriptor): nat/Natives .plain()V"},
      {"", "nat/Natives.plain()V\n nat/Natives.plain()V", dir + "unbound.txt:2: nat/Natives.plain()V is listed twice"},
  };
  for (const auto& c : cases) EXPECT_EQ(failureOf(c.table, c.unbound), c.expected) << c.table << " | " << c.unbound;
  RomizerModel m = model();
  EXPECT_THROW(romizer_bindNatives(m, (dir + "no-such-list.txt").c_str(), VS_BINDING_TABLE), RomizerFailure);
}

TEST_F(NativeBindingTest, FloatLongAndDoubleResultsAreNotBoundDirectly) {
  EXPECT_EQ(failureOf("nat/Natives.wide()J", ""), "nat/Natives.wide()J: a float, long or double result cannot be bound directly");
}

TEST_F(NativeBindingTest, UnknownBodiesAndFinalizersWithoutNativeEndTheRomizer) {
  // A body whose function is none of the known ones would write a host
  // address into the image.
  MethodRecord* copy = methodOf("it/AbstractShape", "size", "()I");
  ASSERT_NE(copy, nullptr);
  const VmWord body = *vsMethod_nativeAddressSlot(copy);
  *vsMethod_nativeAddressSlot(copy) = functionWord(Java_java_lang_Class_isInterface);
  EXPECT_EQ(failureOf("", ""), "it/AbstractShape.size()I: its body calls no known function");
  *vsMethod_nativeAddressSlot(copy) = body;
  // A finalizable class whose finalize()V is no native.
  loaded("tc/A")->classInfo->accessFlags |= kClassFinalizable;
  EXPECT_EQ(failureOf("", ""), "tc/A: its finalizer is not a native");
}

}  // namespace
