// Natives of java.lang.Class that its initialisation calls.
//
// The receiver is a Class object (a mirror, ClassMirror in object_layout.h)
// whose word 1 names its class record. Naming and conventions as in
// thread_natives.h.
#pragma once

// private getSuperclass0()Ljava/lang/Class;: the Class object of the
// superclass, null when the class has none.
extern "C" void Java_java_lang_Class_getSuperclass0();
