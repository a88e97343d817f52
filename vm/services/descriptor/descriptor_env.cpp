// Environments of the suite-descriptor service (see descriptor_env.h).
#include "vm/services/descriptor/descriptor_env.h"

#include <cstddef>

#include "vm/services/memory/block_heap.h"

namespace {

void* inflaterAllocate(uint32_t bytes, void* environment) {
  return vsDescriptor_memAlloc(static_cast<OamsEnv*>(environment), bytes);
}

void inflaterRelease(void* block, void* environment) {
  vsDescriptor_memFree(static_cast<OamsEnv*>(environment), block);
}

}  // namespace

OamsHandle OamsEnvInitialize(int32_t workSize, void* workArea, int32_t* error) {
  if (workSize < 1 || workArea == nullptr) {
    vsDescriptor_setError(error, kOamsBadArgument);
    return kOamsInvalidHandle;
  }
  VsHeap* heap = vsHeap_initialize(workArea, static_cast<uint32_t>(workSize));
  auto* env = heap == nullptr ? nullptr
                              : static_cast<OamsEnv*>(vsHeap_alloc(heap, sizeof(OamsEnv)));
  if (env == nullptr) {
    vsDescriptor_setError(error, kOamsNoMemory);
    return kOamsInvalidHandle;
  }
  env->heap = vsWord_fromPointer(heap);
  env->allocate = 0;
  env->release = 0;
  vsDescriptor_setError(error, kOamsOk);
  return vsDescriptor_handle(env);
}

OamsHandle vsDescriptor_createEnv(OamsAllocateCallback allocate, OamsReleaseCallback release,
                                  int32_t* error) {
  if (allocate == nullptr || release == nullptr) {
    vsDescriptor_setError(error, kOamsBadArgument);
    return kOamsInvalidHandle;
  }
  auto* env = static_cast<OamsEnv*>(allocate(sizeof(OamsEnv), kOamsInvalidHandle));
  if (env == nullptr) {
    vsDescriptor_setError(error, kOamsNoMemory);
    return kOamsInvalidHandle;
  }
  env->heap = kOamsNoHeap;
  env->allocate = vsWord_fromPointer(reinterpret_cast<const void*>(allocate));
  env->release = vsWord_fromPointer(reinterpret_cast<const void*>(release));
  vsDescriptor_setError(error, kOamsOk);
  return vsDescriptor_handle(env);
}

int32_t OamsEnvFinalize(OamsHandle handle) {
  OamsEnv* env = vsDescriptor_env(handle);
  if (env == nullptr) return kOamsBadArgument;
  vsDescriptor_memFree(env, env);
  return kOamsOk;
}

OamsEnv* vsDescriptor_env(OamsHandle env) { return vsDescriptor_record<OamsEnv>(env); }

void* vsDescriptor_memAlloc(OamsEnv* env, uint32_t size) {
  if (size == 0) return nullptr;
  if (env->heap != kOamsNoHeap)
    return size <= 0x7FFFFFFFu
               ? vsHeap_alloc(vsWord_toPointer<VsHeap>(env->heap), static_cast<int32_t>(size))
               : nullptr;
  auto allocate = reinterpret_cast<OamsAllocateCallback>(vsWord_toPointer(env->allocate));
  return allocate(size, vsDescriptor_handle(env));
}

void vsDescriptor_memFree(OamsEnv* env, void* block) {
  if (block == nullptr) return;
  if (env->heap != kOamsNoHeap) {
    vsHeap_free(vsWord_toPointer<VsHeap>(env->heap), block);
    return;
  }
  auto release = reinterpret_cast<OamsReleaseCallback>(vsWord_toPointer(env->release));
  release(block, vsDescriptor_handle(env));
}

VsInflaterAllocator vsDescriptor_inflaterAllocator(OamsEnv* env) {
  return {inflaterAllocate, inflaterRelease, env};
}
