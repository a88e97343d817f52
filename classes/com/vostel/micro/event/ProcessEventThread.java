package com.vostel.micro.event;

/** The thread of the VM's internal events, each {code, argument}. */
public abstract class ProcessEventThread extends AbstractEventThread {
    private static final int EVENT_WORDS = 2;

    protected ProcessEventThread() {
        super(initEventQueue(EVENT_WORDS), EVENT_WORDS);
    }

    /**
     * Creates the process queue for events of n words and posts the internal
     * events that waited for it: the id of its event thread.
     */
    private static native int initEventQueue(int n);

    /** The second queue of the process events: none in this system (0). */
    protected static native int initSystemQueue();
}
