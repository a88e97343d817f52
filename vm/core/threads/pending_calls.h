// The operations that hand Java code to a thread as pending calls: the
// request to initialize a class, the run of a class's static initializer,
// and the creation of an object whose constructor then runs.
//
// None of them runs Java code. Each builds a call record (an argument block
// whose word 2 names the method, entries {value, type}) and appends it to a
// thread's pending calls; the interpreter runs the calls in that order before
// the code that follows the request. Classes are passed as GC handles (the
// address of a slot holding the class record): the allocations may move
// objects.
//
// Failures leave an exception pending and return 0:
//   - out of memory: the heap's OutOfMemoryError;
//   - an object of a class that is abstract, an interface, an array class or
//     without a constructor "<init>" ()V of its own:
//     java/lang/InstantiationException " 138";
//   - a no-argument constructor only in a superclass:
//     java/lang/InstantiationException " 136";
//   - a class or constructor the caller may not reach:
//     java/lang/IllegalAccessException " 137".
#pragma once

#include <cstdint>

#include "vm/core/model/object_layout.h"

// Initializes the class on the thread (a thread record): nothing when the
// class is initialized, or when the thread itself is initializing it (a
// recursive request); otherwise the call of java.lang.Class.initialize()V on
// the class's mirror, which runs the protocol in Java. 1, or 0 with an
// exception pending.
int32_t vsClass_initialize(const VmRef* cls, const VmRef* thread);

// The call of the class's own static initializer "<clinit>" ()V on the
// current thread, when the class has one. 1, or 0 with an exception pending.
int32_t vsClass_runClassInitializer(const VmRef* cls);

// A new instance of the class, whose constructor "<init>" ()V is queued on
// the current thread with the instance as its receiver. The caller is the
// class that asks (null for the VM itself, which reaches everything): it
// reaches a class of its own package or a public one, a public constructor,
// a protected or package-private one within its package, and a private one
// only in its own class. The instance, or 0 with an exception pending.
VmRef vsClass_newInstanceWithConstructorCall(const VmRef* cls, const ClassRecord* caller);
