// Accessors over class records, class-info records and mirrors.
//
// Functions that take `const VmRef*` take a GC handle: the address of a slot
// (a VmHandle, a root, a field) that holds the object, so the object may
// move between calls. The others take the record itself and never allocate.
#pragma once

#include <cstdint>

#include "vm/core/model/object_layout.h"

// The class record of an object: the first word of its near record.
ClassRecord* vsObject_class(VmRef object);
// The kind of an object: the instance-kind half of its class record.
int32_t vsObject_kind(VmRef object);

bool vsClass_isInstanceClass(const VmRef* cls);
bool vsClass_isObjectArrayClass(const VmRef* cls);
bool vsClass_isTypeArrayClass(const VmRef* cls);
bool vsObject_isObjectArray(VmRef object);
bool vsObject_isTypeArray(VmRef object);
bool vsObject_isString(const VmRef* object);
bool vsObject_isByteArray(VmRef object);
bool vsClass_isJavaLangObject(const ClassRecord* cls);

uint16_t vsClass_id(const ClassRecord* cls);
void vsClass_accessFlags(const VmRef* cls, uint32_t* out);
bool vsClass_isStub(const ClassRecord* cls);
bool vsClass_isArrayClass(const ClassRecord* cls);
bool vsClass_isVerified(const ClassRecord* cls);
void vsClass_setTrivialConstructor(ClassRecord* cls);
// Sets class-info bit 0x08000000 and mirror status 0x02.
void vsClass_setVerified(ClassRecord* cls);

VmRef vsClass_methods(const ClassRecord* cls);
VmRef vsClass_localInterfaces(const ClassRecord* cls);
VmSymbol* vsClass_name(const ClassRecord* cls);
ConstantPool* vsClass_constantPool(const ClassRecord* cls);
// The field table: a 16-bit array, five values per field.
VmRef vsClass_fields(const ClassRecord* cls);
ClassMirror* vsClass_mirror(const ClassRecord* cls);
// Element size in bytes of an array class (item 7 of its class info).
int32_t vsArrayClass_elementSize(const ClassRecord* arrayClass);

// Mirror status: the setters that say so return the old status word.
uint32_t vsClass_setMirrorVerified(ClassRecord* cls);
void vsClass_setInitialized(ClassRecord* cls);
void vsClass_clearInitialized(ClassRecord* cls);
bool vsClass_isInitialized(const ClassRecord* cls);
bool vsClass_isBeingInitialized(const ClassRecord* cls);
uint32_t vsClass_setOpen(ClassRecord* cls);
bool vsClass_isOpen(const ClassRecord* cls);

// The class of class id `id` in the class table, or null past its end.
ClassRecord* vsClass_byId(uint32_t id);

// Stores items 1 to 3 of a new class record: header (through the write
// barrier), record size and kind, oop-map word.
void vsClass_fillRecord(ClassRecord* cls, VmRef near, uint32_t size, int32_t kind, VmWord oopMap);

// The one-dimensional array class of a class, created and kept in item 10
// on first demand; `dims` times for n dimensions. Null with an exception
// pending when a creation fails.
VmRef vsClass_arrayClass(const VmRef* elementClass, int32_t dims);

// The near records of the class records created at run time: the
// prototypical near of the records that classify instance classes (root 3)
// and object-array classes (root 2). Their first word is that classifying
// record, so a class record's class is root 3 or root 2.
VmRef vsClass_nearOfInstanceClasses();
VmRef vsClass_nearOfObjectArrayClasses();
