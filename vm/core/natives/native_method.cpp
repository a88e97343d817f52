// The native-method interface (see native_method.h).
#include "vm/core/natives/native_method.h"

#include <cstring>

#include "vm/core/interp/exceptions.h"
#include "vm/core/interp/frame_iterator.h"
#include "vm/core/interp/method_helpers.h"
#include "vm/core/interp/native_bodies.h"
#include "vm/core/loader/class_loading.h"
#include "vm/core/loader/class_tables.h"
#include "vm/core/memory/finalization.h"
#include "vm/core/memory/heap_allocators.h"
#include "vm/core/memory/string_factory.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/class_relations.h"
#include "vm/core/model/handles.h"
#include "vm/core/model/method_access.h"
#include "vm/core/model/object_helpers.h"
#include "vm/core/model/roots.h"
#include "vm/core/model/symbols.h"
#include "vm/core/model/vm_globals.h"
#include "vm/core/natives/native_hooks.h"
#include "vm/core/startup/output_stream.h"
#include "vm/core/startup/vm_control.h"
#include "vm/core/threads/thread_record.h"

namespace {

constexpr int32_t kNativeFatalCode = 134;

VmWord parameterWord(uint32_t i) {
  return *vsWord_toPointer<VmWord>(vsVmGlobals.nativeParameterPointer - 4 * i);
}

ThreadRecord* currentThread() { return vsRef_as<ThreadRecord>(vsVmGlobals.currentThread); }

// The mirror of a class record, 0 for none.
VmRef mirrorOf(const ClassRecord* cls) { return cls != nullptr ? cls->mirror.raw : 0; }

// The class record behind a handle that holds a Class object.
ClassRecord* classOfMirror(const VmRef* classHandle) {
  return vsRef_as<ClassMirror>(*classHandle)->classRecord.get();
}

// The primitive array class (root 4 to 11) of a descriptor letter, 0 for
// any other letter.
VmRef primitiveArrayClass(char letter) {
  static constexpr struct {
    char letter;
    Root root;
  } kPrimitiveArrays[] = {{'Z', kRootBooleanArray}, {'C', kRootCharArray}, {'F', kRootFloatArray},
                          {'D', kRootDoubleArray},  {'B', kRootByteArray}, {'S', kRootShortArray},
                          {'I', kRootIntArray},     {'J', kRootLongArray}};
  for (const auto& p : kPrimitiveArrays)
    if (p.letter == letter) return vsRoot(p.root);
  return 0;
}

// The loaded, initialised instance class of the name (length bytes), or 0.
VmRef initialisedClass(const char* name, size_t length) {
  const VmRef symbol =
      vsSymbol_intern(reinterpret_cast<const uint8_t*>(name), static_cast<int32_t>(length), true);
  if (symbol == 0) return 0;
  const VmRef cls = vsClass_findLoaded(symbol);
  if (cls == 0 || !vsClass_isInitialized(vsRef_as<ClassRecord>(cls))) return 0;
  return cls;
}

// The class record of an array name, its innermost instance class already
// loaded and initialised; 0 otherwise (an exception of the array-class
// creation stays pending for the caller to clear).
VmRef arrayClassOfName(const char* name) {
  const size_t length = std::strlen(name);
  size_t dims = 0;
  while (dims < length && name[dims] == '[') ++dims;
  if (dims == length) return 0;
  VmHandle element;
  vsHandle_pushEmpty(&element);
  size_t arrayDims = dims;
  if (name[dims] == 'L') {
    if (name[length - 1] == ';' && length > dims + 2)
      element.object = initialisedClass(name + dims + 1, length - dims - 2);
  } else if (length == dims + 1) {
    element.object = primitiveArrayClass(name[dims]);
    --arrayDims;
  }
  VmRef result = element.object;
  if (result != 0 && arrayDims > 0)
    result = vsClass_arrayClass(&element.object, static_cast<int32_t>(arrayDims));
  vsHandle_close(&element);
  return result;
}

// A pending exception raised by the interface's own lookups is cleared.
void clearPending() { vsPendingException() = 0; }

// Throws as vsNativeMethod_throwExceptionWithMessage describes.
int32_t throwNamed(const char* className, const char* message) {
  const VmRef exception = vsException_create(className, message);
  if (exception == 0) return -1;  // OutOfMemoryError is pending
  vsPendingException() = exception;
  if (exception == vsVmGlobals.threadKillObject) return 0;
  // vsException_create puts java/lang/Error naming the class in place of a
  // class it cannot have.
  const VmSymbol* made = vsClass_name(vsObject_class(exception));
  const size_t length = std::strlen(className);
  return vsSymbol_equalsBytes(made, reinterpret_cast<const uint8_t*>(className),
                              static_cast<uint32_t>(length))
             ? 0
             : -1;
}

}  // namespace

