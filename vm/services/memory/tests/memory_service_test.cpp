// The memory service on a booted heap: handle tables, the chunk ring,
// large blocks, frees, pinning, the porting calls, exhaustion, and the
// roots it registers.
#include "vm/services/memory/memory_service.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "ce/substrate/low_memory.h"
#include "tests/core/exception_double.h"
#include "tests/core/heap_fixture.h"
#include "tools/testport/test_port.h"
#include "vm/core/memory/gc_front.h"
#include "vm/core/memory/heap_allocators.h"
#include "vm/core/memory/native_area.h"
#include "vm/core/model/peak_usage.h"
#include "vm/core/model/vm_globals.h"
#include "vm/core/natives/native_arrays.h"
#include "vm/core/natives/native_roots.h"
#include "vm/core/natives/object_pin.h"
#include "vm/services/memory/am_mem.h"
#include "vm/services/memory/handle_table.h"

namespace {

constexpr uint32_t kFirstChunkBytes = 16 * 1024;

HandleTable* tableAt(VmWord t) { return vsWord_toPointer<HandleTable>(t); }
VmWord slotOf(VmWord t, int s) { return vsWord_fromPointer(&tableAt(t)->slots[s]); }
VmWord wordOf(const void* p) { return vsWord_fromPointer(p); }

// A booted heap (`heapBytes`, half of it the native area) and a first chunk
// of 16 KiB from low memory.
class MemoryService : public HeapTest {
 protected:
  explicit MemoryService(uint32_t heapBytes = kTestHeapBytes) : HeapTest(heapBytes) {}
  void SetUp() override {
    HeapTest::SetUp();
    first_ = vsLow_alloc(kFirstChunkBytes);
    ASSERT_EQ(vsMemory_initialize(first_, kFirstChunkBytes), 0);
  }
  void TearDown() override {
    EXPECT_FALSE(vsException_isPending());
    vsTestException_clear();
    HeapTest::TearDown();
    vsLow_free(first_);
  }

  // The chunks of the ring, from the head.
  static std::vector<const MemoryChunk*> ring() {
    std::vector<const MemoryChunk*> chunks;
    const VmWord head = vsMemory_state.ringHead;
    VmWord c = head;
    do {
      chunks.push_back(vsWord_toPointer<MemoryChunk>(c));
      c = chunks.back()->next;
    } while (c != head && chunks.size() < 1000);
    return chunks;
  }
  static bool inChunk(const void* p) {
    for (const MemoryChunk* c : ring())
      if (wordOf(p) >= c->start && wordOf(p) < c->end) return true;
    return false;
  }
  // Takes the native area whole, so that no handle array can be had.
  static void exhaustNativeArea() {
    VmRef array;
    for (int32_t n = 0x10000; n >= 0; n = n == 0 ? -1 : n / 2)
      while (vsJavaHeap_newOldByteArray(n, &array) != 0) {
      }
  }

