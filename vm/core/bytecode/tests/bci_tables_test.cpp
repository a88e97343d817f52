// Instruction starts, fall-through, the cost estimate, branch re-targeting
// and the byte-pattern search.
#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <limits>
#include <string>
#include <vector>

#include "tests/core/heap_fixture.h"
#include "vm/core/bytecode/bci_tables.h"
#include "vm/core/bytecode/branch_relocator.h"
#include "vm/core/memory/heap_allocators.h"
#include "vm/core/model/bytecodes.h"
#include "vm/core/model/handles.h"
#include "vm/core/model/method_access.h"
#include "vm/core/model/vm_globals.h"

namespace {

using BciTablesTest = HeapTest;

VmRef methodWithCode(std::initializer_list<uint8_t> code, uint16_t length = 0) {
  const VmRef method = vsJavaHeap_newMethod(length != 0 ? length : static_cast<uint16_t>(code.size()));
  std::copy(code.begin(), code.end(), vsRef_as<MethodRecord>(method)->code);
  return method;
}

MethodRecord* m(const VmHandle& h) { return vsRef_as<MethodRecord>(h.object); }

TEST_F(BciTablesTest, InstructionStartsMarkNew) {
  VmHandle method;
  vsHandle_push(&method, methodWithCode({kOpNew, 0, 1, kOpDup, kOpInvokespecial, 0, 2, kOpAreturn}));
  const VmRef starts = vsBytecodes_scanInstructionStarts(&method.object);
  ASSERT_NE(starts, 0u);
  const int8_t expected[8] = {3, 0, 0, 1, 1, 0, 0, 1};
  ASSERT_EQ(vsRef_as<ByteArray>(starts)->length, 8);
  EXPECT_EQ(std::memcmp(vsRef_as<ByteArray>(starts)->elements, expected, 8), 0);
  vsHandle_close(&method);
}

TEST_F(BciTablesTest, AnUnreadableInstructionFailsTheScan) {
  for (std::initializer_list<uint8_t> code : {std::initializer_list<uint8_t>{kOpNop, kOpSipush, 0},
                                              std::initializer_list<uint8_t>{kOpJsr, 0, 3, kOpNop}}) {
    VmHandle method;
    vsHandle_push(&method, methodWithCode(code));
    EXPECT_EQ(vsBytecodes_scanInstructionStarts(&method.object), 0u) << "opcode " << int{code.begin()[1]};
    EXPECT_NE(vsPendingException(), 0u);
    vsPendingException() = 0;
    vsHandle_close(&method);
  }
}

TEST_F(BciTablesTest, FallThroughTable) {
  const std::vector<int> stops = {kOpGoto,   kOpGotoW,   kOpIreturn,     kOpLreturn,     kOpFreturn,
                                  kOpDreturn, kOpAreturn, kOpReturn,     kOpRet,         kOpTableswitch,
                                  kOpLookupswitch, kOpAthrow, kOpInvokeNative};
  for (int op = 0; op < 256; ++op) {
    const bool stops_here = std::find(stops.begin(), stops.end(), op) != stops.end();
    EXPECT_EQ(vsBytecodes_canFallThrough(static_cast<uint8_t>(op)), !stops_here)
        << vsBytecodes_name(static_cast<uint8_t>(op));
  }
}

struct Estimate {
  VmHandle costs, weights, loops;
};

void estimate(VmHandle* method, Estimate* e) {
  const int32_t n = m(*method)->codeLength;
  vsHandle_push(&e->costs, vsJavaHeap_newIntArray(n));
  vsHandle_push(&e->weights, vsJavaHeap_newIntArray(n));
  vsHandle_push(&e->loops, vsJavaHeap_newIntArray(n));
  for (int32_t i = 0; i < n; ++i) {
    vsRef_as<IntArray>(e->weights.object)->elements[i] = kFlowWeight;
    vsRef_as<IntArray>(e->loops.object)->elements[i] = 1;
  }
  vsInstructionCostClosure closure(&e->costs.object, &e->weights.object, &e->loops.object);
  vsBytecodes_iterate(&method->object, 0, static_cast<uint32_t>(n), &closure);
}

int32_t at(const VmHandle& h, int i) { return vsRef_as<IntArray>(h.object)->elements[i]; }

TEST_F(BciTablesTest, NestedLoopsMultiplyTheirFactors) {
  VmHandle method;
  // 0 nop; 1 nop; 2 goto 1; 5 goto 0; 8 return
  vsHandle_push(&method, methodWithCode({kOpNop, kOpNop, kOpGoto, 0xff, 0xff, kOpGoto, 0xff, 0xfb, kOpReturn}));
  Estimate e;
  estimate(&method, &e);
  EXPECT_EQ(at(e.loops, 0), 5);
  EXPECT_EQ(at(e.loops, 1), 25);
  EXPECT_EQ(at(e.loops, 2), 5);
  EXPECT_EQ(at(e.loops, 5), 1);
  // The inner branch adds its whole weight to bci 1; the outer one adds
  // its own to 0, 1 and 2.
  EXPECT_EQ(at(e.weights, 1), kFlowWeight + kFlowWeight + kFlowWeight);
  EXPECT_EQ(at(e.weights, 0), 2 * kFlowWeight);
  EXPECT_EQ(at(e.costs, 0), kCostSimple);
  EXPECT_EQ(at(e.costs, 2), kCostMemory);
  EXPECT_EQ(at(e.costs, 8), 0);
  vsHandle_close(&method);
}

TEST_F(BciTablesTest, AConditionalBranchHandsHalfItsWeightOn) {
  VmHandle method;
  // 0 iconst_0; 1 ifeq 6; 4 nop; 5 nop; 6 return
  vsHandle_push(&method, methodWithCode({kOpIconst0, kOpIfeq, 0, 5, kOpNop, kOpNop, kOpReturn}));
  Estimate e;
  estimate(&method, &e);
  EXPECT_EQ(at(e.weights, 4), kFlowWeight - 276480);
  EXPECT_EQ(at(e.weights, 5), kFlowWeight - 276480);
  EXPECT_EQ(at(e.weights, 6), kFlowWeight);
  EXPECT_EQ(at(e.costs, 1), kCostMemory);
  vsHandle_close(&method);
}

TEST_F(BciTablesTest, LoopFactorsSaturate) {
  // 14 gotos back to bci 0 (5^14 passes the int range), then return.
  std::vector<uint8_t> code = {kOpNop};
  for (int k = 0; k < 14; ++k) {
    const int offset = -(1 + 3 * k);
    code.insert(code.end(), {kOpGoto, static_cast<uint8_t>(offset >> 8), static_cast<uint8_t>(offset)});
  }
  code.push_back(kOpReturn);
  VmHandle method;
  vsHandle_push(&method, vsJavaHeap_newMethod(static_cast<uint16_t>(code.size())));
  std::copy(code.begin(), code.end(), m(method)->code);
  Estimate e;
  estimate(&method, &e);
  EXPECT_EQ(at(e.loops, 0), std::numeric_limits<int32_t>::max());
  EXPECT_EQ(at(e.loops, 1), 1220703125);  // 5^13, under 13 of the loops
  EXPECT_EQ(at(e.loops, 4), 244140625);   // 5^12
  EXPECT_EQ(at(e.weights, 0), 15 * kFlowWeight);
  vsHandle_close(&method);
}

int32_t offset16(const VmHandle& h, uint32_t bci) { return static_cast<int16_t>(vsMethod_codeU2At(m(h), bci + 1)); }

TEST_F(BciTablesTest, BranchesAcrossTheThresholdAreRetargeted) {
  VmHandle method;
  vsHandle_push(&method, methodWithCode({}, 64));
  std::memset(m(method)->code, kOpNop, 64);
  auto put16 = [&](uint32_t bci, uint8_t op, int32_t offset) {
    m(method)->code[bci] = op;
    m(method)->code[bci + 1] = static_cast<uint8_t>(offset >> 8);
    m(method)->code[bci + 2] = static_cast<uint8_t>(offset);
  };
  put16(10, kOpGoto, 30);     // 10 -> 40 crosses T forward
  put16(14, kOpIfeq, 4);      // 14 -> 18 stays before T
  put16(24, kOpIfIcmpne, 6);  // 24 -> 30 stays behind T
  put16(30, kOpIfnull, -25);  // 30 -> 5 crosses T backward
  put16(50, kOpGoto, -52);    // moved from 57, still aiming at 5
  m(method)->code[0] = kOpGotoW;
  vsMethod_setCodeBigEndianIntAt(m(method), 1, 44);  // 0 -> 44
  vsBranchRelocator relocator(20, -7);
  vsBytecodes_iterate(&method.object, 0, 64, &relocator);
  EXPECT_EQ(offset16(method, 10), 23);
  EXPECT_EQ(offset16(method, 14), 4);
  EXPECT_EQ(offset16(method, 24), 6);
  EXPECT_EQ(offset16(method, 30), -18);
  EXPECT_EQ(offset16(method, 50), -45);
  EXPECT_EQ(vsMethod_codeBigEndianIntAt(m(method), 1), 37);
  vsHandle_close(&method);
}

TEST_F(BciTablesTest, SwitchOffsetsAreRetargetedInMachineOrder) {
  VmHandle method;
  vsHandle_push(&method, methodWithCode({}, 80));
  std::memset(m(method)->code, kOpNop, 80);
  // lookupswitch at 2: operands from 4; three pairs beyond T = 40.
  m(method)->code[2] = kOpLookupswitch;
  const int32_t words[] = {60, 3, 1, 50, 2, 55, 3, 70};
  for (int k = 0; k < 8; ++k) vsMethod_setCodeIntAt(m(method), 4 + 4 * k, words[k]);
  // tableswitch at 36: operands from 40 (default, low 0, high 1, two offsets).
  m(method)->code[36] = kOpTableswitch;
  const int32_t table[] = {10, 0, 1, -30, 20};
  for (int k = 0; k < 5; ++k) vsMethod_setCodeIntAt(m(method), 40 + 4 * k, table[k]);
  vsBranchRelocator relocator(40, -7);
  vsBytecodes_iterate(&method.object, 0, 80, &relocator);
  const int32_t lookupAfter[] = {53, 3, 1, 43, 2, 48, 3, 63};
  for (int k = 0; k < 8; ++k) EXPECT_EQ(vsMethod_codeIntAt(m(method), 4 + 4 * k), lookupAfter[k]) << "lookup word " << k;
  // From 36: default 46 and entry 56 lie behind T; entry 6 does not cross.
  const int32_t tableAfter[] = {3, 0, 1, -30, 13};
  for (int k = 0; k < 5; ++k) EXPECT_EQ(vsMethod_codeIntAt(m(method), 40 + 4 * k), tableAfter[k]) << "table word " << k;
  vsHandle_close(&method);
}

BytePattern pattern(const std::string& bytes) {
  BytePattern p{};
  p.length = static_cast<uint32_t>(bytes.size());
  std::memcpy(p.bytes, bytes.data(), bytes.size());
  vsBytePattern_prepare(&p);
  return p;
}

TEST_F(BciTablesTest, TheFailureTableIsThePrefixFunction) {
  const struct {
    std::string pattern;
    std::vector<uint8_t> failure;
  } cases[] = {{"abab", {0, 0, 1, 2}}, {"aab", {0, 1, 0}}, {"aabaaab", {0, 1, 0, 1, 2, 2, 3}}, {"abcd", {0, 0, 0, 0}}};
  for (const auto& c : cases) {
    const BytePattern p = pattern(c.pattern);
    EXPECT_EQ(std::vector<uint8_t>(p.failure, p.failure + p.length), c.failure) << c.pattern;
  }
  for (VmVariable<BytePattern>* vm : {&vsBytePattern_notIfne, &vsBytePattern_notIfeq}) {
    BytePattern p = *vm;
    vsBytePattern_prepare(&p);
    EXPECT_EQ(std::vector<uint8_t>(p.failure, p.failure + p.length), std::vector<uint8_t>(8, 0));
  }
}

TEST_F(BciTablesTest, TheSearchFindsTheFirstWholeMatch) {
  const struct {
    std::string pattern, text;
    int at;  // -1: none
  } cases[] = {
      {"aab", "aaab", 1},
      {"abab", "abaabab", 3},
      {"aabaaab", "aabaaabaaab", 0},
      {"abc", "ab", -1},
      {"abc", "xxabx", -1},
      {"abc", "xxxabc", 3},
      {std::string("\x9a\x00\x07\x04\xa7\x00\x04\x03", 8), std::string("\x9a\x00\x07\x9a\x00\x07\x04\xa7\x00\x04\x03", 11), 3},
  };
  for (const auto& c : cases) {
    const BytePattern p = pattern(c.pattern);
    const uint8_t* text = reinterpret_cast<const uint8_t*>(c.text.data());
    const uint8_t* found = vsBytePattern_find(text, text + c.text.size(), &p);
    EXPECT_EQ(found == nullptr ? -1 : static_cast<int>(found - text), c.at) << c.pattern << " in " << c.text;
  }
}

}  // namespace
