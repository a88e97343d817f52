// The memory the host gives the VM: its split and the Java heap's size.
//
// The block [A, A + S) is split by the native memory ratio R (per 1024):
//
//   A                    A + native                          A + S
//   | native allocator   | Java heap area (B, Z)               |
//
// native = ((S >> 10) * R + ((S & 0x3fc) * R >> 10)), rounded down to 4. The
// native part must hold at least 32 KiB and leave something for the heap.
//
// In the heap area the Java heap size H is the largest multiple of 128 whose
// cost (the heap, its bitmap and tables, see vsVm_heapCost) fits in Z. The
// area's front also serves the reserved-block allocator.
#pragma once

#include <cstdint>

#include "ce/substrate/vm_word.h"

constexpr uint32_t kVsVm_minNativeBytes = 32768;
constexpr uint32_t kVsVm_maxNativeRatio = 1023;
constexpr uint64_t kVsVm_heapFixedCost = 8452;

struct VmHeapArea {
  VmWord address;
  uint32_t size;
};

// Splits [address, address + size); false (after its message) when the
// ratio leaves too little or too much. An address that is not 4-aligned is a
// fatal error.
bool vsVm_splitMemory(VmWord address, uint32_t size, uint32_t ratio, VmHeapArea* javaHeap);

// The bytes a Java heap of h bytes needs, given the class image's read-only
// and writable sizes.
uint64_t vsVm_heapCost(uint64_t h, uint32_t imageReadOnlyBytes, uint32_t imageWritableBytes);

// The Java heap size for an area of z bytes, or 0 when none fits.
uint32_t vsVm_heapSizeFor(uint64_t z, uint32_t imageReadOnlyBytes, uint32_t imageWritableBytes);

// Aligns the area, keeps it for the reserved-block allocator and sets VM
// parameters 2 and 3 to the heap size. 0, or -1 when no heap fits.
int32_t vsVm_sizeHeap(VmHeapArea area, uint32_t imageReadOnlyBytes, uint32_t imageWritableBytes);

// 4-aligned blocks from the front of the heap area; 0 when exhausted.
VmWord vsVm_allocReserved(uint32_t size);
// Reserved blocks are never returned.
void vsVm_freeReserved(VmWord block);
