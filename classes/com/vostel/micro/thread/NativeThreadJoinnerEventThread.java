package com.vostel.micro.thread;

import com.vostel.micro.event.AbstractEventThread;

/** The thread of the HTTP events, each {connection, 0, event, parameter}. */
public abstract class NativeThreadJoinnerEventThread extends AbstractEventThread {
    private static final int EVENT_WORDS = 4;

    protected NativeThreadJoinnerEventThread() {
        super(initEventQueue(EVENT_WORDS), EVENT_WORDS);
    }

    /** Creates the HTTP queue for events of n words: its event thread's id. */
    private static native int initEventQueue(int n);
}
