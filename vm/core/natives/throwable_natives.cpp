// Natives of java.lang.Throwable (see throwable_natives.h).
#include "vm/core/natives/throwable_natives.h"

#include "vm/core/interp/frame_iterator.h"
#include "vm/core/interp/method_helpers.h"
#include "vm/core/interp/stack_trace.h"
#include "vm/core/memory/heap_allocators.h"
#include "vm/core/memory/write_barrier.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/class_relations.h"
#include "vm/core/model/handles.h"
#include "vm/core/model/method_access.h"
#include "vm/core/model/symbols.h"
#include "vm/core/model/vm_globals.h"
#include "vm/core/natives/native_hooks.h"
#include "vm/core/natives/native_method.h"

namespace {

constexpr uint32_t kBciMask = 0xFFFFFF;

// Calls visit(method, bci) for each Java frame of the current thread, the
// innermost first, until it returns false.
template <class Visit>
void walkFrames(Visit visit) {
  FrameIterator it;
  vsFrameIterator_open(&it, vsVmGlobals.currentThread);
  while (it.framePointer != 0) {
    if (vsFrame_isChunkEnd(&it)) {
      if (vsFrame_isStackBottom(&it)) break;
      vsFrame_nextChunk(&it);
      continue;
    }
    if (!vsFrame_isGrowthFrame(&it) && !visit(vsFrame_method(&it), vsFrame_bci(&it))) break;
    vsFrame_caller(&it);
  }
  vsFrameIterator_close(&it);
}

bool isFillInStackTrace(const MethodRecord* method) {
  static constexpr char kName[] = "fillInStackTrace";
  return vsSymbol_equalsBytes(vsRef_as<VmSymbol>(vsMethod_name(method)), reinterpret_cast<const uint8_t*>(kName),
                              sizeof kName - 1);
}

// Whether the frame is a constructor of the throwable's class or of one of
// its superclasses.
bool isOwnConstructor(const MethodRecord* method, const ClassRecord* throwableClass) {
  if (!vsMethod_isConstructor(method)) return false;
  const ClassRecord* holder = vsMethod_holderClass(method);
  return holder == throwableClass || vsClass_isAssignable(throwableClass, holder);
}

}  // namespace

extern "C" void Java_java_lang_Throwable_fillInStackTrace() {
  VmHandle self, methods, bcis, record;
  vsHandle_pushEmpty(&self);
  vsHandle_pushEmpty(&methods);
  vsHandle_pushEmpty(&bcis);
  vsHandle_pushEmpty(&record);
  vsNativeMethod_getThis(&self.object);
  const ClassRecord* throwableClass = vsObject_class(self.object);
  int32_t skipped = 0;
  int32_t total = 0;
  bool skipping = true;
  walkFrames([&](const MethodRecord* method, uint32_t) {
    if (skipping && ((total == 0 && isFillInStackTrace(method)) || isOwnConstructor(method, throwableClass)))
      ++skipped;
    else
      skipping = false;
    ++total;
    return true;
  });
  const int32_t n = total - skipped;
  methods.object = vsJavaHeap_newObjectArray(n);
  if (methods.object != 0) bcis.object = vsJavaHeap_newIntArray(n);
  if (bcis.object != 0) record.object = vsJavaHeap_newObjectArray(2);
  if (record.object != 0) {
    ObjectArray* r = vsRef_as<ObjectArray>(record.object);
    vsJavaHeap_storeReference(&r->elements[0], methods.object);
    vsJavaHeap_storeReference(&r->elements[1], bcis.object);
    int32_t index = -skipped;
    if (n > 0)
      walkFrames([&](MethodRecord* method, uint32_t bci) {
      if (index >= 0) {
        vsJavaHeap_storeReference(&vsRef_as<ObjectArray>(methods.object)->elements[index], vsRef_of(method));
        vsRef_as<IntArray>(bcis.object)->elements[index] = static_cast<int32_t>(bci & kBciMask);
      }
      return ++index < n;
    });
    vsJavaHeap_storeReference(&vsRef_as<ThrowableObject>(self.object)->backtrace, record.object);
  }
  vsHandle_close(&self);
}

extern "C" void Java_java_lang_Throwable_printStackTrace() {
  vsSys_setPrintingStackTrace(1);
  vsException_printStackTrace(vsNativeMethod_getThisObject());
  vsSys_setPrintingStackTrace(0);
}