  void* first_ = nullptr;
};

TEST_F(MemoryService, HandlesFillTableOneThenStartTableTwo) {
  std::vector<VmWord> handles;
  for (int i = 0; i < 250; ++i) handles.push_back(vsMemory_allocHandle(8, 0, 0));
  const VmWord t1 = vsMemory_handleTables.list;
  ASSERT_NE(t1, 0u);
  for (int i = 0; i < 249; ++i) ASSERT_EQ(handles[i], slotOf(t1, i + 1)) << i;
  const VmWord t2 = tableAt(t1)->next;
  ASSERT_NE(t2, 0u);
  EXPECT_EQ(handles[249], slotOf(t2, 1));
  EXPECT_EQ(tableAt(t2)->next, 0u);
  EXPECT_EQ(vsMemory_handleTables.current, t2);
  // Counts: used, hint, high water; slot 0 holds the table's own array.
  EXPECT_EQ(tableAt(t1)->used, 250);
  EXPECT_EQ(tableAt(t1)->frame.length, 250u);
  EXPECT_EQ(tableAt(t2)->used, 2);
  EXPECT_EQ(tableAt(t2)->hint, 2);
  EXPECT_EQ(tableAt(t2)->frame.length, 2u);
  for (VmWord t : {t1, t2}) {
    EXPECT_EQ(tableAt(t)->slots[0] + 8, t);
    EXPECT_EQ(vsObject_pinCount(tableAt(t)->slots[0]), 1u);
    EXPECT_EQ(tableAt(t)->frame.count, 250u);
    EXPECT_EQ(tableAt(t)->frame.slots, slotOf(t, 0));
  }
  // Both tables' slots are global roots, the newest first.
  EXPECT_EQ(vsNativeMethod_globalFrames, wordOf(&tableAt(t2)->frame));
  EXPECT_EQ(tableAt(t2)->frame.prev, wordOf(&tableAt(t1)->frame));
  EXPECT_EQ(tableAt(t1)->frame.prev, 0u);
  // A handle's array is a zero-filled native block; locking pins it.
  const VmRef array = vsMemory_handleArray(handles[7]);
  EXPECT_EQ(vsRef_as<ByteArray>(array)->length, 8);
  auto* data = static_cast<uint8_t*>(vsMemory_handleLock(handles[7]));
  EXPECT_EQ(wordOf(data), array + 8);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(data), 8), std::string(8, '\0'));
  EXPECT_EQ(vsObject_pinCount(array), 1u);
  EXPECT_EQ(vsMemory_handleUnlock(handles[7]), 0);
  EXPECT_EQ(vsObject_pinCount(array), 0u);
}

TEST_F(MemoryService, SpareTableIsReleasedOnlyBesideAnotherSpareOne) {
  std::vector<VmWord> handles;
  for (int i = 0; i < 2 * 249 + 1; ++i) handles.push_back(vsMemory_allocHandle(4, 0, 0));
  const VmWord t1 = vsMemory_handleTables.list;
  const VmWord t2 = tableAt(t1)->next;
  const VmWord t3 = tableAt(t2)->next;
  ASSERT_NE(t3, 0u);
  // Table 2 falls to its own array: the only such table, it stays.
  for (int i = 249; i < 2 * 249; ++i) ASSERT_EQ(vsMemory_freeHandle(handles[i]), 0) << i;
  EXPECT_EQ(tableAt(t2)->used, 1);
  EXPECT_EQ(tableAt(t2)->hint, 1);
  EXPECT_EQ(tableAt(t1)->next, t2);
  // Table 3 falls to 1 too: it is released, its frame unregistered, its
  // array unpinned.
  const VmRef t3Array = tableAt(t3)->slots[0];
  EXPECT_EQ(vsMemory_freeHandle(handles.back()), 0);
  EXPECT_EQ(tableAt(t2)->next, 0u);
  EXPECT_EQ(vsNativeMethod_globalFrames, wordOf(&tableAt(t2)->frame));
  EXPECT_EQ(vsObject_pinCount(t3Array), 0u);
  EXPECT_EQ(vsMemory_handleTables.current, 0u);
  // The next handle goes to the first table with room, at its first hole.
  ASSERT_EQ(vsMemory_freeHandle(handles[4]), 0);
  EXPECT_EQ(tableAt(t1)->hint, 5);
  EXPECT_EQ(vsMemory_allocHandle(4, 0, 0), slotOf(t1, 5));
  EXPECT_EQ(vsMemory_handleTables.current, t1);
  EXPECT_EQ(tableAt(t1)->hint, 6);
  EXPECT_EQ(vsMemory_allocHandle(4, 0, 0), slotOf(t2, 1));
}

