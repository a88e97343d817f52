package tests;

/**
 * Main yields to a thread that ends the virtual machine with status 3: a
 * host driving the machine step by step sees the end in the second step.
 */
public final class SlaveExit {
    private SlaveExit() {
    }

    private static final class Exiter extends Thread {
        public void run() {
            Out.exit(3);
        }
    }

    public static void main(String[] args) {
        new Exiter().start();
        Thread.yield();
        Out.printString("not reached");
        Out.newLine();
    }
}
