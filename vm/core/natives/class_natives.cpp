// Natives of java.lang.Class (see class_natives.h).
#include "vm/core/natives/class_natives.h"

#include "vm/core/natives/native_method.h"

extern "C" void Java_java_lang_Class_getSuperclass0() {
  VmRef mirror = 0;
  vsNativeMethod_getThis(&mirror);
  const ClassRecord* super = vsRef_as<ClassMirror>(mirror)->classRecord->superClass.get();
  vsNativeMethod_setReturnInt(super != nullptr ? static_cast<int32_t>(super->mirror.raw) : 0);
}
