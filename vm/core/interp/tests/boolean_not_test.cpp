// The inot peephole over hand-made code: the branch-target counts it reads,
// the fusion of both sequences, the branches and stack-map entries around
// it, and every reason to leave a sequence as it is.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/core/heap_fixture.h"
#include "vm/core/bytecode/stack_maps.h"
#include "vm/core/bytecode/tag_stack.h"
#include "vm/core/interp/boolean_not.h"
#include "vm/core/interp/bytecode_preparation.h"
#include "vm/core/interp/jit_entry_counts.h"
#include "vm/core/memory/heap_allocators.h"
#include "vm/core/memory/object_size.h"
#include "vm/core/memory/write_barrier.h"
#include "vm/core/model/bytecodes.h"
#include "vm/core/model/handles.h"
#include "vm/core/model/method_access.h"
#include "vm/core/model/model_flags.h"
#include "vm/core/model/vm_globals.h"

namespace {

using Code = std::vector<uint8_t>;

// A static method of two int locals over the code.
VmRef methodWithCode(const Code& code) {
  const VmRef method = vsJavaHeap_newMethod(static_cast<uint16_t>(code.size()));
  MethodRecord* m = vsRef_as<MethodRecord>(method);
  std::memcpy(m->code, code.data(), code.size());
  m->accessFlags = kMethodStatic;
  m->maxLocals = 2;
  m->maxStack = 2;
  m->parameterWords = 1;
  return method;
}

Code codeOf(const VmHandle& method) {
  const MethodRecord* m = vsRef_as<MethodRecord>(method.object);
  return Code(m->code, m->code + m->codeLength);
}

std::string show(const Code& code) {
  std::string out;
  for (uint8_t b : code) out += std::to_string(b) + " ";
  return out;
}

class BooleanNotTest : public HeapTest {};

// Big-endian bytes of a 32-bit word, as the class file holds switch words.
void putWord(Code* code, int32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) code->push_back(static_cast<uint8_t>(static_cast<uint32_t>(v) >> shift));
}

TEST_F(BooleanNotTest, EntryCountsFollowEveryEdge) {
  Code table = {kOpIload0, kOpTableswitch, 0, 0};  // operands from 4
  putWord(&table, 24);                             // default -> 25
  putWord(&table, 0);
  putWord(&table, 1);
  putWord(&table, 23);  // -> 24
  putWord(&table, 23);  // -> 24 again
  table.insert(table.end(), {kOpNop, kOpReturn});
  Code lookup = {kOpIload0, kOpLookupswitch, 0, 0};
  putWord(&lookup, 28);  // default -> 29
  putWord(&lookup, 2);
  putWord(&lookup, 5);
  putWord(&lookup, 27);  // -> 28
  putWord(&lookup, 9);
  putWord(&lookup, 27);  // -> 28 again
  lookup.insert(lookup.end(), {kOpNop, kOpReturn});
  const struct {
    const char* what;
    Code code;
    std::vector<int16_t> handlers;  // start, end, handler, type per entry
    std::vector<int32_t> counts;
  } cases[] = {
      {"straight line", {kOpNop, kOpNop, kOpReturn}, {}, {1, 1, 1}},
      {"the ifne sequence",
       {kOpIload0, kOpIfne, 0, 7, kOpIconst1, kOpGoto, 0, 4, kOpIconst0, kOpIreturn},
       {},
       {1, 1, 0, 0, 1, 1, 0, 0, 1, 2}},
      {"a backward branch", {kOpNop, kOpIload0, kOpIfeq, 0xff, 0xff, kOpReturn}, {}, {1, 2, 1, 0, 0, 1}},
      {"a handler start", {kOpNop, kOpReturn, kOpAstore1, kOpReturn}, {0, 2, 2, 0}, {1, 1, 1, 1}},
      {"targets outside the code", {kOpGoto, 0xff, 0xf0, kOpGoto, 0x00, 0x40, kOpReturn}, {}, {1, 0, 0, 0, 0, 0, 0}},
      {"handler past the code", {kOpNop, kOpReturn}, {0, 1, 9, 0}, {1, 1}},
  };
  auto check = [](const char* what, VmHandle* method, const std::vector<int32_t>& expected) {
    const VmRef counts = jitCompiler_countEntries(&method->object);
    ASSERT_NE(counts, 0u) << what;
    const IntArray* a = vsRef_as<IntArray>(counts);
    EXPECT_EQ(std::vector<int32_t>(a->elements, a->elements + a->length), expected) << what;
  };
  for (const auto& c : cases) {
    VmHandle method;
    vsHandle_push(&method, methodWithCode(c.code));
    if (!c.handlers.empty()) {
      const VmRef t = vsJavaHeap_newShortArray(static_cast<int32_t>(c.handlers.size()));
      std::copy(c.handlers.begin(), c.handlers.end(), vsRef_as<ShortArray>(t)->elements);
      vsJavaHeap_storeReference(&vsRef_as<MethodRecord>(method.object)->exceptionTable, t);
    }
    check(c.what, &method, c.counts);
    vsHandle_close(&method);
  }
  // The switches, in the machine order that preparation gives their words:
  // a default and two entries into the same bci count one each.
  for (const Code* code : {&table, &lookup}) {
    VmHandle method;
    vsHandle_push(&method, methodWithCode(*code));
    ASSERT_EQ(vsMethod_prepareBytecode(&method.object), 1);
    std::vector<int32_t> expected(code->size(), 0);
    expected[0] = 1;
    expected[1] = 1;
    expected[code->size() - 2] = 2;
    expected[code->size() - 1] = 2;
    check(code == &table ? "tableswitch" : "lookupswitch", &method, expected);
    vsHandle_close(&method);
  }
}

