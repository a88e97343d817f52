package tests;

/**
 * Waits with a time-out: one that nobody notifies ends when its time is
 * up; a waiter whose time runs out while another thread holds the lock
 * returns only once that thread released it; a waiter with a long time-out
 * is woken by notify long before it (a time-out that kept it asleep would
 * pass the check's time limit).
 */
public final class TimedWait {
    private static final Object O = new Object();
    private static boolean waiting;
    private static int value;

    private TimedWait() {
    }

    private static final class Waiter extends Thread {
        private final long timeOut;

        Waiter(long timeOut) {
            this.timeOut = timeOut;
        }

        public void run() {
            synchronized (O) {
                waiting = true;
                O.notify();
                try {
                    O.wait(timeOut);
                } catch (InterruptedException e) {
                    Line.s("waiter", "interrupted");
                }
                Line.i("waiter sees", value);
            }
        }
    }

    public static void main(String[] args) throws InterruptedException {
        synchronized (O) {
            long start = System.currentTimeMillis();
            O.wait(100);
            // Clocks differ in their steps: half the time is surely gone.
            Line.z("alone, returned after its time", System.currentTimeMillis() - start >= 50);
        }

        // The waiter's 50 ms run out while this thread sleeps holding the lock.
        value = 1;
        Thread t = new Waiter(50);
        synchronized (O) {
            t.start();
            while (!waiting) {
                O.wait();
            }
            Thread.sleep(200);
            value = 7;
        }
        t.join();

        value = 2;
        waiting = false;
        t = new Waiter(100000);
        synchronized (O) {
            t.start();
            while (!waiting) {
                O.wait();
            }
            value = 3;
            O.notify();
        }
        t.join();
    }
}
