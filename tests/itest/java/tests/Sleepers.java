package tests;

/**
 * Threads started as a900, b100, c500 wake in the order of their times (the
 * times lie 400 ms apart, so that a loaded machine, where this program's
 * expected lines are made, starts them in time).
 */
public final class Sleepers {
    private Sleepers() {
    }

    private static final class Sleeper extends Thread {
        private final String word;
        private final long millis;

        Sleeper(String word, long millis) {
            this.word = word;
            this.millis = millis;
        }

        public void run() {
            try {
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
    }
}
