// Load-time preparation of a method's bytecode.
//
// The walk steps through the code by the instruction-length table and:
//   - refuses, with VM error 104, opcodes 202 and above, the opcodes that may
//     not occur (jsr, ret, jsr_w, 186), a switch whose table size is negative
//     or whose table runs past the code, an instruction cut off by the end of
//     the code, and code of length 0; with 105, `wide` before an opcode that
//     has no wide form. This holds whether or not the verifier runs, so no
//     such code ever reaches the interpreter;
//   - turns every word of a switch's operand table (from the aligned start
//     to its end) from the class file's big-endian order into machine order;
//   - flags the method: 0x80 for invokes (182 to 185), 0x40 for monitorenter
//     and monitorexit, 0x2000 for a switch;
//   - grows max stack by 7 words per monitorenter (room for lock records);
//     a result of 65535 or more raises OutOfMemoryError.
// Native and abstract methods are left alone.
#pragma once

#include <cstdint>

#include "vm/core/model/object_layout.h"

// 1, or 0 with the error pending.
int32_t vsMethod_prepareBytecode(const VmRef* method);
