package tests;

/**
 * One notify while a thread waits in o.wait() and another is blocked
 * entering o: the waiter wakes, not the contender.
 */
public final class NotifyWithContender {
    private static final Object O = new Object();
    private static boolean waiting;
    private static volatile boolean contending;

    private NotifyWithContender() {
    }

    private static final class Waiter extends Thread {
        public void run() {
            synchronized (O) {
                waiting = true;
                try {
                    O.wait();
                } catch (InterruptedException e) {
                    return;
                }
            }
            Out.printString("waiter woke");
            Out.newLine();
        }
    }

    private static final class Contender extends Thread {
        public void run() {
            contending = true;
            synchronized (O) {
                O.notifyAll();
            }
        }
    }

    public static void main(String[] args) throws InterruptedException {
        new Waiter().start();
        for (;;) {
            synchronized (O) {
                if (waiting) {
                    // The waiter is in O.wait(): this thread holds O.
                    new Contender().start();
                    while (!contending) {
                        Thread.yield();
                    }
                    Thread.sleep(50);
                    O.notify();
                    return;
                }
            }
            Thread.yield();
        }
    }
}