TEST_F(MemoryService, BadHandlesAreRefusedWithTheirWarnings) {
  const VmWord h = vsMemory_allocHandle(16, 0, 0);
  const VmWord t = vsMemory_handleTables.list;
  struct Case {
    VmWord handle;
    const char* warning;
  };
  vsMemory_freeHandle(h);
  const Case cases[] = {
      {0, "freeHandle: invalid memory handle NULL\n"},
      {h, "vsMemory_freeHandle: internal handle state is illegal\n"},  // freed twice
      {slotOf(t, 0), "vsMemory_freeHandle: internal handle state is illegal\n"},
      {h + 2, "vsMemory_freeHandle: internal handle state is illegal\n"},
  };
  for (const Case& c : cases) {
    vsTestPort_startCapture();
    EXPECT_EQ(vsMemory_freeHandle(c.handle), -1) << std::hex << c.handle;
    EXPECT_EQ(vsTestPort_stopCapture().trace, c.warning) << std::hex << c.handle;
  }
  EXPECT_EQ(tableAt(t)->used, 1);
  vsTestPort_startCapture();
  EXPECT_EQ(vsMemory_handleLock(0), nullptr);
  EXPECT_EQ(vsTestPort_stopCapture().trace, "handleLock: invalid memory handle NULL\n");
  // Neither a live slot nor a pointer block: nothing to lock.
  const VmRef plain = vsJavaHeap_newIntArray(4);
  for (VmWord foreign : {h, h + 2, slotOf(t, 0), plain + 8}) {
    EXPECT_EQ(vsMemory_handleLock(foreign), nullptr) << std::hex << foreign;
    EXPECT_EQ(vsMemory_handleUnlock(foreign), 0) << std::hex << foreign;
  }
  EXPECT_EQ(vsObject_pinCount(tableAt(t)->slots[0]), 1u);
  // Oversized and negative handles are refused before any arithmetic.
  EXPECT_EQ(vsMemory_allocHandle(-1, 0, 0), 0u);
  EXPECT_EQ(vsMemory_allocHandle(0x7ffffff1, 0, 0), 0u);
  EXPECT_EQ(vsMemory_allocHandle(0x7ffffff1, 0, 1), 0u);
  EXPECT_EQ(AmMemAllocHandle(0x7ffffff1), kVsMemory_noHandle);
}

TEST_F(MemoryService, HandlesOfOtherKindsAreNativeByteArrays) {
  const VmWord h = vsMemory_allocHandle(100, 0, 1);
  ASSERT_NE(h, 0u);
  const VmRef array = vsMemory_handleArray(h);
  EXPECT_EQ(vsRef_as<ByteArray>(array)->length, 100);
  EXPECT_NE(vsMemory_handleLock(h), nullptr);
  EXPECT_EQ(vsObject_pinCount(array), 1u);
  EXPECT_EQ(vsMemory_handleUnlock(h), 0);
  EXPECT_EQ(vsMemory_freeHandle(h), 0);
}

TEST_F(MemoryService, FullChunksGiveANewChunkOrALargeBlock) {
  const VmWord firstChunk = vsMemory_state.ringHead;
  // 0x1bfff bytes: no chunk can serve them, so a new chunk does.
  auto* a = static_cast<uint8_t*>(vsMemory_allocPointer(0x1bfff));
  ASSERT_NE(a, nullptr);
  std::vector<const MemoryChunk*> chunks = ring();
  ASSERT_EQ(chunks.size(), 2u);
  const MemoryChunk* added = chunks[0];
  EXPECT_NE(wordOf(added), firstChunk);
  EXPECT_EQ(added->end - added->start, 0x1fff0u);
  EXPECT_EQ(added->next, firstChunk);
  EXPECT_TRUE(wordOf(a) >= added->start && wordOf(a) + 0x1bfff <= added->end);
  EXPECT_EQ(a[0] | a[0x1bffe], 0);
  // The chunk is the locked data of a handle's array.
  const VmRef chunkArray = tableAt(vsMemory_handleTables.list)->slots[1];
  EXPECT_EQ(chunkArray + 8, wordOf(added));
  EXPECT_EQ(vsObject_pinCount(chunkArray), 1u);
  // 0x1c000 bytes: a locked handle of its own, the handle in front.
  auto* b = static_cast<uint8_t*>(vsMemory_allocPointer(0x1c000));
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(ring().size(), 2u);
  EXPECT_FALSE(inChunk(b));
  const VmWord handle = reinterpret_cast<VmWord*>(b)[-1];
  const VmRef array = vsMemory_handleArray(handle);
  ASSERT_NE(array, 0u);
  EXPECT_EQ(array + 8, wordOf(b) - 4);
  EXPECT_EQ(vsRef_as<ByteArray>(array)->length, 0x1c004);
  EXPECT_EQ(vsObject_pinCount(array), 1u);
  // Freeing a pointer in no chunk frees the handle in front of it.
  EXPECT_EQ(vsMemory_freePointer(b), 0);
  EXPECT_EQ(vsMemory_handleArray(handle), 0u);
  EXPECT_EQ(vsObject_pinCount(array), 0u);
  EXPECT_EQ(vsMemory_freePointer(a), 0);
}

