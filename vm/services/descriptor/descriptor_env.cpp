// Environments of the suite-descriptor service (see descriptor_env.h).
#include "vm/services/descriptor/descriptor_env.h"

#include <cstddef>

namespace {

void* inflaterAllocate(uint32_t bytes, void* environment) {
  return vsDescriptor_memAlloc(static_cast<OamsEnv*>(environment), bytes);
}

void inflaterRelease(void* block, void* environment) {
  vsDescriptor_memFree(static_cast<OamsEnv*>(environment), block);
}

}  // namespace

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
  auto allocate = reinterpret_cast<OamsAllocateCallback>(vsWord_toPointer(env->allocate));
  return allocate(size, vsDescriptor_handle(env));
}

void vsDescriptor_memFree(OamsEnv* env, void* block) {
  if (block == nullptr) return;
  auto release = reinterpret_cast<OamsReleaseCallback>(vsWord_toPointer(env->release));
  release(block, vsDescriptor_handle(env));
}

VsInflaterAllocator vsDescriptor_inflaterAllocator(OamsEnv* env) {
  return {inflaterAllocate, inflaterRelease, env};
}
