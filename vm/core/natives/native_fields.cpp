// Typed field access for natives (see native_fields.h).
#include "vm/core/natives/native_fields.h"

#include <cstring>
#include <type_traits>

#include "ce/substrate/fatal.h"
#include "vm/core/loader/field_descriptors.h"
#include "vm/core/memory/write_barrier.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/descriptors.h"
#include "vm/core/model/model_flags.h"
#include "vm/core/model/symbols.h"
#include "vm/core/model/vm_globals.h"
#include "vm/core/natives/native_method.h"
#include "vm/core/natives/native_roots.h"
#include "vm/core/startup/printf.h"

namespace {

// The size of the message buffer of a failed field-id lookup.
constexpr int32_t kFieldMessageBytes = 512;

// Ends the VM: a native asked for a field that its own class declares.
[[noreturn]] void missingField(const char* name, const char* signature) {
  char message[kFieldMessageBytes];
  vsPrintf_snprintf(message, sizeof message, "Could not get field. name %s type %s\n", name, signature);
  vsNativeMethod_fatalError(message);
}

ClassRecord* classOfMirror(VmRef mirror) { return vsRef_as<ClassMirror>(mirror)->classRecord.get(); }

// The field of the class with the name and signature (found as the
// interpreter's lookup finds it: the class, its interfaces, then up the
// superclass chain); false when there is none. Lookups that allocate may
// move objects: callers keep theirs in local frames.
bool findField(const VmRef* classHandle, const char* name, const char* signature, vsFieldDesc* desc) {
  const VmRef nameSymbol = vsSymbol_fromCString(name, true);
  const VmRef type = vsDescriptor_parse({reinterpret_cast<const uint8_t*>(signature), nullptr, 0,
                                         static_cast<uint32_t>(std::strlen(signature))});
  vsPendingException() = 0;
  return nameSymbol != 0 && type != 0 && vsField_find(desc, classOfMirror(*classHandle), nameSymbol, type);
}

bool isStaticField(const vsFieldDesc& desc) { return (desc.accessFlags & kFieldStatic) != 0; }

// The narrow signatures, whose ids are byte offsets.
bool isNarrowSignature(const char* signature) {
  return signature[0] != '\0' && signature[1] == '\0' && std::strchr("ZBCS", signature[0]) != nullptr;
}

int32_t idOfOffset(const char* signature, int32_t offset) {
  return isNarrowSignature(signature) ? offset : offset / 4 - 1;
}

// The address of a field by id.
uint8_t* fieldById(int32_t id, VmRef object, bool narrow) {
  VS_ASSERT(object != 0, "field of null");
  const int32_t offset = narrow ? id : 4 + 4 * id;
  VS_ASSERT(offset >= 4 && offset < vsObject_class(object)->instanceKind, "field id out of the instance");
  return vsWord_toPointer<uint8_t>(object) + offset;
}

// The address of a field by byte offset in the object of a handle.
uint8_t* fieldAt(const VmRef* objHandle, int32_t offset) {
  VS_ASSERT(*objHandle != 0, "field of null");
  VS_ASSERT(offset >= 4 && offset < vsObject_class(*objHandle)->instanceKind,
            "field offset out of the instance");
  return vsWord_toPointer<uint8_t>(*objHandle) + offset;
}

// The address of a static slot of the class of a Class object.
uint8_t* staticAt(const VmRef* classHandle, int32_t offset) {
  VS_ASSERT(*classHandle != 0, "static field of null");
  ClassRecord* cls = classOfMirror(*classHandle);
  VS_ASSERT(offset >= static_cast<int32_t>(kFirstStaticOffset) && offset < cls->recordSize,
            "static offset out of the class record");
  return reinterpret_cast<uint8_t*>(cls) + offset;
}

template <typename T>
T load(const uint8_t* at) {
  T value;
  std::memcpy(&value, at, sizeof value);
  return value;
}

template <typename T>
void store(uint8_t* at, T value) {
  std::memcpy(at, &value, sizeof value);
}

int64_t loadLong(const uint8_t* at) {
  return static_cast<int64_t>(uint64_t{load<uint32_t>(at + 4)} << 32 | load<uint32_t>(at));
}

void storeLong(uint8_t* at, uint32_t low, uint32_t high) {
  store<uint32_t>(at, low);
  store<uint32_t>(at + 4, high);
}

void storeReference(uint8_t* at, VmRef value) {
  vsJavaHeap_storeReference(reinterpret_cast<VmWord*>(at), value);
}

// A narrow value read at the width its signature's letter gives.
int32_t loadBySignature(const uint8_t* at, char letter) {
  switch (letter) {
    case 'B':
      return load<int8_t>(at);
    case 'S':
      return load<int16_t>(at);
    case 'C':
      return load<uint16_t>(at);
    case 'Z':
      return load<uint8_t>(at);
    default:
      return load<int32_t>(at);
  }
}

// A value as the whole static slot keeps it: narrow ones widened.
int32_t widenBySignature(int32_t value, char letter) {
  switch (letter) {
    case 'Z':
      return value & 0xFF;
    case 'B':
      return static_cast<int8_t>(value);
    case 'C':
      return value & 0xFFFF;
    case 'S':
      return static_cast<int16_t>(value);
    default:
      return value;
  }
}

// One local frame of one slot around the body, which sees the slot.
template <typename Body>
auto withSlot(VmRef object, Body body) {
  NativeFrame frame;
  VmRef slot;
  vsNativeMethod_pushLocalFrame(1, &frame, &slot);
  slot = object;
  if constexpr (std::is_void_v<decltype(body(&slot))>) {
    body(&slot);
    vsNativeMethod_popLocalFrame(&frame);
  } else {
    auto result = body(&slot);
    vsNativeMethod_popLocalFrame(&frame);
    return result;
  }
}

// The byte offset of an instance field of the object's class (the object
// in a slot of a local frame: the lookup may allocate); the VM ends as
// vsNativeMethod_getFieldId does when the field is missing.
int32_t instanceOffset(const char* name, const char* signature, VmRef* objectSlot) {
  NativeFrame frame;
  VmRef cls;
  vsNativeMethod_pushLocalFrame(1, &frame, &cls);
  cls = vsRef_of(vsClass_mirror(vsObject_class(*objectSlot)));
  const int32_t offset = vsNativeMethod_getFieldOffset(&cls, name, signature);
  vsNativeMethod_popLocalFrame(&frame);
  if (offset == 0) missingField(name, signature);
  return offset;
}

// The address of a static slot of an initialised class by name: null when
// the class is not initialised; the VM ends with the operation's message
// when the field is missing. Nothing allocates after the address is taken.
uint8_t* staticByName(const char* name, const char* signature, const char* className, const char* operation) {
  NativeFrame frame;
  VmRef cls;
  vsNativeMethod_pushLocalFrame(1, &frame, &cls);
  vsNativeMethod_findClassInto(className, &cls);
  uint8_t* at = nullptr;
  if (cls != 0) {
    const int32_t offset = vsNativeMethod_getStaticFieldOffset(&cls, name, signature);
    if (offset == 0) {
      char message[kFieldMessageBytes];
      vsPrintf_snprintf(message, sizeof message, "%s: no such field", operation);
      vsNativeMethod_fatalError(message);
    }
    at = staticAt(&cls, offset);
  }
  vsNativeMethod_popLocalFrame(&frame);
  return at;
}

}  // namespace

