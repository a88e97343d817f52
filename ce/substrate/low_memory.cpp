// Low regions and the low block allocator (see low_memory.h).
#include "ce/substrate/low_memory.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// GCC announces AddressSanitizer with __SANITIZE_ADDRESS__, clang (the fuzz
// build) only through __has_feature.
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VS_LOW_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(VS_LOW_ASAN)
#include <sanitizer/asan_interface.h>
#define VS_POISON(p, n) ASAN_POISON_MEMORY_REGION((p), (n))
#define VS_UNPOISON(p, n) ASAN_UNPOISON_MEMORY_REGION((p), (n))
static constexpr size_t kRedzone = 16;
#else
#define VS_POISON(p, n) ((void)(p), (void)(n))
#define VS_UNPOISON(p, n) ((void)(p), (void)(n))
static constexpr size_t kRedzone = 0;
#endif

namespace {

size_t pageSize() {
  static const size_t size = static_cast<size_t>(sysconf(_SC_PAGESIZE));
  return size;
}

size_t roundUp(size_t n, size_t unit) { return (n + unit - 1) / unit * unit; }

}  // namespace

void* vsLow_map(size_t bytes) {
  if (bytes == 0 || bytes > 0xFFFFFFFFu)
    return nullptr;
  const size_t len = roundUp(bytes, pageSize());
  int flags = MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE;
#if defined(__x86_64__)
  flags |= MAP_32BIT;
#endif
  void* p = mmap(nullptr, len, PROT_READ | PROT_WRITE, flags, -1, 0);
  if (p == MAP_FAILED)
    return nullptr;
  if (reinterpret_cast<uintptr_t>(p) + len - 1 > 0xFFFFFFFFu) {
    munmap(p, len);
    return nullptr;
  }
  return p;
}

void vsLow_unmap(void* region, size_t bytes) {
  if (region != nullptr && bytes != 0)
    munmap(region, roundUp(bytes, pageSize()));
}

LowBlockAllocator::LowBlockAllocator(size_t limit, size_t arenaBytes)
    : limit_(limit), arenaBytes_(roundUp(arenaBytes == 0 ? 1 : arenaBytes, pageSize())) {}

LowBlockAllocator::~LowBlockAllocator() {
  for (const Arena& a : arenas_) {
    VS_UNPOISON(reinterpret_cast<void*>(a.base), a.bytes);
    vsLow_unmap(reinterpret_cast<void*>(a.base), a.bytes);
  }
}

void LowBlockAllocator::insertFree(uintptr_t start, size_t span) {
  // Merge with the neighbours so that freed space serves large requests again.
  auto next = freeByAddress_.lower_bound(start);
  if (next != freeByAddress_.end() && start + span == next->first) {
    auto range = freeBySize_.equal_range(next->second);
    for (auto it = range.first; it != range.second; ++it)
      if (it->second == next->first) {
        freeBySize_.erase(it);
        break;
      }
    span += next->second;
    next = freeByAddress_.erase(next);
  }
  if (next != freeByAddress_.begin()) {
    auto prev = std::prev(next);
    if (prev->first + prev->second == start) {
      auto range = freeBySize_.equal_range(prev->second);
      for (auto it = range.first; it != range.second; ++it)
        if (it->second == prev->first) {
          freeBySize_.erase(it);
          break;
        }
      start = prev->first;
      span += prev->second;
      freeByAddress_.erase(prev);
    }
  }
  freeByAddress_.emplace(start, span);
  freeBySize_.emplace(span, start);
}

bool LowBlockAllocator::grow(size_t span) {
  const size_t bytes = span > arenaBytes_ ? roundUp(span, pageSize()) : arenaBytes_;
  if (bytes > limit_ - mapped_)
    return false;
  void* region = vsLow_map(bytes);
  if (region == nullptr)
    return false;
  mapped_ += bytes;
  const auto base = reinterpret_cast<uintptr_t>(region);
  arenas_.push_back({base, bytes});
  VS_POISON(region, bytes);
  // Arenas are never merged with each other: each stays one mapping.
  freeByAddress_.emplace(base, bytes);
  freeBySize_.emplace(bytes, base);
  return true;
}

void* LowBlockAllocator::alloc(size_t bytes) {
  if (bytes == 0 || bytes > limit_)
    return nullptr;
  const size_t span = roundUp(bytes, 8) + kRedzone;
  std::lock_guard<std::mutex> guard(lock_);
  auto fit = freeBySize_.lower_bound(span);
  if (fit == freeBySize_.end()) {
    if (!grow(span))
      return nullptr;
    fit = freeBySize_.lower_bound(span);
  }
  const uintptr_t start = fit->second;
  const size_t have = fit->first;
  freeBySize_.erase(fit);
  freeByAddress_.erase(start);
  if (have > span) {
    freeByAddress_.emplace(start + span, have - span);
    freeBySize_.emplace(have - span, start + span);
  }
  used_.emplace(start, Used{bytes, span});
  void* block = reinterpret_cast<void*>(start);
  VS_UNPOISON(block, bytes);
  std::memset(block, 0, bytes);
  return block;
}

void LowBlockAllocator::free(void* block) {
  if (block == nullptr)
    return;
  std::lock_guard<std::mutex> guard(lock_);
  auto it = used_.find(reinterpret_cast<uintptr_t>(block));
  if (it == used_.end()) {
    std::fprintf(stderr, "Fatal: freeing %p, which is not a live low block\n", block);
    std::abort();
  }
  const size_t span = it->second.span;
  used_.erase(it);
  VS_POISON(block, span);
  insertFree(reinterpret_cast<uintptr_t>(block), span);
}

size_t LowBlockAllocator::blockSize(const void* block) const {
  std::lock_guard<std::mutex> guard(lock_);
  auto it = used_.find(reinterpret_cast<uintptr_t>(block));
  return it == used_.end() ? 0 : it->second.bytes;
}

namespace {
LowBlockAllocator& processAllocator() {
  static LowBlockAllocator* allocator = new LowBlockAllocator(size_t{1} << 30, size_t{16} << 20);
  return *allocator;
}
}  // namespace

void* vsLow_alloc(size_t bytes) { return processAllocator().alloc(bytes); }
void vsLow_free(void* block) { processAllocator().free(block); }
