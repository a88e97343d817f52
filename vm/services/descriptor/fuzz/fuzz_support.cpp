// Shared by the descriptor fuzz targets (see fuzz_support.h).
#include "vm/services/descriptor/fuzz/fuzz_support.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "ce/substrate/low_memory.h"
#include "vm/services/descriptor/descriptor_env.h"

namespace {

LowBlockAllocator& allocator() {
  static LowBlockAllocator* a = new LowBlockAllocator(size_t{256} << 20, size_t{4} << 20);
  return *a;
}

int32_t gLive = 0;

void* allocate(uint32_t size, OamsHandle) {
  void* block = allocator().alloc(size);
  if (block != nullptr) ++gLive;
  return block;
}

void release(void* block, OamsHandle) {
  --gLive;
  allocator().free(block);
}

}  // namespace

const uint8_t* vsDescriptorFuzz_guarded(const uint8_t* data, size_t size) {
  static const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
  static const size_t bytes = (kVsFuzzLargestInput + page - 1) / page * page;
  static uint8_t* region = [] {
    auto* r = static_cast<uint8_t*>(vsLow_map(bytes + page));
    if (r == nullptr || mprotect(r + bytes, page, PROT_NONE) != 0) {
      std::fprintf(stderr, "cannot map the guarded input region\n");
      std::abort();
    }
    return r;
  }();
  uint8_t* at = region + bytes - size;
  if (size != 0) std::memcpy(at, data, size);
  return at;
}

OamsHandle vsDescriptorFuzz_env() {
  int32_t error = 0;
  const OamsHandle env = vsDescriptor_createEnv(allocate, release, &error);
  if (env == kOamsInvalidHandle) __builtin_trap();
  return env;
}

void vsDescriptorFuzz_finish(OamsHandle env) {
  if (OamsEnvFinalize(env) != kOamsOk || gLive != 0) {
    std::fprintf(stderr, "%d blocks of the environment left allocated\n", gLive);
    __builtin_trap();
  }
}

void* vsDescriptorFuzz_alloc(size_t bytes) { return allocator().alloc(bytes == 0 ? 1 : bytes); }

void vsDescriptorFuzz_free(void* block) { allocator().free(block); }