int32_t vsNativeMethod_findFieldOffset(const VmRef* classHandle, const char* name, const char* signature,
                                       int32_t isStatic) {
  vsFieldDesc desc;
  if (!findField(classHandle, name, signature, &desc)) return 0;
  if (isStaticField(desc) != (isStatic != 0)) return 0;
  if (isStaticField(desc) && desc.cls != vsRef_of(classOfMirror(*classHandle))) return 0;
  return static_cast<int32_t>(desc.offset);
}

int32_t vsNativeMethod_getFieldOffset(const VmRef* classHandle, const char* name, const char* signature) {
  return vsNativeMethod_findFieldOffset(classHandle, name, signature, 0);
}

int32_t vsNativeMethod_getStaticFieldOffset(const VmRef* classHandle, const char* name,
                                            const char* signature) {
  return vsNativeMethod_findFieldOffset(classHandle, name, signature, 1);
}

int32_t vsNativeMethod_getFieldId(const char* name, const char* signature, VmRef classRef) {
  const int32_t offset = withSlot(classRef, [&](VmRef* cls) {
    return *cls != 0 ? vsNativeMethod_getFieldOffset(cls, name, signature) : 0;
  });
  if (offset == 0) missingField(name, signature);
  return idOfOffset(signature, offset);
}

