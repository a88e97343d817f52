// Typed field access for natives: field lookups, fields of objects by id,
// by name and by byte offset, and static fields of a class by name or by
// byte offset.
//
//   object:  | class word | field at byte offset 4 | ...
//   class:   | 48-byte class record head | static slots from byte 48 |
//
// Instance fields lie at byte offsets from the object's start, narrow ones
// (boolean, byte, char, short) at their natural width; long and double take
// two words, low word first. A field id is the byte offset for a field of
// signature exactly "Z", "B", "C" or "S", else the word index offset/4 - 1
// (the field lies at object + 4 + 4*id). Every static slot is a whole word
// (two for long and double) in the class record behind word 1 of the Class
// object; narrow static values are kept widened (boolean & 0xFF, byte and
// short sign-extended, char & 0xFFFF).
//
// Three families: raw accessors on references (by id), handle accessors
// (objects in handle slots, by byte offset) and static accessors on Class
// handles. None checks its arguments in optimised builds: natives pass
// valid objects, ids and offsets; debug and sanitizer builds assert them.
// A lookup that finds nothing for a field the native's own class declares
// ends the VM (fatal error 134) with the message of its operation.
#pragma once

#include <cstdint>

#include "vm/core/model/object_layout.h"

// Lookups (Class objects in handles). The field's byte offset, 0 when it
// is missing, its static-ness differs from isStatic, or a static field is
// declared in a class other than the one given.
int32_t vsNativeMethod_findFieldOffset(const VmRef* classHandle, const char* name, const char* signature,
                                       int32_t isStatic);
int32_t vsNativeMethod_getFieldOffset(const VmRef* classHandle, const char* name, const char* signature);
int32_t vsNativeMethod_getStaticFieldOffset(const VmRef* classHandle, const char* name,
                                            const char* signature);

// The field id of an instance field of the class (a Class object); ends the
// VM with "Could not get field. name %s type %s\n" when there is none.
int32_t vsNativeMethod_getFieldId(const char* name, const char* signature, VmRef classRef);
int32_t vsNativeMethod_getFieldIdByClassName(const char* name, const char* signature, const char* className);
int32_t vsNativeMethod_getBooleanFieldId(const char* name, VmRef classRef);

// A field of an object by name, read and written at its own width: 'B' and
// 'S' sign-extended, 'C' and 'Z' unsigned; other signatures the word.
int32_t vsNativeMethod_getFieldByName(const char* name, const char* signature, VmRef objectRef);
void vsNativeMethod_setFieldByName(const char* name, const char* signature, VmRef objectRef, int32_t value);

// Raw fields by id.
uint32_t vsNativeMethod_getBooleanField(int32_t id, VmRef object);
void vsNativeMethod_setBooleanField(int32_t id, VmRef object, int32_t value);
int32_t vsNativeMethod_getByteField(int32_t id, VmRef object);
void vsNativeMethod_setByteField(int32_t id, VmRef object, int32_t value);
int32_t vsNativeMethod_getShortField(int32_t id, VmRef object);
void vsNativeMethod_setShortField(int32_t id, VmRef object, int32_t value);
int32_t vsNativeMethod_getIntField(int32_t id, VmRef object);
void vsNativeMethod_setIntField(int32_t id, VmRef object, int32_t value);
uint32_t vsNativeMethod_getFloatField(int32_t id, VmRef object);
void vsNativeMethod_setFloatField(int32_t id, VmRef object, uint32_t value);
VmRef vsNativeMethod_getObjectField(int32_t id, VmRef object);
// Through the write barrier.
void vsNativeMethod_setObjectField(int32_t id, VmRef object, VmRef value);
// The word at object + 4 + 4*id, without the write barrier: primitive
// values only.
VmWord vsNativeMethod_getWordField(int32_t id, VmRef object);
void vsNativeMethod_setWordField(int32_t id, VmRef object, VmWord value);

// Whole fields by name on objects (signature given, "J", "F" or "D").
VmRef vsNativeMethod_getObjectFieldByName(const char* name, const char* signature, VmRef objectRef);
void vsNativeMethod_setObjectFieldByName(const char* name, const char* signature, VmRef objectRef,
                                         VmRef value);
int64_t vsNativeMethod_getLongFieldByName(const char* name, VmRef objectRef);
void vsNativeMethod_setLongFieldByName(const char* name, VmRef objectRef, int64_t value);
uint32_t vsNativeMethod_getFloatFieldByName(const char* name, VmRef objectRef);
void vsNativeMethod_setFloatFieldByName(const char* name, VmRef objectRef, uint32_t value);
int64_t vsNativeMethod_getDoubleFieldByName(const char* name, VmRef objectRef);
void vsNativeMethod_setDoubleFieldByName(const char* name, VmRef objectRef, int64_t value);

// Static fields of a loaded and initialised class (internal name): a getter
// of any other class gives 0, a setter does nothing; a missing field ends
// the VM with "<operation>: no such field".
int32_t vsNativeMethod_getStaticDataField(const char* name, const char* signature, const char* className);
void vsNativeMethod_setStaticDataField(const char* name, const char* signature, const char* className,
                                       int32_t value);
