// Class ids and the records of new classes.
#include <gtest/gtest.h>

#include <vector>

#include "tests/core/heap_fixture.h"
#include "vm/core/memory/class_table.h"
#include "vm/core/memory/heap_allocators.h"
#include "vm/core/memory/java_heap.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/kinds.h"
#include "vm/core/model/model_flags.h"
#include "vm/core/model/roots.h"
#include "vm/core/model/vm_globals.h"
#include "vm/core/startup/vm_control.h"

namespace {

using ClassTableTest = HeapTest;

TEST_F(ClassTableTest, ReservingTheLastPossibleIdFails) {
  const uint32_t count = vsClassTable_count();
  vsClassTable_setCount(kMaxClassIds);
  EXPECT_EQ(vsJavaHeap_reserveClassId(), 0);
  EXPECT_EQ(vsPendingException(), vsRoot(kRootOutOfMemoryError));
  vsClassTable_setCount(count);
}

TEST_F(ClassTableTest, AFullTableGrowsByTwentySlots) {
  while (vsClassTable_count() < static_cast<uint32_t>(kTestClassTableLength))
    ASSERT_NE(vsTestHeap_newClass("Filler", vsRoot(kRootObject), 4), 0u);
  const VmRef old = vsRoot(kRootClassTable);
  const std::vector<VmRef> before(vsRef_as<ObjectArray>(old)->elements,
                                  vsRef_as<ObjectArray>(old)->elements + kTestClassTableLength);
  const VmRef added = vsTestHeap_newClass("Grown", vsRoot(kRootObject), 4);
  ASSERT_NE(added, 0u);
  const ObjectArray* table = vsRoot_as<ObjectArray>(kRootClassTable);
  EXPECT_NE(vsRoot(kRootClassTable), old);
  EXPECT_EQ(table->length, kTestClassTableLength + 20);
  for (int32_t i = 0; i < kTestClassTableLength; ++i) EXPECT_EQ(table->elements[i], before[i]);
  EXPECT_EQ(table->elements[kTestClassTableLength], added);
  EXPECT_EQ(vsClass_id(vsRef_as<ClassRecord>(added)), kTestClassTableLength);
  EXPECT_EQ(vsVmGlobals.classTable, vsRoot(kRootClassTable) + 8);
  EXPECT_EQ(vsClass_byId(kTestClassTableLength), vsRef_as<ClassRecord>(added));
}

TEST_F(ClassTableTest, AFullTableNeverGrowsWhileTheImageIsBuilt) {
  while (vsClassTable_count() < static_cast<uint32_t>(kTestClassTableLength))
    ASSERT_NE(vsTestHeap_newClass("Filler", vsRoot(kRootObject), 4), 0u);
  const VmRef table = vsRoot(kRootClassTable);
  vsVmState().buildingImage = 1;
  EXPECT_EQ(vsJavaHeap_reserveClassId(), 0);
  EXPECT_EQ(vsPendingException(), vsRoot(kRootOutOfMemoryError));
  EXPECT_EQ(vsRoot(kRootClassTable), table);
  vsVmState().buildingImage = 0;
}

TEST_F(ClassTableTest, ReplacingTheLastClassKeepsTheOldId) {
  VmRef stub = vsTestHeap_newClass("Stub", vsRoot(kRootObject), 4);
  VmRef real = vsTestHeap_newClass("Real", vsRoot(kRootObject), 8);
  const uint16_t stubId = vsClass_id(vsRef_as<ClassRecord>(stub));
  const uint32_t count = vsClassTable_count();
  vsJavaHeap_replaceLastClass(&real, &stub);
  EXPECT_EQ(vsClassTable_count(), count - 1);
  EXPECT_EQ(vsClass_id(vsRef_as<ClassRecord>(real)), stubId);
  EXPECT_EQ(vsClass_byId(stubId), vsRef_as<ClassRecord>(real));
  EXPECT_EQ(vsRoot_as<ObjectArray>(kRootClassTable)->elements[count - 1], 0u);
}

TEST_F(ClassTableTest, NewInstanceClassLinksItsRecords) {
  const VmRef cls = vsJavaHeap_newInstanceClass(3, 8, 2, 12, 5, 20);
  ASSERT_NE(cls, 0u);
  const ClassRecord* c = vsRef_as<ClassRecord>(cls);
  EXPECT_EQ(vsObject_kind(cls), kKindInstanceClass);
  EXPECT_EQ(c->recordSize, (12 + 5 + 51) & ~3);
  EXPECT_EQ(c->oopMap, (12u + 51) & ~3u);
  EXPECT_EQ(c->instanceKind, 20);
  const ClassInfo* ci = c->classInfo.get();
  EXPECT_EQ(ci->vtableLength, 3);
  EXPECT_EQ(ci->itableLength, 2);
  EXPECT_EQ(ci->recordSize, (8 + 12 + 39) & ~3);
  EXPECT_EQ(vsClass_byId(ci->classId), c);
  const ObjectNear* near = c->protoNear.get();
  EXPECT_EQ(near->classRecord.get(), c);
  EXPECT_EQ(near->classInfo.get(), ci);
  EXPECT_EQ(near->hashAndLock, 0u);
}

TEST_F(ClassTableTest, NewInstanceClassRefusesSizesOutOfRange) {
  const uint32_t count = vsClassTable_count();
  const uint32_t cases[][6] = {{0x10000, 0, 0, 0, 0, 4}, {0, 0, 0, 0, 0x10000, 4},
                               {0, 0, 0, 0, 0, 32768}, {0, 0, 0, 0xfff0, 0xfff0, 4}};
  for (const auto& c : cases) {
    EXPECT_EQ(vsJavaHeap_newInstanceClass(c[0], c[1], c[2], c[3], c[4], c[5]), 0u);
    EXPECT_EQ(vsPendingException(), vsRoot(kRootOutOfMemoryError));
    vsPendingException() = 0;
  }
  EXPECT_EQ(vsClassTable_count(), count);
}

TEST_F(ClassTableTest, ArrayClassesAreObjectArraysOfTheirElement) {
  VmRef element = vsRoot(kRootString);
  const VmRef cls = vsJavaHeap_newArrayClass(&element);
  ASSERT_NE(cls, 0u);
  const ClassRecord* c = vsRef_as<ClassRecord>(cls);
  EXPECT_EQ(vsObject_kind(cls), kKindObjectArrayClass);
  EXPECT_EQ(c->instanceKind, kKindObjectArray);
  EXPECT_EQ(c->recordSize, kClassRecordHeadBytes);
  EXPECT_EQ(c->elementOrLink, vsRoot(kRootString));
  EXPECT_EQ(c->superClass.raw, vsRoot(kRootObject));
  EXPECT_TRUE(vsClass_isArrayClass(c));
  EXPECT_EQ(vsArrayClass_elementSize(c), 4);
  EXPECT_EQ(vsClass_byId(vsClass_id(c)), c);
}

}  // namespace