int32_t vsNativeMethod_getFieldIdByClassName(const char* name, const char* signature, const char* className) {
  return vsNativeMethod_getFieldId(name, signature, vsNativeMethod_lookupClass(className));
}

int32_t vsNativeMethod_getBooleanFieldId(const char* name, VmRef classRef) {
  return vsNativeMethod_getFieldId(name, "Z", classRef);
}

int32_t vsNativeMethod_getFieldByName(const char* name, const char* signature, VmRef objectRef) {
  return withSlot(objectRef, [&](VmRef* object) {
    const int32_t offset = instanceOffset(name, signature, object);
    return isNarrowSignature(signature) ? loadBySignature(fieldAt(object, offset), signature[0])
                                        : load<int32_t>(fieldAt(object, offset));
  });
}

void vsNativeMethod_setFieldByName(const char* name, const char* signature, VmRef objectRef, int32_t value) {
  withSlot(objectRef, [&](VmRef* object) {
    uint8_t* at = fieldAt(object, instanceOffset(name, signature, object));
    switch (isNarrowSignature(signature) ? signature[0] : 'I') {
      case 'Z':
      case 'B':
        store<uint8_t>(at, static_cast<uint8_t>(value));
        break;
      case 'S':
      case 'C':
        store<uint16_t>(at, static_cast<uint16_t>(value));
        break;
      default:
        store<int32_t>(at, value);
        break;
    }
  });
}

uint32_t vsNativeMethod_getBooleanField(int32_t id, VmRef object) {
  return load<uint8_t>(fieldById(id, object, true));
}
void vsNativeMethod_setBooleanField(int32_t id, VmRef object, int32_t value) {
  store<uint8_t>(fieldById(id, object, true), static_cast<uint8_t>(value & 0xFF));
}
int32_t vsNativeMethod_getByteField(int32_t id, VmRef object) {
  return load<int8_t>(fieldById(id, object, true));
}
void vsNativeMethod_setByteField(int32_t id, VmRef object, int32_t value) {
  store<int8_t>(fieldById(id, object, true), static_cast<int8_t>(value));
}
int32_t vsNativeMethod_getShortField(int32_t id, VmRef object) {
  return load<int16_t>(fieldById(id, object, true));
}
void vsNativeMethod_setShortField(int32_t id, VmRef object, int32_t value) {
  store<int16_t>(fieldById(id, object, true), static_cast<int16_t>(value));
}
int32_t vsNativeMethod_getIntField(int32_t id, VmRef object) {
  return load<int32_t>(fieldById(id, object, false));
}
void vsNativeMethod_setIntField(int32_t id, VmRef object, int32_t value) {
  store<int32_t>(fieldById(id, object, false), value);
}
uint32_t vsNativeMethod_getFloatField(int32_t id, VmRef object) {
  return load<uint32_t>(fieldById(id, object, false));
}
void vsNativeMethod_setFloatField(int32_t id, VmRef object, uint32_t value) {
  store<uint32_t>(fieldById(id, object, false), value);
}
VmRef vsNativeMethod_getObjectField(int32_t id, VmRef object) {
  return load<VmRef>(fieldById(id, object, false));
}
void vsNativeMethod_setObjectField(int32_t id, VmRef object, VmRef value) {
  storeReference(fieldById(id, object, false), value);
}
VmWord vsNativeMethod_getWordField(int32_t id, VmRef object) {
  return load<VmWord>(fieldById(id, object, false));
}
void vsNativeMethod_setWordField(int32_t id, VmRef object, VmWord value) {
  store<VmWord>(fieldById(id, object, false), value);
}

VmRef vsNativeMethod_getObjectFieldByName(const char* name, const char* signature, VmRef objectRef) {
  return withSlot(objectRef, [&](VmRef* object) {
    return load<VmRef>(fieldAt(object, instanceOffset(name, signature, object)));
  });
}

