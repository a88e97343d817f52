// The native-method interface: what natives and the VM services use to
// reach the core.
//
// Parameters: the call stub stores the address of parameter 0 in the
// parameter pointer of the VM globals. The Java stack grows downward, so
// parameter i is the word at (parameter pointer - 4i). An instance native
// finds its receiver in parameter 0 and its arguments from 1; for a static
// native the pointer is one word higher, so its arguments also start at 1.
//
//   parameter pointer -> | parameter 0 (receiver) |  higher address
//                        | parameter 1            |
//                        | ...                    |  lower address
//
// Results: a native stores its result in the result words (19 and 20) of
// the current thread record; an int, boolean or reference result is word 19.
//
// vsNativeMethod_fatalError ends the VM when a native or service cannot go
// on: the message goes as one line to the VM's log stream, then the VM ends
// with fatal error code 134.
#pragma once

#include <cstdint>

#include "vm/core/model/object_layout.h"

// Parameter readers. A narrow reader takes the low byte or halfword of the
// word with the sign of its type; a float is its 32-bit pattern.
uint32_t vsNativeMethod_getParameterBoolean(uint32_t i);
int32_t vsNativeMethod_getParameterByte(uint32_t i);
uint32_t vsNativeMethod_getParameterChar(uint32_t i);
int32_t vsNativeMethod_getParameterShort(uint32_t i);
// Parameter word i as an int.
int32_t vsNativeMethod_getParameterInt(uint32_t i);
uint32_t vsNativeMethod_getParameterFloat(uint32_t i);
// The long in parameter words i (high word) and i + 1 (low word), as two
// words; a double the same way, as its bit pattern.
void vsNativeMethod_getParameterLong(uint32_t i, uint32_t* high, uint32_t* low);
void vsNativeMethod_getParameterDouble(uint32_t i, uint32_t* high, uint32_t* low);
// Stores parameter 0 into the handle slot.
void vsNativeMethod_getThis(VmRef* slot);
// Stores the reference of parameter word i into the handle slot.
void vsNativeMethod_getParameterObject(uint32_t i, VmRef* slot);
// Parameter 0 as a plain reference.
VmRef vsNativeMethod_getThisObject();
// The next two words at the pop pointer (low word first) as a long; the
// pop pointer moves 8 bytes on. Successive calls yield the arguments last
// first.
int64_t vsNativeMethod_popLong();
// The next word at the pop pointer (an int, a boolean or a reference); the
// pop pointer moves 4 bytes on.
int32_t vsNativeMethod_popInt();

// A double argument by the pop pointer (popLong).
int64_t vsNativeMethod_popDouble();

// Writes result word 19 of the current thread (also for references).
void vsNativeMethod_setReturnInt(int32_t value);
// Writes result words 19 (low) and 20 (high).
void vsNativeMethod_setReturnLong(uint32_t low, uint32_t high);
// setReturnLong with a double's bit pattern.
void vsNativeMethod_setReturnDouble(uint32_t low, uint32_t high);

// Throws by class name (slash form; the message UTF-8, or none): the
// exception is pending and its constructor queued, result 0. When the
// class cannot be had, -1: java/lang/Error naming the class is pending
// instead (or OutOfMemoryError when even that cannot be made). While the
// VM exits the exit signal is pending, result 0.
int32_t vsNativeMethod_throwException(const char* className);
int32_t vsNativeMethod_throwExceptionWithMessage(const char* className, const char* message);
// Makes the preallocated java/lang/OutOfMemoryError pending.
void vsNativeMethod_throwOutOfMemoryError();

[[noreturn]] void vsNativeMethod_fatalError(const char* message);
// fatalError("OutOfMemoryError"), for a native that cannot go on without
// memory.
[[noreturn]] void vsNativeMethod_fatalOutOfMemory();
// Ends the VM with the status (through vsSys_abort); does not return.
[[noreturn]] void vsNativeMethod_exit(int32_t status);

