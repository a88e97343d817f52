// Natives of java.lang.Thread.
//
// Each native is the extern "C" function Java_<class>_<method> of the
// Java Native Interface naming; it takes its arguments from the Java stack
// and sets its result in the current thread record (native_method.h).
#pragma once

// currentThread()Ljava/lang/Thread;: the java.lang.Thread of the current
// thread record.
extern "C" void Java_java_lang_Thread_currentThread();

// private synchronized internalExit()V, the last Java call of an ending
// thread: sets the Thread's finished word and wakes every thread that
// waits on the Thread (its joiners) with notifyAll.
extern "C" void Java_java_lang_Thread_internalExit();
