// Natives of java.lang.Class: the steps of class initialisation that
// Class.initialize() calls, and the class queries.
//
// The receiver is a Class object (a mirror, ClassMirror in object_layout.h)
// whose word 1 names its class record. Naming and conventions as in
// thread_natives.h. The initialisation steps act on instance classes only;
// for an array class they do nothing.
#pragma once

// private verifyClass()V: the first step of initialisation, verification of
// a class from the class path while UseVerifier is on.
extern "C" void Java_java_lang_Class_verifyClass();
// private prepareMethods()V: the step after the superclass's
// initialisation, the preparation of a class-path class's methods for
// invocation.
extern "C" void Java_java_lang_Class_prepareMethods();
// private getSuperclass0()Ljava/lang/Class;: the Class object of the
// superclass, null when the class has none.
extern "C" void Java_java_lang_Class_getSuperclass0();
// private runClinit()V: queues the call of the class's static initializer
// "<clinit>" ()V, when it has one, so that it runs as this native returns.
// Leaves OutOfMemoryError pending when the call cannot be made.
extern "C" void Java_java_lang_Class_runClinit();
// private removeClinit()V: takes the static initializer out of the class's
// method array (not for an interface, nor for a class whose methods lie in
// the class image).
extern "C" void Java_java_lang_Class_removeClinit();
// isInterface()Z: the interface bit of the class's access flags; false for
// array classes.
extern "C" void Java_java_lang_Class_isInterface();
