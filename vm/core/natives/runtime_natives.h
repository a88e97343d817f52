// Natives of java.lang.Runtime. Naming and conventions as in
// thread_natives.h.
#pragma once

// private exitInternal(I)V: asks vsSys_allowRuntimeExit, which refuses, and
// throws SecurityException (117); an allowed exit would end the VM with the
// status (vsVm_exit).
extern "C" void Java_java_lang_Runtime_exitInternal();
// freeMemory()J: the free bytes of the Java heap and of its native area.
extern "C" void Java_java_lang_Runtime_freeMemory();
// totalMemory()J: the heap size asked for at set-up.
extern "C" void Java_java_lang_Runtime_totalMemory();
// gc()V: a collection through the front end (vsGC_collectFromNative).
extern "C" void Java_java_lang_Runtime_gc();
