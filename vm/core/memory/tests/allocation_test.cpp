// Sizes and failures of the typed allocators, and object shrinking.
#include <gtest/gtest.h>

#include "tests/core/exception_double.h"
#include "tests/core/heap_fixture.h"
#include "vm/core/memory/gc_front.h"
#include "vm/core/memory/heap_allocators.h"
#include "vm/core/memory/java_heap.h"
#include "vm/core/memory/object_size.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/handles.h"
#include "vm/core/model/kinds.h"
#include "vm/core/model/roots.h"
#include "vm/core/model/vm_globals.h"
#include "vm/core/startup/vm_control.h"

namespace {

using AllocationTest = HeapTest;

VmWord top() { return vsVmGlobals.allocationTop; }

TEST_F(AllocationTest, ByteArraysTakeTheirRoundedSize) {
  const struct {
    int32_t n;
    uint32_t bytes;
  } cases[] = {{0, 8}, {1, 12}, {2, 12}, {3, 12}, {4, 12}, {5, 16}};
  for (const auto& c : cases) {
    const VmWord before = top();
    const VmRef array = vsJavaHeap_newByteArray(c.n);
    ASSERT_EQ(array, before);
    EXPECT_EQ(top() - before, c.bytes) << "byte[" << c.n << "]";
    EXPECT_EQ(vsRef_as<ArrayObject>(array)->length, c.n);
    EXPECT_TRUE(vsObject_isByteArray(array));
  }
}

TEST_F(AllocationTest, EmptyCharArrayIsNewButEmptyShortAndObjectArraysAreShared) {
  const VmWord before = top();
  const VmRef chars = vsJavaHeap_newCharArray(0);
  EXPECT_EQ(chars, before);
  EXPECT_EQ(top() - before, 8u);
  EXPECT_NE(vsJavaHeap_newCharArray(0), chars);

  const VmWord unchanged = top();
  EXPECT_EQ(vsJavaHeap_newShortArray(0), vsRoot(kRootEmptyExceptionTable));
  EXPECT_EQ(vsJavaHeap_newShortArray(0), vsRoot(kRootEmptyExceptionTable));
  EXPECT_EQ(vsJavaHeap_newObjectArray(0), vsRoot(kRootEmptyObjectArray));
  EXPECT_EQ(vsJavaHeap_newObjectArray(0), vsRoot(kRootEmptyObjectArray));
  EXPECT_EQ(top(), unchanged);
}

TEST_F(AllocationTest, NegativeLengthRaisesNegativeArraySize) {
  const VmWord before = top();
  EXPECT_EQ(vsJavaHeap_newIntArray(-1), 0u);
  EXPECT_TRUE(vsException_isPending());
  EXPECT_EQ(vsTestException_last().className, "java/lang/NegativeArraySizeException");
  EXPECT_EQ(top(), before);
}

TEST_F(AllocationTest, TooLongArrayRaisesOutOfMemoryWithoutCollecting) {
  // In the start-up phase reaching the front end would end the VM.
  vsVmState().startupPhase = 1;
  const VmWord before = top();
  EXPECT_EQ(vsJavaHeap_newByteArray(0x8000001), 0u);
  EXPECT_EQ(vsPendingException(), vsRoot(kRootOutOfMemoryError));
  EXPECT_EQ(top(), before);
  vsVmState().startupPhase = 0;
}

TEST_F(AllocationTest, ExhaustedHeapRaisesOutOfMemoryAfterStartUp) {
  // The collections before the failure may reclaim, never allocate.
  const VmWord before = top();
  EXPECT_EQ(vsJavaHeap_newByteArray(0x8000000), 0u);
  EXPECT_EQ(vsPendingException(), vsRoot(kRootOutOfMemoryError));
  EXPECT_LE(top(), before);
}

TEST_F(AllocationTest, InstancesOfSizeStoreTheClassItself) {
  const VmRef near = vsJavaHeap_newInstanceOfSize(&vsRoot(kRootString), 12);
  ASSERT_NE(near, 0u);
  const VmWord* words = vsRef_as<VmWord>(near);
  EXPECT_EQ(words[0], vsRoot(kRootString));
  EXPECT_EQ(words[1], vsRoot_as<ClassRecord>(kRootString)->classInfo.raw);
  EXPECT_EQ(words[2], 0u);
  EXPECT_EQ(vsObject_kind(near), kKindNear);
}

TEST_F(AllocationTest, MethodRecordPointsAtItsOwnEntryWord) {
  const VmRef method = vsJavaHeap_newMethod(7);
  ASSERT_NE(method, 0u);
  MethodRecord* m = vsRef_as<MethodRecord>(method);
  EXPECT_EQ(m->codeLength, 7);
  EXPECT_EQ(m->entryWord.get(), &m->ownEntry);
  EXPECT_EQ(vsObject_kind(method), kKindMethod);
}

TEST_F(AllocationTest, ClassInfoRefusesASizeItsRecordCannotHold) {
  EXPECT_EQ(vsJavaHeap_newClassInfo(0x3000, 0, 0x8000, false), 0u);
  EXPECT_EQ(vsPendingException(), vsRoot(kRootOutOfMemoryError));
}

TEST_F(AllocationTest, CountsWhoseSizeOverflowsAWordFail) {
  const VmWord before = top();
  const struct {
    const char* what;
    VmRef (*allocate)();
  } cases[] = {
      {"pair array", [] { return vsJavaHeap_newPairArray(0x20000000); }},
      {"counted record", [] { return vsJavaHeap_newCountedRecord(0x40000000); }},
      {"stack chunk", [] { return vsJavaHeap_newStackChunk(0xfffffff0u); }},
      {"compiled code", [] { return vsJavaHeap_newCompiledCode(0x1000000); }},
      {"constant pool", [] { return vsJavaHeap_newWordRecord(0x10000); }},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.allocate(), 0u) << c.what;
    EXPECT_EQ(vsPendingException(), vsRoot(kRootOutOfMemoryError)) << c.what;
    vsPendingException() = 0;
  }
  EXPECT_EQ(top(), before);
}

