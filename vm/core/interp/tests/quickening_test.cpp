// The rewriting rule of slow bytecodes into fast forms, as a table.
#include <gtest/gtest.h>

#include "vm/core/interp/quickening.h"
#include "vm/core/model/basic_types.h"
#include "vm/core/model/bytecodes.h"
#include "vm/core/model/model_flags.h"

namespace {

constexpr uint8_t field(int32_t type) { return static_cast<uint8_t>(kTagResolvedFieldBase + type); }
constexpr uint8_t virtualEntry(int32_t type) { return static_cast<uint8_t>(kTagResolvedVirtualBase + type); }
constexpr uint8_t interfaceEntry(int32_t type) { return static_cast<uint8_t>(kTagResolvedInterfaceBase + type); }

constexpr uint32_t kInit = kQuickenHolderInitialized;
constexpr uint32_t kImage = kQuickenCodeInImage;
constexpr uint32_t kFinalizable = kQuickenClassFinalizable;

TEST(QuickeningTest, FastFormFollowsOpcodeEntryAndConditions) {
  const struct {
    uint8_t opcode;
    uint8_t tag;
    uint32_t conditions;
    uint8_t expected;
  } cases[] = {
      {kOpLdc, kTagResolvedString, 0, kOpLdcFast},
      {kOpLdc, kTagUnresolvedString, 0, 0},
      {kOpLdcW, kTagInt, 0, kOpLdcWFast},
      {kOpLdcW, kTagFloat, kImage, kOpLdcWFast},
      {kOpLdc2W, kTagLong, 0, kOpLdc2WFast},
      {kOpGetstatic, field(kTypeInt), kInit, kOpGetstaticFast},
      {kOpGetstatic, field(kTypeDouble), kInit, kOpGetstatic2Fast},
      {kOpGetstatic, field(kTypeInt), 0, 0},
      {kOpGetstatic, field(kTypeInt), kInit | kImage, 0},
      {kOpPutstatic, field(kTypeLong), kInit, kOpPutstatic2Fast},
      {kOpPutstatic, field(kTypeObject), kInit, kOpPutstaticRefFast},
      {kOpPutstatic, field(kTypeArray), kInit, kOpPutstaticRefFast},
      {kOpPutstatic, field(kTypeChar), kInit, kOpPutstaticFast},
      {kOpPutstatic, field(kTypeChar), kImage, 0},
      {kOpGetfield, field(kTypeBoolean), 0, kOpGetfieldByteFast},
      {kOpGetfield, field(kTypeByte), 0, kOpGetfieldByteFast},
      {kOpGetfield, field(kTypeShort), 0, kOpGetfieldShortFast},
      {kOpGetfield, field(kTypeChar), 0, kOpGetfieldCharFast},
      {kOpGetfield, field(kTypeInt), kImage, kOpGetfieldIntFast},
      {kOpGetfield, field(kTypeLong), 0, kOpGetfieldLongFast},
      {kOpGetfield, field(kTypeFloat), 0, kOpGetfieldFloatFast},
      {kOpGetfield, field(kTypeDouble), 0, kOpGetfieldDoubleFast},
      {kOpGetfield, field(kTypeArray), 0, kOpGetfieldRefFast},
      {kOpGetfield, kTagFieldRef, 0, 0},
      {kOpPutfield, field(kTypeBoolean), 0, kOpPutfieldByteFast},
      {kOpPutfield, field(kTypeChar), 0, kOpPutfieldShortFast},
      {kOpPutfield, field(kTypeShort), 0, kOpPutfieldShortFast},
      {kOpPutfield, field(kTypeInt), 0, kOpPutfieldIntFast},
      {kOpPutfield, field(kTypeLong), 0, kOpPutfieldLongFast},
      {kOpPutfield, field(kTypeFloat), 0, kOpPutfieldFloatFast},
      {kOpPutfield, field(kTypeDouble), 0, kOpPutfieldDoubleFast},
      {kOpPutfield, field(kTypeObject), 0, kOpPutfieldRefFast},
      {kOpInvokevirtual, kTagBoundMethod, 0, kOpInvokedirectFast},
      {kOpInvokevirtual, virtualEntry(kTypeVoid), 0, kOpInvokevirtualFast},
      {kOpInvokespecial, kTagBoundMethod, 0, kOpInvokedirectFast},
      {kOpInvokespecial, virtualEntry(kTypeInt), 0, kOpInvokesuperFast},
      {kOpInvokestatic, kTagBoundMethod, kInit, kOpInvokestaticFast},
      {kOpInvokestatic, kTagBoundMethod, 0, 0},
      {kOpInvokestatic, kTagBoundMethod, kInit | kImage, 0},
      {kOpInvokeinterface, interfaceEntry(kTypeBoolean), 0, kOpInvokeinterfaceFast},
      {kOpInvokeinterface, interfaceEntry(kTypeVoid), 0, kOpInvokeinterfaceFast},
      {kOpInvokeinterface, kTagRedirectedVirtual, 0, kOpInvokevirtualFast},
      {kOpInvokeinterface, kTagRedirectedDirect, 0, kOpInvokedirectFast},
      {kOpInvokeinterface, kTagInterfaceMethodRef, 0, 0},
      {kOpNew, kTagResolvedClass, kInit, kOpNewFast},
      {kOpNew, kTagResolvedClass, kInit | kFinalizable, 0},
      {kOpNew, kTagResolvedClass, kInit | kImage, 0},
      {kOpNew, kTagResolvedClass, 0, 0},
      {kOpAnewarray, kTagResolvedClass, kImage, kOpAnewarrayFast},
      {kOpCheckcast, kTagResolvedClass, 0, kOpCheckcastFast},
      {kOpCheckcast, kTagUnresolvedClass, 0, 0},
      {kOpInstanceof, kTagResolvedClass, 0, kOpInstanceofFast},
      {kOpAload0, kTagResolvedClass, kInit, 0},
  };
  for (const auto& c : cases)
    EXPECT_EQ(vsBytecode_fastForm(c.opcode, c.tag, c.conditions), c.expected)
        << int{c.opcode} << " tag " << int{c.tag} << " conditions " << c.conditions;
}

TEST(QuickeningTest, FieldOperandIsByteOffsetOrWordIndex) {
  const struct {
    int32_t type;
    uint32_t offset;
    uint16_t expected;
  } cases[] = {{kTypeBoolean, 13, 13}, {kTypeByte, 13, 13},  {kTypeShort, 14, 14},  {kTypeChar, 14, 14},
               {kTypeInt, 16, 4},      {kTypeFloat, 16, 4},  {kTypeLong, 16, 4},    {kTypeDouble, 24, 6},
               {kTypeObject, 20, 5},   {kTypeArray, 20, 5}};
  for (const auto& c : cases) EXPECT_EQ(vsBytecode_fieldOperand(c.type, c.offset), c.expected) << c.type;
}

}  // namespace
