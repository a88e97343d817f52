// midprun: the test launcher of a MIDP application, started the way the
// host starts it (OamsVmStartMIDP) and driven by vmId from a control thread.
//
//   midprun [--jad F] --jar F [--class NAME] [--jar-reader] [--heap N]
//           [--vmid N] [--tck] [--suspend-on E] [--resume-on E] [--pause-on E]
//           [--stop-on E] [--terminate-on E] [--twice] [--option K=V]...
//           [--property K=V]... [-- VM-PARAMS]
//
// The JAD, the JAR, the class name, the record and the heap (4 MiB unless
// --heap) are copied into low memory; --jar-reader hands the JAR through a
// reader only. --tck makes it a compatibility-test run: the record carries
// low test parameters with empty buffers, so the start fetches the test's
// JAD and JAR from the test server. The VM runs on a low-stack thread. The event handler prints
// "event E P" on standard output and hands the event to the control
// thread, which performs the actions named for it: suspend, resume (once
// the adapter has begun its blocking wait), pause, stop, terminate, and
// with --twice on event 20 a second OamsVmStartMIDP, printed as "second
// start R". --property pairs are answered by JkPropertyGetString before the
// host's; --option pairs are the test port's JkOptionGetString answers.
// Before the start "heap 0xADDR SIZE" goes to
// standard error, at the end "result R" to standard output. The VM's trace
// and the test port's lines go to standard error, the console to standard
// output. Exit status 0, or 2 for a usage or file error.
#include <sched.h>

#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "ce/substrate/low_memory.h"
#include "ce/substrate/low_thread.h"
#include "port/host/section_snapshot.h"
#include "port/vm_sync.h"
#include "port/vm_tick.h"
#include "tools/testport/test_port.h"
#include "vm/services/lifecycle/midp_start.h"

namespace {

constexpr int kUsageError = 2;
constexpr int32_t kDefaultHeap = 4 << 20;
constexpr size_t kVmStackBytes = size_t{8} << 20;
constexpr int32_t kAppStarted = 20;

// The buffers of a test run's parameters.
constexpr int32_t kTckJarBytes = 1 << 20;
constexpr int32_t kTckDescriptorBytes = 64 << 10;
constexpr int32_t kTckUrlBytes = 256;
constexpr int32_t kTckClassNameBytes = 256;

enum class Action { Suspend, Resume, Pause, Stop, Terminate };

struct Trigger {
  int32_t event;
  Action action;
};

struct Options {
  const char* jad = nullptr;
  const char* jar = nullptr;
  const char* className = nullptr;
  bool jarReader = false;
  bool tck = false;
  int32_t heap = kDefaultHeap;
  int32_t vmId = 1;
  bool twice = false;
  std::vector<Trigger> triggers;
  std::vector<const char*> vmParams;
};

[[noreturn]] void usage(const char* message) {
  std::fprintf(stderr, "midprun: %s\n", message);
  std::fprintf(stderr,
               "usage: midprun [--jad F] --jar F [--class NAME] [--jar-reader] [--heap N] [--vmid N] [--tck]\n"
               "               [--suspend-on E] [--resume-on E] [--pause-on E] [--stop-on E]\n"
               "               [--terminate-on E] [--twice] [--option K=V]... [--property K=V]...\n"
               "               [-- VM-PARAMS]\n");
  std::exit(kUsageError);
}

int32_t number(const char* text) {
  char* end = nullptr;
  const long value = std::strtol(text, &end, 0);
  if (*text == '\0' || *end != '\0' || value < INT32_MIN || value > INT32_MAX) usage("bad number");
  return static_cast<int32_t>(value);
}

// "K=V" split at the first '='.
void pair(const char* text, std::string* key, std::string* value) {
  const char* equals = std::strchr(text, '=');
  if (equals == nullptr) usage("expected K=V");
  key->assign(text, equals);
  value->assign(equals + 1);
}

Options parse(int argc, char** argv) {
  static const struct {
    const char* flag;
    Action action;
  } kTriggers[] = {{"--suspend-on", Action::Suspend},
                   {"--resume-on", Action::Resume},
                   {"--pause-on", Action::Pause},
                   {"--stop-on", Action::Stop},
                   {"--terminate-on", Action::Terminate}};
  Options o;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    const bool hasValue = i + 1 < argc;
    auto value = [&]() -> const char* {
      if (!hasValue) usage("missing value");
      return argv[++i];
    };
    if (a == "--") {
      for (++i; i < argc; ++i) o.vmParams.push_back(argv[i]);
      break;
    }
    bool trigger = false;
    for (const auto& t : kTriggers)
      if (a == t.flag) {
        o.triggers.push_back({number(value()), t.action});
        trigger = true;
      }
    if (trigger) continue;
    if (a == "--jad") {
      o.jad = value();
    } else if (a == "--jar") {
      o.jar = value();
    } else if (a == "--class") {
      o.className = value();
    } else if (a == "--jar-reader") {
      o.jarReader = true;
    } else if (a == "--heap") {
      o.heap = number(value());
    } else if (a == "--vmid") {
      o.vmId = number(value());
    } else if (a == "--tck") {
      o.tck = true;
    } else if (a == "--twice") {
      o.twice = true;
    } else if (a == "--option" || a == "--property") {
      std::string k, v;
      pair(value(), &k, &v);
      if (a == "--option")
        vsTestPort_setOption(k.c_str(), v.c_str());
      else
        vsTestPort_setProperty(k, v);
    } else {
      usage(("unknown argument " + a).c_str());
    }
  }
  if (o.jar == nullptr) usage("no --jar");
  if (o.heap < 1) usage("bad heap size");
  return o;
}

