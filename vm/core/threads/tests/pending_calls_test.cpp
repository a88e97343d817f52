// Pending calls of class initialization and instance creation, over the
// core started with the system library and the loader's fixture classes.
#include "vm/core/threads/pending_calls.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/core/core_fixture.h"
#include "vm/core/memory/heap_allocators.h"
#include "vm/core/model/basic_types.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/method_lookup.h"
#include "vm/core/model/model_flags.h"
#include "vm/core/model/roots.h"
#include "vm/core/model/vm_globals.h"
#include "vm/core/model/well_known_symbols.h"
#include "vm/core/threads/thread_record.h"

namespace {

struct Call {
  VmRef method;
  uint32_t count;
  VmRef receiver;  // entry 0 when it is a reference, else 0
};

class PendingCallsTest : public CoreTest {
 protected:
  void SetUp() override {
    CoreTest::SetUp();
    thread_ = vsJavaHeap_newThreadRecord();
    ASSERT_NE(thread_, 0u);
    VmRef threadClass = vsRef_of(loaded("java/lang/Thread"));
    vsRef_as<ThreadRecord>(thread_)->javaThread =
        vsJavaHeap_newInstance(&threadClass, static_cast<uint16_t>(vsRef_as<ClassRecord>(threadClass)->instanceKind));
    vsVmGlobals.currentThread = thread_;
  }

  void TearDown() override { vsVmGlobals.currentThread = 0; }

  // The pending calls of the current thread, in order.
  std::vector<Call> calls() const {
    std::vector<Call> out;
    for (VmRef at = vsRef_as<ThreadRecord>(thread_)->pendingCalls; at != 0; at = vsRef_as<ArgumentBlock>(at)->ref1) {
      const ArgumentBlock* b = vsRef_as<ArgumentBlock>(at);
      const bool reference = b->count > 0 && b->entries[0].type == kArgumentTypeReference;
      out.push_back({b->ref0, b->count, reference ? b->entries[0].value : 0});
    }
    return out;
  }

  static VmRef method(const ClassRecord* cls, WellKnown name) {
    return vsClass_findMethodInClass(cls, vsWellKnown_symbol(name), vsWellKnown_symbol(kSymSignatureVoid));
  }

