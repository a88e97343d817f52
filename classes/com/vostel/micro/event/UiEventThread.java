package com.vostel.micro.event;

/** The thread of the user-interface events: commands, MIDP, keys, pointer. */
public abstract class UiEventThread extends AbstractEventThread {
    private static final int MAX_EVENT_WORDS = 10;

    protected UiEventThread() {
        super(initEventQueue(), MAX_EVENT_WORDS);
    }

    /** Creates the UI queue set: the id of its cevent thread. */
    private static native int initEventQueue();
}