// A low copy of the file, with its size.
uint8_t* readFile(const char* path, int32_t* size) {
  FILE* f = std::fopen(path, "rb");
  if (f == nullptr) {
    std::fprintf(stderr, "midprun: cannot open %s\n", path);
    std::exit(kUsageError);
  }
  std::vector<uint8_t> bytes;
  uint8_t chunk[65536];
  for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, f)) > 0;) bytes.insert(bytes.end(), chunk, chunk + n);
  std::fclose(f);
  if (bytes.size() > static_cast<size_t>(INT32_MAX)) {
    std::fprintf(stderr, "midprun: %s is too large\n", path);
    std::exit(kUsageError);
  }
  auto* copy = static_cast<uint8_t*>(vsLow_alloc(bytes.size() + 1));
  if (copy == nullptr) {
    std::fprintf(stderr, "midprun: no low memory for %s\n", path);
    std::exit(kUsageError);
  }
  if (!bytes.empty()) std::memcpy(copy, bytes.data(), bytes.size());
  *size = static_cast<int32_t>(bytes.size());
  return copy;
}

// Low test parameters with empty buffers (nothing preloaded), or null.
VsTckInfo* testParameters() {
  auto* info = static_cast<VsTckInfo*>(vsLow_alloc(sizeof(VsTckInfo)));
  auto* jar = static_cast<uint8_t*>(vsLow_alloc(kTckJarBytes));
  auto* descriptor = static_cast<uint8_t*>(vsLow_alloc(kTckDescriptorBytes));
  auto* url = static_cast<char*>(vsLow_alloc(kTckUrlBytes));
  auto* name = static_cast<char*>(vsLow_alloc(kTckClassNameBytes));
  if (info == nullptr || jar == nullptr || descriptor == nullptr || url == nullptr || name == nullptr)
    return nullptr;
  *info = {};
  info->jarBuffer = jar;
  info->jarSize = kTckJarBytes;
  info->descriptorBuffer = descriptor;
  info->descriptorSize = kTckDescriptorBytes;
  info->jarUrlBuffer = url;
  info->jarUrlSize = kTckUrlBytes;
  info->classNameBuffer = name;
  info->classNameSize = kTckClassNameBytes;
  info->preloaded = 0;
  return info;
}

// The JAR of --jar-reader.
const uint8_t* gJar = nullptr;
int32_t gJarSize = 0;

int32_t readJar(void* buffer, int32_t offset, int32_t size) {
  if (offset < 0 || size < 0 || offset > gJarSize) return -1;
  const int32_t n = size < gJarSize - offset ? size : gJarSize - offset;
  std::memcpy(buffer, gJar + offset, static_cast<size_t>(n));
  return n;
}

// Events from the handler to the control thread; -1 ends it.
std::mutex gLock;
std::condition_variable gArrived;
std::deque<int32_t> gEvents;  // guarded by gLock

void handOver(int32_t event) {
  std::lock_guard<std::mutex> guard(gLock);
  gEvents.push_back(event);
  gArrived.notify_one();
}

int32_t nextEvent() {
  std::unique_lock<std::mutex> guard(gLock);
  gArrived.wait(guard, [] { return !gEvents.empty(); });
  const int32_t event = gEvents.front();
  gEvents.pop_front();
  return event;
}

// With --twice the VM thread waits in its handler of event 20 until the
// second start has returned, so the output keeps one order.
bool gTwice = false;
std::condition_variable gSecondDone;
bool gSecondStarted = false;  // guarded by gLock

