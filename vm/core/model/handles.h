// GC handles: two-word records on the native stack through which native code
// holds heap references across calls that may allocate (and so move
// objects). Each open handle links itself as the head of the local-root list;
// the collector visits and updates the object word of every handle on it.
//
//   vsLocalRootList -> [object | previous] -> [object | previous] -> 0
//
// A function that opens handles restores the saved head on every way out
// (vsHandle_close of its first handle). There are no destructors: the VM
// leaves through longjmp exit points, which skip them.
#pragma once

#include "ce/substrate/vm_sections.h"
#include "vm/core/model/object_layout.h"

extern VmVariable<VmPtr<VmHandle>> vsLocalRootList;

// Opens a handle holding the object.
void vsHandle_push(VmHandle* handle, VmRef object);
// Opens a handle holding null.
void vsHandle_pushEmpty(VmHandle* handle);
// Opens a handle holding the object of another handle (or slot).
void vsHandle_pushCopy(VmHandle* handle, const VmRef* from);
// Copies one handle's object into another.
void vsHandle_assign(VmRef* to, const VmRef* from);
// Closes the handle and every handle opened after it.
void vsHandle_close(VmHandle* handle);
