package tests;

/**
 * exit(7) ends the program while one thread sleeps 1,000 s and another
 * waits on a monitor without a time limit.
 */
public final class Exit {
    private Exit() {
    }

    private static final Object LOCK = new Object();
    private static boolean sleeping;
    private static boolean waiting;

    private static final class Sleeper extends Thread {
        public void run() {
            sleeping = true;
            try {
                Thread.sleep(1000000);
            } catch (InterruptedException e) {
                return;
            }
            Out.printString("woke");
            Out.newLine();
        }
    }

    private static final class Waiter extends Thread {
        public void run() {
            synchronized (LOCK) {
                waiting = true;
                try {
                    LOCK.wait();
                } catch (InterruptedException e) {
                    return;
                }
            }
            Out.printString("notified");
            Out.newLine();
        }
    }

    public static void main(String[] args) {
        new Sleeper().start();
        new Waiter().start();
        while (!sleeping || !waiting) {
            Thread.yield();
        }
        // The waiter set its flag holding the lock: taking the lock here
        // means it waits.
        synchronized (LOCK) {
            Out.exit(7);
        }
    }
}