uint32_t vsNativeMethod_getParameterBoolean(uint32_t i) { return parameterWord(i) & 0xFF; }

int32_t vsNativeMethod_getParameterByte(uint32_t i) { return static_cast<int8_t>(parameterWord(i) & 0xFF); }

uint32_t vsNativeMethod_getParameterChar(uint32_t i) { return parameterWord(i) & 0xFFFF; }

int32_t vsNativeMethod_getParameterShort(uint32_t i) {
  return static_cast<int16_t>(parameterWord(i) & 0xFFFF);
}

int32_t vsNativeMethod_getParameterInt(uint32_t i) { return static_cast<int32_t>(parameterWord(i)); }

uint32_t vsNativeMethod_getParameterFloat(uint32_t i) { return parameterWord(i); }

void vsNativeMethod_getParameterLong(uint32_t i, uint32_t* high, uint32_t* low) {
  *high = parameterWord(i);
  *low = parameterWord(i + 1);
}

void vsNativeMethod_getParameterDouble(uint32_t i, uint32_t* high, uint32_t* low) {
  vsNativeMethod_getParameterLong(i, high, low);
}

void vsNativeMethod_getThis(VmRef* slot) { *slot = parameterWord(0); }

void vsNativeMethod_getParameterObject(uint32_t i, VmRef* slot) { *slot = parameterWord(i); }

VmRef vsNativeMethod_getThisObject() { return parameterWord(0); }

int64_t vsNativeMethod_popLong() {
  const VmWord* words = vsWord_toPointer<VmWord>(vsNative_popPointer);
  const uint64_t value = uint64_t{words[1]} << 32 | words[0];
  vsNative_popPointer = vsNative_popPointer + 8;
  return static_cast<int64_t>(value);
}

int32_t vsNativeMethod_popInt() {
  const VmWord word = *vsWord_toPointer<VmWord>(vsNative_popPointer);
  vsNative_popPointer = vsNative_popPointer + 4;
  return static_cast<int32_t>(word);
}

void vsNativeMethod_setReturnInt(int32_t value) { currentThread()->resultLow = static_cast<VmWord>(value); }

void vsNativeMethod_setReturnLong(uint32_t low, uint32_t high) {
  currentThread()->resultLow = low;
  currentThread()->resultHigh = high;
}

int32_t vsNativeMethod_throwException(const char* className) { return throwNamed(className, nullptr); }

int32_t vsNativeMethod_throwExceptionWithMessage(const char* className, const char* message) {
  return throwNamed(className, message);
}

void vsNativeMethod_throwOutOfMemoryError() { vsException_throwOutOfMemoryError(); }

void vsNativeMethod_fatalError(const char* message) {
  vsOutputStream_printLine(vsOutputStream_log(), "%s", message);
  vsVm_fatalErrorCode(kNativeFatalCode);
}

void vsNativeMethod_fatalOutOfMemory() { vsNativeMethod_fatalError("OutOfMemoryError"); }

void vsNativeMethod_exit(int32_t status) { vsSys_abort(status); }

void vsNativeMethod_findClassInto(const char* name, VmRef* out) {
  *out = 0;
  const VmRef cls = (name[0] == '[' && name[1] != '\0') ? arrayClassOfName(name)
                                                        : initialisedClass(name, std::strlen(name));
  clearPending();
  *out = mirrorOf(vsRef_as<ClassRecord>(cls));
}

void vsNativeMethod_loadClassInto(const char* name, VmRef* out) {
  *out = 0;
  if (name[0] == '[') return;
  const VmRef cls = vsClass_findOrLoadByName(name, 1);
  clearPending();
  *out = mirrorOf(vsRef_as<ClassRecord>(cls));
}

VmRef vsNativeMethod_lookupClass(const char* name) {
  VmHandle out;
  vsHandle_pushEmpty(&out);
  vsNativeMethod_loadClassInto(name, &out.object);
  const VmRef result = out.object;
  vsHandle_close(&out);
  return result;
}

