package tests;

/** Two threads take turns through wait and notifyAll: ping0 pong0 ping1 ... */
public final class PingPong {
    private static final Object LOCK = new Object();
    private static int turn;

    private PingPong() {
    }

    private static final class Player extends Thread {
        private final int me;
        private final String word;

        Player(int me, String word) {
            this.me = me;
            this.word = word;
        }

        public void run() {
            for (int i = 0; i < 10; i++) {
                synchronized (LOCK) {
                    while (turn != me) {
                        try {
                            LOCK.wait();
                        } catch (InterruptedException e) {
                            return;
                        }
                    }
                    Out.printString(word);
                    Out.printInt(i);
                    Out.newLine();
                    turn = 1 - me;
                    LOCK.notifyAll();
                }
            }
        }
    }

    public static void main(String[] args) {
        new Player(1, "pong").start();
        new Player(0, "ping").start();
    }
}
