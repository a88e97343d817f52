// Natives of java.lang.System. Naming and conventions as in
// thread_natives.h.
#pragma once

// identityHashCode(Ljava/lang/Object;)I: the object's identity hash, as
// Object.hashCode gives it (vsMonitor_ensureHash); 0 for null.
extern "C" void Java_java_lang_System_identityHashCode();
