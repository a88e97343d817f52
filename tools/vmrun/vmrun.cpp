// vmrun: the test launcher of the VM.
//
//   vmrun [--memory BYTES] [--memory-offset N] [--runs N] [--tck-jar FILE]
//         [--check-image | --dump-image | --dump-start]
//         [VM arguments] [JAR] [CLASS [ARGUMENTS...]]
//
// --check-image checks the class image once the core has started and
// prints "image ok: N objects, M references" (exit status 0) or one line
// per fault (status 1); --dump-image prints the image's classes and methods;
// --dump-start prints the main thread and its pending calls once main is
// handed over. All three print on the console (standard output) in place
// of running main.
//
// --post KIND:WORDS (repeatable) posts an event from a host thread of
// vmrun, not the VM thread, through the porting layer's posters: key:K,C,H
// (AmNotifyKeyEvent), pointer:K,A,B,C (AmNotifyPointerEvent) and
// midp:T,P1,P2,P3,P4 (AmPostMidpEvent). The thread posts the events in
// order, each again and again (yielding between tries) until a poster
// accepts it, which it does once the Java UI event thread has made its
// queues; it stops when the run ends.
//
// The collector-debugging launchers (vmrun-test-gcdebug, vmrun-itest-gcdebug,
// built with VS_GC_DEBUG) also take --gc-stress: after the start-up phase
// every allocation first runs a compacting collection, every 8th full and
// the others young, so objects move under every allocating caller.
//
// VM arguments are the leading arguments that begin with '-', '+' or '=';
// the values of "-native_memory", "-cp" and "-classpath" go with them, and
// "--" ends them explicitly (also in place of such a value). When the next
// argument ends in ".jar" it is the application JAR; the one after is the
// main class, the rest are application arguments.
//
// Like the VM window of the host, vmrun takes the snapshot of the VM
// variables first, and around each run creates the VM sync object and the
// tick base. Each run happens on a low-stack thread: banner, variable reset,
// VM id 1, then the run itself. With +SlaveMode the run
// returns once main is queued (status 0); vmrun then drives the slave VM
// on the same thread, one vsScheduler_timeSlice after the other, waiting
// the time each asks for (at most a second) on the VM wake-up event, until
// it ends; the run's status is then vsVm_lastExitStatus(). The trace goes to
// standard error, the console (System.out) to standard output. The exit
// status is the last run's status & 0xff; 2 for a usage or file error.
#include <sched.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "ce/substrate/low_memory.h"
#include "ce/substrate/low_thread.h"
#include "port/host/section_snapshot.h"
#include "port/vm_sync.h"
#include "port/vm_tick.h"
#include "vm/core/loader/zip_records.h"
#include "vm/core/memory/gc_front.h"
#include "vm/core/startup/slave_mode.h"
#include "vm/core/startup/vm_control.h"
#include "vm/core/startup/vm_flags.h"
#include "vm/core/startup/vm_run.h"
#include "vm/core/startup/vm_variables.h"
#include "vm/services/events/event_posters.h"

