// The subtype test, array classes and object-array stores.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/core/exception_double.h"
#include "tests/core/heap_fixture.h"
#include "vm/core/memory/heap_allocators.h"
#include "vm/core/memory/string_factory.h"
#include "vm/core/memory/write_barrier.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/handles.h"
#include "vm/core/model/kinds.h"
#include "vm/core/model/multi_array.h"
#include "vm/core/model/object_array.h"
#include "vm/core/model/roots.h"
#include "vm/core/model/subtype.h"
#include "vm/core/model/vm_globals.h"

namespace {

using SubtypeTest = HeapTest;

ClassRecord* cls(VmRef r) { return vsRef_as<ClassRecord>(r); }
ClassRecord* root(Root r) { return vsRoot_as<ClassRecord>(r); }

VmRef arrayOf(VmRef element) { return vsClass_arrayClass(&element, 1); }

TEST_F(SubtypeTest, ArraysAndObject) {
  const VmRef stringArray = arrayOf(vsRoot(kRootString));
  ASSERT_NE(stringArray, 0u);
  EXPECT_EQ(arrayOf(vsRoot(kRootString)), stringArray);  // kept in the element class
  EXPECT_TRUE(vsClass_isSubtypeOf(cls(stringArray), root(kRootObjectArray)));
  EXPECT_TRUE(vsClass_isSubtypeOf(root(kRootObjectArray), root(kRootObject)));
  EXPECT_TRUE(vsClass_isSubtypeOf(cls(stringArray), root(kRootObject)));
  EXPECT_FALSE(vsClass_isSubtypeOf(root(kRootIntArray), root(kRootObjectArray)));
  EXPECT_TRUE(vsClass_isSubtypeOf(root(kRootIntArray), root(kRootObject)));
  EXPECT_FALSE(vsClass_isSubtypeOf(root(kRootObjectArray), cls(stringArray)));
  EXPECT_FALSE(vsClass_isSubtypeOf(root(kRootObject), root(kRootString)));

  VmRef intArray = vsRoot(kRootIntArray);
  const VmRef intMatrix = vsClass_arrayClass(&intArray, 1);
  EXPECT_TRUE(vsClass_isSubtypeOf(cls(intMatrix), root(kRootObjectArray)));
  VmRef object = vsRoot(kRootObject);
  const VmRef objectCube = vsClass_arrayClass(&object, 3);
  EXPECT_EQ(cls(cls(objectCube)->elementOrLink)->elementOrLink, vsRoot(kRootObjectArray));
}

TEST_F(SubtypeTest, SuperClasses) {
  EXPECT_EQ(root(kRootObject)->superClass.raw, 0u);
  for (Root r : {kRootBooleanArray, kRootCharArray, kRootFloatArray, kRootDoubleArray, kRootByteArray,
                 kRootShortArray, kRootIntArray, kRootLongArray, kRootObjectArray})
    EXPECT_EQ(root(r)->superClass.raw, vsRoot(kRootObject)) << int{r};
  EXPECT_EQ(cls(arrayOf(vsRoot(kRootString)))->superClass.raw, vsRoot(kRootObject));
}

TEST_F(SubtypeTest, CachesMove) {
  VmHandle a;
  VmHandle b;
  vsHandle_push(&a, vsTestHeap_newClass("A", vsRoot(kRootObject), 4));
  vsHandle_push(&b, vsTestHeap_newClass("B", a.object, 4));
  ClassRecord* s = cls(b.object);
  ASSERT_TRUE(vsClass_isSubtypeOf(s, cls(a.object)));
  EXPECT_EQ(s->subtypeCache1.raw, a.object);
  EXPECT_EQ(s->subtypeCache2.raw, 0u);
  ASSERT_TRUE(vsClass_isSubtypeOf(s, root(kRootObject)));
  EXPECT_EQ(s->subtypeCache1.raw, vsRoot(kRootObject));
  EXPECT_EQ(s->subtypeCache2.raw, a.object);
  // A cached answer leaves the caches alone; a failed test too.
  ASSERT_TRUE(vsClass_isSubtypeOf(s, cls(a.object)));
  EXPECT_FALSE(vsClass_isSubtypeOf(s, root(kRootString)));
  EXPECT_EQ(s->subtypeCache1.raw, vsRoot(kRootObject));
  EXPECT_EQ(s->subtypeCache2.raw, a.object);
  vsHandle_close(&a);
}

TEST_F(SubtypeTest, InterfacesOfTheChainAndTheirSuperinterfaces) {
  const VmRef base = vsTestHeap_newClass("Base", 0, 0, true);
  const VmRef derived = vsTestHeap_newClass("Derived", 0, 0, true);
  const VmRef other = vsTestHeap_newClass("Other", 0, 0, true);
  vsTestHeap_setInterfaces(derived, {base});
  const VmRef parent = vsTestHeap_newClass("Parent", vsRoot(kRootObject), 4);
  vsTestHeap_setInterfaces(parent, {derived});
  const VmRef child = vsTestHeap_newClass("Child", parent, 4);
  EXPECT_TRUE(vsClass_isSubtypeOf(cls(child), cls(derived)));
  EXPECT_TRUE(vsClass_isSubtypeOf(cls(child), cls(base)));
  EXPECT_FALSE(vsClass_isSubtypeOf(cls(child), cls(other)));
  EXPECT_TRUE(vsClass_isSubtypeOf(cls(derived), cls(base)));
  EXPECT_TRUE(vsClass_isSubtypeOf(cls(arrayOf(child)), cls(arrayOf(base))));
}

// A chain of interfaces, each declaring the one before, and diamonds over
// it: each interface is visited once, so the answer comes at once and the
// native stack stays flat however deep the chain (a walk that recursed into
// every declared interface of every level would take 2^depth steps for the
// failing test).
TEST_F(SubtypeTest, DeepInterfaceHierarchiesAreWalkedOnce) {
  constexpr int kDepth = 1000;
  VmHandle previous;
  VmHandle first;
  vsHandle_pushEmpty(&previous);
  vsHandle_pushEmpty(&first);
  for (int i = 0; i < kDepth; ++i) {
    const VmRef iface = vsTestHeap_newClass(("I" + std::to_string(i)).c_str(), 0, 0, true);
    if (previous.object != 0) {
      // Declares the one before twice over: directly and through the one
      // before that, a diamond at every level.
      std::vector<VmRef> declared = {previous.object};
      if (i >= 2) declared.push_back(cls(previous.object)->superClass.raw);
      vsTestHeap_setInterfaces(iface, declared);
    }
    if (first.object == 0) first.object = iface;
    // Keep the one before reachable through an unused word of the record.
    vsJavaHeap_storeReference(&cls(iface)->superClass.raw, previous.object);
    previous.object = iface;
  }
  const VmRef implementer = vsTestHeap_newClass("Implementer", vsRoot(kRootObject), 4);
  vsTestHeap_setInterfaces(implementer, {previous.object});
  const VmRef other = vsTestHeap_newClass("Other", 0, 0, true);
  EXPECT_TRUE(vsClass_isSubtypeOf(cls(implementer), cls(first.object)));
  EXPECT_FALSE(vsClass_isSubtypeOf(cls(implementer), cls(other)));
  vsHandle_close(&previous);
}

class ObjectArrayCopyTest : public HeapTest {
 protected:
  void SetUp() override {
    HeapTest::SetUp();
    stringArrayClass_ = arrayOf(vsRoot(kRootString));
    strings_ = vsJavaHeap_newArray(&stringArrayClass_, 4, 4);
    objects_ = vsJavaHeap_newObjectArray(6);
    for (int32_t i = 0; i < 4; ++i)
      vsObjectArray_setElement(vsRef_as<ObjectArray>(strings_), i,
                               vsJavaHeap_newStringFromUtf8(reinterpret_cast<const uint8_t*>("s"), 1));
  }
  ObjectArray* a(VmRef r) { return vsRef_as<ObjectArray>(r); }

