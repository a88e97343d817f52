// The collections: the full one that moves nothing (marking from the roots
// with a mark-stack overflow, the tagged reference table, finalization and
// the in-place sweep of the native area) and the compacting ones (objects
// sliding down with every reference updated, pinned and sliding native
// blocks, the young window's survivor policy and its report lines, the
// rule that makes the next collection full, compiled-code blocks, the
// collections refused during a compilation, the front end's entries for
// natives and yields, and parse positions kept across a collection).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "tests/core/exception_double.h"
#include "tests/core/heap_fixture.h"
#include "vm/core/interp/exceptions.h"
#include "vm/core/loader/class_file_context.h"
#include "tools/testport/test_port.h"
#include "vm/core/memory/compiled_code.h"
#include "vm/core/memory/finalization.h"
#include "vm/core/memory/gc_compaction.h"
#include "vm/core/memory/gc_front.h"
#include "vm/core/memory/gc_hooks.h"
#include "vm/core/memory/gc_marking.h"
#include "vm/core/memory/global_refs.h"
#include "vm/core/memory/heap_allocators.h"
#include "vm/core/memory/java_heap.h"
#include "vm/core/memory/native_area.h"
#include "vm/core/memory/object_size.h"
#include "vm/core/memory/write_barrier.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/handles.h"
#include "vm/core/model/model_flags.h"
#include "vm/core/model/roots.h"
#include "vm/core/model/vm_globals.h"
#include "vm/core/natives/native_method.h"
#include "vm/core/startup/vm_flags.h"