TEST_F(AllocationTest, ArrayOfAnElementClassUsesItsArrayClass) {
  const VmRef strings = vsJavaHeap_newArrayOf(&vsRoot(kRootString), 3);
  ASSERT_NE(strings, 0u);
  const ClassRecord* arrayClass = vsObject_class(strings);
  EXPECT_EQ(arrayClass, vsRoot_as<ClassRecord>(kRootString)->arrayClass.get());
  EXPECT_EQ(arrayClass->elementOrLink, vsRoot(kRootString));
  EXPECT_EQ(vsRef_as<ArrayObject>(strings)->length, 3);
  EXPECT_EQ(vsObject_class(vsJavaHeap_newArrayOf(&vsRoot(kRootString), 1)), arrayClass);
  EXPECT_EQ(vsJavaHeap_newArrayOf(&vsRoot(kRootString), -2), 0u);
  EXPECT_EQ(vsTestException_last().className, "java/lang/NegativeArraySizeException");
}

TEST_F(AllocationTest, StackChunksAreLinkedAtTheHead) {
  const VmRef first = vsJavaHeap_newStackChunk(64);
  const VmRef second = vsJavaHeap_newStackChunk(32);
  EXPECT_EQ(vsJavaHeap.stackChunkList, second);
  EXPECT_EQ(vsRef_as<StackChunk>(second)->next, first);
  EXPECT_EQ(vsRef_as<StackChunk>(second)->length, 32u);
}

TEST_F(AllocationTest, ConstantPoolOfTheParserHasItsTagArray) {
  const VmRef pool = vsJavaHeap_newConstantPool(6);
  ASSERT_NE(pool, 0u);
  const ConstantPool* p = vsRef_as<ConstantPool>(pool);
  EXPECT_EQ(p->count, 6);
  ASSERT_NE(p->tags, 0u);
  EXPECT_TRUE(vsObject_isByteArray(p->tags));
  EXPECT_EQ(vsRef_as<ArrayObject>(p->tags)->length, 6);
}

// A compacting collection before the record's allocation slides the name
// down over the dead array below it; the record names it where it went.
TEST_F(AllocationTest, ClassLoadingRecordKeepsItsNameThroughACompaction) {
  ASSERT_NE(vsJavaHeap_newByteArray(64), 0u);  // dies at once
  VmHandle name;
  vsHandle_push(&name, vsJavaHeap_newByteArray(4));
  ASSERT_NE(name.object, 0u);
  const VmRef before = name.object;
  vsGC_stress = GcStress{1, 1, 1, 0};
  const VmRef record = vsJavaHeap_newClassLoadingRecord(name.object);
  vsGC_stress = GcStress{0, 0, 0, 0};
  ASSERT_NE(record, 0u);
  ASSERT_NE(name.object, before) << "the collection did not move the name";
  EXPECT_EQ(vsRef_as<VmWord>(record)[3], name.object);
  vsHandle_close(&name);
}

TEST_F(AllocationTest, ShrinkingLeavesAFillerOrAnEmptyByteArray) {
  // int[4] is 24 bytes; int[3] 20 and int[2] 16.
  struct Case {
    int32_t newLength;
    bool keepHead;
  };
  for (const Case c : {Case{3, true}, Case{3, false}, Case{2, true}, Case{2, false}}) {
    VmRef array = vsJavaHeap_newIntArray(4);
    const VmWord header = vsRef_as<VmWord>(array)[0];
    const uint32_t newSize = (4u * c.newLength + 11) & ~3u;
    const VmRef shrunk = vsJavaHeap_shrinkObject(&array, 24, newSize, c.keepHead);
    const uint32_t d = 24 - newSize;
    const VmRef freed = c.keepHead ? array + newSize : array;
    EXPECT_EQ(shrunk, c.keepHead ? array : array + d);
    EXPECT_EQ(vsRef_as<VmWord>(shrunk)[0], header);
    vsRef_as<ArrayObject>(shrunk)->length = c.newLength;
    if (d == 4) {
      EXPECT_EQ(vsObject_kind(freed), kKindOneWordNear);
    } else {
      EXPECT_TRUE(vsObject_isByteArray(freed));
      EXPECT_EQ(vsRef_as<ArrayObject>(freed)->length, 0);
    }
    EXPECT_EQ(vsJavaHeap_objectSize(freed), d);
  }
  EXPECT_EQ(vsJavaHeap_shrinkObject(&vsRoot(kRootOutOfMemoryError), 8, 8, true), vsRoot(kRootOutOfMemoryError));
  vsTestHeap_walk();
}

}  // namespace
