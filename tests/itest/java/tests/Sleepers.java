package tests;

/**
 * Threads started as a900, b100, c500 wake in the order of their times.
 * They begin their sleeps together, once all three have started (starting
 * a thread takes long under the collector's stress run), and the times lie
 * 400 ms apart, so that a loaded machine, where this program's expected
 * lines are made, keeps the order.
 */
public final class Sleepers {
    private Sleepers() {
    }

    private static final Object GATE = new Object();
    private static boolean open;

    private static final class Sleeper extends Thread {
        private final String word;
        private final long millis;

        Sleeper(String word, long millis) {
            this.word = word;
            this.millis = millis;
        }

        public void run() {
            try {
                synchronized (GATE) {
                    while (!open) {
                        GATE.wait();
                    }
                }
                Thread.sleep(millis);
            } catch (InterruptedException e) {
                return;
            }
            Out.printString(word);
            Out.newLine();
        }
    }

    public static void main(String[] args) {
        new Sleeper("a900", 900).start();
        new Sleeper("b100", 100).start();
        new Sleeper("c500", 500).start();
        synchronized (GATE) {
            open = true;
            GATE.notifyAll();
        }
    }
}
