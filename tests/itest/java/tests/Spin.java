package tests;

/**
 * Thread A spins, calling nothing, on a field only thread B sets: only
 * preemption lets B run.
 */
public final class Spin {
    private static volatile boolean set;

    private Spin() {
    }

    private static final class Spinner extends Thread {
        public void run() {
            while (!set) {
                // no calls: only a time slice ends this thread's turn
            }
            Out.printString("done");
            Out.newLine();
        }
    }

    private static final class Setter extends Thread {
        public void run() {
            set = true;
        }
    }

    public static void main(String[] args) {
        new Spinner().start();
        new Setter().start();
    }
}
