// The heap stays walkable by the size rule after every kind of allocation.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "tests/core/heap_fixture.h"
#include "vm/core/memory/class_table.h"
#include "vm/core/memory/heap_allocators.h"
#include "vm/core/memory/object_size.h"
#include "vm/core/memory/string_factory.h"
#include "vm/core/model/handles.h"
#include "vm/core/model/roots.h"
#include "vm/core/model/vm_globals.h"

namespace {

using HeapWalkTest = HeapTest;

TEST_F(HeapWalkTest, MeetsEveryObjectAndEndsOnTheTop) {
  std::vector<VmRef> made;
  auto keep = [&made](VmRef r) {
    ASSERT_NE(r, 0u);
    made.push_back(r);
  };
  const Root arrays[] = {kRootBooleanArray, kRootCharArray, kRootFloatArray, kRootDoubleArray, kRootByteArray,
                         kRootShortArray,   kRootIntArray,  kRootLongArray,  kRootObjectArray};
  for (Root r : arrays)
    for (int32_t n = 0; n <= 5; ++n)
      keep(vsJavaHeap_newTypedArray(&vsRoot(r), n));

  VmHandle point;
  vsHandle_push(&point, vsTestHeap_newClass("Point", vsRoot(kRootObject), 12));
  keep(point.object);
  keep(vsJavaHeap_newInstance(&point.object, 12));
  keep(vsJavaHeap_newInstanceOfSize(&vsRoot(kRootSymbolClass), 4));
  keep(vsJavaHeap_newInstanceOfSize(&vsRoot(kRootMethodClass), 8));
  keep(vsJavaHeap_newInstanceOfSize(&point.object, 12));
  keep(vsJavaHeap_newStringFromUtf8(reinterpret_cast<const uint8_t*>("walk"), 4));
  for (uint16_t n = 0; n <= 9; ++n) keep(vsJavaHeap_newMethod(n));
  const uint8_t bytes[] = "abcdefghi";
  for (uint16_t n = 0; n <= 9; ++n) keep(vsJavaHeap_newSymbol(bytes, n));
  keep(vsJavaHeap_newClassInfo(3, 0, 10, false));
  keep(vsJavaHeap_newInstanceClass(2, 8, 0, 12, 5, 16));
  keep(vsJavaHeap_newArrayClass(&point.object));
  keep(vsJavaHeap_newStackChunk(37));
  keep(vsJavaHeap_newPairArray(3));
  const VmRef pool = vsJavaHeap_newConstantPool(5);
  keep(pool);
  keep(vsRef_as<ConstantPool>(pool)->tags);
  keep(vsJavaHeap_newCountedRecord(4));
  keep(vsJavaHeap_newCompiledCode(13));
  keep(vsJavaHeap_newClassLoadingRecord(0));
  keep(vsJavaHeap_newZipStreamRecord());
  keep(vsJavaHeap_newThreadRecord());
  keep(vsJavaHeap_newMonitorRecord());
  vsHandle_close(&point);
  ASSERT_FALSE(vsException_isPending());

  const std::vector<VmWord> starts = vsTestHeap_walk();
  for (VmRef r : made)
    EXPECT_TRUE(std::binary_search(starts.begin(), starts.end(), r)) << "not met: " << std::hex << r;
}

TEST_F(HeapWalkTest, MeasuresEachKindByItsRule) {
  struct Case {
    VmRef object;
    uint32_t size;
  };
  const Case cases[] = {
      {vsJavaHeap_newByteArray(5), 16},       {vsJavaHeap_newCharArray(3), 16},
      {vsJavaHeap_newLongArray(2), 24},       {vsJavaHeap_newMethod(5), 48},
      {vsJavaHeap_newSymbol(reinterpret_cast<const uint8_t*>(""), 0), 8},  {vsJavaHeap_newStackChunk(1), 20},
      {vsJavaHeap_newPairArray(2), 32},       {vsJavaHeap_newWordRecord(3), 24},
      {vsJavaHeap_newCountedRecord(1), 12},   {vsJavaHeap_newCompiledCode(1), 24},
      {vsJavaHeap_newClassInfo(2, 0, 1, false), 48},
      {vsJavaHeap_newThreadRecord(), 104},    {vsJavaHeap_newMonitorRecord(), 20},
      {vsJavaHeap_newZipStreamRecord(), 120}, {vsJavaHeap_newClassLoadingRecord(0), 44},
  };
  for (const Case& c : cases) {
    ASSERT_NE(c.object, 0u);
    EXPECT_EQ(vsJavaHeap_objectSize(c.object), c.size) << "kind " << vsRef_as<ClassRecord>(
        vsRef_as<ObjectHeader>(c.object)->near->classRecord.raw)->instanceKind;
  }
  vsTestHeap_walk();
}

}  // namespace
