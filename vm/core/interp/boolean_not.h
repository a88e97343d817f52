// The load-time peephole pass that fuses a boolean negation into `inot`,
// and the class step that runs it over a class's methods.
//
// javac negates an int truth value in eight bytes; the pass turns them into
// one:
//
//   b    ifne +7  (or ifeq +7)        b    inot (240)
//   b+3  iconst_1 (or iconst_0)       b+1  what stood at b+8 ...
//   b+4  goto +4                 ==>
//   b+7  iconst_0 (or iconst_1)
//   b+8  ...
//
// Only where b starts an instruction and no edge but the sequence's own
// enters b+1 .. b+7 (jitCompiler_countEntries), so no other branch leads
// into the bytes that go away. Behind the fusion the code moves down by 7,
// every branch across the cut is re-targeted, and the stack map keeps its
// entry at b (a branch target keeps its types there), drops those of
// b+1 .. b+7 and moves the later ones down by 7. Methods with an exception
// table or a switch are never fused: handler ranges would need moving, and
// a switch's operands must stay 4-aligned.
#pragma once

#include <cstdint>

#include "vm/core/model/object_layout.h"

// Whether walking the instruction lengths from bci 0 lands exactly on bci.
bool vsMethod_isInstructionStart(const VmRef* method, uint32_t bci);
// The rewrite of the sequence at b: inot at b, the code from b+8 moved to
// b+1, the last 7 bytes zeroed and the code 7 bytes shorter (the record
// gives its freed tail back to the heap).
void vsMethod_rewriteBooleanNot(const VmRef* method, uint32_t b);
// Fuses every sequence of the method that may be fused, ifne form first;
// stops with an exception pending when counting the entries failed.
void vsMethod_optimizeBooleanNot(const VmRef* method);
// For a class loaded from the class path (not one of the image) that is not
// abstract: the pass over each of its methods in method-array order,
// skipping compiled, native and abstract methods; stops at a pending
// exception.
void vsClass_setupMethodEntries(const VmRef* cls);
