// The tag-stack simulator: every stack operation, the start from a map
// entry or from the signature, and the tags a store leaves behind.
#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <string>

#include "tests/core/heap_fixture.h"
#include "vm/core/bytecode/stack_maps.h"
#include "vm/core/bytecode/tag_stack.h"
#include "vm/core/memory/heap_allocators.h"
#include "vm/core/memory/object_size.h"
#include "vm/core/model/basic_types.h"
#include "vm/core/model/bytecodes.h"
#include "vm/core/model/constant_pool.h"
#include "vm/core/model/handles.h"
#include "vm/core/model/model_flags.h"
#include "vm/core/model/vm_globals.h"

namespace {

// Pool entries of the test methods.
enum : uint8_t {
  kSignature = 1,       // "(IJ)V": with the receiver, locals 0 to 3 are ref, int, long
  kLongType = 2,        // "J"
  kLongFieldNat = 3,
  kLongField = 4,       // unresolved field reference of type long
  kObjectField = 5,     // resolved object field
  kCallSignature = 6,   // "(Ljava/lang/Object;D)[I"
  kCallNat = 7,
  kCall = 8,            // unresolved method reference
  kString = 9,          // resolved string
  kPoolCount = 12,
};

void setText(ConstantPool* pool, uint32_t index, const char* text) {
  const VmRef bytes = vsJavaHeap_newByteArray(static_cast<int32_t>(std::strlen(text)));
  std::memcpy(vsRef_as<ByteArray>(bytes)->elements, text, std::strlen(text));
  vsConstantPool_setEntry(pool, index, kTagUtf8, bytes);
}

// An instance method (IJ)V of 6 locals and 8 stack slots.
VmRef methodWithCode(std::initializer_list<uint8_t> code) {
  VmHandle pool;
  vsHandle_push(&pool, vsJavaHeap_newConstantPool(kPoolCount));
  setText(vsRef_as<ConstantPool>(pool.object), kSignature, "(IJ)V");
  setText(vsRef_as<ConstantPool>(pool.object), kLongType, "J");
  setText(vsRef_as<ConstantPool>(pool.object), kCallSignature, "(Ljava/lang/Object;D)[I");
  ConstantPool* p = vsRef_as<ConstantPool>(pool.object);
  vsConstantPool_setEntry(p, kLongFieldNat, kTagNameAndType, uint32_t{kLongType} << 16);
  vsConstantPool_setEntry(p, kLongField, kTagFieldRef, uint32_t{kLongFieldNat} << 16);
  vsConstantPool_setEntry(p, kObjectField, static_cast<uint8_t>(int{kTagResolvedFieldBase} + int{kTypeObject}), 8u << 16);
  vsConstantPool_setEntry(p, kCallNat, kTagNameAndType, uint32_t{kCallSignature} << 16);
  vsConstantPool_setEntry(p, kCall, kTagMethodRef, uint32_t{kCallNat} << 16);
  vsConstantPool_setEntry(p, kString, kTagResolvedString, pool.object);
  const VmRef method = vsJavaHeap_newMethod(static_cast<uint16_t>(code.size()));
  MethodRecord* m = vsRef_as<MethodRecord>(method);
  std::copy(code.begin(), code.end(), m->code);
  m->constantPool = vsRef_as<ConstantPool>(pool.object);
  m->signatureIndex = kSignature;
  m->maxLocals = 6;
  m->maxStack = 8;
  m->parameterWords = 4;
  vsHandle_close(&pool);
  return method;
}

// Keeps the raw tags after every instruction.
class Spy : public vsTagStackClosure {
 public:
  using vsTagStackClosure::vsTagStackClosure;
  std::string raw;
  int instructions = 0;
  int32_t prolog() override { return ++instructions, 0; }
  int32_t epilog() override {
    raw.clear();
    for (uint32_t k = 0; k < top; ++k) raw += std::to_string(vsRef_as<ByteArray>(tags.object)->elements[k]) + " ";
    return 0;
  }
};

struct Seen {
  std::string raw;
  int instructions = 0;
  bool exact = true;
};

std::string tagsAt(VmRef methodRef, VmRef mapRef, uint32_t bci, Seen* spyOut = nullptr) {
  VmHandle method;
  VmHandle map;
  vsHandle_push(&method, methodRef);
  vsHandle_push(&map, mapRef);
  std::string out;
  {
    Spy spy(&method.object);
    const VmRef tags = vsTagStackClosure_computeTagsAt(&spy, &map.object, bci);
    if (tags == 0) return "no tag array";
    for (uint32_t k = 0; k < spy.top; ++k) out += static_cast<char>('0' + vsRef_as<ByteArray>(tags)->elements[k]);
    if (spyOut != nullptr) {
      spyOut->raw = spy.raw;
      spyOut->instructions = spy.instructions;
      spyOut->exact = spy.exact;
    }
  }
  vsHandle_close(&method);
  return out;
}

class TagStackTest : public HeapTest {
 protected:
  void SetUp() override {
    HeapTest::SetUp();
    ASSERT_TRUE(vsStackMap_ensureTagArray(14));
  }
};

TEST_F(TagStackTest, EveryStackOperation) {
  const struct {
    const char* what;
    std::initializer_list<uint8_t> code;
    const char* tags;  // at the end of the code; the locals start as 1 2 2 2 2 2
  } cases[] = {
      {"nothing", {}, "122222"},
      {"aconst_null", {kOpAconstNull}, "1222221"},
      {"iconst", {kOpIconst1}, "1222222"},
      {"lconst", {kOpLconst0}, "12222222"},
      {"fconst dconst", {kOpFconst0, kOpDconst0}, "122222222"},
      {"ldc string", {kOpLdc, kString}, "1222221"},
      {"aload", {kOpAload0}, "1222221"},
      {"lload", {kOpLload2}, "12222222"},
      {"astore over an int", {kOpAload0, kOpAstore1}, "112222"},
      {"astore into a dead local", {kOpAload0, kOpAstore, 5}, "122221"},
      {"astore over a long's second slot", {kOpAconstNull, kOpAstore3}, "122122"},
      {"lstore", {kOpLconst0, kOpLstore, 4}, "122222"},
      {"arraylength", {kOpAconstNull, kOpArraylength}, "1222222"},
      {"aaload", {kOpAconstNull, kOpIconst0, kOpAaload}, "1222221"},
      {"iaload", {kOpAconstNull, kOpIconst0, kOpIaload}, "1222222"},
      {"aastore", {kOpAconstNull, kOpIconst0, kOpAconstNull, kOpAastore}, "122222"},
      {"lastore", {kOpAconstNull, kOpIconst0, kOpLconst0, kOpLastore}, "122222"},
      {"pop", {kOpAconstNull, kOpPop}, "122222"},
      {"pop2", {kOpLconst0, kOpPop2}, "122222"},
      {"dup", {kOpAconstNull, kOpDup}, "12222211"},
      {"dup2", {kOpAconstNull, kOpIconst0, kOpDup2}, "1222221212"},
      {"dup_x1", {kOpIconst0, kOpAconstNull, kOpDupX1}, "122222121"},
      {"dup2_x1", {kOpIconst0, kOpAconstNull, kOpIconst1, kOpDup2X1}, "12222212212"},
      {"dup_x2", {kOpLconst0, kOpAconstNull, kOpDupX2}, "1222221221"},
      {"dup2_x2", {kOpAconstNull, kOpIconst0, kOpLconst0, kOpDup2X2}, "122222221222"},
      {"swap", {kOpAconstNull, kOpIconst0, kOpSwap}, "12222221"},
      {"iadd", {kOpIconst0, kOpIconst1, kOpIadd}, "1222222"},
      {"lshl", {kOpLconst0, kOpIconst1, kOpLshl}, "12222222"},
      {"ladd", {kOpLconst0, kOpLconst0, kOpLadd}, "12222222"},
      {"i2l", {kOpIconst0, kOpI2l}, "12222222"},
      {"l2i", {kOpLconst0, kOpL2i}, "1222222"},
      {"lcmp", {kOpLconst0, kOpLconst0, kOpLcmp}, "1222222"},
      {"ifeq", {kOpIconst0, kOpIfeq, 0, 3, kOpNop}, "122222"},
      {"if_icmpeq", {kOpIconst0, kOpIconst0, kOpIfIcmpeq, 0, 3, kOpNop}, "122222"},
      {"if_acmpeq", {kOpAconstNull, kOpAconstNull, kOpIfAcmpeq, 0, 3, kOpNop}, "122222"},
      {"getfield long", {kOpAload0, kOpGetfield, 0, kLongField}, "12222222"},
      {"getfield resolved object", {kOpAload0, kOpGetfield, 0, kObjectField}, "1222221"},
      {"getstatic", {kOpGetstatic, 0, kLongField}, "12222222"},
      {"putstatic", {kOpLconst0, kOpPutstatic, 0, kLongField}, "122222"},
      {"putfield", {kOpAload0, kOpLconst0, kOpPutfield, 0, kLongField}, "122222"},
      {"invokevirtual", {kOpAload0, kOpAconstNull, kOpDconst0, kOpInvokevirtual, 0, kCall}, "1222221"},
      {"invokestatic", {kOpAconstNull, kOpDconst0, kOpInvokestatic, 0, kCall}, "1222221"},
      {"invokespecial", {kOpAload0, kOpAconstNull, kOpDconst0, kOpInvokespecial, 0, kCall}, "1222221"},
      {"native", {kOpInvokeNative, static_cast<uint8_t>(kTypeLong), 0, 0, 0, 0, 0, 0}, "12222222"},
      {"new", {kOpNew, 0, 1}, "1222221"},
      {"newarray", {kOpIconst0, kOpNewarray, 10}, "1222221"},
      {"anewarray", {kOpIconst0, kOpAnewarray, 0, 1}, "1222221"},
      {"multianewarray", {kOpIconst0, kOpIconst0, kOpMultianewarray, 0, 1, 2}, "1222221"},
      {"instanceof", {kOpAconstNull, kOpInstanceof, 0, 1}, "1222222"},
      {"checkcast", {kOpAconstNull, kOpCheckcast, 0, 1}, "1222221"},
      {"monitorenter", {kOpAconstNull, kOpMonitorenter}, "122222"},
      {"monitorexit", {kOpAconstNull, kOpMonitorexit}, "122222"},
      {"fast get long", {kOpAconstNull, kOpGetfieldLongFast, 1, 0}, "12222222"},
      {"fast put int", {kOpAconstNull, kOpIconst0, kOpPutfieldIntFast, 1, 0}, "122222"},
      {"fast this get object", {kOpAload0GetfieldWord1RefFast, 1}, "1222221"},
      {"no stack effect", {kOpIconst0, kOpIneg, kOpInot, kOpIinc, 1, 1, kOpNop}, "1222222"},
      {"goto ends the flow", {kOpIconst0, kOpGoto, 0, 3, kOpNop}, "1222222"},
  };
  for (const auto& c : cases) {
    const VmRef method = methodWithCode(c.code);
    Seen spy;
    EXPECT_EQ(tagsAt(method, 0, static_cast<uint32_t>(c.code.size()), &spy), c.tags) << c.what;
    EXPECT_TRUE(spy.exact) << c.what;
  }
}

TEST_F(TagStackTest, AStoreKillsTheLongItSplits) {
  const struct {
    const char* what;
    std::initializer_list<uint8_t> code;
    const char* raw;  // locals 0 .. 5 after the code
  } cases[] = {
      {"int into a long's second slot", {kOpIconst0, kOpIstore3}, "7 1 0 1 0 0 "},
      {"int into a long's first slot", {kOpIconst0, kOpIstore2}, "7 1 1 0 0 0 "},
      {"long over int and long", {kOpLconst0, kOpLstore1}, "7 4 9 0 0 0 "},
      {"double at the end", {kOpDconst0, kOpDstore, 4}, "7 1 4 9 3 10 "},
  };
  for (const auto& c : cases) {
    Seen spy;
    tagsAt(methodWithCode(c.code), 0, static_cast<uint32_t>(c.code.size()), &spy);
    EXPECT_EQ(spy.raw, c.raw) << c.what;
  }
}

TEST_F(TagStackTest, AMapEntryStartsTheWalk) {
  // One short entry at bci 2: locals ref, int (the others dead), stack ref.
  VmHandle map;
  vsHandle_push(&map, vsJavaHeap_newCountedRecord(1));
  vsRef_as<CountedRecord>(map.object)->words[0] = 0b101u << 16 | 2u << 7 | 2u << 3 | 1u << 1 | 1u;
  const VmRef method = methodWithCode({kOpAconstNull, kOpAconstNull, kOpNop, kOpIconst0, kOpReturn});
  const struct {
    uint32_t bci;
    VmRef map;
    const char* tags;
    int instructions;
  } cases[] = {
      {2, map.object, "1222221", 0},   // exactly at the entry: nothing walked
      {4, map.object, "12222212", 2},  // dead locals report 2
      {1, map.object, "1222221", 1},   // before the entry: from the signature
      {2, 0, "12222211", 2},           // no map: from the signature
  };
  for (const auto& c : cases) {
    Seen spy;
    EXPECT_EQ(tagsAt(method, c.map, c.bci, &spy), c.tags) << "bci " << c.bci << (c.map == 0 ? " without a map" : "");
    EXPECT_EQ(spy.instructions, c.instructions) << "bci " << c.bci;
  }
  vsHandle_close(&map);
}

TEST_F(TagStackTest, AStaticMethodStartsWithItsParameters) {
  VmHandle method;
  vsHandle_push(&method, methodWithCode({kOpNop}));
  vsRef_as<MethodRecord>(method.object)->accessFlags |= kMethodStatic;
  EXPECT_EQ(tagsAt(method.object, 0, 0), "222222");
  vsHandle_close(&method);
}

TEST_F(TagStackTest, BadCodeStaysInsideTheFrame) {
  const struct {
    const char* what;
    std::initializer_list<uint8_t> code;
    const char* tags;
  } cases[] = {
      {"pop below the locals", {kOpPop, kOpPop2}, "122222"},
      {"more pushes than the frame", {kOpLconst0, kOpLconst0, kOpLconst0, kOpLconst0, kOpIconst0}, "12222222222222"},
      {"store past the locals", {kOpIconst0, kOpIstore, 9}, "122222"},
  };
  for (const auto& c : cases) {
    const VmRef method = methodWithCode(c.code);
    const VmWord top = vsVmGlobals.allocationTop;
    Seen spy;
    EXPECT_EQ(tagsAt(method, 0, static_cast<uint32_t>(c.code.size()), &spy), c.tags) << c.what;
    EXPECT_FALSE(spy.exact) << c.what;
    EXPECT_EQ(vsVmGlobals.allocationTop, top) << c.what << ": the query allocated";
  }
}

}  // namespace
