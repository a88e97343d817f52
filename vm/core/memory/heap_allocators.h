// Typed allocators of the Java heap.
//
// Each goes through vsJavaHeap_allocate, stores the prototypical near record
// of the object's class as word 0 (through the write barrier) unless said
// otherwise, and returns the new object, or 0 with an exception pending.
// Class arguments are GC handles. Sizes (bytes, rounded down to 4):
//
//   array of n elements of e bytes    n * e + 11
//   method record                     code length + 43
//   symbol                            n + 9
//   class-info record                 extra bytes + 4 * vtable length + 39
//   stack chunk                       n + 19
//   compiled-code block               n + 23
//   argument block / pending call     8n + 19
//   constant pool of n entries        4n + 15
//   counted record of n words         4n + 11
#pragma once

#include <cstdint>

#include "vm/core/model/object_layout.h"

// n < 0 raises NegativeArraySizeException; n above 0x8000000 raises
// OutOfMemoryError without trying to collect.
[[nodiscard]] VmRef vsJavaHeap_newArray(const VmRef* arrayClass, int32_t n, int32_t elementSize);
// Element size from the array class.
[[nodiscard]] VmRef vsJavaHeap_newTypedArray(const VmRef* arrayClass, int32_t n);
[[nodiscard]] VmRef vsJavaHeap_newBooleanArray(int32_t n);
[[nodiscard]] VmRef vsJavaHeap_newByteArray(int32_t n);
[[nodiscard]] VmRef vsJavaHeap_newCharArray(int32_t n);
// n = 0 gives the shared empty short[] (root 42).
[[nodiscard]] VmRef vsJavaHeap_newShortArray(int32_t n);
[[nodiscard]] VmRef vsJavaHeap_newIntArray(int32_t n);
[[nodiscard]] VmRef vsJavaHeap_newFloatArray(int32_t n);
[[nodiscard]] VmRef vsJavaHeap_newLongArray(int32_t n);
[[nodiscard]] VmRef vsJavaHeap_newDoubleArray(int32_t n);
// n = 0 gives the shared empty Object[] (root 41).
[[nodiscard]] VmRef vsJavaHeap_newObjectArray(int32_t n);
// An array of the element class's array class.
[[nodiscard]] VmRef vsJavaHeap_newArrayOf(const VmRef* elementClass, int32_t n);

[[nodiscard]] VmRef vsJavaHeap_newInstance(const VmRef* cls, uint32_t size);
// Small records whose word 0 is the class itself; the 12-byte form (a near
// record) also copies the class's class-info record into word 1.
[[nodiscard]] VmRef vsJavaHeap_newInstanceOfSize(const VmRef* cls, uint32_t size);
// An instance of the class's own instance size. Every call counts: the
// call after FinalizePerNewInstanceFreq more first runs a full collection
// (logged when RepotFinalization is on), which runs the finalizers of
// what became unreachable. An instance of a finalizable class (class-info
// flag 0x40000000) with a finalizer function is registered for
// finalization; 0 with OutOfMemoryError pending when its record cannot be
// allocated.
[[nodiscard]] VmRef vsJavaHeap_newFinalizableInstance(const VmRef* cls);

// A method record whose entry-word pointer points at its own entry word.
[[nodiscard]] VmRef vsJavaHeap_newMethod(uint16_t codeLength);
// A symbol with a copy of n bytes.
[[nodiscard]] VmRef vsJavaHeap_newSymbol(const uint8_t* bytes, uint16_t n);
// The same, with the bytes inside another heap object (holder + offset).
[[nodiscard]] VmRef vsJavaHeap_newSymbolFromObject(const VmRef* holder, uint32_t offset, uint16_t n);
// lengthsWord is item 3: interface-table length | class id << 16.
[[nodiscard]] VmRef vsJavaHeap_newClassInfo(uint32_t vtableLength, uint32_t lengthsWord, uint32_t extraBytes,
                              bool isArray);
// A stack chunk of n bytes, linked at the head of the stack-chunk list.
[[nodiscard]] VmRef vsJavaHeap_newStackChunk(uint32_t n);
[[nodiscard]] VmRef vsJavaHeap_newCompiledCode(uint32_t n);
// An argument block of n entries; the pending-call form also stores the
// called method in word 2.
[[nodiscard]] VmRef vsJavaHeap_newPairArray(uint32_t n);
[[nodiscard]] VmRef vsJavaHeap_newPendingCall(const VmRef* method, uint32_t n);
// A constant pool of n entries; the parser's form also allocates the tag
// array of n bytes and stores it in word 2.
[[nodiscard]] VmRef vsJavaHeap_newWordRecord(uint32_t n);
[[nodiscard]] VmRef vsJavaHeap_newConstantPool(uint32_t n);
[[nodiscard]] VmRef vsJavaHeap_newCountedRecord(uint32_t n);
// The 44-byte class-loading record (word 3 from the argument, word 2 = 0).
[[nodiscard]] VmRef vsJavaHeap_newClassLoadingRecord(VmWord word3);
[[nodiscard]] VmRef vsJavaHeap_newZipStreamRecord();
[[nodiscard]] VmRef vsJavaHeap_newThreadRecord();
[[nodiscard]] VmRef vsJavaHeap_newMonitorRecord();

// Gives back the tail (keepHead) or the head of an object: the freed bytes
// become a one-word filler (4 bytes) or a byte array. Returns the object's
// address, which moves up by the difference without keepHead (only the
// header word is copied).
VmRef vsJavaHeap_shrinkObject(const VmRef* object, uint32_t oldSize, uint32_t newSize,
                              bool keepHead);
