// The memory service (see memory_service.h).
#include "vm/services/memory/memory_service.h"

#include <cstring>

#include "vm/core/memory/gc_front.h"
#include "vm/core/model/peak_usage.h"
#include "vm/core/natives/object_pin.h"
#include "vm/services/memory/handle_table.h"
#include "vm/services/memory/trace_log.h"

VS_VMBSS(MemoryServiceState) vsMemory_state = {};

namespace {

VS_VMDATA(const char*) gAlignmentMessage = "  not four-byte aligned\n";

MemoryChunk* chunkAt(VmWord c) { return vsWord_toPointer<MemoryChunk>(c); }
VsHeap* heapOf(VmWord c) { return vsWord_toPointer<VsHeap>(chunkAt(c)->heap); }
bool holds(VmWord c, VmWord address) { return address >= chunkAt(c)->start && address < chunkAt(c)->end; }

// Lays a chunk over [address, address + size); 0 when it cannot hold one.
VmWord makeChunk(VmWord address, uint32_t size) {
  if ((address & 3u) != 0 || size <= sizeof(MemoryChunk)) return 0;
  VsHeap* heap = vsHeap_initialize(vsWord_toPointer(address + sizeof(MemoryChunk)), size - sizeof(MemoryChunk));
  if (heap == nullptr) return 0;
  MemoryChunk* chunk = chunkAt(address);
  chunk->heap = vsWord_fromPointer(heap);
  chunk->next = address;
  chunk->start = address + sizeof(MemoryChunk);
  chunk->end = address + size;
  return address;
}

// Asks each chunk from the head on; the head moves past every chunk that
// fails and stays at the one that serves (or at the last one asked).
void* ringPass(int32_t size) {
  const VmWord start = vsMemory_state.ringHead;
  if (start == 0) return nullptr;
  VmWord c = start;
  for (;;) {
    vsMemory_state.ringHead = c;
    if (void* p = vsHeap_alloc(heapOf(c), size)) return p;
    if (chunkAt(c)->next == start) return nullptr;
    c = chunkAt(c)->next;
  }
}

// A new chunk from a locked handle, behind the head, serving `size`.
// Null when no handle can be had (the chunk-wanted streak records it).
void* fromNewChunk(int32_t size) {
  const VmWord handle = vsMemory_allocHandle(kVsMemory_chunkBytes, 0, 0);
  if (handle == 0) {
    if (vsMemory_state.chunkWanted == 0) {
      vsMemory_state.chunkWanted = 1;
      vsMemory_updatePeakUsage(kVsMemory_chunkBytes);
    }
    return nullptr;
  }
  vsMemory_state.chunkWanted = 0;
  const VmWord c = makeChunk(vsWord_fromPointer(vsMemory_handleLock(handle)), kVsMemory_chunkBytes);
  const VmWord head = vsMemory_state.ringHead;
  if (head != 0) {
    chunkAt(c)->next = chunkAt(head)->next;
    chunkAt(head)->next = c;
  }
  vsMemory_state.ringHead = c;
  return vsHeap_alloc(heapOf(c), size);
}

// A locked handle of size + 4: the handle in the first word, the data behind.
void* largeBlock(int32_t size) {
  const VmWord handle = vsMemory_allocHandle(size + 4, 0, 0);
  if (handle == 0) return nullptr;
  auto* block = static_cast<VmWord*>(vsMemory_handleLock(handle));
  block[0] = handle;
  return block + 1;
}

// The chunk holding `address`, walking the ring from the head (which moves
// along); 0 when none does.
VmWord findChunk(VmWord address) {
  const VmWord start = vsMemory_state.ringHead;
  if (start == 0) return 0;
  VmWord c = start;
  do {
    vsMemory_state.ringHead = c;
    if (holds(c, address)) return c;
    c = chunkAt(c)->next;
  } while (c != start);
  vsMemory_state.ringHead = start;
  return 0;
}

bool sizeAllowed(int32_t size) { return size >= 1 && static_cast<uint32_t>(size) <= kVsMemory_largestBlock; }

}  // namespace

