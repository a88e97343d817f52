// The native-method interface: what natives and the VM services use to
// reach the core.
//
// Parameters: the call stub stores the address of parameter 0 in the
// parameter pointer of the VM globals. The Java stack grows downward, so
// parameter i is the word at (parameter pointer - 4i). An instance native
// finds its receiver in parameter 0 and its arguments from 1; for a static
// native the pointer is one word higher, so its arguments also start at 1.
//
//   parameter pointer -> | parameter 0 (receiver) |  higher address
//                        | parameter 1            |
//                        | ...                    |  lower address
//
// Results: a native stores its result in the result words (19 and 20) of
// the current thread record; an int, boolean or reference result is word 19.
//
// vsNativeMethod_fatalError ends the VM when a native or service cannot go
// on: the message goes as one line to the VM's log stream, then the VM ends
// with fatal error code 134.
#pragma once

#include <cstdint>

#include "vm/core/model/object_layout.h"

// Stores parameter 0 into the handle slot.
void vsNativeMethod_getThis(VmRef* slot);
// Parameter word i as an int (also a boolean, char, short or byte).
int32_t vsNativeMethod_getParameterInt(uint32_t i);
// The long in parameter words i (high word) and i + 1 (low word), as two
// words.
void vsNativeMethod_getParameterLong(uint32_t i, uint32_t* high, uint32_t* low);
// Stores the reference of parameter word i into the handle slot.
void vsNativeMethod_getParameterObject(uint32_t i, VmRef* slot);
// Writes result word 19 of the current thread (also for references).
void vsNativeMethod_setReturnInt(int32_t value);

[[noreturn]] void vsNativeMethod_fatalError(const char* message);
