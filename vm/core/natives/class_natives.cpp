// Natives of java.lang.Class (see class_natives.h).
#include "vm/core/natives/class_natives.h"

#include "vm/core/bytecode/class_link.h"
#include "vm/core/interp/boolean_not.h"
#include "vm/core/interp/exceptions.h"
#include "vm/core/loader/class_loading.h"
#include "vm/core/memory/heap_allocators.h"
#include "vm/core/memory/string_factory.h"
#include "vm/core/model/basic_types.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/class_relations.h"
#include "vm/core/model/handles.h"
#include "vm/core/model/method_access.h"
#include "vm/core/model/method_lookup.h"
#include "vm/core/model/model_flags.h"
#include "vm/core/model/object_helpers.h"
#include "vm/core/model/symbols.h"
#include "vm/core/model/vm_globals.h"
#include "vm/core/natives/native_hooks.h"
#include "vm/core/natives/native_method.h"
#include "vm/core/threads/pending_calls.h"

namespace {

// The class record of the receiver.
VmRef receiverClass() {
  VmRef mirror = 0;
  vsNativeMethod_getThis(&mirror);
  return vsRef_as<ClassMirror>(mirror)->classRecord.raw;
}

// The Java name of a class: its length, and its units written to out when
// out is given. Array classes: one '[' per dimension, then the primitive
// letter or 'L', the dotted element name and ';'.
int32_t javaName(const ClassRecord* cls, uint16_t* out) {
  int32_t n = 0;
  auto put = [&](uint16_t unit) {
    if (out != nullptr) out[n] = unit;
    ++n;
  };
  const bool array = vsClass_isArrayClass(cls);
  while (vsClass_isArrayClass(cls)) {
    put('[');
    const VmRef r = vsRef_of(cls);
    if (vsClass_isTypeArrayClass(&r)) {
      // Item 6 of a primitive array class's info holds its element's basic type.
      put(static_cast<uint8_t>(vsBasicType_letter(static_cast<int32_t>(cls->classInfo->methods))));
      return n;
    }
    cls = vsRef_as<ClassRecord>(cls->elementOrLink);
  }
  if (array) put('L');
  const VmSymbol* name = vsClass_name(cls);
  for (uint32_t i = 0; i < name->length; ++i) put(name->bytes[i] == '/' ? '.' : name->bytes[i]);
  if (array) put(';');
  return n;
}

// Application code asking for a class of the image that is not open to it:
// the platform's class-source check decides (no archive); an accepted class
// is opened, so that it is asked once. False with NoClassDefFoundError
// pending when the check objects.
bool passesClassSourceCheck(ClassRecord* cls) {
  if (!vsObject_isInRomImage(vsRef_of(cls)) || vsClass_isOpen(cls)) return true;
  const MethodRecord* caller = vsNativeMethod_javaFrameMethod(0);
  if (caller == nullptr || vsObject_isInRomImage(vsRef_of(vsMethod_holderClass(caller)))) return true;
  const VmSymbol* name = vsClass_name(cls);
  if (vsSys_checkClassSource(reinterpret_cast<const char*>(name->bytes), name->length, nullptr) != 0) {
    vsException_raise(kNoClassDefFoundClass, nullptr);
    return false;
  }
  vsClass_setOpen(cls);
  return true;
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

extern "C" void Java_java_lang_Class_prepareMethods() {
  VmHandle cls;
  vsHandle_push(&cls, receiverClass());
  vsClass_setupMethodEntries(&cls.object);
  vsHandle_close(&cls);
}

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

extern "C" void Java_java_lang_Class_isArray() {
  vsNativeMethod_setReturnInt(vsClass_isArrayClass(vsRef_as<ClassRecord>(receiverClass())) ? 1 : 0);
}

extern "C" void Java_java_lang_Class_getName() {
  vsNativeMethod_setReturnInt(0);
  VmHandle units;
  vsHandle_push(&units, vsJavaHeap_newCharArray(javaName(vsRef_as<ClassRecord>(receiverClass()), nullptr)));
  if (units.object != 0) {
    // The class is read again: the allocation may have moved it.
    javaName(vsRef_as<ClassRecord>(receiverClass()), vsRef_as<CharArray>(units.object)->elements);
    vsNativeMethod_setReturnInt(static_cast<int32_t>(
        vsJavaHeap_newString(&units.object, 0, vsRef_as<CharArray>(units.object)->length)));
  }
  vsHandle_close(&units);
}

extern "C" void Java_java_lang_Class_forName() {
  vsNativeMethod_setReturnInt(0);
  VmHandle name;
  vsHandle_pushEmpty(&name);
  vsNativeMethod_getParameterObject(1, &name.object);
  if (name.object == 0) {
    vsException_raiseWithCode(kNullPointerClass, 0);
    vsHandle_close(&name);
    return;
  }
  name.object = vsSymbol_fromString(&name.object, true);
  if (name.object != 0) {
    ClassLookup lookup;
    vsClassLookup_init(&lookup, &name.object, 0, 0, 0);
    name.object = vsClass_findOrLoad(&lookup);
  }
  if (name.object != 0 && passesClassSourceCheck(vsRef_as<ClassRecord>(name.object)) &&
      (!vsClass_isInstanceClass(&name.object) || vsClass_initialize(&name.object, &vsVmGlobals.currentThread) != 0))
    vsNativeMethod_setReturnInt(static_cast<int32_t>(vsRef_as<ClassRecord>(name.object)->mirror.raw));
  vsHandle_close(&name);
}

extern "C" void Java_java_lang_Class_newInstance() {
  vsNativeMethod_setReturnInt(0);
  VmHandle cls;
  vsHandle_push(&cls, receiverClass());
  const MethodRecord* caller = vsNativeMethod_javaFrameMethod(0);
  const ClassRecord* callerClass = caller != nullptr ? vsMethod_holderClass(caller) : nullptr;
  const bool instantiable = vsClass_isInstanceClass(&cls.object) &&
                            (vsRef_as<ClassRecord>(cls.object)->classInfo->accessFlags &
                             (kClassAbstract | kClassInterface)) == 0;
  // The class is initialised first: its initialisation runs before the
  // constructor that follows it in the pending calls.
  if (!instantiable || vsClass_initialize(&cls.object, &vsVmGlobals.currentThread) != 0) {
    const VmRef object = vsClass_newInstanceWithConstructorCall(&cls.object, callerClass);
    if (object != 0) vsNativeMethod_setReturnInt(static_cast<int32_t>(object));
  }
  vsHandle_close(&cls);
}

extern "C" void Java_java_lang_Class_isInstance() {
  VmHandle object, self;
  vsHandle_pushEmpty(&object);
  vsHandle_pushEmpty(&self);
  vsNativeMethod_getParameterObject(1, &object.object);
  vsNativeMethod_getThis(&self.object);
  vsNativeMethod_setReturnInt(object.object != 0 && vsNativeMethod_isInstanceOf(&object.object, &self.object));
  vsHandle_close(&object);
}

extern "C" void Java_java_lang_Class_isAssignableFrom() {
  VmHandle other, self;
  vsHandle_pushEmpty(&other);
  vsHandle_pushEmpty(&self);
  vsNativeMethod_getParameterObject(1, &other.object);
  vsNativeMethod_getThis(&self.object);
  if (other.object == 0)
    vsException_raiseWithCode(kNullPointerClass, 0);
  else
    vsNativeMethod_setReturnInt(vsNativeMethod_isAssignableFrom(&other.object, &self.object));
  vsHandle_close(&other);
}
