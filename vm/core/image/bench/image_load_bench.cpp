// Timing of image loading: microseconds per load of the class image linked
// into this program, or of the small test image when none is linked. Each
// load starts from the same heap; the program prints timings only and
// judges nothing.
#include <cstdint>
#include <cstdio>
#include <ctime>

#include "ce/substrate/low_thread.h"
#include "tests/core/heap_boot.h"
#include "vm/core/image/image_loader.h"
#include "vm/core/image/tests/synthetic_image.h"
#include "vm/core/model/vm_globals.h"

namespace {

constexpr int kLoads = 200;

double nowNs() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<double>(t.tv_sec) * 1e9 + static_cast<double>(t.tv_nsec);
}

// The loads, on a low stack like every VM thread.
void* loadAll(void* status) {
  *static_cast<int*>(status) = 1;
  if (!vsTestHeap_boot(8u << 20, 8u << 20)) {
    std::fprintf(stderr, "image_load_bench: no heap\n");
    return nullptr;
  }
  const bool linked = vsImage_descriptor.header != 0;
  const ImageDescriptor* image = linked ? &vsImage_descriptor : vsTestImage_build().descriptor;
  const VmWord top = vsVmGlobals.allocationTop;
  double total = 0;
  for (int i = 0; i < kLoads; ++i) {
    vsImage_unload();
    vsTestHeap_dropAbove(top);
    const double start = nowNs();
    const int32_t result = vsImage_load(image);
    total += nowNs() - start;
    if (result != kImageLoaded) {
      std::fprintf(stderr, "image_load_bench: load failed (%d)\n", result);
      return nullptr;
    }
  }
  std::printf("image load (%s image): read-only %u, heap part %u, writable %u bytes: %.1f us per load\n",
              linked ? "linked" : "test", image->readOnlySize, image->heapSize, image->writableSize,
              total / kLoads / 1000.0);
  vsTestHeap_shutdown();
  *static_cast<int*>(status) = 0;
  return nullptr;
}

}  // namespace

int main() {
  int status = 1;
  LowThread thread;
  if (!vsLowThread_start(&thread, loadAll, &status, size_t{1} << 20)) {
    std::fprintf(stderr, "image_load_bench: no low stack\n");
    return 1;
  }
  vsLowThread_join(&thread, nullptr);
  return status;
}