// Classes and objects. An "Into" operation stores 0 into its output slot
// first; a lookup of its own that raised is cleared again, and failure shows
// as 0. Handles are the addresses of slots the collector updates.
//
// The java.lang.Class object of the class of the internal name. An array
// name ('[' and at least one more character) is found through its element
// chain, whose innermost instance class must be loaded and initialised;
// any other name is searched among the loaded classes alone and must be
// initialised.
void vsNativeMethod_findClassInto(const char* name, VmRef* out);
// Finds or loads the class of a non-array name: its Class object.
void vsNativeMethod_loadClassInto(const char* name, VmRef* out);
VmRef vsNativeMethod_lookupClass(const char* name);
void vsNativeMethod_getSuperclassInto(const VmRef* classHandle, VmRef* out);
// 1 when A's class is B's or assignable to it (both hold Class objects).
int32_t vsNativeMethod_isAssignableFrom(const VmRef* classHandleA, const VmRef* classHandleB);
// The Class object of the object's class; 0 for null.
void vsNativeMethod_getObjectClass(const VmRef* objHandle, VmRef* out);
// 1 when the object is null or an instance of the class, else 0.
int32_t vsNativeMethod_isInstanceOf(const VmRef* objHandle, const VmRef* classHandle);
int32_t vsNativeMethod_isSameObject(const VmRef* handleA, const VmRef* handleB);
// class id + 1 of the object's class, or of a loaded class by name (0 when
// absent).
int32_t vsNativeMethod_getClassNumber(const VmRef* objHandle);
// A zeroed instance (no constructor runs) of the class, found or loaded by
// name (not an array name) or given as a Class object: 0, or the exception
// that the lookup or allocation raised (cleared again; out stays 0).
int32_t vsNativeMethod_newObjectByName(const char* name, VmRef* out);
int32_t vsNativeMethod_newObjectOfClass(const VmRef* classHandle, VmRef* out);
// The Class object of the class that declares the running method; while
// the collector runs a native finalizer, the class of parameter 0's object.
void vsNativeMethod_getCurrentClass(VmRef* out);
int32_t vsNativeMethod_getClassNumberByName(const char* name);

// Callers. The method of the Java frame `index` levels above the running
// native (0: the method that invoked it; the native's own frame is not
// counted), walking through guard frames into interrupted chunks; null when
// the stack is shorter.
MethodRecord* vsNativeMethod_javaFrameMethod(int32_t index);
// The class name (slash form, not terminated; its length in *outLen) of
// that frame's holder class; null when the stack is shorter.
const char* vsNativeMethod_getCallerClassNameAt(int32_t depth, int32_t* outLen);
// The class of the method that invoked the running native; when that is
// java/lang/Class.newInstance, the class of its own caller.
const char* vsNativeMethod_getCallerClassName(int32_t* outLen);
// Walks the Java frames upward from *inOutDepth levels above the running
// native to the first frame whose holder class has the name (slash form):
// that frame's method name (not terminated, its length in *outLen), and
// *inOutDepth less the frames examined (the matching one counted); null
// when no frame matches.
const char* vsNativeMethod_findCallerMethodOfClass(int32_t* inOutDepth, const char* className,
                                                   int32_t* outLen);

// Strings ({value, offset, count}).
// The count, -1 for null.
int32_t vsNativeMethod_getStringLength(const VmRef* strHandle);
// Copies len units from value[offset + start].
void vsNativeMethod_getStringRegion(const VmRef* strHandle, int32_t start, int32_t len, uint16_t* buffer);
// A String of the len units; out stays 0 on failure.
void vsNativeMethod_newStringInHandle(const uint16_t* chars, int32_t len, VmRef* out);
// A String of the NUL-terminated UTF-8 text; out stays 0 on failure.
void vsNativeMethod_newStringUtf8Into(const char* utf8, VmRef* out);

// 1 when the object (a handle) is null or an instance of one of the named
// classes (internal names, a null-terminated list; each found as
// vsNativeMethod_findClassInto finds it, a missing one skipped), else 0.
int32_t vsNative_isInstanceOfAny(const VmRef* objHandle, const char* const* classNames);
