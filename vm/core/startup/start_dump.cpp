// The dump of the started core (see start_dump.h).
#include "vm/core/startup/start_dump.h"

#include "vm/core/interp/stack_trace.h"
#include "vm/core/model/basic_types.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/method_access.h"
#include "vm/core/model/roots.h"
#include "vm/core/model/signatures.h"
#include "vm/core/model/vm_globals.h"
#include "vm/core/threads/scheduler.h"
#include "vm/core/threads/thread_record.h"

namespace {

void printSymbol(const VsOutputStream* out, VmRef symbol) {
  const VmSymbol* s = vsRef_as<VmSymbol>(symbol);
  if (s != nullptr) vsOutputStream_print(out, "%.*s", s->length, reinterpret_cast<const char*>(s->bytes));
}

// One item of a descriptor: the letter of a primitive type, or the class
// name ('L' name ';' for a class, the name itself for an array class).
void printType(const VsOutputStream* out, int32_t type, VmRef className) {
  static constexpr char kLetters[] = "ZCFDBSIJ";
  if (type >= kTypeBoolean && type <= kTypeLong) {
    vsOutputStream_print(out, "%c", kLetters[type - kTypeBoolean]);
  } else if (type == kTypeVoid) {
    vsOutputStream_print(out, "V");
  } else if (className != 0 && vsRef_as<VmSymbol>(className)->bytes[0] == '[') {
    printSymbol(out, className);
  } else {
    vsOutputStream_print(out, "L");
    printSymbol(out, className);
    vsOutputStream_print(out, ";");
  }
}

void printDescriptor(const VsOutputStream* out, VmRef signature) {
  SignatureIterator it;
  vsSignatureIterator_init(&it, &signature, true, false);
  vsOutputStream_print(out, "(");
  for (; !vsSignatureIterator_atEnd(&it); vsSignatureIterator_next(&it))
    printType(out, it.type, vsSignatureIterator_className(&it));
  vsOutputStream_print(out, ")");
  printType(out, vsSignature_basicType(signature, false), vsSignature_returnClassName(signature));
}

void printMethod(const VsOutputStream* out, const MethodRecord* m) {
  const ConstantPool* pool = vsMethod_constantPool(m);
  printSymbol(out, vsRef_of(vsClass_name(vsMethod_holderClass(m))));
  vsOutputStream_print(out, ".");
  printSymbol(out, pool->entries[m->nameIndex]);
  printDescriptor(out, pool->entries[m->signatureIndex]);
}

void printArgument(const VsOutputStream* out, VmRef argument) {
  const ClassRecord* cls = vsObject_class(argument);
  if (cls == vsRoot_as<ClassRecord>(kRootClass)) {
    vsOutputStream_print(out, " on ");
    printSymbol(out, vsRef_of(vsClass_name(vsRef_as<ClassMirror>(argument)->classRecord.get())));
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
