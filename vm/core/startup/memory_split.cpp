// The memory split and the Java heap's size (see memory_split.h).
#include "vm/core/startup/memory_split.h"

#include "ce/substrate/vm_sections.h"
#include "vm/core/natives/native_method.h"
#include "vm/core/startup/vm_control.h"
#include "vm/services/memory/memory_service.h"
#include "vm/services/memory/trace_log.h"

namespace {

constexpr uint64_t kHeapGrain = 128;

struct ReservedArea {
  VmWord next;
  VmWord end;
};

VS_VMBSS(ReservedArea) gReserved = {};

uint32_t bitLength(uint64_t x) {
  uint32_t n = 0;
  while (x != 0) {
    ++n;
    x >>= 1;
  }
  return n;
}

}  // namespace

bool vsVm_splitMemory(VmWord address, uint32_t size, uint32_t ratio, VmHeapArea* javaHeap) {
  if ((address & 3u) != 0) {
    vsTraceLog_trace("Heap address is %08x\n", address);
    vsNativeMethod_fatalError("Heap address is not four-byte aligned");
  }
  const uint32_t s = size & ~3u;
  vsTraceLog_trace("VM heap 0x%08x 0x%x\n", address, s);
  if (ratio > kVsVm_maxNativeRatio) {
    vsTraceLog_trace("Native memory ratio (%u) is too high to start VM.\n", ratio);
    return false;
  }
  const uint64_t scaled = uint64_t{size >> 10} * ratio + ((uint64_t{size & 0x3fcu} * ratio) >> 10);
  const uint32_t native = static_cast<uint32_t>(scaled) & ~3u;
  if (native >= s) {
    vsTraceLog_trace("Native memory ratio (%u) is too high to start VM.\n", ratio);
    return false;
  }
  if (native < kVsVm_minNativeBytes) {
    vsTraceLog_trace("Native memory ratio (%u) is too low to start VM.\n", ratio);
    return false;
  }
  vsTraceLog_trace("--- allocPointerHeap 0x%08x 0x%x\n", address, native);
  if (vsMemory_initialize(vsWord_toPointer(address), native) != 0)
    return false;
  vsTraceLog_trace("--- objectHeap 0x%08x 0x%x\n", address + native, s - native);
  javaHeap->address = address + native;
  javaHeap->size = s - native;
  return true;
}

uint64_t vsVm_heapCost(uint64_t h, uint32_t imageReadOnlyBytes, uint32_t imageWritableBytes) {
  h = (h + kHeapGrain - 1) / kHeapGrain * kHeapGrain;
  const uint32_t larger = imageReadOnlyBytes > imageWritableBytes ? imageReadOnlyBytes : imageWritableBytes;
  uint32_t b = bitLength((h + 8191) >> 2);
  const uint32_t imageBits = bitLength(uint64_t{larger} * 2);
  if (imageBits > b)
    b = imageBits;
  const uint64_t d = (b <= 31 ? uint64_t{1} << (31 - b) : 0) * 4;
  const uint64_t tableEntries = d != 0 ? (h + d - 1) / d : h;
  return (tableEntries + 2112) * 4 + ((h + 8192) >> 5) + h;
}

uint32_t vsVm_heapSizeFor(uint64_t z, uint32_t imageReadOnlyBytes, uint32_t imageWritableBytes) {
  if (z < kVsVm_heapFixedCost)
    return 0;
  uint64_t h = (z - kVsVm_heapFixedCost) * 32 / 33 / kHeapGrain * kHeapGrain;
  while (h >= kHeapGrain && vsVm_heapCost(h, imageReadOnlyBytes, imageWritableBytes) > z)
    h -= kHeapGrain;
  return h >= kHeapGrain ? static_cast<uint32_t>(h) : 0;
}

int32_t vsVm_sizeHeap(VmHeapArea area, uint32_t imageReadOnlyBytes, uint32_t imageWritableBytes) {
  const uint32_t skip = (4u - (area.address & 3u)) & 3u;
  const uint32_t z = area.size > skip ? area.size - skip : 0;
  gReserved.next = area.address + skip;
  gReserved.end = gReserved.next + z;
  const uint32_t h = vsVm_heapSizeFor(z, imageReadOnlyBytes, imageWritableBytes);
  if (h == 0)
    return -1;
  vsVm_setParameter(2, static_cast<int32_t>(h));
  vsVm_setParameter(3, static_cast<int32_t>(h));
  return 0;
}

VmWord vsVm_allocReserved(uint32_t size) {
  const uint64_t rounded = (uint64_t{size} + 3) & ~uint64_t{3};
  if (rounded > gReserved.end - gReserved.next)
    return 0;
  const VmWord block = gReserved.next;
  gReserved.next += static_cast<uint32_t>(rounded);
  return block;
}

void vsVm_freeReserved(VmWord) {}