  VmRef stringArrayClass_ = 0;
  VmRef strings_ = 0;
  VmRef objects_ = 0;
};

TEST_F(ObjectArrayCopyTest, NothingForZeroEvenIntoAnIncompatibleArray) {
  vsObjectArray_copy(&objects_, 0, &strings_, 0, 0);
  EXPECT_FALSE(vsException_isPending());
}

TEST_F(ObjectArrayCopyTest, CompatibleCopySetsTheDestinationsBits) {
  vsGC_clearBits(objects_, objects_ + 32);
  vsObjectArray_copy(&strings_, 0, &objects_, 1, 4);
  for (int32_t i = 0; i < 6; ++i) {
    EXPECT_EQ(a(objects_)->elements[i], i >= 1 && i <= 4 ? a(strings_)->elements[i - 1] : 0u);
    EXPECT_EQ(vsGC_testBit(vsRef_of(&a(objects_)->elements[i])), i >= 1 && i <= 4) << i;
  }
}

TEST_F(ObjectArrayCopyTest, OverlappingCopiesActAsThroughATemporary) {
  for (int32_t i = 0; i < 6; ++i)
    vsObjectArray_setElement(a(objects_), i, vsJavaHeap_newFinalizableInstance(&vsRoot(kRootObject)));
  ObjectArray* o = a(objects_);
  const std::vector<VmRef> original(o->elements, o->elements + 6);
  vsObjectArray_copy(&objects_, 0, &objects_, 2, 4);
  for (int32_t i = 0; i < 4; ++i) EXPECT_EQ(o->elements[i + 2], original[i]);
  vsObjectArray_copy(&objects_, 2, &objects_, 0, 4);
  for (int32_t i = 0; i < 4; ++i) EXPECT_EQ(o->elements[i], original[i]);
}

TEST_F(ObjectArrayCopyTest, IncompatibleElementRaisesArrayStoreAfterTheEarlierOnes) {
  ObjectArray* o = a(objects_);
  o->elements[0] = a(strings_)->elements[0];
  o->elements[1] = 0;
  o->elements[2] = a(strings_)->elements[1];
  o->elements[3] = vsRoot(kRootObjectArray);  // not a String
  o->elements[4] = a(strings_)->elements[2];
  const VmRef untouched = a(strings_)->elements[3];
  vsObjectArray_copy(&objects_, 0, &strings_, 0, 5);
  EXPECT_EQ(vsTestException_last().className, "java/lang/ArrayStoreException");
  EXPECT_EQ(vsTestException_last().code, 110);
  EXPECT_EQ(a(strings_)->elements[0], o->elements[0]);
  EXPECT_EQ(a(strings_)->elements[1], 0u);
  EXPECT_EQ(a(strings_)->elements[2], o->elements[2]);
  EXPECT_EQ(a(strings_)->elements[3], untouched);
}

TEST_F(SubtypeTest, MultiDimensionalArrays) {
  VmRef intArray = vsRoot(kRootIntArray);
  VmRef matrixClass = vsClass_arrayClass(&intArray, 1);
  const int32_t shape[] = {2, 3};
  const VmRef matrix = vsArray_newMultiDimensional(&matrixClass, 2, shape);
  ASSERT_NE(matrix, 0u);
  EXPECT_EQ(vsRef_as<ObjectArray>(matrix)->length, 2);
  for (int32_t i = 0; i < 2; ++i) {
    const VmRef row = vsRef_as<ObjectArray>(matrix)->elements[i];
    ASSERT_NE(row, 0u);
    EXPECT_EQ(vsObject_class(row), root(kRootIntArray));
    EXPECT_EQ(vsRef_as<ArrayObject>(row)->length, 3);
  }
  EXPECT_NE(vsRef_as<ObjectArray>(matrix)->elements[0], vsRef_as<ObjectArray>(matrix)->elements[1]);

  VmRef object = vsRoot(kRootObject);
  VmRef cubeClass = vsClass_arrayClass(&object, 3);
  const int32_t partial[] = {2, 2};
  const VmRef cube = vsArray_newMultiDimensional(&cubeClass, 2, partial);
  const VmRef plane = vsRef_as<ObjectArray>(cube)->elements[1];
  EXPECT_EQ(vsRef_as<ArrayObject>(plane)->length, 2);
  EXPECT_EQ(vsRef_as<ObjectArray>(plane)->elements[0], 0u);
  vsTestHeap_walk();
}

TEST_F(SubtypeTest, NegativeInnerLengthAllocatesNothing) {
  VmRef intArray = vsRoot(kRootIntArray);
  VmRef matrixClass = vsClass_arrayClass(&intArray, 1);
  const VmWord top = vsVmGlobals.allocationTop;
  const int32_t shape[] = {0, -1};
  EXPECT_EQ(vsArray_newMultiDimensional(&matrixClass, 2, shape), 0u);
  EXPECT_EQ(vsTestException_last().className, "java/lang/NegativeArraySizeException");
  EXPECT_EQ(vsVmGlobals.allocationTop, top);
}

}  // namespace
