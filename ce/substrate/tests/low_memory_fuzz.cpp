// Drives a small low block allocator with an operation list read from the
// input: blocks must be zero-filled, aligned, inside the low range and never
// overlap; overruns and uses after free are ASan's to report.
#include <cstring>
#include <iterator>
#include <map>
#include <vector>

#include "ce/substrate/low_memory.h"
#include "tests/support/fuzz_main.h"

namespace {

void check(bool ok) {
  if (!ok)
    __builtin_trap();
}

void body(const uint8_t* data, size_t size) {
  static LowBlockAllocator* allocator = new LowBlockAllocator(size_t{1} << 20, size_t{64} << 10);
  std::map<uintptr_t, size_t> live;
  for (size_t i = 0; i + 2 < size; i += 3) {
    const size_t arg = data[i + 1] | (size_t{data[i + 2]} << 8);
    if ((data[i] & 1) == 0 || live.empty()) {
      const size_t n = arg % 20000 + 1;
      auto* p = static_cast<uint8_t*>(allocator->alloc(n));
      if (p == nullptr)
        continue;
      const auto a = reinterpret_cast<uintptr_t>(p);
      check(a % 8 == 0 && a + n - 1 <= 0xFFFFFFFFu);
      for (size_t k = 0; k < n; ++k)
        check(p[k] == 0);
      auto next = live.lower_bound(a);
      check(next == live.end() || a + n <= next->first);
      if (next != live.begin()) {
        auto prev = std::prev(next);
        check(prev->first + prev->second <= a);
      }
      std::memset(p, data[i], n);
      live.emplace(a, n);
    } else {
      auto it = live.begin();
      std::advance(it, static_cast<long>(arg % live.size()));
      check(allocator->blockSize(reinterpret_cast<void*>(it->first)) == it->second);
      allocator->free(reinterpret_cast<void*>(it->first));
      live.erase(it);
    }
  }
  for (auto& [a, n] : live)
    allocator->free(reinterpret_cast<void*>(a));
}

}  // namespace

VS_FUZZ_TARGET(body)
