// Relations between classes: assignability and access.
#pragma once

#include <cstdint>

#include "vm/core/model/object_layout.h"

// S is T; for an instance class S: a class T on S's superclass chain, or an
// interface T that S implements (S's interface table, or the interface list
// of an interface S); for an object-array class S: java.lang.Object, or an
// object-array class T whose element class the element class of S is
// assignable to; for a type-array class S: java.lang.Object.
bool vsClass_isAssignable(const ClassRecord* s, const ClassRecord* t);

// Whether `accessing` may use class k: it waives access checks (class-info
// bit 0x10000000), k is public, or both lie in the same package. Otherwise
// raises, with form 1, java/lang/Error code 94, else IllegalAccessException
// code 137, and returns false.
bool vsClass_checkAccess(const ClassRecord* accessing, const ClassRecord* k, int32_t form);

// Moves count elements of the source array's element size from the source
// position to the destination position, as if through a temporary buffer.
void vsArray_copyElements(VmRef source, int32_t sourcePosition, VmRef destination, int32_t destinationPosition,
                          int32_t count);