// ifne form at 1, ifeq form at 11.
const Code kBoth = {kOpIload0,  kOpIfne,   0, 7, kOpIconst1, kOpGoto, 0, 4, kOpIconst0, kOpIstore1,
                    kOpIload1,  kOpIfeq,   0, 7, kOpIconst0, kOpGoto, 0, 4, kOpIconst1, kOpIreturn};

TEST_F(BooleanNotTest, BothSequencesBecomeInot) {
  VmHandle method;
  vsHandle_push(&method, methodWithCode(kBoth));
  const uint32_t size = vsJavaHeap_objectSize(method.object);
  vsMethod_optimizeBooleanNot(&method.object);
  EXPECT_EQ(vsPendingException(), 0u);
  EXPECT_EQ(show(codeOf(method)), show({kOpIload0, kOpInot, kOpIstore1, kOpIload1, kOpInot, kOpIreturn}));
  EXPECT_EQ(vsJavaHeap_objectSize(method.object), size - 12) << "the record gives its tail back";
  EXPECT_TRUE(vsJavaHeap_walksToTop());
  vsHandle_close(&method);
}

TEST_F(BooleanNotTest, BranchesAcrossTheSequenceKeepTheirTargets) {
  VmHandle method;
  vsHandle_push(&method, methodWithCode({
                             kOpIconst0, kOpIstore0,                   // 0
                             kOpIload0,                                // 2: loop head
                             kOpIfeq, 0, 16,                           // 3 -> 19
                             kOpIload0,                                // 6
                             kOpIfne, 0, 7, kOpIconst1, kOpGoto, 0, 4, kOpIconst0,  // 7
                             kOpIstore0,                               // 15
                             kOpGoto, 0xff, 0xf2,                      // 16 -> 2
                             kOpReturn,                                // 19
                         }));
  vsMethod_optimizeBooleanNot(&method.object);
  EXPECT_EQ(show(codeOf(method)), show({kOpIconst0, kOpIstore0, kOpIload0, kOpIfeq, 0, 9, kOpIload0, kOpInot,
                                        kOpIstore0, kOpGoto, 0xff, 0xf9, kOpReturn}));
  vsHandle_close(&method);
}

TEST_F(BooleanNotTest, SequencesThatMustStay) {
  // A tableswitch after the sequence (the flag comes from preparation).
  Code withSwitch = kBoth;
  withSwitch.back() = kOpIload1;
  withSwitch.insert(withSwitch.end(), {kOpTableswitch, 0, 0});  // at 20, operands from 24
  putWord(&withSwitch, 16);
  putWord(&withSwitch, 0);
  putWord(&withSwitch, 0);
  putWord(&withSwitch, 16);
  withSwitch.push_back(kOpReturn);  // 40
  const struct {
    const char* what;
    Code code;
    bool handlers;
    bool prepared;  // valid code, run through the load-time preparation
  } cases[] = {
      {"an exception table", kBoth, true, true},
      {"a tableswitch", withSwitch, false, true},
      // bipush 0x9a: the ifne form begins inside an instruction.
      {"no instruction start", {kOpBipush, kOpIfne, 0, 7, kOpIconst1, kOpGoto, 0, 4, kOpIconst0, kOpReturn}, false,
       true},
      // goto 8 enters the sequence's own goto.
      {"a branch into the sequence",
       {kOpGoto, 0, 8, kOpIload0, kOpIfne, 0, 7, kOpIconst1, kOpGoto, 0, 4, kOpIconst0, kOpIreturn},
       false, true},
      // The goto's target lies past the code.
      {"a sequence at the end", {kOpIload0, kOpIfne, 0, 7, kOpIconst1, kOpGoto, 0, 4, kOpIconst0}, false, false},
  };
  for (const auto& c : cases) {
    VmHandle method;
    vsHandle_push(&method, methodWithCode(c.code));
    if (c.prepared) {
      ASSERT_EQ(vsMethod_prepareBytecode(&method.object), 1) << c.what;
    }
    if (c.handlers) {
      const VmRef t = vsJavaHeap_newShortArray(4);
      vsRef_as<ShortArray>(t)->elements[1] = 1;
      vsJavaHeap_storeReference(&vsRef_as<MethodRecord>(method.object)->exceptionTable, t);
    }
    const Code before = codeOf(method);
    vsMethod_optimizeBooleanNot(&method.object);
    EXPECT_EQ(vsPendingException(), 0u) << c.what;
    EXPECT_EQ(show(codeOf(method)), show(before)) << c.what;
    vsHandle_close(&method);
  }
}

