// The bytecode table and instruction lengths.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "tests/core/heap_fixture.h"
#include "vm/core/memory/heap_allocators.h"
#include "vm/core/model/bytecodes.h"
#include "vm/core/model/method_access.h"

namespace {

using BytecodesTest = HeapTest;

// Lengths of every opcode followed by zero bytes (a tableswitch of one
// entry, a lookupswitch of no pairs, wide nop).
constexpr uint8_t kExpected[256] = {
    1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,            // 0
    2, 3, 2, 3, 3, 2, 2, 2, 2, 2, 1, 1, 1, 1, 1, 1,            // 16
    1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,            // 32
    1, 1, 1, 1, 1, 1, 2, 2, 2, 2, 2, 1, 1, 1, 1, 1,            // 48
    1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,            // 64
    1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,            // 80
    1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,            // 96
    1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,            // 112
    1, 1, 1, 1, 3, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,            // 128
    1, 1, 1, 1, 1, 1, 1, 1, 1, 3, 3, 3, 3, 3, 3, 3,            // 144
    3, 3, 3, 3, 3, 3, 3, 3, 255, 255, 20, 12, 1, 1, 1, 1,      // 160
    1, 1, 3, 3, 3, 3, 3, 3, 3, 5, 255, 3, 2, 3, 1, 1,          // 176
    3, 3, 1, 1, 255, 4, 3, 3, 5, 255, 1, 2, 3, 3, 3, 3,        // 192
    3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3,            // 208
    3, 3, 3, 3, 5, 8, 3, 3, 3, 3, 3, 3, 2, 2, 2, 2,            // 224
    1, 0, 0, 0, 8, 6, 5, 5, 4, 4, 4, 4, 3, 3, 3, 3,            // 240
};

// The table's wide lengths: 4 for the loads, the stores and ret, 6 for
// iinc, 255 for the rest of 0 to 240; the VM's 244 to 255 have their own.
int32_t expectedWideLength(int op) {
  if ((op >= 21 && op <= 25) || (op >= 54 && op <= 58) || op == 169) return 4;
  if (op == 132) return 6;
  constexpr uint8_t kHigh[12] = {7, 6, 5, 5, 4, 4, 4, 4, 3, 3, 3, 3};
  return op >= 244 ? kHigh[op - 244] : 255;
}

TEST_F(BytecodesTest, TheTableListsEveryOpcodeOnceWithItsLengthsAndName) {
  std::set<std::string> names;
  for (int op = 0; op < 256; ++op) {
    const uint8_t code = static_cast<uint8_t>(op);
    SCOPED_TRACE("opcode " + std::to_string(op) + " " + vsBytecodes_name(code));
    EXPECT_TRUE(names.insert(vsBytecodes_name(code)).second) << "name used twice";
    // The fixed lengths: kExpected is the measured length, 0 for the
    // variable ones, which the table marks with 0 too.
    const int32_t fixed = (op == kOpTableswitch || op == kOpLookupswitch || op == kOpWide) ? 0 : kExpected[op];
    EXPECT_EQ(vsBytecodes_tableLength(code), fixed);
    EXPECT_EQ(vsBytecodes_wideLength(code), expectedWideLength(op));
  }
  const struct {
    uint8_t op;
    const char* name;
  } spots[] = {{0, "nop"},          {1, "aconst_null"}, {2, "iconst_m1"},      {20, "ldc2_w"},
               {42, "aload_0"},     {45, "aload_3"},    {78, "astore_3"},      {86, "sastore"},
               {95, "swap"},        {116, "ineg"},      {131, "lxor"},         {132, "iinc"},
               {147, "i2s"},        {152, "dcmpg"},     {166, "if_acmpne"},    {168, "jsr"},
               {171, "lookupswitch"}, {177, "return"}, {185, "invokeinterface"}, {187, "new"},
               {196, "wide"},       {197, "multianewarray"}, {200, "goto_w"},  {201, "jsr_w"},
               {229, "invoke_native"}, {238, "aload_0_getfield_word1_ref_fast"}, {240, "inot"}};
  for (const auto& spot : spots) EXPECT_STREQ(vsBytecodes_name(spot.op), spot.name) << int{spot.op};
}

VmRef methodWithCode(std::initializer_list<uint8_t> code, uint16_t length) {
  const VmRef method = vsJavaHeap_newMethod(length);
  uint8_t* c = vsRef_as<MethodRecord>(method)->code;
  std::copy(code.begin(), code.end(), c);
  return method;
}

TEST_F(BytecodesTest, EveryOpcodeHasItsLength) {
  VmRef method = methodWithCode({}, 32);
  for (int op = 0; op < 256; ++op) {
    vsRef_as<MethodRecord>(method)->code[0] = static_cast<uint8_t>(op);
    EXPECT_EQ(vsBytecodes_lengthAt(&method, 0), kExpected[op]) << "opcode " << op;
  }
}

TEST_F(BytecodesTest, WideTakesTheWideLengthOfTheNextOpcode) {
  const struct {
    uint8_t op;
    int32_t length;
  } cases[] = {{132, 6}, {21, 4}, {25, 4}, {54, 4}, {58, 4}, {169, 4}, {167, 255}, {0, 255},
               {244, 7}, {245, 6}, {247, 5}, {250, 4}, {255, 3}};
  for (const auto& c : cases) {
    VmRef method = methodWithCode({kOpWide, c.op}, 8);
    EXPECT_EQ(vsBytecodes_lengthAt(&method, 0), c.length) << "wide " << int{c.op};
  }
  VmRef last = methodWithCode({0, kOpWide}, 2);
  EXPECT_EQ(vsBytecodes_lengthAt(&last, 1), 0);
}

// A tableswitch at bci with its operand words in machine order.
VmRef tableSwitchAt(uint32_t bci, int32_t low, int32_t high) {
  VmRef method = methodWithCode({}, 64);
  MethodRecord* m = vsRef_as<MethodRecord>(method);
  m->code[bci] = kOpTableswitch;
  const uint32_t p = (bci + 4) & ~3u;
  vsMethod_setCodeIntAt(m, p + 4, low);
  vsMethod_setCodeIntAt(m, p + 8, high);
  return method;
}

VmRef lookupSwitchAt(uint32_t bci, int32_t pairs) {
  VmRef method = methodWithCode({}, 64);
  MethodRecord* m = vsRef_as<MethodRecord>(method);
  m->code[bci] = kOpLookupswitch;
  vsMethod_setCodeIntAt(m, ((bci + 4) & ~3u) + 4, pairs);
  return method;
}

TEST_F(BytecodesTest, SwitchesDifferByTheirPaddingOnly) {
  VmRef padded = tableSwitchAt(0, 1, 3);  // 3 bytes of padding
  VmRef unpadded = tableSwitchAt(3, 1, 3);
  EXPECT_EQ(vsBytecodes_lengthAt(&padded, 0), 4 + 12 + 4 * 3);
  EXPECT_EQ(vsBytecodes_lengthAt(&unpadded, 3), 1 + 12 + 4 * 3);

  VmRef lookupPadded = lookupSwitchAt(4, 2);
  VmRef lookupUnpadded = lookupSwitchAt(7, 2);
  EXPECT_EQ(vsBytecodes_lengthAt(&lookupPadded, 4), 4 + 8 * 3);
  EXPECT_EQ(vsBytecodes_lengthAt(&lookupUnpadded, 7), 1 + 8 * 3);
}

TEST_F(BytecodesTest, SwitchLengthExamples) {
  VmRef table = tableSwitchAt(0, 0, 3);
  EXPECT_EQ(vsBytecodes_switchLength(&table, 0, kOpTableswitch), 32);
  VmRef lookup = lookupSwitchAt(1, 2);
  EXPECT_EQ(vsBytecodes_switchLength(&lookup, 1, kOpLookupswitch), 27);
  EXPECT_EQ(vsBytecodes_switchLength(&lookup, 1, 0), 0);
}

TEST_F(BytecodesTest, SwitchesThatRunPastTheCodeGiveZero) {
  VmRef tooLong = tableSwitchAt(0, 0, 100);
  EXPECT_EQ(vsBytecodes_lengthAt(&tooLong, 0), 0);
  VmRef backwards = tableSwitchAt(0, 5, 1);
  EXPECT_EQ(vsBytecodes_lengthAt(&backwards, 0), 0);
  VmRef negativePairs = lookupSwitchAt(0, -3);
  EXPECT_EQ(vsBytecodes_lengthAt(&negativePairs, 0), 0);
  VmRef huge = lookupSwitchAt(0, 0x7fffffff);
  EXPECT_EQ(vsBytecodes_lengthAt(&huge, 0), 0);
  VmRef cut = methodWithCode({kOpTableswitch, 0, 0, 0, 0, 0, 0}, 7);
  EXPECT_EQ(vsBytecodes_lengthAt(&cut, 0), 0);
}

TEST_F(BytecodesTest, CodeReadersKeepTheirByteOrders) {
  VmRef method = methodWithCode({0x12, 0x34, 0x56, 0x78}, 8);
  MethodRecord* m = vsRef_as<MethodRecord>(method);
  EXPECT_EQ(vsMethod_codeU2At(m, 0), 0x1234);
  EXPECT_EQ(vsMethod_codeBigEndianIntAt(m, 0), 0x12345678);
  EXPECT_EQ(vsMethod_codeIntAt(m, 0), 0x78563412);
  vsMethod_setCodeBigEndianIntAt(m, 4, -2);
  EXPECT_EQ(vsMethod_codeByteAt(m, 4), 0xff);
  EXPECT_EQ(vsMethod_codeByteAt(m, 7), 0xfe);
  EXPECT_EQ(vsMethod_codeEnd(m), m->code + 8);
}

}  // namespace
