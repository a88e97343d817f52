// The runtime entries (see runtime_entries.h).
#include "vm/core/interp/runtime_entries.h"

#include "vm/core/image/image_bounds.h"
#include "vm/core/interp/exceptions.h"
#include "vm/core/interp/frame_iterator.h"
#include "vm/core/interp/method_resolution.h"
#include "vm/core/interp/pool_resolution.h"
#include "vm/core/interp/pool_strings.h"
#include "vm/core/interp/quickening.h"
#include "vm/core/interp/vm_errors.h"
#include "vm/core/memory/heap_allocators.h"
#include "vm/core/model/basic_types.h"
#include "vm/core/model/bytecodes.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/constant_pool.h"
#include "vm/core/model/handles.h"
#include "vm/core/model/method_access.h"
#include "vm/core/model/model_flags.h"
#include "vm/core/model/multi_array.h"
#include "vm/core/threads/pending_calls.h"
#include "vm/core/model/subtype.h"
#include "vm/core/model/vm_globals.h"
#include "vm/core/natives/soft_float.h"
#include "vm/core/startup/output_stream.h"
#include "vm/core/startup/vm_control.h"
#include "vm/core/threads/scheduler.h"
#include "vm/core/threads/stack_growth.h"
#include "vm/core/threads/thread_record.h"

namespace {

constexpr int32_t kNotInstantiableCode = 95;

VmRef takePending() {
  const VmRef e = vsVmGlobals.pendingException;
  vsVmGlobals.pendingException = 0;
  return e;
}

uint16_t poolIndexAt(const uint8_t* bcp) { return static_cast<uint16_t>((bcp[1] << 8) | bcp[2]); }

// Rewrites the instruction at bci of the method into its fast form,
// unless it lies in the read-only image. A collection moves methods: callers
// that allocated pass the method read again and a bci, never an older bcp.
void rewrite(MethodRecord* method, uint32_t bci, uint8_t fast) {
  if (fast != 0 && !vsObject_isInRomImage(vsWord_fromPointer(method->code + bci)))
    vsMethod_quickenAt(method, bci, fast);
}

enum class Holder { Initialized, BeingInitializedHere, Queued };

// Queues the initialisation of the class on the current thread when it is
// not initialised. A class that this thread is initialising already is used
// as it is, without rewriting.
Holder ensureInitialized(VmHandle& cls) {
  if (vsClass_isInitialized(vsRef_as<ClassRecord>(cls.object))) return Holder::Initialized;
  VmHandle thread;
  vsHandle_push(&thread, vsVmGlobals.currentThread);
  const VmRef before = vsRef_as<ThreadRecord>(thread.object)->pendingCalls;
  vsClass_initialize(&cls.object, &thread.object);
  const bool queued = vsRef_as<ThreadRecord>(thread.object)->pendingCalls != before;
  vsHandle_close(&thread);
  return queued ? Holder::Queued : Holder::BeingInitializedHere;
}

// The instruction at the current thread's top frame: its method, its
// address and its operands, with the class of its pool entry once resolved.
struct CurrentInstruction {
  FrameIterator it;
  VmHandle pool;
  VmHandle cls;

  explicit CurrentInstruction(VmRef thread) {
    vsFrameIterator_open(&it, thread);
    vsHandle_push(&pool, vsRef_of(vsMethod_constantPool(vsFrame_method(&it))));
    vsHandle_push(&cls, 0);
  }
  ~CurrentInstruction() {
    vsHandle_close(&cls);
    vsHandle_close(&pool);
    vsFrameIterator_close(&it);
  }
  CurrentInstruction(const CurrentInstruction&) = delete;
  CurrentInstruction& operator=(const CurrentInstruction&) = delete;

  // Operand i of the frame's stack (0 on top); read after any allocation.
  VmWord operand(uint32_t i) const { return *vsFrame_stackAt(&it, i); }
  // The instruction's address; like the operands, read after any allocation
  // (the collector moves the method with its code).
  const uint8_t* bcp() const { return vsFrame_method(&it)->code + vsFrame_bci(&it); }
  bool resolveClass() {
    cls.object = vsRef_of(vsConstantPool_resolveClass(&pool.object, poolIndexAt(bcp())));
    return cls.object != 0;
  }
  // The instruction's fast form, now that its entry is resolved.
  void quicken() const {
    MethodRecord* method = vsFrame_method(&it);
    const uint32_t bci = vsFrame_bci(&it);
    rewrite(method, bci, vsMethod_fastFormAt(method, bci, 0));
  }
};

}  // namespace

