package tests;

/** exit(7) ends the program while another thread sleeps 1,000 s. */
public final class Exit {
    private Exit() {
    }

    private static final class Sleeper extends Thread {
        public void run() {
            try {
                Thread.sleep(1000000);
            } catch (InterruptedException e) {
                return;
            }
            Out.printString("woke");
            Out.newLine();
        }
    }

    public static void main(String[] args) {
        new Sleeper().start();
        Out.exit(7);
    }
}
