package tests;

/**
 * A thread blocked entering a monitor is interrupted: it enters without an
 * exception, and its next sleep throws at once.
 */
public final class InterruptEntry {
    private static final Object O = new Object();
    private static volatile boolean trying;

    private InterruptEntry() {
    }

    private static final class Entrant extends Thread {
        public void run() {
            trying = true;
            synchronized (O) {
                Out.printString("entered; ");
            }
            try {
                Thread.sleep(1000);
                Out.printString("slept");
            } catch (InterruptedException e) {
                Out.printString("sleep interrupted");
            }
            Out.newLine();
        }
    }

    public static void main(String[] args) throws InterruptedException {
        Thread t = new Entrant();
        synchronized (O) {
            t.start();
            while (!trying) {
                Thread.yield();
            }
            Thread.sleep(50);
            t.interrupt();
        }
    }
}
