package tests;

/** Five waiters wake at one notifyAll and take the lock in turn. */
public final class NotifyAll {
    private static final Object O = new Object();
    private static int ready;
    private static int counter;

    private NotifyAll() {
    }

    private static final class Waiter extends Thread {
        public void run() {
            synchronized (O) {
                ready++;
                try {
                    O.wait();
                } catch (InterruptedException e) {
                    return;
                }
                counter++;
            }
        }
    }

    public static void main(String[] args) {
        for (int i = 0; i < 5; i++) {
            new Waiter().start();
        }
        boolean notified = false;
        for (;;) {
            synchronized (O) {
                if (!notified && ready == 5) {
                    O.notifyAll();
                    notified = true;
                }
                if (counter == 5) {
                    break;
                }
            }
            Thread.yield();
        }
        Out.printString("counter ");
        Out.printInt(counter);
        Out.newLine();
    }
}