extern "C" {

void vsRuntime_growStack(VmWord* threadSlot, VmWord neededStackPointer) {
  VmHandle thread;
  vsHandle_push(&thread, *threadSlot);
  vsThread_checkStack(&thread.object, neededStackPointer);
  vsHandle_close(&thread);
}

void vsRuntime_yieldCheck(VmWord* threadSlot) {
  VmHandle thread;
  vsHandle_push(&thread, *threadSlot);
  vsThread_yieldEntry(&thread.object);
  vsHandle_close(&thread);
}

void vsRuntime_monitorEnterSlow(VmWord* threadSlot, LockRecord* record) {
  VmHandle thread;
  vsHandle_push(&thread, *threadSlot);
  vsMonitor_lock(&thread.object, record);
  vsHandle_close(&thread);
}

void vsRuntime_monitorExitSlow(VmWord*, LockRecord* record) { vsMonitor_unlock(record); }

void vsRuntime_throwArrayIndex(VmWord*) { vsException_raiseWithCode(kArrayIndexOutOfBoundsClass, 0); }
VmRef vsRuntime_newArrayIndexException(VmWord* slot) {
  vsRuntime_throwArrayIndex(slot);
  return takePending();
}
void vsRuntime_throwNullPointer(VmWord*) { vsException_raiseWithCode(kNullPointerClass, 0); }
VmRef vsRuntime_newNullPointerException(VmWord* slot) {
  vsRuntime_throwNullPointer(slot);
  return takePending();
}
void vsRuntime_throwIllegalMonitorState(VmWord*) {
  vsException_raiseWithCode(kIllegalMonitorStateClass, 0);
}
VmRef vsRuntime_newIllegalMonitorStateException(VmWord* slot) {
  vsRuntime_throwIllegalMonitorState(slot);
  return takePending();
}
void vsRuntime_throwDivideByZero(VmWord*) {
  vsException_raiseWithCode(kArithmeticClass, kErrDivideByZero);
}
VmRef vsRuntime_newDivideByZeroException(VmWord* slot) {
  vsRuntime_throwDivideByZero(slot);
  return takePending();
}

VmRef vsRuntime_multiANewArray(VmWord* threadSlot) {
  CurrentInstruction at(*threadSlot);
  VmRef array = 0;
  if (at.resolveClass()) {
    const uint32_t dims = at.bcp()[3];
    int32_t lengths[255];
    for (uint32_t i = 0; i < dims; ++i) lengths[i] = static_cast<int32_t>(at.operand(dims - 1 - i));
    array = vsArray_newMultiDimensional(&at.cls.object, static_cast<int32_t>(dims), lengths);
  }
  return array;
}

int32_t vsRuntime_instanceOf(VmWord* threadSlot) {
  CurrentInstruction at(*threadSlot);
  if (!at.resolveClass()) return 0;
  at.quicken();
  const VmRef object = at.operand(0);
  return object != 0 && vsClass_isSubtypeOf(vsObject_class(object), vsRef_as<ClassRecord>(at.cls.object)) ? 1 : 0;
}

void vsRuntime_checkCast(VmWord* threadSlot) {
  CurrentInstruction at(*threadSlot);
  if (!at.resolveClass()) return;
  at.quicken();
  const VmRef object = at.operand(0);
  if (object != 0 && !vsClass_isSubtypeOf(vsObject_class(object), vsRef_as<ClassRecord>(at.cls.object)))
    vsException_raiseWithCode(kClassCastClass, 0);
}

void vsRuntime_arrayStoreCheck(VmWord* threadSlot) {
  FrameIterator it;
  vsFrameIterator_open(&it, *threadSlot);
  const VmRef value = *vsFrame_stackAt(&it, 0);
  const VmRef array = *vsFrame_stackAt(&it, 2);
  vsFrameIterator_close(&it);
  ClassRecord* element = vsWord_toPointer<ClassRecord>(vsObject_class(array)->elementOrLink);
  if (value != 0 && !vsClass_isSubtypeOf(vsObject_class(value), element)) vsException_throwArrayStore(0);
}

int64_t vsRuntime_ldiv(int64_t dividend, int64_t divisor) {
  return divisor == -1 ? static_cast<int64_t>(0 - static_cast<uint64_t>(dividend)) : dividend / divisor;
}
int64_t vsRuntime_lrem(int64_t dividend, int64_t divisor) { return divisor == -1 ? 0 : dividend % divisor; }

}  // extern "C"

