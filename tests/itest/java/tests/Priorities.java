package tests;

/**
 * With priority scheduling on, a priority-6 thread runs to its end before
 * the thread that started it goes on, and two threads of priority 5 take
 * turns at Thread.yield().
 */
public final class Priorities {
    private Priorities() {
    }

    private static final class High extends Thread {
        public void run() {
            Out.printString("six runs");
            Out.newLine();
            Out.printString("six ends");
            Out.newLine();
        }
    }

    private static final class Taker extends Thread {
        private final String word;

        Taker(String word) {
            this.word = word;
        }

        public void run() {
            for (int i = 0; i < 3; i++) {
                Out.printString(word);
                Out.printInt(i);
                Out.newLine();
                Thread.yield();
            }
        }
    }

    public static void main(String[] args) {
        Out.setPrioritySchedule(true);
        Thread high = new High();
        high.setPriority(6);
        high.start();
        Out.printString("main goes on");
        Out.newLine();
        // A thread joins its run queue right behind the queue's head (this
        // thread): b started first comes after a.
        Thread a = new Taker("a");
        new Taker("b").start();
        a.start();
    }
}
