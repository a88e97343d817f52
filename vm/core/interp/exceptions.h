// Raising the VM's exceptions.
//
// An exception is raised by making it pending: the pending-exception word of
// the VM globals holds it until a handler takes it. Classes are named by
// their slash-separated names. Errors that carry a numeric detail code have
// the code, formatted with "%3d", as their message.
#pragma once

#include <cstdint>

inline constexpr const char* kVmErrorClass = "java/lang/Error";
inline constexpr const char* kNegativeArraySizeClass = "java/lang/NegativeArraySizeException";
inline constexpr const char* kIllegalArgumentClass = "java/lang/IllegalArgumentException";

// Makes a new exception of the class, with the message (or none), pending.
void vsException_raise(const char* className, const char* message);
// The same with the code as message.
void vsException_raiseWithCode(const char* className, int32_t code);
// java/lang/ArrayStoreException with the code as message.
void vsException_throwArrayStore(int32_t code);
// Makes the preallocated java/lang/OutOfMemoryError (root 43) pending.
void vsException_throwOutOfMemoryError();