void vsRuntime_fillEntryTable() {
  VmWord* t = vsVmGlobals.runtimeEntryTable;
  t[kRuntimeSlotGrowStack] = vsWord_fromPointer(reinterpret_cast<const void*>(&vsRuntime_growStack));
  t[kRuntimeSlotYieldCheck] = vsWord_fromPointer(reinterpret_cast<const void*>(&vsRuntime_yieldCheck));
  t[kRuntimeSlotMonitorEnterSlow] = vsWord_fromPointer(reinterpret_cast<const void*>(&vsRuntime_monitorEnterSlow));
  t[kRuntimeSlotMonitorExitSlow] = vsWord_fromPointer(reinterpret_cast<const void*>(&vsRuntime_monitorExitSlow));
  t[kRuntimeSlotThrowArrayIndex] = vsWord_fromPointer(reinterpret_cast<const void*>(&vsRuntime_throwArrayIndex));
  t[kRuntimeSlotNewArrayIndexException] = vsWord_fromPointer(reinterpret_cast<const void*>(&vsRuntime_newArrayIndexException));
  t[kRuntimeSlotThrowNullPointer] = vsWord_fromPointer(reinterpret_cast<const void*>(&vsRuntime_throwNullPointer));
  t[kRuntimeSlotNewNullPointerException] = vsWord_fromPointer(reinterpret_cast<const void*>(&vsRuntime_newNullPointerException));
  t[kRuntimeSlotThrowIllegalMonitorState] = vsWord_fromPointer(reinterpret_cast<const void*>(&vsRuntime_throwIllegalMonitorState));
  t[kRuntimeSlotNewIllegalMonitorStateException] = vsWord_fromPointer(reinterpret_cast<const void*>(&vsRuntime_newIllegalMonitorStateException));
  t[kRuntimeSlotThrowDivideByZero] = vsWord_fromPointer(reinterpret_cast<const void*>(&vsRuntime_throwDivideByZero));
  t[kRuntimeSlotNewDivideByZeroException] = vsWord_fromPointer(reinterpret_cast<const void*>(&vsRuntime_newDivideByZeroException));
  t[kRuntimeSlotMultiANewArray] = vsWord_fromPointer(reinterpret_cast<const void*>(&vsRuntime_multiANewArray));
  t[kRuntimeSlotInstanceOf] = vsWord_fromPointer(reinterpret_cast<const void*>(&vsRuntime_instanceOf));
  t[kRuntimeSlotCheckCast] = vsWord_fromPointer(reinterpret_cast<const void*>(&vsRuntime_checkCast));
  t[kRuntimeSlotArrayStoreCheck] = vsWord_fromPointer(reinterpret_cast<const void*>(&vsRuntime_arrayStoreCheck));
  t[kRuntimeSlotLdiv] = vsWord_fromPointer(reinterpret_cast<const void*>(&vsRuntime_ldiv));
  t[kRuntimeSlotLrem] = vsWord_fromPointer(reinterpret_cast<const void*>(&vsRuntime_lrem));
  vsVmGlobals.faddRoutine = vsWord_fromPointer(reinterpret_cast<const void*>(&vsRuntime_fadd));
  vsVmGlobals.fsubRoutine = vsWord_fromPointer(reinterpret_cast<const void*>(&vsRuntime_fsub));
  vsVmGlobals.fmulRoutine = vsWord_fromPointer(reinterpret_cast<const void*>(&vsRuntime_fmul));
  vsVmGlobals.fdivRoutine = vsWord_fromPointer(reinterpret_cast<const void*>(&vsRuntime_fdiv));
}

