// Typed allocators (see heap_allocators.h).
#include "vm/core/memory/heap_allocators.h"

#include <cstring>

#include "vm/core/interp/exceptions.h"
#include "vm/core/memory/finalization.h"
#include "vm/core/memory/gc_front.h"
#include "vm/core/memory/java_heap.h"
#include "vm/core/memory/write_barrier.h"
#include "vm/core/model/basic_types.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/handles.h"
#include "vm/core/model/model_flags.h"
#include "vm/core/model/object_helpers.h"
#include "vm/core/model/roots.h"
#include "vm/core/startup/output_stream.h"
#include "vm/core/startup/vm_flags.h"

namespace {

constexpr uint32_t roundDown4(uint32_t v) { return v & ~uint32_t{3}; }

// Allocates `size` bytes (a 64-bit request that does not fit the heap's
// words fails at once) and stores the class's prototypical near as header.
VmRef allocateWithNear(const VmRef* cls, uint64_t size) {
  if (size > 0xffffffffu) {
    vsException_throwOutOfMemoryError();
    return 0;
  }
  const VmRef object = vsJavaHeap_allocate(static_cast<uint32_t>(size));
  if (object == 0) return 0;
  vsJavaHeap_storeReference(vsRef_as<VmWord>(object), vsRef_as<ClassRecord>(*cls)->protoNear.raw);
  return object;
}

VmRef allocateRecord(Root root, uint64_t size) { return allocateWithNear(&vsRoot(root), size); }

VmRef newPrimitiveArray(int32_t basicType, int32_t n) {
  return vsJavaHeap_newArray(&vsRoot(vsRoot_primitiveArray(basicType)), n,
                             vsBasicType_byteSize(basicType));
}

}  // namespace

VmRef vsJavaHeap_newArray(const VmRef* arrayClass, int32_t n, int32_t elementSize) {
  if (n < 0) {
    vsException_raise(kNegativeArraySizeClass, nullptr);
    return 0;
  }
  if (n > kMaxArrayElements) {
    vsException_throwOutOfMemoryError();
    return 0;
  }
  const uint64_t size = roundDown4(static_cast<uint32_t>(n) * static_cast<uint32_t>(elementSize) + 11);
  const VmRef array = allocateWithNear(arrayClass, size);
  if (array != 0) vsRef_as<ArrayObject>(array)->length = n;
  return array;
}

VmRef vsJavaHeap_newTypedArray(const VmRef* arrayClass, int32_t n) {
  return vsJavaHeap_newArray(arrayClass, n, vsArrayClass_elementSize(vsRef_as<ClassRecord>(*arrayClass)));
}

VmRef vsJavaHeap_newBooleanArray(int32_t n) { return newPrimitiveArray(kTypeBoolean, n); }
VmRef vsJavaHeap_newByteArray(int32_t n) { return newPrimitiveArray(kTypeByte, n); }
VmRef vsJavaHeap_newCharArray(int32_t n) { return newPrimitiveArray(kTypeChar, n); }
VmRef vsJavaHeap_newIntArray(int32_t n) { return newPrimitiveArray(kTypeInt, n); }
VmRef vsJavaHeap_newFloatArray(int32_t n) { return newPrimitiveArray(kTypeFloat, n); }
VmRef vsJavaHeap_newLongArray(int32_t n) { return newPrimitiveArray(kTypeLong, n); }
VmRef vsJavaHeap_newDoubleArray(int32_t n) { return newPrimitiveArray(kTypeDouble, n); }

VmRef vsJavaHeap_newShortArray(int32_t n) {
  if (n == 0) return vsRoot(kRootEmptyExceptionTable);
  return newPrimitiveArray(kTypeShort, n);
}

VmRef vsJavaHeap_newObjectArray(int32_t n) {
  if (n == 0) return vsRoot(kRootEmptyObjectArray);
  return vsJavaHeap_newArray(&vsRoot(kRootObjectArray), n, 4);
}

VmRef vsJavaHeap_newArrayOf(const VmRef* elementClass, int32_t n) {
  VmHandle arrayClass;
  vsHandle_push(&arrayClass, vsClass_arrayClass(elementClass, 1));
  VmRef array = 0;
  if (arrayClass.object != 0) array = vsJavaHeap_newArray(&arrayClass.object, n, 4);
  vsHandle_close(&arrayClass);
  return array;
}

VmRef vsJavaHeap_newInstance(const VmRef* cls, uint32_t size) { return allocateWithNear(cls, size); }

