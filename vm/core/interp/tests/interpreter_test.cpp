// The interpreter on the interp/ fixtures, prelinked as the image holds its
// code: each case queues a static method as a pending call of a test
// thread, runs it and checks its result words or the uncaught exception.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "ce/substrate/low_memory.h"
#include "tests/core/core_fixture.h"
#include "tests/core/core_start.h"
#include "vm/core/loader/class_path.h"
#include "vm/services/lifecycle/mem_file.h"
#include "tools/romizer/prelink.h"
#include "tools/testport/test_port.h"
#include "tools/romizer/tests/romizer_fail_double.h"
#include "vm/core/bytecode/verifier.h"
#include "vm/core/interp/exception_dispatch.h"
#include "vm/core/interp/exceptions.h"
#include "vm/core/interp/frame_iterator.h"
#include "vm/core/image/image_bounds.h"
#include "vm/core/interp/interpreter.h"
#include "vm/core/interp/runtime_entries.h"
#include "vm/core/interp/interpreter_frames.h"
#include "vm/core/interp/method_entries.h"
#include "vm/core/interp/method_helpers.h"
#include "vm/core/memory/gc_front.h"
#include "vm/core/memory/heap_allocators.h"
#include "vm/core/memory/object_size.h"
#include "vm/core/memory/string_factory.h"
#include "vm/core/memory/write_barrier.h"
#include "vm/core/model/bytecodes.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/constant_pool.h"
#include "vm/core/model/model_flags.h"
#include "vm/core/model/handles.h"
#include "vm/core/model/method_access.h"
#include "vm/core/model/method_lookup.h"
#include "vm/core/model/object_helpers.h"
#include "vm/core/model/peak_usage.h"
#include "vm/core/model/roots.h"
#include "vm/core/model/vm_globals.h"
#include "vm/core/natives/class_natives.h"
#include "vm/core/natives/native_method.h"
#include "vm/core/natives/object_natives.h"
#include "vm/core/natives/thread_natives.h"
#include "vm/core/natives/throwable_natives.h"
#include "vm/core/startup/exit_point.h"
#include "vm/core/startup/vm_control.h"
#include "vm/core/startup/vm_flags.h"
#include "vm/core/threads/stack_growth.h"
#include "vm/core/threads/scheduler.h"
#include "vm/core/threads/service_calls.h"
#include "vm/services/lifecycle/console.h"
#include "vm/core/threads/thread_record.h"
#include "vm/core/threads/threads.h"

namespace {

constexpr const char* kClasses[] = {"interp/Ops",      "interp/Holder",   "interp/Named",
                                    "interp/Shape",    "interp/Square",   "interp/Circle",
                                    "interp/Probe",    "java/lang/Object", "java/lang/Throwable",
                                    "java/lang/Exception", "java/lang/RuntimeException",
                                    "java/lang/ArrayStoreException", "java/lang/IllegalArgumentException",
                                    "java/lang/String", "java/lang/Math", "java/lang/Double",
                                    "java/lang/Float", "java/lang/Class", "java/lang/Thread",
                                    "interp/Init", "interp/InitBase", "interp/Unwind",
                                    "interp/Deeper", "interp/Recorded", "interp/Faulty",
                                    "interp/Raiser", "java/lang/ArithmeticException",
                                    "java/lang/NullPointerException", "java/lang/IndexOutOfBoundsException",
                                    "java/lang/ArrayIndexOutOfBoundsException", "java/lang/ClassCastException",
                                    "java/lang/IllegalMonitorStateException", "java/lang/Error", "interp/Worker", "interp/Thrower",
                                    "java/lang/Runnable"};

// Classes whose initialisation the tests run.
constexpr const char* kUninitialized[] = {"interp/Init", "interp/InitBase", "interp/Deeper"};

// The native stack position seen by Probe.nativeDepth.
uintptr_t gNativePosition = 0;
void probeNativeDepth() {
  volatile char here = 0;
  gNativePosition = reinterpret_cast<uintptr_t>(&here);
  vsRef_as<ThreadRecord>(vsVmGlobals.currentThread)->resultLow = 42;
}

// Probe.twice bound as a direct native: its argument is one word below the
// parameter pointer of a static method.
void probeTwice() {
  const int32_t x = static_cast<int32_t>(*vsWord_toPointer<VmWord>(vsVmGlobals.nativeParameterPointer - 4));
  vsRef_as<ThreadRecord>(vsVmGlobals.currentThread)->resultLow = static_cast<VmWord>(2 * x);
}

// A native that asks for a collection before its caller goes on.
void probeDeferringCollection() {
  vsNativeMethod_deferredCollectionBytes = 64;
  vsRef_as<ThreadRecord>(vsVmGlobals.currentThread)->resultLow = 42;
}

// Probe.mark: records the thread that runs it and asks for a yield.
std::vector<VmRef> gMarks;
void probeMark() {
  gMarks.push_back(vsVmGlobals.currentThread);
  vsScheduler_requestYield();
}

// Thread.internalExit through the real native: the receivers it finished.
std::vector<VmRef> gExited;
void recordingInternalExit() {
  Java_java_lang_Thread_internalExit();
  const VmRef self = *vsWord_toPointer<VmWord>(vsVmGlobals.nativeParameterPointer);
  if (vsRef_as<JavaThreadObject>(self)->finished == 1) gExited.push_back(self);
}

int gYieldCalls = 0;
void countingYieldCheck(VmWord*) {
  ++gYieldCalls;
  vsVmGlobals.yieldWord &= ~VmWord{1};
}

struct Outcome {
  uint32_t low = 0;
  uint32_t high = 0;
  std::string exception;
  int64_t asLong() const { return static_cast<int64_t>((uint64_t{high} << 32) | low); }
  int32_t asInt() const { return static_cast<int32_t>(low); }
};

// An argument as pending-call words: an int, or a long (high word first,
// so that its high word is the lower-numbered local).
struct Arg {
  std::vector<VmWord> words;
  Arg(int32_t v) : words{static_cast<VmWord>(v)} {}
  static Arg ofLong(int64_t v) {
    Arg a(0);
    a.words = {static_cast<VmWord>(static_cast<uint64_t>(v) >> 32), static_cast<VmWord>(v)};
    return a;
  }
  static Arg ofDouble(double d) {
    uint64_t bits;
    std::memcpy(&bits, &d, 8);
    return ofLong(static_cast<int64_t>(bits));
  }
  static Arg ofRef(VmRef r) { return Arg(static_cast<int32_t>(r)); }
};

class InterpreterTest : public CoreTest {
 protected:
  void SetUp() override {
    CoreTest::SetUp();
    if (HasFatalFailure()) return;
    vsInterpreter_initialize();
    RomizerModel model;
    for (const char* name : kClasses) model.classes.push_back(vsRef_of(loaded(name)));
    std::sort(model.classes.begin(), model.classes.end(), [](VmRef a, VmRef b) {
      return vsClass_id(vsRef_as<ClassRecord>(a)) < vsClass_id(vsRef_as<ClassRecord>(b));
    });
    // As the romizer does: verified (which compresses the maps) before
    // pre-linking rewrites the code.
    for (VmRef c : model.classes) {
      VmHandle cls;
      vsHandle_push(&cls, c);
      const bool verified = vsVerifier_verifyClass(&cls.object);
      vsHandle_close(&cls);
      ASSERT_TRUE(verified) << takePending();
    }
    try {
      romizer_prelink(model);
    } catch (const RomizerFailure& failure) {
      FAIL() << failure.message;
    }
    for (VmRef c : model.classes) vsClass_setInitialized(vsRef_as<ClassRecord>(c));
    for (const char* name : kUninitialized) vsClass_clearInitialized(loaded(name));
    MethodRecord* probe = method("interp/Probe", "nativeDepth", "()I");
    const VmWord f = vsWord_fromPointer(reinterpret_cast<const void*>(&probeNativeDepth));
    std::memcpy(probe->code + 4, &f, 4);
    // The natives that class initialisation calls, bound as the launcher
    // binds them.
    bindNative("java/lang/Thread", "currentThread", "()Ljava/lang/Thread;", &Java_java_lang_Thread_currentThread);
    bindNative("java/lang/Class", "getSuperclass0", "()Ljava/lang/Class;", &Java_java_lang_Class_getSuperclass0);
    bindNative("java/lang/Class", "runClinit", "()V", &Java_java_lang_Class_runClinit);
    bindNative("java/lang/Class", "removeClinit", "()V", &Java_java_lang_Class_removeClinit);
    bindNative("java/lang/Thread", "internalExit", "()V", &Java_java_lang_Thread_internalExit);
    bindNative("interp/Probe", "mark", "()V", &probeMark);
    bindNative("java/lang/Class", "verifyClass", "()V", &Java_java_lang_Class_verifyClass);
    bindNative("java/lang/Class", "prepareMethods", "()V", &Java_java_lang_Class_prepareMethods);
    bindNative("java/lang/Object", "notifyAll", "()V", &Java_java_lang_Object_notifyAll);
    // Every Throwable constructor records its trace.
    bindNative("java/lang/Throwable", "fillInStackTrace", "()V", &Java_java_lang_Throwable_fillInStackTrace);
    MethodRecord* twice = method("interp/Probe", "twice", "(I)I");
    const VmWord g = vsWord_fromPointer(reinterpret_cast<const void*>(&probeTwice));
    std::memcpy(&twice->maxStack, &g, 4);
    vsMethod_setEntryAddress(twice, vsMethodEntry_address(kEntryNativeDirectWord));
    VmHandle javaThread;
    vsHandle_push(&javaThread, 0);
    thread_ = vsThread_new(&javaThread.object);
    vsHandle_close(&javaThread);
    ASSERT_NE(thread_, 0u);
    vsVmGlobals.currentThread = thread_;
    vsVmGlobals.yieldWord = vsRef_as<ThreadRecord>(thread_)->stackLimit;
    // The test thread is the one to run: no switch point gives it away.
    vsRoot(kRootNextThread) = thread_;
    firstFramesDepth_ = vsThread_stackBase(thread_) - vsRef_as<ThreadRecord>(thread_)->stackPointer;
  }

  void bindNative(const char* cls, const char* name, const char* sig, void (*function)()) {
    MethodRecord* m = method(cls, name, sig);
    ASSERT_EQ(m->code[0], kOpInvokeNative);
    const VmWord f = vsWord_fromPointer(reinterpret_cast<const void*>(function));
    std::memcpy(m->code + 4, &f, 4);
  }

  MethodRecord* method(const char* cls, const char* name, const char* sig) {
    const VmRef m = vsClass_findMethodInClass(loaded(cls), symbol(name), descriptor(sig));
    EXPECT_NE(m, 0u) << name << sig;
    return vsRef_as<MethodRecord>(m);
  }

  Outcome run(MethodRecord* m, const std::vector<Arg>& args) {
    std::vector<VmWord> words;
    for (const Arg& a : args) words.insert(words.end(), a.words.begin(), a.words.end());
    VmHandle held, call, thread;
    vsHandle_push(&held, vsRef_of(m));
    vsHandle_push(&thread, thread_);
    vsHandle_push(&call, vsJavaHeap_newPendingCall(&held.object, static_cast<uint32_t>(words.size())));
    for (size_t i = 0; i < words.size(); ++i)
      vsArgumentBlock_setWord(vsRef_as<ArgumentBlock>(call.object), static_cast<uint32_t>(i), words[i], 0);
    vsThread_appendPendingCall(&thread.object, &call.object);
    vsInterpreter_runPendingCalls();
    // A collection during the call may have moved the thread record.
    thread_ = thread.object;
    vsHandle_close(&call);
    vsHandle_close(&thread);
    vsHandle_close(&held);
    const ThreadRecord* t = vsRef_as<ThreadRecord>(thread_);
    Outcome o;
    o.low = t->resultLow;
    o.high = t->resultHigh;
    o.exception = takePending();
    EXPECT_EQ(vsThread_stackBase(thread_) - t->stackPointer, firstFramesDepth_)
        << "the guard frame is left, the thread's first frames stay on top";
    EXPECT_EQ(t->pendingCalls, 0u) << "every queued call ran";
    return o;
  }