void vsNativeMethod_setObjectFieldByName(const char* name, const char* signature, VmRef objectRef,
                                         VmRef value) {
  NativeFrame frame;
  VmRef slots[2];
  vsNativeMethod_pushLocalFrame(2, &frame, slots);
  slots[0] = objectRef;
  slots[1] = value;
  const int32_t offset = instanceOffset(name, signature, &slots[0]);
  storeReference(fieldAt(&slots[0], offset), slots[1]);
  vsNativeMethod_popLocalFrame(&frame);
}

int64_t vsNativeMethod_getLongFieldByName(const char* name, VmRef objectRef) {
  return withSlot(
      objectRef, [&](VmRef* object) { return loadLong(fieldAt(object, instanceOffset(name, "J", object))); });
}

void vsNativeMethod_setLongFieldByName(const char* name, VmRef objectRef, int64_t value) {
  withSlot(objectRef, [&](VmRef* object) {
    storeLong(fieldAt(object, instanceOffset(name, "J", object)), static_cast<uint32_t>(value),
              static_cast<uint32_t>(static_cast<uint64_t>(value) >> 32));
  });
}

uint32_t vsNativeMethod_getFloatFieldByName(const char* name, VmRef objectRef) {
  return withSlot(objectRef, [&](VmRef* object) {
    return load<uint32_t>(fieldAt(object, instanceOffset(name, "F", object)));
  });
}

void vsNativeMethod_setFloatFieldByName(const char* name, VmRef objectRef, uint32_t value) {
  withSlot(objectRef, [&](VmRef* object) {
    store<uint32_t>(fieldAt(object, instanceOffset(name, "F", object)), value);
  });
}

int64_t vsNativeMethod_getDoubleFieldByName(const char* name, VmRef objectRef) {
  return withSlot(
      objectRef, [&](VmRef* object) { return loadLong(fieldAt(object, instanceOffset(name, "D", object))); });
}

void vsNativeMethod_setDoubleFieldByName(const char* name, VmRef objectRef, int64_t value) {
  withSlot(objectRef, [&](VmRef* object) {
    storeLong(fieldAt(object, instanceOffset(name, "D", object)), static_cast<uint32_t>(value),
              static_cast<uint32_t>(static_cast<uint64_t>(value) >> 32));
  });
}

int32_t vsNativeMethod_getStaticDataField(const char* name, const char* signature, const char* className) {
  const uint8_t* at = staticByName(name, signature, className, "vsNativeMethod_getStaticDataField");
  return at != nullptr ? loadBySignature(at, isNarrowSignature(signature) ? signature[0] : 'I') : 0;
}

void vsNativeMethod_setStaticDataField(const char* name, const char* signature, const char* className,
                                       int32_t value) {
  uint8_t* at = staticByName(name, signature, className, "vsNativeMethod_setStaticDataField");
  if (at != nullptr)
    store<int32_t>(at, widenBySignature(value, isNarrowSignature(signature) ? signature[0] : 'I'));
}

VmRef vsNativeMethod_getStaticObjectField(const char* name, const char* signature, const char* className) {
  const uint8_t* at = staticByName(name, signature, className, "vsNativeMethod_getStaticObjectField");
  return at != nullptr ? load<VmRef>(at) : 0;
}

void vsNativeMethod_setStaticObjectField(const char* name, const char* signature, const char* className,
                                         VmRef value) {
  withSlot(value, [&](VmRef* held) {
    uint8_t* at = staticByName(name, signature, className, "vsNativeMethod_setStaticObjectField");
    if (at != nullptr) storeReference(at, *held);
  });
}

int64_t vsNativeMethod_getStaticLongField(const char* name, const char* className) {
  const uint8_t* at = staticByName(name, "J", className, "vsNativeMethod_getStaticLongField");
  return at != nullptr ? loadLong(at) : 0;
}

void vsNativeMethod_setStaticLongField(const char* name, const char* className, int64_t value) {
  uint8_t* at = staticByName(name, "J", className, "vsNativeMethod_setStaticLongField");
  if (at != nullptr)
    storeLong(at, static_cast<uint32_t>(value), static_cast<uint32_t>(static_cast<uint64_t>(value) >> 32));
}