VmWord vsRuntime_resolveConstant(MethodRecord* method, uint32_t index, const uint8_t* bcp) {
  // Resolving a string allocates: the method is held, its bytecode found
  // again by its bci.
  const uint8_t opcode = bcp[0];
  const uint32_t bci = static_cast<uint32_t>(bcp - method->code);
  VmHandle m, pool;
  vsHandle_push(&m, vsRef_of(method));
  vsHandle_push(&pool, vsRef_of(vsMethod_constantPool(method)));
  const ConstantPool* p = vsRef_as<ConstantPool>(pool.object);
  VmWord value = 0;
  if (index >= p->count) {
    vsException_raiseWithCode(kVmErrorClass, kErrBadPoolEntry);
  } else {
    const uint8_t tag = vsConstantPool_tagAt(p, index);
    if (opcode == kOpLdc2W) {
      // A long or double: two entries, read as they stand.
      if ((tag != kTagLong && tag != kTagDouble) || index + 1 >= p->count)
        vsException_raiseWithCode(kVmErrorClass, kErrBadPoolEntry);
      else
        rewrite(vsRef_as<MethodRecord>(m.object), bci, kOpLdc2WFast);
    } else if (tag == kTagUnresolvedString) {
      value = vsConstantPool_resolveString(&pool.object, index);
    } else if (tag == kTagClassFileString) {
      value = vsConstantPool_internStringAt(&pool.object, index);
      if (value != 0) vsConstantPool_setEntry(vsRef_as<ConstantPool>(pool.object), index, kTagResolvedString, value);
    } else if (tag == kTagInt || tag == kTagFloat || tag == kTagResolvedString) {
      value = p->entries[index];
    } else {
      vsException_raiseWithCode(kVmErrorClass, kErrBadPoolEntry);
    }
    if (!vsException_isPending() && (opcode == kOpLdc || opcode == kOpLdcW))
      rewrite(vsRef_as<MethodRecord>(m.object), bci, opcode == kOpLdc ? kOpLdcFast : kOpLdcWFast);
  }
  vsHandle_close(&pool);
  vsHandle_close(&m);
  return value;
}

uint8_t vsRuntime_resolveStatic(MethodRecord* method, const uint8_t* bcp) {
  const uint8_t opcode = bcp[0];
  const uint16_t index = poolIndexAt(bcp);
  const uint32_t bci = static_cast<uint32_t>(bcp - method->code);
  VmHandle m, pool, accessing, holder;
  vsHandle_push(&m, vsRef_of(method));
  vsHandle_push(&pool, vsRef_of(vsMethod_constantPool(method)));
  vsHandle_push(&accessing, vsRef_of(vsMethod_holderClass(method)));
  vsHandle_push(&holder, 0);
  uint8_t result = 0;
  // An entry a get resolved answers at once, checked again for this use
  // (a put into a final static of another class is still refused).
  uint32_t offset = 0;
  ClassRecord* h = nullptr;
  const int32_t type = vsConstantPool_resolveField(&pool.object, index, &offset, true, opcode == kOpGetstatic,
                                                   &accessing.object, &h);
  if (!vsException_isPending() && type != kTypeNotPrimitive) {
    const uint8_t tag = vsConstantPool_tagAt(vsRef_as<ConstantPool>(pool.object), index);
    holder.object = vsRef_of(vsClass_byId(vsRef_as<ConstantPool>(pool.object)->entries[index] & 0xffff));
    const Holder state = ensureInitialized(holder);
    if (state == Holder::Queued) {
      result = opcode;
    } else {
      result = vsBytecode_fastForm(opcode, tag, kQuickenHolderInitialized);
      if (state == Holder::Initialized) rewrite(vsRef_as<MethodRecord>(m.object), bci, result);
    }
  }
  vsHandle_close(&holder);
  vsHandle_close(&accessing);
  vsHandle_close(&pool);
  vsHandle_close(&m);
  return vsException_isPending() ? 0 : result;
}

MethodRecord* vsRuntime_resolveInvokeStatic(MethodRecord* method, const uint8_t* bcp) {
  const uint16_t index = poolIndexAt(bcp);
  const uint32_t bci = static_cast<uint32_t>(bcp - method->code);
  VmHandle m, pool, accessing, holder;
  vsHandle_push(&m, vsRef_of(method));
  vsHandle_push(&pool, vsRef_of(vsMethod_constantPool(method)));
  vsHandle_push(&accessing, vsRef_of(vsMethod_holderClass(method)));
  vsHandle_push(&holder, 0);
  MethodRecord* callee = nullptr;
  const ConstantPool* p = vsRef_as<ConstantPool>(pool.object);
  if (index >= p->count || vsConstantPool_tagAt(p, index) != kTagBoundMethod)
    vsConstantPool_resolveStaticMethod(&pool.object, &accessing.object, index);
  if (!vsException_isPending()) {
    callee = vsRef_as<MethodRecord>(vsRef_as<ConstantPool>(pool.object)->entries[index]);
    holder.object = vsRef_of(vsMethod_holderClass(callee));
    if (ensureInitialized(holder) == Holder::Initialized)
      rewrite(vsRef_as<MethodRecord>(m.object), bci, kOpInvokestaticFast);
    callee = vsRef_as<MethodRecord>(vsRef_as<ConstantPool>(pool.object)->entries[index]);
  }
  vsHandle_close(&holder);
  vsHandle_close(&accessing);
  vsHandle_close(&pool);
  vsHandle_close(&m);
  return vsException_isPending() ? nullptr : callee;
}