  // Runs a method whose first opcode is replaced, inside an exit point: the
  // exit code and what the VM printed.
  std::pair<int32_t, std::string> runWithOpcode(uint8_t opcode) {
    MethodRecord* m = method("interp/Ops", "locals0", "(I)I");
    m->code[0] = opcode;
    VmHandle held, call, thread;
    vsHandle_push(&held, vsRef_of(m));
    vsHandle_push(&thread, thread_);
    vsHandle_push(&call, vsJavaHeap_newPendingCall(&held.object, 1));
    vsArgumentBlock_setWord(vsRef_as<ArgumentBlock>(call.object), 0, 1, 0);
    vsThread_appendPendingCall(&thread.object, &call.object);
    vsHandle_close(&call);
    vsHandle_close(&thread);
    vsHandle_close(&held);
    return exitOf();
  }

  __attribute__((noinline)) static std::pair<int32_t, std::string> exitOf() {
    vsTestPort_startCapture();
    VmExitPoint point;
    vsVmState().exitCode = 0;
    if (setjmp(point.buffer) == 0) {
      vsExitPoint_push(&point);
      vsInterpreter_runPendingCalls();
    }
    vsExitPoint_remove(&point);
    return {vsVmState().exitCode, vsTestPort_stopCapture().trace};
  }

  Outcome call(const char* name, const char* sig, const std::vector<Arg>& args = {}) {
    return run(method("interp/Ops", name, sig), args);
  }

