// Natives of java.lang.Class (see class_natives.h).
#include "vm/core/natives/class_natives.h"

#include "vm/core/bytecode/class_link.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/handles.h"
#include "vm/core/model/method_lookup.h"
#include "vm/core/model/model_flags.h"
#include "vm/core/threads/pending_calls.h"
#include "vm/core/natives/native_method.h"

namespace {

// The class record of the receiver.
VmRef receiverClass() {
  VmRef mirror = 0;
  vsNativeMethod_getThis(&mirror);
  return vsRef_as<ClassMirror>(mirror)->classRecord.raw;
}

}  // namespace

// Verification and the preparation of methods for invocation concern only
// classes loaded from the class path; the image's classes were checked and
// prepared when the image was made. Verification is the linking step.
extern "C" void Java_java_lang_Class_verifyClass() {
  VmHandle cls;
  vsHandle_push(&cls, receiverClass());
  vsClass_link(&cls.object);
  vsHandle_close(&cls);
}

extern "C" void Java_java_lang_Class_prepareMethods() {}

extern "C" void Java_java_lang_Class_getSuperclass0() {
  const ClassRecord* super = vsRef_as<ClassRecord>(receiverClass())->superClass.get();
  vsNativeMethod_setReturnInt(super != nullptr ? static_cast<int32_t>(super->mirror.raw) : 0);
}

extern "C" void Java_java_lang_Class_runClinit() {
  VmHandle cls;
  vsHandle_push(&cls, receiverClass());
  if (vsClass_isInstanceClass(&cls.object)) vsClass_runClassInitializer(&cls.object);
  vsHandle_close(&cls);
}

extern "C" void Java_java_lang_Class_removeClinit() {
  const VmRef cls = receiverClass();
  if (vsClass_isInstanceClass(&cls)) vsClass_takeClassInitializer(vsRef_as<ClassRecord>(cls));
}

extern "C" void Java_java_lang_Class_isInterface() {
  const VmRef cls = receiverClass();
  const bool isInterface =
      vsClass_isInstanceClass(&cls) && (vsRef_as<ClassRecord>(cls)->classInfo->accessFlags & kClassInterface) != 0;
  vsNativeMethod_setReturnInt(isInterface ? 1 : 0);
}
