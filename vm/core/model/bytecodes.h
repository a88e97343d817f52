// Instruction lengths of bytecode, the class file's and the VM's own
// opcodes (202 to 255).
//
// The table holds two bytes per opcode: the length, and the length after
// `wide`. A length of 0 means a variable length (tableswitch, lookupswitch,
// wide) or, for 241 to 243, no length at all; 255 means the opcode may not
// occur (jsr, ret, jsr_w, 186) or may not follow `wide`. Both are error
// markers, never step sizes: a caller that walks code stops on them. The
// load-time preparation refuses code that contains them, so prepared code
// never yields them.
#pragma once

#include <cstdint>

#include "vm/core/model/object_layout.h"

// Opcodes named by the VM, the class file's and its own fast forms.
enum Opcode : uint8_t {
  kOpAconstNull = 1,
  kOpIconst0 = 3,
  kOpFconst0 = 11,
  kOpDconst0 = 14,
  kOpLdc = 18,
  kOpLdcW = 19,
  kOpLdc2W = 20,
  kOpAload0 = 42,
  kOpIfeq = 153,
  kOpGoto = 167,
  kOpTableswitch = 170,
  kOpLookupswitch = 171,
  kOpIreturn = 172,
  kOpAreturn = 176,
  kOpReturn = 177,
  kOpGetstatic = 178,
  kOpPutstatic = 179,
  kOpGetfield = 180,
  kOpPutfield = 181,
  kOpInvokevirtual = 182,
  kOpInvokespecial = 183,
  kOpInvokestatic = 184,
  kOpInvokeinterface = 185,
  kOpNew = 187,
  kOpAnewarray = 189,
  kOpAthrow = 191,
  kOpCheckcast = 192,
  kOpInstanceof = 193,
  kOpMonitorenter = 194,
  kOpMonitorexit = 195,
  kOpWide = 196,
  kOpMultianewarray = 197,
  kOpIfnull = 198,
  kOpIfnonnull = 199,
  kOpGotoW = 200,
  kOpLdcFast = 203,
  kOpLdcWFast = 204,
  kOpLdc2WFast = 205,
  kOpPutstaticFast = 206,
  kOpPutstatic2Fast = 207,
  kOpPutstaticRefFast = 208,
  kOpGetstaticFast = 209,
  kOpGetstatic2Fast = 210,
  kOpPutfieldByteFast = 211,
  kOpPutfieldShortFast = 212,
  kOpPutfieldIntFast = 213,
  kOpPutfieldLongFast = 214,
  kOpPutfieldFloatFast = 215,
  kOpPutfieldDoubleFast = 216,
  kOpPutfieldRefFast = 217,
  kOpGetfieldByteFast = 218,
  kOpGetfieldShortFast = 219,
  kOpGetfieldIntFast = 220,
  kOpGetfieldLongFast = 221,
  kOpGetfieldFloatFast = 222,
  kOpGetfieldDoubleFast = 223,
  kOpGetfieldRefFast = 224,
  kOpGetfieldCharFast = 225,
  kOpInvokevirtualFast = 226,
  kOpInvokestaticFast = 227,
  kOpInvokeinterfaceFast = 228,
  kOpInvokeNative = 229,
  kOpInvokedirectFast = 230,
  kOpInvokesuperFast = 231,
  kOpNewFast = 232,
  kOpAnewarrayFast = 233,
  kOpCheckcastFast = 234,
  kOpInstanceofFast = 235,
  kOpGetfieldWord1IntFast = 236,
  kOpGetfieldWord1RefFast = 237,
  kOpAload0GetfieldWord1RefFast = 238,
  kOpAload0GetfieldWord1IntFast = 239,
  kOpInot = 240,
};
inline constexpr uint8_t kLengthNotAllowed = 255;

// The table's two lengths of an opcode.
uint8_t vsBytecodes_tableLength(uint8_t opcode);
uint8_t vsBytecodes_wideLength(uint8_t opcode);

// The length of the instruction at bci of the method's code; for the
// variable-length ones, vsBytecodes_switchLength.
int32_t vsBytecodes_lengthAt(const VmRef* method, uint32_t bci);
// tableswitch: (p - bci) + 12 + 4 * (high - low + 1); lookupswitch:
// (p - bci) + 8 * (npairs + 1), with p = (bci + 4) & ~3 and the operand
// words read in machine order; wide: the wide length of the next opcode;
// anything else 0. An instruction that would run past the end of the code
// gives 0 as well.
int32_t vsBytecodes_switchLength(const VmRef* method, uint32_t bci, uint8_t opcode);