int32_t vsMemory_initialize(void* address, uint32_t size) {
  const VmWord c = makeChunk(vsWord_fromPointer(address), size);
  if (c == 0) return -1;
  vsMemory_state.ringHead = c;
  return 0;
}

void* vsMemory_allocPointer(int32_t size) {
  if (!sizeAllowed(size)) return nullptr;
  void* p = ringPass(size);
  if (p == nullptr && static_cast<uint32_t>(size) < kVsMemory_largeRequest) p = fromNewChunk(size);
  if (p == nullptr) p = largeBlock(size);
  if (p == nullptr) {
    vsGC_fullCollection();
    p = ringPass(size);
    if (p == nullptr) p = largeBlock(size);
  }
  if (p != nullptr) std::memset(p, 0, static_cast<size_t>(size));
  return p;
}

int32_t vsMemory_freePointer(void* pointer) {
  if (pointer == nullptr) return -1;
  const VmWord address = vsWord_fromPointer(pointer);
  const VmWord c = findChunk(address);
  if (c != 0) return vsHeap_free(heapOf(c), pointer);
  // A large block: the word before it must be a live handle whose array's
  // data starts there. Every handle array is a native block, so the word is
  // read only when it lies in the native area.
  const JavaHeapState& h = vsJavaHeap;
  if ((address & 3u) != 0 || address < h.nativeLower + 4 || address > h.nativeUpper) return -1;
  const VmWord handle = vsWord_toPointer<VmWord>(address)[-1];
  const VmRef array = vsMemory_handleArray(handle);
  if (array == 0 || array + offsetof(ByteArray, elements) != address - 4) return -1;
  vsMemory_handleUnlock(handle);
  return vsMemory_freeHandle(handle);
}

bool vsMemory_isPointerBlock(VmWord handle) {
  const VmWord start = vsMemory_state.ringHead;
  if (start == 0 || (handle & 3u) != 0) return false;
  VmWord c = start;
  do {
    if (holds(c, handle)) return *vsWord_toPointer<VmWord>(handle) == 0;
    c = chunkAt(c)->next;
  } while (c != start);
  return false;
}

VmWord vsMemory_allocHandleOrBlock(int32_t size) {
  if (size < 0 || static_cast<uint32_t>(size) > kVsMemory_largestBlock) return 0;
  const VmWord handle = vsMemory_allocHandle(size, 0, 0);
  if (handle != 0) {
    vsMemory_state.handleWanted = 0;
    return handle;
  }
  if (vsMemory_state.handleWanted == 0) {
    vsMemory_state.handleWanted = 1;
    vsMemory_updatePeakUsage(static_cast<uint32_t>(size));
  }
  void* block = ringPass(size + 4);
  if (block == nullptr) return 0;
  std::memset(block, 0, static_cast<size_t>(size) + 4);
  return vsWord_fromPointer(block);
}

VmWord vsMemory_allocHandleOrError(int32_t size) {
  const VmWord handle = vsMemory_allocHandleOrBlock(size);
  return handle != 0 ? handle : kVsMemory_noHandle;
}

int32_t vsMemory_objectLock(VmRef address, int32_t) {
  if ((address & 3u) != 0) {
    vsTraceLog_error("%s", gAlignmentMessage);
    return -2;
  }
  if (vsObject_pin(address) == 0) {
    vsTraceLog_warning("Warning: vsMemory_objectLock(0x%08x) is illegal.\n", address);
    return -1;
  }
  return 0;
}

int32_t vsMemory_objectUnlock(VmRef address) {
  if ((address & 3u) != 0) {
    vsTraceLog_error("%s", gAlignmentMessage);
    return -2;
  }
  // The pin word answers 0 both for a refusal and for a count that
  // reaches 0, so the count is asked first.
  if (vsObject_pinCount(address) == 0) {
    vsTraceLog_warning("Warning: vsMemory_objectUnlock(0x%08x) is illegal.\n", address);
    return -1;
  }
  vsObject_unpin(address);
  return 0;
}