void vsNativeMethod_getSuperclassInto(const VmRef* classHandle, VmRef* out) {
  *out = 0;
  *out = mirrorOf(classOfMirror(classHandle)->superClass.get());
}

int32_t vsNativeMethod_isAssignableFrom(const VmRef* classHandleA, const VmRef* classHandleB) {
  const ClassRecord* a = classOfMirror(classHandleA);
  const ClassRecord* b = classOfMirror(classHandleB);
  return a == b || vsClass_isAssignable(a, b) ? 1 : 0;
}

void vsNativeMethod_getObjectClass(const VmRef* objHandle, VmRef* out) {
  *out = 0;
  if (*objHandle != 0) *out = mirrorOf(vsObject_class(*objHandle));
}

int32_t vsNativeMethod_isInstanceOf(const VmRef* objHandle, const VmRef* classHandle) {
  if (*objHandle == 0) return 1;
  const ClassRecord* cls = vsObject_class(*objHandle);
  const ClassRecord* target = classOfMirror(classHandle);
  return cls == target || vsClass_isAssignable(cls, target) ? 1 : 0;
}

int32_t vsNativeMethod_isSameObject(const VmRef* handleA, const VmRef* handleB) {
  return *handleA == *handleB ? 1 : 0;
}

int32_t vsNativeMethod_getClassNumber(const VmRef* objHandle) {
  return vsClass_id(vsObject_class(*objHandle)) + 1;
}

int32_t vsNativeMethod_getClassNumberByName(const char* name) {
  const VmRef symbol = vsSymbol_fromCString(name, true);
  const VmRef cls = symbol != 0 ? vsClass_findLoaded(symbol) : 0;
  clearPending();
  return cls != 0 ? vsClass_id(vsRef_as<ClassRecord>(cls)) + 1 : 0;
}

int32_t vsNativeMethod_getStringLength(const VmRef* strHandle) {
  return *strHandle == 0 ? -1 : vsRef_as<StringObject>(*strHandle)->count;
}

void vsNativeMethod_getStringRegion(const VmRef* strHandle, int32_t start, int32_t len, uint16_t* buffer) {
  const StringObject* s = vsRef_as<StringObject>(*strHandle);
  const uint16_t* units = vsRef_as<CharArray>(s->value)->elements + s->offset + start;
  std::memcpy(buffer, units, sizeof(uint16_t) * static_cast<size_t>(len));
}

void vsNativeMethod_newStringInHandle(const uint16_t* chars, int32_t len, VmRef* out) {
  *out = 0;
  VmHandle value;
  vsHandle_push(&value, vsJavaHeap_newCharArray(len));
  if (value.object != 0) {
    if (len > 0)
      std::memcpy(vsRef_as<CharArray>(value.object)->elements, chars,
                  sizeof(uint16_t) * static_cast<size_t>(len));
    *out = vsJavaHeap_newString(&value.object, 0, len);
  }
  clearPending();
  vsHandle_close(&value);
}

void vsNativeMethod_newStringUtf8Into(const char* utf8, VmRef* out) {
  *out = 0;
  const VmRef s = vsJavaHeap_newStringFromUtf8(reinterpret_cast<const uint8_t*>(utf8),
                                               static_cast<int32_t>(std::strlen(utf8)));
  clearPending();
  *out = s;
}

namespace {

// The method of a Java frame of the current thread, walking through guard
// frames into interrupted chunks: the innermost frame when ownFrame, else
// the frame `index` levels above the running native (whose own frame, in
// the bytecode form, is not counted). Null when the stack is shorter.
MethodRecord* frameMethod(int32_t index, bool ownFrame) {
  FrameIterator it;
  vsFrameIterator_open(&it, vsVmGlobals.currentThread);
  MethodRecord* method = nullptr;
  bool first = true;
  while (it.framePointer != 0) {
    if (vsFrame_isChunkEnd(&it)) {
      if (vsFrame_isStackBottom(&it)) break;
      vsFrame_nextChunk(&it);
      continue;
    }
    if (!vsFrame_isGrowthFrame(&it)) {
      MethodRecord* m = vsFrame_method(&it);
      if (ownFrame) {
        method = m;
        break;
      }
      const bool nativeFrame = first && vsMethod_isNative(m);
      first = false;
      if (!nativeFrame && index-- == 0) {
        method = m;
        break;
      }
    }
    vsFrame_caller(&it);
  }
  vsFrameIterator_close(&it);
  return method;
}

bool holderNamed(const MethodRecord* method, const char* className, size_t length) {
  return vsSymbol_equalsBytes(vsClass_name(vsMethod_holderClass(method)),
                              reinterpret_cast<const uint8_t*>(className), static_cast<uint32_t>(length));
}

}  // namespace

