// Native area allocation (see native_area.h).
#include "vm/core/memory/native_area.h"

#include <cstring>

#include "vm/core/interp/exceptions.h"
#include "vm/core/memory/gc_front.h"
#include "vm/core/memory/java_heap.h"
#include "vm/core/memory/write_barrier.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/roots.h"
#include "vm/core/model/vm_globals.h"
#include "vm/core/memory/hash_generator.h"

namespace {

constexpr uint32_t kSmallestFreeEntry = 28;

struct FreeEntry {
  uint32_t size;
  VmWord next;
};

uint32_t blockBytes(uint32_t n) { return ((n + 11) & ~uint32_t{3}) + kNativeBlockHeaderBytes; }

void recomputeLargest() {
  uint32_t largest = 0;
  for (VmWord e = vsJavaHeap.freeListHead; e != 0; e = vsRef_as<FreeEntry>(e)->next)
    if (vsRef_as<FreeEntry>(e)->size > largest) largest = vsRef_as<FreeEntry>(e)->size;
  vsJavaHeap.largestFree = largest;
}

// Bump from the native top.
VmWord takeFromTop(uint32_t size) {
  JavaHeapState& h = vsJavaHeap;
  const VmWord newTop = h.nativeTop - size;
  if (newTop > h.nativeTop || newTop < h.nativeLower) return 0;
  h.nativeTop = newTop;
  return newTop;
}

// Best fit from the free list: the smallest entry that fits, the first in
// list order on ties; the tail of the entry is handed out.
VmWord takeFromFreeList(uint32_t size) {
  JavaHeapState& h = vsJavaHeap;
  VmWord best = 0;
  VmWord bestPrevious = 0;
  VmWord previous = 0;
  for (VmWord e = h.freeListHead; e != 0; previous = e, e = vsRef_as<FreeEntry>(e)->next) {
    const uint32_t s = vsRef_as<FreeEntry>(e)->size;
    if (s >= size && (best == 0 || s < vsRef_as<FreeEntry>(best)->size)) {
      best = e;
      bestPrevious = previous;
    }
  }
  if (best == 0) return 0;
  FreeEntry* entry = vsRef_as<FreeEntry>(best);
  const uint32_t remainder = entry->size - size;
  if (remainder < kSmallestFreeEntry) {
    // The whole entry leaves the list, so the free total drops by all of it
    // (the head bytes of the remainder are lost until the next collection).
    if (bestPrevious == 0)
      h.freeListHead = entry->next;
    else
      vsRef_as<FreeEntry>(bestPrevious)->next = entry->next;
    if (h.freeListLast == best) h.freeListLast = bestPrevious;
    h.freeTotal -= entry->size;
  } else {
    entry->size = remainder;
    h.freeTotal -= size;
  }
  recomputeLargest();
  return best + remainder;
}

VmWord takeBlock(uint32_t size) {
  VmWord block = takeFromTop(size);
  if (block == 0) block = takeFromFreeList(size);
  if (block != 0) std::memset(vsWord_toPointer(block), 0, size);
  return block;
}

// Fills the block header and the array; returns the array.
VmRef makeArray(VmWord block, int32_t n) {
  NativeBlockHeader* header = vsRef_as<NativeBlockHeader>(block);
  header->near.classRecord.raw = vsRoot(kRootByteArray);
  header->near.classInfo = vsRoot_as<ClassRecord>(kRootByteArray)->classInfo;
  ByteArray* array = vsRef_as<ByteArray>(block + kNativeBlockHeaderBytes);
  array->header = block;
  array->length = n;
  return vsRef_of(array);
}

// The block header of a native-area byte array, or null.
NativeBlockHeader* blockOf(VmRef array) {
  const JavaHeapState& h = vsJavaHeap;
  if (array == 0 || (array & 3u) != 0 || array - h.nativeLower >= h.nativeUpper - h.nativeLower) return nullptr;
  if (array - h.nativeLower < kNativeBlockHeaderBytes) return nullptr;
  const VmWord header = vsRef_as<ByteArray>(array)->header;
  if (header != array - kNativeBlockHeaderBytes) return nullptr;
  if (!vsObject_isByteArray(array)) return nullptr;
  return vsRef_as<NativeBlockHeader>(header);
}

}  // namespace

VmRef vsJavaHeap_newOldByteArray(int32_t n, VmRef* out) {
  *out = 0;
  if (n < 0 || static_cast<uint32_t>(n) > vsJavaHeap.maxArrayLength) return 0;
  const VmWord block = takeBlock(blockBytes(static_cast<uint32_t>(n)));
  if (block == 0) return 0;
  *out = makeArray(block, n);
  return *out;
}

VmRef vsJavaHeap_newNativeByteArray(int32_t n) {
  if (n < 0) {
    vsException_raise(kNegativeArraySizeClass, nullptr);
    return 0;
  }
  JavaHeapState& h = vsJavaHeap;
  if (static_cast<uint32_t>(n) > h.maxArrayLength) {
    vsException_throwOutOfMemoryError();
    return 0;
  }
  const uint32_t size = blockBytes(static_cast<uint32_t>(n));
  if (size > h.heapSizeSetting) {
    vsException_throwOutOfMemoryError();
    return 0;
  }
  VmWord block;
  while ((block = takeBlock(size)) == 0) {
    h.nativeAllocating = 1;
    h.collectionStart = vsVmGlobals.heapLow;
    vsGC_collectFront(size);
    h.nativeAllocating = 0;
    if (vsException_isPending()) return 0;
  }
  uint32_t hash;
  do {
    hash = vsMonitor_nextHash() & 0x3fffffff;
  } while (hash == 0);
  vsRef_as<NativeBlockHeader>(block)->near.hashAndLock = hash << 2;
  return makeArray(block, n);
}

