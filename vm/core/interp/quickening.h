// The rewriting rule of the interpreter's slow bytecodes into fast forms.
//
// A slow bytecode that refers to the constant pool runs once through the
// runtime, which resolves its entry and overwrites the opcode with a fast
// form that reads the resolved entry directly. The fast form follows from
// the slow opcode, the tag of the resolved entry (a field's type, how a
// method was bound) and three conditions of the moment of rewriting:
//
//   getstatic, putstatic, invokestatic, new: only once the holder class is
//     initialised, and never in code of the read-only class image;
//   new: also never for a finalizable class;
//   ldc, ldc_w: only once the constant is resolved.
//
// The instance-field forms carry the field's position as a little-endian
// 16-bit operand: the byte offset for byte, boolean, short and char fields,
// the word index (byte offset / 4) for the others.
#pragma once

#include <cstdint>

enum QuickenCondition : uint32_t {
  kQuickenHolderInitialized = 0x1,
  kQuickenCodeInImage = 0x2,
  kQuickenClassFinalizable = 0x4,
};

// The fast opcode that replaces `opcode` whose pool entry now has tag
// `entryTag`, under the conditions (QuickenCondition bits); 0 while the slow
// form must stay, and for an opcode or entry the rule does not cover.
uint8_t vsBytecode_fastForm(uint8_t opcode, uint8_t entryTag, uint32_t conditions);
// The operand of an instance-field fast form for a field of the basic type
// at the byte offset.
uint16_t vsBytecode_fieldOperand(int32_t basicType, uint32_t byteOffset);
