// Natives of com.vostel.micro.event.AbstractEventThread, the base of the
// Java event threads: the wait for and the taking of VM events.
//
// waitNextEvent(int threadId) -> boolean: a thread that was woken from the
// event wait (its re-entry data's woken flag is set) clears the flag and
// answers false; otherwise true when an event waits for the id, and else
// the thread blocks in the event wait and answers false when it runs
// again. The Java loop then asks again.
//
// getNextEvent(int threadId, int[] words) -> int: takes the next event,
// calls the native listener of key and pointer events, copies its words
// into the array from index 0 and answers their count (0, the array
// unchanged, when none waits). A null array throws NullPointerException; an
// array shorter than the event throws ArrayIndexOutOfBoundsException and
// the event stays queued.
#pragma once

// protected static native boolean waitNextEvent(int threadId)
extern "C" void Java_com_vostel_micro_event_AbstractEventThread_waitNextEvent();
// protected static native int getNextEvent(int threadId, int[] words)
extern "C" void Java_com_vostel_micro_event_AbstractEventThread_getNextEvent();