TEST_F(MemoryService, PointerBlocksAreZeroFilledAndReused) {
  auto* p = static_cast<uint8_t*>(vsMemory_allocPointer(100));
  ASSERT_NE(p, nullptr);
  EXPECT_TRUE(inChunk(p));
  std::memset(p, 0xab, 100);
  EXPECT_EQ(vsMemory_freePointer(p), 0);
  auto* q = static_cast<uint8_t*>(vsMemory_allocPointer(100));
  EXPECT_EQ(q, p);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(q), 100), std::string(100, '\0'));
  EXPECT_EQ(vsMemory_allocPointer(0), nullptr);
  EXPECT_EQ(vsMemory_allocPointer(0x7ffffff1), nullptr);
}

TEST_F(MemoryService, ForeignPointersAreRefused) {
  auto* large = static_cast<uint8_t*>(vsMemory_allocPointer(0x1c000));
  auto* small = static_cast<uint8_t*>(vsMemory_allocPointer(40));
  const VmRef plain = vsJavaHeap_newByteArray(64);
  const VmRef native = vsNativeMethod_newByteArray(nullptr, 64);
  ASSERT_TRUE(large != nullptr && small != nullptr && plain != 0 && native != 0);
  // A live handle in front of a word that is not its array's data start.
  reinterpret_cast<VmWord*>(large)[3] = reinterpret_cast<VmWord*>(large)[-1];
  const struct {
    const char* name;
    VmWord pointer;
  } cases[] = {
      {"inside a large block", wordOf(large) + 8},
      {"behind a copy of a live handle", wordOf(large) + 16},
      {"a plain byte array's data", plain + 8},
      {"a native block's data", native + 8},
      {"unaligned", wordOf(large) + 1},
      {"an address below everything", 4},
  };
  for (const auto& c : cases) {
    vsTestPort_startCapture();
    AmMemFreePointer(vsWord_toPointer(c.pointer));
    char expected[80];
    std::snprintf(expected, sizeof expected, "Warning: AmMemFreePointer(%08x) is illegal.\n", c.pointer);
    EXPECT_EQ(vsTestPort_stopCapture().trace, expected) << c.name;
  }
  // A block freed twice: the block heap refuses the second free.
  EXPECT_EQ(vsMemory_freePointer(small), 0);
  vsTestPort_startCapture();
  EXPECT_EQ(vsMemory_freePointer(small), -1);
  EXPECT_NE(vsTestPort_stopCapture().trace.find("[vsHeap_free] cannot free"), std::string::npos);
  EXPECT_EQ(vsMemory_freePointer(nullptr), -1);
  vsTestPort_startCapture();
  AmMemFreePointer(nullptr);
  AmMemFreePointer(large);
  EXPECT_EQ(vsTestPort_stopCapture().trace, "");
}

