package tests;

/**
 * Without priority scheduling a thread keeps the priority set (and runs at
 * 5, which the strict order below would show otherwise). With it on, a
 * priority-6 thread runs to its end before the thread that started it goes
 * on (the two are the live threads meanwhile), and two threads of priority
 * 5 take turns at Thread.yield(). The time slice is off while they take
 * their turns: a tick between a note and its yield would add a switch.
 */
public final class Priorities {
    private Priorities() {
    }

    private static final class High extends Thread {
        public void run() {
            Out.printString("six runs");
            Out.newLine();
            line("active while six runs", Thread.activeCount());
            Out.printString("six ends");
            Out.newLine();
        }
    }

    private static final Object LOCK = new Object();
    private static final char[] TURNS = new char[12];
    private static int turns;
    private static int finished;

    /** Notes each turn in memory; the main thread prints them. */
    private static final class Taker extends Thread {
        private final char name;

        Taker(char name) {
            this.name = name;
        }

        public void run() {
            for (int i = 0; i < 3; i++) {
                TURNS[turns++] = name;
                TURNS[turns++] = (char) ('0' + i);
                Thread.yield();
            }
            synchronized (LOCK) {
                finished++;
                LOCK.notifyAll();
            }
        }
    }

    private static void line(String label, int value) {
        Out.printString(label);
        Out.printChar(' ');
        Out.printInt(value);
        Out.newLine();
    }

    public static void main(String[] args) throws InterruptedException {
        Thread high = new High();
        line("priority of a new thread", high.getPriority());
        high.setPriority(8);
        line("priority 8 without the schedule", high.getPriority());
        line("active before any start", Thread.activeCount());
        Out.setPrioritySchedule(true);
        high.setPriority(6);
        line("priority 6 with the schedule", high.getPriority());
        high.start();
        Out.printString("main goes on");
        Out.newLine();
        line("active after six ended", Thread.activeCount());
        // A thread joins its run queue right behind the queue's head (this
        // thread): b started first comes after a.
        Thread a = new Taker('a');
        Out.setTimeSlice(false);
        new Taker('b').start();
        a.start();
        synchronized (LOCK) {
            while (finished < 2) {
                LOCK.wait();
            }
        }
        Out.setTimeSlice(true);
        for (int i = 0; i < turns; i += 2) {
            Out.printChar(TURNS[i]);
            Out.printChar(TURNS[i + 1]);
            Out.newLine();
        }
    }
}