VmRef vsNativeMethod_getStaticObjectField(const char* name, const char* signature, const char* className);
void vsNativeMethod_setStaticObjectField(const char* name, const char* signature, const char* className,
                                         VmRef value);
int64_t vsNativeMethod_getStaticLongField(const char* name, const char* className);
void vsNativeMethod_setStaticLongField(const char* name, const char* className, int64_t value);
uint32_t vsNativeMethod_getStaticFloatField(const char* name, const char* className);
void vsNativeMethod_setStaticFloatField(const char* name, const char* className, uint32_t value);
int64_t vsNativeMethod_getStaticDoubleField(const char* name, const char* className);
void vsNativeMethod_setStaticDoubleField(const char* name, const char* className, int64_t value);

// Instance fields of the object in a handle, by byte offset.
void vsNativeMethod_getObjectFieldAt(const VmRef* objHandle, int32_t offset, VmRef* out);
void vsNativeMethod_setObjectFieldAt(const VmRef* objHandle, int32_t offset, const VmRef* valueHandle);
uint32_t vsNativeMethod_getBooleanFieldAt(const VmRef* objHandle, int32_t offset);
int32_t vsNativeMethod_getByteFieldAt(const VmRef* objHandle, int32_t offset);
uint32_t vsNativeMethod_getCharFieldAt(const VmRef* objHandle, int32_t offset);
int32_t vsNativeMethod_getShortFieldAt(const VmRef* objHandle, int32_t offset);
int32_t vsNativeMethod_getIntFieldAt(const VmRef* objHandle, int32_t offset);
uint32_t vsNativeMethod_getFloatFieldAt(const VmRef* objHandle, int32_t offset);
int64_t vsNativeMethod_getLongFieldAt(const VmRef* objHandle, int32_t offset);
int64_t vsNativeMethod_getDoubleFieldAt(const VmRef* objHandle, int32_t offset);
void vsNativeMethod_setBooleanFieldAt(const VmRef* objHandle, int32_t offset, int32_t value);
void vsNativeMethod_setByteFieldAt(const VmRef* objHandle, int32_t offset, int32_t value);
void vsNativeMethod_setCharFieldAt(const VmRef* objHandle, int32_t offset, int32_t value);
void vsNativeMethod_setShortFieldAt(const VmRef* objHandle, int32_t offset, int32_t value);
void vsNativeMethod_setIntFieldAt(const VmRef* objHandle, int32_t offset, int32_t value);
void vsNativeMethod_setFloatFieldAt(const VmRef* objHandle, int32_t offset, uint32_t value);
void vsNativeMethod_setLongFieldAt(const VmRef* objHandle, int32_t offset, uint32_t low, uint32_t high);
void vsNativeMethod_setDoubleFieldAt(const VmRef* objHandle, int32_t offset, uint32_t low, uint32_t high);

// Static slots of the class of a Class object in a handle, by byte offset.
uint32_t vsNativeMethod_getStaticBooleanFieldAt(const VmRef* classHandle, int32_t offset);
int32_t vsNativeMethod_getStaticByteFieldAt(const VmRef* classHandle, int32_t offset);
uint32_t vsNativeMethod_getStaticCharFieldAt(const VmRef* classHandle, int32_t offset);
int32_t vsNativeMethod_getStaticShortFieldAt(const VmRef* classHandle, int32_t offset);
int32_t vsNativeMethod_getStaticIntFieldAt(const VmRef* classHandle, int32_t offset);
uint32_t vsNativeMethod_getStaticFloatFieldAt(const VmRef* classHandle, int32_t offset);
int64_t vsNativeMethod_getStaticLongFieldAt(const VmRef* classHandle, int32_t offset);
int64_t vsNativeMethod_getStaticDoubleFieldAt(const VmRef* classHandle, int32_t offset);
void vsNativeMethod_getStaticObjectFieldAt(const VmRef* classHandle, int32_t offset, VmRef* out);
void vsNativeMethod_setStaticBooleanFieldAt(const VmRef* classHandle, int32_t offset, int32_t value);
void vsNativeMethod_setStaticByteFieldAt(const VmRef* classHandle, int32_t offset, int32_t value);
void vsNativeMethod_setStaticCharFieldAt(const VmRef* classHandle, int32_t offset, int32_t value);
void vsNativeMethod_setStaticShortFieldAt(const VmRef* classHandle, int32_t offset, int32_t value);
void vsNativeMethod_setStaticIntFieldAt(const VmRef* classHandle, int32_t offset, int32_t value);
void vsNativeMethod_setStaticFloatFieldAt(const VmRef* classHandle, int32_t offset, uint32_t value);
void vsNativeMethod_setStaticLongFieldAt(const VmRef* classHandle, int32_t offset, uint32_t low,
                                         uint32_t high);
void vsNativeMethod_setStaticDoubleFieldAt(const VmRef* classHandle, int32_t offset, uint32_t low,
                                           uint32_t high);
// Through the write barrier.
void vsNativeMethod_setStaticObjectFieldAt(const VmRef* classHandle, int32_t offset,
                                           const VmRef* valueHandle);