TEST_F(MemoryService, ObjectLockPinsNativeBlocksOnly) {
  const VmRef before = vsJavaHeap_newIntArray(3);
  const VmRef bytes = vsJavaHeap_newByteArray(12);
  const VmRef ints = vsJavaHeap_newIntArray(3);
  const VmRef native = vsNativeMethod_newByteArray(nullptr, 12);
  std::vector<uint32_t> words(vsWord_toPointer<uint32_t>(before), vsWord_toPointer<uint32_t>(ints) + 5);
  struct Case {
    VmRef address;
    int32_t result;
    const char* trace;  // %08x: the address
  };
  const Case cases[] = {
      {native + 2, -2, "  not four-byte aligned\n"},
      {bytes, -1, "Warning: vsMemory_objectLock(0x%08x) is illegal.\n"},
      {ints, -1, "Warning: vsMemory_objectLock(0x%08x) is illegal.\n"},
      {0, -1, "Warning: vsMemory_objectLock(0x%08x) is illegal.\n"},
      {native, 0, ""},
  };
  for (const Case& c : cases) {
    vsTestPort_startCapture();
    EXPECT_EQ(vsMemory_objectLock(c.address, 0), c.result) << std::hex << c.address;
    char expected[80];
    std::snprintf(expected, sizeof expected, c.trace, c.address);
    EXPECT_EQ(vsTestPort_stopCapture().trace, expected) << std::hex << c.address;
  }
  // Nothing written around the refused arrays.
  EXPECT_EQ(words, std::vector<uint32_t>(vsWord_toPointer<uint32_t>(before), vsWord_toPointer<uint32_t>(ints) + 5));
  EXPECT_EQ(vsObject_pinCount(native), 1u);
  EXPECT_EQ(vsMemory_objectLock(native, 0), 0);
  EXPECT_EQ(vsObject_pinCount(native), 2u);
  EXPECT_EQ(vsMemory_objectUnlock(native), 0);
  EXPECT_EQ(vsMemory_objectUnlock(native), 0);
  EXPECT_EQ(vsObject_pinCount(native), 0u);
  vsTestPort_startCapture();
  EXPECT_EQ(vsMemory_objectUnlock(native), -1);
  EXPECT_EQ(vsMemory_objectUnlock(ints), -1);
  EXPECT_EQ(vsMemory_objectUnlock(native + 2), -2);
  char expected[160];
  std::snprintf(expected, sizeof expected,
                "Warning: vsMemory_objectUnlock(0x%08x) is illegal.\n"
                "Warning: vsMemory_objectUnlock(0x%08x) is illegal.\n  not four-byte aligned\n",
                native, ints);
  EXPECT_EQ(vsTestPort_stopCapture().trace, expected);
}

TEST_F(MemoryService, ALockedHandleKeepsItsDataThroughCompactingCollections) {
  constexpr int kHandles = 4;
  constexpr int32_t kBytes = 100;
  VmWord handles[kHandles];
  for (int h = 0; h < kHandles; ++h) {
    VmRef lost;
    ASSERT_NE(vsJavaHeap_newOldByteArray(60, &lost), 0u) << "handle " << h;  // a gap below each
    handles[h] = vsMemory_allocHandle(kBytes, 0, 0);
    ASSERT_NE(handles[h], 0u) << "handle " << h;
    uint8_t* data = static_cast<uint8_t*>(vsMemory_handleLock(handles[h]));
    ASSERT_NE(data, nullptr) << "handle " << h;
    for (int i = 0; i < kBytes; ++i) data[i] = static_cast<uint8_t>(h * 31 + i);
    if (h != 0) vsMemory_handleUnlock(handles[h]);
  }
  uint8_t* locked = static_cast<uint8_t*>(vsMemory_handleLock(handles[0]));
  vsMemory_handleUnlock(handles[0]);  // back to one lock
  bool moved = false;
  for (int round = 0; round < 20; ++round) {
    // Churn: Java garbage and lost native blocks.
    for (int i = 0; i < 50; ++i) ASSERT_NE(vsJavaHeap_newIntArray(16 + round), 0u) << "round " << round;
    VmRef lost;
    ASSERT_NE(vsJavaHeap_newOldByteArray(24 + round, &lost), 0u) << "round " << round;
    const VmRef before = vsMemory_handleArray(handles[1]);
    vsGC_requestFullCollection();
    vsGC_collect(0);
    moved = moved || vsMemory_handleArray(handles[1]) != before;
    ASSERT_EQ(vsMemory_handleLock(handles[0]), locked) << "round " << round;
    vsMemory_handleUnlock(handles[0]);
    for (int h = 0; h < kHandles; ++h) {
      const uint8_t* data = static_cast<uint8_t*>(vsMemory_handleLock(handles[h]));
      int wrong = 0;
      for (int i = 0; i < kBytes; ++i) wrong += data[i] != static_cast<uint8_t>(h * 31 + i);
      EXPECT_EQ(wrong, 0) << "round " << round << " handle " << h;
      vsMemory_handleUnlock(handles[h]);  // handle 0 keeps its first lock
    }
  }
  EXPECT_TRUE(moved) << "the unlocked handles' arrays slid";
  vsMemory_handleUnlock(handles[0]);
  for (VmWord h : handles) EXPECT_EQ(vsMemory_freeHandle(h), 0);
}

