// The memory service: zero-filled native memory inside the VM's heap for
// natives, VM services and the porting layer.
//
// Blocks come from a ring of chunks, each carrying a block heap
// (block_heap.h). The first chunk is the native part that the start-up's
// memory split sets aside; further chunks are locked 0x20000-byte handles
// (handle_table.h), so that the Java heap and native memory share one
// budget.
//
//   chunk:  | heap | next | start | end | block heap over [start, end) |
//
// Requests of 0x1c000 bytes or more, and any request when no chunk can be
// had, take a locked handle of size + 4 of their own: the handle in the
// first word, the caller's data behind it. When a new chunk cannot be had,
// 0x20000 is recorded as wanted memory (the deferred-collection request,
// peak_usage.h) once per streak of failures; when everything fails a
// non-moving full collection runs and the allocation is tried once more.
//
// Pinning: vsMemory_objectLock pins native blocks only (object_pin.h); an
// ordinary Java array is refused with -1. A porting call that reads or
// writes an array synchronously, with no allocation in between, needs no
// pin; an array handed to another thread, or kept across an allocation,
// goes through a native block (copy in, copy out).
//
// The ring head (the chunk that served last) and the "wanted" flags are VM
// variables; the service takes no lock: it belongs to the VM thread.
#pragma once

#include <cstddef>
#include <cstdint>

#include "ce/substrate/vm_sections.h"
#include "vm/core/memory/java_heap.h"
#include "vm/core/model/object_layout.h"
#include "vm/services/memory/block_heap.h"

struct MemoryChunk {
  VmWord heap;   // the chunk's VsHeap
  VmWord next;   // the next chunk of the ring
  VmWord start;  // first byte after this header
  VmWord end;    // one past the last byte
};

static_assert(sizeof(MemoryChunk) == 16 && offsetof(MemoryChunk, next) == 4);
static_assert(offsetof(MemoryChunk, start) == 8 && offsetof(MemoryChunk, end) == 12);

inline constexpr uint32_t kVsMemory_chunkBytes = 0x20000;
inline constexpr uint32_t kVsMemory_largeRequest = 0x1c000;
// The largest native block less the handle word in front of a large block.
inline constexpr uint32_t kVsMemory_largestBlock = kMaxNativeByteArrayLength - 4;

struct MemoryServiceState {
  VmWord ringHead;        // the chunk that served the last request
  uint32_t chunkWanted;   // set on the first failure to get a chunk
  uint32_t handleWanted;  // set on the first failure of allocHandleOrBlock
};

extern VmVariable<MemoryServiceState> vsMemory_state;

// The first chunk over [address, address + size): 0, or -1 when the area
// cannot hold a chunk header and a block heap.
int32_t vsMemory_initialize(void* address, uint32_t size);

// A zero-filled block of `size` bytes, or null (also for sizes below 1 or
// above kVsMemory_largestBlock).
void* vsMemory_allocPointer(int32_t size);
// 0, or -1 for null or a pointer that is no block of this service.
int32_t vsMemory_freePointer(void* pointer);

// Whether `handle` is a pointer block: 4-aligned inside a chunk, word 0.
bool vsMemory_isPointerBlock(VmWord handle);

// A handle of kind 0; else a pointer block of size + 4 from the existing
// chunks (first word 0), recording `size` as wanted memory once per streak.
// 0 when both fail.
VmWord vsMemory_allocHandleOrBlock(int32_t size);
inline constexpr VmWord kVsMemory_noHandle = 0xFFFFFFFFu;
// vsMemory_allocHandleOrBlock, with kVsMemory_noHandle (-1) for failure.
VmWord vsMemory_allocHandleOrError(int32_t size);

// Pins the native block at `address`: 0; -2 for an address that is not
// 4-aligned; -1 with a warning when it is no native block.
int32_t vsMemory_objectLock(VmRef address, int32_t ignored);
// Releases one pin: 0; -2 unaligned; -1 with a warning when it is no
// native block or is not pinned.
int32_t vsMemory_objectUnlock(VmRef address);
