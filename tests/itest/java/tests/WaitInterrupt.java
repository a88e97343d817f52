package tests;

/**
 * A waiter interrupted before any notify gets InterruptedException only
 * once it holds the lock again: it sees the value the owner set after the
 * interrupt.
 */
public final class WaitInterrupt {
    private static final Object O = new Object();
    private static boolean waiting;
    private static int value;

    private WaitInterrupt() {
    }

    private static final class Waiter extends Thread {
        public void run() {
            synchronized (O) {
                waiting = true;
                try {
                    O.wait();
                    Out.printString("notified");
                } catch (InterruptedException e) {
                    Out.printString("interrupted, value ");
                    Out.printInt(value);
                }
                Out.newLine();
            }
        }
    }

    public static void main(String[] args) throws InterruptedException {
        Thread t = new Waiter();
        t.start();
        for (;;) {
            synchronized (O) {
                if (waiting) {
                    t.interrupt();
                    Thread.sleep(50);
                    value = 7;
                    return;
                }
            }
            Thread.yield();
        }
    }
}