TEST_F(MemoryService, PinCountsOfNativeBlocksOnly) {
  const VmRef native = vsNativeMethod_newByteArray(nullptr, 5);
  const VmRef ints = vsJavaHeap_newIntArray(4);
  const uint32_t wordBefore = vsWord_toPointer<uint32_t>(ints)[-1];
  EXPECT_EQ(vsObject_pin(native), 1u);
  EXPECT_EQ(vsObject_pin(native), 2u);
  EXPECT_EQ(vsObject_pinCount(native), 2u);
  EXPECT_EQ(vsObject_pin(ints), 0u);
  EXPECT_EQ(vsObject_pinCount(ints), 0u);
  EXPECT_EQ(vsObject_unpin(ints), 0u);
  EXPECT_EQ(vsWord_toPointer<uint32_t>(ints)[-1], wordBefore);
  EXPECT_EQ(vsObject_pin(native + 2), 0u);
  EXPECT_EQ(vsObject_unpin(native), 1u);
  EXPECT_EQ(vsObject_unpin(native), 0u);
  EXPECT_EQ(vsObject_unpin(native), 0u);
  EXPECT_EQ(vsObject_pinCount(native), 0u);
}

TEST_F(MemoryService, NewByteArrayCopiesOrRaises) {
  const uint8_t data[] = {1, 2, 3, 250};
  const VmRef array = vsNativeMethod_newByteArray(data, 4);
  ASSERT_NE(array, 0u);
  EXPECT_EQ(std::memcmp(vsRef_as<ByteArray>(array)->elements, data, 4), 0);
  EXPECT_EQ(vsObject_pin(array), 1u);
  EXPECT_NE(vsNativeMethod_newByteArray(nullptr, 0), 0u);
  EXPECT_EQ(vsNativeMethod_newByteArray(data, -1), 0u);
  EXPECT_EQ(vsTestException_last().className, "java/lang/NegativeArraySizeException");
  vsTestException_clear();
}

TEST_F(MemoryService, PortingAllocationRefusesSizesBelowOne) {
  for (int32_t size : {0, -1, 0x7ffffff1}) {
    vsTestPort_startCapture();
    EXPECT_EQ(AmMemAllocPointer(size), nullptr);
    EXPECT_EQ(vsTestPort_stopCapture().trace, "Warning: AmMemAllocPointer(" + std::to_string(size) + ") is illegal.\n");
  }
  void* p = AmMemAllocPointer(12);
  EXPECT_NE(p, nullptr);
  AmMemFreePointer(p);
  const VmWord h = AmMemAllocHandle(12);
  ASSERT_NE(h, kVsMemory_noHandle);
  EXPECT_NE(AmMemLockHandle(h), nullptr);
  EXPECT_EQ(AmMemUnlockHandle(h), 0);
  EXPECT_EQ(AmMemFreeHandle(h), 0);
}

TEST_F(MemoryService, NoChunkToBeHadIsRecordedOncePerStreak) {
  exhaustNativeArea();
  // Fill the first chunk.
  while (vsMemory_allocPointer(1000) != nullptr) {
  }
  EXPECT_EQ(vsNativeMethod_deferredCollectionBytes, 0x20000u);
  EXPECT_EQ(vsMemory_state.chunkWanted, 1u);
  vsNativeMethod_deferredCollectionBytes = 0;
  EXPECT_EQ(vsMemory_allocPointer(1000), nullptr);
  EXPECT_EQ(vsNativeMethod_deferredCollectionBytes, 0u);
  EXPECT_FALSE(vsException_isPending());
}

TEST_F(MemoryService, HandleOrBlockFallsBackToAPointerBlock) {
  exhaustNativeArea();
  const VmWord h = vsMemory_allocHandleOrBlock(60);
  ASSERT_NE(h, 0u);
  EXPECT_TRUE(inChunk(vsWord_toPointer(h)));
  EXPECT_EQ(*vsWord_toPointer<VmWord>(h), 0u);
  EXPECT_EQ(vsNativeMethod_deferredCollectionBytes, 60u);
  EXPECT_EQ(vsMemory_state.handleWanted, 1u);
  EXPECT_EQ(wordOf(vsMemory_handleLock(h)), h + 4);
  EXPECT_EQ(vsMemory_handleUnlock(h), 0);
  EXPECT_EQ(vsMemory_freeHandle(h), 0);
  // A block freed as a handle is free in its chunk: the same block again.
  vsNativeMethod_deferredCollectionBytes = 0;
  EXPECT_EQ(vsMemory_allocHandleOrBlock(60), h);
  EXPECT_EQ(vsNativeMethod_deferredCollectionBytes, 0u);
  // Nothing anywhere: -1.
  while (vsMemory_allocPointer(1000) != nullptr) {
  }
  EXPECT_EQ(vsMemory_allocHandleOrError(kFirstChunkBytes), kVsMemory_noHandle);
}

