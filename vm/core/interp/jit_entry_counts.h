// The dynamic compiler's branch-target counter: how many control-flow edges
// enter each bci of a method.
//
// One int per code byte: bci 0 counts 1 for the method's entry; every
// instruction adds one to the instruction behind it when control falls
// through (vsBytecodes_canFallThrough), and every branch target, switch
// default, switch entry and exception-handler start counts one more per
// edge. Bytes inside an instruction count 0 unless a (hostile) branch names
// them. Targets outside the code are not counted.
//
// The load-time peephole pass reads the counts to tell whether another
// branch leads into an instruction sequence it wants to fuse.
#pragma once

#include "vm/core/model/object_layout.h"

// The int array of entry counts of the method's code; null with the
// exception pending when the allocation failed.
VmRef jitCompiler_countEntries(const VmRef* method);