MethodRecord* vsNativeMethod_javaFrameMethod(int32_t index) { return frameMethod(index, false); }

const char* vsNativeMethod_getCallerClassNameAt(int32_t depth, int32_t* outLen) {
  *outLen = 0;
  const MethodRecord* method = vsNativeMethod_javaFrameMethod(depth);
  if (method == nullptr) return nullptr;
  const VmSymbol* name = vsClass_name(vsMethod_holderClass(method));
  *outLen = name->length;
  return reinterpret_cast<const char*>(name->bytes);
}

const char* vsNativeMethod_getCallerClassName(int32_t* outLen) {
  const char* name = vsNativeMethod_getCallerClassNameAt(0, outLen);
  // Class.newInstance asks on behalf of its own caller.
  if (name != nullptr) {
    const MethodRecord* method = vsNativeMethod_javaFrameMethod(0);
    static constexpr char kClassName[] = "java/lang/Class";
    static constexpr char kNewInstance[] = "newInstance";
    if (holderNamed(method, kClassName, sizeof kClassName - 1) &&
        vsSymbol_equalsBytes(vsRef_as<VmSymbol>(vsMethod_name(method)),
                             reinterpret_cast<const uint8_t*>(kNewInstance), sizeof kNewInstance - 1))
      name = vsNativeMethod_getCallerClassNameAt(1, outLen);
  }
  return name;
}

const char* vsNativeMethod_findCallerMethodOfClass(int32_t* inOutDepth, const char* className,
                                                   int32_t* outLen) {
  *outLen = 0;
  const size_t length = std::strlen(className);
  for (int32_t index = *inOutDepth;; ++index) {
    const MethodRecord* method = vsNativeMethod_javaFrameMethod(index);
    if (method == nullptr) return nullptr;
    if (holderNamed(method, className, length)) {
      *inOutDepth -= index - *inOutDepth + 1;
      const VmSymbol* name = vsRef_as<VmSymbol>(vsMethod_name(method));
      *outLen = name->length;
      return reinterpret_cast<const char*>(name->bytes);
    }
  }
}

void vsNativeMethod_getCurrentClass(VmRef* out) {
  *out = 0;
  if (vsFinalizer_lists.running != 0) {
    const VmRef object = vsNativeMethod_getThisObject();
    *out = object != 0 ? mirrorOf(vsObject_class(object)) : 0;
    return;
  }
  const MethodRecord* method = frameMethod(0, true);
  if (method != nullptr) *out = mirrorOf(vsMethod_holderClass(method));
}

int32_t vsNativeMethod_newObjectOfClass(const VmRef* classHandle, VmRef* out) {
  *out = 0;
  VmHandle cls;
  vsHandle_push(&cls, vsRef_of(classOfMirror(classHandle)));
  *out = vsJavaHeap_newFinalizableInstance(&cls.object);
  vsHandle_close(&cls);
  const VmRef failure = vsPendingException();
  clearPending();
  return static_cast<int32_t>(failure);
}

int32_t vsNativeMethod_newObjectByName(const char* name, VmRef* out) {
  *out = 0;
  VmHandle cls;
  vsHandle_push(&cls, name[0] == '[' ? 0 : vsClass_findOrLoadByName(name, 1));
  if (cls.object != 0) *out = vsJavaHeap_newFinalizableInstance(&cls.object);
  vsHandle_close(&cls);
  const VmRef failure = vsPendingException();
  clearPending();
  return static_cast<int32_t>(failure);
}

int64_t vsNativeMethod_popDouble() { return vsNativeMethod_popLong(); }

void vsNativeMethod_setReturnDouble(uint32_t low, uint32_t high) { vsNativeMethod_setReturnLong(low, high); }

int32_t vsNative_isInstanceOfAny(const VmRef* objHandle, const char* const* classNames) {
  VmHandle cls;
  vsHandle_pushEmpty(&cls);
  int32_t result = 0;
  for (const char* const* name = classNames; *name != nullptr && result == 0; ++name) {
    vsNativeMethod_findClassInto(*name, &cls.object);
    if (cls.object != 0) result = vsNativeMethod_isInstanceOf(objHandle, &cls.object);
  }
  vsHandle_close(&cls);
  return result;
}