VmRef vsJavaHeap_newInstanceOfSize(const VmRef* cls, uint32_t size) {
  const VmRef object = vsJavaHeap_allocate(size);
  if (object == 0) return 0;
  VmWord* words = vsRef_as<VmWord>(object);
  vsJavaHeap_storeReference(&words[0], *cls);
  if (size == sizeof(ObjectNear))
    vsJavaHeap_storeReference(&words[1], vsRef_as<ClassRecord>(*cls)->classInfo.raw);
  return object;
}

VmRef vsJavaHeap_newFinalizableInstance(const VmRef* cls) {
  const int16_t size = vsRef_as<ClassRecord>(*cls)->instanceKind;
  // The collection below runs finalizers, which may allocate.
  VmHandle object;
  vsHandle_push(&object, allocateWithNear(cls, static_cast<uint16_t>(size)));
  if (object.object != 0) {
    FinalizationLists& lists = vsFinalizer_lists;
    const uint32_t count = lists.allocationCount++;
    if (count > static_cast<uint32_t>(vsVmFlags().FinalizePerNewInstanceFreq)) {
      if (vsVmFlags().RepotFinalization != 0)
        vsOutputStream_printLine(vsOutputStream_log(),
                                 "RepotFinalization: executing preceding_finalizer for FinalizePerNewInstanceFreq.");
      vsGC_fullCollection();
      lists.allocationCount = 0;
    }
    const ClassRecord* c = vsRef_as<ClassRecord>(*cls);
    const bool finalizable = (c->classInfo->accessFlags & kClassFinalizable) != 0 && c->finalizer != 0;
    if (finalizable && vsFinalizer_register(&object.object) == 0) object.object = 0;
  }
  const VmRef result = object.object;
  vsHandle_close(&object);
  return result;
}

VmRef vsJavaHeap_newMethod(uint16_t codeLength) {
  const VmRef method = allocateRecord(kRootMethodClass, roundDown4(codeLength + 43u));
  if (method == 0) return 0;
  MethodRecord* m = vsRef_as<MethodRecord>(method);
  m->codeLength = codeLength;
  m->entryWord = &m->ownEntry;
  return method;
}

namespace {

VmRef newSymbolFrom(const VmRef* holder, const uint8_t* bytes, uint32_t offset, uint16_t n) {
  const VmRef symbol = allocateRecord(kRootSymbolClass, roundDown4(n + 9u));
  if (symbol == 0) return 0;
  VmSymbol* s = vsRef_as<VmSymbol>(symbol);
  s->length = n;
  // The holder may have moved during the allocation: read through it now.
  const uint8_t* from = holder != nullptr ? vsRef_as<uint8_t>(*holder) + offset : bytes;
  if (n != 0) std::memcpy(s->bytes, from, n);
  return symbol;
}

}  // namespace

VmRef vsJavaHeap_newSymbol(const uint8_t* bytes, uint16_t n) {
  return newSymbolFrom(nullptr, bytes, 0, n);
}

VmRef vsJavaHeap_newSymbolFromObject(const VmRef* holder, uint32_t offset, uint16_t n) {
  return newSymbolFrom(holder, nullptr, offset, n);
}

VmRef vsJavaHeap_newClassInfo(uint32_t vtableLength, uint32_t lengthsWord, uint32_t extraBytes,
                              bool isArray) {
  const uint64_t size = (uint64_t{extraBytes} + 4 * uint64_t{vtableLength} + 39) & ~uint64_t{3};
  // The record keeps its size in 16 bits, and the heap walk reads it.
  if (size > 0xffff || vtableLength > 0xffff) {
    vsException_throwOutOfMemoryError();
    return 0;
  }
  const VmRef record = allocateRecord(kRootClassInfoClass, size);
  if (record == 0) return 0;
  ClassInfo* ci = vsRef_as<ClassInfo>(record);
  ci->recordSize = static_cast<uint16_t>(size);
  ci->vtableLength = static_cast<uint16_t>(vtableLength);
  ci->itableLength = static_cast<uint16_t>(lengthsWord);
  ci->classId = static_cast<uint16_t>(lengthsWord >> 16);
  if (isArray) ci->accessFlags |= kClassArray;
  return record;
}

