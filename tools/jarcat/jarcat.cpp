// jarcat: reads one entry of an archive through the VM's class path.
//
//   jarcat [VM options] ARCHIVE ENTRY [--as NAME] [--class]
//
// The archive becomes the memory file NAME ("/app.jar" by default) and the
// whole class path; ENTRY is then looked up as a resource, or as the class
// file of the class ENTRY with --class. The bytes go to standard output; a
// missing entry prints "not found" on standard error and exits 1, an
// exception raised by the lookup (OutOfMemoryError for an entry too large
// for the heap) prints its name and message there and exits 1. VM options
// ("-UseVerifier", "=Name123") go to the VM's option parser first. The VM's
// trace goes to standard error; a fatal VM error ends the tool through its
// exit point with status 255. A test tool: the heap is the core's test
// bootstrap.
#include <cstdio>
#include <cstring>
#include <vector>

#include "ce/substrate/low_memory.h"
#include "ce/substrate/low_thread.h"
#include "tests/core/heap_boot.h"
#include "vm/core/interp/stack_trace.h"
#include "vm/core/loader/class_path.h"
#include "vm/core/model/vm_globals.h"
#include "vm/core/startup/exit_point.h"
#include "vm/core/startup/options.h"
#include "vm/core/startup/vm_control.h"
#include "vm/services/lifecycle/mem_file.h"

namespace {

constexpr uint32_t kHeapBytes = 12u << 20;
constexpr size_t kStackBytes = size_t{4} << 20;
constexpr int kUsageError = 2;

struct Request {
  std::vector<char*> vmOptions;
  const char* archive = nullptr;
  const char* entry = nullptr;
  const char* name = "/app.jar";
  bool classFile = false;
  uint8_t* data = nullptr;  // the archive's bytes, in low memory
  uint32_t size = 0;
  int status = 0;
};

int usage(const char* why) {
  std::fprintf(stderr, "jarcat: %s\nusage: jarcat [VM options] ARCHIVE ENTRY [--as NAME] [--class]\n", why);
  return kUsageError;
}

bool readArchive(Request& r) {
  FILE* f = std::fopen(r.archive, "rb");
  if (f == nullptr) return false;
  std::vector<uint8_t> bytes;
  uint8_t chunk[65536];
  size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) bytes.insert(bytes.end(), chunk, chunk + n);
  std::fclose(f);
  if (bytes.size() > 0x7FFFFFFF) return false;
  r.size = static_cast<uint32_t>(bytes.size());
  r.data = static_cast<uint8_t*>(vsLow_alloc(bytes.empty() ? 1 : bytes.size()));
  if (r.data == nullptr) return false;
  if (!bytes.empty()) std::memcpy(r.data, bytes.data(), bytes.size());
  return true;
}

// The run on the VM thread: heap, memory file, class path, lookup.
void lookUp(Request& r) {
  for (size_t i = 0; i < r.vmOptions.size(); ++i) {
    if (vsOptions_parse(static_cast<int32_t>(r.vmOptions.size() - i), &r.vmOptions[i]) != 1) {
      r.status = usage("unknown VM option");
      return;
    }
  }
  if (vsMemFile_register(r.name, r.data, nullptr, r.size) < 0 || !vsClassPath_set(r.name)) {
    r.status = usage("cannot register the archive under that name");
    return;
  }
  const VmRef found = vsClassPath_findResource(r.entry, r.classFile);
  if (found == 0 && vsException_isPending()) {
    vsException_printStackTrace(vsPendingException());
    vsPendingException() = 0;
    r.status = 1;
    return;
  }
  if (found == 0) {
    std::fputs("not found\n", stderr);
    r.status = 1;
    return;
  }
  const auto* array = vsWord_toPointer<ByteArray>(found);
  std::fwrite(array->elements, 1, static_cast<size_t>(array->length), stdout);
  std::fflush(stdout);
}

void* run(void* argument) {
  Request& r = *static_cast<Request*>(argument);
  if (!vsTestHeap_boot(kHeapBytes, kHeapBytes)) {
    r.status = usage("cannot set up the heap");
    return nullptr;
  }
  static VmExitPoint point;
  if (setjmp(point.buffer) != 0) {
    vsExitPoint_remove(&point);
    r.status = vsVmState().exitCode & 0xFF;
    return nullptr;
  }
  vsExitPoint_push(&point);
  lookUp(r);
  vsExitPoint_remove(&point);
  vsTestHeap_shutdown();
  return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
  Request r;
  std::vector<char*> positional;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--as") == 0 && i + 1 < argc) {
      r.name = argv[++i];
    } else if (std::strcmp(argv[i], "--class") == 0) {
      r.classFile = true;
    } else if (positional.empty() && std::strchr("-+=", argv[i][0]) != nullptr && argv[i][0] != '\0') {
      r.vmOptions.push_back(argv[i]);
    } else {
      positional.push_back(argv[i]);
    }
  }
  if (positional.size() != 2) return usage("expected ARCHIVE and ENTRY");
  r.archive = positional[0];
  r.entry = positional[1];
  if (!readArchive(r)) return usage("cannot read the archive");
  LowThread t;
  if (!vsLowThread_start(&t, run, &r, kStackBytes)) return usage("cannot start the VM thread");
  vsLowThread_join(&t, nullptr);
  return r.status;
}
