package com.vostel.security;

import com.vostel.micro.event.AbstractEventThread;

/** The thread of the confirmation dialog's events. */
public abstract class DialogEventThread extends AbstractEventThread {
    private static final int MAX_EVENT_WORDS = 10;

    protected DialogEventThread() {
        super(initEventQueue(), MAX_EVENT_WORDS);
    }

    /** Creates the dialog's queue set: the id of its cevent thread. */
    private static native int initEventQueue();
}
