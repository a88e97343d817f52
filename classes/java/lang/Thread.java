package java.lang;

/**
 * A thread of execution. The virtual machine reads the first five fields by
 * word number, so they stay first and in this order: the priority, the code
 * to run, the thread record of the virtual machine, whether the thread has
 * finished, and whether its start is still to come.
 */
public class Thread implements Runnable {
    public static final int MIN_PRIORITY = 1;
    public static final int NORM_PRIORITY = 5;
    public static final int MAX_PRIORITY = 10;

    /** Word 1. */
    private int priority;
    /** Word 2. */
    private Runnable target;
    /** Word 3: the virtual machine's record of this thread. */
    private Object threadRecord;
    /** Word 4. */
    private int finished;
    /** Word 5. */
    private int startPending;
    /** Null only in the main thread, which the virtual machine makes. */
    private String name;
    /**
     * The priority asked for, as its distance from NORM_PRIORITY (the main
     * thread, whose fields the virtual machine leaves zero, asks for
     * NORM_PRIORITY). Word 1 takes it only under priority scheduling.
     */
    private int askedPriority;
    /** The number the next unnamed thread takes: "Thread-0", "Thread-1"... */
    private static int unnamedThreads;

    public Thread() {
        this(null, nextUnnamed());
    }

    public Thread(Runnable target) {
        this(target, nextUnnamed());
    }

    public Thread(String name) {
        this(null, name);
    }

    public Thread(Runnable target, String name) {
        if (name == null) {
            throw new NullPointerException();
        }
        int inherited = currentThread().getPriority();
        this.askedPriority = inherited - NORM_PRIORITY;
        this.priority = isPrioritySchedule() ? inherited : NORM_PRIORITY;
        this.target = target;
        this.name = name;
    }

    private static synchronized String nextUnnamed() {
        return "Thread-" + unnamedThreads++;
    }

    /** The name given or numbered at construction; "Main Thread" for the main thread. */
    public final String getName() {
        return name == null ? "Main Thread" : name;
    }

    /** "Thread[name,priority]". */
    public String toString() {
        return "Thread[" + getName() + "," + getPriority() + "]";
    }

    /** The thread that runs the caller. */
    public static native Thread currentThread();

    public void run() {
        if (target != null) {
            target.run();
        }
    }

    /**
     * The last call of an ending thread, made by the virtual machine: marks
     * this thread finished and wakes the threads that wait on it.
     */
    private synchronized native void internalExit();

    /**
     * Starts the thread: the virtual machine calls its run method.
     * A thread starts once: a second start throws
     * IllegalThreadStateException.
     */
    public void start() {
        start0();
    }

    private native void start0();

    /** Lets other threads of the same priority run first. */
    public static native void yield();

    /**
     * Lets the calling thread sleep for millis milliseconds. A negative
     * time throws IllegalArgumentException.
     */
    public static native void sleep(long millis) throws InterruptedException;

    /** True between the start of the thread and the end of its run. */
    public final native boolean isAlive();

    /**
     * Waits until the thread has ended: its last act wakes the threads that
     * wait on it.
     */
    public final synchronized void join() throws InterruptedException {
        while (isAlive()) {
            wait();
        }
    }

    /** The number of threads that are alive. */
    public static native int activeCount();

    /**
     * Sets the priority, MIN_PRIORITY to MAX_PRIORITY; a new thread takes
     * the priority of the thread that made it. The virtual machine runs
     * every thread at NORM_PRIORITY unless priority scheduling is on.
     */
    public final void setPriority(int newPriority) {
        if (newPriority < MIN_PRIORITY || newPriority > MAX_PRIORITY) {
            throw new IllegalArgumentException();
        }
        askedPriority = newPriority - NORM_PRIORITY;
        int old = priority;
        priority = isPrioritySchedule() ? newPriority : NORM_PRIORITY;
        setPriority0(old, priority);
    }

    /** The priority last set, or inherited from the thread that made this one. */
    public final int getPriority() {
        return NORM_PRIORITY + askedPriority;
    }

    /**
     * Interrupts the thread: a sleeping or waiting thread gets
     * InterruptedException; any other thread keeps the request for its next
     * sleep or wait.
     */
    public void interrupt() {
        interrupt0();
    }

    private native void setPriority0(int oldPriority, int newPriority);

    private native void interrupt0();

    private static native boolean isPrioritySchedule();
}
