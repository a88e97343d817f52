// The heap verifier of the collector-debugging core: a booted heap and the
// heap after each kind of collection verify (the verifier runs around every
// collection here, since this test links the gcdebug core), and each kind of
// damage is reported with its place as the VM ends.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <string>

#include "tests/core/heap_fixture.h"
#include "vm/core/memory/gc_front.h"
#include "vm/core/memory/heap_allocators.h"
#include "vm/core/memory/heap_verifier.h"
#include "vm/core/memory/java_heap.h"
#include "vm/core/memory/native_area.h"
#include "vm/core/memory/write_barrier.h"
#include "vm/core/model/handles.h"
#include "vm/core/model/vm_globals.h"

namespace {

std::string hex(VmWord address) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08x", address);
  return text;
}

// An Object[] of `n` fresh int[1] in a handle.
void filledArray(VmHandle* handle, int n) {
  vsHandle_push(handle, vsJavaHeap_newObjectArray(n));
  for (int i = 0; i < n; ++i) {
    const VmRef element = vsJavaHeap_newIntArray(1);
    EXPECT_NE(element, 0u);
    vsJavaHeap_storeReference(&vsRef_as<ObjectArray>(handle->object)->elements[i], element);
  }
}

using HeapVerifierTest = HeapTest;

TEST_F(HeapVerifierTest, ABootedHeapAndTheHeapAfterEachKindOfCollectionVerify) {
  vsHeapVerifier_run(true);
  VmHandle array;
  filledArray(&array, 40);
  VmRef block;
  ASSERT_NE(vsJavaHeap_newOldByteArray(100, &block), 0u);
  vsJavaHeap_storeReference(&vsRef_as<ObjectArray>(array.object)->elements[3], block);
  VmRef dropped;
  ASSERT_NE(vsJavaHeap_newOldByteArray(60, &dropped), 0u);
  vsHeapVerifier_run(false);
  // Full (the first after the boot), young, full again and the one that
  // moves nothing: each runs the verifier before and after.
  EXPECT_EQ(vsGC_collect(0), 1);
  VmHandle young;
  filledArray(&young, 10);
  vsJavaHeap_storeReference(&vsRef_as<ObjectArray>(array.object)->elements[6], young.object);
  vsHeapVerifier_run(true);
  EXPECT_EQ(vsGC_collect(0), 0);
  vsRef_as<ObjectArray>(array.object)->elements[5] = 0;
  vsGC_requestFullCollection();
  EXPECT_EQ(vsGC_collect(0), 1);
  vsGC_fullCollection();
  vsHeapVerifier_run(true);
  vsHandle_close(&array);
}

// One kind of damage to the heap around an Object[] of fresh int[1] (old
// objects when `tenured`), the report it must give and the address the
// report names.
struct Damage {
  const char* name;
  void (*apply)(ObjectArray* array);
  VmWord (*place)(ObjectArray* array);
  bool tenured;
  const char* what;
};

VmWord slot(ObjectArray* array, int i) { return vsWord_fromPointer(&array->elements[i]); }

const Damage kDamages[] = {
    {"a reference bent into the middle of an object",
     [](ObjectArray* a) { a->elements[1] = a->elements[2] + 4; },
     [](ObjectArray* a) { return slot(a, 1); }, false, "reference to no object start"},
    {"an old slot to a young object without its remembered bit",
     [](ObjectArray* a) { a->elements[0] = vsJavaHeap_newIntArray(2); },
     [](ObjectArray* a) { return slot(a, 0); }, true, "old slot to a young object not remembered"},
    {"a header off its near record",
     [](ObjectArray* a) { *vsRef_as<VmWord>(a->elements[2]) += 4; },
     [](ObjectArray* a) { return a->elements[2]; }, false, "class record"},
    {"a native free total that its free list does not add up to",
     [](ObjectArray*) { vsJavaHeap.freeTotal += 4; },
     [](ObjectArray*) { return vsJavaHeap.freeListHead; }, false, "native free total"},
    {"a reference beyond the heap and the native area",
     [](ObjectArray* a) { a->elements[4] = vsJavaHeap.nativeUpper + 64; },
     [](ObjectArray* a) { return slot(a, 4); }, false, "reference outside the heap"},
};

// The death tests fork without running the program again: qemu-arm could
// not start it again.
class HeapVerifierDeathTest : public HeapTest, public testing::WithParamInterface<Damage> {
 protected:
  void SetUp() override {
    style_ = GTEST_FLAG_GET(death_test_style);
    GTEST_FLAG_SET(death_test_style, "fast");
    HeapTest::SetUp();
  }
  void TearDown() override {
    HeapTest::TearDown();
    GTEST_FLAG_SET(death_test_style, style_);
  }

 private:
  std::string style_;
};

TEST_P(HeapVerifierDeathTest, ReportsTheDamageWithItsPlace) {
  const Damage& damage = GetParam();
  VmHandle array;
  filledArray(&array, 8);
  if (damage.tenured) {
    vsGC_requestFullCollection();
    ASSERT_EQ(vsGC_collect(0), 1);
  }
  vsHeapVerifier_run(true);
  ObjectArray* a = vsRef_as<ObjectArray>(array.object);
  EXPECT_DEATH(
      {
        damage.apply(a);
        vsHeapVerifier_run(true);
      },
      "heap verify: " + std::string(damage.what) + " at " + hex(damage.place(a)) + "\n(.|\n)*Fatal error: 139")
      << damage.name;
  vsHandle_close(&array);
}

INSTANTIATE_TEST_SUITE_P(Damages, HeapVerifierDeathTest, testing::ValuesIn(kDamages),
                         [](const testing::TestParamInfo<Damage>& info) {
                           std::string name;
                           for (const char* c = info.param.name; *c != 0; ++c)
                             if (std::isalnum(static_cast<unsigned char>(*c))) name += *c;
                           return name;
                         });

}  // namespace