uint32_t vsObject_incrementPinCount(VmRef array) {
  NativeBlockHeader* header = blockOf(array);
  if (header == nullptr) return 0;
  return ++header->pinCount;
}

uint32_t vsObject_decrementPinCount(VmRef array) {
  NativeBlockHeader* header = blockOf(array);
  if (header == nullptr) return 0;
  if (header->pinCount > 0) --header->pinCount;
  return header->pinCount;
}

uint32_t vsObject_getPinCount(VmRef array) {
  const NativeBlockHeader* header = blockOf(array);
  return header == nullptr ? 0 : header->pinCount;
}

void vsJavaHeap_addNativeFreeEntry(VmWord entry, uint32_t size) {
  if (size < kSmallestFreeEntry) return;
  JavaHeapState& h = vsJavaHeap;
  FreeEntry* e = vsRef_as<FreeEntry>(entry);
  e->size = size;
  e->next = 0;
  if (h.freeListLast == 0)
    h.freeListHead = entry;
  else
    vsRef_as<FreeEntry>(h.freeListLast)->next = entry;
  h.freeListLast = entry;
  h.freeTotal += size;
  if (size > h.largestFree) h.largestFree = size;
}

namespace {

// The walk of the marked blocks, lowest first.
struct SweepState {
  VmWord lowest;    // start of the lowest marked block, 0 before the first
  VmWord end;       // end of the last marked block seen
};

VS_VMBSS(SweepState) sweepState{};

// A gap of the rebuilt free list goes to its head, so that the list runs
// from the top of the area downward.
void pushFreeGap(VmWord from, VmWord to) {
  JavaHeapState& h = vsJavaHeap;
  const uint32_t size = to - from;
  if (size < kSmallestFreeEntry) return;
  FreeEntry* e = vsRef_as<FreeEntry>(from);
  e->size = size;
  e->next = h.freeListHead;
  if (h.freeListHead == 0) h.freeListLast = from;
  h.freeListHead = from;
  h.freeTotal += size;
  if (size > h.largestFree) h.largestFree = size;
}

void sweepMarkedArray(VmWord array) {
  SweepState& s = sweepState;
  if (array < s.end) return;
  const VmWord block = array - kNativeBlockHeaderBytes;
  if (s.lowest == 0)
    s.lowest = block;
  else
    pushFreeGap(s.end, block);
  s.end = block + blockBytes(static_cast<uint32_t>(vsRef_as<ByteArray>(array)->length));
}

}  // namespace

void vsGC_sweepNativeAreaInPlace() {
  JavaHeapState& h = vsJavaHeap;
  h.freeListHead = h.freeListLast = 0;
  h.freeTotal = h.largestFree = 0;
  sweepState = SweepState{};
  vsGC_forEachSetBit(sweepMarkedArray, h.nativeTop, h.nativeUpper);
  if (sweepState.lowest == 0) {
    h.nativeTop = h.nativeUpper;
    return;
  }
  pushFreeGap(sweepState.end, h.nativeUpper);
  h.nativeTop = sweepState.lowest;
}

namespace {

// The walk of the marked blocks from the top down.
struct SlideState {
  VmWord below;  // the start of the block placed last (the area's upper bound first)
};

VS_VMBSS(SlideState) slideState{};

uint32_t blockBytesOf(VmWord array) {
  return blockBytes(static_cast<uint32_t>(vsRef_as<ByteArray>(array)->length));
}

void planBlock(VmWord array) {
  const VmWord block = array - kNativeBlockHeaderBytes;
  const bool pinned = vsRef_as<NativeBlockHeader>(block)->pinCount > 0;
  const VmWord to = pinned ? block : slideState.below - blockBytesOf(array);
  vsRef_as<ByteArray>(array)->header = to + kNativeBlockHeaderBytes;
  slideState.below = to;
}

void slideBlock(VmWord array) {
  const VmWord movedArray = vsRef_as<ByteArray>(array)->header;
  const VmWord to = movedArray - kNativeBlockHeaderBytes;
  const uint32_t size = blockBytesOf(array);
  std::memmove(vsWord_toPointer(to), vsWord_toPointer(array - kNativeBlockHeaderBytes), size);
  vsRef_as<ByteArray>(movedArray)->header = to;
  vsJavaHeap_addNativeFreeEntry(to + size, slideState.below - (to + size));
  slideState.below = to;
}

}  // namespace

void vsGC_planNativeCompaction() {
  const JavaHeapState& h = vsJavaHeap;
  slideState.below = h.nativeUpper;
  vsGC_forEachSetBitDown(planBlock, h.nativeTop, h.nativeUpper);
}

void vsGC_sweepNativeArea() {
  JavaHeapState& h = vsJavaHeap;
  h.freeListHead = h.freeListLast = 0;
  h.freeTotal = h.largestFree = 0;
  slideState.below = h.nativeUpper;
  vsGC_forEachSetBitDown(slideBlock, h.nativeTop, h.nativeUpper);
  h.nativeTop = slideState.below;
}
