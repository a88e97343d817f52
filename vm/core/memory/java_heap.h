// The Java heap: one block reserved at VM start, its geometry and the bump
// allocation front end.
//
// Layout of the reserved block, by increasing address:
//
//   heap start                                        heap end   +8192
//   | old objects | gap | young objects | window | free Java   | reserve |
//   ^             ^old  ^young start    ^top     ^limit        ^         |
//                  top                                                    |
//   native lower bound                              native top   native upper
//   | free native space  ...........................| blocks (grow down)  |
//
// [heap start, heap end) holds the Java objects and is the write barrier's
// range; the 8192-byte reserve above it takes the collector's mark stack;
// the native area holds the byte arrays that the memory service hands to
// natives, carved downward from the native top. A fixed heap moves heap end
// to trade space between the two parts.
//
// The side table (bitmap, then block table) is a second reserved block:
// (size + 8192) / 32 bytes of bitmap and one word per compaction block.
// Both blocks come from the aligned areas, inside the VM's memory block.
//
// Allocation top and limit live in the VM globals (generated code bumps
// them); the rest of the heap state is a plain VM variable, zero before set-up.
#pragma once

#include <cstdint>

#include "ce/substrate/vm_sections.h"
#include "ce/substrate/vm_word.h"

// Compaction geometry, computed from the block size and the image sizes.
struct HeapGeometry {
  uint32_t b;              // bits of a near reference in a forwarding word
  uint32_t classRefFlag;   // 1 << b
  uint32_t classRefMask;   // (1 << b) - 1
  uint32_t offsetShift;    // b + 1
  uint32_t blockWords;     // 1 << (32 - (b + 1))
  uint32_t highMask;       // all bits above b
  uint32_t blockCount;     // ceil(size / (4 * blockWords))
};

struct JavaHeapState {
  VmWord blockStart;        // aligned address of the reserved block
  VmWord sideTable;         // aligned address of bitmap + block table
  VmWord bitmap;            // first bitmap word (covers blockStart)
  VmWord blockTable;
  VmWord oldTop;
  VmWord youngStart;
  VmWord collectionStart;
  uint32_t youngTarget;
  uint32_t heapSizeSetting;
  VmWord nativeLower;
  VmWord nativeUpper;
  VmWord nativeTop;
  uint32_t nativeSize;
  VmWord freeListHead;      // native free list: entries {size, next}
  VmWord freeListLast;
  uint32_t freeTotal;
  uint32_t largestFree;
  VmWord stackChunkList;
  uint32_t nativeAllocating;
  uint32_t fixed;           // 1 when HeapMin equals HeapCapacity
  uint32_t maxArrayLength;  // largest native byte array
  uint32_t imageReadOnlySize;
  uint32_t imageWritableSize;
  HeapGeometry geometry;
};

extern VmVariable<JavaHeapState> vsJavaHeap;

inline constexpr uint32_t kHeapReserveBytes = 8192;
inline constexpr uint32_t kHeapAlignment = 128;
inline constexpr uint32_t kMinJavaSpaceAboveTop = 30720;
inline constexpr int32_t kMaxArrayElements = 0x8000000;
inline constexpr uint32_t kMaxNativeByteArrayLength = 0x7ffffff4;

// Geometry of a heap of `size` bytes with the two image parts.
HeapGeometry vsJavaHeap_geometry(uint32_t size, uint32_t imageReadOnlySize,
                                 uint32_t imageWritableSize);

// Set-up from the flags HeapCapacity and HeapMin (Part of VM start). The
// image part sizes enter the geometry; they are 0 without an image. Returns
// 1, or 0 when a reservation fails or the native area cannot be placed.
int32_t vsJavaHeap_setup(uint32_t imageReadOnlySize, uint32_t imageWritableSize);
// Releases the reservations and clears the heap state.
void vsJavaHeap_reset();

// Zeroed memory of `size` bytes (rounded down to 4) from the young window,
// or 0 with an exception pending.
VmWord vsJavaHeap_allocate(uint32_t size);

// Moves heap end so that the native area spans `nativeSize` bytes (fixed
// heaps). Heap end never comes closer than 30720 bytes to the allocation
// top, and the native area never shrinks past its top. 1 when heap end
// moved, 0 when nothing changed.
int32_t vsJavaHeap_setNativeAreaSize(uint32_t nativeSize);
// Gives the Java part a shortfall and half of the rest of the native free
// span; gives the native area a shortfall and half of the rest of the free
// Java space. 1 when heap end moved.
int32_t vsJavaHeap_giveSpaceToJavaPart(uint32_t shortfall);
int32_t vsJavaHeap_giveSpaceToNativeArea(uint32_t shortfall);

uint32_t vsJavaHeap_freeMemory();
uint32_t vsJavaHeap_usedMemory();
uint32_t vsJavaHeap_totalMemory();
uint32_t vsJavaHeap_nativeFreeMemory();
uint32_t vsJavaHeap_nativeAreaSize();
uint32_t vsJavaHeap_heapSizeSetting();