namespace {

constexpr uint32_t kDefaultMemory = 4194304;
constexpr uint32_t kMaxMemory = 256u << 20;
constexpr size_t kVmStackBytes = size_t{8} << 20;
constexpr int kUsageError = 2;
// The longest wait between two steps of a slave VM.
constexpr int64_t kSlaveLongestWaitMs = 1000;

// An event of --post: its poster and its words.
enum class PostKind { Key, Pointer, Midp };
struct PostEvent {
  PostKind kind;
  std::vector<int32_t> words;
};

struct Options {
  uint32_t memory = kDefaultMemory;
  uint32_t memoryOffset = 0;
  uint32_t runs = 1;
  const char* tckJar = nullptr;
  VmInspection inspection = VmInspection::None;
  bool gcStress = false;
  std::vector<char*> vmArgs;
  const char* jar = nullptr;
  const char* className = nullptr;
  std::vector<const char*> appArgs;
  std::vector<PostEvent> posts;
};

// What one run needs; everything the VM sees lies in low memory.
struct RunInput {
  VmStartParams* params;
  Options* options;
  int32_t status;
};

[[noreturn]] void usage(const char* why) {
  std::fprintf(stderr,
               "vmrun: %s\n"
               "usage: vmrun [--memory BYTES] [--memory-offset N] [--runs N] [--tck-jar FILE]\n"
               "             [--check-image | --dump-image | --dump-start] [--post KIND:WORDS]...\n"
               "             [VM arguments] [JAR] [CLASS [ARGUMENTS...]]\n",
               why);
  std::exit(kUsageError);
}

uint32_t number(const char* option, const char* text, uint32_t min, uint32_t max) {
  char* end = nullptr;
  errno = 0;
  const unsigned long long value = std::strtoull(text, &end, 10);
  if (text[0] < '0' || text[0] > '9' || *end != '\0' || errno != 0 || value < min || value > max)
    usage((std::string("bad value for ") + option + ": " + text).c_str());
  return static_cast<uint32_t>(value);
}

// KIND:W1,W2,... with the word count of the kind's poster.
PostEvent postEvent(const char* text) {
  const struct {
    const char* name;
    PostKind kind;
    size_t words;
  } kKinds[] = {{"key", PostKind::Key, 3}, {"pointer", PostKind::Pointer, 4}, {"midp", PostKind::Midp, 5}};
  const char* colon = std::strchr(text, ':');
  for (const auto& k : kKinds) {
    if (colon == nullptr || std::strncmp(text, k.name, static_cast<size_t>(colon - text)) != 0 ||
        std::strlen(k.name) != static_cast<size_t>(colon - text))
      continue;
    PostEvent e{k.kind, {}};
    for (const char* at = colon + 1;;) {
      char* end = nullptr;
      errno = 0;
      const long value = std::strtol(at, &end, 10);
      if (end == at || errno != 0 || value < INT32_MIN || value > INT32_MAX || (*end != ',' && *end != '\0'))
        break;
      e.words.push_back(static_cast<int32_t>(value));
      if (*end == '\0') {
        if (e.words.size() == k.words) return e;
        break;
      }
      at = end + 1;
    }
    break;
  }
  usage((std::string("bad value for --post: ") + text).c_str());
}

bool endsWith(const char* text, const char* suffix) {
  const size_t n = std::strlen(text), m = std::strlen(suffix);
  return n >= m && std::strcmp(text + n - m, suffix) == 0;
}

bool takesValue(const char* vmArg) {
  return std::strcmp(vmArg, "-native_memory") == 0 || std::strcmp(vmArg, "-cp") == 0 ||
         std::strcmp(vmArg, "-classpath") == 0;
}

Options parse(int argc, char** argv) {
  Options o;
  int i = 1;
  for (; i < argc; ++i) {
    const char* a = argv[i];
    const bool hasValue = i + 1 < argc;
    if (std::strcmp(a, "--memory") == 0 && hasValue)
      o.memory = number(a, argv[++i], 0, kMaxMemory);
    else if (std::strcmp(a, "--memory-offset") == 0 && hasValue)
      o.memoryOffset = number(a, argv[++i], 0, 4096);
    else if (std::strcmp(a, "--runs") == 0 && hasValue)
      o.runs = number(a, argv[++i], 1, 1000);
    else if (std::strcmp(a, "--tck-jar") == 0 && hasValue)
      o.tckJar = argv[++i];
    else if (std::strcmp(a, "--check-image") == 0)
      o.inspection = VmInspection::CheckImage;
    else if (std::strcmp(a, "--dump-image") == 0)
      o.inspection = VmInspection::DumpImage;
    else if (std::strcmp(a, "--dump-start") == 0)
      o.inspection = VmInspection::DumpStart;
    else if (std::strcmp(a, "--post") == 0 && hasValue)
      o.posts.push_back(postEvent(argv[++i]));
#ifdef VS_GC_DEBUG
    else if (std::strcmp(a, "--gc-stress") == 0)
      o.gcStress = true;
#endif
    else
      break;
  }
  for (; i < argc; ++i) {
    char* a = argv[i];
    if (std::strcmp(a, "--") == 0) {
      ++i;
      break;
    }
    if (a[0] != '-' && a[0] != '+' && a[0] != '=') break;
    o.vmArgs.push_back(a);
    if (takesValue(a) && i + 1 < argc && std::strcmp(argv[i + 1], "--") != 0) o.vmArgs.push_back(argv[++i]);
  }
  if (i < argc && endsWith(argv[i], ".jar")) o.jar = argv[i++];
  if (i < argc) o.className = argv[i++];
  for (; i < argc; ++i) o.appArgs.push_back(argv[i]);
  return o;
}

// The whole archive in a low block; exits when the file cannot be read.
// Bytes that are no archive are handed to the VM all the same (it then finds
// no classes in them), after a line that says so.
uint8_t* readArchive(const char* path, uint32_t* size) {
  FILE* f = std::fopen(path, "rb");
  if (f == nullptr) {
    std::fprintf(stderr, "vmrun: %s is not a readable archive (cannot open: %s)\n", path,
                 std::strerror(errno));
    std::exit(kUsageError);
  }
  std::vector<uint8_t> bytes;
  uint8_t chunk[65536];
  size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) {
    bytes.insert(bytes.end(), chunk, chunk + n);
    if (bytes.size() > kMaxMemory) {
      std::fprintf(stderr, "vmrun: %s is too large\n", path);
      std::exit(kUsageError);
    }
  }
  const bool failed = std::ferror(f) != 0;
  std::fclose(f);
  if (failed) {
    std::fprintf(stderr, "vmrun: %s is not a readable archive (cannot read it)\n", path);
    std::exit(kUsageError);
  }
  auto* copy = static_cast<uint8_t*>(vsLow_alloc(bytes.size() + 1));
  if (copy == nullptr) {
    std::fprintf(stderr, "vmrun: no low memory for %s\n", path);
    std::exit(kUsageError);
  }
  if (!bytes.empty()) std::memcpy(copy, bytes.data(), bytes.size());
  *size = static_cast<uint32_t>(bytes.size());
  if (!vs_zip::isReadableArchive(copy, *size))
    std::fprintf(stderr, "vmrun: %s is not a readable archive\n", path);
  return copy;
}