  VmRef thread_ = 0;
};

TEST_F(PendingCallsTest, InitializeQueuesClassInitializeUnlessDoneOrRecursive) {
  const VmRef initialize = method(vsRoot_as<ClassRecord>(kRootClass), kSymInitialize);
  ASSERT_NE(initialize, 0u);
  const VmRef self = vsRef_as<ThreadRecord>(thread_)->javaThread;
  const struct {
    uint32_t status;
    bool byThisThread;
    bool queued;
    const char* what;
  } cases[] = {{0, false, true, "not initialized"},
               {kMirrorOpen, false, true, "open, not initialized"},
               {kMirrorInitialized, false, false, "initialized"},
               {kMirrorInitializing, true, false, "recursive request"},
               {kMirrorInitializing, false, true, "initializing in another thread"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    vsRef_as<ThreadRecord>(thread_)->pendingCalls = 0;
    VmRef cls = vsRef_of(loaded("vt/Base"));
    ClassMirror* mirror = vsClass_mirror(vsRef_as<ClassRecord>(cls));
    mirror->status = c.status;
    mirror->initializingThread = c.byThisThread ? self : vsRef_of(mirror);
    EXPECT_EQ(vsClass_initialize(&cls, &thread_), 1);
    EXPECT_EQ(takePending(), "");
    const std::vector<Call> queued = calls();
    ASSERT_EQ(queued.size(), c.queued ? 1u : 0u);
    if (c.queued) {
      EXPECT_EQ(queued[0].method, initialize);
      EXPECT_EQ(queued[0].count, 1u);
      EXPECT_EQ(queued[0].receiver, vsRef_of(mirror));
    }
  }
}

TEST_F(PendingCallsTest, ClassInitializerIsQueuedWhenTheClassHasOne) {
  ClassRecord* base = loaded("vt/Base");
  VmRef cls = vsRef_of(base);
  const VmRef clinit = method(base, kSymClinit);
  ASSERT_NE(clinit, 0u);
  VmRef plain = vsRef_of(loaded("tc/A"));
  EXPECT_EQ(vsClass_runClassInitializer(&plain), 1);
  EXPECT_TRUE(calls().empty());
  EXPECT_EQ(vsClass_runClassInitializer(&cls), 1);
  ASSERT_EQ(calls().size(), 1u);
  EXPECT_EQ(calls()[0].method, clinit);
  EXPECT_EQ(calls()[0].count, 0u);
  // Once taken out of the class, it runs no more; calls already queued
  // stay.
  EXPECT_EQ(vsClass_takeClassInitializer(base), clinit);
  EXPECT_EQ(vsClass_runClassInitializer(&cls), 1);
  EXPECT_EQ(calls().size(), 1u);
}

TEST_F(PendingCallsTest, NewInstanceQueuesItsConstructorOrRefuses) {
  const struct {
    const char* cls;
    const char* caller;  // nullptr: the VM itself
    const char* error;   // "" when created
  } cases[] = {
      {"tc/A", nullptr, ""},
      {"java/lang/System", "java/lang/System", ""},                 // private, from itself
      {"java/lang/System", "java/lang/Object", "java/lang/IllegalAccessException \"137\""},
      {"access/p/Hidden", "access/p/Base", ""},                     // package private, same package
      {"access/p/Hidden", "access/q/Sub", "java/lang/IllegalAccessException \"137\""},
      {"java/lang/Float", nullptr, "java/lang/InstantiationException \"136\""},      // ()V only in Object
      {"it/AbstractShape", nullptr, "java/lang/InstantiationException \"138\""},
      {"it/Shape", nullptr, "java/lang/InstantiationException \"138\""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.cls) + " from " + (c.caller != nullptr ? c.caller : "the VM"));
    vsRef_as<ThreadRecord>(thread_)->pendingCalls = 0;
    VmRef cls = vsRef_of(loaded(c.cls));
    const ClassRecord* caller = c.caller != nullptr ? loaded(c.caller) : nullptr;
    const VmRef object = vsClass_newInstanceWithConstructorCall(&cls, caller);
    const VmRef exception = vsPendingException();
    EXPECT_EQ(takePending(), c.error);
    if (*c.error != '\0') {
      // Only the exception's own constructor is queued, last.
      EXPECT_EQ(object, 0u);
      const std::vector<Call> queued = calls();
      ASSERT_FALSE(queued.empty());
      EXPECT_EQ(queued.back().receiver, exception);
      for (const Call& call : queued) EXPECT_NE(call.method, method(vsRef_as<ClassRecord>(cls), kSymInit));
      continue;
    }
    ASSERT_NE(object, 0u);
    EXPECT_EQ(vsRef_of(vsObject_class(object)), cls);
    const std::vector<Call> queued = calls();
    ASSERT_EQ(queued.size(), 1u);
    EXPECT_EQ(queued[0].method, method(vsRef_as<ClassRecord>(cls), kSymInit));
    EXPECT_EQ(queued[0].count, 1u);
    EXPECT_EQ(queued[0].receiver, object);
  }
  // An array class is no instance class.
  VmRef ints = vsRoot(vsRoot_primitiveArray(kTypeInt));
  EXPECT_EQ(vsClass_newInstanceWithConstructorCall(&ints, nullptr), 0u);
  EXPECT_EQ(takePending(), "java/lang/InstantiationException \"138\"");
}

TEST_F(PendingCallsTest, CallsQueueBehindTheOnesAlreadyPending) {
  VmRef a = vsRef_of(loaded("tc/A"));
  VmRef base = vsRef_of(loaded("vt/Base"));
  const VmRef object = vsClass_newInstanceWithConstructorCall(&a, nullptr);
  ASSERT_NE(object, 0u);
  ASSERT_EQ(vsClass_runClassInitializer(&base), 1);
  ASSERT_EQ(vsClass_initialize(&base, &thread_), 1);
  const std::vector<Call> queued = calls();
  ASSERT_EQ(queued.size(), 3u);
  EXPECT_EQ(queued[0].receiver, object);
  EXPECT_EQ(queued[1].method, method(vsRef_as<ClassRecord>(base), kSymClinit));
  EXPECT_EQ(queued[2].receiver, vsRef_of(vsClass_mirror(vsRef_as<ClassRecord>(base))));
}

}  // namespace
