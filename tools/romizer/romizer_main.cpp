// romizer: builds the class image of the system library.
//
//   romizer [--version-word N] [--memory BYTES] -o OUT.s LIB.jar [MORE.jar...]
//
// The romizer is the core itself, linked without an image and run with the
// image-building flag set; nothing of Java runs. On a low-stack thread it
//   1. starts the core without an image, LIB.jar as "/sys.jar" and the
//      further archives after it on the class path;
//   2. loads every ".class" entry of the archives: the classes that the
//      start loads come first, then the others sorted by name (class ids
//      follow the load order);
//   3. runs the passes of romizer_model.h in their order (runPasses);
//   4. lays the image out, checks it and writes one assembler file.
// Then it prints the summary line. Any failure ends it through romizer_fail
// (status 1, no output file); a fatal error of the core names the class
// that was being loaded. --memory sizes the romizer's heap (the output does
// not depend on it); --version-word sets the header's version word (for
// the loader's tests).
#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "ce/substrate/low_memory.h"
#include "ce/substrate/low_thread.h"
#include "tools/romizer/class_loading_pass.h"
#include "tools/romizer/image_layout.h"
#include "tools/romizer/image_writer.h"
#include "tools/romizer/romizer_model.h"
#include "tools/romizer/romizer_output.h"
#include "vm/core/image/image_format.h"
#include "vm/core/loader/class_loading.h"
#include "vm/core/loader/class_path.h"
#include "vm/core/loader/image_less_start.h"
#include "vm/core/memory/java_heap.h"
#include "vm/core/startup/exit_point.h"
#include "vm/core/startup/memory_split.h"
#include "vm/core/startup/vm_control.h"
#include "vm/core/startup/vm_flags.h"
#include "vm/services/lifecycle/mem_file.h"

namespace {

constexpr size_t kStackBytes = size_t{8} << 20;
constexpr uint32_t kDefaultHeapBytes = 32u << 20;
constexpr uint32_t kMinHeapBytes = 1u << 20;
constexpr uint32_t kMaxHeapBytes = 512u << 20;
constexpr uint32_t kMaxArchiveBytes = 256u << 20;
constexpr int kUsageError = 2;

struct Request {
  uint32_t version = kImageVersion;
  uint32_t heapBytes = kDefaultHeapBytes;
  const char* output = nullptr;
  const char* bindingTable = VS_ROMIZER_BINDING_TABLE;
  const char* unboundList = VS_ROMIZER_UNBOUND_LIST;
  std::vector<const char*> archives;
};

Request gRequest;
RomizerModel gModel;

[[noreturn]] void usage(const char* why) {
  std::fprintf(stderr,
               "romizer: %s\nusage: romizer [--version-word N] [--memory BYTES] [--binding-table FILE] [--unbound FILE]\n"
               "               -o OUT.s LIB.jar [MORE.jar...]\n",
               why);
  std::exit(kUsageError);
}

uint32_t number(const char* text, uint32_t min, uint32_t max) {
  char* end = nullptr;
  errno = 0;
  const unsigned long long v = std::strtoull(text, &end, 10);
  if (text[0] < '0' || text[0] > '9' || *end != '\0' || errno != 0 || v < min || v > max)
    usage((std::string("bad number: ") + text).c_str());
  return static_cast<uint32_t>(v);
}

Request parse(int argc, char** argv) {
  Request r;
  for (int i = 1; i < argc; ++i) {
    const bool hasValue = i + 1 < argc;
    if (std::strcmp(argv[i], "--version-word") == 0 && hasValue)
      r.version = number(argv[++i], 0, 0xffffffffu);
    else if (std::strcmp(argv[i], "--memory") == 0 && hasValue)
      r.heapBytes = number(argv[++i], kMinHeapBytes, kMaxHeapBytes);
    else if (std::strcmp(argv[i], "--binding-table") == 0 && hasValue)
      r.bindingTable = argv[++i];
    else if (std::strcmp(argv[i], "--unbound") == 0 && hasValue)
      r.unboundList = argv[++i];
    else if (std::strcmp(argv[i], "-o") == 0 && hasValue)
      r.output = argv[++i];
    else if (argv[i][0] == '-')
      usage((std::string("unknown option ") + argv[i]).c_str());
    else
      r.archives.push_back(argv[i]);
  }
  if (r.output == nullptr) usage("no output file");
  if (r.archives.empty()) usage("no library archive");
  return r;
}

// A file's bytes in low memory, for the memory files of the class path.
const uint8_t* readArchive(const char* path, uint32_t* size) {
  FILE* f = std::fopen(path, "rb");
  if (f == nullptr) romizer_fail("cannot open %s: %s", path, std::strerror(errno));
  std::vector<uint8_t> bytes;
  uint8_t chunk[65536];
  size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) {
    bytes.insert(bytes.end(), chunk, chunk + n);
    if (bytes.size() > kMaxArchiveBytes) romizer_fail("%s is too large", path);
  }
  const bool failed = std::ferror(f) != 0;
  std::fclose(f);
  if (failed) romizer_fail("cannot read %s", path);
  auto* copy = static_cast<uint8_t*>(vsLow_alloc(bytes.size() + 1));
  if (copy == nullptr) romizer_fail("no low memory for %s", path);
  std::memcpy(copy, bytes.data(), bytes.size());
  *size = static_cast<uint32_t>(bytes.size());
  return copy;
}