namespace {

// What the test finalizers saw.
struct FinalizerCalls {
  std::vector<VmRef> objects;
  std::vector<VmWord> weakElements;  // the watched weak element at each call
  int32_t watchedWeak = -1;
};

FinalizerCalls gCalls;

VmWord rawElement(int32_t index) {
  return static_cast<VmWord>(vsRef_as<IntArray>(vsGlobalRef_table)->elements[index]);
}

void countingFinalizer() {
  VmRef object;
  vsNativeMethod_getParameterObject(0, &object);
  gCalls.objects.push_back(object);
  gCalls.weakElements.push_back(gCalls.watchedWeak < 0 ? 0 : rawElement(gCalls.watchedWeak));
}

void throwingFinalizer() {
  countingFinalizer();
  vsException_throwOutOfMemoryError();
}

VmWord functionWord(void (*f)()) { return static_cast<VmWord>(reinterpret_cast<uintptr_t>(f)); }

// A class flagged finalizable whose finalizer word holds f (0: none).
VmRef finalizableClass(const char* name, void (*f)()) {
  const VmRef cls = vsTestHeap_newClass(name, vsRoot(kRootObject), 12);
  ClassRecord* c = vsRef_as<ClassRecord>(cls);
  c->classInfo->accessFlags |= kClassFinalizable;
  c->finalizer = f == nullptr ? 0 : functionWord(f);
  return cls;
}

VmRef newInstance(VmRef cls) {
  VmHandle c;
  vsHandle_push(&c, cls);
  const VmRef object = vsJavaHeap_newFinalizableInstance(&c.object);
  vsHandle_close(&c);
  return object;
}

class CollectorTest : public HeapTest {
 protected:
  explicit CollectorTest(uint32_t heapBytes = kTestHeapBytes) : HeapTest(heapBytes) {}
  void SetUp() override {
    HeapTest::SetUp();
    gCalls = FinalizerCalls{};
    vsVmFlags().RepotFinalization = 0;
    vsFinalizer_lists.allocationCount = 0;
  }
  void TearDown() override {
    vsFinalizer_lists = FinalizationLists{};
    vsGlobalRef_table = 0;
    HeapTest::TearDown();
  }
};

TEST_F(CollectorTest, WeakEntryOfADeadTargetReadsMinusOneWhileStrongAndReachableOnesStay) {
  VmHandle kept;
  vsHandle_push(&kept, vsJavaHeap_newIntArray(3));
  VmHandle dies;
  vsHandle_push(&dies, vsJavaHeap_newIntArray(3));
  VmHandle strongOnly;
  vsHandle_push(&strongOnly, vsJavaHeap_newIntArray(3));
  const int32_t weakKept = vsGlobalRef_new(&kept.object, kGlobalRefWeak);
  const int32_t weakDead = vsGlobalRef_new(&dies.object, kGlobalRefWeak);
  const int32_t strong = vsGlobalRef_new(&strongOnly.object, kGlobalRefStrong);
  const int32_t weakOfStrong = vsGlobalRef_new(&strongOnly.object, kGlobalRefWeak);
  const VmRef strongTarget = strongOnly.object;
  const VmRef keptTarget = kept.object;
  dies.object = 0;
  strongOnly.object = 0;
  vsGC_fullCollection();
  EXPECT_EQ(rawElement(weakDead), kGlobalRefCleared);
  EXPECT_EQ(vsGlobalRef_get(weakDead), 0u);
  EXPECT_EQ(vsGlobalRef_get(weakKept), keptTarget);
  EXPECT_EQ(rawElement(weakKept), keptTarget | kGlobalRefWeak);
  EXPECT_EQ(vsGlobalRef_get(strong), strongTarget);
  EXPECT_EQ(vsGlobalRef_get(weakOfStrong), strongTarget);
  vsGlobalRef_delete(strong);
  EXPECT_EQ(rawElement(strong), 0u);
  vsGlobalRef_clear(weakKept);
  EXPECT_EQ(vsGlobalRef_get(weakKept), 0u);
  vsHandle_close(&kept);
}

TEST_F(CollectorTest, TaggedTableStartsAtSixteenAndDoublesKeepingItsEntries) {
  VmHandle target;
  vsHandle_push(&target, vsJavaHeap_newIntArray(1));
  for (int32_t i = 0; i < 40; ++i) {
    ASSERT_EQ(vsGlobalRef_new(&target.object, kGlobalRefStrong), i) << "entry " << i;
    const int32_t expected = i < 16 ? 16 : i < 32 ? 32 : 64;
    ASSERT_EQ(vsRef_as<IntArray>(vsGlobalRef_table)->length, expected) << "entry " << i;
  }
  vsGlobalRef_delete(7);
  EXPECT_EQ(vsGlobalRef_new(&target.object, kGlobalRefWeak), 7);
  vsGC_fullCollection();
  for (int32_t i = 0; i < 40; ++i) EXPECT_EQ(vsGlobalRef_get(i), target.object) << "entry " << i;
  vsHandle_close(&target);
}

TEST_F(CollectorTest, EveryTwoHundredFiftySecondAllocationRunsAFinalizingCollection) {
  vsVmFlags().RepotFinalization = 1;
  const VmRef cls = finalizableClass("tests/Counted", countingFinalizer);
  std::vector<int> collectedAt;
  vsTestPort_startCapture();
  for (int call = 1; call <= 3 * 252; ++call) {
    ASSERT_NE(newInstance(cls), 0u) << "call " << call;
    if (vsFinalizer_lists.allocationCount == 0) collectedAt.push_back(call);
  }
  const TestPortCapture captured = vsTestPort_stopCapture();
  EXPECT_EQ(collectedAt, (std::vector<int>{252, 504, 756}));
  // Each collection finds the objects made since the one before (the
  // newest is still held by the allocator).
  const std::string run = "RepotFinalization: executing preceding_finalizer for FinalizePerNewInstanceFreq.\n";
  EXPECT_EQ(captured.trace, run + "RepotFinalization: finished to invoke finalizer. count = 251\n" + run +
                                "RepotFinalization: finished to invoke finalizer. count = 252\n" + run +
                                "RepotFinalization: finished to invoke finalizer. count = 252\n");
  EXPECT_EQ(gCalls.objects.size(), 755u);
}

TEST_F(CollectorTest, ACollectionWithNothingToFinalizeStillLogsTheCount) {
  vsVmFlags().RepotFinalization = 1;
  vsTestPort_startCapture();
  vsGC_fullCollection();
  EXPECT_EQ(vsTestPort_stopCapture().trace, "RepotFinalization: finished to invoke finalizer. count = 0\n");
}

TEST_F(CollectorTest, AnUnreachableObjectIsFinalizedOnceAfterItsWeakEntryWasCleared) {
  const VmRef cls = finalizableClass("tests/Watched", countingFinalizer);
  VmHandle object;
  vsHandle_push(&object, newInstance(cls));
  VmHandle kept;
  vsHandle_push(&kept, newInstance(cls));
  gCalls.watchedWeak = vsGlobalRef_new(&object.object, kGlobalRefWeak);
  const VmRef dead = object.object;
  object.object = 0;
  vsGC_fullCollection();
  ASSERT_EQ(gCalls.objects, std::vector<VmRef>{dead});
  EXPECT_EQ(gCalls.weakElements, std::vector<VmWord>{kGlobalRefCleared});
  vsGC_fullCollection();
  EXPECT_EQ(gCalls.objects.size(), 1u);
  // VM exit finalizes what is still registered, reachable or not.
  vsFinalizer_runAtExit();
  EXPECT_EQ(gCalls.objects, (std::vector<VmRef>{dead, kept.object}));
  vsHandle_close(&object);
}

TEST_F(CollectorTest, AClassWithoutAFinalizerFunctionIsNeverRegistered) {
  const VmRef cls = finalizableClass("tests/NoFunction", nullptr);
  ASSERT_NE(newInstance(cls), 0u);
  EXPECT_EQ(vsFinalizer_lists.finalizable, 0u);
  const VmRef plain = vsTestHeap_newClass("tests/Plain", vsRoot(kRootObject), 12);
  ASSERT_NE(newInstance(plain), 0u);
  EXPECT_EQ(vsFinalizer_lists.finalizable, 0u);
  EXPECT_EQ(vsFinalizer_lists.allocationCount, 2u);
}

TEST_F(CollectorTest, AThrowingFinalizerLeavesThePendingStateOfItsCallerAlone) {
  const VmRef cls = finalizableClass("tests/Throws", throwingFinalizer);
  struct Case {
    const char* name;
    bool pendingBefore;
  };
  for (const Case& c : {Case{"nothing pending", false}, Case{"an exception pending", true}}) {
    ASSERT_NE(newInstance(cls), 0u) << c.name;
    const VmRef before = c.pendingBefore ? vsRoot(kRootOutOfMemoryError) : 0;
    vsPendingException() = before;
    const size_t calls = gCalls.objects.size();
    vsGC_fullCollection();
    EXPECT_EQ(gCalls.objects.size(), calls + 1) << c.name;
    EXPECT_EQ(vsPendingException(), before) << c.name;
    vsTestException_clear();
  }
}

TEST_F(CollectorTest, TheSweepFreesUnreachableNativeBlocksAndKeepsTheOthers) {
  VmRef array;
  VmHandle first;
  vsHandle_push(&first, vsJavaHeap_newOldByteArray(40, &array));
  const VmRef lost1 = vsJavaHeap_newOldByteArray(100, &array);
  VmHandle second;
  vsHandle_push(&second, vsJavaHeap_newOldByteArray(8, &array));
  ASSERT_NE(vsJavaHeap_newOldByteArray(60, &array), 0u);
  for (int i = 0; i < 8; ++i) vsRef_as<ByteArray>(second.object)->elements[i] = static_cast<int8_t>(i + 1);
  // Kept through a slot of a Java object.
  VmHandle holder;
  vsHandle_push(&holder, vsJavaHeap_newObjectArray(1));
  VmRef pinned;
  ASSERT_NE(vsJavaHeap_newOldByteArray(20, &pinned), 0u);
  vsJavaHeap_storeReference(&vsRef_as<ObjectArray>(holder.object)->elements[0], pinned);
  const uint32_t lostBlock = ((100 + 11) & ~3u) + 16;
  const uint32_t freeBefore = vsJavaHeap_nativeFreeMemory();
  vsGC_fullCollection();
  // The lowest block lived: the native top stays; the two lost blocks are
  // the free list, from the top down.
  EXPECT_EQ(vsJavaHeap.nativeTop, pinned - 16);
  ASSERT_NE(vsJavaHeap.freeListHead, 0u);
  EXPECT_EQ(vsJavaHeap.freeListHead, lost1 - 16);
  EXPECT_EQ(vsRef_as<uint32_t>(vsJavaHeap.freeListHead)[0], lostBlock);
  const VmWord next = vsRef_as<uint32_t>(vsJavaHeap.freeListHead)[1];
  ASSERT_NE(next, 0u);
  EXPECT_EQ(vsJavaHeap.freeListLast, next);
  EXPECT_EQ(vsRef_as<uint32_t>(next)[1], 0u);
  EXPECT_EQ(vsJavaHeap.freeTotal, lostBlock + vsRef_as<uint32_t>(next)[0]);
  EXPECT_EQ(vsJavaHeap.largestFree, lostBlock);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(vsRef_as<ByteArray>(second.object)->elements[i], i + 1);
  EXPECT_EQ(vsJavaHeap_nativeFreeMemory(), freeBefore + vsJavaHeap.freeTotal);
  vsHandle_close(&first);
}

TEST_F(CollectorTest, AnImpossibleRequestLeavesOutOfMemoryErrorPendingAndTheHeapUsable) {
  // More than the whole heap, even with the native area's space given to
  // the Java part; the collections before the failure only reclaim.
  const VmWord top = vsVmGlobals.allocationTop;
  EXPECT_EQ(vsJavaHeap_allocate(vsJavaHeap_heapSizeSetting() + 4), 0u);
  EXPECT_EQ(vsPendingException(), vsRoot(kRootOutOfMemoryError));
  EXPECT_LE(vsVmGlobals.allocationTop, top);
  vsTestException_clear();
  EXPECT_NE(vsJavaHeap_newIntArray(4), 0u);
  EXPECT_FALSE(vsException_isPending());
  // The heap still walks from its start to the top.
  EXPECT_FALSE(vsTestHeap_walk().empty());
}

// One compacting collection, full or young.
void compact(bool full) {
  if (full) vsGC_requestFullCollection();
  vsGC_collect(0);
}

// A structure reachable from a handle, with garbage between its parts: an
// Object[] {int[], long[], char[], the Object[] itself, a native block}.
struct Kept {
  static constexpr uint64_t kLong = 0x123456789abcdefULL;
  VmHandle holder;
  void build() {
    EXPECT_NE(vsJavaHeap_newIntArray(7), 0u);  // garbage below the holder
    vsHandle_push(&holder, vsJavaHeap_newObjectArray(5));
    VmHandle part;
    vsHandle_pushEmpty(&part);
    for (int i = 0; i < 4; ++i) {
      EXPECT_NE(vsJavaHeap_newIntArray(7), 0u);  // garbage before each part
      switch (i) {
        case 0:
          part.object = vsJavaHeap_newIntArray(3);
          for (int k = 0; k < 3; ++k) vsRef_as<IntArray>(part.object)->elements[k] = 100 + k;
          break;
        case 1:
          part.object = vsJavaHeap_newLongArray(2);
          std::memcpy(vsRef_as<uint8_t>(part.object) + 16, &kLong, 8);
          break;
        case 2:
          part.object = vsJavaHeap_newCharArray(2);
          vsRef_as<CharArray>(part.object)->elements[0] = 'v';
          break;
        default:
          part.object = holder.object;
          break;
      }
      vsJavaHeap_storeReference(&vsRef_as<ObjectArray>(holder.object)->elements[i], part.object);
    }
    VmRef block;
    EXPECT_NE(vsJavaHeap_newOldByteArray(12, &block), 0u);
    vsRef_as<ByteArray>(block)->elements[11] = 42;
    vsJavaHeap_storeReference(&vsRef_as<ObjectArray>(holder.object)->elements[4], block);
    vsHandle_close(&part);
  }
  VmRef at(int i) const { return vsRef_as<ObjectArray>(holder.object)->elements[i]; }
  // The first difference, or "".
  std::string check() const {
    if (vsRef_as<IntArray>(at(0))->elements[2] != 102) return "int[] element";
    uint64_t v;
    std::memcpy(&v, vsRef_as<uint8_t>(at(1)) + 16, 8);
    if (v != kLong) return "long[] element";
    if (vsRef_as<CharArray>(at(2))->elements[0] != 'v') return "char[] element";
    if (at(3) != holder.object) return "the holder's reference to itself";
    if (vsRef_as<ByteArray>(at(4))->elements[11] != 42) return "native block byte";
    if (vsObject_class(at(1)) != vsRoot_as<ClassRecord>(kRootLongArray)) return "long[] class";
    if (!vsJavaHeap_walksToTop()) return "heap walk";
    return "";
  }
};

TEST_F(CollectorTest, CompactingCollectionsSlideLiveObjectsDownAndUpdateEveryReference) {
  struct Case {
    const char* name;
    bool full;
  };
  for (const Case& c : {Case{"full", true}, Case{"young", false}}) {
    compact(true);  // everything before the case is old and compact
    const VmWord before = vsVmGlobals.allocationTop;
    Kept kept;
    kept.build();
    const VmRef oldHolder = kept.holder.object;
    const VmWord grown = vsVmGlobals.allocationTop;
    for (int round = 0; round < 3; ++round) {
      compact(c.full);
      EXPECT_EQ(kept.check(), "") << c.name << " round " << round;
    }
    EXPECT_LT(vsVmGlobals.allocationTop, grown) << c.name << ": the garbage is gone";
    EXPECT_LT(kept.holder.object, oldHolder) << c.name << ": the holder slid down";
    EXPECT_GE(kept.holder.object, before) << c.name;
    vsHandle_close(&kept.holder);
  }
}

TEST_F(CollectorTest, APinnedNativeBlockStaysThroughFullCollectionsWhileOthersSlideUp) {
  VmHandle holder;
  vsHandle_push(&holder, vsJavaHeap_newObjectArray(2));
  VmRef array;
  ASSERT_NE(vsJavaHeap_newOldByteArray(40, &array), 0u);  // lost: a gap above the others
  ASSERT_NE(vsJavaHeap_newOldByteArray(20, &array), 0u);
  vsJavaHeap_storeReference(&vsRef_as<ObjectArray>(holder.object)->elements[0], array);
  ASSERT_EQ(vsObject_incrementPinCount(array), 1u);
  const VmRef pinned = array;
  ASSERT_NE(vsJavaHeap_newOldByteArray(100, &array), 0u);  // lost
  ASSERT_NE(vsJavaHeap_newOldByteArray(8, &array), 0u);
  vsJavaHeap_storeReference(&vsRef_as<ObjectArray>(holder.object)->elements[1], array);
  vsRef_as<ByteArray>(array)->elements[7] = 7;
  const VmRef unpinned = array;
  for (int round = 0; round < 5; ++round) {
    compact(true);
    ASSERT_EQ(vsRef_as<ObjectArray>(holder.object)->elements[0], pinned) << "round " << round;
    ASSERT_EQ(vsObject_getPinCount(pinned), 1u) << "round " << round;
  }
  const VmRef moved = vsRef_as<ObjectArray>(holder.object)->elements[1];
  EXPECT_GT(moved, unpinned) << "the unpinned block slid up";
  // Against the pinned block: its 20 bytes round to a 32-byte block.
  EXPECT_EQ(moved + ((8 + 11) & ~3u) + 16, pinned);
  EXPECT_EQ(vsRef_as<ByteArray>(moved)->elements[7], 7);
  EXPECT_EQ(vsRef_as<ByteArray>(moved)->header, moved - 16);
  EXPECT_EQ(vsJavaHeap.nativeTop, moved - 16);
  // The gap above the pinned block is the free list.
  EXPECT_EQ(vsJavaHeap.freeListHead, pinned + ((20 + 11) & ~3u));
  vsHandle_close(&holder);
}

TEST_F(CollectorTest, YoungSurvivorsStayYoungUnderATenthOfTheWindowAndAreTenuredAbove) {
  compact(true);
  struct Case {
    const char* name;
    int32_t survivorBytes;
    const char* expected;
  };
  const uint32_t window = vsVmGlobals.allocationEnd - vsJavaHeap.collectionStart;
  for (const Case& c : {Case{"few", 64, "(reused)]"}, Case{"many", static_cast<int32_t>(window / 8), "(tenured)]"}}) {
    VmHandle survivor;
    vsHandle_push(&survivor, vsJavaHeap_newByteArray(c.survivorBytes));
    ASSERT_NE(survivor.object, 0u) << c.name;
    ASSERT_NE(vsJavaHeap.collectionStart, vsVmGlobals.heapLow) << c.name << ": a young collection comes";
    vsTestPort_startCapture();
    compact(false);
    const std::string trace = vsTestPort_stopCapture().trace;
    EXPECT_NE(trace.find("[young GC <"), std::string::npos) << c.name << "\n" << trace;
    EXPECT_NE(trace.find(c.expected), std::string::npos) << c.name << "\n" << trace;
    EXPECT_NE(trace.find("\nHeap 0x"), std::string::npos) << c.name << "\n" << trace;
    vsHandle_close(&survivor);
    compact(true);
  }
}

TEST_F(CollectorTest, AYoungCollectionLeavesAWeakEntryToAnOldObjectAlone) {
  VmHandle old;
  vsHandle_push(&old, vsJavaHeap_newIntArray(2));
  compact(true);
  const VmRef target = old.object;
  const int32_t weak = vsGlobalRef_new(&old.object, kGlobalRefWeak);
  old.object = 0;
  compact(false);
  EXPECT_EQ(vsGlobalRef_get(weak), target);
  compact(true);
  EXPECT_EQ(rawElement(weak), kGlobalRefCleared);
  vsHandle_close(&old);
}

// A heap large enough for an Object[] of 20,000 fresh one-element arrays,
// each holding a fresh leaf.
class MarkStackTest : public CollectorTest {
 protected:
  MarkStackTest() : CollectorTest(8u << 20) {}
};

TEST_F(MarkStackTest, AnOverflowingMarkStackStillMarksEverything) {
  constexpr int32_t kElements = 20000;
  VmHandle outer;
  vsHandle_push(&outer, vsJavaHeap_newObjectArray(kElements));
  VmHandle inner;
  vsHandle_pushEmpty(&inner);
  for (int32_t i = 0; i < kElements; ++i) {
    inner.object = vsJavaHeap_newObjectArray(1);
    ASSERT_NE(inner.object, 0u);
    const VmRef leaf = vsJavaHeap_newIntArray(1);
    ASSERT_NE(leaf, 0u);
    vsRef_as<IntArray>(leaf)->elements[0] = i;
    vsJavaHeap_storeReference(&vsRef_as<ObjectArray>(inner.object)->elements[0], leaf);
    vsJavaHeap_storeReference(&vsRef_as<ObjectArray>(outer.object)->elements[i], inner.object);
  }
  // Fill the window so that the mark stack has room for far fewer entries.
  while (vsVmGlobals.heapHigh - vsVmGlobals.allocationTop > 4096) ASSERT_NE(vsJavaHeap_newIntArray(200), 0u);
  ASSERT_LT((vsVmGlobals.heapHigh + kHeapReserveBytes - vsVmGlobals.allocationTop) / 4, 4000u);
  // The marking steps of the full collection, stopped before the bits are
  // cleared again.
  GcState& s = vsGC_state;
  s.inCollection = s.full = 1;
  vsGC_requestFullCollection();
  vsThreadStacks_prepareForCollection();
  vsGC_clearBits(vsVmGlobals.heapLow, vsVmGlobals.allocationTop);
  s.markStackBase = s.markStackPointer = vsVmGlobals.allocationTop;
  vsGC_markRoots();
  int32_t unmarked = 0;
  for (int32_t i = 0; i < kElements; ++i) {
    const VmRef element = vsRef_as<ObjectArray>(outer.object)->elements[i];
    const VmRef leaf = vsRef_as<ObjectArray>(element)->elements[0];
    if (!vsGC_testBit(element) || !vsGC_testBit(leaf)) ++unmarked;
  }
  EXPECT_EQ(unmarked, 0);
  EXPECT_EQ(s.overflow, 0u);
  vsGC_clearBits(vsVmGlobals.heapLow, vsVmGlobals.allocationTop);
  vsThreadStacks_finishCollection();
  s.inCollection = 0;
  // A whole compacting collection, its mark stack as short, keeps every
  // object and drops the filler.
  const VmWord top = vsVmGlobals.allocationTop;
  compact(true);
  EXPECT_LT(vsVmGlobals.allocationTop, top);
  int32_t lost = 0;
  for (int32_t i = 0; i < kElements; ++i) {
    const VmRef element = vsRef_as<ObjectArray>(outer.object)->elements[i];
    const VmRef leaf = vsRef_as<ObjectArray>(element)->elements[0];
    if (vsRef_as<IntArray>(leaf)->elements[0] != i) ++lost;
  }
  EXPECT_EQ(lost, 0);
  vsHandle_close(&outer);
}

TEST_F(CollectorTest, AnOldObjectIsFinalizedOnlyByAFullCollection) {
  VmHandle cls;  // the class moves too
  vsHandle_push(&cls, finalizableClass("tests/Aged", countingFinalizer));
  VmHandle old;
  vsHandle_push(&old, newInstance(cls.object));
  compact(true);  // tenured
  ASSERT_LT(old.object, vsJavaHeap.oldTop);
  VmHandle young;
  vsHandle_push(&young, newInstance(cls.object));
  ASSERT_GE(young.object, vsJavaHeap.youngStart);
  old.object = young.object = 0;
  compact(false);
  ASSERT_EQ(gCalls.objects.size(), 1u) << "the young collection finalizes the young object only";
  compact(false);
  EXPECT_EQ(gCalls.objects.size(), 1u) << "nor the old one in a second young collection";
  compact(true);
  EXPECT_EQ(gCalls.objects.size(), 2u) << "the full collection finalizes the old one";
  vsHandle_close(&cls);
}

// After a collection that leaves the window with fewer than min(young
// target / 4, 5120) bytes beyond the request, the next one is full: a full
// collection opens the window up to heap end, a young one that keeps its
// (no) survivors young keeps its window.
TEST_F(CollectorTest, TooLittleRoomLeftInTheWindowMakesTheNextCollectionFull) {
  struct Case {
    const char* name;
    bool full;
    int32_t restAboveLimit;  // window bytes beyond the request, less the limit
    bool nextFull;
  };
  const Case cases[] = {
      {"full, 4 bytes short", true, -4, true},
      {"full, at the limit", true, 0, false},
      {"young, 4 bytes short", false, -4, true},
      {"young, at the limit", false, 0, false},
  };
  const uint32_t limit = std::min<uint32_t>(vsJavaHeap.youngTarget / 4, 5120);
  for (const Case& c : cases) {
    compact(true);  // nothing is garbage from here on
    ASSERT_NE(vsJavaHeap.collectionStart, vsVmGlobals.heapLow) << c.name;
    const VmGlobals& g = vsVmGlobals;
    const uint32_t window = c.full ? g.heapHigh - g.allocationTop : g.allocationEnd - g.allocationTop;
    const uint32_t n = window - limit - c.restAboveLimit;
    if (c.full) vsGC_requestFullCollection();
    vsTestPort_startCapture();
    ASSERT_EQ(vsGC_collect(n), c.full ? 1 : 0) << c.name;
    const std::string trace = vsTestPort_stopCapture().trace;
    if (!c.full) {
      ASSERT_NE(trace.find("(reused)"), std::string::npos) << c.name << "\n" << trace;
    }
    ASSERT_EQ(g.allocationEnd - g.allocationTop, window) << c.name;
    EXPECT_EQ(vsJavaHeap.collectionStart == g.heapLow, c.nextFull) << c.name;
    EXPECT_EQ(vsGC_collect(0), c.nextFull ? 1 : 0) << c.name;
  }
}

// The compiler's scanner as a test supplies it: the word at code offset
// 4 of every block is a reference. Its aging records each block reached
// and the special-collection flags it saw.
struct CompilerView {
  std::vector<VmRef> scanned;
  std::vector<VmRef> aged;
  std::vector<uint32_t> flags;  // forAllocation | requestedByNative << 1
};
CompilerView gCompiler;

constexpr uint32_t kLiteralOffset = kCompiledCodeHeadBytes + 4;

void scanLiteral(VmRef block, VsWordVisitor visit, void* context) {
  gCompiler.scanned.push_back(block);
  visit(vsRef_as<VmWord>(block + kLiteralOffset), context);
}

void recordAging(VmRef block) {
  gCompiler.aged.push_back(block);
  gCompiler.flags.push_back(vsGC_state.forAllocation | vsGC_state.requestedByNative << 1);
}

class CompiledCodeTest : public CollectorTest {
 protected:
  void SetUp() override {
    CollectorTest::SetUp();
    gCompiler = CompilerView{};
    vsJit_setCollectorCalls(scanLiteral, recordAging);
    flags_ = vsVmFlags();
  }
  void TearDown() override {
    vsJit_setCollectorCalls(nullptr, nullptr);
    vsVmFlags() = flags_;
    CollectorTest::TearDown();
  }

