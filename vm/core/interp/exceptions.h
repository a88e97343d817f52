// Raising the VM's exceptions.
//
// An exception is raised by making it pending: the pending-exception word of
// the VM globals holds it until a handler takes it. Classes are named by
// their slash-separated names. Errors that carry a numeric detail code have
// the code, formatted with "%3d", as their message.
//
// Creating an exception of a class (vsException_create):
//   1. while the VM exits, the thread-kill object is used instead;
//   2. the class is found, or loaded (the VM needs it: kind 1), and
//      initialised on the current thread; when that fails, java/lang/Error
//      naming the class takes its place;
//   3. an instance is allocated (a failure leaves OutOfMemoryError pending);
//   4. the message, as a java.lang.String, goes into Throwable's first field
//      (its detail message);
//   5. its constructor, <init>(String) with the message or <init>() without,
//      is queued as a pending call of the current thread (none: nothing is
//      queued), behind the class's initialisation: both run before the
//      thread's code goes on, and a constructor that throws replaces it.
// Raising makes the new exception pending.
// While the class image is built, or before the core's start has made the
// preallocated OutOfMemoryError (root 43), no exception can be made: the
// class name and message are printed and the VM ends with fatal error 129.
//
// The thread-kill object (VM globals word 1052) ends a thread: no handler
// is searched for it.
#pragma once

#include <cstdint>

#include "vm/core/model/object_layout.h"

inline constexpr const char* kVmErrorClass = "java/lang/Error";
inline constexpr const char* kNegativeArraySizeClass = "java/lang/NegativeArraySizeException";
inline constexpr const char* kIllegalArgumentClass = "java/lang/IllegalArgumentException";
inline constexpr const char* kIllegalThreadStateClass = "java/lang/IllegalThreadStateException";
inline constexpr const char* kNoClassDefFoundClass = "java/lang/NoClassDefFoundError";
inline constexpr const char* kClassNotFoundClass = "java/lang/ClassNotFoundException";
inline constexpr const char* kIllegalAccessClass = "java/lang/IllegalAccessException";
inline constexpr const char* kArrayStoreClass = "java/lang/ArrayStoreException";
inline constexpr const char* kInstantiationClass = "java/lang/InstantiationException";
inline constexpr const char* kNullPointerClass = "java/lang/NullPointerException";
inline constexpr const char* kIllegalMonitorStateClass = "java/lang/IllegalMonitorStateException";
inline constexpr const char* kArithmeticClass = "java/lang/ArithmeticException";
inline constexpr const char* kArrayIndexOutOfBoundsClass = "java/lang/ArrayIndexOutOfBoundsException";
inline constexpr const char* kClassCastClass = "java/lang/ClassCastException";

// A new exception of the class with the message (or none); 0 with the
// failure pending.
VmRef vsException_create(const char* className, const char* message);
// The same with the pending word cleared: the new exception, or the failure
// that took its place.
VmRef vsException_createWithoutRaising(const char* className, const char* message);
// Makes the thread-kill object pending (OutOfMemoryError when it cannot be
// made).
void vsException_throwThreadKill();

// Makes a new exception of the class, with the message (or none), pending.
void vsException_raise(const char* className, const char* message);
// The same with the code as message.
void vsException_raiseWithCode(const char* className, int32_t code);
// java/lang/ArrayStoreException with the code as message.
void vsException_throwArrayStore(int32_t code);
// Makes the preallocated java/lang/OutOfMemoryError (root 43) pending.
void vsException_throwOutOfMemoryError();

// NoClassDefFoundError (kind 1) or ClassNotFoundException (kind 0) with the
// class name (a symbol) as message. During the start-up phase the name and a
// line feed are printed instead, and the VM ends with fatal error 132.
void vsException_raiseClassNotFound(const VmRef* name, int32_t kind);
// java/lang/Error with the name of the method as message.
void vsException_raiseErrorNamingMethod(const VmRef* method);
// Access denied: with form 1 java/lang/Error code 94, else
// java/lang/IllegalAccessException code 137.
void vsException_throwIllegalAccess(int32_t form);
