package tests;

/** Threads started as a300, b100, c200 wake in the order of their times. */
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
        new Sleeper("a300", 300).start();
        new Sleeper("b100", 100).start();
        new Sleeper("c200", 200).start();
    }
}
