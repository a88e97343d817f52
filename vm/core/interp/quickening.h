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
//
// One rewriting step serves the romizer (building the image) and the run
// time (code loaded from the class path; the image itself is never
// written): the operand is written before the opcode, so that an
// instruction never shows a fast opcode with a slow operand, and an
// interface call that became a vtable or direct call gets its count and
// zero bytes set to 0, which then run as two nops:
//
//   185 #hi #lo count 0   ->   226|230 #hi #lo 0 0
//   180 #hi #lo           ->   218..225 field-lo field-hi
#pragma once

#include <cstdint>

#include "vm/core/model/object_layout.h"

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
// The fast form of the slow instruction at `bci` of `method`, from its
// pool entry as it now stands, under the conditions; 0 while the slow form
// must stay.
uint8_t vsMethod_fastFormAt(const MethodRecord* method, uint32_t bci, uint32_t conditions);
// Rewrites the slow instruction at `bci` of `method` into `fast` (a form
// vsMethod_fastFormAt gave; nothing for 0), reading the field operand from
// its resolved pool entry.
void vsMethod_quickenAt(MethodRecord* method, uint32_t bci, uint8_t fast);
