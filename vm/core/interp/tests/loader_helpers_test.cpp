// Raising exceptions by class name, the bodies of methods without code, the
// method entry kinds and the load-time preparation of bytecode, over a core
// started without a class image.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/core/core_fixture.h"
#include "vm/core/interp/bytecode_preparation.h"
#include "vm/core/interp/exceptions.h"
#include "vm/core/interp/method_entries.h"
#include "vm/core/interp/method_helpers.h"
#include "vm/core/interp/native_bodies.h"
#include "vm/core/memory/heap_allocators.h"
#include "vm/core/model/basic_types.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/handles.h"
#include "vm/core/model/method_lookup.h"
#include "vm/core/model/model_flags.h"
#include "vm/core/model/vm_globals.h"
#include "vm/core/model/well_known_symbols.h"

namespace {

using LoaderHelpersTest = CoreTest;

TEST_F(LoaderHelpersTest, ExceptionsCarryTheirMessageInTheFirstField) {
  vsException_raise(kNoClassDefFoundClass, "some/Name");
  EXPECT_EQ(takePending(), "java/lang/NoClassDefFoundError \"some/Name\"");
  vsException_raise(kVmErrorClass, nullptr);
  EXPECT_EQ(takePending(), "java/lang/Error");
  // A class that cannot be found gives way to an Error naming it.
  vsException_raise("no/Such/Exception", "lost");
  EXPECT_EQ(takePending(), "java/lang/Error \"no/Such/Exception\"");
}

TEST_F(LoaderHelpersTest, CodesAreThreeCharactersWide) {
  const std::pair<int32_t, const char*> cases[] = {{0, "  0"}, {7, "  7"}, {56, " 56"}, {104, "104"}, {1234, "1234"}};
  for (const auto& [code, text] : cases) {
    vsException_raiseWithCode(kVmErrorClass, code);
    EXPECT_EQ(takePending(), std::string("java/lang/Error \"") + text + "\"");
  }
}

TEST_F(LoaderHelpersTest, ClassNotFoundFollowsTheKind) {
  VmHandle name;
  vsHandle_push(&name, symbol("a/B"));
  vsException_raiseClassNotFound(&name.object, 1);
  EXPECT_EQ(takePending(), "java/lang/NoClassDefFoundError \"a/B\"");
  vsException_raiseClassNotFound(&name.object, 0);
  EXPECT_EQ(takePending(), "java/lang/ClassNotFoundException \"a/B\"");
  vsHandle_close(&name);
  vsException_throwIllegalAccess(1);
  EXPECT_EQ(takePending(), "java/lang/Error \" 94\"");
}

TEST_F(LoaderHelpersTest, BodiesWithoutCodeRaise) {
  vsNative_abstractBody();
  EXPECT_EQ(takePending(), "java/lang/Error \"106\"");
  vsNative_interfaceMethodMissingBody();
  EXPECT_EQ(takePending(), "java/lang/Error \" 99\"");
  vsNative_interfaceMethodNotPublicBody();
  EXPECT_EQ(takePending(), "java/lang/Error \" 94\"");
  // An unbound native and a method entered through an intrinsic entry name
  // themselves, read from their interpreter frame: the method lies one word
  // below the frame pointer, the pop pointer 8 above.
  const struct {
    const char* cls;
    const char* name;
    const char* descriptor;
    void (*body)();
    const char* expected;
  } natives[] = {{"fin/Finalized", "finalize", "()V", vsNative_unboundBody, "java/lang/Error \"finalize\""},
                 {"java/lang/Math", "sqrt", "(D)D", vsNative_intrinsicBody, "java/lang/Error \"sqrt\""},
                 {"java/lang/String", "indexOf", "(II)I", vsNative_intrinsicBody, "java/lang/Error \"indexOf\""}};
  for (const auto& n : natives) {
    const ClassRecord* holder = loaded(n.cls);
    ASSERT_NE(holder, nullptr);
    const VmRef method = vsClass_findMethodInClass(holder, symbol(n.name), descriptor(n.descriptor));
    ASSERT_NE(method, 0u) << n.name;
    VmWord frame[7] = {};
    frame[4] = method;
    vsNative_popPointer = vsWord_fromPointer(&frame[5]) + 8;
    n.body();
    EXPECT_EQ(takePending(), n.expected);
  }
}

TEST_F(LoaderHelpersTest, FastAccessorsAreTheFiveAccessorEntries) {
  const struct {
    MethodEntryKind kind;
    bool expected;
  } cases[] = {{kEntryAccessorByte, true},  {kEntryAccessorShort, true}, {kEntryAccessorChar, true},
               {kEntryAccessorWord, true},  {kEntryAccessorLong, true},  {kEntryGeneral, false},
               {kEntryNoExtraLocals, false}, {kEntryExtraLocals4, false}};
  for (const auto& c : cases) {
    VmHandle m;
    vsHandle_push(&m, vsJavaHeap_newMethod(5));
    MethodRecord* method = vsRef_as<MethodRecord>(m.object);
    method->maxStack = kTypeLong;
    method->maxLocals = 12;
    vsMethod_setEntryAddress(method, vsMethodEntry_address(c.kind));
    int32_t type = 0;
    uint32_t offset = 0;
    EXPECT_EQ(vsMethod_isFastAccessor(method, &type, &offset), c.expected) << vsMethodEntry_name(c.kind);
    EXPECT_EQ(type, c.expected ? kTypeLong : 0) << vsMethodEntry_name(c.kind);
    EXPECT_EQ(offset, c.expected ? 12u : 0u) << vsMethodEntry_name(c.kind);
    vsHandle_close(&m);
  }
}

TEST_F(LoaderHelpersTest, TheEntryKindFollowsTheExtraLocals) {
  struct Case {
    uint16_t flags;
    uint16_t maxLocals;
    uint16_t parameterWords;
    MethodEntryKind kind;
  };
  const Case cases[] = {
      {0, 1, 1, kEntryNoExtraLocals},     {0, 2, 1, kEntryExtraLocals1}, {0, 4, 1, kEntryExtraLocals3},
      {0, 5, 1, kEntryExtraLocals4},      {0, 6, 1, kEntryGeneral},      {kMethodSynchronized, 1, 1, kEntryGeneral},
      {kMethodStatic, 0, 0, kEntryNoExtraLocals},
  };
  for (const Case& c : cases) {
    VmHandle m;
    vsHandle_push(&m, vsJavaHeap_newMethod(1));
    MethodRecord* method = vsRef_as<MethodRecord>(m.object);
    method->accessFlags = c.flags;
    method->maxLocals = c.maxLocals;
    method->parameterWords = c.parameterWords;
    jitEntry_setDefault(method, 0);
    EXPECT_EQ(vsMethodEntry_kindOfWord(*method->entryWord.get()), c.kind) << c.maxLocals;
    EXPECT_EQ(*method->entryWord.get() + kMethodEntryTrapBytes, vsMethodEntry_address(c.kind));
    EXPECT_EQ(method->entryWord.get(), &method->ownEntry) << "a loaded method's entry word is its own";
    vsHandle_close(&m);
  }
  EXPECT_STREQ(vsMethodEntry_name(kEntryGeneral), "vsInterpreter_entryGeneral");
  EXPECT_STREQ(vsMethodEntry_name(kEntryNativeDirectReference), "vsInterpreter_entryNativeDirectReference");
  EXPECT_EQ(vsMethodEntry_kindOfWord(vsMethodEntry_address(kEntryGeneral)), -1) << "the entry point is not a record";
}

struct Prepared {
  int32_t result;
  std::string error;
  std::vector<uint8_t> code;
  uint16_t flags;
  uint16_t maxStack;
};

Prepared prepare(const std::vector<uint8_t>& code, uint16_t maxStack = 2) {
  VmHandle m;
  vsHandle_push(&m, vsJavaHeap_newMethod(static_cast<uint16_t>(code.size())));
  MethodRecord* method = vsRef_as<MethodRecord>(m.object);
  method->maxStack = maxStack;
  if (!code.empty()) std::memcpy(method->code, code.data(), code.size());
  Prepared p;
  p.result = vsMethod_prepareBytecode(&m.object);
  p.error = CoreTest::takePending();
  method = vsRef_as<MethodRecord>(m.object);
  p.code.assign(method->code, method->code + method->codeLength);
  p.flags = method->accessFlags;
  p.maxStack = method->maxStack;
  vsHandle_close(&m);
  return p;
}

}  // namespace