uint32_t vsNativeMethod_getStaticFloatField(const char* name, const char* className) {
  const uint8_t* at = staticByName(name, "F", className, "vsNativeMethod_getStaticFloatField");
  return at != nullptr ? load<uint32_t>(at) : 0;
}

void vsNativeMethod_setStaticFloatField(const char* name, const char* className, uint32_t value) {
  uint8_t* at = staticByName(name, "F", className, "vsNativeMethod_setStaticFloatField");
  if (at != nullptr) store<uint32_t>(at, value);
}

int64_t vsNativeMethod_getStaticDoubleField(const char* name, const char* className) {
  const uint8_t* at = staticByName(name, "D", className, "vsNativeMethod_getStaticDoubleField");
  return at != nullptr ? loadLong(at) : 0;
}

void vsNativeMethod_setStaticDoubleField(const char* name, const char* className, int64_t value) {
  uint8_t* at = staticByName(name, "D", className, "vsNativeMethod_setStaticDoubleField");
  if (at != nullptr)
    storeLong(at, static_cast<uint32_t>(value), static_cast<uint32_t>(static_cast<uint64_t>(value) >> 32));
}

void vsNativeMethod_getObjectFieldAt(const VmRef* objHandle, int32_t offset, VmRef* out) {
  *out = load<VmRef>(fieldAt(objHandle, offset));
}
void vsNativeMethod_setObjectFieldAt(const VmRef* objHandle, int32_t offset, const VmRef* valueHandle) {
  storeReference(fieldAt(objHandle, offset), *valueHandle);
}
uint32_t vsNativeMethod_getBooleanFieldAt(const VmRef* objHandle, int32_t offset) {
  return load<uint8_t>(fieldAt(objHandle, offset));
}
int32_t vsNativeMethod_getByteFieldAt(const VmRef* objHandle, int32_t offset) {
  return load<int8_t>(fieldAt(objHandle, offset));
}
uint32_t vsNativeMethod_getCharFieldAt(const VmRef* objHandle, int32_t offset) {
  return load<uint16_t>(fieldAt(objHandle, offset));
}
int32_t vsNativeMethod_getShortFieldAt(const VmRef* objHandle, int32_t offset) {
  return load<int16_t>(fieldAt(objHandle, offset));
}
int32_t vsNativeMethod_getIntFieldAt(const VmRef* objHandle, int32_t offset) {
  return load<int32_t>(fieldAt(objHandle, offset));
}
uint32_t vsNativeMethod_getFloatFieldAt(const VmRef* objHandle, int32_t offset) {
  return load<uint32_t>(fieldAt(objHandle, offset));
}
int64_t vsNativeMethod_getLongFieldAt(const VmRef* objHandle, int32_t offset) {
  return loadLong(fieldAt(objHandle, offset));
}
int64_t vsNativeMethod_getDoubleFieldAt(const VmRef* objHandle, int32_t offset) {
  return loadLong(fieldAt(objHandle, offset));
}
void vsNativeMethod_setBooleanFieldAt(const VmRef* objHandle, int32_t offset, int32_t value) {
  store<uint8_t>(fieldAt(objHandle, offset), static_cast<uint8_t>(value));
}
void vsNativeMethod_setByteFieldAt(const VmRef* objHandle, int32_t offset, int32_t value) {
  store<uint8_t>(fieldAt(objHandle, offset), static_cast<uint8_t>(value));
}
void vsNativeMethod_setCharFieldAt(const VmRef* objHandle, int32_t offset, int32_t value) {
  store<uint16_t>(fieldAt(objHandle, offset), static_cast<uint16_t>(value));
}
void vsNativeMethod_setShortFieldAt(const VmRef* objHandle, int32_t offset, int32_t value) {
  store<uint16_t>(fieldAt(objHandle, offset), static_cast<uint16_t>(value));
}
void vsNativeMethod_setIntFieldAt(const VmRef* objHandle, int32_t offset, int32_t value) {
  store<int32_t>(fieldAt(objHandle, offset), value);
}
void vsNativeMethod_setFloatFieldAt(const VmRef* objHandle, int32_t offset, uint32_t value) {
  store<uint32_t>(fieldAt(objHandle, offset), value);
}
void vsNativeMethod_setLongFieldAt(const VmRef* objHandle, int32_t offset, uint32_t low, uint32_t high) {
  storeLong(fieldAt(objHandle, offset), low, high);
}
void vsNativeMethod_setDoubleFieldAt(const VmRef* objHandle, int32_t offset, uint32_t low, uint32_t high) {
  storeLong(fieldAt(objHandle, offset), low, high);
}

