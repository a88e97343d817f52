// The core start on a small class image: the main thread, its pending
// calls, the search for main, the start's failures and the image's share
// of shutdown.
#include "vm/core/startup/core_start.h"

#include <gtest/gtest.h>

#include <csetjmp>
#include <functional>
#include <string>

#include "tests/core/exception_double.h"
#include "tests/core/heap_fixture.h"
#include "tests/support/capture_stream.h"
#include "tools/testport/test_port.h"
#include "vm/core/image/image_bounds.h"
#include "vm/core/image/tests/synthetic_image.h"
#include "vm/core/loader/class_tables.h"
#include "vm/core/memory/string_factory.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/method_lookup.h"
#include "vm/core/model/roots.h"
#include "vm/core/model/symbols.h"
#include "vm/core/model/vm_globals.h"
#include "vm/core/startup/exit_point.h"
#include "vm/core/startup/start_dump.h"
#include "vm/core/startup/vm_control.h"
#include "vm/core/startup/vm_flags.h"
#include "vm/core/threads/thread_record.h"
#include "vm/services/lifecycle/console.h"

namespace {

std::string javaString(VmRef s) {
  const StringObject* string = vsRef_as<StringObject>(s);
  std::string out;
  for (int32_t i = 0; i < string->count; ++i)
    out += static_cast<char>(vsRef_as<CharArray>(string->value)->elements[string->offset + i]);
  return out;
}

// Starts the core inside an exit point: true when the VM left through it.
bool startLeaves(const ImageDescriptor* image) {
  VmExitPoint point;
  if (setjmp(point.buffer) != 0) {
    vsExitPoint_remove(&point);
    return true;
  }
  vsExitPoint_push(&point);
  vsCore_start(image, ".");
  vsExitPoint_remove(&point);
  return false;
}

class CoreStartTest : public HeapTest {
 public:
  void SetUp() override {
    HeapTest::SetUp();
    image_ = vsTestImage_build();
  }
  void TearDown() override {
    vsVm_shutdown();
    HeapTest::TearDown();
  }

  void start() {
    vsVmState().startupPhase = 1;
    vsCore_start(image_.descriptor, "/a.jar;;/b.jar");
    // The test double of the exceptions makes this object pending.
    vsTestException_setMarker(vsRoot(kRootOutOfMemoryError));
  }

  ThreadRecord* mainThread() const { return vsWord_toPointer<ThreadRecord>(vsVmGlobals.currentThread); }
  std::vector<const ArgumentBlock*> pendingCalls() const {
    std::vector<const ArgumentBlock*> calls;
    for (VmRef c = mainThread()->pendingCalls; c != 0; c = vsRef_as<ArgumentBlock>(c)->ref1)
      calls.push_back(vsRef_as<ArgumentBlock>(c));
    return calls;
  }
  static const ClassRecord* byName(const char* name) {
    for (uint32_t id = 0;; ++id)
      if (const ClassRecord* c = vsClass_byId(id); vsRef_of(vsClass_name(c)) == vsSymbol_fromCString(name, true))
        return c;
  }
  static VmRef methodOf(const char* className, uint32_t i) {
    return vsRef_as<ObjectArray>(byName(className)->classInfo->methods)->elements[i];
  }