 private:
  VmFlagValues flags_{};
};

// A compiled method: its entry word holds a block whose literal refers to
// an int[] {77}; garbage lies below each part so that all of them move.
struct CompiledMethod {
  VmHandle method;
  void build() {
    EXPECT_NE(vsJavaHeap_newIntArray(5), 0u);
    vsHandle_push(&method, vsJavaHeap_newMethod(2));
    VmHandle block;
    EXPECT_NE(vsJavaHeap_newIntArray(5), 0u);
    vsHandle_push(&block, vsJavaHeap_newCompiledCode(16));
    EXPECT_NE(vsJavaHeap_newIntArray(5), 0u);
    const VmRef literal = vsJavaHeap_newIntArray(1);
    vsRef_as<IntArray>(literal)->elements[0] = 77;
    vsJavaHeap_storeReference(vsRef_as<VmWord>(block.object + kLiteralOffset), literal);
    vsJavaHeap_storeReference(vsRef_as<VmWord>(block.object + 16), method.object);
    MethodRecord* m = vsRef_as<MethodRecord>(method.object);
    vsJavaHeap_storeIfHeapReference(m->entryWord.get(), block.object);
    vsHandle_close(&block);
  }
  VmRef block() const { return *vsRef_as<MethodRecord>(method.object)->entryWord.get(); }
  VmRef literal() const { return *vsRef_as<VmWord>(block() + kLiteralOffset); }
};

TEST_F(CompiledCodeTest, ABlockReachedFromAMethodsEntryMovesWithTheReferencesItsScannerReports) {
  for (bool full : {true, false}) {
    const char* name = full ? "full" : "young";
    compact(true);
    gCompiler = CompilerView{};
    CompiledMethod cm;
    cm.build();
    const VmRef method = cm.method.object;
    const VmRef block = cm.block();
    const VmRef literal = cm.literal();
    compact(full);
    const MethodRecord* m = vsRef_as<MethodRecord>(cm.method.object);
    EXPECT_LT(cm.method.object, method) << name;
    EXPECT_EQ(m->entryWord.get(), &m->ownEntry) << name;
    EXPECT_LT(cm.block(), block) << name << ": the block moved";
    EXPECT_EQ(vsObject_class(cm.block())->instanceKind, kKindCompiledCode) << name;
    EXPECT_EQ(vsRef_as<CompiledCodeBlock>(cm.block())->sizeWord, 16u) << name;
    EXPECT_EQ(*vsRef_as<VmRef>(cm.block() + 16), cm.method.object) << name << ": the owning method";
    EXPECT_LT(cm.literal(), literal) << name << ": the literal's target moved";
    EXPECT_EQ(vsRef_as<IntArray>(cm.literal())->elements[0], 77) << name;
    EXPECT_EQ(gCompiler.aged, std::vector<VmRef>{block}) << name << ": aged once, where marking met it";
    // Marking, then the update of the moving block.
    EXPECT_EQ(gCompiler.scanned, (std::vector<VmRef>{block, block})) << name;
    EXPECT_TRUE(vsJavaHeap_walksToTop()) << name;
    vsHandle_close(&cm.method);
  }
}

TEST_F(CompiledCodeTest, ABlockNoMethodEntersIsFreed) {
  compact(true);
  CompiledMethod cm;
  cm.build();
  const VmRef block = cm.block();
  vsRef_as<MethodRecord>(cm.method.object)->ownEntry = 0;  // back to no entry
  compact(true);
  EXPECT_TRUE(gCompiler.aged.empty());
  for (VmWord object : vsTestHeap_walk())
    EXPECT_NE(vsObject_class(object)->instanceKind, kKindCompiledCode) << "block of " << block << " kept";
  vsHandle_close(&cm.method);
}

TEST_F(CompiledCodeTest, ABlockIsInUseUnlessItsAgeByteIsZeroOrTheEntrysMark) {
  struct Case {
    uint32_t sizeWord;
    bool inUse;
  };
  const Case cases[] = {{0x00000010, false}, {0xB8000010, false}, {0xB8ffffff, false}, {0x40000010, true},
                        {0x41000010, true},  {0x42000000, true},  {0xB9000010, true},  {0xB7000010, true},
                        {0x01000010, true},  {0xff000010, true}};
  VmHandle block;
  vsHandle_push(&block, vsJavaHeap_newCompiledCode(16));
  for (const Case& c : cases) {
    vsRef_as<CompiledCodeBlock>(block.object)->sizeWord = c.sizeWord;
    EXPECT_EQ(vsGC_compiledCodeInUse(block.object), c.inUse) << std::hex << c.sizeWord;
  }
  vsRef_as<CompiledCodeBlock>(block.object)->sizeWord = 16;
  vsHandle_close(&block);
}

TEST_F(CompiledCodeTest, TheCodeSizeLimitHoldsOnlyWhenSetAboveZero) {
  struct Case {
    int32_t limit;
    uint32_t total;
    bool below;
  };
  const Case cases[] = {{0, 1u << 30, true}, {-1, 5, true},      {100, 0, true},
                        {100, 99, true},     {100, 100, false}, {100, 4000, false}};
  for (const Case& c : cases) {
    vsVmFlags().MaxTotalCompiledCodeSize = c.limit;
    vsJit_heapWords.totalCompiledCodeSize = c.total;
    EXPECT_EQ(vsJit_codeSizeBelowLimit(), c.below) << "limit " << c.limit << ", total " << c.total;
  }
  vsJit_heapWords.totalCompiledCodeSize = 0;
}

// A full collection while a compilation runs (UseCompiler and MixedMode
// on) is refused: OutOfMemoryError, nothing moved, the window closed,
// compilation disallowed and no finalizer run. Every other combination
// collects.
TEST_F(CompiledCodeTest, AFullCollectionDuringACompilationIsRefused) {
  struct Case {
    const char* name;
    bool useCompiler, mixedMode, compiling, full;
    bool refused;
  };
  const Case cases[] = {
      {"full while compiling", true, true, true, true, true},
      {"young while compiling", true, true, true, false, false},
      {"without UseCompiler", false, true, true, true, false},
      {"without MixedMode", true, false, true, true, false},
      {"no compilation", true, true, false, true, false},
  };
  VmHandle cls;
  vsHandle_push(&cls, finalizableClass("tests/WhileCompiling", countingFinalizer));
  for (const Case& c : cases) {
    compact(true);
    gCalls = FinalizerCalls{};
    ASSERT_EQ(vsJit_heapWords.compilePermitted, 1u) << c.name;
    EXPECT_NE(newInstance(cls.object), 0u) << c.name;  // unreachable, to be finalized
    EXPECT_NE(vsJavaHeap_newIntArray(3), 0u) << c.name;  // garbage
    VmHandle kept;
    vsHandle_push(&kept, vsJavaHeap_newIntArray(2));
    const VmRef before = kept.object;
    const VmWord top = vsVmGlobals.allocationTop;
    vsVmFlags().UseCompiler = c.useCompiler;
    vsVmFlags().MixedMode = c.mixedMode;
    vsJit_heapWords.compiling = c.compiling ? 1 : 0;
    if (c.full) vsGC_requestFullCollection();
    const int32_t result = vsGC_collect(0);
    vsJit_heapWords.compiling = 0;
    if (c.refused) {
      EXPECT_EQ(result, 0) << c.name;
      EXPECT_EQ(vsPendingException(), vsRoot(kRootOutOfMemoryError)) << c.name;
      EXPECT_EQ(kept.object, before) << c.name;
      EXPECT_EQ(vsVmGlobals.allocationTop, top) << c.name;
      EXPECT_EQ(vsVmGlobals.allocationEnd, top) << c.name << ": the window is closed";
      EXPECT_EQ(vsJit_heapWords.compilePermitted, 0u) << c.name;
      EXPECT_TRUE(gCalls.objects.empty()) << c.name;
      vsTestException_clear();
      // The next collection finds the room and allows compilation again.
      compact(true);
      EXPECT_EQ(vsJit_heapWords.compilePermitted, 1u) << c.name;
    } else {
      EXPECT_EQ(result, c.full ? 1 : 0) << c.name;
      EXPECT_FALSE(vsException_isPending()) << c.name;
      EXPECT_LT(kept.object, before) << c.name << ": the garbage below is gone";
      EXPECT_EQ(vsJit_heapWords.compilePermitted, 1u) << c.name;
      if (c.compiling) {
        EXPECT_TRUE(gCalls.objects.empty()) << c.name << ": finalizers wait";
      }
    }
    EXPECT_EQ(vsRef_as<IntArray>(kept.object)->length, 2) << c.name;
    vsHandle_close(&kept);
    compact(true);
    EXPECT_EQ(gCalls.objects.size(), 1u) << c.name << ": finalized once no compilation runs";
  }
  vsHandle_close(&cls);
}

// The front end's entries for natives, yields and the native call stubs:
// young unless a full one is due (natives) or full, with the flags the
// compiler's aging sees, and nothing left pending even when the
// collection is refused.
TEST_F(CompiledCodeTest, TheFrontEndsEntriesCollectAndLeaveNothingPending) {
  struct Case {
    const char* name;
    void (*collect)();
    bool compiling;
    const char* report;
    uint32_t flags;  // as the aging saw them
  };
  const Case cases[] = {
      {"from a native", vsGC_collectFromNative, false, "[young GC <", 2},
      {"for a yield", vsGC_collectForYield, false, "[full  GC <", 0},
      {"for an allocation", [] { vsGC_collectForAllocation(4); }, false, "[full  GC <", 1},
      {"for a yield during a compilation", vsGC_collectForYield, true, "", 0},
  };
  vsVmFlags().UseCompiler = 1;
  for (const Case& c : cases) {
    compact(true);
    gCompiler = CompilerView{};
    CompiledMethod cm;
    cm.build();
    const VmRef block = cm.block();
    vsJit_heapWords.compiling = c.compiling ? 1 : 0;
    vsTestPort_startCapture();
    c.collect();
    const std::string trace = vsTestPort_stopCapture().trace;
    vsJit_heapWords.compiling = 0;
    EXPECT_FALSE(vsException_isPending()) << c.name;
    EXPECT_EQ(vsGC_state.forAllocation | vsGC_state.requestedByNative, 0u) << c.name;
    if (*c.report == '\0') {
      EXPECT_EQ(trace, "") << c.name;
      EXPECT_EQ(cm.block(), block) << c.name << ": nothing moved";
      EXPECT_TRUE(gCompiler.aged.empty()) << c.name;
    } else {
      EXPECT_EQ(trace.rfind(c.report, 0), 0u) << c.name << "\n" << trace;
      EXPECT_LT(cm.block(), block) << c.name;
      EXPECT_EQ(gCompiler.flags, std::vector<uint32_t>{c.flags}) << c.name;
    }
    vsHandle_close(&cm.method);
  }
}

// A class file being parsed: its reading position follows the byte[]
// when a compaction moves it.
TEST_F(CollectorTest, AParsePositionFollowsItsClassFileThroughACompaction) {
  for (bool full : {true, false}) {
    const char* name = full ? "full" : "young";
    compact(true);
    EXPECT_NE(vsJavaHeap_newIntArray(9), 0u);  // garbage below the class file
    VmHandle bytes;
    vsHandle_push(&bytes, vsJavaHeap_newByteArray(16));
    for (int8_t i = 0; i < 16; ++i) vsRef_as<ByteArray>(bytes.object)->elements[i] = i;
    const VmRef before = bytes.object;
    VmRef stack = 0;
    ClassFileContext context;
    vsClassFile_open(&context, bytes.object, &stack, nullptr, nullptr);
    EXPECT_EQ(vsClassFile_readU2(&context), 0x0001) << name;
    compact(full);
    EXPECT_LT(context.classFile.object, before) << name << ": the class file moved";
    EXPECT_EQ(vsClassFile_offset(&context), 2u) << name;
    EXPECT_EQ(vsClassFile_readU4(&context), 0x02030405u) << name;
    EXPECT_EQ(vsClassFile_remaining(&context), 10u) << name;
    vsClassFile_close(&context);
    vsHandle_close(&bytes);
  }
}

}  // namespace
