package tests;

/**
 * The exceptions of sleep(-1), of a second start(), of wait without the
 * lock and of priorities out of range; isAlive before, during and after a
 * run; join of an ended and of an unstarted thread; priorities kept as
 * set and inherited from the thread that makes a thread.
 */
public final class ThreadErrors {
    private static final Object LOCK = new Object();
    private static boolean go;

    private ThreadErrors() {
    }

    private static final class Parked extends Thread {
        public void run() {
            synchronized (LOCK) {
                while (!go) {
                    try {
                        LOCK.wait();
                    } catch (InterruptedException e) {
                        return;
                    }
                }
            }
        }
    }

    /** Notes the priority of a thread it makes. */
    private static final class Maker extends Thread {
        int made;

        public void run() {
            made = new Thread().getPriority();
        }
    }

    private static void line(String text) {
        Out.printString(text);
        Out.newLine();
    }

    public static void main(String[] args) throws InterruptedException {
        try {
            Thread.sleep(-1);
            line("slept");
        } catch (IllegalArgumentException e) {
            line("sleep(-1): IllegalArgumentException");
        }
        try {
            new Object().wait();
            line("waited");
        } catch (IllegalMonitorStateException e) {
            line("wait: IllegalMonitorStateException");
        }
        Thread t = new Parked();
        Out.printString("before: ");
        Out.printBoolean(t.isAlive());
        Out.newLine();
        t.start();
        Out.printString("during: ");
        Out.printBoolean(t.isAlive());
        Out.newLine();
        try {
            t.start();
            line("started twice");
        } catch (IllegalThreadStateException e) {
            line("second start: IllegalThreadStateException");
        }
        synchronized (LOCK) {
            go = true;
            LOCK.notifyAll();
        }
        while (t.isAlive()) {
            Thread.yield();
        }
        Out.printString("after: ");
        Out.printBoolean(t.isAlive());
        Out.newLine();
        t.join();
        line("join after the end returns");
        new Parked().join();
        line("join before the start returns");
        int[] priorities = { Thread.MIN_PRIORITY - 1, Thread.MAX_PRIORITY + 1, Integer.MIN_VALUE };
        for (int k = 0; k < priorities.length; k++) {
            Line.at("setPriority", k);
            try {
                t.setPriority(priorities[k]);
                Out.printString("set");
            } catch (IllegalArgumentException e) {
                Out.printString("IllegalArgumentException");
            }
            Out.newLine();
        }
        Line.i("priority after the refusals", t.getPriority());
        priorities();
    }

    private static void priorities() throws InterruptedException {
        Thread main = Thread.currentThread();
        Line.i("main's priority", main.getPriority());
        Maker maker = new Maker();
        Line.i("a new thread's priority", maker.getPriority());
        int[] set = { Thread.MAX_PRIORITY, Thread.MIN_PRIORITY, 8 };
        for (int k = 0; k < set.length; k++) {
            maker.setPriority(set[k]);
            Line.at("priority set", k);
            Out.printInt(maker.getPriority());
            Out.newLine();
        }
        maker.start();
        maker.join();
        Line.i("made by a thread of priority 8", maker.made);
        main.setPriority(3);
        Line.i("main set to 3", main.getPriority());
        Line.i("made by main of priority 3", new Thread().getPriority());
        Line.i("made earlier keeps its own", maker.getPriority());
        main.setPriority(Thread.NORM_PRIORITY);
        Line.i("main set back", main.getPriority());
    }
}
