// Inflating a 1 MiB deflated entry (zlib level 6 of generated text) with
// zlib, the descriptor decoder and the class-path decoder. A class-path
// iteration includes reading the input through the archive stream into its
// copy, as a JAR read does. Runs on a low stack, as the VM thread does.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cstdlib>
#include <vector>

#include "ce/substrate/low_memory.h"
#include "ce/substrate/low_thread.h"
#include "tests/core/heap_boot.h"
#include "vm/core/loader/jar_inflater.h"
#include "vm/core/loader/tests/class_path_driver.h"
#include "vm/core/loader/tests/deflate_cases.h"

namespace {

constexpr uint32_t kEntryBytes = 1u << 20;

struct Entry {
  std::vector<uint8_t> plain;
  std::vector<uint8_t> deflated;
};

const Entry& entry() {
  static const Entry e = [] {
    Entry r;
    r.plain = deflateCaseInput(DeflateData::kText, kEntryBytes);
    uLongf n = compressBound(kEntryBytes) + 64;
    r.deflated.resize(n);
    z_stream z{};
    deflateInit2(&z, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
    z.next_in = r.plain.data();
    z.avail_in = kEntryBytes;
    z.next_out = r.deflated.data();
    z.avail_out = static_cast<uInt>(n);
    deflate(&z, Z_FINISH);
    r.deflated.resize(z.total_out);
    deflateEnd(&z);
    return r;
  }();
  return e;
}

void BM_Zlib(benchmark::State& state) {
  const Entry& e = entry();
  std::vector<uint8_t> out(kEntryBytes);
  for (auto _ : state) {
    z_stream z{};
    inflateInit2(&z, -15);
    z.next_in = const_cast<uint8_t*>(e.deflated.data());
    z.avail_in = static_cast<uInt>(e.deflated.size());
    z.next_out = out.data();
    z.avail_out = kEntryBytes;
    if (inflate(&z, Z_FINISH) != Z_STREAM_END) state.SkipWithError("zlib failed");
    inflateEnd(&z);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(int64_t{kEntryBytes} * state.iterations());
}

struct Reader {
  const std::vector<uint8_t>* bytes;
};

int32_t readByte(void* context, uint32_t* position) {
  return (*static_cast<Reader*>(context)->bytes)[(*position)++];
}
void* allocate(uint32_t bytes, void*) { return std::malloc(bytes); }
void release(void* block, void*) { std::free(block); }

void BM_DescriptorDecoder(benchmark::State& state) {
  const Entry& e = entry();
  auto* out = static_cast<uint8_t*>(vsLow_alloc(kEntryBytes));
  const VsInflaterAllocator allocator{allocate, release, nullptr};
  Reader reader{&e.deflated};
  for (auto _ : state) {
    if (vsJarInflater_inflate(&allocator, &reader, readByte, static_cast<uint32_t>(e.deflated.size()), out,
                              kEntryBytes, 0) != 1)
      state.SkipWithError("descriptor decoder failed");
    benchmark::DoNotOptimize(out);
  }
  vsLow_free(out);
  state.SetBytesProcessed(int64_t{kEntryBytes} * state.iterations());
}

void BM_ClassPathDecoder(benchmark::State& state) {
  const Entry& e = entry();
  std::vector<uint8_t> out(kEntryBytes);
  for (auto _ : state) {
    if (vsTestInflate_classPath(e.deflated.data(), static_cast<uint32_t>(e.deflated.size()), out.data(),
                                kEntryBytes) != 1)
      state.SkipWithError("class-path decoder failed");
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(int64_t{kEntryBytes} * state.iterations());
}

BENCHMARK(BM_Zlib)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DescriptorDecoder)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ClassPathDecoder)->Unit(benchmark::kMillisecond);

struct Args {
  int argc;
  char** argv;
};

void* run(void* a) {
  auto* args = static_cast<Args*>(a);
  benchmark::Initialize(&args->argc, args->argv);
  if (!vsTestHeap_boot(8u << 20, 8u << 20)) return nullptr;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  vsTestHeap_shutdown();
  return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
  Args args{argc, argv};
  LowThread t;
  if (!vsLowThread_start(&t, run, &args, size_t{16} << 20)) return 2;
  vsLowThread_join(&t, nullptr);
  return 0;
}
