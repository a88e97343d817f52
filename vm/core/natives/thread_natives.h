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

// yield()V: the current thread lets the next runnable thread of its
// priority run first (vsScheduler_reschedule).
extern "C" void Java_java_lang_Thread_yield();
// sleep(J)V: vsScheduler_sleep of the current thread; a negative time
// raises IllegalArgumentException (code 0), an interrupted thread gets its
// InterruptedException, and while the VM exits the exit signal is pending
// instead of a sleep.
extern "C" void Java_java_lang_Thread_sleep();
// private start0()V: a Thread that has a record, has finished or has a
// start pending raises IllegalThreadStateException (109). Otherwise the
// start-pending word is set, the thread record made (into word 3) and the
// thread started with a call of run(); the start-pending word stays set
// when that fails. A started thread of higher priority than the current
// one runs first.
extern "C" void Java_java_lang_Thread_start0();
// isAlive()Z: vsThread_isAliveTest of the receiver.
extern "C" void Java_java_lang_Thread_isAlive();
// activeCount()I: the live threads.
extern "C" void Java_java_lang_Thread_activeCount();
// private setPriority0(II)V, after setPriority stored the new priority:
// a started thread moves from the run queue of the old priority
// (vsScheduler_setPriority); when it now outranks the current thread, or
// is the current thread, the scheduler chooses again.
extern "C" void Java_java_lang_Thread_setPriority0();
// private interrupt0()V: vsMonitor_interrupt of a started receiver.
extern "C" void Java_java_lang_Thread_interrupt0();
// private static isPrioritySchedule()Z: vsSys_isPrioritySchedule.
extern "C" void Java_java_lang_Thread_isPrioritySchedule();
