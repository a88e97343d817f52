package tests;

/**
 * Two threads call a native that suspends them once while a third thread
 * counts: both get 42, and the counter moved while they were suspended.
 */
public final class Reentry {
    private static final Object LOCK = new Object();
    private static volatile int count;
    private static int finished;
    private static final int[] RESULTS = new int[2];
    private static final boolean[] MOVED = new boolean[2];

    private Reentry() {
    }

    private static final class Blocker extends Thread {
        private final int slot;

        Blocker(int slot) {
            this.slot = slot;
        }

        public void run() {
            int before = count;
            int result = Out.blockingTwice(21);
            synchronized (LOCK) {
                RESULTS[slot] = result;
                MOVED[slot] = count != before;
                finished++;
                LOCK.notifyAll();
            }
        }
    }

    private static final class Counter extends Thread {
        public void run() {
            for (;;) {
                synchronized (LOCK) {
                    if (finished == 2) {
                        return;
                    }
                }
                count++;
                Thread.yield();
            }
        }
    }

    public static void main(String[] args) throws InterruptedException {
        new Blocker(0).start();
        new Blocker(1).start();
        new Counter().start();
        synchronized (LOCK) {
            while (finished < 2) {
                LOCK.wait();
            }
        }
        for (int i = 0; i < 2; i++) {
            Out.printInt(RESULTS[i]);
            Out.printString(" moved ");
            Out.printBoolean(MOVED[i]);
            Out.newLine();
        }
    }
}