uint32_t vsNativeMethod_getStaticBooleanFieldAt(const VmRef* classHandle, int32_t offset) {
  return load<uint8_t>(staticAt(classHandle, offset));
}
int32_t vsNativeMethod_getStaticByteFieldAt(const VmRef* classHandle, int32_t offset) {
  return load<int8_t>(staticAt(classHandle, offset));
}
uint32_t vsNativeMethod_getStaticCharFieldAt(const VmRef* classHandle, int32_t offset) {
  return load<uint16_t>(staticAt(classHandle, offset));
}
int32_t vsNativeMethod_getStaticShortFieldAt(const VmRef* classHandle, int32_t offset) {
  return load<int16_t>(staticAt(classHandle, offset));
}
int32_t vsNativeMethod_getStaticIntFieldAt(const VmRef* classHandle, int32_t offset) {
  return load<int32_t>(staticAt(classHandle, offset));
}
uint32_t vsNativeMethod_getStaticFloatFieldAt(const VmRef* classHandle, int32_t offset) {
  return load<uint32_t>(staticAt(classHandle, offset));
}
int64_t vsNativeMethod_getStaticLongFieldAt(const VmRef* classHandle, int32_t offset) {
  return loadLong(staticAt(classHandle, offset));
}
int64_t vsNativeMethod_getStaticDoubleFieldAt(const VmRef* classHandle, int32_t offset) {
  return loadLong(staticAt(classHandle, offset));
}
void vsNativeMethod_getStaticObjectFieldAt(const VmRef* classHandle, int32_t offset, VmRef* out) {
  *out = load<VmRef>(staticAt(classHandle, offset));
}
void vsNativeMethod_setStaticBooleanFieldAt(const VmRef* classHandle, int32_t offset, int32_t value) {
  store<int32_t>(staticAt(classHandle, offset), widenBySignature(value, 'Z'));
}
void vsNativeMethod_setStaticByteFieldAt(const VmRef* classHandle, int32_t offset, int32_t value) {
  store<int32_t>(staticAt(classHandle, offset), widenBySignature(value, 'B'));
}
void vsNativeMethod_setStaticCharFieldAt(const VmRef* classHandle, int32_t offset, int32_t value) {
  store<int32_t>(staticAt(classHandle, offset), widenBySignature(value, 'C'));
}
void vsNativeMethod_setStaticShortFieldAt(const VmRef* classHandle, int32_t offset, int32_t value) {
  store<int32_t>(staticAt(classHandle, offset), widenBySignature(value, 'S'));
}
void vsNativeMethod_setStaticIntFieldAt(const VmRef* classHandle, int32_t offset, int32_t value) {
  store<int32_t>(staticAt(classHandle, offset), value);
}
void vsNativeMethod_setStaticFloatFieldAt(const VmRef* classHandle, int32_t offset, uint32_t value) {
  store<uint32_t>(staticAt(classHandle, offset), value);
}
void vsNativeMethod_setStaticLongFieldAt(const VmRef* classHandle, int32_t offset, uint32_t low,
                                         uint32_t high) {
  storeLong(staticAt(classHandle, offset), low, high);
}
void vsNativeMethod_setStaticDoubleFieldAt(const VmRef* classHandle, int32_t offset, uint32_t low,
                                           uint32_t high) {
  storeLong(staticAt(classHandle, offset), low, high);
}
void vsNativeMethod_setStaticObjectFieldAt(const VmRef* classHandle, int32_t offset,
                                           const VmRef* valueHandle) {
  storeReference(staticAt(classHandle, offset), *valueHandle);
}
