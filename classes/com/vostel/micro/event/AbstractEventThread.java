package com.vostel.micro.event;

/**
 * A thread that serves VM events: it waits for the events of its event
 * thread id, takes each into its buffer and hands it to {@link #dispatch}.
 */
public abstract class AbstractEventThread extends Thread {
    /** The VM's id of the event or cevent thread this thread serves. */
    protected final int eventThreadId;
    private final int[] words;

    /**
     * @param eventThreadId the id that the queue set's creation returned
     * @param maxWords the largest event of the thread's queues
     */
    protected AbstractEventThread(int eventThreadId, int maxWords) {
        this.eventThreadId = eventThreadId;
        this.words = new int[maxWords];
    }

    public void run() {
        for (;;) {
            if (!waitNextEvent(eventThreadId)) {
                continue;
            }
            int count = getNextEvent(eventThreadId, words);
            if (count > 0) {
                dispatch(words, count);
            }
        }
    }

    /** Handles one event: the first count words of the buffer. */
    protected abstract void dispatch(int[] words, int count);

    /**
     * True when an event waits for the thread id; otherwise the thread waits
     * for one and the answer is false.
     */
    protected static native boolean waitNextEvent(int threadId);

    /**
     * Takes the next event into words from index 0: its word count, 0 when
     * none waits. An array shorter than the event throws
     * ArrayIndexOutOfBoundsException and leaves the event queued.
     */
    protected static native int getNextEvent(int threadId, int[] words);
}
