// The dump of the started core (see start_dump.h).
#include "vm/core/startup/start_dump.h"

#include "vm/core/interp/stack_trace.h"
#include "vm/core/model/basic_types.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/method_access.h"
#include "vm/core/model/roots.h"
#include "vm/core/model/signatures.h"
#include "vm/core/model/vm_globals.h"
#include "vm/core/startup/type_text.h"
#include "vm/core/threads/scheduler.h"
#include "vm/core/threads/thread_record.h"

namespace {

void printSymbol(const VsOutputStream* out, VmRef symbol) {
  const VmSymbol* s = vsRef_as<VmSymbol>(symbol);
  if (s != nullptr) vsOutputStream_print(out, "%.*s", s->length, reinterpret_cast<const char*>(s->bytes));
}

void printMethod(const VsOutputStream* out, const MethodRecord* m) {
  const ConstantPool* pool = vsMethod_constantPool(m);
  vsTypeText_printClassName(out, vsMethod_holderClass(m));
  vsOutputStream_print(out, ".");
  printSymbol(out, pool->entries[m->nameIndex]);
  vsTypeText_printSignature(out, pool->entries[m->signatureIndex]);
}

void printArgument(const VsOutputStream* out, VmRef argument) {
  const ClassRecord* cls = vsObject_class(argument);
  if (cls == vsRoot_as<ClassRecord>(kRootClass)) {
    vsOutputStream_print(out, " on ");
    vsTypeText_printClassName(out, vsRef_as<ClassMirror>(argument)->classRecord.get());
    return;
  }
  vsOutputStream_print(out, " with");
  const ObjectArray* strings = vsRef_as<ObjectArray>(argument);
  for (int32_t i = 0; i < strings->length; ++i) {
    vsOutputStream_print(out, i == 0 ? " \"" : ", \"");
    vsStream_printJavaString(out, strings->elements[i], -1);
    vsOutputStream_print(out, "\"");
  }
}

}  // namespace

void vsCore_dumpStart(const VsOutputStream* out) {
  const VmRef thread = vsVmGlobals.currentThread;
  const ThreadRecord* t = vsRef_as<ThreadRecord>(thread);
  const bool runnable = t->queueNext != 0;
  vsOutputStream_printLine(out, "main thread: priority %d, %s", vsThread_priority(thread),
                           runnable ? "runnable" : "waiting");
  for (VmRef call = t->pendingCalls; call != 0; call = vsRef_as<ArgumentBlock>(call)->ref1) {
    const ArgumentBlock* block = vsRef_as<ArgumentBlock>(call);
    vsOutputStream_print(out, "pending call: ");
    printMethod(out, vsRef_as<MethodRecord>(block->ref0));
    for (uint32_t i = 0; i < block->count; ++i)
      if (block->entries[i].type == kArgumentTypeReference && block->entries[i].value != 0)
        printArgument(out, block->entries[i].value);
    vsOutputStream_print(out, "\n");
  }
}