  SyntheticImage image_{};
};

TEST_F(CoreStartTest, StartsTheMainThread) {
  start();
  ASSERT_FALSE(vsException_isPending());
  const VmRef thread = vsVmGlobals.currentThread;
  ASSERT_NE(thread, 0u);
  const JavaThreadObject* javaThread = vsRef_as<JavaThreadObject>(mainThread()->javaThread);
  EXPECT_EQ(vsObject_class(mainThread()->javaThread), vsRoot_as<ClassRecord>(kRootThread));
  EXPECT_EQ(javaThread->priority, kNormPriority);
  EXPECT_EQ(javaThread->threadRecord, thread);
  EXPECT_NE(mainThread()->stackChunk, 0u);
  EXPECT_EQ(vsRoot(kRootThreadList), thread);
  EXPECT_EQ(vsRoot(kRootNextThread), thread);
  EXPECT_EQ(vsVmState().startupPhase, 0);

  // The class path as a String[], empty parts skipped.
  const ObjectArray* path = vsRoot_as<ObjectArray>(kRootClassPath);
  ASSERT_EQ(path->length, 2);
  EXPECT_EQ(javaString(path->elements[0]), "/a.jar");
  EXPECT_EQ(javaString(path->elements[1]), "/b.jar");
  // The image's class table is searched first, then the loaded classes.
  EXPECT_EQ(vsClassTables.searched[0], vsRoot(kRootImageClassTable));
  EXPECT_EQ(vsClassTables.searched[1], vsClassTables.loaded);
  EXPECT_EQ(vsRoot(kRootLoadedClassTable), vsClassTables.loaded);
  EXPECT_EQ(vsRef_as<ObjectArray>(vsClassTables.loaded)->length, 128);

  const auto calls = pendingCalls();
  ASSERT_EQ(calls.size(), 2u);
  const Root initialized[] = {kRootSystem, kRootI18nHelper};
  for (size_t i = 0; i < calls.size(); ++i) {
    EXPECT_EQ(calls[i]->ref0, methodOf("java/lang/Class", 0));
    ASSERT_EQ(calls[i]->count, 1u);
    EXPECT_EQ(calls[i]->entries[0].type, kArgumentTypeReference);
    EXPECT_EQ(calls[i]->entries[0].value, vsRef_of(vsRoot_as<ClassRecord>(initialized[i])->mirror.get()));
  }
}

TEST_F(CoreStartTest, HandsMainToTheMainThread) {
  start();
  VmPtr<const char> args[2];
  args[0] = "a";
  args[1] = "b";
  ASSERT_EQ(vsCore_queueMain("Main", 2, args), 1);
  CaptureStream out;
  vsCore_dumpStart(&out);
  EXPECT_EQ(out.text(),
            "main thread: priority 5, runnable\n"
            "pending call: java/lang/Class.initialize()V on java/lang/System\n"
            "pending call: java/lang/Class.initialize()V on com/sun/cldc/i18n/Helper\n"
            "pending call: java/lang/Class.initialize()V on Main\n"
            "pending call: Main.main([Ljava/lang/String;)V with \"a\", \"b\"\n");
}

TEST_F(CoreStartTest, FindsMainInTheSuperclass) {
  start();
  ASSERT_EQ(vsCore_queueMain("Sub", 0, nullptr), 1);
  const auto calls = pendingCalls();
  ASSERT_EQ(calls.size(), 4u);
  EXPECT_EQ(calls[2]->entries[0].value, vsRef_of(byName("Sub")->mirror.get()));
  EXPECT_EQ(calls[3]->ref0, methodOf("Main", 0));
  EXPECT_EQ(vsRef_as<ObjectArray>(calls[3]->entries[0].value)->length, 0);
}

TEST_F(CoreStartTest, RefusesMissingMainAndMissingClass) {
  struct Case {
    const char* name;
    const char* exception;
    bool hasCode;
  };
  const Case cases[] = {
      {"Inst", "java/lang/Error", true},                       // main is an instance method
      {"com.sun.cldc.i18n.Helper", "java/lang/Error", true},   // no main at all
      {"a.b.Nope", "java/lang/NoClassDefFoundError", false},
  };
  start();
  for (const Case& c : cases) {
    vsTestException_clear();
    const size_t before = pendingCalls().size();
    EXPECT_EQ(vsCore_queueMain(c.name, 0, nullptr), 0) << c.name;
    EXPECT_TRUE(vsException_isPending()) << c.name;
    EXPECT_EQ(vsTestException_last().className, c.exception) << c.name;
    if (c.hasCode) {
      EXPECT_EQ(vsTestException_last().code, 116) << c.name;
    }
    EXPECT_LE(pendingCalls().size(), before + 1) << "no call of main for " << c.name;
  }
  vsTestException_clear();
}

TEST_F(CoreStartTest, ReportsTheUncaughtException) {
  start();
  vsCore_queueMain("Inst", 0, nullptr);
  vsSys_setConsoleOutput(1);
  vsTestPort_startCapture();
  vsCore_reportUncaught();
  const std::string output = vsTestPort_stopCapture().console;
  EXPECT_EQ(output.rfind("Uncaught Exception: java.lang.OutOfMemoryError", 0), 0u) << output;
  EXPECT_FALSE(vsException_isPending());
}

TEST_F(CoreStartTest, StartFailuresAreFatal) {
  struct Case {
    const char* what;
    std::function<void(CoreStartTest&)> damage;
    const char* output;
  };
  const Case cases[] = {
      {"version 2", [](CoreStartTest& t) { vsWord_toPointer<VmWord>(t.image_.descriptor->header)[2] = 2; },
       "[ERROR] Failed to the version check of romizer. Expected version=1, Actual version=2\nFatal error:   0\n"},
      {"heap smaller than the heap part",
       [](CoreStartTest& t) {
         vsVmFlags().HeapMin = vsVmFlags().HeapCapacity = static_cast<int32_t>(t.image_.descriptor->heapSize);
       },
       "Fatal error: 130\n"},
      {"size word",
       [](CoreStartTest& t) {
         const ImageDescriptor* d = t.image_.descriptor;
         vsWord_toPointer<VmWord>(d->writableBlock + d->blockSize)[2] += 4;
       },
       "Fatal error: 139\n"},
  };
  for (const Case& c : cases) {
    // Each start reserves its heap anew.
    vsTestHeap_shutdown();
    ASSERT_TRUE(vsTestHeap_boot(kTestHeapBytes, kTestHeapBytes));
    image_ = vsTestImage_build();
    c.damage(*this);
    vsTestPort_startCapture();
    EXPECT_TRUE(startLeaves(image_.descriptor)) << c.what;
    const std::string output = vsTestPort_stopCapture().trace;
    EXPECT_NE(output.find(c.output), std::string::npos) << c.what << ":\n" << output;
    EXPECT_EQ(vsVmState().exitCode, -1) << c.what;
  }
}

TEST_F(CoreStartTest, ShutdownForgetsTheImage) {
  start();
  vsVm_shutdown();
  for (VmRef r : vsPersistentRoots) EXPECT_EQ(r, 0u);
  for (VmWord VmGlobals::*w : kVmGlobalsReferenceWords) EXPECT_EQ(vsVmGlobals.*w, 0u);
  EXPECT_EQ(vsVmGlobals.heapLow, 0u);
  EXPECT_EQ(vsSymbolTable_count, 0u);
  EXPECT_EQ(vsSymbolTable_rom.raw, 0u);
  EXPECT_EQ(vsInternTable_rom.raw, 0u);
  EXPECT_EQ(vsMethodLookup_imageOption, 0u);
  EXPECT_EQ(vsImage_bounds.readOnlySize, 0u);
  EXPECT_EQ(vsClassTables.searched[0], 0u);
}

}  // namespace