// Registers the archives as memory files; returns their names.
std::vector<std::string> registerArchives() {
  std::vector<std::string> names;
  for (size_t i = 0; i < gRequest.archives.size(); ++i) {
    uint32_t size = 0;
    const uint8_t* bytes = readArchive(gRequest.archives[i], &size);
    names.push_back(i == 0 ? std::string(kSystemLibraryName) : "/lib" + std::to_string(i) + ".jar");
    if (vsMemFile_register(names.back().c_str(), bytes, nullptr, size) < 0)
      romizer_fail("cannot register %s", gRequest.archives[i]);
  }
  return names;
}

void setUpHeap() {
  const uint32_t heap = gRequest.heapBytes;
  const uint32_t area = heap + heap / 8 + 65536;
  void* memory = vsLow_alloc(area);
  if (memory == nullptr) romizer_fail("no low memory for a heap of %u bytes", heap);
  vsVm_sizeHeap({vsWord_fromPointer(memory), area}, 0, 0);
  vsVmFlags().HeapMin = static_cast<int32_t>(heap);
  vsVmFlags().HeapCapacity = static_cast<int32_t>(heap);
  if (vsJavaHeap_setup(0, 0) != 1) romizer_fail("cannot set up a heap of %u bytes", heap);
}

// The passes after loading, in the order of romizer_model.h.
void runPasses() {
  romizer_mergePools(gModel);
  const VerificationCounts verified = romizer_verifyClasses(gModel);
  std::printf("verified %u classes, %u methods, 0 failures\n", verified.classes, verified.methods);
  romizer_prelink(gModel);
  romizer_bindNatives(gModel, gRequest.bindingTable, gRequest.unboundList);
}

void* run(void*) {
  static VmExitPoint point;
  if (setjmp(point.buffer) != 0) {
    vsExitPoint_remove(&point);
    if (!romizer_classBeingLoaded().empty())
      romizer_fail("class %s: the core stopped while loading it (its message is above)",
                   romizer_classBeingLoaded().c_str());
    romizer_fail("the start without an image stopped (its message is above)");
  }
  vsExitPoint_push(&point);
  vsVmState().buildingImage = 1;
  setUpHeap();
  const std::vector<std::string> archives = registerArchives();
  std::string classPath;
  for (const std::string& name : archives) classPath += (classPath.empty() ? "" : ";") + name;
  if (vsClassPath_set(classPath.c_str()) == 0) romizer_fail("class path of the archives longer than 1024 characters");
  vsCore_startWithoutImage();
  romizer_loadClasses(gModel, archives);
  gModel.version = gRequest.version;
  runPasses();
  const ImageLayout layout = romizer_layOut(gModel);
  romizer_writeImage(gModel, layout, gRequest.output);
  vsExitPoint_remove(&point);
  std::printf(
      "classes %zu, methods %u, strings %zu, symbols %u, read-only %u, heap part %u, writable %u, entries %zu, "
      "unbound natives %zu\n",
      gModel.classes.size(), layout.methodCount, layout.strings.size(), layout.symbolCount, layout.readOnlySize,
      layout.heapSize, layout.blockSize + 16 * static_cast<uint32_t>(layout.strings.size()), gModel.entrySlots.size(),
      gModel.unboundNatives.size());
  for (const std::string& name : gModel.unboundNatives) std::printf("unbound native %s\n", name.c_str());
  return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
  gRequest = parse(argc, argv);
  romizer_setOutputPath(gRequest.output);
  std::remove(gRequest.output);
  LowThread thread;
  if (!vsLowThread_start(&thread, run, nullptr, kStackBytes)) romizer_fail("cannot start the romizer's thread");
  vsLowThread_join(&thread, nullptr);
  return 0;
}
