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
    private String name;

    public Thread() {
        this(null, null);
    }

    public Thread(Runnable target) {
        this(target, null);
    }

    public Thread(String name) {
        this(null, name);
    }

    public Thread(Runnable target, String name) {
        this.priority = NORM_PRIORITY;
        this.target = target;
        this.name = name;
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
}
