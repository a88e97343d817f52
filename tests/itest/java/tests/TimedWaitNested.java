package tests;

/**
 * A wait with a timeout that runs out, where no other thread can run
 * meanwhile: the waiter alone, inside a nested lock of the same object,
 * and while the only other thread waits without a timeout. Each time the
 * waiter must hold the lock again afterwards (notify and the exits of
 * its synchronized blocks would throw otherwise).
 */
public final class TimedWaitNested {
    private static final Object LOCK = new Object();
    private static final Object OTHER = new Object();
    private static boolean done;

    private TimedWaitNested() {
    }

    private static void line(String text) {
        Out.printString(text);
        Out.newLine();
    }

    public static void main(String[] args) throws InterruptedException {
        synchronized (LOCK) {
            LOCK.wait(5);
            LOCK.notify();
        }
        line("alone: woke holding the lock");
        synchronized (LOCK) {
            synchronized (LOCK) {
                LOCK.wait(5);
                LOCK.notify();
            }
            LOCK.notify();
        }
        line("nested: woke holding both entries");
        Thread waiter = new Thread() {
            public void run() {
                try {
                    synchronized (OTHER) {
                        OTHER.wait(5);
                        OTHER.notify();
                    }
                } catch (InterruptedException e) {
                    line("interrupted");
                }
                synchronized (LOCK) {
                    done = true;
                    LOCK.notify();
                }
            }
        };
        synchronized (LOCK) {
            waiter.start();
            while (!done) {
                LOCK.wait();
            }
        }
        waiter.join();
        line("beside an untimed wait: woke holding the lock");
    }
}
