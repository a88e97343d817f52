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
// isArray()Z: whether the class is an array class.
extern "C" void Java_java_lang_Class_isArray();
// getName()Ljava/lang/String;: the dotted name; an array class gives one
// '[' per dimension, then the primitive element letter (Z C F D B S I J)
// or 'L', the dotted element class name and ';'. OutOfMemoryError leaves
// null.
extern "C" void Java_java_lang_Class_getName();
// static forName(Ljava/lang/String;)Ljava/lang/Class;: null throws
// NullPointerException (code 0). The name, '.' turned into '/', is found or
// loaded (ClassNotFoundException naming it when missing). A class of the
// image that application code asks for and that is not open to
// applications is put to the platform's class-source check
// (vsSys_checkClassSource, no archive): NoClassDefFoundError when it
// objects, else the class is opened. An instance class is initialised
// before its Class object is the result.
extern "C" void Java_java_lang_Class_forName();
// newInstance()Ljava/lang/Object;: an instantiable class is initialised,
// then a zeroed instance is the result and its no-argument constructor is
// queued (vsClass_newInstanceWithConstructorCall, with the calling
// method's class as the one that asks: its exceptions).
extern "C" void Java_java_lang_Class_newInstance();
// isInstance(Ljava/lang/Object;)Z: false for null, else whether the
// object's class is assignable to the receiver.
extern "C" void Java_java_lang_Class_isInstance();
// isAssignableFrom(Ljava/lang/Class;)Z: null throws NullPointerException
// (code 0); else whether the argument's class is assignable to the
// receiver.
extern "C" void Java_java_lang_Class_isAssignableFrom();
