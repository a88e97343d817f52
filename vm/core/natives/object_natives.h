// Natives of java.lang.Object: the monitor's notification and waiting, and
// the identity hash. For the monitor natives the receiver is the object
// whose monitor the current thread must own. Naming and
// conventions as in thread_natives.h.
#pragma once

// notify()V: wakes the first thread of the receiver's wait set;
// IllegalMonitorStateException (code 114) when the current thread does not
// own the receiver's monitor.
extern "C" void Java_java_lang_Object_notify();
// notifyAll()V: wakes every thread of the wait set; code 115 for a
// thread that does not own the monitor.
extern "C" void Java_java_lang_Object_notifyAll();
// wait(J)V: Object.wait with the timeout in milliseconds (0: no limit,
// vsMonitor_wait); a negative timeout raises IllegalArgumentException
// (code 0). While the VM exits it does not block: the exit signal is
// pending instead.
extern "C" void Java_java_lang_Object_wait();
// hashCode()I: the receiver's identity hash (vsMonitor_ensureHash).
extern "C" void Java_java_lang_Object_hashCode();
// getClass()Ljava/lang/Class;: the Class object of the receiver's class.
extern "C" void Java_java_lang_Object_getClass();
