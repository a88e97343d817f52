package tests;

import java.util.Date;
import java.util.Timer;
import java.util.TimerTask;
import java.util.Vector;

/**
 * Timer and TimerTask, deterministically: tasks, all scheduled while a
 * first task holds the timer's thread on a lock, run in the order of
 * their times; cancelled tasks never run; cancel's
 * answers before, during and after runs; the names of the timers' threads
 * ("Timer-n", no "Thread-n" taken) and their priority, the creator's; the
 * runs of a task of fixed rate
 * lie a period apart in scheduled time, those of fixed delay at least a
 * period; the errors of scheduling; a cancelled Timer.
 */
public final class Timers {
    private Timers() {
    }

    /** Names of the tasks in the order they ran, and a count to wait for. */
    private static final Vector RAN = new Vector();
    private static final Object GATE = new Object();

    private static void line(String text) {
        Out.printString(text);
        Out.newLine();
    }

    /** Records its name and whether it ran at the time it was scheduled for. */
    private static class Named extends TimerTask {
        private final String name;
        private final long time;

        Named(String name, long time) {
            this.name = name;
            this.time = time;
        }

        public void run() {
            synchronized (GATE) {
                RAN.addElement(scheduledExecutionTime() == time ? name : "at a wrong time");
                GATE.notifyAll();
            }
        }
    }

    /** Waits until n tasks have run. */
    private static void awaitRuns(int n) throws InterruptedException {
        synchronized (GATE) {
            while (RAN.size() < n) {
                GATE.wait();
            }
        }
    }

    private static void printRuns(String label) {
        synchronized (GATE) {
            for (int i = 0; i < RAN.size(); i++) {
                Line.at(label, i);
                Out.printString((String) RAN.elementAt(i));
                Out.newLine();
            }
            RAN.removeAllElements();
        }
    }

    /** Notes the name and priority of the thread that runs it. */
    private static class Who extends TimerTask {
        public void run() {
            Thread t = Thread.currentThread();
            synchronized (GATE) {
                RAN.addElement(t.getName() + " priority " + t.getPriority());
                GATE.notifyAll();
            }
        }
    }

    private static void names() throws InterruptedException {
        Thread main = Thread.currentThread();
        Timer first = new Timer();
        main.setPriority(4);
        Timer second = new Timer();
        main.setPriority(Thread.NORM_PRIORITY);
        first.schedule(new Who(), 0);
        awaitRuns(1);
        second.schedule(new Who(), 0);
        awaitRuns(2);
        printRuns("timer thread");
        first.cancel();
        second.cancel();
        Line.s("a thread made after the timers", new Thread().getName());
    }

    private static void order() throws InterruptedException {
        Timer timer = new Timer();
        long now = System.currentTimeMillis();
        long[] times = { 50, 30, 25, 40, 20, 35 };
        String[] names = { "e", "c", "cancelled", "d", "b", "c2" };
        TimerTask[] tasks = new TimerTask[times.length];
        TimerTask last = new Named("last", now + 90);
        synchronized (GATE) {
            timer.schedule(new TimerTask() {
                public void run() {
                    synchronized (GATE) {
                        RAN.addElement("gate");
                    }
                }
            }, new Date(now));
            for (int i = 0; i < times.length; i++) {
                tasks[i] = new Named(names[i], now + times[i]);
                timer.schedule(tasks[i], new Date(now + times[i]));
            }
            timer.schedule(last, new Date(now + 90));
            Line.z("cancel before its run", tasks[2].cancel());
            Line.z("cancel again", tasks[2].cancel());
        }
        awaitRuns(times.length + 1);
        printRuns("ran");
        Line.z("cancel after its run", tasks[0].cancel());
        Line.z("cancel of the last task after its run", last.cancel());
        timer.cancel();
    }

    /**
     * Records how far each run's scheduled time lies after the previous
     * one's, and cancels itself in its third run.
     */
    private static class Counted extends TimerTask {
        private final long period;
        private final boolean fixedRate;
        private int runs;
        private long previous;

        Counted(long period, boolean fixedRate) {
            this.period = period;
            this.fixedRate = fixedRate;
        }

        public void run() {
            long time = scheduledExecutionTime();
            synchronized (GATE) {
                if (runs == 0) {
                    RAN.addElement("first");
                } else if (fixedRate) {
                    RAN.addElement("+" + (time - previous));
                } else {
                    RAN.addElement(time - previous >= period ? "a period on" : "too soon");
                }
                previous = time;
                if (++runs == 3) {
                    RAN.addElement(cancel() ? "cancel in its run true" : "cancel in its run false");
                }
                GATE.notifyAll();
            }
        }
    }

    private static void repeating() throws InterruptedException {
        Timer timer = new Timer();
        timer.scheduleAtFixedRate(new Counted(3, true), new Date(System.currentTimeMillis()), 3);
        awaitRuns(4);
        printRuns("fixed rate from a date");
        timer.scheduleAtFixedRate(new Counted(2, true), 0, 2);
        awaitRuns(4);
        printRuns("fixed rate");
        timer.schedule(new Counted(2, false), 0, 2);
        awaitRuns(4);
        printRuns("fixed delay");
        timer.schedule(new Counted(2, false), new Date(System.currentTimeMillis()), 2);
        awaitRuns(4);
        printRuns("fixed delay from a date");
        timer.cancel();
    }

    private static final String[] CASES = {
        "negative delay", "negative delay, period", "zero period", "negative period", "fixed rate, zero period",
        "date, zero period", "negative date", "null task", "null date", "scheduled twice", "cancelled task",
        "after cancel"
    };

    private static void errors() {
        Timer timer = new Timer();
        TimerTask far = new Named("far", Long.MAX_VALUE / 2);
        timer.schedule(far, Long.MAX_VALUE / 4);
        TimerTask cancelled = new Named("cancelled", 0);
        cancelled.cancel();
        for (int k = 0; k < CASES.length; k++) {
            Line.label(CASES[k]);
            TimerTask task = new Named("unused", 0);
            try {
                switch (k) {
                case 0: timer.schedule(task, -1); break;
                case 1: timer.schedule(task, -1, 10); break;
                case 2: timer.schedule(task, 10, 0); break;
                case 3: timer.schedule(task, 10, -5); break;
                case 4: timer.scheduleAtFixedRate(task, 10, 0); break;
                case 5: timer.schedule(task, new Date(10), 0); break;
                case 6: timer.schedule(task, new Date(-1)); break;
                case 7: timer.schedule(null, 10); break;
                case 8: timer.schedule(task, (Date) null); break;
                case 9: timer.schedule(far, 10); break;
                case 10: timer.schedule(cancelled, 10); break;
                default:
                    timer.cancel();
                    timer.cancel();
                    timer.schedule(task, 10);
                    break;
                }
                Out.printString("scheduled");
            } catch (IllegalArgumentException e) {
                Out.printString("IllegalArgumentException");
            } catch (IllegalStateException e) {
                Out.printString("IllegalStateException");
            } catch (NullPointerException e) {
                Out.printString("NullPointerException");
            }
            Out.newLine();
        }
        Line.z("queued task cancel after the timer's", far.cancel());
    }

    public static void main(String[] args) throws InterruptedException {
        names();
        order();
        repeating();
        errors();
        line("done");
    }
}