VmRef vsJavaHeap_newStackChunk(uint32_t n) {
  const VmRef chunk = allocateRecord(kRootStackChunkClass, (uint64_t{n} + 19) & ~uint64_t{3});
  if (chunk == 0) return 0;
  StackChunk* c = vsRef_as<StackChunk>(chunk);
  c->length = n;
  vsJavaHeap_storeReference(&c->next, vsJavaHeap.stackChunkList);
  vsJavaHeap.stackChunkList = chunk;
  return chunk;
}

VmRef vsJavaHeap_newCompiledCode(uint32_t n) {
  if (n > 0xffffff) {
    vsException_throwOutOfMemoryError();
    return 0;
  }
  const VmRef block = allocateRecord(kRootCompiledCodeClass, roundDown4(n + 23));
  if (block != 0) vsRef_as<CompiledCodeBlock>(block)->sizeWord = n;
  return block;
}

VmRef vsJavaHeap_newPairArray(uint32_t n) {
  const VmRef block = allocateRecord(kRootArgumentBlockClass, (8 * uint64_t{n} + 19) & ~uint64_t{3});
  if (block != 0) vsRef_as<ArgumentBlock>(block)->count = n;
  return block;
}

VmRef vsJavaHeap_newPendingCall(const VmRef* method, uint32_t n) {
  const VmRef block = vsJavaHeap_newPairArray(n);
  if (block != 0) vsJavaHeap_storeReference(&vsRef_as<ArgumentBlock>(block)->ref0, *method);
  return block;
}

VmRef vsJavaHeap_newWordRecord(uint32_t n) {
  if (n > 0xffff) {
    vsException_throwOutOfMemoryError();
    return 0;
  }
  const VmRef pool = allocateRecord(kRootConstantPoolClass, roundDown4(4 * n + 15));
  if (pool != 0) vsRef_as<ConstantPool>(pool)->count = static_cast<uint16_t>(n);
  return pool;
}

VmRef vsJavaHeap_newConstantPool(uint32_t n) {
  VmHandle pool;
  vsHandle_push(&pool, vsJavaHeap_newWordRecord(n));
  VmRef result = 0;
  if (pool.object != 0) {
    const VmRef tags = vsJavaHeap_newByteArray(static_cast<int32_t>(n));
    if (tags != 0) {
      vsJavaHeap_storeReference(&vsRef_as<ConstantPool>(pool.object)->tags, tags);
      result = pool.object;
    }
  }
  vsHandle_close(&pool);
  return result;
}

VmRef vsJavaHeap_newCountedRecord(uint32_t n) {
  const VmRef record = allocateRecord(kRootStackMapClass, (4 * uint64_t{n} + 11) & ~uint64_t{3});
  if (record != 0) vsRef_as<CountedRecord>(record)->count = n;
  return record;
}

VmRef vsJavaHeap_newClassLoadingRecord(VmWord word3) {
  // The allocation may move the object word 3 refers to.
  VmHandle held;
  vsHandle_push(&held, word3);
  const VmRef record = allocateRecord(kRootClassLoadingClass, kClassLoadingRecordBytes);
  if (record != 0) vsJavaHeap_storeReference(&vsRef_as<VmWord>(record)[3], held.object);
  vsHandle_close(&held);
  return record;
}

VmRef vsJavaHeap_newZipStreamRecord() {
  return allocateRecord(kRootZipStreamClass, kZipStreamRecordBytes);
}

VmRef vsJavaHeap_newThreadRecord() {
  return allocateRecord(kRootThreadRecordClass, kThreadRecordBytes);
}

VmRef vsJavaHeap_newMonitorRecord() {
  return allocateRecord(kRootMonitorClass, kMonitorRecordBytes);
}

VmRef vsJavaHeap_shrinkObject(const VmRef* object, uint32_t oldSize, uint32_t newSize,
                              bool keepHead) {
  VmRef start = *object;
  if (oldSize == newSize) return start;
  const uint32_t d = oldSize - newSize;
  VmRef freed;
  if (keepHead) {
    freed = start + newSize;
  } else {
    VmWord* words = vsRef_as<VmWord>(start);
    vsJavaHeap_storeReference(&words[d / 4], words[0]);
    freed = start;
    start += d;
  }
  VmWord* filler = vsRef_as<VmWord>(freed);
  if (d == 4) {
    vsJavaHeap_storeReference(&filler[0], vsObject_fillerNear());
  } else {
    vsJavaHeap_storeReference(&filler[0], vsRoot_as<ClassRecord>(kRootByteArray)->protoNear.raw);
    filler[1] = d - 8;
  }
  return start;
}
