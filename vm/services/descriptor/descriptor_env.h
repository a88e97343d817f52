// Environments of the suite-descriptor service: where its memory comes from.
//
// The service keeps no global state. Every record, text copy and buffer it
// makes is allocated through an environment that the caller creates, passes
// to every call and finalises. An environment is either
//   - a work area: a block heap laid over memory the caller owns, with the
//     environment record as its first allocation, or
//   - a pair of callbacks: allocate(size, env) and release(block, env); the
//     record itself comes from allocate (called with the invalid handle).
//
//   OamsEnv (3 words)
//   +0 heap      block heap in the work area, or -1 for callbacks
//   +4 allocate  callback, or 0 for a work area
//   +8 release   callback, or 0 for a work area
//
// Addresses stored in records pass the checked pointer-to-word conversion:
// callers hand over memory and callbacks below 4 GiB.
#pragma once

#include <cstdint>

#include "ce/substrate/vm_word.h"
#include "vm/core/loader/jar_inflater.h"
#include "vm/services/descriptor/descriptor_codes.h"

using OamsAllocateCallback = void* (*)(uint32_t size, OamsHandle env);
using OamsReleaseCallback = void (*)(void* block, OamsHandle env);

struct OamsEnv {
  VmWord heap;
  VmWord allocate;
  VmWord release;
};
static_assert(sizeof(OamsEnv) == 12);
static_assert(offsetof(OamsEnv, heap) == 0 && offsetof(OamsEnv, allocate) == 4 &&
              offsetof(OamsEnv, release) == 8);

inline constexpr VmWord kOamsNoHeap = 0xFFFFFFFFu;

// A work-area environment: a block heap over workSize bytes at workArea, or
// -1 with -3 (workSize < 1, null area) or -1 (the area cannot hold the heap
// and the environment record).
OamsHandle OamsEnvInitialize(int32_t workSize, void* workArea, int32_t* error);
// A callback environment, or -1 with -3 (a null callback) or -1 (allocate
// failed).
OamsHandle vsDescriptor_createEnv(OamsAllocateCallback allocate, OamsReleaseCallback release,
                                  int32_t* error);
// Releases the environment record: 0, or -3 for -1. Descriptors and JARs
// still open are not released.
int32_t OamsEnvFinalize(OamsHandle env);

// The record of a handle; null for the invalid handle.
OamsEnv* vsDescriptor_env(OamsHandle env);

// A handle from a record and back; the record must lie below 4 GiB.
inline OamsHandle vsDescriptor_handle(const void* record) {
  return static_cast<OamsHandle>(vsWord_fromPointer(record));
}
template <class T>
inline T* vsDescriptor_record(OamsHandle handle) {
  return handle == kOamsInvalidHandle ? nullptr
                                      : vsWord_toPointer<T>(static_cast<VmWord>(handle));
}

// size bytes from the environment (size 0 gives null), and back.
void* vsDescriptor_memAlloc(OamsEnv* env, uint32_t size);
void vsDescriptor_memFree(OamsEnv* env, void* block);

// The environment as the DEFLATE decoder's allocator.
VsInflaterAllocator vsDescriptor_inflaterAllocator(OamsEnv* env);