namespace {

TEST_F(LoaderHelpersTest, PreparationRefusesBrokenCode) {
  struct Case {
    std::vector<uint8_t> code;
    const char* error;
  };
  const Case cases[] = {
      {{}, "java/lang/Error \"104\""},                          // no code at all
      {{0xca, 0xb1}, "java/lang/Error \"104\""},                // breakpoint
      {{0xf1, 0xb1}, "java/lang/Error \"104\""},                // a VM opcode of no length
      {{0xa8, 0x00, 0x03, 0xb1}, "java/lang/Error \"104\""},    // jsr
      {{0xc4, 0xa9, 0x00, 0x01, 0xb1}, "java/lang/Error \"104\""},  // wide ret
      {{0xc4, 0x00, 0xb1}, "java/lang/Error \"105\""},          // wide nop
      {{0xc4, 0xc4, 0x15, 0x00}, "java/lang/Error \"105\""},    // wide wide
      {{0xc4, 0xf4, 0x00, 0x00}, "java/lang/Error \"105\""},    // wide before a VM opcode
      {{0xc4}, "java/lang/Error \"104\""},                      // wide at the end
      {{0x11, 0x00}, "java/lang/Error \"104\""},                // sipush cut off
      {{0xaa, 0x00, 0x00, 0x00}, "java/lang/Error \"104\""},    // switch head cut off
      {{0xc4, 0x15, 0x01, 0x00, 0xac}, ""},                       // wide iload
      {{0x00, 0xb1}, ""},
  };
  for (const Case& c : cases) {
    const Prepared p = prepare(c.code);
    EXPECT_EQ(p.error, c.error) << c.code.size();
    EXPECT_EQ(p.result, c.error[0] == '\0' ? 1 : 0) << c.code.size();
  }
}

TEST_F(LoaderHelpersTest, SwitchTablesTurnToMachineOrderAtEveryAlignment) {
  for (uint32_t at = 0; at < 4; ++at) {
    std::vector<uint8_t> code(at, 0x00);  // nops in front
    code.push_back(0xaa);                 // tableswitch
    while (code.size() % 4 != 0) code.push_back(0);
    for (uint32_t word : {0x00000010u, 0xfffffffeu, 0x00000001u, 0x01020304u, 0x05060708u, 0x090a0b0cu, 0x0d0e0f10u})
      for (int shift = 24; shift >= 0; shift -= 8) code.push_back(static_cast<uint8_t>(word >> shift));
    code.push_back(0xb1);
    const Prepared p = prepare(code);
    ASSERT_EQ(p.result, 1) << at << p.error;
    const size_t table = (at + 4) & ~size_t{3};
    int32_t words[7];
    std::memcpy(words, p.code.data() + table, sizeof words);
    EXPECT_EQ(words[0], 0x10) << at;
    EXPECT_EQ(words[1], -2) << at;
    EXPECT_EQ(words[2], 1) << at;
    EXPECT_EQ(words[3], 0x01020304) << at;
    EXPECT_EQ(words[6], 0x0d0e0f10) << at;
    EXPECT_EQ(p.flags & kMethodSyntheticOrSwitch, kMethodSyntheticOrSwitch);
  }
  // A negative lookupswitch count, and a table that runs past the code.
  const std::vector<uint8_t> negative = {0xab, 0, 0, 0, 0, 0, 0, 0, 0xff, 0xff, 0xff, 0xff, 0xb1};
  EXPECT_EQ(prepare(negative).error, "java/lang/Error \"104\"");
  const std::vector<uint8_t> past = {0xab, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0xb1};
  EXPECT_EQ(prepare(past).error, "java/lang/Error \"104\"");
}

TEST_F(LoaderHelpersTest, MonitorsAndInvokesAreFlagged) {
  const std::vector<uint8_t> code = {0x2a, 0xc2, 0x2a, 0xc2, 0x2a, 0xc3, 0x2a, 0xc3, 0xb8, 0x00, 0x01, 0xb1};
  const Prepared p = prepare(code, 3);
  ASSERT_EQ(p.result, 1) << p.error;
  EXPECT_EQ(p.flags, kMethodHasMonitors | kMethodHasInvokes);
  EXPECT_EQ(p.maxStack, 3 + 14);
  EXPECT_EQ(prepare({0x2a, 0xc2, 0xb1}, 65528).error, "java/lang/OutOfMemoryError");
}

}  // namespace
