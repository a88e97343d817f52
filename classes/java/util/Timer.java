package java.util;

/**
 * Runs TimerTasks on one background thread of its own, one task at a
 * time, each when its time has come.
 *
 *   queue[0, count): the scheduled tasks by next execution time, earliest
 *                    first; tasks of equal times in the order scheduled
 *
 * The thread waits on queue until the first task is due (or for one to
 * be scheduled), takes it out, puts a repeating task back at its next
 * time, and runs it outside the lock. A task of fixed rate runs next one
 * period after its scheduled time, so missed runs follow each other at
 * once; a task of fixed delay one period after it was started. After
 * cancel(), or once a task has thrown, the Timer takes no task and its
 * thread ends; the tasks still queued never run.
 */
public class Timer {
    private final Object queueLock = new Object();
    private TimerTask[] queue = new TimerTask[8];
    private int count;
    /** Set by cancel() and by a task that threw: no more tasks. */
    private boolean cancelled;

    /** The number the next Timer's thread takes: "Timer-0", "Timer-1"... */
    private static int timers;

    /**
     * The name of the next Timer's thread. As on Java SE, a Timer's thread
     * also uses up the number of an unnamed thread ("Thread-n"), so that
     * later threads are numbered as there.
     */
    private static synchronized String nextThreadName() {
        new Thread();
        return "Timer-" + timers++;
    }

    public Timer() {
        new Thread(nextThreadName()) {
            public void run() {
                runTasks();
            }
        }.start();
    }

    public void schedule(TimerTask task, long delay) {
        schedule(task, System.currentTimeMillis() + checkDelay(delay), 0, false);
    }

    public void schedule(TimerTask task, Date time) {
        schedule(task, time.getTime(), 0, false);
    }

    public void schedule(TimerTask task, long delay, long period) {
        checkDelay(delay);
        schedule(task, System.currentTimeMillis() + delay, checkPeriod(period), false);
    }

    public void schedule(TimerTask task, Date firstTime, long period) {
        schedule(task, firstTime.getTime(), checkPeriod(period), false);
    }

    public void scheduleAtFixedRate(TimerTask task, long delay, long period) {
        checkDelay(delay);
        schedule(task, System.currentTimeMillis() + delay, checkPeriod(period), true);
    }

    public void scheduleAtFixedRate(TimerTask task, Date firstTime, long period) {
        schedule(task, firstTime.getTime(), checkPeriod(period), true);
    }

    /** Ends the Timer: drops the queued tasks; a running task finishes. */
    public void cancel() {
        synchronized (queueLock) {
            cancelled = true;
            clearQueue();
            queueLock.notify();
        }
    }

    private static long checkDelay(long delay) {
        if (delay < 0) {
            throw new IllegalArgumentException("Negative delay.");
        }
        return delay;
    }

    private static long checkPeriod(long period) {
        if (period <= 0) {
            throw new IllegalArgumentException("Non-positive period.");
        }
        return period;
    }

    private void schedule(TimerTask task, long time, long period, boolean fixedRate) {
        if (time < 0) {
            throw new IllegalArgumentException("Illegal execution time.");
        }
        synchronized (queueLock) {
            if (cancelled) {
                throw new IllegalStateException("Timer already cancelled.");
            }
            synchronized (task.lock) {
                if (task.state != TimerTask.VIRGIN) {
                    throw new IllegalStateException("Task already scheduled or cancelled");
                }
                task.nextExecutionTime = time;
                task.period = period;
                task.fixedRate = fixedRate;
                task.state = TimerTask.SCHEDULED;
            }
            insert(task);
            if (queue[0] == task) {
                queueLock.notify();
            }
        }
    }

    /** Puts the task into the queue after every task due no later. */
    private void insert(TimerTask task) {
        if (count == queue.length) {
            TimerTask[] grown = new TimerTask[count * 2];
            System.arraycopy(queue, 0, grown, 0, count);
            queue = grown;
        }
        int i = count;
        while (i > 0 && queue[i - 1].nextExecutionTime > task.nextExecutionTime) {
            queue[i] = queue[i - 1];
            i--;
        }
        queue[i] = task;
        count++;
    }

    private void removeFirst() {
        count--;
        System.arraycopy(queue, 1, queue, 0, count);
        queue[count] = null;
    }

    private void clearQueue() {
        for (int i = 0; i < count; i++) {
            queue[i] = null;
        }
        count = 0;
    }

    /** The thread's work: each due task in turn until the Timer ends. */
    private void runTasks() {
        try {
            TimerTask task;
            while ((task = nextDueTask()) != null) {
                task.run();
            }
        } finally {
            cancel();
        }
    }

    /**
     * Waits for the first task to be due and takes it (a repeating one
     * stays queued at its next time); null once the Timer has ended.
     * An interrupt of the wait only makes it look again.
     */
    private TimerTask nextDueTask() {
        synchronized (queueLock) {
            for (;;) {
                if (cancelled) {
                    return null;
                }
                long wait = 0;
                if (count > 0) {
                    TimerTask task = queue[0];
                    synchronized (task.lock) {
                        if (task.state == TimerTask.CANCELLED) {
                            removeFirst();
                            continue;
                        }
                        long now = System.currentTimeMillis();
                        long time = task.nextExecutionTime;
                        if (time <= now) {
                            removeFirst();
                            if (task.period == 0) {
                                task.state = TimerTask.EXECUTED;
                                task.lastExecutionTime = time;
                            } else {
                                task.lastExecutionTime = task.fixedRate ? time : now;
                                task.nextExecutionTime = task.lastExecutionTime + task.period;
                                insert(task);
                            }
                            return task;
                        }
                        wait = time - now;
                    }
                }
                try {
                    queueLock.wait(wait);
                } catch (InterruptedException e) {
                    // Looks at the queue again.
                }
            }
        }
    }
}
