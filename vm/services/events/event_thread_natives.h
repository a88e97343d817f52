// Natives of the Java event-thread classes that create their queues.
//
// Each initEventQueue creates its class's queues, registers them and the
// serving thread, keeps the ids for the posters (event_posters.h) and
// returns the thread id:
//
//   class                            queue (ring words x largest event)   group  thread
//   UiEventThread                    command 220x10, sync call 11x10      0      one cevent
//                                    MIDP 140x6, type-6 4x3,              1      thread of
//                                    display switch 4x1, type-5 2x1              kind 0x20000
//                                    key 50x4, pointer 60x5               2
//                                    type-4 2x1                           3
//   DialogEventThread                command 220x10, sync call 11x10      0      one cevent
//                                    key 50x4, pointer 60x5               1      thread, 0x20000
//                                    the 2x1 queue                        2
//   ProcessEventThread (n)           process 4n x n, fixed length         -      event thread, 0x10000
//   NativeThreadJoinnerEventThread   HTTP 15n x n, fixed length           -      event thread, 0x10000
//   (n)
//
// The variable-length queues' sizes are in ring words (an event of k words
// costs k + 1). ProcessEventThread.initEventQueue then posts the pending
// internal events again.
#pragma once

// private static native int initEventQueue()
extern "C" void Java_com_vostel_micro_event_UiEventThread_initEventQueue();
extern "C" void Java_com_vostel_security_DialogEventThread_initEventQueue();
// private static native int initEventQueue(int n)
extern "C" void Java_com_vostel_micro_event_ProcessEventThread_initEventQueue();
extern "C" void Java_com_vostel_micro_thread_NativeThreadJoinnerEventThread_initEventQueue();
// ProcessEventThread's second queue native, private static native int
// initSystemQueue(): this system has no second queue; it returns 0.
extern "C" void Java_com_vostel_micro_event_ProcessEventThread_initSystemQueue();