uint8_t vsRuntime_resolveMember(MethodRecord* method, const uint8_t* bcp) {
  const uint8_t opcode = bcp[0];
  const uint16_t index = poolIndexAt(bcp);
  const uint32_t bci = static_cast<uint32_t>(bcp - method->code);
  VmHandle m, pool, accessing;
  vsHandle_push(&m, vsRef_of(method));
  vsHandle_push(&pool, vsRef_of(vsMethod_constantPool(method)));
  vsHandle_push(&accessing, vsRef_of(vsMethod_holderClass(method)));
  switch (opcode) {
    case kOpGetfield:
    case kOpPutfield: {
      uint32_t offset = 0;
      ClassRecord* holder = nullptr;
      vsConstantPool_resolveField(&pool.object, index, &offset, false, opcode == kOpGetfield, &accessing.object,
                                  &holder);
      break;
    }
    case kOpInvokevirtual:
    case kOpInvokespecial:
    case kOpInvokeinterface:
      vsConstantPool_resolveInvoke(&pool.object, &accessing.object, index, opcode);
      break;
    default:
      vsConstantPool_resolveClass(&pool.object, index);
      break;
  }
  uint8_t fast = 0;
  if (!vsException_isPending()) {
    MethodRecord* resolving = vsRef_as<MethodRecord>(m.object);
    fast = vsMethod_fastFormAt(resolving, bci, 0);
    // Image code was rewritten when the image was built; its operands are
    // final, so its slow forms never reach here.
    if (fast == 0 || vsObject_isInRomImage(vsWord_fromPointer(resolving->code + bci)))
      vsVm_fatal("slow bytecode without a fast form");
    vsMethod_quickenAt(resolving, bci, fast);
  }
  vsHandle_close(&accessing);
  vsHandle_close(&pool);
  vsHandle_close(&m);
  return fast;
}

VmRef vsRuntime_new(MethodRecord* method, const uint8_t* bcp) {
  // Resolving and allocating may collect and move the method: it is held,
  // and its instruction rewritten by bci.
  const uint16_t index = poolIndexAt(bcp);
  const uint32_t bci = static_cast<uint32_t>(bcp - method->code);
  VmHandle m, pool, cls;
  vsHandle_push(&m, vsRef_of(method));
  vsHandle_push(&pool, vsRef_of(vsMethod_constantPool(method)));
  vsHandle_push(&cls, vsRef_of(vsConstantPool_resolveClass(&pool.object, index)));
  VmRef object = 0;
  if (cls.object != 0) {
    const ClassRecord* c = vsRef_as<ClassRecord>(cls.object);
    const uint32_t flags = c->classInfo->accessFlags;
    if (vsClass_isArrayClass(c) || (flags & (kClassInterface | kClassAbstract)) != 0) {
      vsException_raiseWithCode(kVmErrorClass, kNotInstantiableCode);
    } else {
      const Holder state = ensureInitialized(cls);
      if (state != Holder::Queued) {
        const bool finalizable = (flags & kClassFinalizable) != 0;
        const uint32_t size = static_cast<uint32_t>(vsRef_as<ClassRecord>(cls.object)->instanceKind);
        object = finalizable ? vsJavaHeap_newFinalizableInstance(&cls.object) : vsJavaHeap_newInstance(&cls.object, size);
        if (object != 0 && !finalizable && state == Holder::Initialized)
          rewrite(vsRef_as<MethodRecord>(m.object), bci, kOpNewFast);
      }
    }
  }
  vsHandle_close(&cls);
  vsHandle_close(&pool);
  vsHandle_close(&m);
  return object;
}

void vsVm_fatal(const char* message) {
  vsOutputStream_printLine(vsOutputStream_log(), "%s", message);
  vsVm_exitAfterShutdown(kFatalVm);
}
