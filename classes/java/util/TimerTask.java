package java.util;

/**
 * A task that a Timer runs once or repeatedly. Its state moves one way:
 * new, scheduled (by one Timer, once), then executed (a one-time task
 * that has run) or cancelled. The Timer reads and writes the schedule
 * fields under lock.
 */
public abstract class TimerTask implements Runnable {
    static final int VIRGIN = 0;
    static final int SCHEDULED = 1;
    static final int EXECUTED = 2;
    static final int CANCELLED = 3;

    final Object lock = new Object();
    int state = VIRGIN;
    /** When the task runs next, in milliseconds since 1970. */
    long nextExecutionTime;
    /** 0 for a one-time task, else the milliseconds between runs. */
    long period;
    /** Whether a repeating task keeps to its first time's rate. */
    boolean fixedRate;
    /**
     * The time of the latest run: the scheduled time, or for a task of
     * fixed delay the time it was started, from which its delay counts.
     */
    long lastExecutionTime;

    protected TimerTask() {
    }

    public abstract void run();

    /**
     * Stops the task's future runs. True when that prevented a run: the
     * task was scheduled and had runs to come.
     */
    public boolean cancel() {
        synchronized (lock) {
            boolean prevented = state == SCHEDULED;
            state = CANCELLED;
            return prevented;
        }
    }

    /** The time the latest run was scheduled for (see lastExecutionTime). */
    public long scheduledExecutionTime() {
        synchronized (lock) {
            return lastExecutionTime;
        }
    }
}