namespace {

TEST_F(CoreStartTest, MainStepsEndAsTheirModeSays) {
  struct Case {
    const char* className;
    bool slave;
    VmInspection inspection;
    int32_t exitCode;
    const char* output;  // the start of a line of the output
    bool heapKept;       // slave mode returns before shutdown
    bool policyStarted;  // main was handed over: the compile policy's flags are set
  };
  const Case cases[] = {
      {"Main", false, VmInspection::None, 0, "", false, true},
      {"Main", true, VmInspection::None, 0, "", true, true},
      {"Inst", false, VmInspection::None, -1, "Uncaught Exception: java.lang.OutOfMemoryError", false, false},
      {"Inst", true, VmInspection::None, -1, "Uncaught Exception: ", false, false},
      {"Main", false, VmInspection::DumpStart, 0, "pending call: Main.main([Ljava/lang/String;)V with\n", false, true},
      {"Main", false, VmInspection::CheckImage, 0, "image ok: ", false, false},
      {"Main", false, VmInspection::DumpImage, 0, "romizer version 1\n", false, false},
  };
  for (const Case& c : cases) {
    vsTestHeap_shutdown();
    ASSERT_TRUE(vsTestHeap_boot(kTestHeapBytes, kTestHeapBytes));
    image_ = vsTestImage_build();
    vsVmFlags().SlaveMode = c.slave ? 1 : 0;
    vsVmFlags().JITControl_MinCompilationInterval = 0;
    // The exceptions' double makes pending what will be the image's
    // OutOfMemoryError once the heap part lies at the heap's start.
    const ImageDescriptor* d = image_.descriptor;
    vsTestException_setMarker(vsVmGlobals.heapLow + vsWord_toPointer<VmWord>(d->roots)[kRootOutOfMemoryError] -
                              d->heapPart);
    // Reports go to the console, the trace to the trace output.
    vsSys_setConsoleOutput(1);
    vsTestPort_startCapture();
    const int32_t code = vsCore_main(d, ".", c.className, 0, nullptr, c.inspection);
    const TestPortCapture captured = vsTestPort_stopCapture();
    const std::string output = captured.console + captured.trace;
    EXPECT_EQ(code, c.exitCode) << c.className << " " << static_cast<int>(c.inspection);
    EXPECT_NE(output.find(c.output), std::string::npos) << c.className << ":\n" << output;
    EXPECT_EQ(vsVmGlobals.heapLow != 0, c.heapKept) << c.className;
    EXPECT_EQ(vsVmFlags().JITControl_MinCompilationInterval, c.policyStarted ? 40 : 0) << c.className;
    vsTestException_clear();
  }
}

}  // namespace