  VmRef thread_ = 0;
  VmWord firstFramesDepth_ = 0;
};

std::string className(const std::string& pending) { return pending.substr(0, pending.find(' ')); }

TEST_F(InterpreterTest, IntDivisionAndRemainderFollowJava) {
  struct Case {
    const char* name;
    int32_t a, b, expected;
  } cases[] = {
      {"idiv", INT32_MIN, -1, INT32_MIN}, {"irem", INT32_MIN, -1, 0}, {"idiv", -7, 2, -3},
      {"irem", -7, 2, -1},                {"idiv", 7, -2, -3},         {"irem", 7, -2, 1},
  };
  for (const Case& c : cases) {
    const Outcome o = call(c.name, "(II)I", {c.a, c.b});
    EXPECT_EQ(o.exception, "");
    EXPECT_EQ(o.asInt(), c.expected) << c.name << " " << c.a << " " << c.b;
  }
  for (const char* name : {"idiv", "irem"}) {
    const Outcome o = call(name, "(II)I", {5, 0});
    EXPECT_EQ(o.exception, "java/lang/ArithmeticException \"103\"") << name;
  }
}

TEST_F(InterpreterTest, LongDivisionAndRemainderFollowJava) {
  EXPECT_EQ(call("ldiv", "(JJ)J", {Arg::ofLong(INT64_MIN), Arg::ofLong(-1)}).asLong(), INT64_MIN);
  EXPECT_EQ(call("lrem", "(JJ)J", {Arg::ofLong(INT64_MIN), Arg::ofLong(-1)}).asLong(), 0);
  EXPECT_EQ(call("ldiv", "(JJ)J", {Arg::ofLong(-(int64_t{1} << 40) - 1), Arg::ofLong(3)}).asLong(),
            (-(int64_t{1} << 40) - 1) / 3);
  EXPECT_EQ(call("lrem", "(JJ)J", {Arg::ofLong(-(int64_t{1} << 40) - 1), Arg::ofLong(3)}).asLong(),
            (-(int64_t{1} << 40) - 1) % 3);
  for (const char* name : {"ldiv", "lrem"})
    EXPECT_EQ(call(name, "(JJ)J", {Arg::ofLong(1), Arg::ofLong(0)}).exception,
              "java/lang/ArithmeticException \"103\"");
}

TEST_F(InterpreterTest, ShiftCountsAreMasked) {
  for (int32_t n : {0, 31, 32, 33, 63, 64, -1}) {
    const int32_t i = static_cast<int32_t>(0x87654321u);
    const int64_t l = static_cast<int64_t>(0x8765432112345678ull);
    EXPECT_EQ(call("ishl", "(II)I", {i, n}).asInt(), static_cast<int32_t>(static_cast<uint32_t>(i) << (n & 31)));
    EXPECT_EQ(call("ishr", "(II)I", {i, n}).asInt(), i >> (n & 31));
    EXPECT_EQ(call("iushr", "(II)I", {i, n}).asInt(), static_cast<int32_t>(static_cast<uint32_t>(i) >> (n & 31)));
    EXPECT_EQ(call("lshl", "(JI)J", {Arg::ofLong(l), n}).asLong(),
              static_cast<int64_t>(static_cast<uint64_t>(l) << (n & 63)));
    EXPECT_EQ(call("lshr", "(JI)J", {Arg::ofLong(l), n}).asLong(), l >> (n & 63));
    EXPECT_EQ(call("lushr", "(JI)J", {Arg::ofLong(l), n}).asLong(),
              static_cast<int64_t>(static_cast<uint64_t>(l) >> (n & 63)));
  }
}

TEST_F(InterpreterTest, NarrowingAndLongCompare) {
  EXPECT_EQ(call("i2b", "(I)I", {0x1ff}).asInt(), -1);
  EXPECT_EQ(call("i2b", "(I)I", {0x17f}).asInt(), 127);
  EXPECT_EQ(call("i2c", "(I)I", {-1}).asInt(), 65535);
  EXPECT_EQ(call("i2s", "(I)I", {0x18000}).asInt(), -32768);
  EXPECT_EQ(call("lcmp", "(JJ)I", {Arg::ofLong(INT64_MIN), Arg::ofLong(INT64_MAX)}).asInt(), -1);
  EXPECT_EQ(call("lcmp", "(JJ)I", {Arg::ofLong(-1), Arg::ofLong(-1)}).asInt(), 0);
  EXPECT_EQ(call("lcmp", "(JJ)I", {Arg::ofLong(int64_t{1} << 32), Arg::ofLong(1)}).asInt(), 1);
  const int32_t a = 7;
  const int64_t b = int64_t{3} << 33;
  int64_t c = a * b;
  c -= b;
  c ^= 0x55;
  EXPECT_EQ(call("mix", "(IJ)J", {a, Arg::ofLong(b)}).asLong(), -c + (c | 3) + (c & 12));
}

TEST_F(InterpreterTest, WideIncrementAndStackShuffles) {
  // Values as HotSpot computes them on the same source.
  EXPECT_EQ(call("wideInc", "(I)I", {5}).asInt(), -28995);
  EXPECT_EQ(call("shuffles", "(J)J", {Arg::ofLong(7)}).asLong(), 45);
  EXPECT_EQ(call("shuffles", "(J)J", {Arg::ofLong(-3000000000ll)}).asLong(), -9410065405ll);
}

TEST_F(InterpreterTest, DoublesGoThroughTheSoftRoutines) {
  const Outcome o = call("dmul", "(DD)D", {Arg::ofDouble(1.5), Arg::ofDouble(-4.0)});
  double d;
  const uint64_t bits = static_cast<uint64_t>(o.asLong());
  std::memcpy(&d, &bits, 8);
  EXPECT_EQ(d, -5.0);
  EXPECT_EQ(call("d2i", "(D)I", {Arg::ofDouble(-1e300)}).asInt(), INT32_MIN);
  EXPECT_EQ(call("d2l", "(D)J", {Arg::ofDouble(1e300)}).asLong(), INT64_MAX);
  EXPECT_EQ(call("d2i", "(D)I", {Arg::ofDouble(-2.9)}).asInt(), -2);
}

TEST_F(InterpreterTest, SwitchesAtEveryAlignment) {
  struct Case {
    const char* name;
    int32_t key, expected;
  } cases[] = {
      {"table", -2, 99},  {"table", -1, 10}, {"table", 0, 11}, {"table", 2, 13}, {"table", 3, 99},
      {"table1", 4, 4},   {"table1", 5, 1},  {"table1", 7, 3}, {"table1", 8, 4}, {"table2", 6, 2},
      {"table2", 9, 4},   {"table3", 7, 3},  {"table3", -5, 4},
      {"lookup", -100000, 1}, {"lookup", 7, 2}, {"lookup", 100000, 3}, {"lookup", 8, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(call(c.name, "(I)I", {c.key}).asInt(), c.expected) << c.name << c.key;
  // The fixtures put the switch operands at all four offsets.
  std::vector<uint32_t> alignments;
  for (const char* name : {"table", "table1", "table2", "table3"}) {
    MethodRecord* m = method("interp/Ops", name, "(I)I");
    for (uint32_t bci = 0; bci < m->codeLength; ++bci)
      if (m->code[bci] == kOpTableswitch) {
        alignments.push_back(bci & 3);
        break;
      }
  }
  std::sort(alignments.begin(), alignments.end());
  EXPECT_EQ(alignments, (std::vector<uint32_t>{0, 1, 2, 3}));
}

TEST_F(InterpreterTest, FieldsAndStaticsOfEveryType) {
  const struct {
    const char* what;
    int32_t value;
  } kCases[] = {{"byte field", -56},   {"short field", -25536}, {"char field", 65535}, {"int field", -5},
                {"long field", 1},     {"boolean field", 1},    {"double field", 2},   {"float field", 1},
                {"int static", 3},     {"long static", 1},      {"double static", 2},  {"reference static", 1}};
  for (int32_t k = 0; k < static_cast<int32_t>(std::size(kCases)); ++k)
    EXPECT_EQ(call("fieldValue", "(I)I", {k}).asInt(), kCases[k].value) << kCases[k].what;
  // getstatic/putstatic ran slow once and were rewritten outside the image.
  MethodRecord* m = method("interp/Ops", "fieldValue", "(I)I");
  for (uint32_t bci = 0; bci < m->codeLength; ++bci) {
    EXPECT_NE(m->code[bci], kOpGetstatic);
  }
}

TEST_F(InterpreterTest, ArraysOfEveryType) {
  const struct {
    const char* what;
    int64_t value;
  } kCases[] = {{"int[]", 7},      {"long[]", -3},         {"byte[]", -1},        {"char[]", 65000},
                {"short[]", -7},   {"boolean[]", 1},       {"double[]", 4},       {"float[]", 2},
                {"String[]", 1},   {"int[][]", 9},         {"int[] length", 3},   {"int[][] row length", 3},
                {"String[] length", 3}};
  for (int32_t k = 0; k < static_cast<int32_t>(std::size(kCases)); ++k)
    EXPECT_EQ(call("arrayValue", "(I)J", {k}).asLong(), kCases[k].value) << kCases[k].what;
}

TEST_F(InterpreterTest, ReferenceArraysHaveWordElements) {
  // Rows allocated back to back and filled completely stay intact only
  // when each reference element takes 4 bytes.
  MethodRecord* m = method("interp/Ops", "refRows", "(I)I");
  bool fast = false;
  for (uint32_t bci = 0; bci < m->codeLength; ++bci) fast = fast || m->code[bci] == kOpAnewarrayFast;
  EXPECT_TRUE(fast);
  EXPECT_EQ(call("refRows", "(I)I", {12}).asInt(), 144);
}

TEST_F(InterpreterTest, VirtualInterfaceSuperAndStaticCalls) {
  const struct {
    const char* what;
    int32_t value;
  } kCases[] = {{"virtual area of a square", 9}, {"virtual area of a circle", 27}, {"interface name", 5},
                {"super base", 20},               {"static twice", 6},              {"inherited side", 3}};
  for (int32_t k = 0; k < static_cast<int32_t>(std::size(kCases)); ++k)
    EXPECT_EQ(call("callValue", "(II)I", {3, k}).asInt(), kCases[k].value) << kCases[k].what;
}

TEST_F(InterpreterTest, ExceptionsAreCaughtInInterpretedFrames) {
  EXPECT_EQ(call("catchNpe", "()I").asInt(), 1);
  for (int32_t i : {-1, 4}) EXPECT_EQ(call("catchBounds", "(I)I", {i}).asInt(), -1) << i;
  EXPECT_EQ(call("catchBounds", "(I)I", {3}).asInt(), 0);
  EXPECT_EQ(call("catchDiv", "(I)I", {0}).asInt(), -7);
  EXPECT_EQ(call("nested", "(I)I", {1}).asInt(), 11101);
  EXPECT_EQ(call("nested", "(I)I", {0}).asInt(), 10111);
  EXPECT_EQ(call("across", "(I)I", {5}).asInt(), -5);
  EXPECT_EQ(className(call("uncaught", "()V").exception), "java/lang/IllegalArgumentException");
  EXPECT_EQ(className(call("castFails", "(Ljava/lang/Object;)I", {Arg::ofRef(thread_)}).exception),
            "java/lang/ClassCastException");
  EXPECT_EQ(call("castFails", "(Ljava/lang/Object;)I", {Arg::ofRef(0)}).asInt(), 0);
  EXPECT_EQ(call("instance", "(Ljava/lang/Object;)I", {Arg::ofRef(0)}).asInt(), 0);
}

TEST_F(InterpreterTest, SpecialisedAndGeneralEntriesAgree) {
  const char* names[] = {"locals0", "locals1", "locals2", "locals3", "locals4", "locals5"};
  for (int extra = 0; extra <= 5; ++extra) {
    MethodRecord* m = method("interp/Ops", names[extra], "(I)I");
    ASSERT_EQ(m->maxLocals - m->parameterWords, extra);
    const int32_t expectedKind = extra <= 4 ? kEntryNoExtraLocals + extra : kEntryGeneral;
    ASSERT_EQ(vsMethodEntry_kindOfWord(*m->entryWord.get()), expectedKind);
    const int32_t specialised = run(m, {11}).asInt();
    vsMethod_setEntryAddress(m, vsMethodEntry_address(kEntryGeneral));
    EXPECT_EQ(run(m, {11}).asInt(), specialised) << names[extra];
  }
}

TEST_F(InterpreterTest, DeepCallsGrowTheStackWithoutNestingNativeCalls) {
  const VmRef chunk = vsRef_as<ThreadRecord>(thread_)->stackChunk;
  EXPECT_EQ(call("deep", "(I)I", {1}).asInt(), 42);
  const uintptr_t shallow = gNativePosition;
  EXPECT_EQ(vsRef_as<ThreadRecord>(thread_)->stackChunk, chunk);
  EXPECT_EQ(call("deep", "(I)I", {2000}).asInt(), 42);
  EXPECT_EQ(gNativePosition, shallow);
  const ThreadRecord* t = vsRef_as<ThreadRecord>(thread_);
  EXPECT_NE(t->stackChunk, chunk) << "the stack has grown";
  EXPECT_EQ(vsRef_as<StackChunk>(chunk)->owner, 0u);
  EXPECT_EQ(t->stackLimit, t->stackChunk + static_cast<uint32_t>(vsVmFlags().StackPadding));
  // Unwinding crosses frames that were moved.
  EXPECT_EQ(call("across", "(I)I", {1500}).asInt(), -1500);
}

TEST_F(InterpreterTest, FramesReserveTheirExtraLocals) {
  // Each frame has 400 extra locals and a short operand stack: growth must
  // count the locals, or the frames run past the chunk.
  MethodRecord* m = method("interp/Ops", "manyLocals", "(I)I");
  ASSERT_EQ(m->maxLocals - m->parameterWords, 400);
  for (int32_t depth : {1, 2, 3, 30, 60, 300}) {
    const Outcome r = call("manyLocals", "(I)I", {depth});
    // Deep enough, the stack's maximum ends the recursion.
    if (!r.exception.empty()) {
      EXPECT_EQ(className(r.exception), "java/lang/OutOfMemoryError") << depth;
    } else {
      EXPECT_EQ(r.asInt(), 79800 + depth) << depth;
    }
  }
  EXPECT_TRUE(vsJavaHeap_walksToTop());
}

TEST_F(InterpreterTest, AStackPastTheMaximumRaisesOutOfMemory) {
  EXPECT_EQ(className(call("deep", "(I)I", {100000}).exception), "java/lang/OutOfMemoryError");
  EXPECT_LE(vsRef_as<StackChunk>(vsRef_as<ThreadRecord>(thread_)->stackChunk)->length,
            static_cast<uint32_t>(vsVmFlags().StackSizeMaximum));
  // The thread goes on afterwards.
  EXPECT_EQ(call("deep", "(I)I", {10}).asInt(), 42);
}

double asDouble(const Outcome& o) {
  double d;
  const uint64_t bits = static_cast<uint64_t>(o.asLong());
  std::memcpy(&d, &bits, 8);
  return d;
}

TEST_F(InterpreterTest, IntrinsicAndDirectNativeEntries) {
  EXPECT_EQ(asDouble(call("sqrt", "(D)D", {Arg::ofDouble(2.25)})), 1.5);
  EXPECT_EQ(asDouble(call("floor", "(D)D", {Arg::ofDouble(-0.5)})), -1.0);
  EXPECT_EQ(call("dbits", "(D)J", {Arg::ofLong(0x7ff0000000000001ll)}).asLong(), 0x7ff8000000000000ll);
  EXPECT_EQ(call("dbits", "(D)J", {Arg::ofDouble(-2.0)}).asLong(), static_cast<int64_t>(0xc000000000000000ull));
  EXPECT_EQ(call("fbits", "(I)I", {static_cast<int32_t>(0xffc00001u)}).asInt(), 0x7fc00000);
  EXPECT_EQ(call("fbits", "(I)I", {static_cast<int32_t>(0x80000000u)}).asInt(), static_cast<int32_t>(0x80000000u));
  struct Case {
    int32_t ch, from, expected;
  } cases[] = {{'b', 0, 1}, {'b', 2, 4}, {'b', -5, 1}, {'b', 9, -1}, {'z', 0, -1}, {'a' + 0x10000, 0, -1}, {-1, 0, -1}};
  for (const Case& c : cases) EXPECT_EQ(call("index", "(II)I", {c.ch, c.from}).asInt(), c.expected) << c.ch << c.from;
  EXPECT_EQ(call("direct", "(I)I", {20}).asInt(), 41);
}

TEST_F(InterpreterTest, NativeCallStubsRunADeferredCollection) {
  // The stub collects once the native has returned: an array dropped
  // before the call is gone afterwards, the native's result stands and the
  // request is consumed.
  bindNative("interp/Probe", "nativeDepth", "()I", &probeDeferringCollection);
  ASSERT_NE(vsJavaHeap_newIntArray(4096), 0u);
  const VmWord top = vsVmGlobals.allocationTop;
  EXPECT_EQ(call("deep", "(I)I", {0}).asInt(), 42);
  EXPECT_LT(vsVmGlobals.allocationTop, top - 4 * 4096);
  EXPECT_EQ(vsNativeMethod_deferredCollectionBytes, 0u);
  bindNative("interp/Probe", "nativeDepth", "()I", &probeNativeDepth);
  EXPECT_EQ(call("deep", "(I)I", {3}).asInt(), 42);
}

TEST_F(InterpreterTest, TheYieldBitIsTakenOnceThroughTheTable) {
  vsVmGlobals.runtimeEntryTable[1] = vsWord_fromPointer(reinterpret_cast<const void*>(&countingYieldCheck));
  gYieldCalls = 0;
  EXPECT_EQ(call("loop", "(I)I", {10}).asInt(), 45);
  EXPECT_EQ(gYieldCalls, 0);
  vsVmGlobals.yieldWord |= 1;
  EXPECT_EQ(call("loop", "(I)I", {10}).asInt(), 45);
  EXPECT_EQ(gYieldCalls, 1);
  EXPECT_EQ(vsVmGlobals.yieldWord & 1, 0u);
  // A request made inside a loop is taken by the next back branch.
  gYieldCalls = 0;
  EXPECT_EQ(call("markLoop", "(I)I", {7}).asInt(), 21);
  EXPECT_EQ(gYieldCalls, 7);
  EXPECT_EQ(vsVmGlobals.yieldWord & 1, 0u);
  // A tableswitch goes on without taking it.
  gYieldCalls = 0;
  EXPECT_EQ(call("markSwitch", "(I)I", {2}).asInt(), 12);
  EXPECT_EQ(gYieldCalls, 0);
  EXPECT_EQ(vsVmGlobals.yieldWord & 1, 1u);
  vsVmGlobals.yieldWord &= ~VmWord{1};
}

TEST_F(InterpreterTest, TheBreakpointOpcodeStopsTheVm) {
  const auto [code, trace] = runWithOpcode(202);
  EXPECT_EQ(code, 122);
  EXPECT_EQ(trace, "trying to execute unimplemented bytecode\n");
}

TEST_F(InterpreterTest, AnOpcodeWithoutHandlerStopsTheVm) {
  for (int op : {168, 169, 186, 201, 241, 255}) EXPECT_EQ(vsVmGlobals.dispatchTable[op], vsVmGlobals.dispatchTable[202]);
  EXPECT_EQ(runWithOpcode(186).first, 122);
}

TEST_F(InterpreterTest, MonitorsOfOneThreadLockAndUnlock) {
  VmHandle a, b;
  vsHandle_push(&a, vsRef_of(loaded("interp/Holder")));
  vsHandle_push(&b, a.object);
  const uint32_t size = static_cast<uint32_t>(vsRef_as<ClassRecord>(a.object)->instanceKind);
  b.object = vsJavaHeap_newInstance(&a.object, size);
  a.object = vsJavaHeap_newInstance(&a.object, size);
  ASSERT_TRUE(a.object != 0 && b.object != 0);
  // Unlocked again, each object's header is what it was.
  const VmWord nearA = vsRef_as<ObjectHeader>(a.object)->near.raw;
  const VmWord nearB = vsRef_as<ObjectHeader>(b.object)->near.raw;
  EXPECT_EQ(call("syncNested", "(Ljava/lang/Object;)I", {Arg::ofRef(a.object)}).asInt(), 1);
  EXPECT_EQ(call("syncNested", "(Ljava/lang/Object;)I", {Arg::ofRef(a.object)}).asInt(), 2);
  EXPECT_EQ(call("syncTwo", "(Ljava/lang/Object;Ljava/lang/Object;)I", {Arg::ofRef(a.object), Arg::ofRef(b.object)})
                .asInt(),
            3);
  EXPECT_EQ(call("syncThrow", "(Ljava/lang/Object;)I", {Arg::ofRef(b.object)}).asInt(), 5);
  EXPECT_EQ(call("syncNull", "()I").asInt(), 2);
  EXPECT_EQ(call("syncStatic", "(I)I", {6}).asInt(), 7);
  EXPECT_EQ(vsRef_as<ObjectHeader>(a.object)->near.raw, nearA);
  EXPECT_EQ(vsRef_as<ObjectHeader>(b.object)->near.raw, nearB);
  vsHandle_close(&b);
  vsHandle_close(&a);
}

// Legal bytecode that javac never writes: n monitor enters of one object in
// a loop, none exited.
void assembleEnterLoop(MethodRecord* m) {
  const uint8_t code[] = {
      0x03,              // 0: iconst_0
      0x3d,              // 1: istore_2
      0x2a,              // 2: aload_0
      0xc2,              // 3: monitorenter
      0x84, 0x02, 0x01,  // 4: iinc 2 1
      0x1c,              // 7: iload_2
      0x1b,              // 8: iload_1
      0xa1, 0xff, 0xf9,  // 9: if_icmplt 2
      0x1c,              // 12: iload_2
      0xac,              // 13: ireturn
  };
  ASSERT_GE(m->codeLength, sizeof code);
  std::memset(m->code, 0, m->codeLength);
  std::memcpy(m->code, code, sizeof code);
}

TEST_F(InterpreterTest, UnbalancedEntersInALoopStayInsideTheStack) {
  MethodRecord* m = method("interp/Ops", "enterLoop", "(Ljava/lang/Object;I)I");
  assembleEnterLoop(m);
  VmHandle o;
  vsHandle_push(&o, vsRef_of(loaded("interp/Holder")));
  o.object = vsJavaHeap_newInstance(&o.object, static_cast<uint32_t>(vsRef_as<ClassRecord>(o.object)->instanceKind));
  const VmWord near = vsRef_as<ObjectHeader>(o.object)->near.raw;
  for (int32_t n : {3, 200, 10000}) {
    // Returning with the records held, or the stack's maximum reached: the
    // records are released while the frame unwinds, and the exception
    // becomes IllegalMonitorStateException.
    const Outcome r = run(m, {Arg::ofRef(o.object), n});
    EXPECT_EQ(className(r.exception), "java/lang/IllegalMonitorStateException") << n;
    EXPECT_EQ(vsRef_as<ObjectHeader>(o.object)->near.raw, near) << n;
  }
  EXPECT_LE(vsRef_as<StackChunk>(vsRef_as<ThreadRecord>(thread_)->stackChunk)->length,
            static_cast<uint32_t>(vsVmFlags().StackSizeMaximum));
  EXPECT_EQ(call("deep", "(I)I", {10}).asInt(), 42);
  vsHandle_close(&o);
  EXPECT_TRUE(vsJavaHeap_walksToTop());
}

TEST_F(InterpreterTest, SlowStaticsInitialiseTheHolderThroughPendingCalls) {
  MethodRecord* read = method("interp/Ops", "readInit", "()I");
  ASSERT_EQ(read->code[0], kOpGetstatic);
  const Outcome first = call("readInit", "()I");
  EXPECT_EQ(first.exception, "");
  EXPECT_EQ(first.asInt(), 42);
  EXPECT_TRUE(vsClass_isInitialized(loaded("interp/Init")));
  EXPECT_TRUE(vsClass_isInitialized(loaded("interp/InitBase")));
  EXPECT_EQ(read->code[0], kOpGetstaticFast);
  EXPECT_EQ(call("newInit", "()I").asInt(), 4);
  EXPECT_EQ(call("newInit", "()I").asInt(), 5);
}

TEST_F(InterpreterTest, NewOfAnUninitialisedClassInitialisesItFirst) {
  MethodRecord* m = method("interp/Ops", "newInit", "()I");
  ASSERT_EQ(m->code[0], kOpNew);
  EXPECT_EQ(call("newInit", "()I").asInt(), 4);
  EXPECT_TRUE(vsClass_isInitialized(loaded("interp/Init")));
  EXPECT_EQ(m->code[0], kOpNewFast);
}

TEST_F(InterpreterTest, ImageCodeKeepsItsSlowNew) {
  // The same method as image code: its new initialises the class once and
  // allocates each time, and the read-only code is never rewritten.
  MethodRecord* m = method("interp/Ops", "newInit", "()I");
  ASSERT_EQ(m->code[0], kOpNew);
  vsImage_bounds.readOnlyStart = vsWord_fromPointer(m->code);
  vsImage_bounds.readOnlySize = 3;
  EXPECT_EQ(call("newInit", "()I").asInt(), 4);
  EXPECT_EQ(call("newInit", "()I").asInt(), 5);
  vsImage_bounds = {};
  EXPECT_TRUE(vsClass_isInitialized(loaded("interp/Init")));
  EXPECT_EQ(m->code[0], kOpNew);
}

TEST_F(InterpreterTest, TheGrowStackSlotGrowsTheCurrentThreadsStack) {
  using Grow = void (*)(VmWord*, VmWord);
  const Grow grow = reinterpret_cast<Grow>(static_cast<uintptr_t>(vsVmGlobals.runtimeEntryTable[0]));
  ThreadRecord* t = vsRef_as<ThreadRecord>(thread_);
  const uint32_t length = vsRef_as<StackChunk>(t->stackChunk)->length;
  t->savedLocals = vsThread_stackBase(thread_);
  t->savedFramePointer = 0;
  grow(&vsVmGlobals.currentThread, t->stackLimit + 4);
  EXPECT_EQ(vsRef_as<StackChunk>(t->stackChunk)->length, length) << "room enough: nothing grows";
  grow(&vsVmGlobals.currentThread, t->stackLimit - 100);
  EXPECT_EQ(vsRef_as<StackChunk>(t->stackChunk)->length,
            length + static_cast<uint32_t>(vsVmFlags().StackPadding + vsVmFlags().StackSizeIncrement));
  EXPECT_EQ(vsVmGlobals.yieldWord, t->stackLimit);
  grow(&vsVmGlobals.currentThread, t->stackLimit - static_cast<uint32_t>(vsVmFlags().StackSizeMaximum));
  EXPECT_EQ(className(takePending()), "java/lang/OutOfMemoryError");
}

TEST_F(InterpreterTest, ExceptionSlotsRaiseOrReturnTheirException) {
  // Slots 4 to 11: a throw entry leaves its exception pending, the entry
  // after it returns the same kind of exception and leaves nothing pending.
  const struct {
    RuntimeSlot slot;
    const char* pending;
  } cases[] = {
      {kRuntimeSlotThrowArrayIndex, "java/lang/ArrayIndexOutOfBoundsException \"  0\""},
      {kRuntimeSlotThrowNullPointer, "java/lang/NullPointerException \"  0\""},
      {kRuntimeSlotThrowIllegalMonitorState, "java/lang/IllegalMonitorStateException \"  0\""},
      {kRuntimeSlotThrowDivideByZero, "java/lang/ArithmeticException \"103\""},
  };
  for (const auto& c : cases) {
    reinterpret_cast<void (*)(VmWord*)>(static_cast<uintptr_t>(vsVmGlobals.runtimeEntryTable[c.slot]))(
        &vsVmGlobals.currentThread);
    EXPECT_EQ(takePending(), c.pending) << c.slot;
    const VmRef made = reinterpret_cast<VmRef (*)(VmWord*)>(
        static_cast<uintptr_t>(vsVmGlobals.runtimeEntryTable[c.slot + 1]))(&vsVmGlobals.currentThread);
    EXPECT_EQ(takePending(), "") << c.slot + 1;
    vsPendingException() = made;
    EXPECT_EQ(takePending(), c.pending) << c.slot + 1;
    // The constructors the exceptions queued run before the next call.
    vsRef_as<ThreadRecord>(thread_)->pendingCalls = 0;
  }
}

TEST_F(InterpreterTest, SlowCastsResolveThroughTheirSlotsAndBecomeFast) {
  // The prelinked fast forms put back to the slow ones: the slots of
  // checkcast and instanceof (14, 13) answer and rewrite the instruction.
  MethodRecord* cast = method("interp/Ops", "castFails", "(Ljava/lang/Object;)I");
  MethodRecord* test = method("interp/Ops", "instance", "(Ljava/lang/Object;)I");
  ASSERT_EQ(cast->code[1], kOpCheckcastFast);
  ASSERT_EQ(test->code[1], kOpInstanceofFast);
  VmHandle text;
  vsHandle_push(&text, vsJavaHeap_newStringFromUtf8(reinterpret_cast<const uint8_t*>("s"), 1));
  const struct {
    MethodRecord* m;
    uint8_t slow, fast;
    VmRef argument;
    int32_t result;
    const char* exception;
  } cases[] = {
      {cast, kOpCheckcast, kOpCheckcastFast, 0, 0, ""},
      {cast, kOpCheckcast, kOpCheckcastFast, text.object, 1, ""},
      {cast, kOpCheckcast, kOpCheckcastFast, thread_, 0, "java/lang/ClassCastException"},
      {test, kOpInstanceof, kOpInstanceofFast, 0, 0, ""},
      {test, kOpInstanceof, kOpInstanceofFast, text.object, 1, ""},
      {test, kOpInstanceof, kOpInstanceofFast, thread_, 0, ""},
  };
  for (const auto& c : cases) {
    c.m->code[1] = c.slow;
    const Outcome r = run(c.m, {Arg::ofRef(c.argument)});
    EXPECT_EQ(className(r.exception), c.exception) << int{c.slow};
    if (r.exception.empty()) {
      EXPECT_EQ(r.asInt(), c.result) << int{c.slow};
    }
    EXPECT_EQ(c.m->code[1], c.fast) << int{c.slow};
  }
  vsHandle_close(&text);
}

TEST_F(InterpreterTest, FramesAndGlobalsKeepTheirLayout) {
  // The frame walker's view: lock record i at FP - 48 - 28i, no records
  // when the monitor-area bottom is word 1 of the frame.
  InterpreterFrame f{};
  const VmWord fp = vsWord_fromPointer(&f.callerFramePointer);
  EXPECT_EQ(vsFrame_atPointer(fp), &f);
  EXPECT_EQ(fp - 20, vsWord_fromPointer(&f.monitorBottom));
  GuardFrame g{};
  EXPECT_EQ(vsGuardFrame_atPointer(vsWord_fromPointer(&g.returnToken)), &g);
  EXPECT_EQ(vsWord_fromPointer(&vsVmGlobals) % 256, 0u);
  // The ldiv and lrem slots are leaf routines.
  using Leaf = int64_t (*)(int64_t, int64_t);
  const Leaf ldiv = reinterpret_cast<Leaf>(static_cast<uintptr_t>(vsVmGlobals.runtimeEntryTable[16]));
  const Leaf lrem = reinterpret_cast<Leaf>(static_cast<uintptr_t>(vsVmGlobals.runtimeEntryTable[17]));
  EXPECT_EQ(ldiv(INT64_MIN, -1), INT64_MIN);
  EXPECT_EQ(lrem(INT64_MIN, -1), 0);
  EXPECT_EQ(ldiv(-9, 2), -4);
  EXPECT_EQ(lrem(-9, 2), -1);
  // The four float routines of compiled code, on bit patterns.
  using Float = uint32_t (*)(uint32_t, uint32_t);
  const struct {
    VmWord routine;
    uint32_t a, b, result;
  } floats[] = {
      {vsVmGlobals.faddRoutine, 0x3fc00000u, 0x40100000u, 0x40700000u},  // 1.5 + 2.25 = 3.75
      {vsVmGlobals.fsubRoutine, 0x3fc00000u, 0x40100000u, 0xbf400000u},  // 1.5 - 2.25 = -0.75
      {vsVmGlobals.fmulRoutine, 0x3fc00000u, 0x40100000u, 0x40580000u},  // 1.5 * 2.25 = 3.375
      {vsVmGlobals.fdivRoutine, 0x3f800000u, 0x00000000u, 0x7f800000u},  // 1 / 0 = infinity
  };
  for (const auto& f : floats) EXPECT_EQ(reinterpret_cast<Float>(static_cast<uintptr_t>(f.routine))(f.a, f.b), f.result);
}

// ---- unwinding, exception constructors and frame walks --------------------

// Raiser.raise and Raiser.raiseFaulty: the VM raises a fixture class.
void raiseRecorded() { vsException_raiseWithCode("interp/Recorded", 0); }
void raiseFaulty() { vsException_raise("interp/Faulty", "bad"); }

// What Raiser.look saw of each frame, from the top.
struct FrameView {
  VmWord fp = 0, continuation = 0;
  bool chunkEnd = false, bottom = false;
  std::string method;
  uint32_t bci = 0, localCount = 0, depth = 0, records = 0;
  std::vector<VmWord> locals;
  VmWord top = 0;                 // operand 0
  uint8_t opcode = 0;
  bool opcodeAtBci = false;
  VmRef recordObject = 0;         // lock record 0
  VmWord recordSavedNear = 0;
  bool headerAtRecord = false;    // its object's header points at its near copy
  // The collector's view, between its prepare and finish steps.
  VmWord preparedBcp = 0;         // the saved bytecode pointer's offset form
  bool headerAtSavedNear = false; // lock record 0's object's header
  std::string slotTypes;          // '1' reference, '2' other, locals first
  int visits = 0;                 // words vsFrame_visitRoots visited
  bool restored = false;          // bytecode pointer and pool base back after finishing
};
std::vector<FrameView> gWalk;
VmWord gWalkBase = 0;
int32_t gAdvancedBy = -1;

std::string methodName(const MethodRecord* m) {
  const VmSymbol* s = vsRef_as<VmSymbol>(vsMethod_name(m));
  return std::string(reinterpret_cast<const char*>(s->bytes), s->length);
}

// The frames of the current thread as the collector sees them: prepared,
// typed and visited, then finished.
void lookAsCollector(std::vector<FrameView>* views) {
  struct Saved {
    VmWord bcp, pool, near;
  };
  std::vector<Saved> saved;
  const auto eachFrame = [](auto f) {
    FrameIterator it;
    vsFrameIterator_open(&it, vsVmGlobals.currentThread);
    for (size_t i = 0; it.framePointer != 0; ++i) {
      if (!vsFrame_isChunkEnd(&it)) {
        f(i, &it);
        vsFrame_caller(&it);
      } else {
        if (vsFrame_isStackBottom(&it)) break;
        vsFrame_nextChunk(&it);
      }
    }
    vsFrameIterator_close(&it);
  };
  // Guard frames take no view index of their own here, so count frames.
  eachFrame([&](size_t, const FrameIterator* it) {
    const InterpreterFrame* f = vsFrame_atPointer(it->framePointer);
    const LockRecord* r = vsFrame_lockRecordCount(it) > 0 ? vsFrame_lockRecordAt(it, 0) : nullptr;
    saved.push_back({f->savedBcp, f->poolBase, r != nullptr ? r->savedNear : 0});
  });
  vsThreadStacks_prepareForCollection();
  EXPECT_TRUE(vsFrame_inCollectionForm());
  size_t n = 0;
  eachFrame([&](size_t, const FrameIterator* it) {
    FrameView v;
    v.preparedBcp = vsFrame_atPointer(it->framePointer)->savedBcp;
    v.bci = vsFrame_bci(it);
    if (vsFrame_lockRecordCount(it) > 0) {
      const LockRecord* r = vsFrame_lockRecordAt(it, 0);
      v.headerAtSavedNear = r->object != 0 && vsRef_as<ObjectHeader>(r->object)->near.raw == saved[n].near;
    }
    const uint8_t* types = nullptr;
    const uint32_t count = vsFrame_slotTypes(it, &types);
    for (uint32_t k = 0; k < count; ++k) v.slotTypes += static_cast<char>('0' + types[k]);
    int visits = 0;
    vsFrame_visitRoots(it, [](VmWord*, void* c) { ++*static_cast<int*>(c); }, &visits);
    v.visits = visits;
    views->push_back(v);
    ++n;
  });
  vsThreadStacks_finishCollection();
  EXPECT_FALSE(vsFrame_inCollectionForm());
  n = 0;
  eachFrame([&](size_t, const FrameIterator* it) {
    const InterpreterFrame* f = vsFrame_atPointer(it->framePointer);
    (*views)[n].restored = f->savedBcp == saved[n].bcp && f->poolBase == saved[n].pool;
    ++n;
  });
}

std::vector<FrameView> gCollectorView;

// Raiser.look(x): walks the current thread's frames and returns x.
void lookAtFrames() {
  gCollectorView.clear();
  lookAsCollector(&gCollectorView);
  gWalk.clear();
  FrameIterator it;
  vsFrameIterator_open(&it, vsVmGlobals.currentThread);
  gWalkBase = it.stackBase;
  for (;;) {
    FrameView v;
    v.fp = it.framePointer;
    v.continuation = it.continuation;
    v.chunkEnd = vsFrame_isChunkEnd(&it);
    v.bottom = v.chunkEnd && vsFrame_isStackBottom(&it);
    if (!v.chunkEnd) {
      EXPECT_FALSE(vsFrame_isCompiled(&it));
      const MethodRecord* m = vsFrame_method(&it);
      v.method = methodName(m);
      v.bci = vsFrame_bci(&it);
      v.localCount = vsFrame_localCount(&it);
      v.depth = vsFrame_stackDepth(&it);
      for (uint32_t i = 0; i < v.localCount; ++i) v.locals.push_back(*vsFrame_localAt(&it, i));
      if (v.depth > 0) v.top = *vsFrame_stackAt(&it, 0);
      const uint8_t* at = nullptr;
      v.opcode = vsFrame_currentBytecode(&it, false, &at);
      v.opcodeAtBci = at == m->code + v.bci;
      v.records = vsFrame_lockRecordCount(&it);
      if (v.records > 0) {
        const LockRecord* r = vsFrame_lockRecordAt(&it, 0);
        v.recordObject = r->object;
        v.recordSavedNear = r->savedNear;
        v.headerAtRecord =
            r->object != 0 && vsRef_as<ObjectHeader>(r->object)->near.raw == vsWord_fromPointer(&r->nearCopy);
      }
      if (gWalk.size() == 1) {
        // Advancing past the invoke, then back.
        const uint32_t before = vsFrame_bci(&it);
        vsFrame_currentBytecode(&it, true, nullptr);
        gAdvancedBy = static_cast<int32_t>(vsFrame_bci(&it) - before);
        vsFrame_atPointer(it.framePointer)->savedBcp -= static_cast<VmWord>(gAdvancedBy);
      }
    }
    gWalk.push_back(v);
    if (v.bottom) break;
    if (v.chunkEnd)
      vsFrame_nextChunk(&it);
    else
      vsFrame_caller(&it);
  }
  vsFrameIterator_close(&it);
  EXPECT_EQ(vsVmGlobals.frameIterators, 0u);
  vsRef_as<ThreadRecord>(vsVmGlobals.currentThread)->resultLow = gWalk[0].locals.at(0);
}

class UnwindTest : public InterpreterTest {
 protected:
  void SetUp() override {
    InterpreterTest::SetUp();
    if (HasFatalFailure()) return;
    bindNative("interp/Raiser", "raise", "()V", &raiseRecorded);
    bindNative("interp/Raiser", "raiseFaulty", "()V", &raiseFaulty);
    bindNative("interp/Raiser", "look", "(I)I", &lookAtFrames);
  }

  Outcome unwind(const char* name, const char* sig, const std::vector<Arg>& args = {}) {
    return run(method("interp/Unwind", name, sig), args);
  }

  VmRef newUnwind() {
    VmHandle c;
    vsHandle_push(&c, vsRef_of(loaded("interp/Unwind")));
    const VmRef o = vsJavaHeap_newInstance(&c.object, static_cast<uint32_t>(vsRef_as<ClassRecord>(c.object)->instanceKind));
    vsHandle_close(&c);
    return o;
  }

  static VmRef classHandle(const char* name) { return vsRef_of(loaded(name)); }
  // How takePending shows the object.
  static std::string takeAs(VmRef exception) {
    vsPendingException() = exception;
    return takePending();
  }
};

// The bci of the first opcode op in the method.
uint32_t firstBci(const MethodRecord* m, uint8_t op) {
  for (uint32_t bci = 0; bci < m->codeLength; ++bci)
    if (m->code[bci] == op) return bci;
  ADD_FAILURE() << "no opcode " << int{op};
  return 0;
}

struct TableEntry {
  uint32_t start, end, handler, catchType;
};
TableEntry tableEntry(const MethodRecord* m, int32_t i) {
  const ShortArray* t = vsRef_as<ShortArray>(vsMethod_exceptionTable(m));
  EXPECT_GT(t->length, 4 * i + 3);
  const auto at = [&](int32_t k) { return static_cast<uint32_t>(static_cast<uint16_t>(t->elements[4 * i + k])); };
  return {at(0), at(1), at(2), at(3)};
}

TEST_F(UnwindTest, HandlerSearchTakesTheFirstCoveringEntryWithAnExclusiveEnd) {
  VmHandle m, arithmetic, npe, argument;
  vsHandle_push(&m, vsRef_of(method("interp/Unwind", "divide", "(II)I")));
  vsHandle_push(&arithmetic, classHandle("java/lang/ArithmeticException"));
  vsHandle_push(&npe, classHandle("java/lang/NullPointerException"));
  vsHandle_push(&argument, classHandle("java/lang/IllegalArgumentException"));
  const TableEntry e = tableEntry(vsRef_as<MethodRecord>(m.object), 0);
  ASSERT_NE(e.catchType, 0u);
  ASSERT_GT(e.start, 0u);
  struct Case {
    uint32_t bci;
    const VmRef* cls;
    bool firstCovering;
    int32_t expected;
  } cases[] = {
      {e.start, &arithmetic.object, false, static_cast<int32_t>(e.handler)},
      {e.end - 1, &arithmetic.object, false, static_cast<int32_t>(e.handler)},
      {e.end, &arithmetic.object, false, -1},
      {e.start - 1, &arithmetic.object, false, -1},
      {e.start, &npe.object, false, -1},
      {e.start, &npe.object, true, static_cast<int32_t>(e.handler)},
      {e.end, &npe.object, true, -1},
  };
  for (const Case& c : cases)
    EXPECT_EQ(vsMethod_findExceptionHandler(&m.object, c.cls, c.firstCovering, c.bci), c.expected)
        << c.bci << " " << c.firstCovering;
  EXPECT_EQ(vsMethod_findCatchAllHandler(vsRef_as<MethodRecord>(m.object), e.start), -1);
  EXPECT_EQ(takePending(), "");

  // An unrelated catch class, then the catch-all of finally: the second.
  m.object = vsRef_of(method("interp/Unwind", "unrelatedThenFinally", "(I)I"));
  const MethodRecord* u = vsRef_as<MethodRecord>(m.object);
  const uint32_t at = firstBci(u, kOpAthrow);
  const TableEntry unrelated = tableEntry(u, 0), any = tableEntry(u, 1);
  ASSERT_NE(unrelated.catchType, 0u);
  ASSERT_EQ(any.catchType, 0u);
  ASSERT_TRUE(unrelated.start <= at && at < unrelated.end && any.start <= at && at < any.end);
  EXPECT_EQ(vsMethod_findExceptionHandler(&m.object, &argument.object, false, at), static_cast<int32_t>(any.handler));
  EXPECT_EQ(vsMethod_findExceptionHandler(&m.object, &argument.object, true, at), static_cast<int32_t>(unrelated.handler));
  EXPECT_EQ(vsMethod_findCatchAllHandler(u, at), -1);
  EXPECT_EQ(vsMethod_findCatchAllHandler(u, any.handler), -1) << "no entry covers the handler";
  vsHandle_close(&m);
}

TEST_F(UnwindTest, UnwindingRunsFinallyAndReleasesMonitors) {
  EXPECT_EQ(className(unwind("unrelatedThenFinally", "(I)I", {1}).exception), "java/lang/IllegalArgumentException");
  EXPECT_EQ(unwind("finallies", "()I").asInt(), 1);
  EXPECT_EQ(unwind("unrelatedThenFinally", "(I)I", {0}).asInt(), 1);
  EXPECT_EQ(unwind("finallies", "()I").asInt(), 2);
  EXPECT_EQ(unwind("divide", "(II)I", {7, 0}).asInt(), -1);

  VmHandle u;
  vsHandle_push(&u, newUnwind());
  ASSERT_NE(u.object, 0u);
  const VmWord near = vsRef_as<ObjectHeader>(u.object)->near.raw;
  // A synchronized method without a handler gives its monitor back, whether
  // its caller catches or nothing does.
  EXPECT_EQ(unwind("syncCaught", "(Linterp/Unwind;)I", {Arg::ofRef(u.object)}).asInt(), 1);
  EXPECT_EQ(vsRef_as<ObjectHeader>(u.object)->near.raw, near);
  EXPECT_EQ(className(unwind("syncUncaught", "(Linterp/Unwind;)V", {Arg::ofRef(u.object)}).exception),
            "java/lang/IllegalArgumentException");
  EXPECT_EQ(vsRef_as<ObjectHeader>(u.object)->near.raw, near);
  vsHandle_close(&u);
}

TEST_F(UnwindTest, VmRaisedExceptionsRunTheirConstructorsBeforeTheHandler) {
  // The VM's NullPointerException carries code 0 as its message.
  vsPendingException() = unwind("npe", "(Linterp/Holder;)Ljava/lang/Object;", {Arg::ofRef(0)}).low;
  EXPECT_EQ(takePending(), "java/lang/NullPointerException \"  0\"");
  // A raised fixture class: the handler sees it constructed, once.
  vsPendingException() = unwind("caughtRecorded", "()Ljava/lang/Object;").low;
  EXPECT_EQ(takePending(), "interp/Recorded \"  0\"");
  EXPECT_EQ(unwind("madeAtHandler", "()I").asInt(), 1);
  // A constructor that throws: its exception takes the place of the first.
  EXPECT_EQ(unwind("replaced", "()I").asInt(), 1);
  EXPECT_EQ(vsRef_as<ThreadRecord>(thread_)->pendingCalls, 0u);
}

TEST_F(UnwindTest, ExceptionsMadeWithoutAThreadKeepTheirMessage) {
  vsVmGlobals.currentThread = 0;
  const VmRef e = vsException_createWithoutRaising("interp/Recorded", "early");
  vsVmGlobals.currentThread = thread_;
  EXPECT_FALSE(vsException_isPending());
  vsPendingException() = e;
  EXPECT_EQ(takePending(), "interp/Recorded \"early\"");
  EXPECT_EQ(unwind("recordedMade", "()I").asInt(), 0) << "no constructor was queued";
}

TEST_F(UnwindTest, TheThreadKillObjectIsNeverCaught) {
  vsException_throwThreadKill();
  const VmRef kill = vsPendingException();
  ASSERT_NE(kill, 0u);
  vsPendingException() = 0;
  EXPECT_EQ(vsVmGlobals.threadKillObject, kill);
  const auto throwKill = +[] { vsException_throwThreadKill(); };
  bindNative("interp/Raiser", "raise", "()V", throwKill);
  bindNative("interp/Raiser", "look", "(I)I", throwKill);
  // Not even a finally block sees it.
  EXPECT_EQ(unwind("guarded", "()V").exception, takeAs(kill));
  EXPECT_EQ(unwind("finallies", "()I").asInt(), 0);
  // Nor is it replaced for the monitor its frame still held: the frame gives
  // the monitor back.
  VmHandle u;
  vsHandle_push(&u, newUnwind());
  const VmWord near = vsRef_as<ObjectHeader>(u.object)->near.raw;
  EXPECT_EQ(unwind("deepSync", "(Ljava/lang/Object;I)I", {Arg::ofRef(u.object), 0}).exception, takeAs(kill));
  EXPECT_EQ(vsRef_as<ObjectHeader>(u.object)->near.raw, near);
  vsHandle_close(&u);
}

TEST_F(UnwindTest, FramesAreWalkedAcrossChunks) {
  // Deeper's initialiser runs nest(2, 5) under guard frames of its own.
  EXPECT_EQ(unwind("viaInit", "()I").asInt(), 3013);
  ASSERT_GE(gWalk.size(), 6u);
  EXPECT_EQ(gWalkBase, vsThread_stackBase(thread_));
  EXPECT_EQ(gWalk[0].method, "look");
  EXPECT_EQ(gWalk[0].locals, (std::vector<VmWord>{7}));
  EXPECT_EQ(gWalk[0].depth, 0u);
  EXPECT_EQ(gWalk[0].continuation, 0u) << "the top frame goes on in the interpreter";
  EXPECT_EQ(gAdvancedBy, 3) << "past the invoke";
  const VmRef mirror = vsRef_of(vsClass_mirror(loaded("interp/Unwind")));
  for (uint32_t n = 0; n <= 2; ++n) {
    const FrameView& v = gWalk[1 + n];
    EXPECT_EQ(v.method, "nest");
    EXPECT_EQ(v.locals, (std::vector<VmWord>{n, 7 - n, 2 * n}));
    EXPECT_EQ(v.depth, 1u);
    EXPECT_EQ(v.top, 1000u);
    EXPECT_TRUE(v.opcode == kOpInvokestatic || v.opcode == kOpInvokestaticFast) << int{v.opcode};
    EXPECT_TRUE(v.opcodeAtBci);
    EXPECT_EQ(v.continuation, gWalk[n].fp + 4) << "the return word of the frame it called";
    EXPECT_EQ(v.records, 1u);
    EXPECT_EQ(v.recordObject, mirror);
    EXPECT_EQ(v.recordSavedNear != 0, n == 2) << "the outermost entry holds the lock";
    EXPECT_EQ(v.headerAtRecord, n == 2);
  }
  EXPECT_EQ(gWalk[4].method, "<clinit>");
  // A guard frame inside the stack, the frame that read the static below
  // it, and the guard at the bottom last.
  size_t inner = 0;
  while (inner < gWalk.size() && !gWalk[inner].chunkEnd) ++inner;
  ASSERT_LT(inner, gWalk.size() - 1);
  EXPECT_FALSE(gWalk[inner].bottom);
  bool reader = false;
  for (size_t i = inner; i < gWalk.size(); ++i)
    if (gWalk[i].method == "viaInit") {
      reader = true;
      EXPECT_EQ(gWalk[i].bci, 0u);
      EXPECT_EQ(gWalk[i].opcode, kOpGetstatic);
    }
  EXPECT_TRUE(reader);
  EXPECT_TRUE(gWalk.back().bottom);
  for (size_t i = 0; i + 1 < gWalk.size(); ++i) EXPECT_FALSE(gWalk[i].bottom) << i;
}

TEST_F(UnwindTest, TheCollectorTypesPreparesAndFinishesEveryFrame) {
  EXPECT_EQ(unwind("viaInit", "()I").asInt(), 3013);
  ASSERT_GE(gCollectorView.size(), 5u);
  for (size_t i = 0; i < gCollectorView.size(); ++i) {
    const FrameView& v = gCollectorView[i];
    EXPECT_TRUE(v.restored) << "frame " << i;
    EXPECT_EQ(v.preparedBcp, v.bci) << "frame " << i << ": the offset form, no flags";
  }
  // look(7): one int local; its method word alone is a root.
  EXPECT_EQ(gCollectorView[0].slotTypes, "2");
  EXPECT_EQ(gCollectorView[0].visits, 1);
  for (uint32_t n = 0; n <= 2; ++n) {
    const FrameView& v = gCollectorView[1 + n];
    // Three int locals and the int operand 1000.
    EXPECT_EQ(v.slotTypes, "2222") << "nest " << n;
    // The method and the record's object; the owning record also its
    // owner, monitor and near copy's class record and class info.
    EXPECT_EQ(v.visits, n == 2 ? 6 : 2) << "nest " << n;
    EXPECT_EQ(v.headerAtSavedNear, n == 2) << "nest " << n;
  }
}

// The frames from the iterator's to the bottom of the stack, as
// "method@bci" each, walked on a copy.
std::string framesFrom(FrameIterator it) {
  std::string out;
  while (it.framePointer != 0) {
    if (vsFrame_isChunkEnd(&it)) {
      if (vsFrame_isStackBottom(&it)) break;
      vsFrame_nextChunk(&it);
      continue;
    }
    out += methodName(vsFrame_method(&it)) + "@" + std::to_string(vsFrame_bci(&it)) + " ";
    vsFrame_caller(&it);
  }
  return out;
}

// What Raiser.look saw of an iterator open on its caller's frame across a
// full compaction.
struct OpenIteratorView {
  VmWord chunkBefore = 0, chunkAfter = 0;
  std::string framesBefore, framesAfter;
  VmWord depthBefore = 0, depthAfter = 0;  // stack base - frame pointer
  bool baseCurrent = false;
};
OpenIteratorView gOpenIterator;

// Raiser.look(x) with a compaction while an iterator is open; returns x.
void collectWithAnOpenIterator() {
  OpenIteratorView& v = gOpenIterator;
  const VmRef thread = vsVmGlobals.currentThread;
  FrameIterator it;
  vsFrameIterator_open(&it, thread);
  vsRef_as<ThreadRecord>(thread)->resultLow = *vsFrame_localAt(&it, 0);
  vsFrame_caller(&it);
  v.chunkBefore = vsRef_as<ThreadRecord>(thread)->stackChunk;
  v.framesBefore = framesFrom(it);
  v.depthBefore = it.stackBase - it.framePointer;
  vsGC_requestFullCollection();
  vsGC_collect(0);
  const VmRef moved = vsVmGlobals.currentThread;
  v.chunkAfter = vsRef_as<ThreadRecord>(moved)->stackChunk;
  v.framesAfter = framesFrom(it);
  v.depthAfter = it.stackBase - it.framePointer;
  v.baseCurrent = it.stackBase == vsThread_stackBase(moved) && it.thread == moved;
  vsFrameIterator_close(&it);
}

TEST_F(UnwindTest, AnOpenFrameIteratorStaysValidThroughACompactionThatMovesTheStack) {
  bindNative("interp/Raiser", "look", "(I)I", &collectWithAnOpenIterator);
  gOpenIterator = OpenIteratorView{};
  EXPECT_EQ(unwind("viaInit", "()I").asInt(), 3013);
  const OpenIteratorView& v = gOpenIterator;
  EXPECT_NE(v.chunkAfter, v.chunkBefore) << "the compaction moved the stack";
  EXPECT_TRUE(v.baseCurrent);
  EXPECT_EQ(v.depthAfter, v.depthBefore);
  EXPECT_NE(v.framesBefore.find("nest@"), std::string::npos) << v.framesBefore;
  EXPECT_EQ(v.framesAfter, v.framesBefore);
}

TEST_F(UnwindTest, RelocatedFramesStayWalkableWithTheirLocks) {
  VmHandle u;
  vsHandle_push(&u, newUnwind());
  const VmWord near = vsRef_as<ObjectHeader>(u.object)->near.raw;
  const VmRef chunk = vsRef_as<ThreadRecord>(thread_)->stackChunk;
  constexpr uint32_t kDepth = 600;
  const Outcome o = unwind("deepSync", "(Ljava/lang/Object;I)I", {Arg::ofRef(u.object), static_cast<int32_t>(kDepth)});
  EXPECT_EQ(o.exception, "");
  EXPECT_EQ(o.asInt(), static_cast<int32_t>(kDepth));
  EXPECT_NE(vsRef_as<ThreadRecord>(thread_)->stackChunk, chunk) << "the stack has moved";
  ASSERT_GE(gWalk.size(), kDepth + 3);
  const VmWord low = vsRef_as<ThreadRecord>(thread_)->stackChunk;
  for (uint32_t i = 0; i <= kDepth; ++i) {
    const FrameView& v = gWalk[1 + i];
    ASSERT_EQ(v.method, "deepSync") << i;
    ASSERT_EQ(v.locals.at(1), i) << i;
    ASSERT_TRUE(v.fp > low && v.fp < gWalkBase) << i;
    ASSERT_EQ(v.records, 1u) << i;
    ASSERT_EQ(v.recordObject, u.object) << i;
    ASSERT_EQ(v.headerAtRecord, i == kDepth) << i;
    // deepSync(Object, int): the object is a reference slot.
    ASSERT_EQ(gCollectorView.at(1 + i).slotTypes.substr(0, 2), "12") << i;
    ASSERT_TRUE(gCollectorView.at(1 + i).restored) << i;
  }
  EXPECT_EQ(vsRef_as<ObjectHeader>(u.object)->near.raw, near);
  vsHandle_close(&u);
}

}  // namespace

namespace {

// Java threads run by the scheduler from the first one's start to the end
// of the last.
class ThreadRunTest : public InterpreterTest {
 protected:
  void SetUp() override {
    InterpreterTest::SetUp();
    if (HasFatalFailure()) return;
    ASSERT_EQ(vsVm_createRootArray(), 1);
    vsScheduler_initialize();
    // Only the threads' own yields switch: no tick of the time slice adds
    // a switch on a slow machine.
    vsTimeSlice_clearRunning();
    vsRoot(kRootThread) = vsRef_of(loaded("java/lang/Thread"));
    vsRoot(kRootNextThread) = 0;
    gMarks.clear();
    gExited.clear();
    bindNative("java/lang/Thread", "internalExit", "()V", &recordingInternalExit);
  }

  // A started thread whose java.lang.Thread is a new instance of the class.
  VmRef start(const char* cls, int32_t priority) {
    VmHandle c, object, thread;
    vsHandle_push(&c, vsRef_of(loaded(cls)));
    vsHandle_push(&object, vsJavaHeap_newInstance(&c.object,
                                                  static_cast<uint32_t>(vsRef_as<ClassRecord>(c.object)->instanceKind)));
    vsRef_as<JavaThreadObject>(object.object)->priority = priority;
    vsHandle_push(&thread, vsThread_new(&object.object));
    vsJavaHeap_storeReference(&vsRef_as<JavaThreadObject>(object.object)->threadRecord, thread.object);
    vsThread_startJavaThread(&thread.object);
    const VmRef t = thread.object;
    vsHandle_close(&c);
    return t;
  }

  // Makes the first thread current and runs until no thread is left: what
  // the VM printed.
  std::string runAll(VmRef first) {
    vsVmGlobals.currentThread = first;
    vsVmGlobals.yieldWord = vsRef_as<ThreadRecord>(first)->stackLimit;
    vsSys_setConsoleOutput(1);
    vsTestPort_startCapture();
    vsInterpreter_resumeCurrentThread();
    const TestPortCapture out = vsTestPort_stopCapture();
    vsSys_setConsoleOutput(0);
    return out.trace + out.console;
  }

  static const JavaThreadObject* javaThread(VmRef t) {
    return vsRef_as<JavaThreadObject>(vsRef_as<ThreadRecord>(t)->javaThread);
  }
};

TEST_F(ThreadRunTest, ThreadsOfOnePriorityAlternateAtYieldsAndEndThroughInternalExit) {
  const VmRef a = start("interp/Worker", kNormPriority);
  const VmRef b = start("interp/Worker", kNormPriority);
  ASSERT_TRUE(a != 0 && b != 0);
  EXPECT_EQ(vsScheduler.threadCount, 2u);
  EXPECT_EQ(runAll(a), "");
  EXPECT_EQ(gMarks, (std::vector<VmRef>{a, b, a, b, a, b}));
  // Each thread's last Java call: internalExit on its Thread, in the order
  // the threads ended.
  EXPECT_EQ(gExited, (std::vector<VmRef>{vsRef_as<ThreadRecord>(a)->javaThread, vsRef_as<ThreadRecord>(b)->javaThread}));
  for (VmRef t : {a, b}) {
    // internalExit and the finish step both mark the thread finished; the
    // thread left the scheduler and its stack.
    EXPECT_EQ(javaThread(t)->finished, 1);
    EXPECT_EQ(vsRef_as<ThreadRecord>(t)->stackChunk, 0u);
    EXPECT_EQ(vsRef_as<ThreadRecord>(t)->queueNext, 0u);
  }
  EXPECT_EQ(vsScheduler.threadCount, 0u);
  EXPECT_EQ(vsRoot(kRootThreadList), 0u);
  EXPECT_FALSE(vsException_isPending());
}

TEST_F(ThreadRunTest, AHigherPriorityThreadRunsToItsEndFirst) {
  const VmRef a = start("interp/Worker", kNormPriority);
  const VmRef b = start("interp/Worker", kNormPriority);
  const VmRef high = start("interp/Worker", 6);
  // a runs first as the current thread; its first yield goes to `high`.
  runAll(a);
  EXPECT_EQ(gMarks, (std::vector<VmRef>{a, high, high, high, a, b, a, b, b}));
}

// Thread.currentThread for the hand-off: the caller's Thread, then a
// reschedule, so that the thread is switched out at the switch point right
// behind the native. Probe.mark records the handing thread's object-result
// word as the other thread sees it; Probe.keep what the handing thread
// passed on once it ran again.
VmRef gHandingThread = 0;
VmWord gWord17SeenByOther = 0;
VmRef gKept = 0;
void currentThreadThenReschedule() {
  vsNativeMethod_setReturnInt(static_cast<int32_t>(vsRef_as<ThreadRecord>(vsVmGlobals.currentThread)->javaThread));
  vsScheduler_reschedule();
}
void markSeeingTheHandingThread() {
  if (vsVmGlobals.currentThread != gHandingThread && gWord17SeenByOther == 0)
    gWord17SeenByOther = vsRef_as<ThreadRecord>(gHandingThread)->interpreterReference17;
  probeMark();
}
void probeKeep() { vsNativeMethod_getParameterObject(1, &gKept); }

TEST_F(ThreadRunTest, AReferenceResultWaitsInTheObjectResultWordAcrossASwitch) {
  bindNative("java/lang/Thread", "currentThread", "()Ljava/lang/Thread;", &currentThreadThenReschedule);
  bindNative("interp/Probe", "mark", "()V", &markSeeingTheHandingThread);
  bindNative("interp/Probe", "keep", "(Ljava/lang/Object;)V", &probeKeep);
  gWord17SeenByOther = 0;
  gKept = 0;
  gHandingThread = start("interp/Handoff", kNormPriority);
  const VmRef other = start("interp/Worker", kNormPriority);
  const VmRef handingObject = vsRef_as<ThreadRecord>(gHandingThread)->javaThread;
  EXPECT_EQ(runAll(gHandingThread), "");
  ASSERT_FALSE(gMarks.empty());
  EXPECT_EQ(gMarks[0], other) << "the handing thread was switched out behind its native";
  EXPECT_EQ(gWord17SeenByOther, handingObject) << "word 17 of the switched-out thread";
  EXPECT_EQ(gKept, handingObject) << "the result, pushed once the thread ran again";
  gHandingThread = 0;
}

// The handing thread switched out behind its native while the other one
// marks: the first mark runs a full compaction that moves the handing
// thread's stack, and the handing thread later resumes from its moved
// transition.
VmHandle* gHanding = nullptr;
VmWord gHandingChunkBefore = 0;
VmWord gHandingChunkAfter = 0;
void markCollectingOnce() {
  if (vsVmGlobals.currentThread != gHanding->object && gHandingChunkBefore == 0) {
    gHandingChunkBefore = vsRef_as<ThreadRecord>(gHanding->object)->stackChunk;
    vsGC_requestFullCollection();
    vsGC_collect(0);
    gHandingChunkAfter = vsRef_as<ThreadRecord>(gHanding->object)->stackChunk;
  }
  probeMark();
}

TEST_F(ThreadRunTest, ASwitchedOutThreadResumesAfterACompactionMovedItsStack) {
  bindNative("java/lang/Thread", "currentThread", "()Ljava/lang/Thread;", &currentThreadThenReschedule);
  bindNative("interp/Probe", "mark", "()V", &markCollectingOnce);
  bindNative("interp/Probe", "keep", "(Ljava/lang/Object;)V", &probeKeep);
  gHandingChunkBefore = gHandingChunkAfter = 0;
  gKept = 0;
  EXPECT_NE(vsJavaHeap_newIntArray(100), 0u);  // garbage below the stacks
  VmHandle handing;
  vsHandle_push(&handing, start("interp/Handoff", kNormPriority));
  gHanding = &handing;
  VmHandle other;
  vsHandle_push(&other, start("interp/Worker", kNormPriority));
  const std::string out = runAll(handing.object);
  gHanding = nullptr;
  EXPECT_NE(out.find("[full  GC <"), std::string::npos) << out;
  EXPECT_EQ(out.find("Uncaught"), std::string::npos) << out;
  EXPECT_NE(gHandingChunkBefore, 0u) << "the other thread marked while the handing one was switched out";
  EXPECT_NE(gHandingChunkAfter, gHandingChunkBefore) << "the compaction moved the switched-out stack";
  EXPECT_EQ(gKept, vsRef_as<ThreadRecord>(handing.object)->javaThread) << "the result, pushed after the move";
  EXPECT_EQ(gMarks.size(), 3u);
  for (VmRef t : {handing.object, other.object}) EXPECT_EQ(javaThread(t)->finished, 1);
  EXPECT_EQ(vsScheduler.threadCount, 0u);
  EXPECT_FALSE(vsException_isPending());
  vsHandle_close(&handing);
}

TEST_F(ThreadRunTest, AnUncaughtExceptionIsPrintedAndTheThreadStillEnds) {
  const VmRef t = start("interp/Thrower", kNormPriority);
  const VmRef w = start("interp/Worker", kNormPriority);
  const std::string out = runAll(t);
  EXPECT_EQ(out.rfind("Uncaught exception: java.lang.RuntimeException: boom\n", 0), 0u) << "[" << out << "]";
  EXPECT_EQ(javaThread(t)->finished, 1);
  EXPECT_EQ(gExited.size(), 2u) << "internalExit runs after an uncaught exception too";
  EXPECT_EQ(gMarks.size(), 3u) << "the other thread runs on";
  EXPECT_EQ(javaThread(w)->finished, 1);
  EXPECT_EQ(vsScheduler.threadCount, 0u);
  EXPECT_FALSE(vsException_isPending());
}

// A death test forks and runs itself again, which qemu-arm cannot: x86-64
// only.
#if defined(__x86_64__)
TEST_F(ThreadRunTest, StartingAThreadObjectWithoutRunIsFatal) {
  VmHandle c, object;
  vsHandle_push(&c, vsRef_of(loaded("interp/Holder")));
  vsHandle_push(&object, vsJavaHeap_newInstance(&c.object,
                                                static_cast<uint32_t>(vsRef_as<ClassRecord>(c.object)->instanceKind)));
  const VmRef thread = vsThread_new(&object.object);
  EXPECT_EXIT(
      {
        VmHandle held;
        vsHandle_push(&held, thread);
        VmExitPoint point;
        if (setjmp(point.buffer) == 0) {
          vsExitPoint_push(&point);
          vsThread_startJavaThread(&held.object);
        }
        std::_Exit(vsVmState().exitCode == -1 ? 133 : 1);
      },
      ::testing::ExitedWithCode(133), "");
  vsHandle_close(&c);
}
#endif

// A reference native that queues a call: its result waits in the guard
// frame's saved object result (a root), and is still the result after the
// call ran.
VmRef gQueuedResult = 0;
VmWord gSavedObjectResult = 0;
VmRef gMarkMethod = 0;
void objectNativeQueueingACall() {
  gQueuedResult = vsJavaHeap_newStringFromUtf8(reinterpret_cast<const uint8_t*>("result"), 6);
  VmHandle result, m, thread, call;
  vsHandle_push(&result, gQueuedResult);
  vsHandle_push(&m, gMarkMethod);
  vsHandle_push(&thread, vsVmGlobals.currentThread);
  vsHandle_push(&call, vsJavaHeap_newPendingCall(&m.object, 0));
  vsThread_appendPendingCall(&thread.object, &call.object);
  vsNativeMethod_setReturnInt(static_cast<int32_t>(result.object));
  vsHandle_close(&result);
}
void recordSavedObjectResult() {
  // The guard frame of the queued calls is the caller of this native's
  // frame.
  const ThreadRecord* t = vsRef_as<ThreadRecord>(vsVmGlobals.currentThread);
  const VmWord guard = vsFrame_atPointer(t->savedFramePointer)->callerFramePointer;
  gSavedObjectResult = vsGuardFrame_atPointer(guard)->savedResults[2];
}

TEST_F(InterpreterTest, AReferenceNativesResultWaitsInTheObjectResultWord) {
  gMarkMethod = vsRef_of(method("interp/Probe", "mark", "()V"));
  bindNative("interp/Probe", "mark", "()V", &recordSavedObjectResult);
  bindNative("java/lang/Thread", "currentThread", "()Ljava/lang/Thread;", &objectNativeQueueingACall);
  gSavedObjectResult = 0;
  const Outcome o = run(method("java/lang/Thread", "currentThread", "()Ljava/lang/Thread;"), {});
  EXPECT_EQ(o.exception, "");
  EXPECT_NE(gQueuedResult, 0u);
  EXPECT_EQ(gSavedObjectResult, gQueuedResult) << "the guard frame's third saved word";
  EXPECT_EQ(o.low, gQueuedResult);
  EXPECT_EQ(vsRef_as<ThreadRecord>(thread_)->interpreterReference17, 0u) << "cleared once pushed";
}

// Class-path code rewritten as it runs: the rewrite/ fixtures are loaded,
// not prelinked; after one run of a method every pool-referencing
// instruction holds its fast form.
class RewriteTest : public InterpreterTest {
 protected:
  // The tests run the classes' methods before their initialisation, which
  // would verify them: verified first, as their initialisation would.
  void SetUp() override {
    InterpreterTest::SetUp();
    if (HasFatalFailure()) return;
    for (const char* name : {"rewrite/Rewrite", "rewrite/Later"}) {
      VmHandle cls;
      vsHandle_push(&cls, vsRef_of(loaded(name)));
      const bool verified = vsVerifier_verifyClass(&cls.object);
      vsHandle_close(&cls);
      ASSERT_TRUE(verified) << name << " " << takePending();
    }
  }

  // The opcodes of the instructions of the method that name a pool entry,
  // in order, with the operand of each field form.
  struct Site {
    uint32_t bci;
    uint32_t index;  // pool index before the run
  };

  static bool namesPoolEntry(uint8_t op) {
    return (op >= kOpLdc && op <= kOpLdc2W) || (op >= kOpGetstatic && op <= kOpInvokeinterface) ||
           op == kOpNew || op == kOpAnewarray || op == kOpCheckcast || op == kOpInstanceof;
  }

  std::vector<Site> sites(MethodRecord* m) {
    std::vector<Site> out;
    VmHandle held;
    vsHandle_push(&held, vsRef_of(m));
    for (uint32_t bci = 0; bci < m->codeLength;) {
      const uint8_t op = m->code[bci];
      if (namesPoolEntry(op))
        out.push_back({bci, op == kOpLdc ? uint32_t{m->code[bci + 1]} : uint32_t{vsMethod_operandU2At(m, bci + 1)}});
      const int32_t length = vsBytecodes_lengthAt(&held.object, bci);
      if (length <= 0) {
        ADD_FAILURE() << "bad instruction at " << bci;
        break;
      }
      bci += static_cast<uint32_t>(length);
    }
    vsHandle_close(&held);
    return out;
  }

  // Runs the static method once and returns the opcodes of its sites.
  std::vector<int> runAndRead(const char* name, const char* sig, const std::vector<Arg>& args,
                              std::vector<Site>* before = nullptr) {
    MethodRecord* m = method("rewrite/Rewrite", name, sig);
    const std::vector<Site> at = sites(m);
    const Outcome o = run(m, args);
    EXPECT_EQ(o.exception, "") << name;
    std::vector<int> ops;
    for (const Site& site : at) ops.push_back(m->code[site.bci]);
    if (before != nullptr) *before = at;
    return ops;
  }
};

TEST_F(RewriteTest, LdcAndStaticsBecomeFast) {
  EXPECT_EQ(runAndRead("constants", "()Ljava/lang/Object;", {}),
            (std::vector<int>{kOpLdcFast, kOpLdcFast, kOpLdcFast, kOpLdc2WFast}));
  EXPECT_EQ(runAndRead("statics", "()I", {}),
            (std::vector<int>{kOpGetstaticFast, kOpPutstaticFast, kOpGetstatic2Fast, kOpLdc2WFast,
                              kOpPutstatic2Fast, kOpLdcFast, kOpPutstaticRefFast, kOpGetstaticFast,
                              kOpGetstatic2Fast, kOpGetstaticFast}));
}

TEST_F(RewriteTest, LdcWBecomesItsFastForm) {
  // Wide.pick's constants past the pool's 256th entry are loaded by ldc_w.
  MethodRecord* pick = method("rewrite/Wide", "pick", "(I)I");
  const std::vector<Site> at = sites(pick);
  std::vector<int> before;
  for (const Site& site : at) before.push_back(pick->code[site.bci]);
  ASSERT_NE(std::count(before.begin(), before.end(), kOpLdcW), 0);
  ASSERT_NE(std::count(before.begin(), before.end(), kOpLdc), 0);
  EXPECT_EQ(run(pick, {Arg(299)}).asInt(), 100000 + 7 * 299);
  for (size_t k = 0; k < at.size(); ++k) {
    const int expected = before[k] == kOpLdcW ? kOpLdcWFast : before[k] == kOpLdc ? kOpLdcFast : before[k];
    EXPECT_EQ(pick->code[at[k].bci], expected) << "bci " << at[k].bci;
    if (before[k] == kOpLdcW) {
      EXPECT_EQ(vsMethod_operandU2At(pick, at[k].bci + 1), at[k].index) << "bci " << at[k].bci;
    }
  }
}

TEST_F(RewriteTest, FieldFormsCarryTheirLittleEndianOperand) {
  std::vector<Site> at;
  const std::vector<int> ops = runAndRead("fields", "()I", {}, &at);
  // new, <init>, then the puts and gets of z b c s i f l d o, the float,
  // long and double values loaded by ldc and ldc2_w; a long or double
  // field takes its word index.
  EXPECT_EQ(ops, (std::vector<int>{kOpNewFast, kOpInvokedirectFast, kOpPutfieldByteFast, kOpPutfieldByteFast,
                                   kOpPutfieldShortFast, kOpPutfieldShortFast, kOpPutfieldIntFast, kOpLdcFast,
                                   kOpPutfieldFloatFast, kOpLdc2WFast, kOpPutfieldLongFast, kOpLdc2WFast,
                                   kOpPutfieldDoubleFast,
                                   kOpPutfieldRefFast, kOpGetfieldByteFast, kOpGetfieldByteFast,
                                   kOpGetfieldCharFast, kOpGetfieldShortFast, kOpGetfieldIntFast,
                                   kOpGetfieldFloatFast, kOpGetfieldLongFast, kOpGetfieldDoubleFast,
                                   kOpGetfieldRefFast}));
  MethodRecord* m = method("rewrite/Rewrite", "fields", "()I");
  const ConstantPool* pool = vsMethod_constantPool(m);
  for (const Site& site : at) {
    const uint8_t op = m->code[site.bci];
    if (op < kOpPutfieldByteFast || op > kOpGetfieldCharFast) continue;
    const uint32_t offset = pool->entries[site.index] >> 16;
    const uint32_t operand = m->code[site.bci + 1] | m->code[site.bci + 2] << 8;
    const bool byBytes = op == kOpPutfieldByteFast || op == kOpPutfieldShortFast || op == kOpGetfieldByteFast ||
                         op == kOpGetfieldShortFast || op == kOpGetfieldCharFast;
    EXPECT_EQ(byBytes ? operand : operand * 4, offset) << "bci " << site.bci;
  }
}

TEST_F(RewriteTest, InvokesTakeTheFormOfTheirBinding) {
  // new Rewrite, <init>, open (virtual), closed (final: direct),
  // new Sealed, <init>, open of a final class (direct), hidden (private,
  // invokespecial of a vtable method: through the named class's vtable),
  // face (interface), count (static).
  EXPECT_EQ(runAndRead("calls", "()I", {}),
            (std::vector<int>{kOpNewFast, kOpInvokedirectFast, kOpInvokevirtualFast, kOpInvokedirectFast,
                              kOpNewFast, kOpInvokedirectFast, kOpInvokedirectFast, kOpInvokesuperFast,
                              kOpInvokeinterfaceFast, kOpInvokestaticFast}));
  // Rewrite.open calls super.open: invokesuper.
  MethodRecord* open = method("rewrite/Rewrite", "open", "()I");
  EXPECT_EQ(open->code[1], kOpInvokesuperFast);
}

TEST_F(RewriteTest, EqualsThroughAnInterfaceBecomesAVtableCallWithoutItsCount) {
  // iface/EqualsCall.same: aload_0, aload_1, invokeinterface Named.equals
  // 2 0, ireturn; Named declares no method, so Object.equals answers.
  const std::vector<uint8_t> jar = vsTestCore_readFile(VS_IFACE_JAR);
  ASSERT_FALSE(jar.empty()) << VS_IFACE_JAR;
  void* low = vsLow_alloc(static_cast<uint32_t>(jar.size()));
  ASSERT_NE(low, nullptr);
  std::memcpy(low, jar.data(), jar.size());
  vsMemFile_register("/iface.jar", static_cast<const uint8_t*>(low), nullptr, static_cast<uint32_t>(jar.size()));
  ASSERT_EQ(vsClassPath_set("/sys.jar;/app.jar;/iface.jar"), 1);
  MethodRecord* same = method("iface/EqualsCall", "same", "(Liface/Named;Ljava/lang/Object;)Z");
  ASSERT_EQ(same->code[2], kOpInvokeinterface);
  const uint32_t index = vsMethod_operandU2At(same, 3);
  VmHandle c, object;
  vsHandle_push(&c, vsRef_of(loaded("iface/EqualsCall")));
  vsHandle_push(&object, vsJavaHeap_newInstance(&c.object,
                                                static_cast<uint32_t>(vsRef_as<ClassRecord>(c.object)->instanceKind)));
  EXPECT_EQ(run(same, {Arg::ofRef(object.object), Arg::ofRef(object.object)}).asInt(), 1);
  EXPECT_EQ(same->code[2], kOpInvokevirtualFast);
  EXPECT_EQ(vsMethod_operandU2At(same, 3), index);
  EXPECT_EQ(same->code[5], 0) << "count byte";
  EXPECT_EQ(same->code[6], 0);
  EXPECT_EQ(vsConstantPool_tagAt(vsMethod_constantPool(same), index), kTagRedirectedVirtual);
  EXPECT_EQ(run(same, {Arg::ofRef(object.object), Arg::ofRef(c.object)}).asInt(), 0) << "run again, fast";
  vsHandle_close(&c);
}

TEST_F(RewriteTest, ClassFormsBecomeFast) {
  VmHandle c, object;
  vsHandle_push(&c, vsRef_of(loaded("rewrite/Rewrite")));
  vsHandle_push(&object, vsJavaHeap_newInstance(&c.object,
                                                static_cast<uint32_t>(vsRef_as<ClassRecord>(c.object)->instanceKind)));
  EXPECT_EQ(runAndRead("classes", "(Ljava/lang/Object;)I", {Arg::ofRef(object.object)}),
            (std::vector<int>{kOpAnewarrayFast, kOpCheckcastFast, kOpInstanceofFast, kOpInvokeinterfaceFast}));
  vsHandle_close(&c);
}

TEST_F(RewriteTest, AFinalizableClassKeepsItsSlowNew) {
  ClassRecord* kept = loaded("rewrite/Kept");
  kept->classInfo->accessFlags |= kClassFinalizable;
  MethodRecord* make = method("rewrite/Kept", "make", "()Ljava/lang/Object;");
  const Outcome o = run(make, {});
  EXPECT_EQ(o.exception, "");
  EXPECT_NE(o.low, 0u);
  EXPECT_EQ(make->code[0], kOpNew);
}

TEST_F(RewriteTest, AStaticReadDuringItsClassInitialiserStaysSlow) {
  MethodRecord* during = method("rewrite/Later", "duringInit", "()I");
  ASSERT_EQ(during->code[0], kOpGetstatic);
  // touch's getstatic initialises Later, whose initialiser runs duringInit.
  EXPECT_EQ(run(method("rewrite/Later", "touch", "()I"), {}).asInt(), 7);
  EXPECT_TRUE(vsClass_isInitialized(loaded("rewrite/Later")));
  EXPECT_EQ(during->code[0], kOpGetstatic) << "run during <clinit>: kept slow";
  EXPECT_EQ(run(during, {}).asInt(), 7);
  EXPECT_EQ(during->code[0], kOpGetstaticFast);
}

TEST_F(RewriteTest, AFailedResolutionChangesNeitherCodeNorEntry) {
  // The reference of calls()'s invokespecial of hidden() names a
  // name-and-type entry past the pool (word: nat << 16 | class index):
  // error 91 at that bytecode.
  MethodRecord* calls = method("rewrite/Rewrite", "calls", "()I");
  const std::vector<Site> at = sites(calls);
  const Site hidden = at[7];
  ASSERT_EQ(calls->code[hidden.bci], kOpInvokespecial);
  ConstantPool* pool = vsMethod_constantPool(calls);
  const uint8_t tag = vsConstantPool_tagAt(pool, hidden.index);
  const VmWord word = pool->entries[hidden.index];
  pool->entries[hidden.index] = 0xffff0000u | (word & 0xffff);
  const Outcome o = run(calls, {});
  EXPECT_EQ(o.exception, "java/lang/Error \" 91\"");
  EXPECT_EQ(calls->code[hidden.bci], kOpInvokespecial);
  EXPECT_EQ(vsConstantPool_tagAt(pool, hidden.index), tag);
  EXPECT_EQ(pool->entries[hidden.index], 0xffff0000u | (word & 0xffff));
}

}  // namespace