// A low copy of a string.
const char* lowString(const char* text) {
  const size_t n = std::strlen(text);
  auto* copy = static_cast<char*>(vsLow_alloc(n + 1));
  if (copy == nullptr) {
    std::fprintf(stderr, "vmrun: out of low memory\n");
    std::exit(kUsageError);
  }
  std::memcpy(copy, text, n + 1);
  return copy;
}

int32_t postOnce(const PostEvent& e) {
  const std::vector<int32_t>& w = e.words;
  switch (e.kind) {
    case PostKind::Key:
      return AmNotifyKeyEvent(w[0], w[1], w[2]);
    case PostKind::Pointer:
      return AmNotifyPointerEvent(w[0], w[1], w[2], w[3]);
    case PostKind::Midp:
      return AmPostMidpEvent(w[0], w[1], w[2], w[3], w[4]);
  }
  return 0;
}

// The host thread of --post: each event until accepted or the run ends.
void postEvents(const std::vector<PostEvent>* events, const std::atomic<bool>* runEnded) {
  for (const PostEvent& e : *events)
    while (postOnce(e) == 0) {
      if (runEnded->load()) return;
      sched_yield();
    }
}

void* runThread(void* arg) {
  auto* in = static_cast<RunInput*>(arg);
  vsVm_printBanner();
  const int32_t reset = vsVm_initializeVariables();
  vsVm_setVmId(1);
  vsVm_setInspection(in->options->inspection);
  if (in->options->gcStress) vsGC_stress = GcStress{1, 1, 1, 0};
  if (reset != 0) {
    in->status = reset;
    return nullptr;
  }
  in->status = vsVm_run(1, in->params, static_cast<int32_t>(in->options->vmArgs.size()),
                        in->options->vmArgs.data(), nullptr);
  if (in->status == 0 && vsVmFlags().SlaveMode != 0) {
    // The host's side of a slave VM: a step, then a wait of the time the VM
    // asks for (at most a second, cut short by an event), until it ends.
    for (int64_t wake = vsScheduler_timeSlice(); wake != kSlaveVmEnded; wake = vsScheduler_timeSlice())
      if (wake > 0)
        JkVmEventWait(static_cast<int32_t>(wake < kSlaveLongestWaitMs ? wake : kSlaveLongestWaitMs));
    in->status = vsVm_lastExitStatus();
  }
  return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
  if (!SectionSnapshotCreate()) {
    std::fprintf(stderr, "vmrun: cannot take the snapshot of the VM variables\n");
    return kUsageError;
  }
  Options options = parse(argc, argv);

  auto* params = static_cast<VmStartParams*>(vsLow_alloc(sizeof(VmStartParams)));
  auto* args =
      static_cast<VmPtr<const char>*>(vsLow_alloc((options.appArgs.size() + 1) * sizeof(VmPtr<const char>)));
  auto* memory = static_cast<uint8_t*>(vsLow_alloc(size_t{options.memory} + options.memoryOffset + 4));
  if (params == nullptr || args == nullptr || memory == nullptr) {
    std::fprintf(stderr, "vmrun: out of low memory\n");
    return kUsageError;
  }
  if (options.className != nullptr) params->mainClass = lowString(options.className);
  for (size_t i = 0; i < options.appArgs.size(); ++i) args[i] = lowString(options.appArgs[i]);
  params->arguments = args;
  if (options.jar != nullptr) params->jarAddress = readArchive(options.jar, &params->jarSize);
  params->memorySize = options.memory;
  params->memoryAddress = vsWord_fromPointer(memory + options.memoryOffset);
  if (options.tckJar != nullptr) {
    auto* harness = static_cast<VmWord*>(vsLow_alloc(8 * sizeof(VmWord)));
    if (harness == nullptr) {
      std::fprintf(stderr, "vmrun: out of low memory\n");
      return kUsageError;
    }
    uint32_t size = 0;
    harness[kVsVm_harnessJarAddress] = vsWord_fromPointer(readArchive(options.tckJar, &size));
    harness[kVsVm_harnessJarSize] = size;
    // Word 1 non-zero: the test JAR is given, no test socket protocol.
    harness[1] = 1;
    params->testHarness = harness;
  }

  int32_t status = 0;
  for (uint32_t run = 0; run < options.runs; ++run) {
    if (!VmSyncCreate()) {
      std::fprintf(stderr, "vmrun: cannot create the VM sync object\n");
      return kUsageError;
    }
    VmTickBaseInit();
    RunInput in{params, &options, -1};
    LowThread thread;
    if (!vsLowThread_start(&thread, runThread, &in, kVmStackBytes)) {
      std::fprintf(stderr, "vmrun: cannot start the VM thread\n");
      return kUsageError;
    }
    std::atomic<bool> runEnded{false};
    std::thread poster;
    if (!options.posts.empty()) poster = std::thread(postEvents, &options.posts, &runEnded);
    vsLowThread_join(&thread, nullptr);
    runEnded = true;
    if (poster.joinable()) poster.join();
    VmSyncDelete();
    status = in.status;
  }
  SectionSnapshotDelete();
  return status & 0xff;
}