TEST(NativeRoots, GlobalFramesRegisterAndUnregisterAnywhere) {
  NativeFrame* frames = static_cast<NativeFrame*>(vsLow_alloc(3 * sizeof(NativeFrame)));
  VmRef* slots = static_cast<VmRef*>(vsLow_alloc(6 * sizeof(VmRef)));
  std::memset(slots, 0xff, 6 * sizeof(VmRef));
  const VmWord saved = vsNativeMethod_globalFrames;
  vsNativeMethod_globalFrames = 0;
  for (int i = 0; i < 3; ++i) EXPECT_EQ(vsNativeMethod_registerGlobalFrame(2, &frames[i], slots + 2 * i), 0);
  EXPECT_EQ(slots[0] | slots[5], 0u);
  EXPECT_EQ(frames[2].prev, wordOf(&frames[1]));
  EXPECT_EQ(frames[1].count, 2u);
  EXPECT_EQ(frames[1].slots, wordOf(slots + 2));
  EXPECT_EQ(vsNativeMethod_unregisterGlobalFrame(&frames[1]), 0);
  EXPECT_EQ(frames[2].prev, wordOf(&frames[0]));
  EXPECT_EQ(vsNativeMethod_unregisterGlobalFrame(&frames[1]), -1);
  vsNativeMethod_popGlobalFrame(&frames[2]);
  EXPECT_EQ(vsNativeMethod_globalFrames, wordOf(&frames[0]));
  EXPECT_EQ(vsNativeMethod_unregisterGlobalFrame(&frames[0]), 0);
  EXPECT_EQ(vsNativeMethod_globalFrames, 0u);
  vsNativeMethod_globalFrames = saved;

  TempRoots* table = static_cast<TempRoots*>(vsLow_alloc(kTempRootTableBytes));
  table->count = 9;
  vsNativeMethod_registerTempRoots(kTempRootSlots, table, reinterpret_cast<VmRef*>(table + 1));
  EXPECT_EQ(vsNativeMethod_tempRoots, wordOf(table));
  EXPECT_EQ(table->capacity, 50u);
  EXPECT_EQ(table->count, 0u);
  EXPECT_EQ(table->slots, wordOf(table) + 12);
  vsNativeMethod_tempRoots = 0;
  vsLow_free(table);
  vsLow_free(slots);
  vsLow_free(frames);
}

// A VM with a 512 KiB heap: 1 KiB blocks until none is left.
class MemoryExhaustion : public MemoryService {
 protected:
  MemoryExhaustion() : MemoryService(512 * 1024) {}
};

TEST_F(MemoryExhaustion, OneKilobyteBlocksUntilNullThenAgainAfterFreeingAll) {
  std::vector<void*> blocks;
  size_t inChunks = 0;
  while (void* p = vsMemory_allocPointer(1024)) {
    blocks.push_back(p);
    if (inChunk(p)) ++inChunks;
    ASSERT_LT(blocks.size(), 1000000u);
  }
  EXPECT_FALSE(vsException_isPending());
  EXPECT_GT(inChunks, 100u);
  EXPECT_GT(blocks.size(), inChunks);  // large blocks once no chunk could be had
  for (void* p : blocks) ASSERT_EQ(vsMemory_freePointer(p), 0);
  // Every block is served again: the arrays of the large blocks and of
  // the handle blocks come back through the collection that the first
  // failing request runs.
  size_t again = 0;
  while (vsMemory_allocPointer(1024) != nullptr) ++again;
  EXPECT_GE(again, inChunks);
  EXPECT_EQ(again, blocks.size());
  EXPECT_FALSE(vsException_isPending());
}

}  // namespace