void handler(int32_t, int32_t event, int32_t param) {
  std::printf("event %d %d\n", event, param);
  std::fflush(stdout);
  handOver(event);
  if (gTwice && event == kAppStarted) {
    std::unique_lock<std::mutex> guard(gLock);
    gSecondDone.wait(guard, [] { return gSecondStarted; });
  }
}

struct Run {
  Options* options;
  uint8_t* heap;
  JKT_MIDP_Application* app;
  std::vector<const char*> params;
  std::vector<int32_t> lengths;
  int32_t result;
};

int32_t start(Run* run) {
  return OamsVmStartMIDP(run->options->vmId, run->options->heap, run->heap, run->app, handler,
                         static_cast<int32_t>(run->params.size()), run->params.data(), run->lengths.data());
}

void* vmThread(void* arg) {
  auto* run = static_cast<Run*>(arg);
  run->result = start(run);
  return nullptr;
}

void perform(Action action, int32_t vmId, int32_t* resumes) {
  switch (action) {
    case Action::Suspend:
      OamsVmSuspend(vmId);
      break;
    case Action::Resume:
      // Only once the VM thread waits: each suspension begins one wait.
      while (vsVmStart_blockingWaits() <= *resumes) sched_yield();
      ++*resumes;
      OamsVmResume(vmId);
      break;
    case Action::Pause:
      OamsVmPause(vmId);
      break;
    case Action::Stop:
      OamsVmStop(vmId);
      break;
    case Action::Terminate:
      OamsVmTerminate(vmId);
      break;
  }
}

void control(Run* run) {
  int32_t resumes = vsVmStart_blockingWaits();
  for (int32_t event = nextEvent(); event != -1; event = nextEvent()) {
    if (run->options->twice && event == kAppStarted) {
      std::printf("second start %d\n", start(run));
      std::fflush(stdout);
      std::lock_guard<std::mutex> guard(gLock);
      gSecondStarted = true;
      gSecondDone.notify_one();
    }
    for (const Trigger& t : run->options->triggers)
      if (t.event == event) perform(t.action, run->options->vmId, &resumes);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (!SectionSnapshotCreate()) {
    std::fprintf(stderr, "midprun: cannot take the snapshot of the VM variables\n");
    return kUsageError;
  }
  Options options = parse(argc, argv);
  auto* app = static_cast<JKT_MIDP_Application*>(vsLow_alloc(sizeof(JKT_MIDP_Application)));
  auto* heap = static_cast<uint8_t*>(vsLow_alloc(static_cast<size_t>(options.heap)));
  if (app == nullptr || heap == nullptr) {
    std::fprintf(stderr, "midprun: out of low memory\n");
    return kUsageError;
  }
  *app = {};
  gJar = readFile(options.jar, &gJarSize);
  app->jarSize = gJarSize;
  if (options.jarReader)
    app->jarRead = vsWord_fromPointer(reinterpret_cast<const void*>(&readJar));
  else
    app->jarAddr = gJar;
  if (options.jad != nullptr) {
    app->jadAddr = readFile(options.jad, &app->jadSize);
    if (app->jadSize == 0) app->jadAddr = nullptr;
  }
  if (options.className != nullptr) {
    int32_t length = static_cast<int32_t>(std::strlen(options.className));
    auto* name = static_cast<char*>(vsLow_alloc(static_cast<size_t>(length) + 1));
    if (name == nullptr) {
      std::fprintf(stderr, "midprun: out of low memory\n");
      return kUsageError;
    }
    std::memcpy(name, options.className, static_cast<size_t>(length) + 1);
    app->className = name;
    app->classNameLen = length;
  }
  if (options.tck) {
    app->tckInfo = testParameters();
    if (!app->tckInfo) {
      std::fprintf(stderr, "midprun: out of low memory\n");
      return kUsageError;
    }
  }

  gTwice = options.twice;
  Run run{&options, heap, app, {}, {}, 0};
  for (const char* p : options.vmParams) {
    run.params.push_back(p);
    run.lengths.push_back(static_cast<int32_t>(std::strlen(p)));
  }
  if (!VmSyncCreate()) {
    std::fprintf(stderr, "midprun: cannot create the VM sync object\n");
    return kUsageError;
  }
  VmTickBaseInit();
  std::fprintf(stderr, "heap 0x%x %d\n", vsWord_fromPointer(heap), options.heap);
  std::thread controller(control, &run);
  LowThread thread;
  if (!vsLowThread_start(&thread, vmThread, &run, kVmStackBytes)) {
    std::fprintf(stderr, "midprun: cannot start the VM thread\n");
    return kUsageError;
  }
  vsLowThread_join(&thread, nullptr);
  handOver(-1);
  controller.join();
  VmSyncDelete();
  SectionSnapshotDelete();
  std::printf("result %d\n", run.result);
  return 0;
}
