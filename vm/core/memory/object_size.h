// The size rule of the heap walk: the byte size of an object from its kind
// (the instance-kind half of its class record) and its second word.
#pragma once

#include <cstdint>

#include "vm/core/model/object_layout.h"

// The size of the object in bytes, a multiple of 4; 0 for the kinds that
// have no size (-22 to -27 and below -33), which no allocator creates, so
// that a walk stops on them instead of looping.
uint32_t vsJavaHeap_objectSize(VmRef object);
// The same, with the object's class given (walks that know the class
// without a header to read it from, such as the image's writable block).
uint32_t vsJavaHeap_objectSizeOfClass(VmRef object, const ClassRecord* cls);

// True when the objects from the heap's start, each stepped over by its
// size, land exactly on `end` (an object start, or the allocation top).
bool vsJavaHeap_walksTo(VmWord end);
// The same to the allocation top: no object has been written over its
// neighbour's header.
bool vsJavaHeap_walksToTop();

// Sizes of the two records that store a count of their own: an argument
// block of n entries (8n + 16) and a constant pool of n entries (4n + 12).
uint32_t vsObject_argumentBlockSize(uint32_t entries);
uint32_t vsObject_constantPoolSize(uint32_t entries);