// The parser's form of a map: per frame a short[] {bci, L, locals, S,
// stack} and a name array.
struct Frame {
  uint16_t bci;
  std::vector<uint16_t> locals;
  std::vector<uint16_t> stack;
};

VmRef compactMap(const std::vector<Frame>& frames) {
  VmHandle parser;
  vsHandle_push(&parser, vsJavaHeap_newObjectArray(static_cast<int32_t>(2 * frames.size())));
  for (size_t f = 0; f < frames.size(); ++f) {
    const Frame& fr = frames[f];
    const VmRef types = vsJavaHeap_newShortArray(static_cast<int32_t>(3 + fr.locals.size() + fr.stack.size()));
    int16_t* t = vsRef_as<ShortArray>(types)->elements;
    size_t at = 0;
    t[at++] = static_cast<int16_t>(fr.bci);
    t[at++] = static_cast<int16_t>(fr.locals.size());
    for (uint16_t v : fr.locals) t[at++] = static_cast<int16_t>(v);
    t[at++] = static_cast<int16_t>(fr.stack.size());
    for (uint16_t v : fr.stack) t[at++] = static_cast<int16_t>(v);
    vsJavaHeap_storeReference(&vsRef_as<ObjectArray>(parser.object)->elements[2 * f], types);
  }
  const VmRef map = vsStackMap_compressMethod(&parser.object, &parser.object);
  vsHandle_close(&parser);
  return map;
}

std::string tagsAt(VmHandle* method, uint32_t bci) {
  VmHandle map;
  vsHandle_push(&map, vsMethod_stackmap(vsRef_as<MethodRecord>(method->object)));
  std::string out;
  {
    vsTagStackClosure closure(&method->object);
    const VmRef tags = vsTagStackClosure_computeTagsAt(&closure, &map.object, bci);
    for (uint32_t k = 0; tags != 0 && k < closure.top; ++k)
      out += static_cast<char>('0' + vsRef_as<ByteArray>(tags)->elements[k]);
  }
  vsHandle_close(&map);
  return out;
}

std::vector<uint32_t> mapBcis(const VmHandle& method) {
  const CountedRecord* map = vsRef_as<CountedRecord>(vsMethod_stackmap(vsRef_as<MethodRecord>(method.object)));
  std::vector<uint32_t> out;
  for (uint32_t i = 0; i < map->count; ++i) out.push_back(vsStackMap_bci(map, i));
  return out;
}

TEST_F(BooleanNotTest, ABranchTargetKeepsItsMapEntry) {
  ASSERT_TRUE(vsStackMap_ensureTagArray(4));
  // Two paths meet at 13, the ifne: local 1 is an int on one and a
  // reference on the other, so the map gives it no type there. Walking on
  // from the entry at 10 would call it a reference.
  VmHandle method;
  vsHandle_push(&method, methodWithCode({
                             kOpIload0, kOpIfeq, 0, 9,            // 0 -> 10
                             kOpIconst0, kOpIstore1, kOpIconst1,  // 4
                             kOpGoto, 0, 6,                       // 7 -> 13
                             kOpAconstNull, kOpAstore1, kOpIconst0,  // 10
                             kOpIfne, 0, 7, kOpIconst1, kOpGoto, 0, 4, kOpIconst0,  // 13
                             kOpIreturn,                          // 21
                         }));
  const uint16_t kInt = 1;
  const uint16_t kTop = 0;
  VmHandle map;
  vsHandle_push(&map, compactMap({{10, {kInt, kTop}, {}},
                                  {13, {kInt, kTop}, {kInt}},
                                  {20, {kInt, kTop}, {}},
                                  {21, {kInt, kTop}, {kInt}}}));
  ASSERT_NE(map.object, 0u);
  vsJavaHeap_storeReference(&vsRef_as<MethodRecord>(method.object)->stackMap, map.object);
  const std::string atB = tagsAt(&method, 13);
  ASSERT_EQ(atB, "222");
  vsMethod_optimizeBooleanNot(&method.object);
  ASSERT_EQ(vsRef_as<MethodRecord>(method.object)->codeLength, 15u);
  EXPECT_EQ(vsRef_as<MethodRecord>(method.object)->code[13], kOpInot);
  EXPECT_EQ(mapBcis(method), (std::vector<uint32_t>{10, 13, 14}));
  EXPECT_EQ(tagsAt(&method, 13), atB) << "the entry at the fused branch target";
  EXPECT_EQ(tagsAt(&method, 14), "222");
  vsHandle_close(&method);
}

}  // namespace
